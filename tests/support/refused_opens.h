// Test support: folders and files of another user. While a ScopedRefusedOpens lives, every open
// of the platform layer (a file's, or a folder's to list it) whose path ends in one of the given
// ends fails with EACCES; the tests run as root, which file modes do not stop.
#pragma once

#include <cerrno>
#include <string>
#include <string_view>
#include <vector>

#include "platform/syscalls.h"

namespace riviza::test {

class ScopedRefusedOpens {
 public:
  explicit ScopedRefusedOpens(std::vector<std::string> pathEnds) : calls_(table(std::move(pathEnds))) {}
  ~ScopedRefusedOpens() { ends().clear(); }

 private:
  static std::vector<std::string>& ends() {
    static std::vector<std::string> refused;
    return refused;
  }
  static platform::SysCalls table(std::vector<std::string> pathEnds) {
    ends() = std::move(pathEnds);
    platform::SysCalls calls = platform::sys();
    calls.open = [](const char* path, int flags, mode_t mode) {
      for (const std::string& end : ends())
        if (!end.empty() && std::string_view(path).ends_with(end)) return errno = EACCES, -1;
      return platform::realSysCalls().open(path, flags, mode);
    };
    return calls;
  }

  platform::ScopedSysCalls calls_;
};

}  // namespace riviza::test
