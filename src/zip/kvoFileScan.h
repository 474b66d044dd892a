// kvoFileScan: the engine's wildcard masks and its folder scanner (zip layer).
//
// TInternalMask is one compiled mask: items of (star before it, any-character or literal, the
// character folded for case), ended by an end-of-name item; a mask ending in "." lets a name
// without "." match as if it ended in one. A "?" right after a "*" is dropped, so every starred
// item is a literal or the end. Matching keeps only the position of the last star, which is
// enough for these masks and bounds the work by name length times mask length: no mask, however
// many stars it holds, can make matching backtrack without limit. Characters are code points
// of the UTF-8 text, so "?" takes one character, not one byte.
//
// TkvoFileScan walks a folder tree (or all fixed drives), selects entries by masks and
// synthesised attributes and hands each to its file-found operation, by default one that
// collects TFileObject records in a TFilesList. The writer replaces that operation with its own.
//   idle --Scan--> scanning (FileSpec consumed, list refilled; Cancel stops it) --OnFinished--> idle
// Names beginning with "." are entries like any other: Linux has no hidden attribute, and the
// Windows program's test of the first character only kept out "." and "..", which the listing
// never gives. Nothing is left out silently: a folder that cannot be listed, an entry that cannot
// be looked at, and a symbolic link that leads outside the root being scanned (or nowhere) or,
// to a folder, back to one being walked (a circle) are each handed to OnScanError and left out;
// every other link is followed, so a link loop cannot recurse forever and nothing outside the
// root comes in. (The Windows program skipped a folder it could not search without a word.)
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "zip/kvoTypes.h"

namespace riviza::zip {

class TInternalMask {
 public:
  explicit TInternalMask(std::string_view mask);
  // steps, when given, receives the number of matching steps taken (the bound above, in tests).
  bool Matches(std::string_view name, size_t* steps = nullptr) const;

 private:
  struct Item {
    bool star = false;
    bool any = false;  // "?"
    char32_t ch = 0;   // folded; 0 = end of name
  };
  std::vector<Item> items_;
  bool endsWithPeriod_ = false;
};

// Compiles the mask, matches the name, drops the mask.
bool WildcardMatch(std::string_view name, std::string_view mask);

// One mask of a mask collection.
class TMultiMask {
 public:
  explicit TMultiMask(std::string_view mask) : text_(mask), mask_(mask) {}
  bool Matches(std::string_view name) const { return mask_.Matches(name); }
  const std::string& text() const { return text_; }

 private:
  std::string text_;
  TInternalMask mask_;
};

using TMaskCollection = std::vector<TMultiMask>;

// From lines: an empty line becomes "*", a line "*.*" becomes "*" (in `lines` too).
TMaskCollection MasksFromLines(std::vector<std::string>& lines);
// From a mask text: pieces separated by ","; blanks before a piece's first non-blank character
// and at its end are dropped; empty pieces are ignored.
TMaskCollection MasksFromText(std::string_view text);
bool AnyMaskMatches(const TMaskCollection& masks, std::string_view name);

// One found file (or folder: empty name, its path as folder).
struct TFileObject {
  std::string name;
  std::string folder;  // with a trailing "\"
  uint32_t sizeLow = 0, sizeHigh = 0;
  uint32_t attributes = 0;
  uint32_t date = 0;  // DOS date (high half) and time of the last write, local time

  uint64_t size() const { return (uint64_t{sizeHigh} << 32) | sizeLow; }
};

enum TkvoSortOptions : uint8_t { soUnsort, soByName, soByType, soBySize, soByTime, soByPath };

// Found files in the list's order; a sorted list inserts each at its place (before equal ones).
class TFilesList {
 public:
  void Add(TFileObject file);
  void Delete(size_t index);
  void Clear() { items_.clear(); }
  void Sort();
  void SetSortOrder(TkvoSortOptions order);
  TkvoSortOptions SortOrder() const { return order_; }

  size_t Count() const { return items_.size(); }
  const TFileObject& operator[](size_t i) const { return items_[i]; }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  bool less(const TFileObject& a, const TFileObject& b) const;
  std::vector<TFileObject> items_;
  TkvoSortOptions order_ = soUnsort;
};

enum TfsScanOptions : uint8_t { soScanDir, soScanDrvs };

// Which of these attribute sets accepts (or, as AttributesEx, rejects) an entry with the given
// Windows attribute bits; the not-content-indexed bit is the "accept always" of `accept`.
bool AttributesSelect(TkvoFileAttributes set, uint32_t attributes, bool accept);

class TkvoFileScan {
 public:
  // Called for each selected entry: its folder with "\", the entry and its attribute bits; true
  // when the entry was taken (it then counts).
  using TFileFound =
      std::function<bool(const std::string& folder, const platform::DirEntry& entry, uint32_t attributes)>;
  using TOnScanFileEvent =
      std::function<void(const std::string& fileName, int filesCount, int64_t filesSize)>;
  using TOnFinishedEvent = std::function<void(int filesCount, int64_t filesSize)>;
  using TOnDirEvent = std::function<void(const std::string& dir)>;
  // A path the scan had to leave out (path text; a folder ends in "") and why.
  using TOnScanError = std::function<void(const std::string& path, const std::string& reason)>;

  TkvoFileScan();
  virtual ~TkvoFileScan() = default;

  // ---- published ----
  TkvoFileAttributes Attributes{fsZeroAttr, fsReadOnly, fsArchive, fsCompressed, fsEncrypted};
  TkvoFileAttributes AttributesEx;
  bool IncludeHiddenDirs = false;
  bool UpdateList = true;
  TfsScanOptions ScanOptions = soScanDir;
  bool RecurseDirs = true;
  TOnScanFileEvent OnScanFile;
  TOnFinishedEvent OnFinished;
  TOnDirEvent OnRootDirChange;
  TOnDirEvent OnRecurseDir;
  TOnScanError OnScanError;

  const std::vector<std::string>& FileSpec() const { return fileSpec_; }
  void SetFileSpec(std::vector<std::string> lines);  // copies and clears the mask text
  const std::string& RootDir() const { return rootDir_; }
  void SetRootDir(std::string_view dir);  // "\" appended when missing
  TkvoSortOptions Sorted() const { return list_.SortOrder(); }
  void SetSorted(TkvoSortOptions order);  // re-sorts; OnFinished when the list is not empty
  // An attribute above ordinal 15 is ignored.
  void SetAttribute(TkvoFileAttribute attr, bool include);

  // ---- not published ----
  std::string MaskText = "*";
  TFileFound FileFound;    // default: collect into List()
  const bool* CancelFlag;  // the owner may point it at its own flag

  virtual void Scan();
  virtual void Cancel() { cancel_ = true; }
  // Scans one root with the masks, by ScanOptions.
  virtual void ScanPath(const std::string& root, const TMaskCollection& masks);
  // The default file-found operation.
  virtual bool AddFileObject(const std::string& folder, const platform::DirEntry& entry, uint32_t attributes);

  const TFilesList& List() const { return list_; }
  int FilesCount() const { return filesCount_; }
  int64_t FilesSize() const { return filesSize_; }

 private:
  bool cancelled() const { return cancel_ || (CancelFlag != nullptr && *CancelFlag); }
  void scanFolder(const std::string& folder, const TMaskCollection& masks);
  // Whether the walk may take the entry (see the file comment); reports it when not.
  bool admitted(const std::string& folder, const platform::DirEntry& entry);
  void scanError(const std::string& path, const std::string& reason) const;
  void scanLines();
  void scanSpecLines();
  // Tests one entry and hands it on; masks only when matchMasks.
  void testEntry(const std::string& folder, const platform::DirEntry& entry, const TMaskCollection* masks);
  void found(const std::string& folder, const platform::DirEntry& entry, uint32_t attributes);

  std::vector<std::string> fileSpec_;
  std::string rootDir_ = "c:\\";
  std::filesystem::path rootReal_;              // the root being scanned, links resolved
  std::vector<std::filesystem::path> walking_;  // the folders being walked, links resolved
  TFilesList list_;
  bool cancel_ = false;
  int filesCount_ = 0;
  int64_t filesSize_ = 0;
};

}  // namespace riviza::zip
