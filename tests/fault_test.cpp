// Fault injection over whole runs, in process: every allocation, every
// write and every read of a small run is made to fail in turn, and each run
// must end as the rules say, with nothing leaked.

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "driver.h"
#include "gtest/gtest.h"
#include "test_support.h"
#include "textio/platform.h"
#include "textio/text_reader.h"
#include "textio/text_writer.h"

namespace {

struct Outcome {
  int status;
  std::string out;
  // The reports, or "(none)" for a report that was not created.
  std::string unique1, unique2, common;
  int64_t allocations, writes;  // calls made during the run
};

const char kNone[] = "(none)";

std::string report(const ScratchDir& dir, const char* name) {
  return file_exists(dir.file(name)) ? read_file(dir.file(name)) : kNone;
}

// Runs run_compare on f1 and f2 inside dir, standard output caught in a file,
// with plan armed for the run only.
Outcome run_in(const ScratchDir& dir, const FaultPlan& plan) {
  for (const char* name : {"unique1", "unique2", "common"}) {
    std::remove(dir.file(name).c_str());
  }
  char cwd[4096];
  if (getcwd(cwd, sizeof cwd) == nullptr || chdir(dir.path().c_str()) != 0) {
    ADD_FAILURE() << "cannot enter " << dir.path();
    return {};
  }
  fflush(stdout);
  int saved = dup(1);
  int out = open(".stdout", O_WRONLY | O_CREAT | O_TRUNC, 0644);
  dup2(out, 1);
  close(out);
  std::string a0 = "setsieve", a1 = "f1", a2 = "f2";
  char* argv[] = {a0.data(), a1.data(), a2.data(), nullptr};
  os_set_faults(plan);
  int status = run_compare(3, argv);
  flush_all_writers();
  int64_t allocations = os_alloc_calls(), writes = os_write_calls();
  os_set_faults({0, 0, 0, 0});
  dup2(saved, 1);
  close(saved);
  Outcome o{status,
            read_file(".stdout"),
            report(dir, "unique1"),
            report(dir, "unique2"),
            report(dir, "common"),
            allocations,
            writes};
  if (chdir(cwd) != 0) ADD_FAILURE() << "cannot go back to " << cwd;
  return o;
}

void expect_same(const Outcome& got, const Outcome& want, int64_t k) {
  EXPECT_EQ(got.out, want.out) << k;
  EXPECT_EQ(got.unique1, want.unique1) << k;
  EXPECT_EQ(got.unique2, want.unique2) << k;
  EXPECT_EQ(got.common, want.common) << k;
}

class FaultTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string f1, f2;
    for (int i = 0; i < 50; ++i) {
      f1 += "line " + std::to_string(i) + "\r\n";
      f2 += "LINE " + std::to_string(i * 2) + "\r\n";
    }
    write_file(dir_.file("f1"), f1 + std::string(3000, 'q') + "\r\n \r\n");
    write_file(dir_.file("f2"), f2 + "x");
  }
  ScratchDir dir_;
};

// Running out of memory at any allocation ends the run with the status of
// what could not be had, or, where the run can do without (a stream's
// buffer, the index), with the very reports of a run that had everything.
TEST_F(FaultTest, EveryAllocation) {
  Outcome clean = run_in(dir_, {0, 0, 0, 0});
  ASSERT_EQ(clean.status, 0);
  int64_t calls = run_in(dir_, {0, 0, 0, 0}).allocations;
  int64_t live = os_live_blocks();
  std::printf("failing each of %ld allocations in turn\n", calls);
  std::set<int> seen;
  for (int64_t k = 1; k <= calls; ++k) {
    Outcome o = run_in(dir_, {k, 0, 0, 0});
    EXPECT_EQ(os_live_blocks(), live) << "allocation " << k;
    seen.insert(o.status);
    switch (o.status) {
      case 0:
        expect_same(o, clean, k);
        break;
      case EXIT_NO_UNIQUE1:
        EXPECT_EQ(o.unique1, kNone) << k;
        EXPECT_EQ(o.common, kNone) << k;
        break;
      case EXIT_NO_UNIQUE2:
        EXPECT_EQ(o.unique1, "") << k;
        EXPECT_EQ(o.common, kNone) << k;
        break;
      case EXIT_NO_COMMON:
        EXPECT_EQ(o.unique2, "") << k;
        break;
      case EXIT_NO_FILE1:
      case EXIT_NO_FILE2:
        EXPECT_EQ(o.unique1 + o.unique2 + o.common, "") << k;
        break;
      default:
        ADD_FAILURE() << "allocation " << k << " gave status " << o.status;
    }
  }
  EXPECT_EQ(seen,
            (std::set<int>{0, EXIT_NO_UNIQUE1, EXIT_NO_UNIQUE2, EXIT_NO_COMMON,
                           EXIT_NO_FILE1, EXIT_NO_FILE2}));
}

// True when got is want with one stretch cut out of it, but for the byte
// (CR LF for an LF) that the failed put leaves where the cut is: a failed
// write-out loses the bytes it held and the rest of the formatted write.
bool want_with_a_cut(const std::string& got, const std::string& want) {
  if (got.size() >= want.size()) return false;
  size_t head = 0;
  while (head < got.size() && got[head] == want[head]) ++head;
  size_t tail = 0;
  while (tail < got.size() - head &&
         got[got.size() - 1 - tail] == want[want.size() - 1 - tail]) {
    ++tail;
  }
  return got.size() - head - tail <= 2;
}

// A write that fails, or that the system takes only in part, costs the
// bytes of that write-out; the status stays 0 and later writes go on.
TEST_F(FaultTest, EveryWrite) {
  std::string f1, f2;
  for (int i = 0; i < 6000; ++i) {
    f1 += "a line of file one, number " + std::to_string(i) + "\r\n";
    f2 += "A LINE OF FILE ONE, NUMBER " + std::to_string(i * 3) + "\r\n";
  }
  write_file(dir_.file("f1"), f1);
  write_file(dir_.file("f2"), f2);
  Outcome clean = run_in(dir_, {0, 0, 0, 0});
  ASSERT_EQ(clean.status, 0);
  int64_t writes = clean.writes;
  ASSERT_GT(writes, 6);
  std::printf("failing each of %ld writes in turn, whole and in part\n",
              writes);
  for (int64_t n = 1; n <= writes; ++n) {
    for (bool part : {false, true}) {
      Outcome o =
          run_in(dir_, part ? FaultPlan{0, 0, 0, n} : FaultPlan{0, 0, n, 0});
      EXPECT_EQ(o.status, 0);
      int cut = 0;
      const std::string* pairs[][2] = {{&o.out, &clean.out},
                                       {&o.unique1, &clean.unique1},
                                       {&o.unique2, &clean.unique2},
                                       {&o.common, &clean.common}};
      for (auto& pair : pairs) {
        if (*pair[0] == *pair[1]) continue;
        ++cut;
        EXPECT_TRUE(want_with_a_cut(*pair[0], *pair[1]))
            << "write " << n << (part ? " in part" : " failed");
      }
      EXPECT_EQ(cut, 1) << "write " << n << (part ? " in part" : " failed");
    }
  }
}

// A read that fails at the start of a line ends that file's list there:
// the run goes on as if the file ended at that line.
TEST_F(FaultTest, ReadFailureEndsTheList) {
  // Lines of 64 bytes, so that every read of a file ends at a line end.
  const std::string rest = std::string(61, 'r') + "\r\n";
  std::string f1, f2;
  for (int i = 0; i < 3000; ++i) {
    f1 += static_cast<char>('0' + i % 10);
    f1 += rest;
  }
  for (char c : {'2', '9'}) {
    f2 += c;
    f2 += rest;
  }
  write_file(dir_.file("f1"), f1);
  write_file(dir_.file("f2"), f2);
  Outcome clean = run_in(dir_, {0, 0, 0, 0});
  ASSERT_EQ(clean.status, 0);

  const int64_t lines_per_read = kFillBytes / 64;
  Outcome failed = run_in(dir_, {0, 2, 0, 0});  // file1's second read

  write_file(dir_.file("f1"), f1.substr(0, lines_per_read * 64));
  Outcome truncated = run_in(dir_, {0, 0, 0, 0});
  EXPECT_EQ(failed.status, 0);
  EXPECT_NE(truncated.unique1, clean.unique1);
  expect_same(failed, truncated, 2);
}

}  // namespace
