// TUnZip's run: opening the archive, the directory walk, the local-header walk and the loop over
// the selected entries (zip layer). See kvoUnZip.h; one entry is kvoUnZipEntry.cpp, volumes
// kvoUnZipVolumes.cpp.
#include "zip/kvoUnZip.h"

#include <algorithm>
#include <limits>
#include <map>

#include "zip/kvoErrors.h"
#include "zip/kvoGbls.h"

namespace riviza::zip {
namespace {

constexpr size_t kShiftSearch = 32768;

bool isMultiVolume(TArcType t) { return t == atZipMV || t == atZipDS; }
bool isReadable(TArcType t) { return IsZipFamily(t) || t == atJar || t == atJarExe; }

// Records that may follow the last entry: the directory and the records around it.
bool endsLocalHeaders(uint32_t signature) {
  switch (signature) {
    case kSigCentral:
    case kSigCentralEnc:
    case kSigEnd:
    case kSigEndEnc:
    case kSigEnd64:
    case kSigEnd64Enc:
    case kSigZip64End:
    case kSigZip64Locator:
    case 0x05054B50:  // digital signature
    case 0x08064B50:  // archive extra data
      return true;
    default:
      return false;
  }
}

// Hosts whose external attributes carry a Unix file mode in their upper half.
constexpr unsigned kHostUnix = 3, kHostMacOsX = 19;
constexpr uint32_t kModeTypeMask = 0170000, kModeFolder = 0040000;

// The attributes the reader goes by: a Unix host's mode decides file or folder (Info-ZIP and
// others keep the DOS folder bit of a tool before them standing beside a regular file's mode).
uint32_t attributesOf(const TCentralHeader& c) {
  const unsigned host = c.versionMadeBy >> 8;
  const uint32_t mode = c.externalAttributes >> 16;
  if ((host != kHostUnix && host != kHostMacOsX) || (mode & kModeTypeMask) == 0) return c.externalAttributes;
  return (mode & kModeTypeMask) == kModeFolder ? c.externalAttributes | kAttrDirectory
                                               : c.externalAttributes & ~kAttrDirectory;
}

// The byte ranges of the archive's components seen so far: each entry's local header, name,
// extra field and data, and the central directory.
class TComponents {
 public:
  // What [start, end) overlaps, or nothing; then it is added.
  std::optional<std::string> add(uint64_t start, uint64_t end, std::string what) {
    auto next = spans_.lower_bound(start);
    if (next != spans_.end() && next->first < end) return next->second.what;
    if (next != spans_.begin() && std::prev(next)->second.end > start) return std::prev(next)->second.what;
    spans_.emplace(start, Span{end, std::move(what)});
    return std::nullopt;
  }

 private:
  struct Span {
    uint64_t end;
    std::string what;
  };
  std::map<uint64_t, Span> spans_;
};

uint64_t saturatingAdd(uint64_t a, uint64_t b) {
  return a > std::numeric_limits<uint64_t>::max() - b ? std::numeric_limits<uint64_t>::max() : a + b;
}

std::string inQuotes(const std::string& name) { return "\"" + BackslashToSlash(name) + "\""; }

// Why a local header does not belong to its central record, or nothing. The local name is read
// with the central record's flags and extra field, so the two names agree exactly when their
// bytes do; a Unicode path field of the local header alone names nothing. Checksum and sizes are
// compared only where the local header holds them (no data descriptor follows; a CRC of 0 is
// the writer's "see the directory").
std::optional<std::string> localDisagreement(const std::string& localName, const TLocalHeader& local,
                                             const TEntrySizes& localSizes,
                                             const TUnBaseHeaderObj::Entry& record) {
  const TCentralHeader& c = *record.central;
  if (localName != record.name) return "the local header names the entry " + inQuotes(localName);
  if (local.method != c.method)
    return "the local header gives method " + std::to_string(local.method) + ", the directory " +
           std::to_string(c.method);
  if ((local.flags ^ c.flags) & kFlagEncrypted)
    return std::string("the local header says the entry is ") +
           ((local.flags & kFlagEncrypted) ? "encrypted" : "not encrypted");
  if (local.flags & kFlagDescriptor) return std::nullopt;
  if (local.crc != 0 && local.crc != c.crc) return "the local header gives another CRC-32";
  auto size = [](const char* what, uint64_t l, uint64_t d) -> std::optional<std::string> {
    if (l == d) return std::nullopt;
    return std::string("the local header gives the ") + what + " size " + std::to_string(l) +
           ", the directory " + std::to_string(d);
  };
  if (auto differs = size("compressed", localSizes.compressed, record.info.sizes.compressed)) return differs;
  return size("uncompressed", localSizes.uncompressed, record.info.sizes.uncompressed);
}

}  // namespace

void TUnZip::SetZipCmntBufSize(int size) { zipCmntBufSize_ = std::clamp(size, 2000, 32767); }

// Everything before the walk: the archive opened, its records read afresh (the file may have
// changed since it was named), the drive of a volume set ready, the run state reset.
bool TUnZip::openArchive() {
  if (CpuType == cpt80486) CpuType = cptAuto;
  failures_.clear();
  diskFull_ = false;
  if (archiveFile_.empty()) {
    ReportError({}, {}, kZipFileNotFound);
    return false;
  }
  savedArchiveFile_ = archiveFile_;
  auto stream = TFileStream32::Create(archiveFile_, fmOpenRead | fmShareDenyWrite);
  if (!stream) {
    ReportError(archiveFile_, {}, kZipOpenError, archiveFile_);
    return false;
  }
  arcType_ = DetectArchiveType(**stream);
  if (!isReadable(arcType_)) {
    ReportError(archiveFile_, {}, kZipUnsupportedArchive);
    return false;
  }
  if (isMultiVolume(arcType_) && !driveReady()) return false;
  ResetRun();
  newestDate_ = 0;
  uncompressedTotal_ = 0;
  passwordFailed_ = false;
  shift_ = 0;
  forcedFolder_.clear();
  volumeName_ = archiveFile_;
  const bool firstVolumeGiven = scanState_ == kScanLocalFound;
  uint32_t lastDisk = 0, openDiskNo = 0;
  if (isMultiVolume(arcType_)) {
    lastDisk = firstVolumeGiven ? 0xFFFF : std::max(ThisDisk(), CentralDisk());
    openDiskNo = firstVolumeGiven ? 0 : ThisDisk();
  }
  archive_.Reset(std::move(*stream), openDiskNo, lastDisk, [this](uint32_t disk) { return openDisk(disk); });
  return true;
}

int TUnZip::run(bool testOnly) {
  if (!openArchive()) return 0;
  testOnly_ = testOnly;
  limit_.remaining = ExtractLimitBytes.value_or(std::numeric_limits<uint64_t>::max());
  if (ExtractLimitRatio > 0) {
    const uint64_t byRatio = archiveSize_ > limit_.remaining / ExtractLimitRatio
                                 ? limit_.remaining
                                 : archiveSize_ * ExtractLimitRatio;
    limit_.remaining = std::min(limit_.remaining, byRatio);
  }
  if (OnActivate) OnActivate();
  if (OnElapsedTime) timer.Start();
  outputName_.clear();
  archiveTotal = archiveRemaining = archiveSize_;
  ExtractArchive();
  if (OnElapsedTime) OnElapsedTime(timer.Stop());
  if (OnDeactivate) OnDeactivate();
  archive_.Close();
  archiveFile_ = savedArchiveFile_;
  testOnly_ = false;
  return diskFull_ ? 0 : Count;
}

int TUnZip::Extract() { return run(false); }

int TUnZip::Test() { return run(true); }

std::vector<TUnZip::TEntryListing> TUnZip::ListEntries() {
  std::vector<TEntryListing> out;
  if (!openArchive()) return out;
  TUnBaseHeaderObj list;
  bool fromDirectory = true;
  if (buildList(list, fromDirectory))
    for (const auto& e : list.entries()) {
      const TCentralHeader& c = *e.central;
      out.push_back({e.name, e.info.sizes.compressed, e.info.sizes.uncompressed, c.method, c.flags, c.crc,
                     DosDateTimeOf(c), e.info.externalAttributes});
    }
  archive_.Close();
  archiveFile_ = savedArchiveFile_;
  return out;
}

bool TUnZip::buildList(TUnBaseHeaderObj& list, bool& fromDirectory) {
  if (dirOffset_ < 0 || (scanState_ & (kScanLocalFound | kScanCentralFound)) == 0) {
    // Neither a directory nor a local header: the archive is damaged, not empty.
    if (scanState_ != kScanEndFound || EntriesTotal() != 0) {
      ReportError(archiveFile_, "no central directory and no local header", kZipBadData);
      recordFailure(archiveFile_, kZipBadData, "no central directory and no local header");
    }
    return false;
  }
  fromDirectory = scanState_ != kScanLocalFound;
  if (!fromDirectory && !isMultiVolume(arcType_)) noteMissingDirectory();
  return (fromDirectory ? readZipDirectory(list) : scanLocalHeaders(list)) > 0;
}

// Walking the local headers recovers what an archive without its directory holds, but such an
// archive is damaged: cut short (no end record), or with an end record that places the directory
// where none stands. The run says so beside what it extracts. An end record that the search did
// not reach behind a long comment, or a stray end signature inside the comment, is no damage.
void TUnZip::noteMissingDirectory() {
  if (!archive_.Open(0)) return;
  const std::optional<uint64_t> end = FindEndRecordBehindComment(archive_);
  if (!end) {
    refuseEntry(archiveFile_, kZipBadData,
                "truncated or damaged: the archive has no end of central directory record; its entries were "
                "read from their local headers");
  } else if (endOfDirPos_ != 0 && *end == endRecordAt()) {
    bool enciphered = false;
    const bool there = ReadHeaderAt<TCentralHeader>(archive_, StoredDirectoryOffset(), TRecordKind::Central,
                                                    *this, enciphered)
                           .has_value();
    const std::string place = "(offset " + std::to_string(StoredDirectoryOffset()) + ", " +
                              std::to_string(DirectorySize()) + " bytes)";
    refuseEntry(archiveFile_, kZipBadData,
                (there ? "the central directory " + place + " does not reach its end record at offset " +
                             std::to_string(directoryEndAt()) + ": its size is wrong or bytes lie between"
                       : "no central directory where the end record places it " + place) +
                    "; the entries were read from their local headers");
  }
}

// Where the end record and the zip64 end record name the same value differently: a field of the
// end record holds the zip64 value, its low bits, or the mark "see zip64" (all ones).
std::optional<std::string> TUnZip::zip64Disagreement() const {
  if (!HasZip64End()) return std::nullopt;
  auto differs = [](const char* what, uint64_t field, uint64_t mark,
                    uint64_t zip64) -> std::optional<std::string> {
    if (field == mark || field == (zip64 & mark)) return std::nullopt;
    return std::string("the end record and the zip64 end record give the directory's ") + what + " as " +
           std::to_string(field) + " and " + std::to_string(zip64);
  };
  if (auto d = differs("entries", endRecord_.entriesTotal, 0xFFFF, zip64End_.entriesTotal)) return d;
  if (auto d = differs("size", endRecord_.centralSize, 0xFFFFFFFF, zip64End_.centralSize)) return d;
  return differs("offset", endRecord_.centralOffset, 0xFFFFFFFF, zip64End_.centralOffset);
}

// A directory read whole must be what its end record says: as many entries, ending where the
// end record (or the zip64 end record) begins, and at the offset stored there (less data in
// front of the archive). Each difference is damage that the references refuse too, though every
// entry may be readable.
void TUnZip::checkDirectoryEnd(uint64_t seen, uint64_t endedAt) {
  const uint64_t total = EntriesTotal();
  std::string reason;
  if (seen < total) {
    reason = "central directory damaged: " + std::to_string(seen) + " of " + std::to_string(total) +
             " entries readable";
  } else if (seen > total) {
    reason = "the central directory holds " + std::to_string(seen) + " entries, its end record counts " +
             std::to_string(total);
  } else if (auto differs = zip64Disagreement()) {
    reason = *differs;
  } else if (isMultiVolume(arcType_)) {
    // offsets of a volume set count in their own volumes
  } else if (endedAt != directoryEndAt()) {
    reason = "the central directory ends at offset " + std::to_string(endedAt) +
             ", its end record stands at " + std::to_string(directoryEndAt());
  } else if (const int64_t stored = static_cast<int64_t>(StoredDirectoryOffset()) + offsetCorrection_;
             stored != dirOffset_ && stored + shift_ != dirOffset_) {
    reason = "the end record places the central directory at offset " +
             std::to_string(StoredDirectoryOffset()) + ", it stands at " + std::to_string(dirOffset_);
  }
  if (!reason.empty()) refuseEntry(archiveFile_, kZipBadData, reason);
}

void TUnZip::ExtractArchive() {
  TUnBaseHeaderObj list;
  bool fromDirectory = true;
  if (buildList(list, fromDirectory)) extractEntries(list, fromDirectory);
}

// ---- walks ----

void TUnZip::addToTotals(const TUnBaseInfo& info, uint32_t dosDateTime) {
  newestDate_ = std::max(newestDate_, dosDateTime);
  uncompressedTotal_ += info.sizes.uncompressed;
}

// A stub in front of an archive whose offsets were not adjusted: the first local header stands
// later than its central header says.
bool TUnZip::findShiftedLocalHeader(uint64_t& offset) {
  std::vector<uint8_t> block(kShiftSearch + 3);
  const size_t got = ReadAt(archive_, offset + 1, block.data(), block.size());
  for (size_t i = 0; i + 4 <= got && i < kShiftSearch; ++i) {
    const uint32_t sig = GetLE<uint32_t>(block.data() + i);
    if (sig != kSigLocal && sig != kSigLocalEnc) continue;
    if (!LocalHeaderAt(archive_, offset + 1 + i)) return false;
    offset += 1 + i;
    return true;
  }
  return false;
}

std::optional<TLocalHeader> TUnZip::localHeaderAt(uint64_t offset) {
  bool enciphered = false;
  return ReadHeaderAt<TLocalHeader>(archive_, offset, TRecordKind::Local, *this, enciphered);
}

void TUnZip::refuseEntry(const std::string& name, int code, const std::string& reason) {
  ReportError(name, reason, code, volumeName_);
  recordFailure(name, code, reason);
}

int TUnZip::readZipDirectory(TUnBaseHeaderObj& list) {
  const bool multi = isMultiVolume(arcType_);
  uint32_t disk = multi ? CentralDisk() : 0;
  uint64_t position = static_cast<uint64_t>(dirOffset_);
  bool firstChecked = false;
  uint64_t seen = 0;
  // Volumes of a set are files of their own; their components are not compared.
  TComponents components;
  const std::string kDirectory = "the central directory";
  (void)components.add(position, std::max(endOfDirPos_, position + 1), kDirectory);
  while (!cancel_) {
    if (!archive_.Open(disk)) break;
    auto record = ReadEntryRecord<TCentralHeader>(archive_, position);
    if (!record) break;
    ++seen;
    disk = archive_.Disk();
    position = archive_.Position().valueOr(position);

    const TCentralHeader& central = record->header;
    TUnBaseInfo info;
    info.sizes = {central.compressedSize, central.uncompressedSize, central.localHeaderOffset};
    const TExtraInfo extraInfo = ReadExtraField(record->extra, true, info.sizes);
    fileName_ = DecodeName(*record);
    if (!MatchEntryName(fileName_)) continue;
    if (record->name.empty()) {
      refuseEntry(archiveFile_, kZipNameEmpty,
                  "entry " + std::to_string(seen) + " of the directory has no name");
      continue;
    }
    info.diskNumber = multi ? central.diskNumberStart : 0;
    info.externalAttributes = attributesOf(central);
    info.aes = extraInfo.aes;
    info.strongEncryption = extraInfo.hasStrongEncryption;
    const int64_t local = static_cast<int64_t>(info.sizes.localHeaderOffset) + offsetCorrection_ + shift_;
    info.localOffset = local < 0 ? 0 : static_cast<uint64_t>(local);
    if (!multi) {
      std::optional<TLocalHeader> header;
      if (local >= 0) header = localHeaderAt(info.localOffset);
      if (!header && !firstChecked && local >= 0) {
        uint64_t found = info.localOffset;
        if (findShiftedLocalHeader(found) && (header = localHeaderAt(found))) {
          shift_ += static_cast<int64_t>(found - info.localOffset);
          info.localOffset = found;
        }
      }
      firstChecked = true;
      if (!header) {
        ReportError(fileName_, {}, kZipBadLocalOffset, volumeName_);
        recordFailure(fileName_, kZipBadLocalOffset, "local header not where the directory says");
        continue;
      }
      const uint64_t end =
          saturatingAdd(info.localOffset + TLocalHeader::kSize + header->nameLength + header->extraLength,
                        info.sizes.compressed);
      if (auto other = components.add(info.localOffset, end, "entry " + inQuotes(fileName_))) {
        const std::string span =
            "(offset " + std::to_string(info.localOffset) + " to " + std::to_string(end) + ")";
        refuseEntry(fileName_, kZipOverlap,
                    other == kDirectory
                        ? "its bytes " + span + " run into the central directory"
                        : "its bytes " + span + " overlap those of " + *other + " (possible zip bomb)");
        continue;
      }
    }
    addToTotals(info, DosDateTimeOf(central));
    list.Add({info, fileName_, 0, central, {}, std::move(record->extra)});
  }
  if (!cancel_) checkDirectoryEnd(seen, position);
  return static_cast<int>(list.Count());
}

int TUnZip::scanLocalHeaders(TUnBaseHeaderObj& list) {
  if (OnCorruptZipHeader) {
    bool cancel = true;
    OnCorruptZipHeader(scanState_, cancel);
    if (cancel) return 0;
  }
  if (!archive_.Open(0)) return 0;
  uint64_t position = static_cast<uint64_t>(dirOffset_);
  uint8_t first[4];
  if (ReadAt(archive_, position, first, sizeof first) == sizeof first && GetLE<uint32_t>(first) == kSigSpan)
    position += 4;
  while (!cancel_) {
    auto record = ReadEntryRecord<TLocalHeader>(archive_, position);
    if (!record) break;
    const TLocalHeader& header = record->header;
    TUnBaseInfo info;
    info.sizes = {header.compressedSize, header.uncompressedSize, position};
    const TExtraInfo extraInfo = ReadExtraField(record->extra, false, info.sizes);
    fileName_ = DecodeName(*record);
    if (record->name.empty()) {
      refuseEntry(archiveFile_, kZipNameEmpty,
                  "the local header at offset " + std::to_string(position) + " names no entry");
    } else if (MatchEntryName(fileName_)) {
      info.diskNumber = archive_.Disk();
      info.localOffset = position;
      info.aes = extraInfo.aes;
      info.strongEncryption = extraInfo.hasStrongEncryption;
      addToTotals(info, DosDateTimeOf(header));
      list.Add(
          {info, fileName_, 0, CentralFromLocal(header, record->enciphered), {}, std::move(record->extra)});
    }
    if (!archive_.Skip(info.sizes.compressed))
      return static_cast<int>(list.Count());  // that entry fails itself
    position = archive_.Position().valueOr(0);
  }
  // The walk ends at the directory or the end of the file. Anything else (an entry whose sizes
  // follow its data in a descriptor, damaged bytes) hides the entries behind it: say so rather
  // than extract a part as if it were the whole.
  uint8_t next[4];
  if (!cancel_ && ReadAt(archive_, position, next, sizeof next) == sizeof next &&
      !endsLocalHeaders(GetLE<uint32_t>(next))) {
    const std::string reason = "no entry can be read after offset " + std::to_string(position);
    ReportError(archiveFile_, reason, kZipBadData);
    recordFailure(archiveFile_, kZipBadData, reason);
  }
  return static_cast<int>(list.Count());
}

// ---- the selected entries ----

std::optional<TEntryFailure> TUnZip::readLocalHeader(const TUnBaseHeaderObj::Entry& record,
                                                     bool fromDirectory) {
  const TUnBaseInfo& info = record.info;
  auto local = ReadEntryRecord<TLocalHeader>(archive_, info.localOffset);
  if (!local)
    return TEntryFailure{record.name, kZipBadLocalOffset, "no local header where the directory says"};
  const TLocalHeader& header = local->header;
  TEntrySizes localSizes{header.compressedSize, header.uncompressedSize, 0};
  const TExtraInfo localExtra = ReadExtraField(local->extra, false, localSizes);
  entry_ = {};
  entry_.dosDateTime = DosDateTimeOf(header);
  if (fromDirectory && record.central) {
    const TCentralHeader& c = *record.central;
    const std::string localName = DecodeName(local->name, {c.flags, record.extra, {}, c.versionMadeBy});
    if (auto differs = localDisagreement(localName, header, localSizes, record))
      return TEntryFailure{record.name, kZipLocalMismatch, *differs};
    entry_.flags = c.flags, entry_.method = c.method, entry_.crc = c.crc;
    entry_.compressed = info.sizes.compressed, entry_.uncompressed = info.sizes.uncompressed;
    entry_.aes = info.aes;
    entry_.strongEncryption = info.strongEncryption;
    fileName_ = record.name;
  } else {
    entry_.flags = header.flags, entry_.method = header.method, entry_.crc = header.crc;
    entry_.compressed = localSizes.compressed, entry_.uncompressed = localSizes.uncompressed;
    entry_.strongEncryption = localExtra.hasStrongEncryption;
    fileName_ = DecodeName(*local);
  }
  if (!entry_.aes)
    entry_.aes = localExtra.aes;  // the local extra carries it when the central one was cut short
  return std::nullopt;
}

void TUnZip::extractEntries(TUnBaseHeaderObj& list, bool fromDirectory) {
  archiveTotal = archiveRemaining = uncompressedTotal_;
  const bool multi = isMultiVolume(arcType_);
  for (size_t i = 0; i < list.Count(); ++i) {
    const auto& record = list[i];
    if (cancel_) break;
    if (multi && !archive_.Open(record.info.diskNumber)) {
      // A volume that cannot be had ends the run; what was not extracted says so.
      for (size_t j = i; j < list.Count(); ++j)
        recordFailure(list[j].name, kZipOpenError,
                      "volume " + std::to_string(list[j].info.diskNumber + 1) + " not available");
      break;
    }
    if (auto refused = readLocalHeader(record, fromDirectory)) {
      fileName_ = record.name;
      refuseEntry(refused->fileName, refused->code, refused->reason);
      archiveRemaining -= std::min(archiveRemaining, record.info.sizes.uncompressed);
      continue;
    }
    outputName_ = BuildOutputName(fileName_);
    extractEntry(record.info.externalAttributes);
  }
}

}  // namespace riviza::zip
