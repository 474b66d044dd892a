// TCustomCClass: the writer side of the archive components (zip layer): the writer's published
// properties and events, the run of Compress (drive and folder checks, the old archive read into
// the header list, the file scan with its per-file decision, the per-entry loop, the commit
// through a temporary stream, the deletions of swMove) and the safe replacement of the archive.
// The archive kind's records are TZipBase's (kvoZip.h); here they are placeholders that report
// 25244.
//
// Invariants of a run: the archive is only ever replaced whole, by a temporary stream's Release;
// a cancelled or failed run leaves it byte for byte as it was and no temporary file behind. The
// archive and the temporary file are never taken as sources. A source that cannot be read, or
// changes while it is read, does not count: Compress returns the entries the new archive really
// holds from this run (added, kept, deleted by the switch), and Failures() names every dropped
// file and why, and every path the scan had to leave out (kvoFileScan.h).
//   idle --Compress--> prepared --scan--> decided --entry loop--> written --Release--> committed
//        (cancel or a raised error in any step: output discarded --> idle)
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "zip/kvoBase.h"
#include "zip/kvoDiskManager.h"
#include "zip/kvoTempStreams.h"
#include "zip/kvoregister.h"

namespace riviza::zip {

enum TCompressMethod : uint8_t { cmStore, cmDeflate, cmLzx };
enum TCompressionMethod : uint8_t { cmTempFile, cmInMemory };
enum TStoredDirNames : uint8_t {
  sdNone,
  sdAbsolute,
  sdAbsoluteNoDrv,
  sdAbsoluteNoRoot,
  sdRelative,
  sdRelativeStoreStart,
  sdExplorer_Auto,
  sdExplorer_UserDefineDefaultDir
};
enum TSwitch : uint8_t { swAdd, swRefresh, swMove, swDelete, swRead };

// What the per-entry loop does with an entry.
enum TEntryStatus : uint8_t { esCompress = 0, esKeep = 1, esDrop = 2, esRename = 3 };

// The writer's record of one entry (the central record and name live beside it in the list).
struct EntryInfo {
  TEntryStatus status = esCompress;
  TEntrySizes sizes;        // 64-bit sizes; the offset is the local header's in the new archive
  uint64_t oldOffset = 0;   // kept entries: the local header in the old archive
  uint16_t diskNumber = 0;  // spanned sets: the disk that holds the local header
  bool headerEnciphered = false;
  uint8_t encryption = emNone;  // TEncryptionMethod of a new entry
  // New entries.
  std::string source;  // full path text of the file or folder (folders end in "\")
  bool folder = false;
  uint64_t fileSize = 0;
  uint32_t dosDateTime = 0, attributes = 0;
  bool added = false;  // written by this run
  // The name as stored: ASCII, or UTF-8 with flag bit 11 (kept entries: as the old archive had it),
  // or for a new entry whose name is not UTF-8 its bytes with the Unicode path field's text.
  std::string storedName;
  bool utf8 = false;
  std::string unicodePath;
  bool deleteSource = false;  // swMove: delete the source once the archive is in place
  bool zip64Sizes = false;    // the local header reserved zip64 sizes; the central one follows
};
using TCompHeaderObj = THeaderObj<EntryInfo>;

// The properties OnRead's handler reads for the entry it is called for.
struct TZipReadEntry {
  uint16_t version = 20, method = 0;
  uint32_t crc = 0, attributes = 0, dosDateTime = 0;
  uint64_t compressedSize = 0, uncompressedSize = 0;
  std::string fileName;  // "\" separated; folders end in "\"
};

class TCustomCClass : public TRegisterKorvo, public TTempStreamOwner {
 public:
  using TOnClearDisk = std::function<void(const std::string& drive, int64_t requiredSpace, int64_t freeSpace,
                                          int64_t totalSpace, bool& cancel)>;
  using TOnDeleteFile = std::function<void(const std::string& fileName, int count, int maxCount)>;
  using TOnDiskError = std::function<void(bool& abort)>;
  using TOnDiskSpanFileExists =
      std::function<void(const std::string& fileName, double fileDate, TOverwriteMode& overwriteMode)>;
  using TOnFileScanStatus =
      std::function<void(const std::string& fileName, int filesCount, int64_t filesSize)>;
  using TOnRecurseDir = std::function<void(const std::string& directory)>;
  using TOnInsertDisk = std::function<void(const std::string& volumeName, bool& cancel)>;
  using TOnNonWriteableArchive = std::function<void(const std::string& archiveFile, bool& writeToFile)>;
  using TOnRead = std::function<void(int64_t offset, int fileNum)>;
  using TOnRenameDupeFile =
      std::function<void(const std::string& fileName, std::string& newFileName, bool& rename)>;
  using TOnReplaceFile = std::function<void(const std::string& fileName, const std::string& newFileName,
                                            double date, double newDate, int64_t fileSize,
                                            int64_t newFileSize, int attr, int newAttr, bool& replace)>;
  using TOnTmpFileMoveBegin =
      std::function<void(const std::string& archive, const std::string& tempFileName, bool& cancel)>;

  TCustomCClass();
  ~TCustomCClass() override;

  // ---- published ----
  TDateAttribute DateAttribute = daFileDate;
  TDeflateType DeflateType = dtDeflateN;
  TDeleteOptions DeleteOptions = doAllowUndo;
  TEncryptionMethod EncryptionMethod = emNone;
  bool IncludeHiddenDirs = false;
  int LeaveSpaceOnFirstDisk = 0;
  std::string Password;
  TStoredDirNames StoredDirNames = sdRelative;
  std::string DefaultDir;  // the folder of the sdExplorer modes
  std::vector<std::string> StoreFilesOfType;
  bool StoreEmptySubDirs = false;
  bool VerifyBeforeDelete = false;
  TCompressionMethod CompressionMethod = cmTempFile;
  TSwitch Switch = swAdd;

  TOnClearDisk OnClearDisk;
  TOnDeleteFile OnDeleteFile;
  TOnDiskError OnDiskWriteProtectErr;
  TOnDiskError OnDiskInDrvErr;
  TOnDiskSpanFileExists OnDiskSpanFileExists;
  TOnFileScanStatus OnFileScanStatus;
  TOnRecurseDir OnRecurseDir;
  TOnInsertDisk OnInsertDisk;
  TOnNonWriteableArchive OnNonWriteableArchive;
  TOnRead OnRead;
  TOnRenameDupeFile OnRenameDupeFile;
  TOnReplaceFile OnReplaceFile;
  TOnProgress OnTmpFileProgress;
  TOnTmpFileMoveBegin OnTmpFileMoveBegin;
  TNotifyEvent OnTmpFileMoveEnd;

  TCompressMethod CompressMethod() const { return compressMethod_; }
  // Only the writer's methods are taken (TZip: cmStore, cmDeflate); any other keeps the old one.
  void SetCompressMethod(TCompressMethod method);

  // The whole run; the number of entries processed (see the file comment).
  int Compress();
  // The header list of the last run (or of ReadDirectoryForEdit).
  TCompHeaderObj& HeaderList() { return list_; }
  // Set for OnRead's handler.
  TZipReadEntry ReadEntry;
  int AddedCount() const { return added_; }
  int DeletedCount() const { return deleted_; }
  // Debug check: the name index points into the list, every added entry has its central record
  // and is not dropped, and the counts stay within the entries processed.
  void assertInvariants() const;

  // The stored path of a file by StoredDirNames ("\" separated; a folder keeps its "\").
  std::string BuildOutputName(const std::string& path, const std::string& root) const;
  // Whether ExcludeSpec leaves the file out (root: the folder of the mask being scanned).
  bool ExcludedBySpec(const std::string& path, const std::string& root) const;

  // ---- TTempStreamOwner ----
  bool TempCancelled() const override { return cancel_; }
  Status MoveTempFile(const std::string& archive, const std::string& tempName, bool sameVolume,
                      TStream32* memory) override;
  void DoTmpFileMoveBegin(const std::string& archive, bool& cancel, const std::string& tempName) override;
  void DoTmpFileMoveEnd() override;
  uint64_t ReplacedArchiveSize() const override { return replacedSize_; }
  void DoTmpFileProgress(uint64_t total, uint64_t done);

 protected:
  // ---- the archive kind's operations (placeholders report 25244) ----
  virtual bool AllowsCompressMethod(TCompressMethod method) const {
    return method == cmStore || method == cmDeflate;
  }
  // Reads the old archive's directory into list_ (every entry kept); false ends the run.
  virtual bool ReadCentralDirectory(TStream32& old);
  // Copies a kept entry from the old archive to the output.
  virtual Status CopyKeptEntry(TCompHeaderObj::Entry& entry);
  // Writes a new entry; true when it was added, false when it failed or was skipped (failures
  // are recorded); an Error ends the run (E_RAISE).
  virtual Result<bool> CompressEntry(TCompHeaderObj::Entry& entry);
  // Around the per-entry loop, on every way out of it: the archive kind may prepare the entries
  // ahead of their turn and must stop that work at the end.
  virtual void BeginEntries() {}
  virtual void EndEntries() {}
  virtual Status WriteCentralDirectory();
  virtual Status WriteEmptyArchive();
  // Puts the finished output in place (the span writer may take over); see Release.
  virtual Status CommitOutput();
  virtual void DoOnReadEntries();
  // swRead: the old archive's directory into the header list and OnRead for every entry.
  virtual void ReadEntries();
  // The archive opened for reading with its type detected; nothing (after 25235 or 25244) when
  // it cannot be opened or is not a single-volume zip.
  std::unique_ptr<TFileStream32> openOldArchive();
  // The stored form of a local name ("/" separated; ASCII, else UTF-8 with the flag, else its
  // bytes and the Unicode path field's text).
  void EncodeName(EntryInfo& info, const std::string& name) const;

  // The name index: stored names (ignoring case, as a reader reads them) to their place in the list.
  void indexName(const std::string& name, size_t index);
  std::optional<size_t> findName(const std::string& name) const;
  static std::string nameKey(const std::string& name);

  TCompHeaderObj list_;
  std::unordered_map<std::string, size_t> names_;  // folded stored name -> list index
  std::unique_ptr<TTempStream> output_;
  std::unique_ptr<TFileStream32> old_;
  TDiskManager drive_;
  int added_ = 0, deleted_ = 0;
  bool passwordAsked_ = false;  // OnGetPassword is asked once per run
  int deleteSelected_ = 0;
  uint32_t maxDate_ = 0;
  uint64_t replacedSize_ = 0;
  uint64_t prefixLength_ = 0;  // bytes in front of the old archive's zip data
  uint16_t diskCounter_ = 0;   // number-of-this-disk of the records (spanned sets)

 private:
  void doCompress();
  bool openOutput();
  bool checkArchiveWriteable();
  bool readOldArchive();
  bool selectFiles();
  bool fileFound(const std::string& folder, const platform::DirEntry& entry, uint32_t attributes);
  bool isOwnOutput(const std::string& path) const;
  void decideDuplicate(size_t existing, EntryInfo info, const std::string& name);
  void appendNew(EntryInfo info, const std::string& name);
  Status entryLoop();
  void dropFrom(size_t index, uint64_t cutAt);
  void discardRun();
  void deleteMovedSources();
  void markDeletions();
  std::string defaultFolderFromMasks() const;

  TCompressMethod compressMethod_ = cmDeflate;
  std::string root_;
  std::string archiveNative_, tempNative_;
  int taken_ = 0;
};

// The native path of a path text with links and "." resolved, as far as it exists (for telling
// whether two names are one file).
std::string CanonicalText(const std::string& pathText);

// Copies `source` (from its start, `count` bytes) into `target`, flushes and closes it: the
// copy the commit makes beside an archive on another file system.
Status CopyToNewFile(TStream32& source, uint64_t count, const std::string& target,
                     const std::function<void(uint64_t done)>& progress);

}  // namespace riviza::zip
