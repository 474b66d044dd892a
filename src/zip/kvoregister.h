// TRegisterKorvo: the shared root of the archive components (zip layer). It holds what the
// reader and the writer have in common: the archive name and its detected type, the file
// selection (masks, attributes), the default extension, the temporary folder, the shared events,
// the failure list of a run, the archive-type detection with FindCentralDirectory, and the
// signature and header-cipher operations for plain and enciphered ("PL") headers. Entry records
// are read (ReadEntryRecord), stored names decoded, DOS date-times packed and chosen here once,
// for both components: neither keeps a record or name path of its own.
//
// TZipCommon's data services (kvoZipCommon.h) were built first and sit below this class; the
// reader (TCustomDClass > TUnBase > TUnZip) and the writer (TCustomCClass ...) derive from here.
// Detection reads at most 32,767 bytes from the start, 32,768 from the end, and 11 blocks of
// 32,768 for the signature scan; every offset an archive supplies is checked against the file's
// size before it is used, and no record is taken from a buffer it does not fit in. The header
// keys are constants of the program, so enciphered headers stay readable by later runs.
//   detection state: (none) --DetectArchiveType--> type, directory offset, offset correction,
//   scan state and end records, kept until the next detection.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "zip/kvoCrypt.h"
#include "zip/kvoGbls.h"
#include "zip/kvoRecords.h"
#include "zip/kvoStreams.h"
#include "zip/kvoTypes.h"
#include "zip/kvoZipCommon.h"

namespace riviza::zip {

// Flags of the scan state that FindCentralDirectory leaves.
enum TScanState : uint8_t {
  kScanLocalFound = 1,    // first local header confirmed (alone: walk the local headers)
  kScanCentralFound = 2,  // central directory found
  kScanEndFound = 4,      // end record found
  kScanZip64Locator = 8,
  kScanZip64End = 16,
};

// The header cipher's start keys: constants of the program (enciphered headers must stay
// readable by every later run).
inline constexpr std::array<uint32_t, 3> kHeaderKeys = {0x4B766F52u, 0x69766961u, 0x5A697031u};

// An entry or file of a run that was selected and not extracted or archived, and why (beside
// the run's count).
struct TEntryFailure {
  std::string fileName;
  int code = 0;
  std::string reason;
};

// General-purpose flag bits and methods that both components test.
inline constexpr uint16_t kFlagEncrypted = 0x0001, kFlagDescriptor = 0x0008, kFlagStrongEncryption = 0x0040;
inline constexpr uint16_t kMethodStored = 0, kMethodDeflated = 8, kMethodAes = 99;
// How often a volume or disk is asked for before the run gives up: a handler that answers
// without changing anything cannot keep the run waiting for ever.
inline constexpr int kMaxDiskRequests = 64;

// The DOS date (high half) and time (low half) of a local or central header.
template <class Rec>
uint32_t DosDateTimeOf(const Rec& header) {
  return (uint32_t{header.date} << 16) | header.time;
}
template <class Rec>
void SetDosDateTime(Rec& header, uint32_t dos) {
  header.date = static_cast<uint16_t>(dos >> 16);
  header.time = static_cast<uint16_t>(dos);
}
// The date-time an entry gets by DateAttribute: its own, now, or the newest of the run's
// entries (its own while there is none).
uint32_t ChosenDosDateTime(TDateAttribute attribute, uint32_t own, uint32_t newest);

// The central header of an entry known by its local header (a new entry, or one walked without
// a directory): version, flags, method, date, time, CRC, 32-bit sizes and name length, with the
// signature of `enciphered`.
TCentralHeader CentralFromLocal(const TLocalHeader& local, bool enciphered);

// One header record as it stands in an archive, deciphered: the local or central header, its
// stored name (the name continues the header's cipher), its extra field and, for a central
// record, its comment.
template <class Rec>
struct TEntryRecord {
  static constexpr TRecordKind kKind =
      std::is_same_v<Rec, TCentralHeader> ? TRecordKind::Central : TRecordKind::Local;
  Rec header;
  bool enciphered = false;
  std::string name;
  std::vector<uint8_t> extra;
  std::string comment;
};

// Detection looks for the end record in the last 32 KiB only, so a longer comment (up to 64 KiB)
// hides it and the archive is walked by its local headers. The record is still there: the first
// end record in the last 64 KiB whose comment reaches exactly to the end of the stream. Its
// offset; nothing for an archive that has none (a truncated one).
std::optional<uint64_t> FindEndRecordBehindComment(TStream32& s);

// Each character "0".."7" multiplies by 8 and adds its value; all others are skipped.
uint64_t OctalToInt(std::string_view text);

// True for the "PL" local and central signatures and the enciphered end signatures.
bool IsEncipheredSignature(uint32_t signature);
// True for "PK"/"PL" local and central signatures.
bool IsEntrySignature(uint32_t signature);
// Bytes after the signature that the header cipher covers: 26 local, 42 central, 18 end, 22 for
// the 64-bit end record; 0 for other kinds.
size_t EncipheredLength(TRecordKind kind);

class TRegisterKorvo : public TZipCommon {
 public:
  using TNotifyEvent = std::function<void()>;
  using TOnBegin = std::function<void(const std::string& fileName, int count, bool& extract)>;
  using TOnEnd = std::function<void(const std::string& fileName, bool crcPass)>;
  using TOnGetPassword =
      std::function<void(const std::string& fileName, std::string& password, bool& tryAgain)>;
  using TOnExcludeFile = std::function<void(const std::string& fileName)>;
  using TOnElapsedTime = std::function<void(float elapsedTime)>;

  TRegisterKorvo() = default;

  // ---- shared published properties ----
  bool TranslateOemChar = true;
  std::vector<std::string> FileSpec;     // masks of the files or entries taken
  std::vector<std::string> ExcludeSpec;  // masks of those left out
  bool RecurseDirs = true;
  TkvoFileAttributes Attributes{fsZeroAttr, fsReadOnly, fsArchive, fsCompressed, fsEncrypted};
  TkvoFileAttributes AttributesEx;
  bool EncryptHeaders = false;
  // Set while the component is being loaded from its form: SetTempDir takes values unchecked.
  bool ComponentLoading = false;

  // ---- shared events ----
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TOnElapsedTime OnElapsedTime;
  TOnBegin OnBegin;
  TOnEnd OnEnd;
  TOnGetPassword OnGetPassword;
  TOnExcludeFile OnExcludeFile;

  // ---- archive name and type ----
  const std::string& GetArchiveFile() const { return archiveFile_; }
  // The writer's rule: notes whether the file exists, "/" to "\", DefaultExt appended to a name
  // without extension; clears the cancel flag. The reader detects the type instead.
  virtual void SetArchiveFile(std::string_view name);
  TArcType ArcType() const { return arcType_; }
  virtual void SetArcType(TArcType type) { arcType_ = type; }

  const std::string& DefaultExt() const { return defaultExt_; }
  // "" or "." give ".zip"; a "." is put in front when missing; cut to 4 characters, lower case.
  // A pending ArchiveFile without extension, or with the old one, gets the new one.
  void SetDefaultExt(std::string_view ext);
  // Attributes above ordinal 15 are ignored.
  void SetAttribute(TkvoFileAttribute attr, bool include);
  void SetAttributeEx(TkvoFileAttribute attr, bool include);
  // The stored folder, or the system temporary folder when it is empty or missing (then stored).
  std::string GetTempDir();
  // Outside loading: empty gives the system temporary folder; a missing folder is offered for
  // creation (OnPrompt, Yes/No); No or a failed creation gives the system temporary folder.
  void SetTempDir(std::string_view dir);

  // Failures of the last run (Extract, Test, Compress).
  const std::vector<TEntryFailure>& Failures() const { return failures_; }
  int FailedCount() const { return static_cast<int>(failures_.size()); }

  // ---- detection ----
  // The type of the archive on the stream; sets the directory offset, offset correction, scan
  // state and end records. Never fails: what cannot be read ends detection with what was found.
  TArcType DetectArchiveType(TStream32& stream);
  // Offset of the central directory (or, with scan state exactly kScanLocalFound, of the first
  // local header); 0 when no end record exists, -1 when neither directory nor local header is
  // found.
  int64_t FindCentralDirectory(TStream32& stream);

  int64_t DirectoryOffset() const { return dirOffset_; }
  int64_t OffsetCorrection() const { return offsetCorrection_; }
  uint8_t ScanState() const { return scanState_; }
  uint64_t ArchiveSize() const { return archiveSize_; }
  uint64_t EndOfDirectory() const { return endOfDirPos_; }
  const TEndRecord& EndRecord() const { return endRecord_; }
  bool HasZip64End() const { return (scanState_ & kScanZip64End) != 0; }
  const TZip64EndRecord& Zip64End() const { return zip64End_; }
  bool HasEnd64() const { return hasEnd64_; }
  const TEndRecord64& End64() const { return end64_; }
  // The archive's total of entries, its directory's disks, stored offset and size, from
  // whichever end record was read (zip64 or 64-bit when present).
  uint64_t EntriesTotal() const { return directoryEnd_.entriesTotal; }
  uint32_t ThisDisk() const { return directoryEnd_.thisDisk; }
  uint32_t CentralDisk() const { return directoryEnd_.centralDisk; }
  uint64_t StoredDirectoryOffset() const { return directoryEnd_.offset; }
  uint64_t DirectorySize() const { return directoryEnd_.size; }

  // ---- header cipher ----
  // Restarts the header cipher and processes the part of the record after its signature.
  void DecipherHeader(uint8_t* record, TRecordKind kind);
  void EncipherHeader(uint8_t* record, TRecordKind kind);
  // Continue the same cipher over a stored name.
  void DecipherName(uint8_t* name, size_t length) { headerCrypt_.ZipDecryptBuffer(name, length); }
  void EncipherName(uint8_t* name, size_t length) { headerCrypt_.ZipEncryptBuffer(name, length); }

  // ---- records and names, the same for reader and writer ----
  // The record at `at` with its name, extra field and comment, the stream left after it (reads
  // run on into the next volume of a volume stream); nothing when it cannot be read whole or
  // another signature stands there.
  template <class Rec>
  std::optional<TEntryRecord<Rec>> ReadEntryRecord(TStream32& s, uint64_t at);
  // The local text of a stored name (OemNameToLocal with TranslateOemChar); "/" becomes "\".
  std::string DecodeName(std::string_view stored, const TStoredTextOrigin& origin) const;
  std::string DecodeName(std::string_view stored, uint16_t flags) const {
    return DecodeName(stored, TStoredTextOrigin{flags, {}, {}, std::nullopt});
  }
  // A central record's name; a local one's, for an entry that has no central record (a walk of
  // the local headers): where there is one, its name is the entry's.
  std::string DecodeName(const TEntryRecord<TCentralHeader>& r) const;
  std::string DecodeName(const TEntryRecord<TLocalHeader>& r) const;
  // An entry comment of a central record by the same rule, Windows-1252 as the last resort (the
  // Windows program kept comments in its ANSI code page).
  static std::string DecodeComment(const TEntryRecord<TCentralHeader>& r);

 protected:
  // Sets the type from the archive's drive: a removable disk labelled "PKBACK#" is spanned
  // (atZipDS), anything else multi-volume (atZipMV).
  TArcType spannedOrMultiVolume() const;
  void recordFailure(const std::string& fileName, int code, std::string reason) {
    failures_.push_back({fileName, code, std::move(reason)});
  }

  std::vector<TEntryFailure> failures_;

  std::string archiveFile_;
  TArcType arcType_ = atNA;
  bool archiveExists_ = false;

  // Detection state.
  uint64_t archiveSize_ = 0;
  int64_t dirOffset_ = -1;
  uint64_t endOfDirPos_ = 0;
  int64_t offsetCorrection_ = 0;
  uint8_t scanState_ = 0;
  TEndRecord endRecord_{};
  bool hasEnd64_ = false;
  TEndRecord64 end64_{};
  TZip64Locator zip64Locator_{};
  TZip64EndRecord zip64End_{};
  uint64_t zip64EndPos_ = 0;
  struct TDirectoryEnd {
    uint64_t entriesTotal = 0;
    uint32_t thisDisk = 0, centralDisk = 0;
    uint64_t offset = 0, size = 0;
  } directoryEnd_;

 private:
  // Detection steps (kvoArcDetect.cpp).
  TArcType detectExecutable(TStream32& s, std::span<const uint8_t> head);
  TArcType detectPlain(TStream32& s, std::span<const uint8_t> head);
  TArcType scanForArchive(TStream32& s, uint64_t start);
  bool readEndRecord(TStream32& s, std::span<const uint8_t> window, uint64_t windowStart, size_t hit);
  int64_t searchLocalHeader(TStream32& s, uint64_t windowSize);
  void settleDirectoryEnd();

  std::string defaultExt_ = ".zip";
  std::string tempDir_;
  TZipCrypt headerCrypt_;
};

// Up to count bytes at offset; the count read (0 past the end or on a read error).
size_t ReadAt(TStream32& stream, uint64_t offset, void* buffer, size_t count);

// Whether a whole local header ("PK" or "PL") stands at `at`.
bool LocalHeaderAt(TStream32& stream, uint64_t at);

// The record of kind `kind` (local or central header) at `at`, deciphered when its signature says
// so; nothing when it cannot be read or another signature stands there.
template <class Rec>
std::optional<Rec> ReadHeaderAt(TStream32& s, uint64_t at, TRecordKind kind, TRegisterKorvo& cipher,
                                bool& enciphered) {
  std::array<uint8_t, Rec::kSize> raw{};
  if (ReadAt(s, at, raw.data(), raw.size()) != raw.size()) return std::nullopt;
  const auto sig = SignatureKind(kind, GetLE<uint32_t>(raw.data()));
  if (sig.kind != kind) return std::nullopt;
  enciphered = sig.enciphered;
  if (enciphered) cipher.DecipherHeader(raw.data(), kind);
  return ReadRecord<Rec>(raw);
}

template <class Rec>
std::optional<TEntryRecord<Rec>> TRegisterKorvo::ReadEntryRecord(TStream32& s, uint64_t at) {
  TEntryRecord<Rec> r;
  auto header = ReadHeaderAt<Rec>(s, at, TEntryRecord<Rec>::kKind, *this, r.enciphered);
  if (!header) return std::nullopt;
  r.header = *header;
  r.name.resize(r.header.nameLength);
  r.extra.resize(r.header.extraLength);
  if (!s.ReadBuffer(r.name.data(), r.name.size()) || !s.ReadBuffer(r.extra.data(), r.extra.size()))
    return std::nullopt;
  if (r.enciphered) DecipherName(reinterpret_cast<uint8_t*>(r.name.data()), r.name.size());
  if constexpr (TEntryRecord<Rec>::kKind == TRecordKind::Central) {
    r.comment.resize(r.header.commentLength);
    if (!s.ReadBuffer(r.comment.data(), r.comment.size())) return std::nullopt;
  }
  return r;
}

}  // namespace riviza::zip
