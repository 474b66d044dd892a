// The span writer (zip layer). See kvoDiskSpan.h.
#include "zip/kvoDiskSpan.h"

#include <algorithm>

#include "platform/files.h"
#include "platform/pump.h"
#include "zip/kvoDiskManager.h"
#include "zip/kvoErrors.h"
#include "zip/kvoGbls.h"
#include "zip/kvoVolumes.h"
#include "zip/kvoZip.h"

namespace riviza::zip {
namespace {

constexpr size_t kCopyBlock = 65536;

}  // namespace

TDiskSpanObj::TDiskSpanObj(TZipBase& zip)
    : zip_(zip), archive_(zip.GetArchiveFile()), root_(DriveRoot(DriveOfPath(archive_))) {}

TDiskSpanObj::~TDiskSpanObj() = default;

Status TDiskSpanObj::cancelled() {
  zip_.SetCancel(true);
  return zipError(kZipUserCanceled, archive_);
}

Status TDiskSpanObj::WriteSet(TStream32& source) {
  diskNumber_ = 1;
  zip_.diskCounter_ = 0;
  required_ = static_cast<uint64_t>(std::max(zip_.LeaveSpaceOnFirstDisk, 0)) + kSpanReserve;
  Status written = getDisk();
  if (written) {
    auto size = source.Size();
    if (!size) return size.error();
    if (*size + kSpanReserve > free_) {
      uint8_t sig[4];
      PutLE(sig, kSigSpan);
      written = write(sig, sizeof sig, true).ok() ? okStatus() : zipError(kZipWriteError, archive_);
    }
  }
  if (written) written = writeEntries(source);
  if (written) written = writeDirectory();
  if (written && volume_) written = volume_->Close();
  volume_.reset();
  if (!written) zip_.added_ = 0;
  return written;
}

Status TDiskSpanObj::writeEntries(TStream32& source) {
  for (auto& e : zip_.list_.entries()) {
    if (e.info.status == esDrop) continue;
    const uint64_t at = e.info.sizes.localHeaderOffset;
    bool enciphered = false;
    const auto local = ReadHeaderAt<TLocalHeader>(source, at, TRecordKind::Local, zip_, enciphered);
    if (!local) return zipError(kZipBadLocalOffset, e.name);  // a record of no known kind ends the copy
    std::vector<uint8_t> head(TLocalHeader::kSize + local->nameLength + local->extraLength);
    if (ReadAt(source, at, head.data(), head.size()) != head.size())
      return zipError(kZipBadLocalOffset, e.name);
    auto landed = write(head.data(), head.size(), true);
    if (!landed) return landed.error();
    e.info.diskNumber = landed->disk;
    e.info.sizes.localHeaderOffset = landed->offset;
    // The source stands after the header just read: the data follow.
    auto copied =
        CopyBlocks(e.info.sizes.compressed, {kCopyBlock, [this] { return zip_.cancel_; }, ExactReader(source),
                                             [this](uint8_t* data, size_t n, uint64_t) -> Status {
                                               auto w = write(data, n, false);
                                               return w ? okStatus() : Status(w.error());
                                             }});
    if (!copied) return copied.error();
    if (zip_.cancel_) return cancelled();
  }
  return okStatus();
}

Status TDiskSpanObj::writeDirectory() {
  uint64_t count = 0, here = 0, size = 0;
  std::optional<TLanding> start;
  uint16_t lastDisk = 0;
  for (const auto& e : zip_.list_.entries()) {
    if (e.info.status == esDrop) continue;
    const auto record = zip_.CentralRecordBytes(e, e.info.diskNumber, e.info.sizes.localHeaderOffset);
    auto landed = write(record.data(), record.size(), true);
    if (!landed) return landed.error();
    if (!start) start = *landed;
    here = landed->disk == lastDisk ? here + 1 : 1;
    lastDisk = landed->disk;
    ++count;
    size += record.size();
  }
  TCentralEnd end{count,
                  here,
                  size,
                  start ? start->offset : volumeLength_,
                  zip_.diskCounter_,
                  start ? start->disk : zip_.diskCounter_,
                  0};
  // The end records stay on one disk; when they open a new one, that disk holds no directory.
  const size_t endSize = DirectoryEndRecords(end, 0).size();
  if (endSize > free_) {
    RIVIZA_TRY(nextDisk());
    end.thisDisk = zip_.diskCounter_;
    end.entriesHere = 0;
  }
  end.thisDisk = zip_.diskCounter_;
  const auto records = DirectoryEndRecords(end, volumeLength_);
  auto landed = write(records.data(), records.size(), true);
  return landed ? okStatus() : Status(landed.error());
}

Result<TDiskSpanObj::TLanding> TDiskSpanObj::write(const uint8_t* data, size_t count, bool keepTogether) {
  if (keepTogether && count > free_ && volumeLength_ > 0) RIVIZA_TRY(nextDisk());
  if (free_ == 0) RIVIZA_TRY(nextDisk());
  TLanding landed{zip_.diskCounter_, volumeLength_};
  while (count > 0) {
    if (free_ == 0) RIVIZA_TRY(nextDisk());
    const size_t n = static_cast<size_t>(std::min<uint64_t>(count, free_));
    if (Status s = volume_->Write(data, n); !s) {
      zip_.ReportError(archive_, s.error().message,
                       s.error().code == kZipDiskFull ? kZipDiskFull : kZipWriteError, label_);
      return s.error();
    }
    free_ -= n;
    volumeLength_ += n;
    data += n;
    count -= n;
  }
  return landed;
}

Status TDiskSpanObj::nextDisk() {
  ++diskNumber_;
  ++zip_.diskCounter_;
  if (volume_) RIVIZA_TRY(volume_->Close());
  volume_.reset();
  required_ = kSpanReserve;
  return getDisk();
}

bool TDiskSpanObj::readDrive() {
  TVolumeService& volumes = Volumes();
  if (!volumes.DriveReady(root_)) return false;
  auto info = volumes.VolumeInformation(root_);
  if (!info) return false;
  free_ = info->freeBytes;
  total_ = info->totalBytes;
  serial_ = info->serial;
  label_ = info->label;
  return true;
}

Status TDiskSpanObj::clearDisk() {
  if (!zip_.OnClearDisk) {
    readDrive();
    if (free_ >= required_) return okStatus();
    zip_.ReportError(archive_, "OnClearDisk", kZipEventNotAssigned, std::to_string(diskNumber_));
    return zipError(kZipEventNotAssigned, "OnClearDisk");
  }
  for (int attempt = 0; free_ < required_ && attempt < kMaxDiskRequests; ++attempt) {
    bool cancel = false;
    zip_.OnClearDisk(DriveOfPath(archive_), static_cast<int64_t>(required_), static_cast<int64_t>(free_),
                     static_cast<int64_t>(total_), cancel);
    if (cancel) return cancelled();
    readDrive();
  }
  return free_ >= required_ ? okStatus() : Status(zipError(kZipDiskFull, archive_));
}

Status TDiskSpanObj::getDisk() {
  if (!zip_.OnInsertDisk) {
    zip_.ReportError(archive_, "OnInsertDisk", kZipEventNotAssigned, std::to_string(diskNumber_));
    return zipError(kZipEventNotAssigned, "OnInsertDisk");
  }
  if (readDrive() && !platform::fileExists(archive_) && free_ >= required_ &&
      !Volumes().IsWriteProtected(root_) && !(hasLastSerial_ && serial_ == lastSerial_))
    return takeDisk();
  for (int attempt = 0; attempt < kMaxDiskRequests; ++attempt) {
    bool cancel = false;
    zip_.OnInsertDisk(std::to_string(diskNumber_), cancel);
    if (cancel) return cancelled();
    if (!readDrive() || Volumes().IsWriteProtected(root_)) continue;
    // The disk of the last volume, still in the drive: refused before its file is touched.
    if (hasLastSerial_ && serial_ == lastSerial_) continue;
    if (platform::fileExists(archive_)) {
      if (!zip_.OnDiskSpanFileExists) {
        zip_.ReportError(archive_, "OnFileExists", kZipEventNotAssigned, std::to_string(diskNumber_));
        return zipError(kZipEventNotAssigned, "OnFileExists");
      }
      TOverwriteMode mode = omOverwrite;
      const auto info = platform::fileInfo(archive_);
      zip_.OnDiskSpanFileExists(archive_, DosToDateTime(FileTimeToDos(info ? info->modified : 0)), mode);
      if (mode == omSkip) return cancelled();
      if (!DeleteOrRecycle(archive_, zip_.DeleteOptions == doAllowUndo)) {
        zip_.ReportError(archive_, {}, kZipOpenError, std::to_string(diskNumber_));
        return zipError(kZipOpenError, archive_);
      }
      readDrive();
    }
    if (free_ < required_) RIVIZA_TRY(clearDisk());
    return takeDisk();
  }
  zip_.ReportError(archive_, {}, kZipOpenError, std::to_string(diskNumber_));
  return zipError(kZipOpenError, archive_);
}

Status TDiskSpanObj::takeDisk() {
  auto created = TFileStream32::Create(archive_, fmCreate);
  if (!created) {
    zip_.ReportError(archive_, {}, kZipOpenError, std::to_string(diskNumber_));
    return created.error();
  }
  volume_ = std::move(*created);
  volumeLength_ = 0;
  const std::string label = SpannedDiskLabel(diskNumber_);
  if (label_ != label && !Volumes().SetVolumeLabel(root_, label))
    zip_.ReportError(archive_, {}, kZipSpanLabelError, label);
  readDrive();
  if (diskNumber_ == 1)
    free_ -= std::min<uint64_t>(free_, static_cast<uint64_t>(std::max(zip_.LeaveSpaceOnFirstDisk, 0)));
  lastSerial_ = serial_;
  hasLastSerial_ = true;
  return okStatus();
}

}  // namespace riviza::zip
