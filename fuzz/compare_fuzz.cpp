// Fuzz target: the input is split into two files, both are loaded, matched
// and written as reports, once through the index and once by the plain
// nested scan. The reports must be identical byte for byte, and both line
// lists must keep their invariants and their counts.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "line_list.h"
#include "matching.h"
#include "textio/text_writer.h"

namespace {

std::string dir_path() {
  static std::string path;
  if (path.empty()) {
    char dir[] = "/tmp/setsieve-fuzz-XXXXXX";
    if (mkdtemp(dir) == nullptr) abort();
    path = dir;
  }
  return path;
}

void write_bytes(const std::string& path, const uint8_t* data, size_t size) {
  FILE* f = fopen(path.c_str(), "wb");
  if (f == nullptr) abort();
  fwrite(data, 1, size, f);
  fclose(f);
}

std::string read_bytes(const std::string& path) {
  std::string all;
  FILE* f = fopen(path.c_str(), "rb");
  if (f == nullptr) abort();
  char buf[4096];
  size_t got;
  while ((got = fread(buf, 1, sizeof buf, f)) > 0) all.append(buf, got);
  fclose(f);
  return all;
}

LineList load_checked(const std::string& path) {
  int64_t bytes_used = -1, line_count = -1;
  LineList list = load_lines(path.c_str(), &bytes_used, &line_count);
  if (list == nullptr) abort();
  int64_t lines = 0, bytes = 16;
  LineRec* r = list;
  for (; r->next_rec != nullptr; r = r->next_rec) {
    if (r->line_no != lines || r->matched != 0 || r->line_text == nullptr) {
      abort();
    }
    if (std::strlen(r->line_text) > static_cast<size_t>(kLineCapacity - 1)) {
      abort();
    }
    bytes += 16 + static_cast<int64_t>(std::strlen(r->line_text)) + 1;
    ++lines;
  }
  if (r->line_text != nullptr || r->line_no != 0 || r->matched != 0) abort();
  if (lines != line_count || bytes != bytes_used) abort();
  return list;
}

// Runs both passes with the given first pass; gives the three reports.
std::string reports(const std::string& dir, bool indexed) {
  LineList list1 = load_checked(dir + "/f1");
  LineList list2 = load_checked(dir + "/f2");
  TextWriter* u1 = create_writer((dir + "/u1").c_str());
  TextWriter* u2 = create_writer((dir + "/u2").c_str());
  TextWriter* co = create_writer((dir + "/co").c_str());
  if (u1 == nullptr || u2 == nullptr || co == nullptr) abort();
  if (indexed) {
    write_sets(list1, list2, u1, u2, co);
  } else {
    match_by_scan(list1, list2, u1, co);
    write_unmatched(list2, u2);
  }
  close_writer(u1);
  close_writer(u2);
  close_writer(co);
  free_lines(list1);
  free_lines(list2);
  return read_bytes(dir + "/u1") + '\0' + read_bytes(dir + "/u2") + '\0' +
         read_bytes(dir + "/co");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  size_t split = (data[0] | (static_cast<size_t>(data[1]) << 8)) % (size - 1);
  const std::string dir = dir_path();
  write_bytes(dir + "/f1", data + 2, split);
  write_bytes(dir + "/f2", data + 2 + split, size - 2 - split);
  if (reports(dir, true) != reports(dir, false)) abort();
  return 0;
}
