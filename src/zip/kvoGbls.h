// Small routines every part of the zip engine uses (zip layer): path and name text, the OEM
// code page of stored names, folder creation and tests, the temporary folder, deleting to the
// desktop trash, attribute masks, DOS dates and times, percentages and method names.
//
// Paths are the program's path text ("\" separators, drive letters), mapped by src/platform on
// every access. In memory names are UTF-8, the "ANSI" code page of Linux. A name is stored as it
// is when it is pure ASCII, else in UTF-8 with flag bit 11, which every current zip tool reads. A
// name read from an archive is UTF-8 by flag bit 11, by Info-ZIP's Unicode path field, or when a
// host other than DOS, OS/2 or NTFS wrote valid UTF-8 (zip on Linux); else it is code page 850
// ("OEM") with TranslateOemChar, Windows-1252 without, as the Windows world wrote it. Linux files have no
// Windows attributes: they are synthesised as directory 0x10, read-only 0x01 and, for a plain
// file, archive 0x20 (what Windows reports for an ordinary file). Nothing here keeps state; the
// engine raises no exceptions (its E_RAISE is an Error returned up the calls).
#pragma once

#include <cstdint>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/clock.h"
#include "platform/codec.h"
#include "platform/files.h"
#include "zip/kvoRecords.h"
#include "zip/kvoTypes.h"

namespace riviza::zip {

// ---- path and name text ----
std::string AppendDirName(std::string_view folder, std::string_view name);
std::string AppendBackslash(std::string_view path);
std::string RemoveBackslash(std::string_view path);
std::string SlashToBackslash(std::string_view name);
std::string BackslashToSlash(std::string_view name);

// A name as stored in an archive: its bytes, whether they are UTF-8 (general flag bit 11), and
// for a name that is not valid UTF-8 the text of Info-ZIP's Unicode path field beside it.
struct TStoredName {
  std::string bytes;
  bool utf8 = false;
  std::string unicodePath;  // UTF-8; empty: no field
};

// Where a stored name or comment was found: its entry's general-purpose flags, the extra field of
// its record (for a local name also the central one: some tools put the Unicode field there
// alone) and "version made by" (central records only; a local header does not name the host).
struct TStoredTextOrigin {
  uint16_t flags = 0;
  std::span<const uint8_t> extra;
  std::span<const uint8_t> centralExtra;
  std::optional<uint16_t> versionMadeBy;
};
// The UTF-8 text of a stored name (unicodeExtra kExtraUnicodePath) or comment
// (kExtraUnicodeComment): flag bit 11 and valid UTF-8; else the matching Unicode field with valid
// UTF-8; else valid UTF-8 from a host other than MS-DOS, OS/2 or NTFS; else the bytes in `page`.
std::string StoredTextToUtf8(std::string_view stored, const TStoredTextOrigin& origin, uint16_t unicodeExtra,
                             platform::CodePage page);
// Name read from an archive by the rule above, code page 850 (translate) or Windows-1252 as the
// last resort; then "/" to "\".
std::string OemNameToLocal(std::string_view stored, bool translate, const TStoredTextOrigin& origin = {});
// Name to store: "\" to "/"; pure ASCII as it is, anything else UTF-8 with the flag (translate
// chose between 850 and 1252 on Windows; on Linux the ANSI code page is UTF-8 itself). A name
// that is not valid UTF-8 (a file copied from Windows keeps its Windows-1252 bytes) would make
// readers that trust the flag refuse the whole archive: it is stored as its bytes without the
// flag, with the Unicode path field holding its Windows-1252 reading, part by part ("/"), so a
// folder named in UTF-8 above such a file keeps its name.
TStoredName LocalNameToOem(std::string_view name, bool translate);
// Code-page conversion only (slashes untouched): 850 with translate, else Windows-1252.
std::string AnsiToOemIf(std::string_view name, bool translate);

// The text before the first "." of the whole text (all of it without one), then the extension.
std::string ReplaceExtension(std::string_view name, std::string_view extension);
// The part before the first delimiter; text keeps what follows it (or becomes empty).
std::string NextToken(std::string& text, char delimiter);
bool HasDriveRoot(std::string_view path, size_t length);
bool IsUncPath(std::string_view path);
// The drive of a path text, the one parser of the engine: "X:" when a colon follows the first
// character, the server and share of a UNC path ("\\server\share", as far as the text goes),
// empty for a path without either.
std::string_view DrivePart(std::string_view path);
inline bool CompareBytes(const void* a, const void* b, size_t count) {
  return count == 0 || std::memcmp(a, b, count) == 0;
}
inline void CopyBytes(const void* source, void* target, size_t count) {
  if (count > 0) std::memmove(target, source, count);
}

// ---- files and folders ----
bool IsDirectory(std::string_view path);
// A directory search for the name finds something (a mask in the name part counts).
bool FileFound(std::string_view name);
// An existing file that is not a folder and not read-only.
bool IsPlainFile(std::string_view name);
// Creates every missing level; true when the folder exists afterwards. Never fails otherwise.
bool ForceDirs(std::string_view path);
// True when the folder and every folder below it hold only folders whose attributes are exactly
// the directory bit; false for a folder that cannot be searched.
bool TreeHoldsNoFiles(std::string_view folder);
// Creates a new empty file named prefix + six random letters and digits in folder (path text
// with or without a trailing "\"); the path text of the file, or the errno Error of the failure.
Result<std::string> CreateUniqueFile(std::string_view folder, std::string_view prefix);
// The same in a folder already mapped to its native path, the file left open for writing: for a
// caller that has the folder at hand and must not have it looked up again for every file.
struct TUniqueFile {
  platform::File file;
  std::filesystem::path path;
};
Result<TUniqueFile> CreateUniqueNativeFile(const std::filesystem::path& folder, std::string_view prefix);
// The system temporary folder ($TMPDIR or /tmp) as path text with a trailing "\".
std::string TempPath();
// Without allowUndo deletes the file; with it moves the file to the freedesktop Trash of its
// volume (home trash, or the volume's .Trash-$uid), renaming on collision. False for a missing
// file or a failed move.
bool DeleteOrRecycle(std::string_view name, bool allowUndo);

// ---- attributes ----
inline constexpr uint32_t kAttrReadOnly = 0x01, kAttrHidden = 0x02, kAttrSystem = 0x04, kAttrVolume = 0x08,
                          kAttrDirectory = 0x10, kAttrArchive = 0x20, kAttrNormal = 0x80,
                          kAttrCompressed = 0x800, kAttrEncrypted = 0x4000;
uint32_t MaskAttributes(uint32_t attributes);
uint32_t AttributesToWindows(TkvoFileAttributes set);
// The synthesised attributes of a Linux file.
uint32_t FileAttributesOf(const platform::DirEntry& entry);
bool IsCompressSignature(uint16_t firstTwoBytes);

// ---- dates, times, percentages ----
inline constexpr uint32_t kDosDateTimeZero = 0x00210020;  // 1 January 1980, 00:01:00
inline constexpr double kDosDateTimeFallback = 29221.0 + 1.0 / 1440.0;

// 32-bit DOS date (high) and time (low) to the date-time number (days since 1899-12-30): 0 reads
// as kDosDateTimeZero; an invalid date becomes 1 January 1980 00:01 plus the time of day; an
// invalid time makes the whole value 1 January 1980 00:01.
double DosToDateTime(uint32_t dos);
// The same moment as calendar parts (for setting a file's time).
platform::DateTime DosToDateTimeParts(uint32_t dos);
// Local time of a Unix time as DOS date and time, clamped to 1980-01-01 .. 2107-12-31 23:59:58.
uint32_t FileTimeToDos(std::time_t fileTime);
uint32_t DateTimeToDos(const platform::DateTime& t);
// Creation (0), last-write (1) or last-access (2) time of an open file as DOS date and time;
// Linux keeps no creation time here, so 0 gives the last-write time.
uint32_t FileDosDateTime(platform::File& file, int which);

int ProgressPercent(int64_t total, int64_t done);
int CompressionRatio(int64_t unpacked, int64_t packed);
std::string_view DeflateMethodName(int index);
std::string_view Deflate64MethodName(int index);
// Drive type names 0-8 ("Unknown" .. "5¼ Floppy"); "Unknown" outside.
std::string_view DriveTypeName(int index);

}  // namespace riviza::zip
