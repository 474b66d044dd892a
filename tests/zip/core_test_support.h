// Support of the core tests: a small zip reader that finds the end record (and the zip64
// locator), walks the central directory with the record routines and locates each entry's data,
// enough to reach entries of real archives until the engine's own reader exists (not a reader to
// copy); and a scoped failure of every write for disk-full and short-write cases.
#pragma once

#include <string>
#include <vector>

#include "platform/syscalls.h"
#include "zip/kvoRecords.h"

namespace riviza::zip::coretest {

struct TestEntry {
  TCentralHeader central;
  TLocalHeader local;
  std::string name;         // as stored
  TEntrySizes sizes;        // 64-bit, from the central header and its extra
  TExtraInfo extra;         // of the central header
  uint64_t dataOffset = 0;  // first byte after the local header, name and extra
};

// Throws std::runtime_error on an archive it cannot walk (a test failure, not a product path).
std::vector<TestEntry> ReadTestArchive(const std::string& bytes);

// Every write through the platform's system-call table fails with errno `err` while it lives.
class ScopedWriteFailure {
 public:
  explicit ScopedWriteFailure(int err);

 private:
  platform::ScopedSysCalls scope_;
};

}  // namespace riviza::zip::coretest
