// Named mutexes as advisory file locks (platform layer).
//
// A named mutex of the Windows program becomes an flock() on a file named after it in the user's
// runtime folder ($XDG_RUNTIME_DIR/riviza-locks, else /tmp/riviza-locks-<uid>). Creating it
// takes the lock at once ("initially owned"); when another process holds it, creation reports
// AlreadyExists. The lock is released when the object dies or the process ends, however it ends.
#pragma once

#include <string>
#include <string_view>

#include "platform/result.h"

namespace riviza::platform {

class NamedMutex {
 public:
  static constexpr int kAlreadyExists = 183;  // ERROR_ALREADY_EXISTS

  // Creates and owns the mutex; Error with code kAlreadyExists when another process holds it.
  static Result<NamedMutex> create(std::string_view name);
  // The folder the lock files live in (created on demand).
  static std::string lockFolder();

  NamedMutex() = default;
  ~NamedMutex();
  NamedMutex(NamedMutex&& other) noexcept;
  NamedMutex& operator=(NamedMutex&& other) noexcept;
  NamedMutex(const NamedMutex&) = delete;
  NamedMutex& operator=(const NamedMutex&) = delete;

  bool held() const { return fd_ >= 0; }
  void release();

 private:
  explicit NamedMutex(int fd) : fd_(fd) {}
  int fd_ = -1;
};

}  // namespace riviza::platform
