// Reader base: type detection on assignment, entry selection, output names with their safety
// check, and the overwrite rules (zip layer). See kvoBase.h.
#include "zip/kvoBase.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

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
  // A letter drive goes; a UNC server stays as a folder below the target.
  if (!IsUncPath(name)) name.erase(0, DrivePart(name).size());
  // Every leading separator goes, not just one: "\\x" must not become a path of its own.
  name.erase(0,
             name.find_first_not_of('\\') == std::string::npos ? name.size() : name.find_first_not_of('\\'));
  return name;
}

std::string TUnBase::BuildOutputName(const std::string& fileName) {
  if (fileName.empty()) return {};
  if (extractDir_.empty()) SetExtractDir({});
  if (extractDir_.empty()) SetExtractDir(platform::currentFolderText());
  std::string folder = extractDir_;
  if (UseStoredDirs) folder = AppendBackslash(extractDir_) + FolderPartOf(StripDrive(fileName));
  // A folder without drive and root is taken below the current folder; the Windows program took
  // it from the root of the current drive, which here would leave the target folder.
  if (folder.find(':') == std::string::npos && (folder.empty() || folder[0] != '\\'))
    folder = AppendBackslash(SlashToBackslash(platform::currentFolderText())) + folder;
  return AppendBackslash(folder) + platform::extractFileName(SlashToBackslash(fileName));
}

namespace {

bool hasUnsafeComponent(std::string_view name) {
  for (unsigned char c : name)
    if (c < 0x20 || c == 0x7F) return true;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find_first_of("\\/", start);
    std::string_view part =
        name.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (part == "..") return true;
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return false;
}

bool isWithin(const fs::path& inner, const fs::path& outer) {
  auto o = outer.begin(), i = inner.begin();
  for (; o != outer.end(); ++o, ++i) {
    if (o->empty()) continue;  // the empty last element of a path ending in "/"
    if (i == inner.end() || *i != *o) return false;
  }
  return true;
}

}  // namespace

fs::path ResolvedPath(const fs::path& native) {
  std::error_code ec;
  fs::path p = fs::weakly_canonical(fs::absolute(native, ec), ec);
  return ec ? fs::path() : p;
}

std::optional<fs::path> TUnBase::SafeOutputPath(const std::string& fileName, const std::string& outputName) {
  if (hasUnsafeComponent(fileName) || hasUnsafeComponent(StripDrive(fileName))) return std::nullopt;
  const std::string baseText = extractDir_.empty() ? platform::currentFolderText() : extractDir_;
  if (safeBase_.text != baseText) {
    safeBase_ = {baseText, ResolvedPath(platform::nativePath(baseText)), true};
    safeFolder_ = {};
  }
  const std::string folder = FolderPartOf(outputName);
  if (safeFolder_.text != folder || folder.empty()) {
    fs::path path = ResolvedPath(platform::nativePath(folder));
    safeFolder_ = {folder, path, !path.empty() && !safeBase_.path.empty() && isWithin(path, safeBase_.path)};
  }
  if (!safeFolder_.inside) return std::nullopt;
  fs::path native = platform::nativePath(outputName);
  std::error_code ec;
  if (fs::is_symlink(fs::symlink_status(native, ec))) {
    fs::path target = ResolvedPath(native);
    if (target.empty() || !isWithin(target, safeBase_.path)) return std::nullopt;
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
