// Masks, mask collections, the file list and the folder scanner (zip layer). See kvoFileScan.h.
#include "zip/kvoFileScan.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "platform/codec.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/pump.h"
#include "zip/kvoGbls.h"
#include "zip/kvoVolumes.h"

namespace riviza::zip {
namespace {

constexpr uint32_t kAttrNotContentIndexed = 0x2000;

std::u32string foldedCodePoints(std::string_view text) {
  std::string folded = platform::foldCase(text);
  std::u32string out;
  for (size_t pos = 0; pos < folded.size();) out.push_back(platform::nextCodePoint(folded, pos));
  return out;
}

std::filesystem::path resolved(const std::string& pathText) {
  std::error_code ec;
  std::filesystem::path real = std::filesystem::canonical(platform::nativePath(pathText), ec);
  return ec ? std::filesystem::path() : real;
}

// A folder that is not there (any more) holds nothing to leave out.
Result<std::vector<platform::DirEntry>> listed(const std::string& folder, std::string_view mask) {
  auto entries = platform::readDirectory(folder, mask);
  if (!entries && entries.error().code == ENOENT) return std::vector<platform::DirEntry>{};
  return entries;
}

}  // namespace

// ---- masks ----

TInternalMask::TInternalMask(std::string_view mask) {
  bool star = false;
  char32_t previous = 0;
  for (char32_t c : foldedCodePoints(mask)) {
    if (c == U'*') {
      star = true;
    } else if (c == U'?') {
      if (previous != U'*') items_.push_back({star, true, 0}), star = false;
    } else {
      items_.push_back({star, false, c});
      star = false;
    }
    previous = c;
  }
  items_.push_back({star, false, 0});
  endsWithPeriod_ = !mask.empty() && mask.back() == '.';
}

bool TInternalMask::Matches(std::string_view nameText, size_t* steps) const {
  std::u32string name = foldedCodePoints(nameText);
  if (endsWithPeriod_ && name.find(U'.') == std::u32string::npos) name.push_back(U'.');
  size_t i = 0, k = 0;
  // Only the last star's resume point is kept: a later star makes every earlier choice final.
  bool saved = false;
  size_t savedPos = 0, savedItem = 0;
  for (;;) {
    if (steps) ++*steps;
    const Item& item = items_[k];
    bool ok = false;
    if (item.star) {
      if (!item.any && item.ch == 0) return true;  // a final star takes the rest of the name
      size_t hit = item.any ? (i < name.size() ? i : std::u32string::npos) : name.find(item.ch, i);
      if (hit == std::u32string::npos) return false;  // later resumes would not find it either
      saved = true, savedPos = hit + 1, savedItem = k;
      i = hit + 1, ++k;
      continue;
    }
    if (item.ch == 0 && !item.any) {
      if (i == name.size()) return true;
    } else if (i < name.size() && (item.any || name[i] == item.ch)) {
      ok = true;
    }
    if (ok) {
      ++i, ++k;
      continue;
    }
    if (!saved) return false;
    i = savedPos, k = savedItem;
  }
}

bool WildcardMatch(std::string_view name, std::string_view mask) { return TInternalMask(mask).Matches(name); }

TMaskCollection MasksFromLines(std::vector<std::string>& lines) {
  TMaskCollection masks;
  for (std::string& line : lines) {
    if (line.empty() || line == "*.*") line.assign(1, '*');
    masks.emplace_back(line);
  }
  return masks;
}

TMaskCollection MasksFromText(std::string_view text) {
  TMaskCollection masks;
  for (size_t start = 0; start <= text.size();) {
    size_t comma = text.find(',', start);
    std::string_view piece =
        text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
    size_t first = piece.find_first_not_of(' ');
    if (first != std::string_view::npos) {
      piece = piece.substr(first);
      piece = piece.substr(0, piece.find_last_not_of(' ') + 1);
      masks.emplace_back(piece);
    }
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return masks;
}

bool AnyMaskMatches(const TMaskCollection& masks, std::string_view name) {
  return std::any_of(masks.begin(), masks.end(), [&](const TMultiMask& m) { return m.Matches(name); });
}

// ---- file list ----

bool TFilesList::less(const TFileObject& a, const TFileObject& b) const {
  switch (order_) {
    case soByName:
      return platform::foldCase(a.name) < platform::foldCase(b.name);
    case soByType:
      return platform::foldCase(platform::extractFileExt(a.name)) <
             platform::foldCase(platform::extractFileExt(b.name));
    case soByPath:
      return platform::foldCase(a.folder) < platform::foldCase(b.folder);
    case soBySize:
      return static_cast<int32_t>(a.sizeLow) < static_cast<int32_t>(b.sizeLow);
    case soByTime:
      return static_cast<int32_t>(a.date) < static_cast<int32_t>(b.date);
    case soUnsort:
      break;
  }
  return false;
}

void TFilesList::Add(TFileObject file) {
  if (order_ == soUnsort) {
    items_.push_back(std::move(file));
    return;
  }
  auto at = std::lower_bound(items_.begin(), items_.end(), file,
                             [this](const TFileObject& a, const TFileObject& b) { return less(a, b); });
  items_.insert(at, std::move(file));
}

void TFilesList::Delete(size_t index) {
  if (index < items_.size()) items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
}

void TFilesList::Sort() {
  if (order_ == soUnsort) return;
  std::stable_sort(items_.begin(), items_.end(),
                   [this](const TFileObject& a, const TFileObject& b) { return less(a, b); });
}

void TFilesList::SetSortOrder(TkvoSortOptions order) {
  order_ = order;
  Sort();
}

// ---- attributes ----

bool AttributesSelect(TkvoFileAttributes set, uint32_t a, bool accept) {
  if (accept && (a & kAttrNotContentIndexed)) return true;
  struct Pair {
    TkvoFileAttribute attr;
    bool holds;
  };
  const Pair pairs[] = {
      {fsEncrypted, (a & kAttrEncrypted) != 0}, {fsArchive, (a & kAttrArchive) != 0},
      {fsZeroAttr, a == 0 || a == kAttrNormal}, {fsDirectory, (a & kAttrDirectory) != 0},
      {fsReadOnly, (a & kAttrReadOnly) != 0},   {fsHidden, (a & kAttrHidden) != 0},
      {fsSysFile, (a & kAttrSystem) != 0},      {fsCompressed, (a & kAttrCompressed) != 0},
  };
  return std::any_of(std::begin(pairs), std::end(pairs),
                     [&](const Pair& p) { return p.holds && set.contains(p.attr); });
}

// ---- scanner ----

TkvoFileScan::TkvoFileScan() : CancelFlag(nullptr) {
  FileFound = [this](const std::string& folder, const platform::DirEntry& entry, uint32_t attributes) {
    return AddFileObject(folder, entry, attributes);
  };
}

void TkvoFileScan::SetFileSpec(std::vector<std::string> lines) {
  fileSpec_ = std::move(lines);
  MaskText.clear();
}

void TkvoFileScan::SetRootDir(std::string_view dir) { rootDir_ = AppendBackslash(dir); }

void TkvoFileScan::SetSorted(TkvoSortOptions order) {
  list_.SetSortOrder(order);
  if (list_.Count() > 0 && OnFinished) OnFinished(filesCount_, filesSize_);
}

void TkvoFileScan::SetAttribute(TkvoFileAttribute attr, bool include) { Attributes.set(attr, include); }

bool TkvoFileScan::AddFileObject(const std::string& folder, const platform::DirEntry& entry,
                                 uint32_t attributes) {
  TFileObject file;
  if (!entry.isDirectory) file.name = entry.name;
  file.folder = folder;
  file.sizeLow = static_cast<uint32_t>(entry.sizeBytes);
  file.sizeHigh = static_cast<uint32_t>(entry.sizeBytes >> 32);
  file.attributes = attributes;
  file.date = FileTimeToDos(entry.modified);
  list_.Add(std::move(file));
  return true;
}

void TkvoFileScan::found(const std::string& folder, const platform::DirEntry& entry, uint32_t attributes) {
  if (UpdateList && FileFound) {
    if (!FileFound(folder, entry, attributes)) return;
    ++filesCount_;
    filesSize_ += static_cast<int64_t>(entry.sizeBytes);
    if (OnScanFile) OnScanFile(entry.name, filesCount_, filesSize_);
    return;
  }
  ++filesCount_;
  filesSize_ += static_cast<int64_t>(entry.sizeBytes);
}

void TkvoFileScan::testEntry(const std::string& folder, const platform::DirEntry& entry,
                             const TMaskCollection* masks) {
  const uint32_t attributes = FileAttributesOf(entry);
  if (!AttributesSelect(Attributes, attributes, true) || AttributesSelect(AttributesEx, attributes, false))
    return;
  if (entry.isDirectory) {
    if (UpdateList && FileFound) FileFound(folder + entry.name + "\\", entry, attributes);
    return;
  }
  if (masks != nullptr && !AnyMaskMatches(*masks, entry.name)) return;
  found(folder, entry, attributes);
}

void TkvoFileScan::scanError(const std::string& path, const std::string& reason) const {
  if (OnScanError) OnScanError(path, reason);
}

bool TkvoFileScan::admitted(const std::string& folder, const platform::DirEntry& entry) {
  const std::string path = folder + entry.name + (entry.isDirectory ? "\\" : "");
  if (entry.error != 0) {
    if (entry.isLink)
      scanError(path, "Verknüpfung führt ins Leere: " + platform::errnoText(entry.error));
    else if (entry.error != ENOENT)  // gone since the listing
      scanError(path, "nicht lesbar: " + platform::errnoText(entry.error));
    return false;
  }
  if (!entry.isLink) return true;
  const std::filesystem::path target = resolved(path);
  if (target.empty() || !platform::isWithinPath(target, rootReal_)) {
    scanError(path, "Verknüpfung führt aus " + platform::displayPath(rootDir_) + " hinaus");
    return false;
  }
  if (entry.isDirectory && std::find(walking_.begin(), walking_.end(), target) != walking_.end()) {
    scanError(path, "Verknüpfung führt im Kreis");
    return false;
  }
  return true;
}

void TkvoFileScan::scanFolder(const std::string& folder, const TMaskCollection& masks) {
  if (OnRecurseDir) OnRecurseDir(folder);
  auto entries = listed(folder, "*");
  if (!entries)
    return scanError(folder, "Ordner nicht lesbar: " + platform::errnoText(entries.error().code));
  walking_.push_back(resolved(folder));
  for (const platform::DirEntry& entry : *entries) {
    if (cancelled()) break;
    if (!admitted(folder, entry)) continue;
    testEntry(folder, entry, &masks);
    if (entry.isDirectory && RecurseDirs) scanFolder(folder + entry.name + "\\", masks);
    platform::processMessages();
  }
  walking_.pop_back();
}

void TkvoFileScan::ScanPath(const std::string& root, const TMaskCollection& masks) {
  if (ScanOptions == soScanDir) {
    rootReal_ = resolved(root);
    scanFolder(AppendBackslash(root), masks);
    return;
  }
  for (char letter = 'A'; letter <= 'Z' && !cancelled(); ++letter) {
    const std::string drive = std::string(1, letter) + ":\\";
    if (!platform::directoryExists(drive)) continue;
    auto info = Volumes().VolumeInformation(drive);
    if (!info) continue;
    const int t = info->driveType;
    if (t != dtFixed && t != dtRemote && t != dtCdRom && t != dtRamDisk) continue;
    rootReal_ = resolved(drive);
    scanFolder(drive, masks);
  }
}

// Without recursion each line is a search pattern of its own, matched by the file system's rules.
void TkvoFileScan::scanLines() {
  for (const std::string& line : fileSpec_) {
    const std::string folder = platform::extractFilePath(line);
    auto entries = listed(folder, platform::extractFileName(line));
    if (!entries) {
      scanError(folder, "Ordner nicht lesbar: " + platform::errnoText(entries.error().code));
      continue;
    }
    rootReal_ = resolved(folder.empty() ? std::string(".") : folder);
    bool first = true;
    for (const platform::DirEntry& entry : *entries) {
      if (cancelled()) return;
      if (!admitted(folder, entry)) continue;
      if (first && OnRootDirChange) OnRootDirChange(folder);
      first = false;
      testEntry(folder, entry, nullptr);
    }
  }
}

// Lines of one folder are merged into one mask list, so every folder is walked once.
void TkvoFileScan::scanSpecLines() {
  std::erase_if(fileSpec_,
                [](const std::string& l) { return l.find_first_not_of(' ') == std::string::npos; });
  while (!fileSpec_.empty() && !cancelled()) {
    const std::string folder = platform::extractFilePath(fileSpec_.front());
    std::vector<std::string> names{platform::extractFileName(fileSpec_.front())};
    for (size_t j = 1; j < fileSpec_.size();) {
      if (!platform::equalsIgnoreCase(platform::extractFilePath(fileSpec_[j]), folder)) {
        ++j;
        continue;
      }
      const std::string name = platform::extractFileName(fileSpec_[j]);
      fileSpec_.erase(fileSpec_.begin() + static_cast<std::ptrdiff_t>(j));
      if (std::any_of(names.begin(), names.end(),
                      [&](const std::string& e) { return WildcardMatch(name, e); }))
        continue;
      auto wider = std::find_if(names.begin(), names.end(),
                                [&](const std::string& e) { return WildcardMatch(e, name); });
      if (wider != names.end())
        *wider = name;
      else
        names.push_back(name);
    }
    std::string root = folder;
    if (root.empty()) root = rootDir_;
    if (root.empty()) root = platform::currentFolderText() + "\\";
    TMaskCollection masks = MasksFromLines(names);
    SetRootDir(root);
    if (OnRootDirChange) OnRootDirChange(rootDir_);
    fileSpec_.erase(fileSpec_.begin());
    ScanPath(rootDir_, masks);
  }
}

void TkvoFileScan::Scan() {
  list_.Clear();
  filesCount_ = 0;
  filesSize_ = 0;
  cancel_ = false;
  if (!RecurseDirs) {
    scanLines();
  } else if (!MaskText.empty()) {
    if (platform::directoryExists(rootDir_)) ScanPath(rootDir_, MasksFromText(MaskText));
  } else {
    scanSpecLines();
  }
  if (OnFinished) OnFinished(filesCount_, filesSize_);
}

}  // namespace riviza::zip
