// Support of the core tests: a scoped failure of every write for disk-full and short-write cases.
#pragma once

#include "platform/syscalls.h"

namespace riviza::zip::coretest {

// Every write through the platform's system-call table fails with errno `err` while it lives.
class ScopedWriteFailure {
 public:
  explicit ScopedWriteFailure(int err);

 private:
  platform::ScopedSysCalls scope_;
};

}  // namespace riviza::zip::coretest
