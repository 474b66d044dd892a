// TDiskSpanObj: the span writer (zip layer). It lays a finished archive (the writer's temporary
// output, directory included) over as many removable disks as it needs, one file of the
// archive's name per disk, each disk labelled "PKBACK# nnn", asking for every disk through the
// writer's events (OnInsertDisk, OnDiskSpanFileExists, OnClearDisk).
//
// Layout (APPNOTE 8.5): the spanning signature "PK" 07 08 first when the archive does not fit on
// the first disk; each local header with its name and extras, and each central record, whole on
// one disk (a record that does not fit opens the next disk); entry data and the directory may
// run on from disk to disk; local-header offsets count from the start of their disk; the end
// record names its own disk, the disk where the directory starts, and the directory records
// that lie on its own disk. A disk that is already in use for this set (same serial) is refused
// before anything on it is touched, so a disk left in the drive never loses its volume.
//   start --getDisk--> disk n open --full--> nextDisk --> disk n+1 open ... --end record--> closed
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/result.h"
#include "zip/kvoStreams.h"

namespace riviza::zip {

class TZipBase;

// Bytes every disk must offer beyond LeaveSpaceOnFirstDisk before it is taken; also the margin
// by which an archive must fit on its disk to be written without spanning.
inline constexpr uint64_t kSpanReserve = 10000;

class TDiskSpanObj {
 public:
  explicit TDiskSpanObj(TZipBase& zip);
  ~TDiskSpanObj();

  // Writes the set from the finished archive `source`; on failure the writer's added count
  // becomes 0. A cancel in any event is kZipUserCanceled.
  Status WriteSet(TStream32& source);

 private:
  struct TLanding {
    uint16_t disk = 0;
    uint64_t offset = 0;
  };

  Status writeEntries(TStream32& source);
  Status writeDirectory();
  Status getDisk();
  Status nextDisk();
  Status takeDisk();
  bool readDrive();
  Status clearDisk();
  // Writes bytes, on to the next disks as space runs out; keepTogether moves a record that
  // does not fit on this disk to the next one first. Returns where the first byte landed.
  Result<TLanding> write(const uint8_t* data, size_t count, bool keepTogether);
  Status cancelled();

  TZipBase& zip_;
  std::string archive_, root_;
  std::unique_ptr<TFileStream32> volume_;
  int diskNumber_ = 0;  // 1-based, as the labels count
  uint64_t required_ = 0, free_ = 0, total_ = 0, volumeLength_ = 0;
  uint32_t serial_ = 0, lastSerial_ = 0;
  bool hasLastSerial_ = false;
  std::string label_;
};

}  // namespace riviza::zip
