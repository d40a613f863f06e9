// POSIX implementation of the platform interface.

#include "textio/platform.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>

namespace {

const uintptr_t kHugePage = uintptr_t{2} << 20;
const size_t kHugeRegion = size_t{4} << 20;

FaultPlan g_faults = {0, 0, 0, 0};
int64_t g_alloc_calls = 0;
int64_t g_read_calls = 0;
int64_t g_write_calls = 0;
int64_t g_live_blocks = 0;

bool stdout_known = false;
FileKind stdout_kind = kFileNone;

FileKind kind_of(int fd) {
  struct stat st;
  if (fstat(fd, &st) != 0) return kFileNone;
  if (S_ISREG(st.st_mode) || S_ISBLK(st.st_mode)) return kFileDisk;
  if (S_ISCHR(st.st_mode)) return kFileCharDevice;
  if (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode)) return kFilePipe;
  return kFileNone;
}

int open_checked(const char* name, int flags, FileKind* kind) {
  int fd;
  do {
    fd = open(name, flags | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return -1;
  *kind = kind_of(fd);
  if (*kind == kFileNone) {
    close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

void* os_zalloc(size_t size) {
  ++g_alloc_calls;
  if (g_faults.fail_alloc_at != 0 && g_alloc_calls == g_faults.fail_alloc_at)
    return nullptr;
  void* block = std::calloc(1, size == 0 ? 1 : size);
  if (block == nullptr) return nullptr;
  ++g_live_blocks;
  if (size >= kHugeRegion) {
    // Large blocks (line storage, hash tables) are walked at random: ask for
    // huge pages, which spare most page faults and TLB misses. Only a hint.
    uintptr_t from =
        (reinterpret_cast<uintptr_t>(block) + kHugePage - 1) & ~(kHugePage - 1);
    uintptr_t to =
        (reinterpret_cast<uintptr_t>(block) + size) & ~(kHugePage - 1);
    if (to > from) {
      madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
    }
  }
  return block;
}

void os_free(void* block) {
  if (block == nullptr) return;
  --g_live_blocks;
  std::free(block);
}

int os_open_read(const char* name, FileKind* kind) {
  return open_checked(name, O_RDONLY, kind);
}

int os_create(const char* name, FileKind* kind) {
  return open_checked(name, O_WRONLY | O_CREAT | O_TRUNC, kind);
}

int64_t os_read(int fd, void* buffer, size_t size) {
  ++g_read_calls;
  if (g_faults.fail_read_at != 0 && g_read_calls == g_faults.fail_read_at)
    return -1;
  ssize_t got;
  do {
    got = read(fd, buffer, size);
  } while (got < 0 && errno == EINTR);
  return got < 0 ? -1 : got;
}

int64_t os_write(int fd, const void* buffer, size_t size) {
  ++g_write_calls;
  if (g_faults.fail_write_at != 0 && g_write_calls == g_faults.fail_write_at)
    return 0;
  size_t want = size;
  if (g_faults.short_write_at != 0 && g_write_calls == g_faults.short_write_at)
    want = size / 2;
  const char* bytes = static_cast<const char*>(buffer);
  size_t done = 0;
  while (done < want) {
    ssize_t put = write(fd, bytes + done, want - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) break;  // an error, or a device that takes nothing
    done += static_cast<size_t>(put);
  }
  return static_cast<int64_t>(done);
}

bool os_step_back(int fd) { return lseek(fd, -1, SEEK_CUR) >= 0; }

int os_close(int fd) {
  // Retrying close after EINTR may close a descriptor reused meanwhile;
  // Linux has released it in every case.
  return close(fd) == 0 ? 0 : -1;
}

int os_stdout_fd() { return STDOUT_FILENO; }

FileKind os_stdout_kind() {
  if (!stdout_known) {
    stdout_kind = kind_of(STDOUT_FILENO);
    stdout_known = true;
  }
  return stdout_kind;
}

void os_start_process() {
  signal(SIGPIPE, SIG_IGN);
  os_stdout_kind();
}

uint64_t os_random_seed() {
  uint64_t seed = 0;
  if (getrandom(&seed, sizeof seed, GRND_NONBLOCK) == sizeof seed) return seed;
  struct timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<uint64_t>(now.tv_nsec) ^
         (static_cast<uint64_t>(now.tv_sec) << 20) ^
         (static_cast<uint64_t>(getpid()) << 40);
}

void os_set_faults(const FaultPlan& plan) {
  g_faults = plan;
  g_alloc_calls = 0;
  g_read_calls = 0;
  g_write_calls = 0;
}

int64_t os_alloc_calls() { return g_alloc_calls; }
int64_t os_write_calls() { return g_write_calls; }
int64_t os_live_blocks() { return g_live_blocks; }
