// Reading DOS text files line by line: a CR LF pair arrives as one LF, a
// Ctrl-Z byte (0x1A) ends the text, every other byte passes unchanged.

#ifndef SETSIEVE_TEXTIO_TEXT_READER_H_
#define SETSIEVE_TEXTIO_TEXT_READER_H_

#include <cstdint>

struct TextReader;

// How many bytes one read asks of the system: 64 KiB from a file or a pipe,
// 4 KiB from a device. On a device a Ctrl-Z ends only the read it stands
// in; in a file or a pipe it ends the text, whatever the size of a read.
const int64_t kFillBytes = 65536;
const int64_t kDeviceFillBytes = 4096;

// Opens an existing file for reading. Gives nullptr when the system refuses
// the name, or the name is a directory or a file of unknown kind.
TextReader* open_reader(const char* name);

// Stores the next line in buffer: at most capacity-1 bytes, up to and
// including its LF when one comes first, followed by a NUL. Gives buffer, or
// nullptr (buffer untouched) when the text has ended before any byte of a
// new line was read, or when capacity is less than 1. A line longer than
// capacity-1 bytes comes in pieces; NUL bytes are stored like any other.
char* fetch_line(TextReader* reader, char* buffer, int32_t capacity);

// Releases the reader. Gives 0, or -1 when the system's close failed; the
// reader is gone in either case.
int close_reader(TextReader* reader);

#endif  // SETSIEVE_TEXTIO_TEXT_READER_H_
