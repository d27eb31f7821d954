// Makes one chosen file-system call fail, for the fault-injection sweeps:
// loaded with LD_PRELOAD into a program under test, it counts the calls
// open, openat, write, pwrite, fsync, fdatasync, rename, renameat,
// ftruncate and close that touch files under ORBEK_FAULT_PREFIX (by path,
// or by a descriptor opened there), and makes the ORBEK_FAULT_AT-th of them
// and the ORBEK_FAULT_COUNT - 1 after it (0: all after it) fail with
// ORBEK_FAULT_ERRNO (ENOSPC or EIO). ORBEK_FAULT_REPORT names a file that
// gets the number of counted calls at exit, so a sweep knows how far to go.
// With ORBEK_FAULT_KILL set, the chosen call kills the process instead, as
// a crash or a power cut there would.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdarg.h>
#include <stdatomic.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>
#include <unistd.h>

enum { kMostDescriptors = 65536 };

static const char* prefix;
static size_t prefixLength;
static long failAt, failCount = 1;
static int failWith = ENOSPC;
static atomic_long calls;
static atomic_char watched[kMostDescriptors];
static int tracing, killing;

__attribute__((constructor)) static void Configure(void) {
  prefix = getenv("ORBEK_FAULT_PREFIX");
  prefixLength = prefix ? strlen(prefix) : 0;
  const char* at = getenv("ORBEK_FAULT_AT");
  failAt = at ? atol(at) : 0;
  const char* count = getenv("ORBEK_FAULT_COUNT");
  if (count) failCount = atol(count);
  const char* error = getenv("ORBEK_FAULT_ERRNO");
  if (error && strcmp(error, "EIO") == 0) failWith = EIO;
  tracing = getenv("ORBEK_FAULT_TRACE") != NULL;
  killing = getenv("ORBEK_FAULT_KILL") != NULL;
}

static void* Real(const char* name) {
  return dlsym(RTLD_NEXT, name);
}

__attribute__((destructor)) static void Report(void) {
  const char* report = getenv("ORBEK_FAULT_REPORT");
  if (!report) return;
  FILE* file = fopen(report, "w");
  if (!file) return;
  fprintf(file, "%ld\n", atomic_load(&calls));
  fclose(file);
}

static int Under(const char* path) {
  return prefix && path && strncmp(path, prefix, prefixLength) == 0;
}

static int Watched(int fd) {
  return fd >= 0 && fd < kMostDescriptors && atomic_load(&watched[fd]);
}

static void Watch(int fd, int on) {
  if (fd >= 0 && fd < kMostDescriptors) atomic_store(&watched[fd], (char)on);
}

// Counts a call that touches the files under test; true when it must fail.
static int Fails(int counted) {
  if (!counted) return 0;
  const long n = atomic_fetch_add(&calls, 1) + 1;
  if (tracing) fprintf(stderr, "fault shim: call %ld\n", n);
  if (killing && n == failAt) raise(SIGKILL);
  return failAt > 0 && n >= failAt && (failCount == 0 || n < failAt + failCount);
}

static mode_t ModeOf(int flags, va_list args) {
  return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? va_arg(args, mode_t) : 0;
}

static int OpenAt(int dirfd, const char* path, int flags, mode_t mode, const char* name) {
  if (Fails(Under(path))) {
    errno = failWith;
    return -1;
  }
  int (*real)(int, const char*, int, ...) = Real(name);
  const int fd = real(dirfd, path, flags, mode);
  Watch(fd, Under(path));
  return fd;
}

int open(const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = ModeOf(flags, args);
  va_end(args);
  return OpenAt(AT_FDCWD, path, flags, mode, "openat");
}

int open64(const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = ModeOf(flags, args);
  va_end(args);
  return OpenAt(AT_FDCWD, path, flags, mode, "openat64");
}

int openat(int dirfd, const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = ModeOf(flags, args);
  va_end(args);
  return OpenAt(dirfd, path, flags, mode, "openat");
}

int openat64(int dirfd, const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = ModeOf(flags, args);
  va_end(args);
  return OpenAt(dirfd, path, flags, mode, "openat64");
}

// The calls on a descriptor: the chosen one fails before it is made.
#define FAIL_ON(counted) \
  if (Fails(counted)) {  \
    errno = failWith;    \
    return -1;           \
  }

ssize_t write(int fd, const void* data, size_t size) {
  FAIL_ON(Watched(fd));
  ssize_t (*real)(int, const void*, size_t) = Real("write");
  return real(fd, data, size);
}

ssize_t pwrite(int fd, const void* data, size_t size, off_t offset) {
  FAIL_ON(Watched(fd));
  ssize_t (*real)(int, const void*, size_t, off_t) = Real("pwrite");
  return real(fd, data, size, offset);
}

ssize_t pwrite64(int fd, const void* data, size_t size, off_t offset) {
  FAIL_ON(Watched(fd));
  ssize_t (*real)(int, const void*, size_t, off_t) = Real("pwrite64");
  return real(fd, data, size, offset);
}

int fsync(int fd) {
  FAIL_ON(Watched(fd));
  int (*real)(int) = Real("fsync");
  return real(fd);
}

int fdatasync(int fd) {
  FAIL_ON(Watched(fd));
  int (*real)(int) = Real("fdatasync");
  return real(fd);
}

int ftruncate(int fd, off_t length) {
  FAIL_ON(Watched(fd));
  int (*real)(int, off_t) = Real("ftruncate");
  return real(fd, length);
}

int ftruncate64(int fd, off_t length) {
  FAIL_ON(Watched(fd));
  int (*real)(int, off_t) = Real("ftruncate64");
  return real(fd, length);
}

int rename(const char* from, const char* to) {
  FAIL_ON(Under(from) || Under(to));
  int (*real)(const char*, const char*) = Real("rename");
  return real(from, to);
}

int renameat(int fromDir, const char* from, int toDir, const char* to) {
  FAIL_ON(Under(from) || Under(to));
  int (*real)(int, const char*, int, const char*) = Real("renameat");
  return real(fromDir, from, toDir, to);
}

// A close that fails has closed the descriptor all the same, as the kernel's
// does; what it reports is that earlier writes may not have reached the disk.
int close(int fd) {
  const int counted = Watched(fd);
  Watch(fd, 0);
  int (*real)(int) = Real("close");
  const int result = real(fd);
  if (Fails(counted)) {
    errno = failWith;
    return -1;
  }
  return result;
}
