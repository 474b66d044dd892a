// TUnZip's run: opening the archive, the directory walk, the local-header walk and the loop over
// the selected entries (zip layer). See kvoUnZip.h; one entry is kvoUnZipEntry.cpp, volumes
// kvoUnZipVolumes.cpp.
#include "zip/kvoUnZip.h"

#include <algorithm>
#include <random>

#include "platform/codec.h"
#include "platform/paths.h"
#include "zip/kvoErrors.h"
#include "zip/kvoGbls.h"

namespace riviza::zip {
namespace {

constexpr size_t kShiftSearch = 32768;

bool isMultiVolume(TArcType t) { return t == atZipMV || t == atZipDS; }
bool isReadable(TArcType t) { return IsZipFamily(t) || t == atJar || t == atJarExe; }

uint32_t dosOf(uint16_t date, uint16_t time) { return (uint32_t{date} << 16) | time; }

template <class Rec>
bool readRecord(TStream32& s, std::array<uint8_t, Rec::kSize>& raw) {
  return s.ReadBuffer(raw.data(), raw.size()).ok();
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
  compressedTotal_ = uncompressedTotal_ = 0;
  passwordFailed_ = false;
  shift_ = 0;
  forcedFolder_.clear();
  tempStamp_ = std::random_device{}();
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
                     (uint32_t{c.date} << 16) | c.time, e.info.externalAttributes});
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
  return (fromDirectory ? readZipDirectory(list) : scanLocalHeaders(list)) > 0;
}

void TUnZip::ExtractArchive() {
  TUnBaseHeaderObj list;
  bool fromDirectory = true;
  if (buildList(list, fromDirectory)) extractEntries(list, fromDirectory);
}

// ---- walks ----

Result<std::string> TUnZip::readName(TLocalHeader& header, bool enciphered, std::vector<uint8_t>& extra) {
  std::string name(header.nameLength, '\0');
  RIVIZA_TRY(archive_.ReadBuffer(name.data(), name.size()));
  if (enciphered) DecipherName(reinterpret_cast<uint8_t*>(name.data()), name.size());
  extra.resize(header.extraLength);
  RIVIZA_TRY(archive_.ReadBuffer(extra.data(), extra.size()));
  return name;
}

void TUnZip::addToTotals(const TUnBaseInfo& info, uint32_t dosDateTime, uint16_t flags) {
  newestDate_ = std::max(newestDate_, dosDateTime);
  uint64_t overhead = 0;
  if (flags & 1) overhead = info.aes ? AesSaltLength(info.aes->strength) + 2 : TZipCrypt::kHeaderSize;
  compressedTotal_ += info.sizes.compressed - std::min(info.sizes.compressed, overhead);
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
    std::array<uint8_t, TLocalHeader::kSize> raw{};
    if (ReadAt(archive_, offset + 1 + i, raw.data(), raw.size()) != raw.size()) return false;
    if (SignatureKind(TRecordKind::Local, GetLE<uint32_t>(raw.data())).kind != TRecordKind::Local)
      return false;
    offset += 1 + i;
    return true;
  }
  return false;
}

int TUnZip::readZipDirectory(TUnBaseHeaderObj& list) {
  const bool multi = isMultiVolume(arcType_);
  uint32_t disk = multi ? CentralDisk() : 0;
  uint64_t position = static_cast<uint64_t>(dirOffset_);
  bool firstChecked = false;
  uint64_t seen = 0;
  while (!cancel_) {
    if (!archive_.Open(disk) || !archive_.Seek(static_cast<int64_t>(position), soFromBeginning)) break;
    std::array<uint8_t, TCentralHeader::kSize> raw{};
    if (!readRecord<TCentralHeader>(archive_, raw)) break;
    const auto sig = SignatureKind(TRecordKind::Central, GetLE<uint32_t>(raw.data()));
    if (sig.kind != TRecordKind::Central) break;
    if (sig.enciphered) DecipherHeader(raw.data(), TRecordKind::Central);
    const auto central = ReadRecord<TCentralHeader>(raw);
    TLocalHeader lengths;
    lengths.nameLength = central.nameLength;
    lengths.extraLength = central.extraLength;
    std::vector<uint8_t> extra;
    auto name = readName(lengths, sig.enciphered, extra);
    if (!name || !archive_.Skip(central.commentLength)) break;
    ++seen;
    disk = archive_.Disk();
    position = archive_.Position().valueOr(position);

    TUnBaseInfo info;
    info.sizes = {central.compressedSize, central.uncompressedSize, central.localHeaderOffset};
    const TExtraInfo extraInfo = ReadExtraField(extra, true, info.sizes);
    fileName_ = OemNameToLocal(*name, TranslateOemChar, central.flags & kFlagUtf8Name);
    if (!MatchEntryName(fileName_)) continue;
    info.diskNumber = multi ? central.diskNumberStart : 0;
    info.externalAttributes = central.externalAttributes;
    info.aes = extraInfo.aes;
    info.strongEncryption = extraInfo.hasStrongEncryption;
    const int64_t local = static_cast<int64_t>(info.sizes.localHeaderOffset) + offsetCorrection_ + shift_;
    info.localOffset = local < 0 ? 0 : static_cast<uint64_t>(local);
    if (!multi) {
      std::array<uint8_t, TLocalHeader::kSize> head{};
      bool good = local >= 0 && ReadAt(archive_, info.localOffset, head.data(), head.size()) == head.size() &&
                  SignatureKind(TRecordKind::Local, GetLE<uint32_t>(head.data())).kind == TRecordKind::Local;
      if (!good && !firstChecked && local >= 0) {
        uint64_t found = info.localOffset;
        if ((good = findShiftedLocalHeader(found))) {
          shift_ += static_cast<int64_t>(found - info.localOffset);
          info.localOffset = found;
        }
      }
      firstChecked = true;
      if (!good) {
        ReportError(fileName_, {}, kZipBadLocalOffset, volumeName_);
        recordFailure(fileName_, kZipBadLocalOffset, "local header not where the directory says");
        continue;
      }
    }
    addToTotals(info, dosOf(central.date, central.time), central.flags);
    list.Add({info, fileName_, 0, central, {}, std::move(extra)});
  }
  if (!cancel_ && seen < EntriesTotal()) {
    ReportError(archiveFile_, "central directory damaged", kZipBadData);
    recordFailure(archiveFile_, kZipBadData,
                  "central directory damaged: " + std::to_string(seen) + " of " +
                      std::to_string(EntriesTotal()) + " entries readable");
  }
  return static_cast<int>(list.Count());
}

int TUnZip::scanLocalHeaders(TUnBaseHeaderObj& list) {
  if (OnCorruptZipHeader) {
    bool cancel = true;
    OnCorruptZipHeader(scanState_, cancel);
    if (cancel) return 0;
  }
  if (!archive_.Open(0) || !archive_.Seek(dirOffset_, soFromBeginning)) return 0;
  std::array<uint8_t, TLocalHeader::kSize> raw{};
  uint64_t position = static_cast<uint64_t>(dirOffset_);
  bool got = readRecord<TLocalHeader>(archive_, raw);
  if (got && GetLE<uint32_t>(raw.data()) == kSigSpan) {
    position += 4;
    got = archive_.Seek(static_cast<int64_t>(position), soFromBeginning) &&
          readRecord<TLocalHeader>(archive_, raw);
  }
  while (got && !cancel_) {
    const auto sig = SignatureKind(TRecordKind::Local, GetLE<uint32_t>(raw.data()));
    if (sig.kind != TRecordKind::Local) break;
    if (sig.enciphered) DecipherHeader(raw.data(), TRecordKind::Local);
    auto header = ReadRecord<TLocalHeader>(raw);
    std::vector<uint8_t> extra;
    auto name = readName(header, sig.enciphered, extra);
    if (!name) break;
    TUnBaseInfo info;
    info.sizes = {header.compressedSize, header.uncompressedSize, position};
    const TExtraInfo extraInfo = ReadExtraField(extra, false, info.sizes);
    fileName_ = OemNameToLocal(*name, TranslateOemChar, header.flags & kFlagUtf8Name);
    if (!name->empty() && MatchEntryName(fileName_)) {
      info.diskNumber = archive_.Disk();
      info.localOffset = position;
      info.aes = extraInfo.aes;
      info.strongEncryption = extraInfo.hasStrongEncryption;
      addToTotals(info, dosOf(header.date, header.time), header.flags);
      TCentralHeader copy;
      copy.flags = header.flags, copy.method = header.method, copy.crc = header.crc;
      copy.time = header.time, copy.date = header.date;
      list.Add({info, fileName_, 0, copy, {}, std::move(extra)});
    }
    if (!archive_.Skip(info.sizes.compressed)) break;
    position = archive_.Position().valueOr(0);
    got = readRecord<TLocalHeader>(archive_, raw);
  }
  return static_cast<int>(list.Count());
}

// ---- the selected entries ----

bool TUnZip::readLocalHeader(const TUnBaseHeaderObj::Entry& record, bool fromDirectory) {
  const TUnBaseInfo& info = record.info;
  std::array<uint8_t, TLocalHeader::kSize> raw{};
  if (!archive_.Seek(static_cast<int64_t>(info.localOffset), soFromBeginning) ||
      !readRecord<TLocalHeader>(archive_, raw))
    return false;
  const auto sig = SignatureKind(TRecordKind::Local, GetLE<uint32_t>(raw.data()));
  if (sig.kind != TRecordKind::Local) return false;
  if (sig.enciphered) DecipherHeader(raw.data(), TRecordKind::Local);
  auto local = ReadRecord<TLocalHeader>(raw);
  std::vector<uint8_t> extra;
  auto name = readName(local, sig.enciphered, extra);
  if (!name) return false;
  entry_ = {};
  entry_.dosDateTime = dosOf(local.date, local.time);
  if (fromDirectory && record.central) {
    const TCentralHeader& c = *record.central;
    entry_.flags = c.flags, entry_.method = c.method, entry_.crc = c.crc;
    entry_.compressed = info.sizes.compressed, entry_.uncompressed = info.sizes.uncompressed;
    entry_.aes = info.aes;
    entry_.strongEncryption = info.strongEncryption;
  } else {
    TEntrySizes sizes{local.compressedSize, local.uncompressedSize, 0};
    const TExtraInfo localExtra = ReadExtraField(extra, false, sizes);
    entry_.flags = local.flags, entry_.method = local.method, entry_.crc = local.crc;
    entry_.compressed = sizes.compressed, entry_.uncompressed = sizes.uncompressed;
    entry_.aes = localExtra.aes;
    entry_.strongEncryption = localExtra.hasStrongEncryption;
  }
  if (!entry_.aes) {  // the local extra carries it when the central one was cut short
    TEntrySizes ignored;
    entry_.aes = ReadExtraField(extra, false, ignored).aes;
  }
  fileName_ = OemNameToLocal(*name, TranslateOemChar, local.flags & kFlagUtf8Name);
  return true;
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
    if (!readLocalHeader(record, fromDirectory)) {
      fileName_ = record.name;
      ReportError(fileName_, {}, kZipBadLocalOffset, volumeName_);
      recordFailure(fileName_, kZipBadLocalOffset, "no local header where the directory says");
      archiveRemaining -= std::min(archiveRemaining, record.info.sizes.uncompressed);
      continue;
    }
    outputName_ = BuildOutputName(fileName_);
    extractEntry(record.info.externalAttributes);
  }
}

}  // namespace riviza::zip
