// The reader side of the archive components (zip layer): TCustomDClass (a reader's archive name
// detects the type) and TUnBase (entry selection by masks, output names under ExtractDir, the
// overwrite rules and the reader's header list).
//
// Output names are where the reader guards the file system. A stored name loses its drive and
// every leading separator ("C:\x\y" is x\y, "/abs/p" is abs\p); a name that is empty, holds a
// control character (NUL included), a colon that is no drive's ("a:b.txt", which the Windows
// program wrote as b.txt) or a ".." component (either separator) is refused by CheckStoredName,
// one that would resolve outside ExtractDir (through an existing symbolic link too) by
// SafeOutputPath, each with its own code, and the entry counts as failed. Below ExtractDir the
// stored name is taken exactly as the archive spells it: the case-insensitive mapping of path
// texts is for the program's own spelled paths, and applied to entry names it would merge
// "ABC.txt" and "abc.txt" of one archive into one file. Names that a caller's own event hands
// back (OnRenameFile, OnFileExists) are the caller's choice and are mapped like its other paths.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "zip/kvoRecords.h"
#include "zip/kvoZipCommon.h"
#include "zip/kvoregister.h"

namespace riviza::zip {

enum TCpuType : uint8_t { cptAuto, cpt80386, cpt80486, cptPentium };

class TCustomDClass : public TRegisterKorvo {
 public:
  TCpuType CpuType = cptAuto;

  // A missing file gives atNA and an empty name; otherwise the type is detected.
  void SetArchiveFile(std::string_view name) override;
  // Detects the type of ArchiveFile again (atFileOpenErr when it cannot be opened); the value
  // given is not stored.
  void SetArcType(TArcType type) override;
};

// One selected entry of the reader's header list.
struct TUnBaseInfo {
  uint32_t externalAttributes = 0;
  uint32_t diskNumber = 0;   // volume holding the local header, from 0
  uint64_t localOffset = 0;  // corrected for data in front of the archive
  TEntrySizes sizes;         // 64-bit, from the central header and its extra
  std::optional<TAesExtra> aes;
  bool strongEncryption = false;
};
using TUnBaseHeaderObj = THeaderObj<TUnBaseInfo>;

class TUnBase : public TCustomDClass {
 public:
  using TOnFileExists = std::function<void(const std::string& fileName, std::string& newFileName,
                                           TOverwriteMode& overwriteMode)>;
  using TOnRenameFile = std::function<void(const std::string& fileName, std::string& newFileName)>;

  // ---- published ----
  bool ConfirmOverwrites = false;
  bool CreateStoredDirs = false;
  TDateAttribute DateAttribute = daFileDate;
  TOverwriteMode OverwriteMode = omOverwrite;
  bool RestoreFileAttr = true;
  bool UseStoredDirs = true;
  TOnFileExists OnFileExists;
  TOnRenameFile OnRenameFile;

  const std::string& ExtractDir() const { return extractDir_; }
  // "/" to "\", a "\" appended; empty means the folder of ArchiveFile.
  void SetExtractDir(std::string_view dir);

  // Selection of one entry name by FileSpec, RecurseDirs and ExcludeSpec. A mask without "."
  // that fails is stored back into FileSpec with a "." appended.
  bool MatchEntryName(const std::string& name);
  // The file an entry name is written to (ExtractDir filled in when empty).
  std::string BuildOutputName(const std::string& fileName);
  // Why a stored name can be written nowhere (empty, control character, stray colon, ".."): the
  // code (kZipNameEmpty, kZipNameControl, kZipNameColon, kZipNameOutside) and the reason; code 0
  // when it may be written.
  struct TNameVerdict {
    int code = 0;
    std::string reason;
  };
  static TNameVerdict CheckStoredName(std::string_view fileName);
  // The native path BuildOutputName's file lies at: ExtractDir mapped as the program's paths
  // are, the stored name's components below it as spelled. Nothing when it would lie outside
  // ExtractDir once links are resolved; the target folder's verdict is kept for the next name
  // in the same folder. Call after BuildOutputName.
  std::optional<std::filesystem::path> SafeOutputPath(const std::string& fileName);
  // The stored name without drive and leading separators, as it goes below ExtractDir. Only a
  // drive with its root goes: "a:b.txt" keeps its colon (and CheckStoredName refuses it).
  static std::string StripDrive(std::string_view fileName);

 protected:
  // OnRenameFile and OnBegin, then the overwrite rules; an accepted file raises Count.
  bool ConfirmEntry(std::string& outputName);

 private:
  bool confirmOverwrite(std::string& outputName);
  // ExtractDir as BuildOutputName completes it (below the current folder without drive or root).
  std::string targetFolderText() const;

  struct TResolved {
    std::string text;
    std::filesystem::path path;  // as mapped
    bool inside = false;
    std::filesystem::path resolved = {};  // links and "." resolved
  };
  TResolved safeBase_, safeFolder_;
  std::string extractDir_;
};

// The folder part of a name ("\" or "/" or ":" ends it), with a trailing "\" when not empty.
std::string FolderPartOf(std::string_view name);
// A native path made absolute, with links and "." resolved as far as it exists and the rest
// normalised; empty when it cannot be resolved.
std::filesystem::path ResolvedPath(const std::filesystem::path& native);

}  // namespace riviza::zip
