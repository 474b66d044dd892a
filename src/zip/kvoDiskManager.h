// TDiskManager: checks the drive of an archive before the writer or a multi-volume reader works
// on it (zip layer): readiness, write protection, volume information, free space and the volume
// number in a spanned-disk label.
//
// Every drive question goes through the volume service (kvoVolumes.h), so tests play disks with
// TFakeVolumes. Failures are reported through the caller's error-report hook with the drive as
// file name; a drive that cannot be read asks Retry/Cancel through the prompt callback (Cancel
// when none is set). A path without drive letter or UNC prefix stands for the file system it
// lies on: its nearest existing folder is the drive checked (the Windows program fell back to
// the current folder's drive, which on Linux may be another file system than the archive's).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "zip/kvoPrompt.h"
#include "zip/kvoVolumes.h"

namespace riviza::zip {

// ReportError of the component: file name, extended message, code, volume id.
using TReportError = std::function<void(const std::string& fileName, const std::string& extendedMsg, int code,
                                        const std::string& volumeId)>;
// OnDiskInDrvErr and OnDiskWriteProtectErr: Abort preset true; cleared means "test again".
using TOnDiskError = std::function<void(bool& abort)>;

struct TDiskCheckHooks {
  TReportError reportError;
  TOnDiskError onDiskInDrvErr;
  TOnDiskError onDiskWriteProtectErr;
  TPromptCallback prompt;
};

class TDiskManager {
 public:
  // Readiness, write protection and volume information of the drive of path; true on success,
  // with the fields below filled.
  bool CheckDrive(std::string_view path, const TDiskCheckHooks& hooks);

  std::string driveString;  // "C:", "\\server\share" or the folder standing for a drive
  std::string volumeLabel;
  uint16_t volumeNumber = 0;  // from a "PKBACK# nnn" label
  uint32_t serialNumber = 0;
  std::string serialText;  // 8 hexadecimal digits
  uint32_t maxNameLength = 0;
  uint32_t fileSystemFlags = 0;
  std::string fileSystemName;
  int driveType = dtUnknown;
  std::string driveTypeName;
  int floppyKind = 0;  // 7 or 8 where the kind can be told; never on Linux
  uint64_t freeBytes = 0, totalBytes = 0;
};

// The drive part of a path (see TDiskManager); "" when none can be found.
std::string DriveOfPath(std::string_view path);
// The root text of a drive string, with a trailing "\".
std::string DriveRoot(std::string_view drive);

bool IsWriteProtected(std::string_view drive);
bool DriveReady(std::string_view drive);
// 0 unless the label holds "PKBACK# "; the digits after the last one, or 0 when not all digits.
uint16_t VolumeNumberFromLabel(std::string_view label);
// "PKBACK# " and the disk number as three digits.
std::string SpannedDiskLabel(int diskNumber);

}  // namespace riviza::zip
