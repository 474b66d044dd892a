// Support of the core tests. See core_test_support.h.
#include "zip/core_test_support.h"

#include <cerrno>

namespace riviza::zip::coretest {

namespace {
int gInjectedErrno = 0;
platform::SysCalls failingWrites(int err) {
  gInjectedErrno = err;
  platform::SysCalls calls = platform::realSysCalls();
  calls.write = [](int, const void*, size_t) -> ssize_t {
    errno = gInjectedErrno;
    return -1;
  };
  return calls;
}
}  // namespace

ScopedWriteFailure::ScopedWriteFailure(int err) : scope_(failingWrites(err)) {}

}  // namespace riviza::zip::coretest
