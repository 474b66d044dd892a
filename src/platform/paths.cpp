#include "platform/paths.h"

#include <algorithm>
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

bool hasDriveLetter(std::string_view text) {
  return text.size() >= 2 && text[1] == ':' && std::isalpha(static_cast<unsigned char>(text[0]));
}

bool isUnc(std::string_view text) { return text.size() >= 2 && text[0] == '\\' && isPathSeparator(text[1]); }

// "d:" as dosdevices names a drive; the letter in upper case.
std::optional<char> driveOfEntry(const fs::path& name) {
  const std::string n = name.string();
  if (n.size() != 2 || !hasDriveLetter(n)) return std::nullopt;
  return static_cast<char>(std::toupper(static_cast<unsigned char>(n[0])));
}

// The components of `path` after `base`, when `base` is a component-wise prefix of it.
std::optional<fs::path> below(const fs::path& path, const fs::path& base) {
  auto [b, p] = std::mismatch(base.begin(), base.end(), path.begin(), path.end());
  if (b != base.end()) return std::nullopt;
  fs::path rest;
  for (; p != path.end(); ++p) rest /= *p;
  return rest;
}

std::string driveText(char letter, const fs::path& rest) {
  std::string out{letter, ':', '\\'};
  bool first = true;
  for (const fs::path& part : rest) {
    if (part.empty()) continue;
    if (!first) out += '\\';
    out += part.string();
    first = false;
  }
  return out;
}

// The drive form of an absolute native path, when a drive maps it: first a path through
// dosdevices/x: itself (the letter of a drive that maps nowhere stays visible), then the
// deepest folder a drive's link points to.
std::optional<std::string> driveForm(const fs::path& absolute) {
  const fs::path devices = (winePrefix() / "dosdevices").lexically_normal();
  const fs::path p = absolute.lexically_normal();
  if (auto rest = below(p, devices); rest && !rest->empty())
    if (auto letter = driveOfEntry(*rest->begin())) return driveText(*letter, *below(*rest, *rest->begin()));
  std::error_code ec;
  const fs::path resolved = fs::weakly_canonical(p, ec);
  if (ec) return std::nullopt;
  std::optional<std::string> best;
  size_t bestDepth = 0;
  for (fs::directory_iterator it(devices, ec), end; !ec && it != end; it.increment(ec)) {
    const auto letter = driveOfEntry(it->path().filename());
    if (!letter) continue;
    std::error_code ignored;
    const fs::path target = fs::canonical(it->path(), ignored);
    if (ignored) continue;
    const size_t depth = static_cast<size_t>(std::distance(target.begin(), target.end()));
    auto rest = below(resolved, target);
    if (!rest || (best && depth <= bestDepth)) continue;
    best = driveText(*letter, *rest);
    bestDepth = depth;
  }
  return best;
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
  if (hasDriveLetter(rest)) {
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

std::string userPath(const fs::path& native) {
  std::error_code ec;
  const fs::path absolute = native.is_absolute() ? native : fs::absolute(native, ec);
  if (auto drive = driveForm(absolute)) return *drive;
  return native.string();
}

std::string displayPath(std::string_view text) {
  std::string out(text);
  if (hasDriveLetter(text) || isUnc(text)) {
    std::replace(out.begin(), out.end(), '/', '\\');
    return out;
  }
  std::replace(out.begin(), out.end(), '\\', '/');
  if (out.empty() || out[0] != '/') return out;  // a name or a relative text
  const bool folder = out.back() == '/' && out.size() > 1;
  if (folder) out.pop_back();
  if (auto drive = driveForm(fs::path(out))) {
    out = *drive;
    if (folder && out.back() != '\\') out += '\\';
    return out;
  }
  return folder ? out + '/' : out;
}

std::optional<char> unmappedDrive(std::string_view text) {
  if (!hasDriveLetter(text)) return std::nullopt;
  const char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
  std::error_code ec;
  if (fs::exists(fs::symlink_status(winePrefix() / "dosdevices" / std::string{letter, ':'}, ec)))
    return std::nullopt;
  return static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
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
