#include "textio/text_reader.h"

#include <cstring>

#include "textio/platform.h"

namespace {

const unsigned char kCR = 0x0D;
const unsigned char kLF = 0x0A;
const unsigned char kEndOfText = 0x1A;

}  // namespace

struct TextReader {
  int fd;
  FileKind kind;
  unsigned char* buffer;  // translated bytes; tiny when no memory was had
  int64_t capacity;
  int64_t pos;   // next byte to deliver
  int64_t left;  // bytes still to deliver
  bool text_ended;
  bool has_pending;  // a byte read ahead from a pipe or a device
  unsigned char pending;
  unsigned char tiny[1];
};

namespace {

// Reads one byte past a CR that ended a read, and decides what the CR
// becomes: true when it was the first half of a CR LF pair.
bool cr_pairs_with_next(TextReader* r) {
  unsigned char next = 0;
  if (os_read(r->fd, &next, 1) != 1) return false;
  if (next == kLF) return true;
  if (r->kind == kFileDisk) {
    os_step_back(r->fd);
  } else {
    r->pending = next;
    r->has_pending = true;
  }
  return false;
}

// Translates buffer[0, n) in place and gives the number of bytes delivered.
int64_t translate(TextReader* r, int64_t n) {
  unsigned char* b = r->buffer;
  int64_t limit = n;
  const void* eot = std::memchr(b, kEndOfText, static_cast<size_t>(n));
  if (eot != nullptr) {
    limit = static_cast<const unsigned char*>(eot) - b;
    if (r->kind != kFileCharDevice) r->text_ended = true;
  }
  const void* cr = std::memchr(b, kCR, static_cast<size_t>(limit));
  if (cr == nullptr) return limit;
  int64_t in = static_cast<const unsigned char*>(cr) - b;
  int64_t out = in;
  while (in < limit) {
    unsigned char c = b[in];
    if (c != kCR) {
      b[out++] = c;
      ++in;
    } else if (in + 1 < limit) {
      bool pair = b[in + 1] == kLF;
      b[out++] = pair ? kLF : kCR;
      in += pair ? 2 : 1;
    } else if (limit < n) {
      b[out++] = kCR;  // followed by the Ctrl-Z that ends the text
      ++in;
    } else {
      b[out++] = cr_pairs_with_next(r) ? kLF : kCR;
      ++in;
    }
  }
  return out;
}

// Fills the buffer anew. Gives the number of bytes delivered, 0 when the
// text has ended (for this call at least), or -1 when the read failed.
int64_t fill(TextReader* r) {
  r->pos = 0;
  r->left = 0;
  if (r->text_ended) return 0;
  if (r->buffer == nullptr) {
    int64_t size = r->kind == kFileCharDevice ? kDeviceFillBytes : kFillBytes;
    r->buffer = static_cast<unsigned char*>(os_zalloc(size));
    r->capacity = size;
    if (r->buffer == nullptr) {
      r->buffer = r->tiny;
      r->capacity = 1;
    }
  }
  int64_t n = 0;
  if (r->has_pending) {
    r->buffer[n++] = r->pending;
    r->has_pending = false;
  }
  if (n < r->capacity) {
    int64_t got =
        os_read(r->fd, r->buffer + n, static_cast<size_t>(r->capacity - n));
    if (got < 0 && n == 0) return -1;
    if (got > 0) n += got;
  }
  if (n == 0) return 0;
  r->left = translate(r, n);
  return r->left;
}

}  // namespace

TextReader* open_reader(const char* name) {
  TextReader* r = static_cast<TextReader*>(os_zalloc(sizeof(TextReader)));
  if (r == nullptr) return nullptr;
  FileKind kind = kFileNone;
  int fd = os_open_read(name, &kind);
  if (fd < 0) {
    os_free(r);
    return nullptr;
  }
  r->fd = fd;
  r->kind = kind;
  return r;
}

char* fetch_line(TextReader* reader, char* buffer, int32_t capacity) {
  if (capacity <= 0) return nullptr;
  int64_t room = capacity - 1;
  int64_t stored = 0;
  while (stored < room) {
    if (reader->left == 0 && fill(reader) <= 0) break;
    const unsigned char* from = reader->buffer + reader->pos;
    int64_t take = reader->left < room - stored ? reader->left : room - stored;
    const void* lf = std::memchr(from, kLF, static_cast<size_t>(take));
    if (lf != nullptr) take = static_cast<const unsigned char*>(lf) - from + 1;
    std::memcpy(buffer + stored, from, static_cast<size_t>(take));
    stored += take;
    reader->pos += take;
    reader->left -= take;
    if (lf != nullptr) break;
  }
  if (stored == 0 && capacity > 1) return nullptr;
  buffer[stored] = '\0';
  return buffer;
}

int close_reader(TextReader* reader) {
  int result = os_close(reader->fd);
  if (reader->buffer != reader->tiny) os_free(reader->buffer);
  os_free(reader);
  return result;
}
