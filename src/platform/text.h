// Small text helpers shared by every layer (platform layer).
//
// Trim follows the Windows program's runtime: every character up to and including the blank
// (controls, CR, LF, tab) is cut at both ends; bytes above 0x7F are never cut, so the helpers work
// alike on UTF-8 and on single-byte text.
#pragma once

#include <string>
#include <string_view>

namespace riviza::platform {

inline std::string_view trimView(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
  return s;
}

inline std::string trim(std::string_view s) { return std::string(trimView(s)); }

}  // namespace riviza::platform
