// The writer's file selection (zip layer): the scan over FileSpec, the per-file decision (stored
// name, ExcludeSpec, duplicates against the archive's entries and the run's own), and the
// entries swDelete selects. See kvoCompBase.h.
#include <algorithm>
#include <filesystem>

#include "platform/codec.h"
#include "platform/paths.h"
#include "zip/kvoCompBase.h"
#include "zip/kvoErrors.h"
#include "zip/kvoFileScan.h"
#include "zip/kvoGbls.h"

namespace riviza::zip {
namespace {

bool startsWithIgnoreCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && platform::equalsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

std::string withoutPrefix(const std::string& path, const std::string& prefix) {
  return !prefix.empty() && startsWithIgnoreCase(path, prefix) ? path.substr(prefix.size()) : path;
}

}  // namespace

std::string CanonicalText(const std::string& pathText) {
  const std::filesystem::path native = platform::nativePath(pathText);
  const std::filesystem::path resolved = ResolvedPath(native);
  return (resolved.empty() ? native : resolved).string();
}

// ---- names ----

void TCustomCClass::EncodeName(EntryInfo& info, const std::string& name) const {
  TStoredName stored = LocalNameToOem(name, TranslateOemChar);
  info.storedName = std::move(stored.bytes);
  info.utf8 = stored.utf8;
  info.unicodePath = std::move(stored.unicodePath);
}

// Kept entries are named as the reader reads them, so a new name that is not UTF-8 is looked up
// by its reading too: adding the same file again finds it instead of storing it twice.
std::string TCustomCClass::nameKey(const std::string& name) {
  const TStoredName stored = LocalNameToOem(name, false);
  return platform::foldCase(stored.unicodePath.empty() ? name : SlashToBackslash(stored.unicodePath));
}

void TCustomCClass::indexName(const std::string& name, size_t index) { names_[nameKey(name)] = index; }

std::optional<size_t> TCustomCClass::findName(const std::string& name) const {
  auto it = names_.find(nameKey(name));
  if (it == names_.end()) return std::nullopt;
  return it->second;
}

std::string TCustomCClass::BuildOutputName(const std::string& path, const std::string& root) const {
  const bool folder = !path.empty() && path.back() == '\\';
  switch (StoredDirNames) {
    case sdNone: {
      const std::string bare = RemoveBackslash(path);
      return platform::extractFileName(bare) + (folder ? "\\" : "");
    }
    case sdAbsolute:
      return path;
    case sdAbsoluteNoDrv:
      return path.substr(DrivePart(path).size());
    case sdAbsoluteNoRoot: {
      std::string rest = path.substr(DrivePart(path).size());
      return rest.substr(std::min(rest.find_first_not_of('\\'), rest.size()));
    }
    case sdRelative:
      return withoutPrefix(path, AppendBackslash(root));
    case sdRelativeStoreStart:
      return withoutPrefix(path, platform::extractFilePath(RemoveBackslash(root)));
    case sdExplorer_Auto:
    case sdExplorer_UserDefineDefaultDir:
      return withoutPrefix(path, DefaultDir.empty() ? std::string() : AppendBackslash(DefaultDir));
  }
  return path;
}

bool TCustomCClass::ExcludedBySpec(const std::string& path, const std::string& root) const {
  const std::string name = platform::extractFileName(path);
  const std::string fileFolder = platform::extractFilePath(path);
  for (const std::string& raw : ExcludeSpec) {
    const std::string line = SlashToBackslash(raw);
    if (line.empty()) continue;
    if (line.find('\\') == std::string::npos) {
      if (WildcardMatch(name, line)) return true;
      continue;
    }
    std::string folder = platform::extractFilePath(line);
    std::string mask = platform::extractFileName(line);
    if (mask.empty()) mask.push_back('*');
    if (folder.front() == '\\' && !IsUncPath(folder))
      folder.insert(0, DrivePart(path));
    else if (folder.find(':') == std::string::npos && folder.front() != '\\')
      folder.insert(0, AppendBackslash(root));
    if (startsWithIgnoreCase(fileFolder, folder) && WildcardMatch(name, mask)) return true;
  }
  return false;
}

std::string TCustomCClass::defaultFolderFromMasks() const {
  std::string common;
  bool first = true;
  for (const std::string& mask : FileSpec) {
    const std::string folder = platform::extractFilePath(SlashToBackslash(mask));
    if (first) {
      common = folder;
      first = false;
      continue;
    }
    size_t n = 0, lastSep = 0;
    while (n < common.size() && n < folder.size() &&
           platform::equalsIgnoreCase(common.substr(n, 1), folder.substr(n, 1))) {
      if (common[n] == '\\') lastSep = n + 1;
      ++n;
    }
    common = common.substr(0, lastSep);
  }
  return common;
}

// ---- the scan ----

bool TCustomCClass::isOwnOutput(const std::string& path) const {
  const std::string name = platform::foldCase(platform::extractFileName(path));
  auto sameName = [&](const std::string& native) {
    return !native.empty() && platform::foldCase(std::filesystem::path(native).filename().string()) == name;
  };
  if (!sameName(archiveNative_) && !sameName(tempNative_)) return false;
  const std::string canonical = CanonicalText(path);
  return canonical == archiveNative_ || canonical == tempNative_;
}

bool TCustomCClass::selectFiles() {
  TkvoFileScan scan;
  scan.Attributes = Attributes;
  if (StoreEmptySubDirs) scan.Attributes.include(fsDirectory);
  scan.AttributesEx = AttributesEx;
  scan.RecurseDirs = RecurseDirs;
  scan.IncludeHiddenDirs = IncludeHiddenDirs;
  scan.CancelFlag = &cancel_;
  scan.OnScanFile = OnFileScanStatus;
  scan.OnRecurseDir = OnRecurseDir;
  scan.OnRootDirChange = [this](const std::string& dir) { root_ = dir; };
  // What the scan had to leave out is a failure of the run like a file that cannot be read.
  scan.OnScanError = [this](const std::string& path, const std::string& reason) {
    ReportError(path, reason, kZipOpenError);
    recordFailure(path, kZipOpenError, reason);
  };
  scan.FileFound = [this](const std::string& folder, const platform::DirEntry& entry, uint32_t attributes) {
    return fileFound(folder, entry, attributes);
  };
  std::vector<std::string> masks;
  for (const std::string& line : FileSpec) masks.push_back(SlashToBackslash(line));
  scan.SetFileSpec(std::move(masks));
  // A mask without a folder is taken in the current folder, not on the scanner's default drive.
  scan.SetRootDir(platform::currentFolderText());
  root_.clear();
  scan.Scan();
  if (!cancel_ && taken_ > 0) return true;
  if (taken_ == 0) ReportError({}, {}, kZipNothingToDo);
  return false;
}

bool TCustomCClass::fileFound(const std::string& folder, const platform::DirEntry& entry,
                              uint32_t attributes) {
  if (cancel_) return false;
  EntryInfo info;
  info.attributes = attributes;
  info.dosDateTime = FileTimeToDos(entry.modified);
  if (entry.isDirectory) {
    // Only folders that hold nothing but empty folders: the others appear through their files.
    if (!StoreEmptySubDirs || !TreeHoldsNoFiles(folder)) return false;
    info.folder = true;
    info.source = folder;
  } else {
    info.source = folder + entry.name;
    if (isOwnOutput(info.source) || ExcludedBySpec(info.source, root_)) return false;
    info.fileSize = entry.sizeBytes;
    maxDate_ = std::max(maxDate_, info.dosDateTime);
  }
  const std::string name = BuildOutputName(info.source, root_);
  if (name.empty() || name == "\\") return false;
  ++taken_;
  if (auto existing = findName(name))
    decideDuplicate(*existing, std::move(info), name);
  else if (Switch != swRefresh)
    appendNew(std::move(info), name);
  return true;
}

void TCustomCClass::appendNew(EntryInfo info, const std::string& name) {
  info.status = esCompress;
  info.encryption = info.folder ? emNone : EncryptionMethod;
  info.headerEnciphered = EncryptHeaders;
  EncodeName(info, name);
  list_.Add({std::move(info), name, root_.size(), std::nullopt, {}, {}});
  indexName(name, list_.Count() - 1);
}

// The rules for a found file whose stored name is taken already. Two files of this run under
// one name (a case difference Linux allows, or sdNone) would overwrite each other when the
// archive is unpacked, so the second needs OnRenameDupeFile or stays out, named in Failures().
void TCustomCClass::decideDuplicate(size_t existing, EntryInfo info, const std::string& name) {
  auto renamed = [&]() -> bool {
    if (!OnRenameDupeFile) return false;
    std::string newName = name;
    bool rename = false;
    OnRenameDupeFile(info.source, newName, rename);
    newName = SlashToBackslash(newName);
    if (!rename || newName.empty() || findName(newName)) return false;
    appendNew(std::move(info), newName);
    return true;
  };
  auto& old = list_[existing];
  if (old.info.status == esCompress) {
    if (renamed()) return;
    if (!OnRenameDupeFile) ReportError(info.source, "OnRenameDupeFile", kZipEventNotAssigned);
    recordFailure(info.source, kZipEventNotAssigned, "same stored name as " + old.info.source);
    return;
  }
  const uint32_t oldDate = old.central ? DosDateTimeOf(*old.central) : 0;
  const uint32_t oldAttr = old.central ? old.central->externalAttributes : 0;
  const bool equal = old.info.sizes.uncompressed == info.fileSize && oldDate == info.dosDateTime &&
                     MaskAttributes(oldAttr) == MaskAttributes(info.attributes);
  if (equal) {
    if (Switch != swRefresh && renamed()) return;
    // The archive holds this very file: a move may delete it.
    if (Switch == swMove && !info.folder) {
      old.info.deleteSource = true;
      old.info.source = info.source;
    }
    return;
  }
  if (Switch == swRefresh) {
    if (info.dosDateTime <= oldDate) return;
    info.status = esCompress;
    info.encryption = info.folder ? emNone : EncryptionMethod;
    info.headerEnciphered = EncryptHeaders;
    EncodeName(info, name);
    old.info = std::move(info);
    old.comment.clear();
    old.extra.clear();
    old.central.reset();
    return;
  }
  if (!OnReplaceFile) {
    ReportError(info.source, "OnReplaceFile", kZipEventNotAssigned);
    return;
  }
  bool replace = false;
  OnReplaceFile(old.name, info.source, DosToDateTime(oldDate), DosToDateTime(info.dosDateTime),
                static_cast<int64_t>(old.info.sizes.uncompressed), static_cast<int64_t>(info.fileSize),
                static_cast<int>(oldAttr), static_cast<int>(info.attributes), replace);
  if (!replace) return;
  old.info.status = esDrop;
  ++deleteSelected_;
  appendNew(std::move(info), name);
}

// swDelete: every entry whose name matches a mask of FileSpec (the whole name, or for a mask
// without folder its file-name part).
void TCustomCClass::markDeletions() {
  std::vector<TInternalMask> whole, bare;
  for (const std::string& line : FileSpec) {
    const std::string mask = SlashToBackslash(line);
    if (mask.empty()) continue;
    (mask.find('\\') == std::string::npos ? bare : whole).emplace_back(mask == "*.*" ? "*" : mask);
  }
  for (auto& e : list_.entries()) {
    const std::string fileName = platform::extractFileName(RemoveBackslash(e.name));
    const bool hit =
        std::any_of(whole.begin(), whole.end(), [&](const auto& m) { return m.Matches(e.name); }) ||
        std::any_of(bare.begin(), bare.end(), [&](const auto& m) { return m.Matches(fileName); });
    if (!hit) continue;
    e.info.status = esDrop;
    ++deleteSelected_;
  }
}

}  // namespace riviza::zip
