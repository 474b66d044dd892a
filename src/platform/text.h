// Small text helpers shared by every layer (platform layer): trimming, line splitting,
// zero-padded whole numbers and the tables that give a code its German text.
//
// Trim follows the Windows program's runtime: every character up to and including the blank
// (controls, CR, LF, tab) is cut at both ends; bytes above 0x7F are never cut, so the helpers work
// alike on UTF-8 and on single-byte text.
#pragma once

#include <charconv>
#include <span>
#include <string>
#include <string_view>

namespace riviza::platform {

// A row of a table that gives each code of a layer (errno, SQLite, libcurl, the zip engine) the
// German text the user reads.
struct CodeText {
  int code;
  const char* text;
};

// The text of `code`'s row, `fallback` when no row has it.
inline const char* textOfCode(std::span<const CodeText> table, int code, const char* fallback) {
  for (const CodeText& row : table)
    if (row.code == code) return row.text;
  return fallback;
}

inline std::string_view trimView(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
  return s;
}

inline std::string trim(std::string_view s) { return std::string(trimView(s)); }

// The next line of `rest` without its CR LF or LF; `rest` moves past it (to empty after a last
// line with or without a line end).
inline std::string_view nextLine(std::string_view& rest) {
  const size_t end = rest.find('\n');
  std::string_view line = rest.substr(0, end);
  rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
  if (line.ends_with('\r')) line.remove_suffix(1);
  return line;
}

// A whole number in decimals with at least `width` digits, zeros in front ("007"). Through
// to_chars: the C library's formatting belongs to the process locale, which Qt takes from LANG.
inline std::string zeroPadded(long long value, int width) {
  char buf[24];
  const unsigned long long magnitude = value < 0 ? 0ULL - static_cast<unsigned long long>(value) : value;
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, magnitude);
  std::string digits(buf, ec == std::errc() ? end : buf);
  if (static_cast<int>(digits.size()) < width) digits.insert(0, width - digits.size(), '0');
  return value < 0 ? "-" + digits : digits;
}

}  // namespace riviza::platform
