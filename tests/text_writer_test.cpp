#include "textio/text_writer.h"

#include <sys/stat.h>

#include <climits>
#include <string>

#include "gtest/gtest.h"
#include "test_support.h"
#include "textio/platform.h"
#include "textio/text_reader.h"

namespace {

class TextWriterTest : public ::testing::Test {
 protected:
  void TearDown() override { os_set_faults({0, 0, 0, 0}); }
  std::string path() const { return dir_.file("out"); }
  ScratchDir dir_;
};

struct FormatCase {
  bool number_first;
  const char* format;
  const char* text;
  int64_t number;
  std::string bytes;  // what the file holds
  int64_t put;        // what write_formatted gives
};

TEST_F(TextWriterTest, FormatsIntoDosText) {
  const FormatCase cases[] = {
      {false, "Lines unique to %s\n\n", "f1", 0, "Lines unique to f1\r\n\r\n",
       20},
      {false, "%s\n", "a%sb%ld%", 0, "a%sb%ld%\r\n", 9},
      {true, "\n%ld\t%s", "a\r\n", 0, "\r\n0\ta\r\r\n", 6},
      {true, "%ld\t%s", "", -5, "-5\t", 3},
      {true, "%ld\t%s", "", 12, "12\t", 3},
      {true, "%ld%s", "", INT64_MIN, "-9223372036854775808", 20},
      {true, "%ld%s", "", INT64_MAX, "9223372036854775807", 19},
      {false, "100%% %s", "x", 0, "100% x", 6},
      {false, "%s%ld", "\n", 0, "\r\n0", 2},
  };
  for (const FormatCase& c : cases) {
    TextWriter* w = create_writer(path().c_str());
    ASSERT_NE(w, nullptr);
    int64_t put = c.number_first
                      ? write_formatted(w, c.format, c.number, c.text)
                      : write_formatted(w, c.format, c.text, c.number);
    EXPECT_EQ(put, c.put) << c.format;
    EXPECT_EQ(close_writer(w), 0);
    EXPECT_EQ(read_file(path()), c.bytes) << c.format;
  }
}

TEST_F(TextWriterTest, WritesAcrossTheBuffer) {
  TextWriter* w = create_writer(path().c_str());
  ASSERT_NE(w, nullptr);
  const size_t gather = kWriterGatherBytes;
  std::string big(gather + 1000, 'x');
  big[gather - 1] = '\n';  // an LF as the last byte of the first buffer
  big[gather] = '\n';      // and as the first of the next
  EXPECT_EQ(write_formatted(w, "%s\n", big.c_str()),
            static_cast<int64_t>(big.size() + 1));
  for (int i = 0; i < 20000; ++i) write_formatted(w, "%ld\n", int64_t{i});
  EXPECT_EQ(close_writer(w), 0);
  std::string expected = dos(big + "\n");
  for (int i = 0; i < 20000; ++i) expected += std::to_string(i) + "\r\n";
  EXPECT_EQ(read_file(path()), expected);
}

TEST_F(TextWriterTest, CreateEmptiesAndCloseOfNothingLeavesNothing) {
  write_file(path(), "old contents");
  TextWriter* w = create_writer(path().c_str());
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(read_file(path()), "");
  EXPECT_EQ(close_writer(w), 0);
  EXPECT_EQ(read_file(path()), "");
  struct stat st;
  ASSERT_EQ(stat(path().c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  EXPECT_NE(st.st_mode & S_IWUSR, 0u);
}

TEST_F(TextWriterTest, RefusedNamesGiveNoWriter) {
  mkdir(dir_.file("sub").c_str(), 0755);
  EXPECT_EQ(create_writer(dir_.file("sub").c_str()), nullptr);
  EXPECT_EQ(create_writer(dir_.file("no/such/dir").c_str()), nullptr);
  EXPECT_EQ(create_writer(""), nullptr);
}

TEST_F(TextWriterTest, NewFileReadsAsEmptyWhileWriterIsOpen) {
  TextWriter* w = create_writer(path().c_str());
  ASSERT_NE(w, nullptr);
  write_formatted(w, "%s\n", "still gathered");
  EXPECT_TRUE(fetch_all(path(), 2048).empty());
  close_writer(w);
}

TEST_F(TextWriterTest, FlushAllWritesOutOpenWriters) {
  TextWriter* w = create_writer(path().c_str());
  ASSERT_NE(w, nullptr);
  write_formatted(w, "%s\n", "a");
  EXPECT_EQ(read_file(path()), "");
  flush_all_writers();
  EXPECT_EQ(read_file(path()), "a\r\n");
  write_formatted(w, "%s\n", "b");
  EXPECT_EQ(close_writer(w), 0);
  EXPECT_EQ(read_file(path()), "a\r\nb\r\n");
}

TEST_F(TextWriterTest, FullDeviceFailsAndStaysUsable) {
  TextWriter* w = create_writer("/dev/full");
  ASSERT_NE(w, nullptr);
  std::string big(kWriterGatherBytes + 1, 'x');
  EXPECT_LT(write_formatted(w, "%s", big.c_str()), 0);
  EXPECT_EQ(write_formatted(w, "%s", "ab"), 2);  // gathered, not yet out
  EXPECT_EQ(close_writer(w), -1);
}

// A write-out that fails loses its bytes (but those the system took); the
// byte being put starts the next buffer, the rest of that write is dropped.
TEST_F(TextWriterTest, FailedWriteOutKeepsWhatWasTaken) {
  struct FaultCase {
    FaultPlan plan;
    std::string file;
  };
  const FaultCase cases[] = {
      {{0, 0, 1, 0}, "Bcd"},
      {{0, 0, 0, 1}, std::string(kWriterGatherBytes / 2, 'a') + "Bcd"},
  };
  for (const FaultCase& c : cases) {
    TextWriter* w = create_writer(path().c_str());
    ASSERT_NE(w, nullptr);
    os_set_faults(c.plan);
    std::string first =
        std::string(kWriterGatherBytes, 'a') + "B" + "never put";
    EXPECT_LT(write_formatted(w, "%s", first.c_str()), 0);
    EXPECT_EQ(write_formatted(w, "%s", "cd"), 2);
    EXPECT_EQ(close_writer(w), 0);
    os_set_faults({0, 0, 0, 0});
    EXPECT_EQ(read_file(path()), c.file);
  }
}

TEST_F(TextWriterTest, WritesWithoutBufferMemory) {
  TextWriter* w = create_writer(path().c_str());
  ASSERT_NE(w, nullptr);
  os_set_faults({1, 0, 0, 0});  // the buffer, obtained at the first put
  EXPECT_EQ(write_formatted(w, "%ld\t%s", int64_t{7}, "a\nb\n"), 6);
  EXPECT_EQ(close_writer(w), 0);
  EXPECT_EQ(read_file(path()), "7\ta\r\nb\r\n");
}

}  // namespace
