// Reader base: type detection on assignment, entry selection, output names with their safety
// check, and the overwrite rules (zip layer). See kvoBase.h.
#include "zip/kvoBase.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/codec.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "zip/kvoErrors.h"
#include "zip/kvoFileScan.h"
#include "zip/kvoGbls.h"

namespace fs = std::filesystem;

namespace riviza::zip {

std::string FolderPartOf(std::string_view name) {
  std::string folder = SlashToBackslash(platform::extractFilePath(name));
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  return folder;
}

// ---- TCustomDClass ----

void TCustomDClass::SetArchiveFile(std::string_view name) {
  std::string text = SlashToBackslash(name);
  if (text.empty() || !platform::fileExists(text)) {
    archiveFile_.clear();
    arcType_ = atNA;
    return;
  }
  archiveFile_ = std::move(text);
  archiveExists_ = true;
  cancel_ = false;
  auto stream = TFileStream32::Create(archiveFile_, fmOpenRead | fmShareDenyNone);
  arcType_ = stream ? DetectArchiveType(**stream) : atNA;
}

void TCustomDClass::SetArcType(TArcType) {
  if (archiveFile_.empty()) return;
  auto stream = TFileStream32::Create(archiveFile_, fmOpenRead | fmShareDenyWrite);
  arcType_ = stream ? DetectArchiveType(**stream) : atFileOpenErr;
}

// ---- selection ----

bool TUnBase::MatchEntryName(const std::string& name) {
  for (std::string& mask : FileSpec) {
    if (mask.empty()) continue;
    if (std::any_of(ExcludeSpec.begin(), ExcludeSpec.end(),
                    [&](const std::string& x) { return !x.empty() && WildcardMatch(name, x); })) {
      if (OnExcludeFile) OnExcludeFile(name);
      return false;
    }
    if (platform::equalsIgnoreCase(mask, name)) return true;
    const std::string nameFolder = FolderPartOf(name), maskFolder = FolderPartOf(mask);
    std::string subject;
    if (!RecurseDirs) {
      if (!platform::equalsIgnoreCase(nameFolder, maskFolder)) continue;
      subject = name;
    } else {
      subject = maskFolder.empty() ? platform::extractFileName(name) : name;
    }
    if (WildcardMatch(subject, mask)) return true;
    if (platform::extractFileName(subject).find('.') == std::string::npos) subject += '.';
    if (platform::extractFileName(mask).find('.') == std::string::npos) mask += '.';
    if (WildcardMatch(subject, mask)) return true;
  }
  return false;
}

// ---- output names ----

void TUnBase::SetExtractDir(std::string_view dir) {
  std::string value = dir.empty() ? FolderPartOf(archiveFile_) : AppendBackslash(SlashToBackslash(dir));
  extractDir_ = value.empty() ? value : FolderPartOf(value);
}

std::string TUnBase::StripDrive(std::string_view fileName) {
  std::string name = SlashToBackslash(fileName);
  // A letter drive with its root goes; a UNC server stays as a folder below the target.
  const std::string_view drive = DrivePart(name);
  if (!IsUncPath(name) && !drive.empty() && name.size() > drive.size() && name[drive.size()] == '\\')
    name.erase(0, drive.size());
  // Every leading separator goes, not just one: "\\x" must not become a path of its own.
  name.erase(0,
             name.find_first_not_of('\\') == std::string::npos ? name.size() : name.find_first_not_of('\\'));
  return name;
}

std::string TUnBase::targetFolderText() const {
  // A folder without drive and root is taken below the current folder; the Windows program took
  // it from the root of the current drive, which here would leave the target folder.
  if (extractDir_.find(':') == std::string::npos && (extractDir_.empty() || extractDir_[0] != '\\'))
    return AppendBackslash(SlashToBackslash(platform::currentFolderText())) + extractDir_;
  return extractDir_;
}

std::string TUnBase::BuildOutputName(const std::string& fileName) {
  if (fileName.empty()) return {};
  if (extractDir_.empty()) SetExtractDir({});
  if (extractDir_.empty()) SetExtractDir(platform::currentFolderText());
  std::string folder = targetFolderText();
  if (UseStoredDirs) folder = AppendBackslash(folder) + FolderPartOf(StripDrive(fileName));
  return AppendBackslash(folder) + platform::extractFileName(SlashToBackslash(fileName));
}

namespace {

bool isWithin(const fs::path& inner, const fs::path& outer) {
  auto o = outer.begin(), i = inner.begin();
  for (; o != outer.end(); ++o, ++i) {
    if (o->empty()) continue;  // the empty last element of a path ending in "/"
    if (i == inner.end() || *i != *o) return false;
  }
  return true;
}

std::vector<std::string_view> componentsOf(std::string_view name) {
  std::vector<std::string_view> parts;
  for (size_t start = 0; start <= name.size();) {
    const size_t end = std::min(name.find_first_of("\\/", start), name.size());
    if (end > start) parts.push_back(name.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

}  // namespace

TUnBase::TNameVerdict TUnBase::CheckStoredName(std::string_view fileName) {
  if (fileName.empty()) return {kZipNameEmpty, "the entry has no name"};
  for (unsigned char c : fileName)
    if (c < 0x20 || c == 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "0x%02X", c);
      return {kZipNameControl, std::string("the name holds the control character ") + hex};
    }
  const std::string stripped = StripDrive(fileName);
  if (stripped.find(':') != std::string::npos)
    return {kZipNameColon, "the name holds a colon that is no drive's, which no Windows file name can"};
  for (std::string_view part : componentsOf(stripped))
    if (part == "..") return {kZipNameOutside, "the name leads outside the target folder"};
  return {};
}

fs::path ResolvedPath(const fs::path& native) {
  std::error_code ec;
  fs::path p = fs::weakly_canonical(fs::absolute(native, ec), ec);
  return ec ? fs::path() : p;
}

std::optional<fs::path> TUnBase::SafeOutputPath(const std::string& fileName) {
  const std::string baseText = targetFolderText();
  if (safeBase_.text != baseText) {
    safeBase_ = {baseText, platform::nativePath(baseText), true};
    safeBase_.resolved = ResolvedPath(safeBase_.path);
    safeFolder_ = {};
  }
  fs::path native = safeBase_.path;
  const std::string relative =
      UseStoredDirs ? StripDrive(fileName) : platform::extractFileName(SlashToBackslash(fileName));
  for (std::string_view part : componentsOf(relative)) native /= part;
  const fs::path folder = native.parent_path();
  if (safeFolder_.text != folder.native()) {
    const fs::path resolved = ResolvedPath(folder);
    safeFolder_ = {
        folder.native(), folder,
        !resolved.empty() && !safeBase_.resolved.empty() && isWithin(resolved, safeBase_.resolved)};
  }
  if (!safeFolder_.inside) return std::nullopt;
  std::error_code ec;
  if (fs::is_symlink(fs::symlink_status(native, ec))) {
    fs::path target = ResolvedPath(native);
    if (target.empty() || !isWithin(target, safeBase_.resolved)) return std::nullopt;
  }
  return native;
}

// ---- accepting an entry ----

bool TUnBase::confirmOverwrite(std::string& outputName) {
  OverwriteMode = omOverwrite;
  if (!platform::pathExists(outputName)) return true;
  if (!OnFileExists) {
    ReportError(outputName, "OnFileExists", kZipEventNotAssigned);
    OverwriteMode = omSkip;
    return false;
  }
  for (;;) {
    std::string newName;
    OnFileExists(outputName, newName, OverwriteMode);
    if (newName.empty()) newName = outputName;
    (void)ForceDirs(FolderPartOf(newName));  // a folder that cannot be made shows when the file is created
    if (cancel_ || OverwriteMode == omSkip || platform::equalsIgnoreCase(newName, outputName)) break;
    outputName = newName;
    if (!platform::pathExists(outputName)) break;
  }
  if (cancel_ || OverwriteMode == omSkip || !platform::pathExists(outputName)) return true;
  if (platform::directoryExists(outputName)) {
    ReportError(outputName, {}, kZipWriteError);
    return false;
  }
  auto info = platform::fileInfo(outputName);
  if (info && info->readOnly) (void)platform::setReadOnly(outputName, false);  // creation reports it
  return true;
}

bool TUnBase::ConfirmEntry(std::string& outputName) {
  if (OnBegin) {
    if (OnRenameFile) {
      std::string newName = outputName;
      OnRenameFile(outputName, newName);
      if (!newName.empty()) {
        outputName = newName;
        (void)ForceDirs(FolderPartOf(outputName));  // as above
      }
    }
    bool extract = true;
    OnBegin(outputName, Count + 1, extract);
    if (cancel_ || !extract) return false;
  }
  if (ConfirmOverwrites && !confirmOverwrite(outputName)) return false;
  const bool accepted = !cancel_ && OverwriteMode == omOverwrite && !outputName.empty();
  if (accepted) ++Count;
  return accepted;
}

}  // namespace riviza::zip
