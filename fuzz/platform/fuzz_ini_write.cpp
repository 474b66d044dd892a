// Fuzz target of the ini files (platform layer), which users edit by hand: arbitrary bytes as the
// file, then one key written through IniFile, as the settings form writes its keys. Byte 0 picks
// the key (one the file already has, a new key of a section it has, or a new section) and the
// value; the rest is the file. The run traps when the write breaks the promise of the format:
//  - the file is the old one with one line's text replaced, or with the new lines inserted in one
//    place (the last line may gain its missing line end); every other byte stays as it was;
//  - the key then reads back as the value written;
//  - every other key of every section reads as before.
// The lines are split here by the format's rule (CR LF, LF or CR end a line), not by the code.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "invariant.h"
#include "platform/codec.h"
#include "platform/ini.h"

namespace pf = riviza::platform;

namespace {

using riviza::fuzz::check;

// One file for every run of the process, on a memory file system where there is one (a write
// syncs the file).
const std::string& iniPath() {
  static const std::string path = [] {
    std::error_code ec;
    std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec)
                                     ? std::filesystem::path("/dev/shm")
                                     : std::filesystem::temp_directory_path();
    std::string folder = (base / "riviza-fuzz-ini-XXXXXX").string();
    check(::mkdtemp(folder.data()) != nullptr);
    static const std::string kept = folder;
    ::atexit([] { std::filesystem::remove_all(kept); });
    return folder + "/fuzz.ini";
  }();
  return path;
}

struct Line {
  std::string_view text, end;
  bool operator==(const Line&) const = default;
};

std::vector<Line> linesOf(std::string_view bytes) {
  std::vector<Line> lines;
  while (!bytes.empty()) {
    size_t cut = bytes.find_first_of("\r\n");
    if (cut == std::string_view::npos) {
      lines.push_back({bytes, {}});
      break;
    }
    size_t endSize = bytes.substr(cut, 2) == "\r\n" ? 2 : 1;
    lines.push_back({bytes.substr(0, cut), bytes.substr(cut, endSize)});
    bytes.remove_prefix(cut + endSize);
  }
  return lines;
}

// The new file is the old one with one line's text replaced, or with one to three lines inserted
// at one place (a new key, or a new section and its key), where the line before may have gained
// the end it lacked as the old file's last line.
void checkOneLineChanged(std::string_view before, std::string_view after) {
  const std::vector<Line> a = linesOf(before), b = linesOf(after);
  check(b.size() >= a.size() && b.size() <= a.size() + 2);
  size_t head = 0;
  while (head < a.size() && head < b.size() && a[head] == b[head]) ++head;
  size_t tail = 0;
  while (tail < a.size() - head && tail < b.size() - head && a[a.size() - 1 - tail] == b[b.size() - 1 - tail])
    ++tail;
  const size_t changedOld = a.size() - head - tail;
  if (b.size() == a.size()) {
    check(changedOld <= 1);
    if (changedOld == 1) check(a[head].end == b[head].end);
    return;
  }
  // An insertion: no old line changed, or only the last one, which gained its line end.
  check(changedOld <= 1);
  if (changedOld == 1) {
    check(head + 1 == a.size() && a[head].end.empty() && a[head].text == b[head].text);
    check(!b[head].end.empty());
  }
}

// Every key of every section (first of its name) with its value.
struct Entry {
  std::string section, key, value;
};
std::vector<Entry> entriesOf(const pf::IniFile& ini) {
  std::vector<Entry> out;
  for (const std::string& s : ini.readSections())
    for (const std::string& k : ini.readSection(s))
      out.push_back({s, k, ini.readString(s, k, "\x01missing")});
  return out;
}

// Values as the program writes them: plain, empty, with "=", ";", a path, German letters.
constexpr std::string_view kValues[] = {"1", "", "x=y", "a;b", "C:\\Daten\\", "Büro Größe", "0"};
constexpr std::string_view kNewNames[] = {"EINSTELLUNGEN", "Neu", "Größe"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t choice = data[0];
  const std::string before(reinterpret_cast<const char*>(data + 1), size - 1);
  {
    std::error_code ec;
    std::filesystem::remove(iniPath(), ec);
  }
  if (!before.empty()) {
    FILE* f = std::fopen(iniPath().c_str(), "wb");
    check(f != nullptr);
    check(std::fwrite(before.data(), 1, before.size(), f) == before.size());
    std::fclose(f);
  }
  pf::IniFile ini(iniPath());
  const std::vector<Entry> old = entriesOf(ini);

  // Which key: one of the file's own (choice picks it), a new one in a section of the file, or
  // one in a new section. Keys must be names the program could write: not empty.
  std::string section(kNewNames[choice % 3]), key(kNewNames[(choice / 3) % 3]);
  const std::vector<std::string> sections = ini.readSections();
  const unsigned road = (choice >> 4) % 3;
  if (road < 2 && !sections.empty()) {
    section = sections[choice % sections.size()];
    const std::vector<std::string> keys = ini.readSection(section);
    if (road == 0 && !keys.empty()) key = keys[choice % keys.size()];
  }
  if (key.empty() || section.empty()) return 0;
  const std::string_view value = kValues[(choice >> 2) % std::size(kValues)];
  // A name the file spells with bytes that have no character cannot be written back as read.
  if (pf::toUtf8(pf::fromUtf8(section)) != section || pf::toUtf8(pf::fromUtf8(key)) != key) return 0;

  check(ini.writeString(section, key, value).ok());
  std::FILE* f = std::fopen(iniPath().c_str(), "rb");
  check(f != nullptr);
  std::string after;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) after.append(buffer, n);
  std::fclose(f);

  checkOneLineChanged(before, after);
  check(ini.readString(section, key, "\x01missing") == value);
  for (const Entry& e : old) {
    if (pf::equalsIgnoreCase(e.section, section) && pf::equalsIgnoreCase(e.key, key)) continue;
    check(ini.readString(e.section, e.key, "\x01missing") == e.value);
  }
  return 0;
}
