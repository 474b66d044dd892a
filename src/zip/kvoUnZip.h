// TUnZip: the extracting component of the zip engine (zip layer).
//
// Extract finds the archive's central directory (or walks its local headers when there is none),
// selects entries by FileSpec and ExcludeSpec, and writes each selected entry under ExtractDir
// with its date and attributes, checking its CRC-32 (and an AES entry's authentication code;
// for AE-1 entries the CRC as well). It reads stored, shrunk, reduced, imploded, deflated and
// Deflate64 entries, traditional and AES encryption, zip64 and the engine's large-file records,
// archives with a stub in front, multi-volume sets (atZipMV) and spanned disks (atZipDS).
//
// The central directory is the truth for names, attributes and what is decoded. An entry whose
// local header tells another name, method, cipher, CRC or size is refused (kZipLocalMismatch),
// and so is one whose bytes (local header, name, extra, data) overlap another entry's or the
// directory (kZipOverlap): a thousand central entries pointing at one deflated local entry would
// otherwise unpack its bytes a thousand times, and UnZip 6 refuses such "overlapped components"
// too. The first entry to hold the bytes stays. From a Unix host the file mode in the upper half
// of the external attributes decides file or folder, whatever a DOS folder bit says. A directory
// that disagrees with its end record (count, offset, where it ends, the zip64 record), an end
// record that places the directory where none stands, and a missing end record are damage: the
// run names it with 25100 for the archive beside what it still extracts.
//
// Every entry is decoded into a temporary file beside its target and renamed into place only
// after its size and checksum were found right, so a failed entry leaves an existing file as it
// was. Extract returns the number of files written; Failures() names every selected entry that
// was not written and why (a bad name, a password, a method, damaged data, a write error). A
// full disk makes the result 0. Nothing is raised; errors go to OnError (silent without it) and
// the messages the Windows program showed in a box go to OnPrompt.
//   idle --Extract--> open archive --walk (directory | local headers)--> entry loop
//        (confirm -> password -> decode to temp -> verify -> rename | discard) --> close --> idle
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "zip/kvoBase.h"
#include "zip/kvoDecoderFrame.h"
#include "zip/kvoVolumeStream.h"

namespace riviza::zip {

class TUnZip : public TUnBase {
 public:
  using TOnNextVolume = std::function<void(std::string& volumeName, const std::string& volumeId,
                                           bool fileExists, bool& cancel)>;
  using TOnGetZipDisk = std::function<void(const std::string& diskNumber, bool& cancel)>;
  using TOnCorruptZipHeader = std::function<void(int headFlag, bool& cancel)>;
  using TOnDiskError = std::function<void(bool& abort)>;

  TUnZip() = default;

  // ---- published ----
  int PasswordAttempts = 3;
  std::vector<std::string> Passwords;
  TOnNextVolume OnNextVolume;
  TOnGetZipDisk OnGetZipFirstDisk;
  TOnGetZipDisk OnGetZipNextDisk;
  TOnGetZipDisk OnGetZipLastDisk;
  TOnCorruptZipHeader OnCorruptZipHeader;
  TOnDiskError OnDiskInDrvErr;
  TOnDiskError OnDiskWriteProtectErr;
  // The bytes all entries of one Extract or Test may produce together: at most ExtractLimitBytes
  // (no limit when unset) and at most ExtractLimitRatio times the archive file's size (none when
  // 0), so that a caller can bound a package by what it is and by what it may ever be. An entry
  // that would go beyond it fails with kZipOutputLimit and leaves nothing behind.
  std::optional<uint64_t> ExtractLimitBytes;
  uint32_t ExtractLimitRatio = 0;

  int ZipCmntBufSize() const { return zipCmntBufSize_; }
  // Clamped to 2,000 .. 32,767.
  void SetZipCmntBufSize(int size);

  // The whole extraction to files; the number of files written.
  int Extract();
  // Decodes and checks every selected entry as Extract would, writing nothing; the number of
  // files found right. A name no file can have fails here too; names are not checked against
  // ExtractDir, since nothing is written.
  int Test();

  struct TEntryListing {
    std::string name;  // after code-page conversion, "\" separated
    uint64_t compressed = 0, uncompressed = 0;
    uint16_t method = 0, flags = 0;
    uint32_t crc = 0, dosDateTime = 0, externalAttributes = 0;
  };
  // The selected entries as the directory (or, without one, the local headers) lists them.
  std::vector<TEntryListing> ListEntries();

  // ---- the reader's virtual operations ----
  virtual void ExtractArchive();
  // True when the stored CRC equals the running one or its complement (and not cancelled);
  // OnEnd gets the result, or OnError 25151 a failure when OnEnd is unassigned.
  virtual bool CheckCRC(bool entryWritten);
  // Deciphers a copy of the stored 12-byte header with the password and tests its check byte.
  virtual bool VerifyEncryptionHeader(const TZipCrypt::Header& header, const std::string& password);

  // Opens volume `volume` (from 0) of a multi-volume set of lastVolume + 1 volumes.
  Result<std::unique_ptr<TStream32>> OpenVolume(uint32_t volume, uint32_t lastVolume);
  // The file name of a volume: the archive itself for the last one, otherwise the archive's
  // name with the extension ".z01", ".z02", ... (the numbering of Info-ZIP's split sets).
  std::string VolumeName(uint32_t volume, uint32_t lastVolume) const;

 private:
  // The entry being extracted.
  struct TEntry {
    uint16_t flags = 0, method = 0;
    uint32_t crc = 0;
    uint64_t compressed = 0, uncompressed = 0;
    uint32_t dosDateTime = 0;
    std::optional<TAesExtra> aes;
    bool strongEncryption = false;
  };

  // Walks (kvoUnZip.cpp).
  bool openArchive();
  int run(bool testOnly);
  bool buildList(TUnBaseHeaderObj& list, bool& fromDirectory);
  int readZipDirectory(TUnBaseHeaderObj& list);
  void checkDirectoryEnd(uint64_t seen, uint64_t endedAt);
  std::optional<std::string> zip64Disagreement() const;
  // Where the end record stands, and where the directory must end: at the zip64 end record when
  // there is one, else at the end record.
  uint64_t endRecordAt() const {
    return endOfDirPos_ - (HasEnd64() ? TEndRecord64::kSize : TEndRecord::kSize);
  }
  uint64_t directoryEndAt() const { return HasZip64End() ? zip64EndPos_ : endRecordAt(); }
  void noteMissingDirectory();
  int scanLocalHeaders(TUnBaseHeaderObj& list);
  // The newest date and the uncompressed total, which drives the archive progress.
  void addToTotals(const TUnBaseInfo& info, uint32_t dosDateTime);
  bool findShiftedLocalHeader(uint64_t& offset);
  std::optional<TLocalHeader> localHeaderAt(uint64_t offset);
  void refuseEntry(const std::string& name, int code, const std::string& reason);
  void extractEntries(TUnBaseHeaderObj& list, bool fromDirectory);
  // Nothing when the local header is there and agrees with the central record; else why not.
  std::optional<TEntryFailure> readLocalHeader(const TUnBaseHeaderObj::Entry& record, bool fromDirectory);

  // One entry (kvoUnZipEntry.cpp).
  void extractEntry(uint32_t attributes);
  void extractDirectory();
  void extractFile(uint32_t attributes);
  Result<std::unique_ptr<THandleStream32>> createTemp(std::filesystem::path& temp);
  bool establishPassword();
  bool tryPassword(const std::string& password, const TZipCrypt::Header* header);
  Status decodeEntry(TStream32& output);
  Status decodeStored(TStream32& output, const TDecoderFrame& frame);
  Status decodeDeflated(TDecoderFrame& frame);
  size_t readEntryData(uint8_t* buffer, size_t count);
  Status writeEntryData(TStream32& output, const uint8_t* data, size_t count);
  bool verifyEntry(const Status& decoded);
  void entryFailed(int code, std::string reason);
  void showRaised(const Error& error);

  // Volumes (kvoUnZipVolumes.cpp).
  Result<std::unique_ptr<TStream32>> openDisk(uint32_t disk);
  Result<std::unique_ptr<TStream32>> requestSpannedDisk(uint32_t disk);
  bool driveReady();

  std::string savedArchiveFile_;
  std::string volumeName_;
  std::string fileName_;                // the entry's name after code-page conversion
  std::string outputName_;              // the file being written
  std::filesystem::path outputNative_;  // where it lies, links not followed
  std::filesystem::path forcedFolder_;  // the folder made or found last
  TVolumeStream archive_;
  TEntry entry_;
  TExtractLimit limit_;  // what is left of ExtractLimitBytes in this run
  uint32_t newestDate_ = 0;
  uint64_t uncompressedTotal_ = 0;
  uint64_t compressedLeft_ = 0, uncompressedLeft_ = 0;
  uint64_t entryDone_ = 0;
  int64_t shift_ = 0;
  bool passwordFailed_ = false;
  bool diskFull_ = false;
  bool testOnly_ = false;
  bool entryFailureRecorded_ = false;
  int countAtAccept_ = 0;
  std::string password_;
  int zipCmntBufSize_ = 32767;
};

}  // namespace riviza::zip
