// Fuzz target: any bytes, read through a real file with fetch_line at
// several capacities, must give exactly the lines of a plain whole-buffer
// translation: the text ends at the first Ctrl-Z, CR LF becomes LF, every
// other byte (NUL and lone CR included) passes, and a line longer than
// capacity-1 bytes comes in pieces of that many bytes.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "textio/text_reader.h"

namespace {

std::string translate(const std::string& raw) {
  std::string text;
  for (size_t i = 0; i < raw.size(); ++i) {
    char c = raw[i];
    if (c == '\x1a') break;
    if (c == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
    text += c;
  }
  return text;
}

std::vector<std::string> split(const std::string& text, size_t capacity) {
  std::vector<std::string> lines;
  std::string line;
  for (char c : text) {
    line += c;
    if (c == '\n' || line.size() == capacity - 1) {
      lines.push_back(line);
      line.clear();
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

const std::string& scratch_file() {
  static std::string path;
  if (path.empty()) {
    char dir[] = "/tmp/setsieve-fuzz-XXXXXX";
    if (mkdtemp(dir) == nullptr) abort();
    path = std::string(dir) + "/in";
  }
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string raw(reinterpret_cast<const char*>(data), size);
  // Odd first bytes push the input across the first refill of the reader;
  // then small capacities would only cut the padding into many pieces.
  bool padded = size > 0 && (data[0] & 1) != 0;
  if (padded) {
    raw = std::string(static_cast<size_t>(kFillBytes) - 4, 'x') + raw;
  }
  const std::string& path = scratch_file();
  FILE* f = fopen(path.c_str(), "wb");
  if (f == nullptr) abort();
  fwrite(raw.data(), 1, raw.size(), f);
  fclose(f);

  std::string text = translate(raw);
  const std::vector<int> capacities =
      padded ? std::vector<int>{509, 2048} : std::vector<int>{2, 3, 17, 2048};
  for (int capacity : capacities) {
    std::vector<std::string> expected =
        split(text, static_cast<size_t>(capacity));
    TextReader* reader = open_reader(path.c_str());
    if (reader == nullptr) abort();
    std::vector<char> buffer(static_cast<size_t>(capacity) + 1);
    for (const std::string& line : expected) {
      std::memset(buffer.data(), 0x55, buffer.size());
      if (fetch_line(reader, buffer.data(), capacity) != buffer.data()) abort();
      if (std::memcmp(buffer.data(), line.data(), line.size()) != 0) abort();
      if (buffer[line.size()] != '\0') abort();
    }
    if (fetch_line(reader, buffer.data(), capacity) != nullptr) abort();
    if (close_reader(reader) != 0) abort();
  }
  return 0;
}
