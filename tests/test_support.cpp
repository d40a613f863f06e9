#include "test_support.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "textio/text_reader.h"

ScratchDir::ScratchDir() {
  std::string pattern =
      (std::filesystem::temp_directory_path() / "setsieve-XXXXXX").string();
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  if (mkdtemp(buf.data()) == nullptr) std::abort();
  path_ = buf.data();
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

void write_file(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

bool file_exists(const std::string& path) {
  return std::filesystem::exists(std::filesystem::symlink_status(path));
}

std::string dos(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

std::string stats(int64_t bytes, int64_t lines, const std::string& name) {
  return std::to_string(bytes) + " bytes used to handle " +
         std::to_string(lines) + " lines in " + name + "\n";
}

std::string unique_header(const std::string& name) {
  return dos("Lines unique to " + name + "\n\n");
}

RunResult run_setsieve(const std::string& dir,
                       const std::vector<std::string>& args,
                       const std::string& stdout_path) {
  std::string out_path = stdout_path.empty() ? dir + "/.stdout" : stdout_path;
  pid_t pid = fork();
  if (pid == 0) {
    int in = open("/dev/null", O_RDONLY);
    int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || chdir(dir.c_str()) != 0) _exit(127);
    dup2(in, 0);
    dup2(out, 1);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(SETSIEVE_BIN));
    for (const std::string& a : args)
      argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(SETSIEVE_BIN, argv.data());
    _exit(127);
  }
  int wstatus = 0;
  waitpid(pid, &wstatus, 0);
  RunResult result;
  result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
  if (stdout_path.empty()) {
    result.output = read_file(out_path);
    std::remove(out_path.c_str());
  }
  return result;
}

std::vector<std::string> fetch_all(const std::string& path, int capacity) {
  std::vector<std::string> lines;
  TextReader* reader = open_reader(path.c_str());
  if (reader == nullptr) return lines;
  std::vector<char> buffer(static_cast<size_t>(capacity));
  while (fetch_line(reader, buffer.data(), capacity) != nullptr) {
    lines.emplace_back(buffer.data());
  }
  close_reader(reader);
  return lines;
}
