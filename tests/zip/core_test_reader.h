// A small zip reader for the core tests: finds the end record (and the zip64 locator), walks the
// central directory with the record routines, and locates each entry's data. Enough to reach
// entries of real archives until the engine's own reader exists; not a reader to copy.
#pragma once

#include <string>
#include <vector>

#include "zip/kvoRecords.h"

namespace riviza::zip::test {

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

}  // namespace riviza::zip::test
