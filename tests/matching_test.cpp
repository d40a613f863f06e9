#include "matching.h"

#include <string>

#include "gtest/gtest.h"
#include "test_support.h"

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

// Loads both texts, runs write_sets and gives the three report bodies.
Reports match(const std::string& text1, const std::string& text2) {
  ScratchDir dir;
  write_file(dir.file("f1"), text1);
  write_file(dir.file("f2"), text2);
  int64_t bytes = 0, lines = 0;
  LineList list1 = load_lines(dir.file("f1").c_str(), &bytes, &lines);
  LineList list2 = load_lines(dir.file("f2").c_str(), &bytes, &lines);
  TextWriter* u1 = create_writer(dir.file("u1").c_str());
  TextWriter* u2 = create_writer(dir.file("u2").c_str());
  TextWriter* co = create_writer(dir.file("co").c_str());
  write_sets(list1, list2, u1, u2, co);
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
