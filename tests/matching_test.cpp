#include "matching.h"

#include <random>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "line_index.h"
#include "test_support.h"
#include "textio/platform.h"

namespace {

TEST(HasText, ByteClasses) {
  for (int b = 1; b < 256; ++b) {
    char line[2] = {static_cast<char>(b), '\0'};
    bool text = (b >= 0x21 && b <= 0x7E) || b >= 0x80;
    EXPECT_EQ(has_text(line), text) << "byte " << b;
  }
  EXPECT_FALSE(has_text(""));
  EXPECT_FALSE(has_text(" \t\r\n\x0b\x0c\x7f"));
  EXPECT_TRUE(has_text("  x\n"));
}

TEST(SameLine, FoldsOnlyAToZ) {
  for (int a = 1; a < 256; ++a) {
    for (int b = 1; b < 256; ++b) {
      char la[2] = {static_cast<char>(a), '\0'};
      char lb[2] = {static_cast<char>(b), '\0'};
      int fa = (a >= 'A' && a <= 'Z') ? a + 32 : a;
      int fb = (b >= 'A' && b <= 'Z') ? b + 32 : b;
      ASSERT_EQ(same_line(la, lb), fa == fb) << a << " " << b;
    }
  }
  EXPECT_TRUE(same_line("Hello World\n", "hELLO wORLD\n"));
  EXPECT_FALSE(same_line("abc", "abc\n"));
  EXPECT_FALSE(same_line("abc\n", "abcd\n"));
  EXPECT_FALSE(same_line("a b\n", "a  b\n"));
  EXPECT_TRUE(same_line("", ""));
}

struct Reports {
  std::string unique1, unique2, common;
};

// Loads both texts, runs write_sets (with faults armed around it) and gives
// the three report bodies.
Reports match(const std::string& text1, const std::string& text2,
              const FaultPlan& faults = {0, 0, 0, 0}) {
  ScratchDir dir;
  write_file(dir.file("f1"), text1);
  write_file(dir.file("f2"), text2);
  int64_t bytes = 0, lines = 0;
  LineList list1 = load_lines(dir.file("f1").c_str(), &bytes, &lines);
  LineList list2 = load_lines(dir.file("f2").c_str(), &bytes, &lines);
  TextWriter* u1 = create_writer(dir.file("u1").c_str());
  TextWriter* u2 = create_writer(dir.file("u2").c_str());
  TextWriter* co = create_writer(dir.file("co").c_str());
  os_set_faults(faults);
  write_sets(list1, list2, u1, u2, co);
  os_set_faults({0, 0, 0, 0});
  close_writer(u1);
  close_writer(u2);
  close_writer(co);
  free_lines(list1);
  free_lines(list2);
  return {read_file(dir.file("u1")), read_file(dir.file("u2")),
          read_file(dir.file("co"))};
}

struct MatchCase {
  const char* name;
  std::string file1, file2;
  // Expected bodies; each LF is written as CR LF.
  std::string unique1, unique2, common;
};

void PrintTo(const MatchCase& c, std::ostream* os) { *os << c.name; }

class MatchTest : public ::testing::TestWithParam<MatchCase> {};

TEST_P(MatchTest, WritesReports) {
  const MatchCase& c = GetParam();
  Reports r = match(c.file1, c.file2);
  EXPECT_EQ(r.unique1, dos(c.unique1));
  EXPECT_EQ(r.unique2, dos(c.unique2));
  EXPECT_EQ(r.common, dos(c.common));
}

const std::string kLong(3000, 'y');

INSTANTIATE_TEST_SUITE_P(
    Cases, MatchTest,
    ::testing::Values(
        MatchCase{"FoldsOnlyAsciiLetters", "ABC\r\n\xC9t\xE9\r\n@[\r\n",
                  "abc\r\n\xE9t\xE9\r\n`{\r\n", "1\t\xC9t\xE9\n2\t@[\n",
                  "1\t\xE9t\xE9\n2\t`{\n", "\n0\tABC\n0\tabc\n"},
        MatchCase{"LinesWithoutTextGoNowhere",
                  "  \t\r\n\x01\x1f\x7f\r\n\r\n\x0b\x0c\r\n",
                  "  \t\r\n\x01\x1f\x7f\r\n\r\n\x0b\x0c\r\n", "", "", ""},
        MatchCase{"HighByteIsText", "\x80\r\n\xFF\r\n", "\x80\r\n", "1\t\xFF\n",
                  "", "\n0\t\x80\n0\t\x80\n"},
        MatchCase{"LastLineWithoutLf", "abc", "abc\r\n", "0\tabc", "0\tabc\n",
                  ""},
        MatchCase{
            "LongLineRunsIntoOneReportLine", kLong + "\r\n", "",
            "0\t" + kLong.substr(0, 2047) + "1\t" + kLong.substr(2047) + "\n",
            "", ""},
        MatchCase{"TwoFile1LinesOneFile2Line", "a\r\nA\r\n", "x\r\na\r\n", "",
                  "0\tx\n", "\n0\ta\n1\ta\n\n1\tA\n1\ta\n"},
        MatchCase{"SetHoldsEveryMatchInFile2Order", "a\r\n", "A\r\nb\r\na\r\n",
                  "", "1\tb\n", "\n0\ta\n0\tA\n2\ta\n"},
        MatchCase{"SetWithoutLfRunsIntoOneLine", "q\r\nz", "z\r\nZ", "0\tq\n",
                  "0\tz\n", "\n1\tz1\tZ"},
        MatchCase{"BlanksCount", "a b\r\na \r\n", "a  b\r\na\r\n",
                  "0\ta b\n1\ta \n", "0\ta  b\n1\ta\n", ""},
        MatchCase{"EmptyFile1", "", "a\r\n \r\nb", "", "0\ta\n2\tb", ""},
        MatchCase{"EmptyFile2", "a\r\nb\r\n", "", "0\ta\n1\tb\n", "", ""},
        MatchCase{"IdenticalFiles", "a\r\nb\r\n \r\nc\r\n",
                  "a\r\nb\r\n \r\nc\r\n", "", "",
                  "\n0\ta\n0\ta\n\n1\tb\n1\tb\n\n3\tc\n3\tc\n"}),
    [](const ::testing::TestParamInfo<MatchCase>& info) {
      return std::string(info.param.name);
    });

}  // namespace

namespace {

// A random text over a small alphabet, so that lines match often: case
// variants, lines without text, lines without LF, pieces of long lines.
std::string random_text(std::mt19937& rng) {
  static const char kBytes[] = {'a',    'A',    'b',    'B',    ' ',  '\t',
                                '\x01', '\x7f', '\xe9', '\xc9', '\r', 'z'};
  std::string text;
  int lines = static_cast<int>(rng() % 40);
  for (int i = 0; i < lines; ++i) {
    if (rng() % 50 == 0) {
      text += std::string(2047 + rng() % 3, static_cast<char>('a' + rng() % 2));
    } else {
      int len = static_cast<int>(rng() % 4);
      for (int j = 0; j < len; ++j) text += kBytes[rng() % sizeof kBytes];
    }
    if (i + 1 < lines || rng() % 2 == 0) text += rng() % 2 ? "\r\n" : "\n";
  }
  return text;
}

struct FirstPass {
  std::string unique1, common;
  std::vector<int32_t> flags;
};

// Runs one first pass over freshly loaded lists.
FirstPass first_pass(const ScratchDir& dir, bool indexed) {
  int64_t bytes = 0, lines = 0;
  LineList list1 = load_lines(dir.file("f1").c_str(), &bytes, &lines);
  LineList list2 = load_lines(dir.file("f2").c_str(), &bytes, &lines);
  TextWriter* u1 = create_writer(dir.file("u1").c_str());
  TextWriter* co = create_writer(dir.file("co").c_str());
  if (indexed) {
    LineIndex* index = build_index(list2, 12345);
    match_by_index(list1, index, u1, co);
    free_index(index);
  } else {
    match_by_scan(list1, list2, u1, co);
  }
  close_writer(u1);
  close_writer(co);
  FirstPass result{read_file(dir.file("u1")), read_file(dir.file("co")), {}};
  for (LineRec* r = list2; r->next_rec != nullptr; r = r->next_rec) {
    result.flags.push_back(r->matched);
  }
  free_lines(list1);
  free_lines(list2);
  return result;
}

TEST(MatchByIndex, EqualsTheNestedScan) {
  std::mt19937 rng(20261211);
  ScratchDir dir;
  for (int round = 0; round < 300; ++round) {
    std::string text1 = random_text(rng);
    std::string text2 = rng() % 4 == 0 ? text1 : random_text(rng);
    write_file(dir.file("f1"), text1);
    write_file(dir.file("f2"), text2);
    FirstPass scan = first_pass(dir, false);
    FirstPass indexed = first_pass(dir, true);
    ASSERT_EQ(indexed.unique1, scan.unique1) << "round " << round;
    ASSERT_EQ(indexed.common, scan.common) << "round " << round;
    ASSERT_EQ(indexed.flags, scan.flags) << "round " << round;
  }
}

// Without memory for the index the scan runs instead; the reports are the
// same and nothing is left allocated.
TEST(WriteSets, FallsBackToTheScanWithoutMemory) {
  const std::string text1 = "a\r\nB\r\nb\r\n \r\nc";
  const std::string text2 = "b\r\nA\r\nx\r\nB\r\n";
  Reports expected = match(text1, text2);
  EXPECT_EQ(expected.common, dos("\n0\ta\n1\tA\n\n1\tB\n0\tb\n3\tB\n"
                                 "\n2\tb\n0\tb\n3\tB\n"));
  // The index, its two tables, then a report's buffer (the writer goes on
  // without one).
  for (int64_t k = 1; k <= 4; ++k) {
    int64_t live = os_live_blocks();
    Reports got = match(text1, text2, {k, 0, 0, 0});
    EXPECT_EQ(os_live_blocks(), live) << k;
    EXPECT_EQ(got.unique1, expected.unique1) << k;
    EXPECT_EQ(got.unique2, expected.unique2) << k;
    EXPECT_EQ(got.common, expected.common) << k;
  }
}

}  // namespace
