// The invariant check of the fuzz targets that have one: a broken invariant names its line on
// standard error and traps, so a failed run or corpus replay says which promise broke.
#pragma once

#include <cstdio>
#include <source_location>

namespace riviza::fuzz {

inline void check(bool condition, std::source_location where = std::source_location::current()) {
  if (condition) return;
  std::fprintf(stderr, "invariant broken: %s:%u\n", where.file_name(), static_cast<unsigned>(where.line()));
  std::fflush(stderr);
  __builtin_trap();
}

}  // namespace riviza::fuzz
