#include "platform/registry.h"

#include <cctype>
#include <cstdlib>

#include "platform/codec.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace riviza::platform {
namespace {

// Wine writes strings with C-like escapes; \x takes up to four hex digits of a UTF-16 unit.
std::string unescape(std::string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (c != '\\' || i + 1 == s.size()) {
      out += c;
      continue;
    }
    char e = s[++i];
    switch (e) {
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      case 't': out += '\t'; break;
      case '0': out += '\0'; break;
      case 'x': {
        unsigned v = 0;
        int n = 0;
        while (n < 4 && i + 1 < s.size() && std::isxdigit(static_cast<unsigned char>(s[i + 1]))) {
          char h = s[++i];
          v = v * 16 + static_cast<unsigned>(std::isdigit(static_cast<unsigned char>(h)) ? h - '0' : (std::tolower(h) - 'a' + 10));
          ++n;
        }
        appendUtf8(out, v);
        break;
      }
      default: out += e;  // \\ and \" and anything else stand for themselves
    }
  }
  return out;
}

// Reads a quoted string starting at s[pos] == '"'; returns its raw (escaped) content.
std::optional<std::string_view> quoted(std::string_view s, size_t& pos) {
  if (pos >= s.size() || s[pos] != '"') return std::nullopt;
  size_t start = ++pos;
  while (pos < s.size() && s[pos] != '"') pos += s[pos] == '\\' ? 2 : 1;
  if (pos >= s.size()) return std::nullopt;
  return s.substr(start, pos++ - start);
}

std::optional<std::string> valueText(std::string_view data) {
  if (data.starts_with("str(2):")) data.remove_prefix(7);
  if (!data.empty() && data.front() == '"') {
    size_t pos = 0;
    auto q = quoted(data, pos);
    if (!q) return std::nullopt;
    return unescape(*q);
  }
  if (data.starts_with("dword:")) {
    unsigned long v = std::strtoul(std::string(data.substr(6)).c_str(), nullptr, 16);
    return std::to_string(v);
  }
  return std::nullopt;  // binary values are not read as text
}

// Calls f(line) for each value line of the key until f returns true; whether the key exists.
template <class F>
bool walkKey(const std::string& text, std::string_view keyPath, F&& f) {
  const std::string wantedKey = foldCase(keyPath);
  bool inKey = false, seen = false;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    std::string_view line(text.data() + pos, (end == std::string::npos ? text.size() : end) - pos);
    pos = end == std::string::npos ? text.size() : end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) continue;
    if (line.front() == '[') {
      size_t close = line.rfind(']');
      if (close == std::string_view::npos) continue;
      inKey = foldCase(unescape(line.substr(1, close - 1))) == wantedKey;
      seen = seen || inKey;
      continue;
    }
    if (inKey && f(line)) break;
  }
  return seen;
}

std::optional<std::string> registryFile(RegistryRoot root) {
  auto file = winePrefix() / (root == RegistryRoot::LocalMachine ? "system.reg" : "user.reg");
  auto text = readFile(file.string());
  if (!text) return std::nullopt;
  return std::move(*text);
}

}  // namespace

std::optional<std::string> readRegistryValueFrom(const std::string& text, std::string_view keyPath,
                                                 std::string_view valueName) {
  const std::string wantedValue = foldCase(valueName);
  std::optional<std::string> value;
  walkKey(text, keyPath, [&](std::string_view line) {
    std::string name;
    size_t p = 0;
    if (line.front() == '@') {
      p = 1;
    } else if (auto q = quoted(line, p)) {
      name = unescape(*q);
    } else {
      return false;
    }
    if (p >= line.size() || line[p] != '=' || foldCase(name) != wantedValue) return false;
    value = valueText(line.substr(p + 1));
    return true;
  });
  return value;
}

std::optional<std::string> readRegistryValue(RegistryRoot root, std::string_view keyPath,
                                             std::string_view valueName) {
  auto text = registryFile(root);
  if (!text) return std::nullopt;
  return readRegistryValueFrom(*text, keyPath, valueName);
}

bool registryKeyExists(RegistryRoot root, std::string_view keyPath) {
  auto text = registryFile(root);
  return text && walkKey(*text, keyPath, [](std::string_view) { return true; });
}

}  // namespace riviza::platform
