// TZipCommon: the services both archive components use while data moves (zip layer): reading a
// block with decryption and checksum, writing extracted output by output mode with line-end
// conversion and disk-full detection, copying a stored entry, progress percentages, the run
// timer, header lists, DOS dates and temporary file names.
//
// One TZipCommon is one component; its run state (checksums, counters, cancel flag, output mode)
// and its ciphers (the traditional keys and the AES object of the current entry) belong to it
// alone, so two components never share cipher state. The reader and the writer derive from it
// and add their own runs; they extend ReportError and RaiseError (here: fire OnError, and for
// RaiseError also hand back the Error that stands for E_RAISE). Nothing here shows a
// window: messages and questions go to OnPrompt, silent when unset.
//   a run: ResetRun --> ReadBlock / WriteOutput / CopyStoredEntry ... (cancel stops loops) --> done
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"
#include "zip/kvoAES.h"
#include "zip/kvoCrypt.h"
#include "zip/kvoPrompt.h"
#include "zip/kvoRecords.h"
#include "zip/kvoStreams.h"
#include "zip/kvoTypes.h"

namespace riviza::zip {

// Start, pause, resume, stop on the system's millisecond tick; elapsed seconds at stop.
class TkvoTimer {
 public:
  void Start();
  void Pause();
  void Resume();
  float Stop();
  float elapsed() const { return elapsed_; }

 private:
  static int64_t tickMs();
  int64_t start_ = 0, pause_ = 0;
  float elapsed_ = 0;
};

// Where extracted bytes go.
enum TOutputMode : uint8_t { omFileStream = 0, omStream1 = 1, omStream2 = 2, omMemory = 3, omDiscard = 6 };

// Header list of a run: one entry per archive entry, in archive order.
template <class Info>
class THeaderObj {
 public:
  struct Entry {
    Info info{};
    std::string name;       // stored name
    size_t rootLength = 0;  // length of the root-folder prefix of the source path
    std::optional<TCentralHeader> central;
    std::string comment;
    std::vector<uint8_t> extra;
  };

  Entry& Add(Entry e) { return entries_.emplace_back(std::move(e)); }
  size_t Count() const { return entries_.size(); }
  Entry& operator[](size_t i) { return entries_[i]; }
  const Entry& operator[](size_t i) const { return entries_[i]; }
  std::vector<Entry>& entries() { return entries_; }

  void Clear() {
    entries_.clear();
    archiveComment.clear();
    changed = false;
  }

  std::string archiveComment;
  bool changed = false;

 private:
  std::vector<Entry> entries_;
};

class TZipCommon {
 public:
  using TOnError = std::function<void(const std::string& fileName, const std::string& extendedMsg,
                                      const std::string& volumeId, int code)>;
  using TOnProgress = std::function<void(uint8_t byFile, uint8_t byArchive)>;

  virtual ~TZipCommon() = default;

  // ---- events and settings ----
  TOnError OnError;
  TOnProgress OnProgress;
  TPromptCallback OnPrompt;  // message boxes and questions; silent when unset

  // ---- errors ----
  // Fires OnError (with 25443 when the run is cancelled), the timer paused meanwhile.
  virtual void ReportError(const std::string& fileName, const std::string& extendedMsg, int code,
                           const std::string& volumeId = {});
  // ReportError, then the Error the caller propagates (E_RAISE).
  virtual Error RaiseError(const std::string& fileName, const std::string& extendedMsg, int code,
                           const std::string& volumeId = {});
  bool GetCancel() const { return cancel_; }
  void SetCancel(bool cancel);

  // ---- run state ----
  void ResetRun();
  int Count = 0;                  // the run's result count
  uint32_t crc32 = kCrcSeed;      // running CRC-32 register
  uint32_t crc16 = 0;             // running CRC-16 register
  uint64_t archiveTotal = 0;      // bytes of the run, for the archive percentage
  uint64_t archiveRemaining = 0;  // counted down by every block
  bool textConversion = false;    // lone LF written as CR LF
  TOutputMode outputMode = omFileStream;
  TStream32* outputStream1 = nullptr;
  TStream32* outputStream2 = nullptr;
  std::span<uint8_t> outputMemory;  // mode 3: the block, filled from outputMemoryUsed on
  size_t outputMemoryUsed = 0;
  uint64_t discarded = 0;                      // mode 6: bytes counted
  TEncryptionMethod entryEncryption = emNone;  // of the current entry; emUnsupported: never decrypt
  TkvoTimer timer;

  // The per-operation ciphers of the current entry.
  TZipCrypt& zipCrypt() { return zipCrypt_; }
  TkvoAES* aes() { return aes_.get(); }
  void SetAes(std::unique_ptr<TkvoAES> aes) { aes_ = std::move(aes); }

  // ---- data services ----
  // Up to count bytes into buffer; a read error counts as 0 bytes. Deciphers in place when asked
  // (AES for emAES2_*, the traditional keys for emZIP_v2, nothing for emUnsupported), then runs
  // the checksum of `kind` over the plain bytes.
  size_t ReadBlock(TStream32& source, size_t count, TChecksumKind kind, bool decrypt, uint8_t* buffer);
  // The same without a checksum (compressed bytes for a decoder): the one path on which bytes
  // read from an archive are deciphered, each exactly once.
  size_t ReadDeciphered(TStream32& source, size_t count, bool decrypt, uint8_t* buffer);
  // The current entry's cipher: AES for emAES2_*, the traditional keys for emZIP_v2, none
  // otherwise (emUnsupported included).
  TEntryCipher* EntryCipher();
  // Deciphers a block in place with EntryCipher (nothing without one).
  void DecipherBlock(uint8_t* buffer, size_t count);
  // Writes by output mode (the given stream for mode 0). A full disk sets Count to 0 and is
  // raised (25160); any other failed write lowers Count by one and is reported (25136); both
  // return the Error so the caller stops. With `checksum` the running checksum covers the bytes
  // as given (before line-end conversion).
  Status WriteOutput(TStream32* output, const uint8_t* buffer, size_t count, TChecksumKind kind,
                     bool checksum);
  // Enciphers in place with the traditional keys (zip family, encrypted entry), then WriteOutput.
  Status WriteCompressed(TStream32* output, uint8_t* buffer, size_t count, TArcType arcType, bool encrypted);
  // Writes extracted bytes with the CRC-32. They are plain already: deciphering is the read's
  // business (ReadBlock), so no byte is deciphered twice.
  Status WriteExtracted(TStream32* output, const uint8_t* buffer, size_t count);
  // Copies a stored entry's remaining bytes in blocks of at most 32,768, deciphering when the
  // entry is encrypted; lets pending messages run before each block and stops at the cancel flag
  // or when the source ends early. Returns the bytes left uncopied.
  Result<uint64_t> CopyStoredEntry(TStream32& source, TStream32* target, const TLocalHeader& entry,
                                   uint64_t remaining, TArcType arcType);

  // Percentages of the current file (done of fileTotal) and of the archive (archiveTotal less
  // archiveRemaining) to OnProgress.
  void UpdateProgress(uint64_t fileTotal, uint64_t fileDone);

  virtual double DosDateTimeToDateTime(uint32_t dos) const;
  // A new empty file with a unique name and the prefix "kvo" in folder, or in the system
  // temporary folder (created when missing) when folder does not exist.
  static Result<std::string> TempFileName(std::string_view folder);

 protected:
  bool cancel_ = false;

 private:
  void updateChecksum(TChecksumKind kind, const uint8_t* buffer, size_t count);
  Status writeTo(TStream32* output, const uint8_t* buffer, size_t count);
  Status writeConverted(TStream32* output, const uint8_t* buffer, size_t count);

  TZipCrypt zipCrypt_;
  std::unique_ptr<TkvoAES> aes_;
  bool lastWasCr_ = false;
};

}  // namespace riviza::zip
