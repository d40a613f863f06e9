// The one narrow interface between setsieve and the operating system:
// zero-filled memory, files by name, standard output, and the kind of an
// open file. Everything above this file is portable C++.
//
// It also carries the test seams that make the n-th allocation, read or
// write fail, so that tests can show what every failure leaves behind.

#ifndef SETSIEVE_TEXTIO_PLATFORM_H_
#define SETSIEVE_TEXTIO_PLATFORM_H_

#include <cstddef>
#include <cstdint>

// What the system says an open file is. kFileNone: it cannot tell, or the
// file is something the streams do not handle (a directory).
enum FileKind { kFileNone = 0, kFileDisk, kFileCharDevice, kFilePipe };

// Zero-filled memory; nullptr when none can be had. Never throws.
void* os_zalloc(size_t size);
// Releases what os_zalloc gave; nullptr is ignored.
void os_free(void* block);

// Opens an existing file read-only. Returns a descriptor, or -1 when the
// system refuses the name or the file is of no kind that the streams handle.
int os_open_read(const char* name, FileKind* kind);
// Creates a file, or empties an existing one, write-only, mode 0666 before
// the umask. Returns a descriptor or -1, as os_open_read.
int os_create(const char* name, FileKind* kind);
// Reads up to size bytes. Returns the count, 0 at the end of the file or of
// a pipe's text, or -1 when the read failed.
int64_t os_read(int fd, void* buffer, size_t size);
// Writes size bytes. Returns how many the system took: fewer than size
// means the write failed there (an error, or a device that took nothing).
int64_t os_write(int fd, const void* buffer, size_t size);
// Moves the position of a disk file back by one byte.
bool os_step_back(int fd);
// Returns 0, or -1 when the system's close failed.
int os_close(int fd);

// Standard output: its descriptor, and its kind as seen at the first call
// (kFileNone when the process has no usable standard output).
int os_stdout_fd();
FileKind os_stdout_kind();

// Process start: a write to a pipe whose reader has gone must fail like any
// other write instead of ending the process.
void os_start_process();

// A seed for hashing that differs from run to run.
uint64_t os_random_seed();

// Test seams. Each trigger counts the calls made since it was armed, from
// 1; the call whose number equals the trigger fails (0 disarms). A short
// write takes half of its bytes (at least one fewer than asked) and fails.
struct FaultPlan {
  int64_t fail_alloc_at;
  int64_t fail_read_at;
  int64_t fail_write_at;
  int64_t short_write_at;
};
void os_set_faults(const FaultPlan& plan);
// Calls made since the last os_set_faults, and blocks not yet freed.
int64_t os_alloc_calls();
int64_t os_write_calls();
int64_t os_live_blocks();

#endif  // SETSIEVE_TEXTIO_PLATFORM_H_
