#include "platform/ini.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "platform/clock.h"
#include "platform/codec.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/syscalls.h"
#include "platform/text.h"

namespace riviza::platform {
namespace {

// The file as lines, each with its own line end, so that untouched lines are written back
// byte for byte. Names and values are compared on the Windows-1252 bytes, converted at the edge.
struct Line {
  std::string text;  // without the line end
  std::string end;   // "\r\n", "\n", "\r" or "" (last line without end)
};

std::vector<Line> splitLines(const std::string& bytes) {
  std::vector<Line> lines;
  size_t i = 0;
  while (i < bytes.size()) {
    size_t j = bytes.find_first_of("\r\n", i);
    if (j == std::string::npos) {
      lines.push_back({bytes.substr(i), ""});
      break;
    }
    size_t endLen = (bytes[j] == '\r' && j + 1 < bytes.size() && bytes[j + 1] == '\n') ? 2 : 1;
    lines.push_back({bytes.substr(i, j - i), bytes.substr(j, endLen)});
    i = j + endLen;
  }
  return lines;
}

// "[name]" gives name; anything else nothing.
std::optional<std::string_view> sectionName(std::string_view line) {
  line = trimView(line);
  if (line.size() < 2 || line.front() != '[') return std::nullopt;
  size_t close = line.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return trimView(line.substr(1, close - 1));
}

struct KeyLine {
  std::string_view key;
  std::string_view value;
};

std::optional<KeyLine> keyLine(std::string_view line) {
  std::string_view t = trimView(line);
  if (t.empty() || t.front() == ';' || t.front() == '[') return std::nullopt;
  size_t eq = t.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  return KeyLine{trimView(t.substr(0, eq)), trimView(t.substr(eq + 1))};
}

std::string unquote(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    v = v.substr(1, v.size() - 2);
  return std::string(v);
}

bool sameName(std::string_view a, std::string_view b) {
  return equalsIgnoreCase(toUtf8(a), toUtf8(b));
}

// Where a section and a key sit in the line list.
struct Location {
  std::optional<size_t> sectionLine;
  std::optional<size_t> keyLine;
  size_t lastContentLine = 0;  // last non-blank line of the section (its header at least)
};

Location locate(const std::vector<Line>& lines, std::string_view section, std::string_view key) {
  Location loc;
  bool inSection = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (auto name = sectionName(lines[i].text)) {
      if (inSection) break;  // the first matching section is the one that counts
      if (sameName(*name, section)) {
        inSection = true;
        loc.sectionLine = i;
        loc.lastContentLine = i;
      }
      continue;
    }
    if (!inSection) continue;
    if (!trimView(lines[i].text).empty()) loc.lastContentLine = i;
    if (!key.empty() && !loc.keyLine) {
      if (auto kl = keyLine(lines[i].text); kl && sameName(kl->key, key)) loc.keyLine = i;
    }
  }
  return loc;
}

std::vector<Line> loadLines(const std::string& path) {
  auto bytes = readFile(path);
  if (!bytes) return {};
  return splitLines(*bytes);
}

std::string lineEndOf(const std::vector<Line>& lines) {
  for (const Line& l : lines)
    if (!l.end.empty()) return l.end;
  return "\r\n";
}

Status saveLines(const std::string& path, std::vector<Line>& lines) {
  std::string out;
  for (size_t i = 0; i < lines.size(); ++i) {
    out += lines[i].text;
    out += lines[i].end;
  }
  std::filesystem::path target = nativePath(path);
  std::filesystem::path tmp = target;
  tmp += kIniWriteSuffix;
  struct stat st;
  bool hadFile = ::stat(target.c_str(), &st) == 0;
  // The rename would replace a read-only file as well; the profile functions refuse to write it.
  if (hadFile && ((st.st_mode & S_IWUSR) == 0 || ::access(target.c_str(), W_OK) != 0))
    return errnoError(EACCES, "Einstellungsdatei schreiben", path);
  auto f = File::openNative(tmp.string(), File::Mode::Create);
  if (!f) return f.error();
  Status written = f->write(out);
  if (written.ok()) written = f->sync();
  if (written.ok()) written = f->close();
  if (written.ok() && hadFile) ::chmod(tmp.c_str(), st.st_mode & 07777);
  if (written.ok() && sys().rename(tmp.c_str(), target.c_str()) != 0)
    written = errnoError(errno, "Einstellungsdatei schreiben", path);
  if (!written.ok()) (void)sys().unlink(tmp.c_str());  // the file stays as it was, with no leftover
  return written;
}

}  // namespace

std::string IniFile::readString(std::string_view section, std::string_view key, std::string_view def) const {
  auto lines = loadLines(path_);
  std::string s = fromUtf8(section), k = fromUtf8(key);
  Location loc = locate(lines, s, k);
  if (!loc.keyLine) return std::string(def);
  return toUtf8(unquote(keyLine(lines[*loc.keyLine].text)->value));
}

long long IniFile::readInteger(std::string_view section, std::string_view key, long long def) const {
  std::string v = readString(section, key, "");
  // StrToIntDef also takes hexadecimal "$1F" and "0x1F".
  std::string_view t = trimView(v);
  if (!t.empty() && (t.front() == '$' || (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')))) {
    std::string hex(t.substr(t.front() == '$' ? 1 : 2));
    char* end = nullptr;
    long long x = std::strtoll(hex.c_str(), &end, 16);
    return (!hex.empty() && *end == 0) ? x : def;
  }
  return parseInt(v).value_or(def);
}

bool IniFile::readBool(std::string_view section, std::string_view key, bool def) const {
  return readInteger(section, key, def ? 1 : 0) != 0;
}

bool IniFile::sectionExists(std::string_view section) const {
  auto lines = loadLines(path_);
  return locate(lines, fromUtf8(section), "").sectionLine.has_value();
}

bool IniFile::valueExists(std::string_view section, std::string_view key) const {
  auto lines = loadLines(path_);
  return locate(lines, fromUtf8(section), fromUtf8(key)).keyLine.has_value();
}

std::vector<std::string> IniFile::readSection(std::string_view section) const {
  auto lines = loadLines(path_);
  std::vector<std::string> keys;
  Location loc = locate(lines, fromUtf8(section), "");
  if (!loc.sectionLine) return keys;
  for (size_t i = *loc.sectionLine + 1; i < lines.size(); ++i) {
    if (sectionName(lines[i].text)) break;
    if (auto kl = keyLine(lines[i].text)) keys.push_back(toUtf8(kl->key));
  }
  return keys;
}

std::vector<std::string> IniFile::readSections() const {
  std::vector<std::string> out;
  for (const Line& l : loadLines(path_))
    if (auto name = sectionName(l.text)) out.push_back(toUtf8(*name));
  return out;
}

Status IniFile::writeString(std::string_view section, std::string_view key, std::string_view value) {
  auto lines = loadLines(path_);
  std::string s = fromUtf8(section), k = fromUtf8(key), v = fromUtf8(value);
  std::string eol = lineEndOf(lines);
  Location loc = locate(lines, s, k);
  if (loc.keyLine) {
    // Keep the key as it is spelled in the file; only the value changes.
    std::string keyText(keyLine(lines[*loc.keyLine].text)->key);
    lines[*loc.keyLine].text = keyText + "=" + v;
  } else if (loc.sectionLine) {
    size_t at = loc.lastContentLine;
    if (lines[at].end.empty()) lines[at].end = eol;
    // A lone CR before an empty LF line would read as one CR LF and that line would be gone;
    // there the new line ends as the line before it, which ended before that LF already.
    const bool lfFollows = at + 1 < lines.size() && lines[at + 1].text.empty() && lines[at + 1].end == "\n";
    const std::string end = eol == "\r" && lfFollows ? lines[at].end : eol;
    lines.insert(lines.begin() + static_cast<long>(at) + 1, Line{k + "=" + v, end});
  } else {
    if (!lines.empty() && lines.back().end.empty()) lines.back().end = eol;
    lines.push_back({"[" + s + "]", eol});
    lines.push_back({k + "=" + v, eol});
  }
  return saveLines(path_, lines);
}

Status IniFile::writeInteger(std::string_view section, std::string_view key, long long value) {
  return writeString(section, key, std::to_string(value));
}

Status IniFile::writeBool(std::string_view section, std::string_view key, bool value) {
  return writeString(section, key, value ? "1" : "0");
}

Status IniFile::deleteKey(std::string_view section, std::string_view key) {
  auto lines = loadLines(path_);
  Location loc = locate(lines, fromUtf8(section), fromUtf8(key));
  if (!loc.keyLine) return okStatus();
  lines.erase(lines.begin() + static_cast<long>(*loc.keyLine));
  return saveLines(path_, lines);
}

Status IniFile::eraseSection(std::string_view section) {
  auto lines = loadLines(path_);
  Location loc = locate(lines, fromUtf8(section), "");
  if (!loc.sectionLine) return okStatus();
  size_t end = *loc.sectionLine + 1;
  while (end < lines.size() && !sectionName(lines[end].text)) ++end;
  lines.erase(lines.begin() + static_cast<long>(*loc.sectionLine), lines.begin() + static_cast<long>(end));
  return saveLines(path_, lines);
}

}  // namespace riviza::platform
