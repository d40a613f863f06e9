// Huge and hostile inputs, run through the built binary. These take minutes
// and gigabytes of disk; they carry the CTest label "large" and run with
// `make test-large`, not with `make test`.

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "test_support.h"

namespace {

// Writes count copies of line into path, in blocks.
void write_repeated(const std::string& path, const std::string& line,
                    int64_t count) {
  FILE* f = fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::string block;
  for (int i = 0; i < 4096; ++i) block += line;
  int64_t left = count;
  for (; left >= 4096; left -= 4096) fwrite(block.data(), 1, block.size(), f);
  for (; left > 0; --left) fwrite(line.data(), 1, line.size(), f);
  fclose(f);
}

// The first line of standard output: file1's statistics line.
std::string first_line(const std::string& text) {
  return text.substr(0, text.find('\n') + 1);
}

// Past 2 GiB of lines the counts need 64 bits. The lines hold only blanks,
// so no report grows with them.
TEST(Large, FilePast2GiBCountsRight) {
  ScratchDir dir;
  const std::string line = std::string(98, ' ') + "\r\n";  // 99 bytes read
  const int64_t lines = 22000000;                          // 2.2 GB
  write_repeated(dir.file("big"), line, lines);
  RunResult r = run_setsieve(dir.path(), {"big", "/dev/null"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(first_line(r.output),
            dos(stats(16 * (lines + 1) + 100 * lines, lines, "big")));
  EXPECT_EQ(read_file(dir.file("unique1")), unique_header("big"));
}

TEST(Large, HundredMegabyteLineWithoutLf) {
  ScratchDir dir;
  const int64_t size = 100000000;
  write_repeated(dir.file("one"), "y", size);
  // Against itself every piece would match every other piece: a report of
  // terabytes. Against nothing, all pieces run into one report line.
  RunResult r = run_setsieve(dir.path(), {"one", "/dev/null"});
  EXPECT_EQ(r.status, 0);
  const int64_t pieces = (size + 2046) / 2047;
  EXPECT_EQ(first_line(r.output),
            dos(stats(16 * (pieces + 1) + size + pieces, pieces, "one")));
  struct stat st;
  ASSERT_EQ(stat(dir.file("unique1").c_str(), &st), 0);
  EXPECT_GT(st.st_size, size);
}

TEST(Large, TenMillionEmptyLines) {
  ScratchDir dir;
  const int64_t lines = 10000000;
  write_repeated(dir.file("empty"), "\r\n", lines);
  RunResult r = run_setsieve(dir.path(), {"empty", "empty"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(first_line(r.output),
            dos(stats(16 * (lines + 1) + 2 * lines, lines, "empty")));
  EXPECT_EQ(read_file(dir.file("unique2")), unique_header("empty"));
}

// Every line of both files matches every other: the common report holds
// n sets of n+1 lines, n*n+n record lines in all.
TEST(Large, AllLinesAlike) {
  ScratchDir dir;
  const int64_t n = 3000;
  write_repeated(dir.file("same"), "The Same Line\r\n", n);
  RunResult r = run_setsieve(dir.path(), {"same", "same"});
  EXPECT_EQ(r.status, 0);
  std::string common = read_file(dir.file("common"));
  int64_t lines = 0;
  for (char c : common) lines += c == '\n';
  EXPECT_EQ(lines, 4 + n * (n + 2));
}

// Binary files: anything at all must load and compare without harm.
TEST(Large, BinaryFiles) {
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator("/usr/bin")) {
    if (entry.is_regular_file() && entry.file_size() > 100000 &&
        entry.file_size() < 20000000 && files.size() < 24) {
      files.push_back(entry.path());
    }
  }
  ASSERT_GE(files.size(), 2u);
  ScratchDir dir;
  for (size_t i = 0; i + 1 < files.size(); i += 2) {
    RunResult r = run_setsieve(dir.path(), {files[i], files[i + 1]});
    EXPECT_EQ(r.status, 0) << files[i] << " " << files[i + 1];
  }
}

}  // namespace
