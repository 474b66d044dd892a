// Test support: folders and files of another user. While a ScopedRefusedOpens lives, every open
// (of a file or, for a listing, of a folder) whose path ends in one of the given ends fails with
// EACCES, as the file system of an installation refuses what belongs to someone else; the tests
// run as root, which file modes do not stop. It replaces the platform's system-call table, so it
// reaches every access of the platform layer and nothing else.
#pragma once

#include <string>
#include <vector>

#include "platform/syscalls.h"

namespace riviza::test {

class ScopedRefusedOpens {
 public:
  explicit ScopedRefusedOpens(std::vector<std::string> pathEnds);
  ~ScopedRefusedOpens();
  ScopedRefusedOpens(const ScopedRefusedOpens&) = delete;
  ScopedRefusedOpens& operator=(const ScopedRefusedOpens&) = delete;

 private:
  platform::ScopedSysCalls calls_;
};

}  // namespace riviza::test
