// Drives and volumes behind one interface (zip layer): what the disk manager and the spanned
// archives ask of a drive, with the Linux implementation and a fake for tests.
//
// A drive is addressed by its root as path text ("C:\", "\\server\share\", or on Linux any
// existing folder, which stands for the file system it lies on). The Linux service reads
// statvfs for space and read-only state, /proc/self/mountinfo for the mount and its file system,
// /dev/disk/by-label and by-uuid for label and serial, and /sys/dev/block for the removable flag.
// Volume labels cannot be written from here on Linux: SetVolumeLabel fails, which the span
// writer reports and continues. Volumes() is process-wide and replaced in tests through
// ScopedVolumes; like the system-call table it is swapped only while no archive runs.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "platform/result.h"

namespace riviza::zip {

// Drive types numbered as Windows numbers them.
enum TDriveType : int {
  dtUnknown = 0,
  dtNoRoot = 1,
  dtRemovable = 2,
  dtFixed = 3,
  dtRemote = 4,
  dtCdRom = 5,
  dtRamDisk = 6
};

struct TVolumeInfo {
  std::string label;
  uint32_t serial = 0;
  uint32_t maxNameLength = 255;
  uint32_t fileSystemFlags = 0;
  std::string fileSystemName;
  int driveType = dtFixed;
  uint64_t freeBytes = 0, totalBytes = 0;
};

class TVolumeService {
 public:
  virtual ~TVolumeService() = default;
  virtual Result<TVolumeInfo> VolumeInformation(std::string_view root) = 0;
  // The drive's total size can be read.
  virtual bool DriveReady(std::string_view root) = 0;
  virtual bool IsWriteProtected(std::string_view root) = 0;
  virtual Status SetVolumeLabel(std::string_view root, std::string_view label) = 0;
};

class TLinuxVolumes : public TVolumeService {
 public:
  Result<TVolumeInfo> VolumeInformation(std::string_view root) override;
  bool DriveReady(std::string_view root) override;
  bool IsWriteProtected(std::string_view root) override;
  Status SetVolumeLabel(std::string_view root, std::string_view label) override;
};

// Drives of a test: each root (compared ignoring case) with its state; the test changes a drive
// between calls to play disk changes, full disks and write protection.
class TFakeVolumes : public TVolumeService {
 public:
  struct Drive {
    TVolumeInfo info;
    bool ready = true;
    bool writeProtected = false;
    bool labelWritable = true;
    bool readable = true;  // false: VolumeInformation fails
  };

  Drive& drive(std::string_view root);  // created on first use
  Result<TVolumeInfo> VolumeInformation(std::string_view root) override;
  bool DriveReady(std::string_view root) override;
  bool IsWriteProtected(std::string_view root) override;
  Status SetVolumeLabel(std::string_view root, std::string_view label) override;

 private:
  std::map<std::string, Drive> drives_;
};

TVolumeService& Volumes();

class ScopedVolumes {
 public:
  explicit ScopedVolumes(TVolumeService& replacement);
  ~ScopedVolumes();
  ScopedVolumes(const ScopedVolumes&) = delete;
  ScopedVolumes& operator=(const ScopedVolumes&) = delete;

 private:
  TVolumeService* saved_;
};

}  // namespace riviza::zip
