#include "platform/paths.h"

#include <cctype>
#include <cstdlib>
#include <system_error>
#include <unistd.h>
#include <vector>

#include "platform/foldernames.h"

namespace fs = std::filesystem;

namespace riviza::platform {
namespace {

std::vector<std::string> splitComponents(std::string_view text) {
  std::vector<std::string> parts;
  std::string cur;
  for (char c : text) {
    if (isPathSeparator(c)) {
      if (!cur.empty()) parts.push_back(std::move(cur));
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) parts.push_back(std::move(cur));
  return parts;
}

}  // namespace

bool isPathSeparator(char c) { return c == '\\' || c == '/'; }

fs::path winePrefix() {
  if (const char* p = std::getenv("WINEPREFIX"); p && *p) return fs::path(p);
  const char* home = std::getenv("HOME");
  return fs::path(home && *home ? home : "/") / ".wine";
}

fs::path nativePath(std::string_view text) {
  fs::path base;
  std::string_view rest = text;
  if (rest.size() >= 2 && rest[1] == ':' && std::isalpha(static_cast<unsigned char>(rest[0]))) {
    std::string drive(1, static_cast<char>(std::tolower(static_cast<unsigned char>(rest[0]))));
    base = winePrefix() / "dosdevices" / (drive + ":");
    rest.remove_prefix(2);
  } else if (rest.size() >= 2 && isPathSeparator(rest[0]) && isPathSeparator(rest[1]) &&
             rest[0] == '\\') {
    base = winePrefix() / "dosdevices" / "unc";
    rest.remove_prefix(2);
  } else if (!rest.empty() && isPathSeparator(rest[0])) {
    base = "/";
  }
  fs::path out = base;
  bool resolving = true;
  for (const std::string& part : splitComponents(rest)) {
    if (resolving && part != "." && part != "..") {
      fs::path exact = out / part;
      std::error_code ec;
      if (!fs::exists(fs::symlink_status(exact, ec))) {
        if (auto found = findNameIgnoringCase(out, part)) {
          out /= *found;
          continue;
        }
        resolving = false;
      }
    }
    out /= part;
  }
  if (out.empty()) out = base.empty() ? fs::path(".") : base;
  return out;
}

std::string pathText(const fs::path& native) {
  std::string s = native.string();
  for (char& c : s)
    if (c == '/') c = '\\';
  return s;
}

std::string currentFolderText() {
  std::error_code ec;
  fs::path cwd = fs::current_path(ec);
  return cwd.string();
}

std::string shortPathName(std::string_view text) { return std::string(text); }

std::string windowsFolderText() { return "C:\\windows"; }

std::string extractFileName(std::string_view text) {
  size_t i = text.find_last_of("\\/:");
  return std::string(i == std::string_view::npos ? text : text.substr(i + 1));
}

std::string extractFilePath(std::string_view text) {
  size_t i = text.find_last_of("\\/:");
  return i == std::string_view::npos ? std::string() : std::string(text.substr(0, i + 1));
}

std::string extractFileExt(std::string_view text) {
  size_t i = text.find_last_of(".\\/:");
  if (i == std::string_view::npos || text[i] != '.') return {};
  return std::string(text.substr(i));
}

std::string changeFileExt(std::string_view text, std::string_view ext) {
  size_t i = text.find_last_of(".\\/:");
  std::string_view stem = (i != std::string_view::npos && text[i] == '.') ? text.substr(0, i) : text;
  return std::string(stem) + std::string(ext);
}

std::string excludeTrailingBackslash(std::string_view text) {
  if (!text.empty() && isPathSeparator(text.back())) text.remove_suffix(1);
  return std::string(text);
}

std::string includeTrailingBackslash(std::string_view text) {
  std::string s(text);
  if (s.empty() || !isPathSeparator(s.back())) s += '\\';
  return s;
}

bool isWithinPath(const fs::path& inner, const fs::path& outer) {
  auto i = inner.begin();
  for (const fs::path& o : outer) {
    if (o.empty()) continue;  // the empty last element of a path ending in "/"
    if (i == inner.end() || *i != o) return false;
    ++i;
  }
  return true;
}

}  // namespace riviza::platform
