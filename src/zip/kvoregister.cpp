// The components' shared root: archive name, default extension, attributes, temporary folder,
// record values and the header cipher (zip layer). See kvoregister.h; detection lives in
// kvoArcDetect.cpp.
#include "zip/kvoregister.h"

#include <algorithm>

#include "platform/clock.h"
#include "platform/codec.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "zip/kvoDiskManager.h"
#include "zip/kvoErrors.h"
#include "zip/kvoGbls.h"
#include "zip/kvoVolumes.h"

namespace riviza::zip {

uint64_t OctalToInt(std::string_view text) {
  uint64_t value = 0;
  for (char c : text)
    if (c >= '0' && c <= '7') value = value * 8 + static_cast<uint64_t>(c - '0');
  return value;
}

bool IsEncipheredSignature(uint32_t s) {
  return s == kSigLocalEnc || s == kSigCentralEnc || s == kSigEndEnc || s == kSigEnd64Enc;
}

bool IsEntrySignature(uint32_t s) {
  return s == kSigLocal || s == kSigLocalEnc || s == kSigCentral || s == kSigCentralEnc;
}

size_t EncipheredLength(TRecordKind kind) {
  switch (kind) {
    case TRecordKind::Local:
      return TLocalHeader::kSize - 4;
    case TRecordKind::Central:
      return TCentralHeader::kSize - 4;
    case TRecordKind::End:
      return TEndRecord::kSize - 4;
    case TRecordKind::End64:
      return TEndRecord64::kSize - 4;
    default:
      return 0;
  }
}

size_t ReadAt(TStream32& stream, uint64_t offset, void* buffer, size_t count) {
  if (offset > static_cast<uint64_t>(INT64_MAX) ||
      !stream.Seek(static_cast<int64_t>(offset), soFromBeginning))
    return 0;
  return stream.ReadUpTo(buffer, count);
}

uint32_t ChosenDosDateTime(TDateAttribute attribute, uint32_t own, uint32_t newest) {
  switch (attribute) {
    case daSysDate:
      return DateTimeToDos(platform::now());
    case daMaxFileDate:
      return newest != 0 ? newest : own;
    case daFileDate:
      break;
  }
  return own;
}

TCentralHeader CentralFromLocal(const TLocalHeader& local, bool enciphered) {
  TCentralHeader c;
  c.signature = HeaderSignature(TRecordKind::Central, enciphered);
  c.versionNeeded = local.versionNeeded;
  c.flags = local.flags;
  c.method = local.method;
  c.time = local.time;
  c.date = local.date;
  c.crc = local.crc;
  c.compressedSize = local.compressedSize;
  c.uncompressedSize = local.uncompressedSize;
  c.nameLength = local.nameLength;
  return c;
}

std::optional<uint64_t> FindEndRecordBehindComment(TStream32& s) {
  const uint64_t size = s.Size().valueOr(0);
  const size_t span = static_cast<size_t>(std::min<uint64_t>(size, 0xFFFF + TEndRecord::kSize));
  std::vector<uint8_t> tail(span);
  if (span < TEndRecord::kSize || ReadAt(s, size - span, tail.data(), span) != span) return std::nullopt;
  for (size_t at = 0; at + TEndRecord::kSize <= span; ++at) {
    if (GetLE<uint32_t>(tail.data() + at) != kSigEnd) continue;
    const size_t length = GetLE<uint16_t>(tail.data() + at + TEndRecord::kSize - 2);
    if (at + TEndRecord::kSize + length == span) return size - span + at;
  }
  return std::nullopt;
}

bool LocalHeaderAt(TStream32& stream, uint64_t at) {
  std::array<uint8_t, TLocalHeader::kSize> raw{};
  return ReadAt(stream, at, raw.data(), raw.size()) == raw.size() &&
         SignatureKind(TRecordKind::Local, GetLE<uint32_t>(raw.data())).kind == TRecordKind::Local;
}

// ---- archive name, extension, attributes, temporary folder ----

void TRegisterKorvo::SetArchiveFile(std::string_view name) {
  std::string text = SlashToBackslash(name);
  if (!text.empty() && platform::extractFileExt(text).empty()) text += defaultExt_;
  archiveFile_ = std::move(text);
  archiveExists_ = !archiveFile_.empty() && platform::fileExists(archiveFile_);
  cancel_ = false;
}

void TRegisterKorvo::SetDefaultExt(std::string_view ext) {
  std::string value(ext);
  if (value.empty() || value == ".") value = ".zip";
  if (value.front() != '.') value.insert(value.begin(), '.');
  value = platform::toLowerAscii(value.substr(0, 4));
  const std::string previous = std::exchange(defaultExt_, value);
  if (archiveFile_.empty()) return;
  const std::string current = platform::extractFileExt(archiveFile_);
  if (current.empty())
    archiveFile_ += defaultExt_;
  else if (platform::equalsIgnoreCase(current, previous))
    archiveFile_ = platform::changeFileExt(archiveFile_, defaultExt_);
}

void TRegisterKorvo::SetAttribute(TkvoFileAttribute attr, bool include) { Attributes.set(attr, include); }

void TRegisterKorvo::SetAttributeEx(TkvoFileAttribute attr, bool include) { AttributesEx.set(attr, include); }

std::string TRegisterKorvo::GetTempDir() {
  if (tempDir_.empty() || !IsDirectory(tempDir_)) tempDir_ = TempPath();
  return tempDir_;
}

void TRegisterKorvo::SetTempDir(std::string_view dir) {
  if (ComponentLoading) {
    tempDir_ = std::string(dir);
    return;
  }
  std::string value = dir.empty() ? TempPath() : AppendBackslash(dir);
  if (!IsDirectory(value)) {
    TPrompt ask{TPromptKind::Confirmation,
                TPromptButtons::YesNo,
                {},
                value + "\r\r" + std::string(kCreateDirQuestion)};
    if (AskUser(OnPrompt, ask) == TPromptAnswer::Yes)
      (void)ForceDirs(value);  // checked right below
    else
      value.clear();
  }
  if (value.empty() || !IsDirectory(value)) value = TempPath();
  tempDir_ = std::move(value);
}

// ---- end-record values ----

// The values of whichever end record was read: the zip64 record when present, else the engine's
// 64-bit record, else the plain one.
void TRegisterKorvo::settleDirectoryEnd() {
  if (HasZip64End()) {
    directoryEnd_ = {zip64End_.entriesTotal, zip64End_.thisDisk, zip64End_.centralDisk,
                     zip64End_.centralOffset, zip64End_.centralSize};
  } else if (hasEnd64_) {
    directoryEnd_ = {end64_.entriesTotal, end64_.thisDisk, end64_.centralDisk, end64_.centralOffset,
                     end64_.centralSize};
  } else {
    directoryEnd_ = {endRecord_.entriesTotal, endRecord_.thisDisk, endRecord_.centralDisk,
                     endRecord_.centralOffset, endRecord_.centralSize};
  }
}

// On Linux a drive's volume information cannot always be read (a folder of an overlay file
// system, a test's temporary folder); such an archive is taken as multi-volume on a fixed disk
// rather than refused, because only a labelled removable disk can hold a spanned set anyway.
TArcType TRegisterKorvo::spannedOrMultiVolume() const {
  auto info = Volumes().VolumeInformation(DriveRoot(DriveOfPath(archiveFile_)));
  if (!info || info->driveType != dtRemovable) return atZipMV;
  std::string label = info->label.substr(0, info->label.find(' '));
  return platform::toUpperAscii(label) == "PKBACK#" ? atZipDS : atZipMV;
}

// ---- names ----

std::string TRegisterKorvo::DecodeName(std::string_view stored, const TStoredTextOrigin& origin) const {
  return OemNameToLocal(stored, TranslateOemChar, origin);
}

std::string TRegisterKorvo::DecodeName(const TEntryRecord<TCentralHeader>& r) const {
  return DecodeName(r.name, {r.header.flags, r.extra, {}, r.header.versionMadeBy});
}

std::string TRegisterKorvo::DecodeName(const TEntryRecord<TLocalHeader>& r) const {
  return DecodeName(r.name, {r.header.flags, r.extra, {}, std::nullopt});
}

std::string TRegisterKorvo::DecodeComment(const TEntryRecord<TCentralHeader>& r) {
  return StoredTextToUtf8(r.comment, {r.header.flags, r.extra, {}, r.header.versionMadeBy},
                          kExtraUnicodeComment, platform::CodePage::Windows1252);
}

// ---- header cipher ----

void TRegisterKorvo::DecipherHeader(uint8_t* record, TRecordKind kind) {
  headerCrypt_.SetKeys(kHeaderKeys[0], kHeaderKeys[1], kHeaderKeys[2]);
  headerCrypt_.ZipDecryptBuffer(record + 4, EncipheredLength(kind));
}

void TRegisterKorvo::EncipherHeader(uint8_t* record, TRecordKind kind) {
  headerCrypt_.SetKeys(kHeaderKeys[0], kHeaderKeys[1], kHeaderKeys[2]);
  headerCrypt_.ZipEncryptBuffer(record + 4, EncipheredLength(kind));
}

}  // namespace riviza::zip
