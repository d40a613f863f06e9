// Helpers shared by the tests: scratch directories, whole-file reads and
// writes, and running the built setsieve binary.

#ifndef SETSIEVE_TESTS_TEST_SUPPORT_H_
#define SETSIEVE_TESTS_TEST_SUPPORT_H_

#include <cstdint>
#include <string>
#include <vector>

// A fresh directory under the system's temp directory, removed with its
// contents when the object goes.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

void write_file(const std::string& path, const std::string& bytes);
std::string read_file(const std::string& path);
bool file_exists(const std::string& path);

// The DOS form of text: every LF preceded by CR.
std::string dos(const std::string& text);

// A statistics line as the tool prints it, before the DOS form.
std::string stats(int64_t bytes, int64_t lines, const std::string& name);

// The header of unique1 or unique2, as it stands in the file.
std::string unique_header(const std::string& name);

struct RunResult {
  int status;          // exit status, or -1 when the process did not exit
  std::string output;  // what it wrote to standard output (when not given)
};

// Runs the setsieve binary in dir with the given arguments (the program
// name is added), standard output to a file, standard input from
// /dev/null. stdout_path, when given, is opened instead as standard output.
RunResult run_setsieve(const std::string& dir,
                       const std::vector<std::string>& args,
                       const std::string& stdout_path = "");

// The lines that reading path with fetch_line at capacity gives, each up
// to its first NUL.
std::vector<std::string> fetch_all(const std::string& path, int capacity);

#endif  // SETSIEVE_TESTS_TEST_SUPPORT_H_
