// The invariant check of the fuzz targets that have one: a broken invariant names its line on
// standard error and traps, so a failed run or corpus replay says which promise broke. The place
// comes from the builtins, as in platform/result.h: the clang of the fuzzing build has no
// std::source_location with this standard library.
#pragma once

#include <cstdio>

namespace riviza::fuzz {

inline void check(bool condition, const char* file = __builtin_FILE(), unsigned line = __builtin_LINE()) {
  if (condition) return;
  std::fprintf(stderr, "invariant broken: %s:%u\n", file, line);
  std::fflush(stderr);
  __builtin_trap();
}

}  // namespace riviza::fuzz
