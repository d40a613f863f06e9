#include "textio/text_writer.h"

#include <cstdarg>
#include <cstring>

#include "textio/platform.h"

namespace {

const unsigned char kCR = 0x0D;
const unsigned char kLF = 0x0A;

}  // namespace

struct TextWriter {
  int fd;  // -1: no usable file; every write-out fails
  FileKind kind;
  unsigned char* buffer;  // gathered bytes, then room for their translation;
                          // tiny when no memory was had
  int64_t capacity;       // of the gathered part
  int64_t count;
  bool is_standard_output;
  TextWriter* prev_open;  // the chain of open writers, for flush_all_writers
  TextWriter* next_open;
  unsigned char tiny[1];
};

namespace {

TextWriter stdout_writer = {-2,   kFileNone, nullptr, 0,  0,
                            true, nullptr,   nullptr, {0}};
TextWriter* open_writers = nullptr;

void set_up_standard_output() {
  if (stdout_writer.fd != -2) return;
  stdout_writer.kind = os_stdout_kind();
  stdout_writer.fd = stdout_writer.kind == kFileNone ? -1 : os_stdout_fd();
}

void ensure_buffer(TextWriter* w) {
  if (w->buffer != nullptr) return;
  int64_t size =
      w->is_standard_output ? kStdoutGatherBytes : kWriterGatherBytes;
  w->buffer = static_cast<unsigned char*>(os_zalloc(3 * size));
  w->capacity = size;
  if (w->buffer == nullptr) {
    w->buffer = w->tiny;
    w->capacity = 1;
  }
}

// Hands the gathered bytes to the system, each LF as CR LF, and empties the
// buffer. Gives false when the system did not take every byte.
bool write_out(TextWriter* w) {
  if (w->count == 0) return true;
  unsigned char tiny_out[2];
  unsigned char* out =
      w->buffer == w->tiny ? tiny_out : w->buffer + w->capacity;
  int64_t n = 0;
  const unsigned char* from = w->buffer;
  const unsigned char* end = w->buffer + w->count;
  while (from < end) {
    const void* lf = std::memchr(from, kLF, static_cast<size_t>(end - from));
    const unsigned char* stop =
        lf == nullptr ? end : static_cast<const unsigned char*>(lf);
    std::memcpy(out + n, from, static_cast<size_t>(stop - from));
    n += stop - from;
    from = stop;
    if (lf != nullptr) {
      out[n++] = kCR;
      out[n++] = kLF;
      ++from;
    }
  }
  w->count = 0;
  if (w->fd < 0) return false;
  return os_write(w->fd, out, static_cast<size_t>(n)) == n;
}

// put, when the bytes do not fit the buffer as it is.
bool put_slow(TextWriter* w, const char* bytes, int64_t n) {
  ensure_buffer(w);
  while (n > 0) {
    if (w->count == w->capacity && !write_out(w)) {
      w->buffer[w->count++] = static_cast<unsigned char>(*bytes);
      return false;
    }
    int64_t room = w->capacity - w->count;
    int64_t chunk = n < room ? n : room;
    std::memcpy(w->buffer + w->count, bytes, static_cast<size_t>(chunk));
    w->count += chunk;
    bytes += chunk;
    n -= chunk;
  }
  return true;
}

// Puts n bytes. Gives false when a write-out failed: the byte being put
// then starts the emptied buffer and the rest is dropped.
inline bool put(TextWriter* w, const char* bytes, int64_t n) {
  if (w->buffer != nullptr && w->capacity - w->count >= n) {
    std::memcpy(w->buffer + w->count, bytes, static_cast<size_t>(n));
    w->count += n;
    return true;
  }
  return put_slow(w, bytes, n);
}

// Writes value in decimal into digits (room for 20 characters); gives the
// number of characters.
int64_t format_decimal(int64_t value, char* digits) {
  char reversed[20];
  int64_t n = 0;
  // Work on the negative magnitude so that INT64_MIN needs no special case.
  int64_t rest = value < 0 ? value : -value;
  do {
    reversed[n++] = static_cast<char>('0' - rest % 10);
    rest /= 10;
  } while (rest != 0);
  int64_t len = 0;
  if (value < 0) digits[len++] = '-';
  while (n > 0) digits[len++] = reversed[--n];
  return len;
}

}  // namespace

TextWriter* const standard_output = &stdout_writer;

TextWriter* create_writer(const char* name) {
  // Memory first: a writer that cannot be had leaves no file behind.
  TextWriter* w = static_cast<TextWriter*>(os_zalloc(sizeof(TextWriter)));
  if (w == nullptr) return nullptr;
  FileKind kind = kFileNone;
  int fd = os_create(name, &kind);
  if (fd < 0) {
    os_free(w);
    return nullptr;
  }
  w->fd = fd;
  w->kind = kind;
  w->next_open = open_writers;
  if (open_writers != nullptr) open_writers->prev_open = w;
  open_writers = w;
  return w;
}

int64_t write_formatted(TextWriter* writer, const char* format, ...) {
  if (writer->is_standard_output) set_up_standard_output();
  va_list args;
  va_start(args, format);
  int64_t total = 0;
  bool ok = true;
  const char* p = format;
  while (ok && *p != '\0') {
    int64_t literal = 0;
    while (p[literal] != '%' && p[literal] != '\0') ++literal;
    if (literal > 0) {
      ok = put(writer, p, literal);
      total += literal;
      p += literal;
      continue;
    }
    if (p[1] == 's') {
      const char* text = va_arg(args, const char*);
      int64_t len = static_cast<int64_t>(std::strlen(text));
      ok = put(writer, text, len);
      total += len;
      p += 2;
    } else if (p[1] == 'l' && p[2] == 'd') {
      char digits[24];
      int64_t len = format_decimal(va_arg(args, int64_t), digits);
      ok = put(writer, digits, len);
      total += len;
      p += 3;
    } else {
      // "%%" puts one %; a % that starts no known conversion stands as it is.
      ok = put(writer, "%", 1);
      total += 1;
      p += p[1] == '%' ? 2 : 1;
    }
  }
  va_end(args);
  if (writer->is_standard_output && writer->kind == kFileCharDevice) {
    write_out(writer);
  }
  return ok ? total : -1;
}

int close_writer(TextWriter* writer) {
  bool ok = write_out(writer);
  if (writer->prev_open != nullptr) {
    writer->prev_open->next_open = writer->next_open;
  } else {
    open_writers = writer->next_open;
  }
  if (writer->next_open != nullptr) {
    writer->next_open->prev_open = writer->prev_open;
  }
  if (os_close(writer->fd) != 0) ok = false;
  if (writer->buffer != writer->tiny) os_free(writer->buffer);
  os_free(writer);
  return ok ? 0 : -1;
}

void flush_all_writers() {
  for (TextWriter* w = open_writers; w != nullptr; w = w->next_open) {
    write_out(w);
  }
  write_out(standard_output);
}
