// Volumes of TUnZip (zip layer): the names of a multi-volume set with OnNextVolume, the disk
// requests of a spanned set, and the drive check before either is read. See kvoUnZip.h.
//
// The drive check of a reader asks only whether the drive is ready: a write-protected disk or a
// read-only medium holds a perfectly readable archive (the writer's check would refuse it).
// A disk request accepts a disk whose label carries the number asked for ("PKBACK# 002"); the
// events are asked at most kMaxDiskRequests times.

#include "platform/codec.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "zip/kvoDiskManager.h"
#include "zip/kvoErrors.h"
#include "zip/kvoGbls.h"
#include "zip/kvoUnZip.h"
#include "zip/kvoVolumes.h"

namespace riviza::zip {
namespace {

Result<std::unique_ptr<TStream32>> openForReading(const std::string& name) {
  auto stream = TFileStream32::Create(name, fmOpenRead | fmShareDenyWrite);
  if (!stream) return stream.error();
  return std::unique_ptr<TStream32>(std::move(*stream));
}

}  // namespace

std::string TUnZip::VolumeName(uint32_t volume, uint32_t lastVolume) const {
  const bool firstGiven = scanState_ == kScanLocalFound;
  if (firstGiven ? volume == 0 : volume >= lastVolume) return archiveFile_;
  const std::string ext = ".z" + platform::zeroPadded(volume + 1LL, 2);
  std::string name = platform::changeFileExt(archiveFile_, ext);
  // Walking from the first volume, the set ends with the ".zip" file when no ".zNN" is left.
  if (firstGiven && !platform::fileExists(name)) {
    std::string last = platform::changeFileExt(archiveFile_, ".zip");
    if (platform::fileExists(last)) return last;
  }
  return name;
}

Result<std::unique_ptr<TStream32>> TUnZip::OpenVolume(uint32_t volume, uint32_t lastVolume) {
  std::string name = VolumeName(volume, lastVolume);
  if (!OnNextVolume) {
    ReportError(name, "OnNextVolume", kZipEventNotAssigned);
    cancel_ = true;
    return zipError(kZipEventNotAssigned, "OnNextVolume");
  }
  for (;;) {
    const std::string asked = name;
    bool cancel = false;
    OnNextVolume(name, std::to_string(volume + 1), platform::fileExists(name), cancel);
    if (cancel) {
      ReportError(name, {}, kZipUserCanceled);
      return zipError(kZipUserCanceled, name);
    }
    if (platform::fileExists(name)) break;
    if (name == asked) {
      ReportError(name, {}, kZipOpenError);
      return zipError(kZipOpenError, name);
    }
  }
  auto stream = openForReading(name);
  if (!stream) {
    ReportError(name, {}, kZipOpenError);
    return stream.error();
  }
  volumeName_ = name;
  if (scanState_ == kScanLocalFound && platform::equalsIgnoreCase(platform::extractFileExt(name), ".zip"))
    archive_.SetLastDisk(volume);
  return stream;
}

Result<std::unique_ptr<TStream32>> TUnZip::requestSpannedDisk(uint32_t disk) {
  const bool last = disk >= archive_.LastDisk();
  const TOnGetZipDisk& event = disk == 0 ? OnGetZipFirstDisk : last ? OnGetZipLastDisk : OnGetZipNextDisk;
  const char* eventName = disk == 0 ? "OnGetZipFirstDisk" : last ? "OnGetZipLastDisk" : "OnGetZipNextDisk";
  if (!event) {
    ReportError(archiveFile_, eventName, kZipEventNotAssigned, std::to_string(disk + 1));
    return zipError(kZipEventNotAssigned, eventName);
  }
  for (int attempt = 0; attempt < kMaxDiskRequests; ++attempt) {
    bool cancel = false;
    event(std::to_string(disk + 1), cancel);
    if (cancel) {
      cancel_ = true;
      return zipError(kZipUserCanceled, archiveFile_);
    }
    if (!platform::fileExists(archiveFile_)) continue;
    auto info = Volumes().VolumeInformation(DriveRoot(DriveOfPath(archiveFile_)));
    if (!info || VolumeNumberFromLabel(info->label) != disk + 1) continue;
    auto stream = openForReading(archiveFile_);
    if (!stream) {
      ReportError(archiveFile_, {}, kZipOpenError);
      return stream.error();
    }
    return stream;
  }
  ReportError(archiveFile_, {}, kZipOpenError, std::to_string(disk + 1));
  return zipError(kZipOpenError, archiveFile_);
}

Result<std::unique_ptr<TStream32>> TUnZip::openDisk(uint32_t disk) {
  if (arcType_ == atZipDS) return requestSpannedDisk(disk);
  if (arcType_ == atZipMV) return OpenVolume(disk, archive_.LastDisk());
  return zipError(kZipOpenError, "volume " + std::to_string(disk + 1));
}

bool TUnZip::driveReady() {
  const std::string drive = DriveOfPath(archiveFile_);
  while (!Volumes().DriveReady(DriveRoot(drive))) {
    if (!OnDiskInDrvErr) {
      ReportError(drive, {}, kZipNotAccessible);
      return false;
    }
    bool abort = true;
    OnDiskInDrvErr(abort);
    if (abort) {
      ReportError(drive, {}, kZipUserCanceled);
      return false;
    }
  }
  return true;
}

}  // namespace riviza::zip
