#include "platform/mutex.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files.h"

namespace riviza::platform {

std::string NamedMutex::lockFolder() {
  std::string base;
  if (const char* rt = std::getenv("XDG_RUNTIME_DIR"); rt && *rt)
    base = std::string(rt) + "/riviza-locks";
  else
    base = "/tmp/riviza-locks-" + std::to_string(::getuid());
  ::mkdir(base.c_str(), 0700);
  return base;
}

Result<NamedMutex> NamedMutex::create(std::string_view name) {
  std::string safe;
  for (char c : name) safe += (c == '/' || c == '\\') ? '_' : c;
  std::string path = lockFolder() + "/" + safe + ".lock";
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return errnoError(errno, "Sperre anlegen", path);
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    int err = errno;
    ::close(fd);
    if (err == EWOULDBLOCK) return Error::make(kAlreadyExists, std::string(name) + " ist bereits vorhanden");
    return errnoError(err, "Sperre anlegen", path);
  }
  return NamedMutex(fd);
}

NamedMutex::~NamedMutex() { release(); }

NamedMutex::NamedMutex(NamedMutex&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }

NamedMutex& NamedMutex::operator=(NamedMutex&& other) noexcept {
  if (this != &other) {
    release();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

void NamedMutex::release() {
  if (fd_ >= 0) {
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
  }
}

}  // namespace riviza::platform
