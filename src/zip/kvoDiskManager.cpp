// The disk manager's drive check (zip layer). See kvoDiskManager.h.
#include "zip/kvoDiskManager.h"

#include <cstdio>

#include "platform/codec.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "zip/kvoErrors.h"
#include "zip/kvoGbls.h"

namespace riviza::zip {
namespace {

constexpr std::string_view kSpanLabel = "PKBACK# ";

void report(const TDiskCheckHooks& hooks, const std::string& drive, int code) {
  if (hooks.reportError) hooks.reportError(drive, {}, code, {});
}

// Asks the event while the condition holds; false when the user aborts or no event exists.
template <class Condition>
bool waitWhile(Condition stillBad, const TOnDiskError& event, const TDiskCheckHooks& hooks,
               const std::string& drive, int codeWithoutEvent) {
  while (stillBad()) {
    if (!event) {
      report(hooks, drive, codeWithoutEvent);
      return false;
    }
    bool abort = true;
    event(abort);
    if (abort) {
      report(hooks, drive, kZipUserCanceled);
      return false;
    }
  }
  return true;
}

}  // namespace

std::string DriveOfPath(std::string_view path) {
  if (const std::string_view drive = DrivePart(path); !drive.empty()) return std::string(drive);
  // No drive: the nearest existing folder stands for the file system.
  std::string folder = RemoveBackslash(SlashToBackslash(path));
  while (!folder.empty() && !IsDirectory(folder)) {
    size_t cut = folder.find_last_of('\\');
    folder = cut == std::string::npos ? std::string() : folder.substr(0, cut);
  }
  if (!folder.empty()) return folder;
  const bool absolute = !path.empty() && (path[0] == '\\' || path[0] == '/');
  return absolute ? "\\" : platform::currentFolderText();
}

std::string DriveRoot(std::string_view drive) { return AppendBackslash(drive); }

bool IsWriteProtected(std::string_view drive) { return Volumes().IsWriteProtected(DriveRoot(drive)); }

bool DriveReady(std::string_view drive) { return Volumes().DriveReady(DriveRoot(drive)); }

uint16_t VolumeNumberFromLabel(std::string_view label) {
  size_t at = label.rfind(kSpanLabel);
  if (at == std::string_view::npos) return 0;
  std::string_view digits = label.substr(at + kSpanLabel.size());
  if (digits.empty() || digits.size() > 5) return 0;
  unsigned value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  return value > 0xFFFF ? 0 : static_cast<uint16_t>(value);
}

std::string SpannedDiskLabel(int diskNumber) {
  return std::string(kSpanLabel) + platform::zeroPadded(diskNumber, 3);
}

bool TDiskManager::CheckDrive(std::string_view path, const TDiskCheckHooks& hooks) {
  driveString = DriveOfPath(path);
  const std::string root = DriveRoot(driveString);
  TVolumeService& volumes = Volumes();
  const bool letter = !IsUncPath(driveString);
  if (letter) {
    if (!waitWhile([&] { return !volumes.DriveReady(root); }, hooks.onDiskInDrvErr, hooks, driveString,
                   kZipNotAccessible))
      return false;
    if (!waitWhile([&] { return volumes.IsWriteProtected(root); }, hooks.onDiskWriteProtectErr, hooks,
                   driveString, kZipWriteProtected))
      return false;
  }
  auto info = volumes.VolumeInformation(root);
  while (!info) {
    TPrompt ask{TPromptKind::Error,
                TPromptButtons::RetryCancel,
                {},
                platform::toUpperAscii(root) + std::string(ErrorText(kZipNotAccessible)) + "\n\n" +
                    info.error().message};
    if (AskUser(hooks.prompt, ask) != TPromptAnswer::Retry) {
      report(hooks, driveString, kZipNotAccessible);
      return false;
    }
    info = volumes.VolumeInformation(root);
  }
  if (info->driveType == dtNoRoot) {
    report(hooks, driveString, kZipNotAccessible);
    return false;
  }
  volumeLabel = info->label.substr(0, 256);
  volumeNumber = VolumeNumberFromLabel(volumeLabel);
  serialNumber = info->serial;
  char hex[9];
  std::snprintf(hex, sizeof hex, "%08X", serialNumber);
  serialText = hex;
  maxNameLength = info->maxNameLength;
  fileSystemFlags = info->fileSystemFlags;
  fileSystemName = info->fileSystemName;
  driveType = info->driveType;
  freeBytes = info->freeBytes;
  totalBytes = info->totalBytes;
  floppyKind = 0;  // no old-style DOS service to tell 3½ from 5¼
  driveTypeName = std::string(DriveTypeName(driveType == dtRemovable ? floppyKind : driveType));
  return true;
}

}  // namespace riviza::zip
