// Path text, names, folders, attributes, dates and percentages of the zip engine (zip layer).
// See kvoGbls.h. Deleting to the trash lives in kvoTrash.cpp.
#include "zip/kvoGbls.h"

#include <sys/stat.h>

#include <array>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "platform/codec.h"
#include "platform/paths.h"
#include "zip/kvoAesPrng.h"

namespace riviza::zip {
namespace fs = std::filesystem;

// ---- path and name text ----

// The platform's trailing-separator rules, with the engine's "empty stays empty".
std::string AppendDirName(std::string_view folder, std::string_view name) {
  return folder.empty() ? std::string() : platform::includeTrailingBackslash(folder) + std::string(name);
}

std::string AppendBackslash(std::string_view path) {
  return path.empty() ? std::string() : platform::includeTrailingBackslash(path);
}

std::string RemoveBackslash(std::string_view path) { return platform::excludeTrailingBackslash(path); }

namespace {
std::string replaceChar(std::string_view text, char from, char to) {
  std::string out(text);
  for (char& c : out)
    if (c == from) c = to;
  return out;
}
platform::CodePage storedPage(bool translate) {
  return translate ? platform::CodePage::Oem850 : platform::CodePage::Windows1252;
}
}  // namespace

std::string SlashToBackslash(std::string_view name) { return replaceChar(name, '/', '\\'); }
std::string BackslashToSlash(std::string_view name) { return replaceChar(name, '\\', '/'); }

namespace {
// Hosts of "version made by" whose tools store names in the DOS code page.
bool dosWorldHost(uint16_t versionMadeBy) {
  const unsigned host = versionMadeBy >> 8;
  return host == 0 || host == 6 || host == 11;  // MS-DOS and FAT, OS/2 HPFS, NTFS
}
bool isAscii(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}
}  // namespace

std::string StoredTextToUtf8(std::string_view stored, const TStoredTextOrigin& origin, uint16_t unicodeExtra,
                             platform::CodePage page) {
  if ((origin.flags & kFlagUtf8Name) && platform::isValidUtf8(stored)) return std::string(stored);
  for (std::span<const uint8_t> extra : {origin.extra, origin.centralExtra})
    if (auto text = UnicodeExtraText(extra, unicodeExtra, stored); text && platform::isValidUtf8(*text))
      return std::string(*text);
  if (origin.versionMadeBy && !dosWorldHost(*origin.versionMadeBy) && platform::isValidUtf8(stored))
    return std::string(stored);
  return platform::toUtf8(stored, page);
}

std::string OemNameToLocal(std::string_view stored, bool translate, const TStoredTextOrigin& origin) {
  return SlashToBackslash(StoredTextToUtf8(stored, origin, kExtraUnicodePath, storedPage(translate)));
}

namespace {
std::string windowsReading(std::string_view slashed) {
  std::string out;
  for (size_t start = 0;;) {
    const size_t end = slashed.find('/', start);
    const std::string_view part = slashed.substr(start, end == std::string_view::npos ? end : end - start);
    out += platform::isValidUtf8(part) ? std::string(part) : platform::toUtf8(part);
    if (end == std::string_view::npos) return out;
    out += '/';
    start = end + 1;
  }
}
}  // namespace

TStoredName LocalNameToOem(std::string_view name, bool /*translate*/) {
  std::string slashed = BackslashToSlash(name);
  if (isAscii(slashed)) return {std::move(slashed), false, {}};
  if (platform::isValidUtf8(slashed)) return {std::move(slashed), true, {}};
  std::string reading = windowsReading(slashed);
  return {std::move(slashed), false, std::move(reading)};
}

std::string AnsiToOemIf(std::string_view name, bool translate) {
  return platform::fromUtf8(name, storedPage(translate));
}

std::string ReplaceExtension(std::string_view name, std::string_view extension) {
  // The whole prefix is kept, however long: counting it in one byte would wrap above 255.
  std::string out(name.substr(0, name.find('.')));
  out += extension;
  return out;
}

std::string NextToken(std::string& text, char delimiter) {
  size_t at = text.find(delimiter);
  if (at == std::string::npos) return std::exchange(text, {});
  std::string token = text.substr(0, at);
  text.erase(0, at + 1);
  return token;
}

bool HasDriveRoot(std::string_view path, size_t length) {
  return length >= 4 && path.substr(0, 2) != "\\\\" && path.size() >= 3 && path[2] == '\\';
}

bool IsUncPath(std::string_view path) { return path.size() > 2 && path.substr(0, 2) == "\\\\"; }

std::string_view DrivePart(std::string_view path) {
  if (IsUncPath(path)) {
    const size_t server = path.find('\\', 2);
    const size_t share = server == std::string_view::npos ? server : path.find('\\', server + 1);
    return path.substr(0, share);
  }
  return path.size() >= 2 && path[1] == ':' ? path.substr(0, 2) : std::string_view();
}

// ---- files and folders ----

bool IsDirectory(std::string_view path) { return !path.empty() && platform::directoryExists(path); }

bool FileFound(std::string_view name) {
  std::string mask = platform::extractFileName(name);
  if (mask.empty()) return false;
  if (mask.find_first_of("*?") == std::string::npos) return platform::pathExists(name);
  std::string folder = platform::extractFilePath(name);
  return !platform::listDirectory(folder.empty() ? "." : folder, mask).empty();
}

bool IsPlainFile(std::string_view name) {
  auto info = platform::fileInfo(name);
  return info && !info->isDirectory && !info->readOnly;
}

bool ForceDirs(std::string_view path) {
  if (IsDirectory(path)) return true;
  if (path.empty()) return false;
  (void)platform::forceDirectories(path);  // the result is the folder's existence, checked next
  return IsDirectory(path);
}

namespace {
// Symbolic links are not followed: a link counts as a file, so a loop can never recurse.
bool holdsNoFiles(const fs::path& dir) {
  std::error_code ec;
  fs::directory_iterator it(dir, ec), end;
  if (ec) return false;
  for (; it != end; it.increment(ec)) {
    if (ec) return false;
    fs::file_status st = it->symlink_status(ec);
    if (ec || !fs::is_directory(st)) return false;
    // A read-only folder's attributes are not exactly the directory bit.
    if ((st.permissions() & fs::perms::owner_write) == fs::perms::none) return false;
    if (!holdsNoFiles(it->path())) return false;
  }
  return true;
}
}  // namespace

bool TreeHoldsNoFiles(std::string_view folder) {
  return !folder.empty() && IsDirectory(folder) && holdsNoFiles(platform::nativePath(folder));
}

Result<TUniqueFile> CreateUniqueNativeFile(const fs::path& folder, std::string_view prefix) {
  static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  for (int attempt = 0; attempt < 100; ++attempt) {
    uint8_t random[6];
    RIVIZA_TRY(SystemRandom(random, sizeof random));
    std::string name(prefix);
    for (uint8_t r : random) name += kLetters[r % (sizeof kLetters - 1)];
    fs::path path = folder / name;
    auto made = platform::File::openNative(path.string(), platform::File::Mode::CreateNew);
    if (made) return TUniqueFile{std::move(*made), std::move(path)};
    if (made.error().code != EEXIST) return made.error();
  }
  return platform::errnoError(EEXIST, "Eindeutigen Dateinamen finden", platform::pathText(folder));
}

Result<std::string> CreateUniqueFile(std::string_view folder, std::string_view prefix) {
  const std::string_view dir = folder.empty() ? "." : folder;
  auto made = CreateUniqueNativeFile(platform::nativePath(dir), prefix);
  if (!made) return made.error();
  RIVIZA_TRY(made->file.close());
  return AppendDirName(dir, made->path.filename().string());
}

std::string TempPath() {
  const char* tmp = std::getenv("TMPDIR");
  fs::path dir = tmp != nullptr && *tmp != '\0' ? fs::path(tmp) : fs::path("/tmp");
  return AppendBackslash(platform::pathText(dir));
}

// ---- attributes ----

uint32_t MaskAttributes(uint32_t attributes) {
  return attributes & (kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrVolume | kAttrDirectory |
                       kAttrArchive | kAttrNormal | kAttrEncrypted);
}

uint32_t AttributesToWindows(TkvoFileAttributes set) {
  constexpr std::array<uint32_t, 9> kBits = {0,
                                             kAttrReadOnly,
                                             kAttrHidden,
                                             kAttrSystem,
                                             kAttrVolume,
                                             kAttrDirectory,
                                             kAttrArchive,
                                             kAttrCompressed,
                                             kAttrEncrypted};
  uint32_t out = 0;
  for (size_t i = 0; i < kBits.size(); ++i)
    if (set.contains(static_cast<TkvoFileAttribute>(i))) out |= kBits[i];
  return out;
}

uint32_t FileAttributesOf(const platform::DirEntry& entry) {
  uint32_t a = entry.isDirectory ? kAttrDirectory : kAttrArchive;
  if (entry.readOnly) a |= kAttrReadOnly;
  return a;
}

bool IsCompressSignature(uint16_t w) {
  return w == 0x1E1F || w == 0x8B1F || w == 0x9D1F || w == 0x9E1F || w == 0xA01F;
}

// ---- dates, times, percentages ----

namespace {
struct DosFields {
  int year, month, day, hour, minute, second;
};
DosFields splitDos(uint32_t dos) {
  return {static_cast<int>(dos >> 25) + 1980, static_cast<int>((dos >> 21) & 15),
          static_cast<int>((dos >> 16) & 31), static_cast<int>((dos >> 11) & 31),
          static_cast<int>((dos >> 5) & 63),  static_cast<int>(dos & 31) * 2};
}
}  // namespace

double DosToDateTime(uint32_t dos) {
  if (dos == 0) dos = kDosDateTimeZero;
  DosFields f = splitDos(dos);
  if (f.hour > 23 || f.minute > 59 || f.second > 59) return kDosDateTimeFallback;
  double timeOfDay = (f.hour * 3600.0 + f.minute * 60.0 + f.second) / 86400.0;
  if (!platform::isValidDate(f.year, f.month, f.day)) return kDosDateTimeFallback + timeOfDay;
  return platform::toDateTimeNumber(platform::DateTime{f.year, f.month, f.day}) + timeOfDay;
}

platform::DateTime DosToDateTimeParts(uint32_t dos) {
  platform::DateTime t = platform::fromDateTimeNumber(DosToDateTime(dos));
  t.millisecond = 0;
  return t;
}

uint32_t DateTimeToDos(const platform::DateTime& in) {
  platform::DateTime t = in;
  if (t.year < 1980) t = platform::DateTime{1980, 1, 1};
  if (t.year > 2107) t = platform::DateTime{2107, 12, 31, 23, 59, 58};
  uint32_t date = static_cast<uint32_t>((t.year - 1980) * 512 + t.month * 32 + t.day);
  uint32_t time = static_cast<uint32_t>(t.hour * 2048 + t.minute * 32 + t.second / 2);
  return (date << 16) | time;
}

uint32_t FileTimeToDos(std::time_t fileTime) { return DateTimeToDos(platform::fromUnixTime(fileTime)); }

uint32_t FileDosDateTime(platform::File& file, int which) {
  struct stat st;
  if (!file.isOpen() || ::fstat(file.fd(), &st) != 0) return 0;
  return FileTimeToDos(which == 2 ? st.st_atime : st.st_mtime);
}

int ProgressPercent(int64_t total, int64_t done) {
  if (total <= 0) return 0;
  double p = std::round(static_cast<double>(done) * 100.0 / static_cast<double>(total));
  return p < 0 ? 0 : p > 100 ? 100 : static_cast<int>(p);
}

int CompressionRatio(int64_t unpacked, int64_t packed) {
  if (unpacked <= 0 || packed >= unpacked) return 0;
  return static_cast<int>(
      std::round(static_cast<double>(unpacked - packed) * 100.0 / static_cast<double>(unpacked)));
}

namespace {
std::string_view methodName(const std::array<std::string_view, 4>& names, int index) {
  return index == 0 || index == 2 || index == 4 || index == 6 ? names[index / 2] : names[0];
}
}  // namespace

std::string_view DeflateMethodName(int index) {
  return methodName({"DeflateN", "DeflateX", "DeflateF", "DeflateS"}, index);
}

std::string_view Deflate64MethodName(int index) {
  return methodName({"Def-64N", "Def-64X", "Def-64F", "Def-64S"}, index);
}

std::string_view DriveTypeName(int index) {
  static constexpr std::array<std::string_view, 9> kNames = {
      "Unknown", "None", "Floppy", "Fixed", "Network", "CD-ROM", "RAM", "3½ Floppy", "5¼ Floppy"};
  return index >= 0 && index < static_cast<int>(kNames.size()) ? kNames[index] : kNames[0];
}

}  // namespace riviza::zip
