// std::source_location for compilers whose standard library lacks it (clang 14 with libstdc++
// 12 has no __builtin_source_location); force-included into the fuzz target only. Captures file
// and line through __builtin_FILE/__builtin_LINE, which is all result.h asks of it. Where the
// library has the real type this header does nothing.
#pragma once

#include <version>

#if !defined(__cpp_lib_source_location)
#define _GLIBCXX_SRCLOC 1  // keep libstdc++'s empty <source_location> from interfering
namespace std {
struct source_location {
  static constexpr source_location current(const char* file = __builtin_FILE(),
                                           unsigned line = __builtin_LINE()) noexcept {
    source_location where;
    where.file_ = file;
    where.line_ = line;
    return where;
  }
  constexpr const char* file_name() const noexcept { return file_; }
  constexpr unsigned line() const noexcept { return line_; }
  constexpr unsigned column() const noexcept { return 0; }
  constexpr const char* function_name() const noexcept { return ""; }

 private:
  const char* file_ = "";
  unsigned line_ = 0;
};
}  // namespace std
#endif
