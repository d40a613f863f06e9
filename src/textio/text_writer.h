// Writing DOS text: formatted writes gather in a buffer, and each LF goes
// out as CR LF when the buffer is written out. standard_output is
// the writer of the process's standard output and carries all console text.

#ifndef SETSIEVE_TEXTIO_TEXT_WRITER_H_
#define SETSIEVE_TEXTIO_TEXT_WRITER_H_

#include <cstdint>

struct TextWriter;

// How many bytes a writer gathers before it writes them out: a file made by
// create_writer 64 KiB, standard output 4 KiB. A write-out that fails loses
// what it held, apart from the bytes that the system took.
const int64_t kWriterGatherBytes = 65536;
const int64_t kStdoutGatherBytes = 4096;

// The process's standard output; set up at start, never closed. On a
// terminal every formatted write shows at once; otherwise it is written out
// when kStdoutGatherBytes have gathered and by flush_all_writers.
extern TextWriter* const standard_output;

// Creates the file, or empties an existing one, for writing. Gives nullptr
// when the system refuses the name or the file is of unknown kind.
TextWriter* create_writer(const char* name);

// Puts format, with %s (a NUL-terminated string) and %ld (an int64_t in
// decimal) filled in, and %% as one %. Gives the number of bytes put (LF
// counted once), or a negative number when a write-out failed; then the rest
// of this write is dropped, and the writer stays usable.
int64_t write_formatted(TextWriter* writer, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

// Writes out what is gathered, releases the writer and closes its file.
// Gives 0, or -1 when the write-out or the close failed.
int close_writer(TextWriter* writer);

// Writes out the gathered bytes of every writer still open, standard output
// included. Run at the normal end of the process.
void flush_all_writers();

#endif  // SETSIEVE_TEXTIO_TEXT_WRITER_H_
