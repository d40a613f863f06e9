#include "textio/text_reader.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "gtest/gtest.h"
#include "test_support.h"
#include "textio/platform.h"

namespace {

using Lines = std::vector<std::string>;

std::string xs(size_t n) { return std::string(n, 'x'); }

// A CR LF pair can straddle two fillings of the reader's buffer.
const size_t kFill = kFillBytes;
const int kBig = 2 * kFillBytes;

struct ReadCase {
  const char* name;
  std::string bytes;
  int capacity;
  Lines lines;
};

void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }

class ReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadTest, DeliversLines) {
  const ReadCase& c = GetParam();
  ScratchDir dir;
  write_file(dir.file("in"), c.bytes);
  EXPECT_EQ(fetch_all(dir.file("in"), c.capacity), c.lines);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, ReadTest,
    ::testing::Values(
        ReadCase{"Empty", "", 2048, {}},
        ReadCase{"OnlyCrLf", "\r\n", 2048, {"\n"}},
        ReadCase{"CrLfBecomesLf", "a\r\nbc\r\n", 2048, {"a\n", "bc\n"}},
        ReadCase{"BareLf", "a\nb\n", 2048, {"a\n", "b\n"}},
        ReadCase{"CrCrLf", "a\r\r\nb", 2048, {"a\r\n", "b"}},
        ReadCase{"LoneCrInLine", "a\rb\r\n", 2048, {"a\rb\n"}},
        ReadCase{"FinalCr", "x\r", 2048, {"x\r"}},
        ReadCase{"CtrlZMidFile",
                 std::string("a\r\nb\x1a"
                             "c\r\n"),
                 2048,
                 {"a\n", "b"}},
        ReadCase{"CtrlZFirst",
                 std::string("\x1a"
                             "abc\r\n"),
                 2048,
                 {}},
        ReadCase{"CrBeforeCtrlZ", std::string("a\r\x1a\n"), 2048, {"a\r"}},
        ReadCase{"PairSplitAtFilling",
                 xs(kFill - 1) + "\r\ny",
                 kBig,
                 {xs(kFill - 1) + "\n", "y"}},
        ReadCase{"CrAtFillingThenOther",
                 xs(kFill - 1) + "\rz\n",
                 kBig,
                 {xs(kFill - 1) + "\rz\n"}},
        ReadCase{"CrAtFillingThenCr",
                 xs(kFill - 1) + "\r\r\n",
                 kBig,
                 {xs(kFill - 1) + "\r\n"}},
        ReadCase{"CrAtFillingThenCtrlZ",
                 xs(kFill - 1) + "\r\x1a"
                                 "z",
                 kBig,
                 {xs(kFill - 1) + "\r"}},
        ReadCase{
            "Line2046FitsOnePiece", xs(2046) + "\r\n", 2048, {xs(2046) + "\n"}},
        ReadCase{
            "Line2047LeavesLfAlone", xs(2047) + "\r\n", 2048, {xs(2047), "\n"}},
        ReadCase{"Line5000InPieces",
                 xs(5000) + "\r\n",
                 2048,
                 {xs(2047), xs(2047), xs(906) + "\n"}},
        ReadCase{"TinyCapacity", "abc\n", 2, {"a", "b", "c", "\n"}}),
    [](const ::testing::TestParamInfo<ReadCase>& info) {
      return std::string(info.param.name);
    });

TEST(TextReader, NulBytesAreStoredAndEndNothing) {
  ScratchDir dir;
  write_file(dir.file("in"), std::string("a\0b\r\nc", 6));
  TextReader* r = open_reader(dir.file("in").c_str());
  ASSERT_NE(r, nullptr);
  char buf[16];
  std::memset(buf, '#', sizeof buf);
  ASSERT_EQ(fetch_line(r, buf, 16), buf);
  EXPECT_EQ(std::string(buf, 6), std::string("a\0b\n\0#", 6));
  ASSERT_EQ(fetch_line(r, buf, 16), buf);
  EXPECT_STREQ(buf, "c");
  std::memset(buf, '#', sizeof buf);
  EXPECT_EQ(fetch_line(r, buf, 16), nullptr);
  EXPECT_EQ(buf[0], '#');  // untouched at the end of the text
  EXPECT_EQ(close_reader(r), 0);
}

TEST(TextReader, NoCapacityGivesNothing) {
  ScratchDir dir;
  write_file(dir.file("in"), "abc\n");
  TextReader* r = open_reader(dir.file("in").c_str());
  ASSERT_NE(r, nullptr);
  char buf[4] = {'#', '#', '#', '#'};
  EXPECT_EQ(fetch_line(r, buf, 0), nullptr);
  EXPECT_EQ(fetch_line(r, buf, -3), nullptr);
  EXPECT_EQ(buf[0], '#');
  close_reader(r);
}

TEST(TextReader, RefusedNamesGiveNoReader) {
  ScratchDir dir;
  mkdir(dir.file("sub").c_str(), 0755);
  EXPECT_EQ(open_reader(dir.file("missing").c_str()), nullptr);
  EXPECT_EQ(open_reader(dir.file("sub").c_str()), nullptr);
  EXPECT_EQ(open_reader(""), nullptr);
}

TEST(TextReader, CharacterDeviceReadsAsEmpty) {
  EXPECT_EQ(fetch_all("/dev/null", 2048), Lines{});
}

// A pipe delivers its bytes in whatever pieces the writer makes; the lines
// must not depend on where the pieces break.
TEST(TextReader, PipeLinesDoNotDependOnPieces) {
  struct PipeCase {
    std::vector<std::string> pieces;
    Lines lines;
  };
  const PipeCase cases[] = {
      {{"x\r", "y\r\n"}, {"x\ry\n"}},
      {{"x\r", "\ny\n"}, {"x\n", "y\n"}},
      {{"x\r", "\r", "\n"}, {"x\r\n"}},
      {{"x\r",
        "\x1a"
        "more\n"},
       {"x\r"}},
      {{"a\n\x1a", "b\n"}, {"a\n"}},
  };
  signal(SIGPIPE, SIG_IGN);  // the reader may stop before the feeder does
  for (const PipeCase& c : cases) {
    ScratchDir dir;
    std::string fifo = dir.file("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::thread feeder([&] {
      FILE* f = fopen(fifo.c_str(), "wb");
      for (const std::string& piece : c.pieces) {
        fwrite(piece.data(), 1, piece.size(), f);
        fflush(f);
        usleep(20000);
      }
      fclose(f);
    });
    Lines got = fetch_all(fifo, 2048);
    feeder.join();
    EXPECT_EQ(got, c.lines) << "first piece: " << c.pieces[0];
  }
}

TEST(TextReader, FailedReadEndsTheLineInHand) {
  ScratchDir dir;
  std::string b(kFill - 2, 'b');
  write_file(dir.file("in"), "a\n" + b + "cd\n");
  TextReader* r = open_reader(dir.file("in").c_str());
  ASSERT_NE(r, nullptr);
  os_set_faults({0, 2, 0, 0});
  std::vector<char> buf(kBig);
  ASSERT_NE(fetch_line(r, buf.data(), kBig), nullptr);
  EXPECT_STREQ(buf.data(), "a\n");
  ASSERT_NE(fetch_line(r, buf.data(), kBig), nullptr);
  EXPECT_EQ(std::string(buf.data()), b);  // no LF: the read failed here
  ASSERT_NE(fetch_line(r, buf.data(), kBig), nullptr);
  EXPECT_STREQ(buf.data(), "cd\n");  // the reader stays usable
  os_set_faults({0, 0, 0, 0});
  close_reader(r);
}

TEST(TextReader, ReadsWithoutBufferMemory) {
  ScratchDir dir;
  std::string text = "ab\r\ncd\re\r\n" + xs(5000) + "\r\n";
  write_file(dir.file("in"), text);
  Lines expected = fetch_all(dir.file("in"), 2048);
  // The reader itself is the first allocation, its buffer the second.
  os_set_faults({2, 0, 0, 0});
  Lines got = fetch_all(dir.file("in"), 2048);
  os_set_faults({0, 0, 0, 0});
  EXPECT_EQ(got, expected);
}

}  // namespace
