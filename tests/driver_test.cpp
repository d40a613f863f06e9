// End-to-end tests: the built setsieve binary run in a scratch directory.

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

#include "gtest/gtest.h"
#include "test_support.h"

namespace {

const std::string kUsage =
    "USAGE :: setsieve file1 file2\n"
    "\n"
    " file1 : Text file - input - filename\n"
    " file2 : Text file - input - filename\n"
    "\n"
    " Creates : unique1 - Text file - output - lines unique to file1\n"
    "           unique2 - Text file - output - lines unique to file2\n"
    "           common  - Text file - output - lines common to file1 and "
    "file2\n"
    "\n"
    " setsieve - SET SIEVE.  Intersection as in the intersection of 2 sets\n";

const std::string kBanner =
    "\nSETSIEVE for WinNT, Win95 & WFW DOS Windows, and MS-DOS\n"
    "Written by the setsieve developers, free under the MIT licence\n"
    "07 Dec. 1996 - V1R0\n";

std::string common_header(const std::string& n1, const std::string& n2) {
  return dos("Lines common to both " + n1 + " and " + n2 +
             "\n1st line in set is from " + n1 +
             "\n2nd lines on in set are matching lines from " + n2 +
             "\nSets are delineated by blank lines\n");
}

const char* const kReports[] = {"unique1", "unique2", "common"};

class DriverTest : public ::testing::Test {
 protected:
  std::string at(const std::string& name) const { return dir_.file(name); }
  RunResult run(const std::vector<std::string>& args) {
    return run_setsieve(dir_.path(), args);
  }
  ScratchDir dir_;
};

TEST_F(DriverTest, FewerThanTwoNamesPrintUsage) {
  const std::vector<std::string> arg_lists[] = {{}, {"only"}};
  write_file(at("only"), "x\n");
  for (const auto& args : arg_lists) {
    RunResult r = run(args);
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.output, dos(kUsage + kBanner));
    for (const char* report : kReports) EXPECT_FALSE(file_exists(at(report)));
  }
}

TEST_F(DriverTest, TwoEmptyFilesGiveHeadersOnly) {
  write_file(at("a"), "");
  write_file(at("b"), "");
  RunResult r = run({"a", "b"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.output, dos(stats(16, 0, "a") + stats(16, 0, "b") + kBanner));
  EXPECT_EQ(read_file(at("unique1")), unique_header("a"));
  EXPECT_EQ(read_file(at("unique2")), unique_header("b"));
  EXPECT_EQ(read_file(at("common")), common_header("a", "b"));
}

TEST_F(DriverTest, NamesAreUsedExactlyAsGiven) {
  const std::string n1 = "with blank %s %ld";
  const std::string n2 = "100% sure";
  write_file(at(n1), "a\r\nbc\r\n");
  write_file(at(n2), "");
  RunResult r = run({n1, n2, "ignored", "also ignored"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.output, dos(stats(55, 2, n1) + stats(16, 0, n2) + kBanner));
  EXPECT_EQ(read_file(at("unique2")), unique_header(n2));
  EXPECT_EQ(read_file(at("common")), common_header(n1, n2));
}

TEST_F(DriverTest, ExistingReportsAreEmptiedBeforeInputsAreRead) {
  write_file(at("common"), "old report\r\n");
  write_file(at("b"), "x\n");
  RunResult r = run({"common", "b"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.output,
            dos(stats(16, 0, "common") + stats(35, 1, "b") + kBanner));
  EXPECT_EQ(read_file(at("common")), common_header("common", "b"));
}

TEST_F(DriverTest, WorkedExampleByteForByte) {
  write_file(at("file1"), dos("Apple\nbanana\n\nCherry\napple\ndate\n"));
  write_file(at("file2"), dos("APPLE\ncherry\n   \nfig\nApple\n"));
  RunResult r = run({"file1", "file2"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.output,
            dos(stats(16 * 7 + 7 + 8 + 2 + 8 + 7 + 6, 6, "file1") +
                stats(16 * 6 + 7 + 8 + 5 + 5 + 7, 5, "file2") + kBanner));
  EXPECT_EQ(read_file(at("unique1")),
            unique_header("file1") + dos("1\tbanana\n5\tdate\n"));
  EXPECT_EQ(read_file(at("unique2")), unique_header("file2") + dos("3\tfig\n"));
  EXPECT_EQ(read_file(at("common")),
            common_header("file1", "file2") +
                dos("\n0\tApple\n0\tAPPLE\n4\tApple\n"
                    "\n3\tCherry\n1\tcherry\n"
                    "\n4\tapple\n0\tAPPLE\n4\tApple\n"));
}

struct FailCase {
  const char* name;
  std::vector<const char*> dirs;  // names made directories before the run
  const char* file1;
  const char* file2;
  int status;
  std::vector<const char*> empty_reports;   // must exist with 0 bytes
  std::vector<const char*> absent_reports;  // must not be created
};

void PrintTo(const FailCase& c, std::ostream* os) { *os << c.name; }

class DriverFailTest : public DriverTest,
                       public ::testing::WithParamInterface<FailCase> {};

TEST_P(DriverFailTest, EndsWithItsStatus) {
  const FailCase& c = GetParam();
  for (const char* d : c.dirs) mkdir(at(d).c_str(), 0755);
  write_file(at("present"), "x\r\n");
  RunResult r = run({c.file1, c.file2});
  EXPECT_EQ(r.status, c.status);
  EXPECT_EQ(r.output, dos(kBanner));
  for (const char* report : c.empty_reports) {
    EXPECT_TRUE(file_exists(at(report))) << report;
    EXPECT_EQ(read_file(at(report)), "") << report;
  }
  for (const char* report : c.absent_reports) {
    EXPECT_FALSE(file_exists(at(report))) << report;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Statuses, DriverFailTest,
    ::testing::Values(FailCase{"NoUnique1",
                               {"unique1"},
                               "present",
                               "present",
                               252,
                               {},
                               {"unique2", "common"}},
                      FailCase{"NoUnique2",
                               {"unique2"},
                               "present",
                               "present",
                               251,
                               {"unique1"},
                               {"common"}},
                      FailCase{"NoCommon",
                               {"common"},
                               "present",
                               "present",
                               250,
                               {"unique1", "unique2"},
                               {}},
                      FailCase{"MissingFile1",
                               {},
                               "missing",
                               "present",
                               248,
                               {"unique1", "unique2", "common"},
                               {}},
                      FailCase{"DirectoryFile1",
                               {"sub"},
                               "sub",
                               "present",
                               248,
                               {"unique1", "unique2", "common"},
                               {}},
                      FailCase{"MissingFile2",
                               {},
                               "present",
                               "missing",
                               247,
                               {"unique1", "unique2", "common"},
                               {}},
                      FailCase{"DirectoryFile2",
                               {"sub"},
                               "present",
                               "sub",
                               247,
                               {"unique1", "unique2", "common"},
                               {}}),
    [](const ::testing::TestParamInfo<FailCase>& info) {
      return std::string(info.param.name);
    });

TEST_F(DriverTest, File2IsNotOpenedWhenFile1Fails) {
  // Opening a FIFO that has no writer would wait for ever.
  ASSERT_EQ(mkfifo(at("fifo").c_str(), 0600), 0);
  RunResult r = run({"missing", "fifo"});
  EXPECT_EQ(r.status, 248);
}

TEST_F(DriverTest, NoReportIsTouchedByAFailedCreation) {
  mkdir(at("unique2").c_str(), 0755);
  write_file(at("common"), "keep me");
  write_file(at("present"), "x\n");
  EXPECT_EQ(run({"present", "present"}).status, 251);
  EXPECT_EQ(read_file(at("common")), "keep me");
}

// Devices and pipes read like files: /dev/null as an empty file, a FIFO fed
// by another process to its end.
TEST_F(DriverTest, DeviceAndFifoInputs) {
  ASSERT_EQ(mkfifo(at("fifo").c_str(), 0600), 0);
  std::thread feeder([&] {
    FILE* f = fopen(at("fifo").c_str(), "wb");
    for (int i = 0; i < 20000; ++i) fprintf(f, "Line %d\r\n", i % 3);
    fclose(f);
  });
  RunResult r = run({"/dev/null", "fifo"});
  feeder.join();
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.output,
            dos(stats(16, 0, "/dev/null") +
                stats(16 * 20001 + 8 * 20000, 20000, "fifo") + kBanner));
  const std::string head =
      unique_header("fifo") + dos("0\tLine 0\n1\tLine 1\n2\tLine 2\n");
  EXPECT_EQ(read_file(at("unique2")).substr(0, head.size()), head);
}

// Output that cannot be written changes neither the course nor the status.
TEST_F(DriverTest, UnwritableStandardOutputKeepsTheStatus) {
  write_file(at("a"), "x\n");
  EXPECT_EQ(run_setsieve(dir_.path(), {"a", "a"}, "/dev/full").status, 0);
  EXPECT_EQ(read_file(at("common")),
            common_header("a", "a") + dos("\n0\tx\n0\tx\n"));

  // A pipe whose reader has gone, and no standard output at all (then the
  // first report takes descriptor 1, and must not receive console text).
  for (bool closed : {false, true}) {
    write_file(at("common"), "");
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    close(fds[0]);  // the reader has gone before anything is written
    pid_t pid = fork();
    if (pid == 0) {
      if (closed) {
        close(1);
      } else {
        dup2(fds[1], 1);
      }
      if (chdir(dir_.path().c_str()) != 0) _exit(127);
      execl(SETSIEVE_BIN, SETSIEVE_BIN, "a", "a", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    ASSERT_TRUE(WIFEXITED(wstatus)) << closed;
    EXPECT_EQ(WEXITSTATUS(wstatus), 0) << closed;
    EXPECT_EQ(read_file(at("unique1")), unique_header("a")) << closed;
    EXPECT_EQ(read_file(at("common")),
              common_header("a", "a") + dos("\n0\tx\n0\tx\n"))
        << closed;
  }
}

}  // namespace
