// Test support: refused opens; see refused_opens.h.
#include "support/refused_opens.h"

#include <cerrno>
#include <string_view>

namespace riviza::test {
namespace {

std::vector<std::string> gEnds;

int refusingOpen(const char* path, int flags, mode_t mode) {
  for (const std::string& end : gEnds)
    if (!end.empty() && std::string_view(path).ends_with(end)) return errno = EACCES, -1;
  return platform::realSysCalls().open(path, flags, mode);
}

platform::SysCalls refusingTable(std::vector<std::string> ends) {
  gEnds = std::move(ends);
  platform::SysCalls calls = platform::sys();
  calls.open = refusingOpen;
  return calls;
}

}  // namespace

ScopedRefusedOpens::ScopedRefusedOpens(std::vector<std::string> pathEnds)
    : calls_(refusingTable(std::move(pathEnds))) {}

ScopedRefusedOpens::~ScopedRefusedOpens() { gEnds.clear(); }

}  // namespace riviza::test
