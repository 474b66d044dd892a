#include "platform/masks.h"

#include <string>

#include "platform/codec.h"

namespace riviza::platform {
namespace {

// Glob over code points (so "?" takes one umlaut, not one byte of it).
bool globMatch(const std::u32string& name, const std::u32string& mask) {
  size_t n = 0, m = 0, starM = std::u32string::npos, starN = 0;
  while (n < name.size()) {
    if (m < mask.size() && (mask[m] == U'?' || mask[m] == name[n])) {
      ++n, ++m;
    } else if (m < mask.size() && mask[m] == U'*') {
      starM = m++;
      starN = n;
    } else if (starM != std::u32string::npos) {
      m = starM + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == U'*') ++m;
  return m == mask.size();
}

std::u32string decodeFolded(std::string_view s) {
  std::string folded = foldCase(s);
  std::u32string out;
  size_t pos = 0;
  while (pos < folded.size()) out += nextCodePoint(folded, pos);
  return out;
}

}  // namespace

bool matchesMask(std::string_view name, std::string_view mask) {
  if (mask == "*.*" || mask == "*") return true;
  std::u32string n = decodeFolded(name), m = decodeFolded(mask);
  if (m.size() >= 2 && m.back() == U'.' && m[m.size() - 2] != U'.') {
    // "name." means: no extension.
    if (n.find(U'.') != std::u32string::npos) return globMatch(n, m);
    m.pop_back();
    return globMatch(n, m);
  }
  if (m.size() >= 3 && m.substr(m.size() - 2) == U".*") {
    // "abc.*" also matches "abc" (no extension at all), as on Windows.
    if (n.find(U'.') == std::u32string::npos && globMatch(n, m.substr(0, m.size() - 2))) return true;
  }
  return globMatch(n, m);
}

}  // namespace riviza::platform
