#include "line_index.h"

#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "matching.h"
#include "test_support.h"

namespace {

// Lines that differ from a base line at one position: in case only (same
// group), in another letter, or in the high bit (0xC1 is not 'A' folded).
std::vector<std::string> variants() {
  const std::string base = "abcdefghijklmnopqrstu";
  std::vector<std::string> lines;
  for (size_t len : {1u, 7u, 8u, 9u, 16u, 17u, 21u}) {
    std::string line = base.substr(0, len);
    lines.push_back(line + "\n");
    for (size_t p = 0; p < len; ++p) {
      std::string upper = line, other = line, high = line;
      upper[p] = static_cast<char>(upper[p] - 32);
      other[p] = static_cast<char>(other[p] == 'z' ? 'y' : other[p] + 1);
      high[p] = static_cast<char>(upper[p] | 0x80);
      lines.push_back(upper + "\n");
      lines.push_back(other + "\n");
      lines.push_back(high + "\n");
      lines.push_back(upper);  // no LF: never equal to a line with one
    }
  }
  return lines;
}

// Every group holds exactly the records that same_line accepts, in list
// order, whatever the seed.
TEST(LineIndex, GroupsAreExactlyTheMatches) {
  ScratchDir dir;
  std::string text;
  for (const std::string& line : variants()) text += line;
  text += " \n\t\n";  // lines without text are not indexed
  write_file(dir.file("f"), text);
  int64_t bytes = 0, count = 0;
  LineList list = load_lines(dir.file("f").c_str(), &bytes, &count);
  ASSERT_NE(list, nullptr);
  std::vector<LineRec*> recs;
  for (LineRec* r = list; r->next_rec != nullptr; r = r->next_rec) {
    recs.push_back(r);
  }
  for (uint64_t seed : {0ull, 1ull, 0x9E3779B97F4A7C15ull, ~0ull}) {
    LineIndex* index = build_index(list, seed);
    ASSERT_NE(index, nullptr);
    std::vector<GroupSpan> spans(recs.size());
    find_groups(index, recs.data(), static_cast<int>(recs.size()),
                spans.data());
    for (size_t i = 0; i < recs.size(); ++i) {
      std::vector<LineRec*> expected;
      if (has_text(recs[i]->line_text)) {
        for (LineRec* r : recs) {
          if (same_line(recs[i]->line_text, r->line_text)) {
            expected.push_back(r);
          }
        }
      }
      std::vector<LineRec*> got;
      for (LineRec* r = spans[i].first; r != nullptr;
           r = r == spans[i].last ? nullptr : next_in_group(index, r)) {
        got.push_back(r);
      }
      EXPECT_EQ(got, expected) << "line " << i << " seed " << seed;
    }
    free_index(index);
  }
  free_lines(list);
}

}  // namespace
