// The reader side of the archive components (zip layer): TCustomDClass (a reader's archive name
// detects the type) and TUnBase (entry selection by masks, output names under ExtractDir, the
// overwrite rules and the reader's header list).
//
// Output names are where the reader guards the file system. A stored name loses its drive and
// every leading separator; a name with a ".." component (either separator), with a control
// character, or one that would resolve outside ExtractDir (through an existing symbolic link
// too) is refused by OutputNameIsSafe, and the entry counts as failed. Names that a caller's own
// event hands back (OnRenameFile, OnFileExists) are the caller's choice and are taken as given.
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
  // The native path of outputName (BuildOutputName's result) when the stored name may be written
  // there; nothing for ".." components, control characters, or a place outside ExtractDir once
  // links are resolved. The target folder's verdict is kept for the next name in the same folder.
  std::optional<std::filesystem::path> SafeOutputPath(const std::string& fileName,
                                                      const std::string& outputName);
  bool OutputNameIsSafe(const std::string& fileName, const std::string& outputName) {
    return SafeOutputPath(fileName, outputName).has_value();
  }
  // The stored name without drive and leading separators, as it goes below ExtractDir.
  static std::string StripDrive(std::string_view fileName);

 protected:
  // OnRenameFile and OnBegin, then the overwrite rules; an accepted file raises Count.
  bool ConfirmEntry(std::string& outputName);

 private:
  bool confirmOverwrite(std::string& outputName);

  struct TResolved {
    std::string text;
    std::filesystem::path path;
    bool inside = false;
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
