#include "line_list.h"

#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "test_support.h"
#include "textio/platform.h"

namespace {

using Texts = std::vector<std::string>;

// Checks the invariants of a list and gives its texts in order.
Texts texts_of(LineList list) {
  Texts texts;
  int64_t expected_no = 0;
  LineRec* rec = list;
  for (; rec->next_rec != nullptr; rec = rec->next_rec) {
    EXPECT_EQ(rec->line_no, expected_no++);
    EXPECT_EQ(rec->matched, 0);
    EXPECT_NE(rec->line_text, nullptr);
    texts.emplace_back(rec->line_text);
  }
  EXPECT_EQ(rec->line_text, nullptr);
  EXPECT_EQ(rec->line_no, 0);
  EXPECT_EQ(rec->matched, 0);
  return texts;
}

struct LoadCase {
  const char* name;
  std::string bytes;
  Texts texts;
  int64_t bytes_used;
};

void PrintTo(const LoadCase& c, std::ostream* os) { *os << c.name; }

class LoadTest : public ::testing::TestWithParam<LoadCase> {};

TEST_P(LoadTest, BuildsListAndCounts) {
  const LoadCase& c = GetParam();
  ScratchDir dir;
  write_file(dir.file("in"), c.bytes);
  int64_t bytes_used = -1, line_count = -1;
  LineList list = load_lines(dir.file("in").c_str(), &bytes_used, &line_count);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(texts_of(list), c.texts);
  EXPECT_EQ(line_count, static_cast<int64_t>(c.texts.size()));
  EXPECT_EQ(bytes_used, c.bytes_used);
  free_lines(list);
}

std::string xs(size_t n) { return std::string(n, 'x'); }

INSTANTIATE_TEST_SUITE_P(
    Files, LoadTest,
    ::testing::Values(
        LoadCase{"Empty", "", {}, 16},
        LoadCase{"TwoLines", "a\r\nbc\r\n", {"a\n", "bc\n"}, 55},
        LoadCase{"LastLineWithoutLf", "a\nb", {"a\n", "b"}, 16 * 3 + 3 + 2},
        LoadCase{"BlankAndSpaceLinesCount",
                 "\r\n \t\r\n",
                 {"\n", " \t\n"},
                 16 * 3 + 2 + 4},
        LoadCase{"LongLineInPieces",
                 xs(5000) + "\r\n",
                 {xs(2047), xs(2047), xs(906) + "\n"},
                 16 * 4 + 2048 + 2048 + 908},
        LoadCase{"Line2047ThenLfAlone",
                 xs(2047) + "\n",
                 {xs(2047), "\n"},
                 16 * 3 + 2048 + 2},
        LoadCase{"NulCutsTheText",
                 std::string("a\0b\r\n\0x\nc\n", 10),
                 {"a", "", "c\n"},
                 16 * 4 + 2 + 1 + 3},
        LoadCase{"CtrlZEndsTheText",
                 "a\n\x1a"
                 "b\n",
                 {"a\n"},
                 16 * 2 + 3}),
    [](const ::testing::TestParamInfo<LoadCase>& info) {
      return std::string(info.param.name);
    });

TEST(LineList, MissingFileGivesNoList) {
  ScratchDir dir;
  int64_t bytes_used = -1, line_count = -1;
  EXPECT_EQ(load_lines(dir.file("missing").c_str(), &bytes_used, &line_count),
            nullptr);
}

// Memory that runs out at any allocation of a load gives no list and leaves
// nothing allocated. The file is large enough to need several blocks.
TEST(LineList, RunningOutOfMemoryLeavesNothing) {
  ScratchDir dir;
  std::string text = "one\r\ntwo\r\n" + xs(3000) + "\r\n";
  for (int i = 0; i < 40000; ++i) text += std::to_string(i) + xs(50) + "\n";
  write_file(dir.file("in"), text + "last");
  const int64_t lines = 2 + 2 + 40000 + 1;
  int64_t bytes_used = 0, line_count = 0;
  os_set_faults({0, 0, 0, 0});
  int64_t live = os_live_blocks();
  LineList whole = load_lines(dir.file("in").c_str(), &bytes_used, &line_count);
  ASSERT_NE(whole, nullptr);
  ASSERT_EQ(line_count, lines);
  int64_t calls = os_alloc_calls();
  EXPECT_GT(calls, 5);
  free_lines(whole);
  ASSERT_EQ(os_live_blocks(), live);
  for (int64_t k = 1; k <= calls; ++k) {
    os_set_faults({k, 0, 0, 0});
    LineList list =
        load_lines(dir.file("in").c_str(), &bytes_used, &line_count);
    os_set_faults({0, 0, 0, 0});
    bool buffer_of_reader = k == 4;  // the reader works on without one
    if (buffer_of_reader) {
      ASSERT_NE(list, nullptr);
      EXPECT_EQ(line_count, lines);
      free_lines(list);
    } else {
      EXPECT_EQ(list, nullptr) << "allocation " << k;
    }
    EXPECT_EQ(os_live_blocks(), live) << "allocation " << k;
  }
}

}  // namespace
