// The replaceable table of system calls under every file access of the platform layer.
//
// Production code calls through sys(); a test swaps the table with ScopedSysCalls to inject
// disk full, interrupted calls or short writes at one call site without touching the disk
// (the way SQLite's VFS syscall table is used by its tests). The table is process-wide and
// not thread-safe to swap: tests swap it while no other thread does I/O.
#pragma once

#include <sys/types.h>

namespace riviza::platform {

struct SysCalls {
  int (*open)(const char* path, int flags, mode_t mode);
  ssize_t (*read)(int fd, void* buf, size_t n);
  ssize_t (*write)(int fd, const void* buf, size_t n);
  ssize_t (*pread)(int fd, void* buf, size_t n, off_t at);
  ssize_t (*pwrite)(int fd, const void* buf, size_t n, off_t at);
  off_t (*lseek)(int fd, off_t at, int whence);
  int (*close)(int fd);
  int (*fsync)(int fd);
  int (*ftruncate)(int fd, off_t size);
  int (*rename)(const char* from, const char* to);
  int (*unlink)(const char* path);
};

// The table in use.
SysCalls& sys();
// The real calls.
const SysCalls& realSysCalls();

// Installs a table for the lifetime of the object and restores the previous one.
class ScopedSysCalls {
 public:
  explicit ScopedSysCalls(const SysCalls& replacement);
  ~ScopedSysCalls();
  ScopedSysCalls(const ScopedSysCalls&) = delete;
  ScopedSysCalls& operator=(const ScopedSysCalls&) = delete;

 private:
  SysCalls saved_;
};

}  // namespace riviza::platform
