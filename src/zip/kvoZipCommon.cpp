// Base services of the archive components (zip layer). See kvoZipCommon.h.
#include "zip/kvoZipCommon.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "platform/pump.h"
#include "zip/kvoErrors.h"
#include "zip/kvoGbls.h"

namespace riviza::zip {

// ---- TkvoTimer ----

int64_t TkvoTimer::tickMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void TkvoTimer::Start() {
  start_ = tickMs();
  pause_ = 0;
  elapsed_ = 0;
}

void TkvoTimer::Pause() { pause_ = tickMs(); }

void TkvoTimer::Resume() {
  if (pause_ != 0) start_ += tickMs() - pause_;
  pause_ = 0;
}

float TkvoTimer::Stop() {
  elapsed_ = static_cast<float>(tickMs() - start_) / 1000.0f;
  return elapsed_;
}

// ---- errors ----

void TZipCommon::ReportError(const std::string& fileName, const std::string& extendedMsg, int code,
                             const std::string& volumeId) {
  timer.Pause();
  if (OnError) OnError(fileName, extendedMsg, volumeId, cancel_ ? kZipUserCanceled : code);
  timer.Resume();
}

Error TZipCommon::RaiseError(const std::string& fileName, const std::string& extendedMsg, int code,
                             const std::string& volumeId) {
  ReportError(fileName, extendedMsg, code, volumeId);
  return zipError(cancel_ ? kZipUserCanceled : code, extendedMsg.empty() ? fileName : extendedMsg);
}

void TZipCommon::SetCancel(bool cancel) {
  cancel_ = cancel;
  if (cancel) ReportError({}, {}, kZipUserCanceled);
}

void TZipCommon::ResetRun() {
  Count = 0;
  crc32 = kCrcSeed;
  crc16 = 0;
  archiveTotal = archiveRemaining = 0;
  outputMemoryUsed = 0;
  discarded = 0;
  entryEncryption = emNone;
  cancel_ = false;
  lastWasCr_ = false;
  aes_.reset();
}

// ---- data services ----

size_t TZipCommon::ReadBlock(TStream32& source, size_t count, TChecksumKind kind, bool decrypt,
                             uint8_t* buffer) {
  const size_t got = ReadDeciphered(source, count, decrypt, buffer);
  updateChecksum(kind, buffer, got);
  return got;
}

size_t TZipCommon::ReadDeciphered(TStream32& source, size_t count, bool decrypt, uint8_t* buffer) {
  const size_t got = source.ReadUpTo(buffer, count);
  if (decrypt) DecipherBlock(buffer, got);
  return got;
}

TEntryCipher* TZipCommon::EntryCipher() {
  if (IsAesMethod(entryEncryption)) return aes_ ? &aes_->cipher() : nullptr;
  return entryEncryption == emZIP_v2 ? &zipCrypt_ : nullptr;
}

void TZipCommon::DecipherBlock(uint8_t* buffer, size_t count) {
  if (TEntryCipher* cipher = EntryCipher(); cipher && count > 0) cipher->DecryptBlock(buffer, count);
}

void TZipCommon::updateChecksum(TChecksumKind kind, const uint8_t* buffer, size_t count) {
  if (kind == ckCrc16)
    Crc16Update(buffer, count, crc16);
  else
    Crc32Update(buffer, count, crc32);
}

Status TZipCommon::writeTo(TStream32* output, const uint8_t* buffer, size_t count) {
  switch (outputMode) {
    case omFileStream:
      if (output == nullptr) return zipError(kZipWriteError, "no output");
      return output->Write(buffer, count);
    case omStream1:
    case omStream2: {
      TStream32* s = outputMode == omStream1 ? outputStream1 : outputStream2;
      if (s == nullptr) return zipError(kZipWriteError, "no output stream");
      return s->Write(buffer, count);
    }
    case omMemory:
      if (count > outputMemory.size() - std::min(outputMemoryUsed, outputMemory.size()))
        return zipError(kZipWriteError, "memory block full");
      std::memcpy(outputMemory.data() + outputMemoryUsed, buffer, count);
      outputMemoryUsed += count;
      return okStatus();
    case omDiscard:
      discarded += count;
      return okStatus();
  }
  return zipError(kZipWriteError, "unknown output mode");
}

// Runs up to each lone line feed, each followed by CR LF; a CR ending one block pairs with an LF
// opening the next.
Status TZipCommon::writeConverted(TStream32* output, const uint8_t* buffer, size_t count) {
  static constexpr uint8_t kCrLf[2] = {'\r', '\n'};
  size_t runStart = 0;
  for (size_t i = 0; i < count; ++i) {
    bool loneLf = buffer[i] == '\n' && !(i > 0 ? buffer[i - 1] == '\r' : lastWasCr_);
    if (!loneLf) continue;
    RIVIZA_TRY(writeTo(output, buffer + runStart, i - runStart));
    RIVIZA_TRY(writeTo(output, kCrLf, 2));
    runStart = i + 1;
  }
  if (count > 0) lastWasCr_ = buffer[count - 1] == '\r';
  return writeTo(output, buffer + runStart, count - runStart);
}

Status TZipCommon::WriteOutput(TStream32* output, const uint8_t* buffer, size_t count, TChecksumKind kind,
                               bool checksum) {
  Status written = textConversion ? writeConverted(output, buffer, count) : writeTo(output, buffer, count);
  if (!written) {
    if (written.error().code == kZipDiskFull) {
      Count = 0;
      return RaiseError({}, {}, kZipDiskFull);
    }
    --Count;
    ReportError({}, written.error().message, kZipWriteError);
    return written.error();
  }
  if (checksum) updateChecksum(kind, buffer, count);
  return okStatus();
}

Status TZipCommon::WriteCompressed(TStream32* output, uint8_t* buffer, size_t count, TArcType arcType,
                                   bool encrypted) {
  if (encrypted && IsZipFamily(arcType)) zipCrypt_.ZipEncryptBuffer(buffer, count);
  return WriteOutput(output, buffer, count, ckCrc32, false);
}

Status TZipCommon::WriteExtracted(TStream32* output, const uint8_t* buffer, size_t count) {
  return WriteOutput(output, buffer, count, ckCrc32, true);
}

Result<uint64_t> TZipCommon::CopyStoredEntry(TStream32& source, TStream32* target, const TLocalHeader& entry,
                                             uint64_t remaining, TArcType arcType) {
  const uint64_t total = remaining;
  const bool decrypt = IsZipFamily(arcType) && (entry.flags & 0x0001) != 0;  // general flag bit 0
  auto copied = CopyBlocks(total, {32768, [this] { return cancel_; },
                                   [&](uint8_t* buffer, size_t n) -> Result<size_t> {
                                     return ReadBlock(source, n, ckCrc32, decrypt,
                                                      buffer);  // 0: the source ended early
                                   },
                                   [&](uint8_t* buffer, size_t n, uint64_t done) -> Status {
                                     // ReadBlock ran the checksum already; written without a second pass.
                                     RIVIZA_TRY(WriteOutput(target, buffer, n, ckCrc32, false));
                                     archiveRemaining -= std::min<uint64_t>(archiveRemaining, n);
                                     if (done < total) UpdateProgress(total, done);
                                     return okStatus();
                                   }});
  if (!copied) return copied.error();
  return total - *copied;
}

void TZipCommon::UpdateProgress(uint64_t fileTotal, uint64_t fileDone) {
  if (!OnProgress) return;
  auto byFile =
      static_cast<uint8_t>(ProgressPercent(static_cast<int64_t>(fileTotal), static_cast<int64_t>(fileDone)));
  auto byArchive = static_cast<uint8_t>(
      ProgressPercent(static_cast<int64_t>(archiveTotal),
                      static_cast<int64_t>(archiveTotal - std::min(archiveTotal, archiveRemaining))));
  OnProgress(byFile, byArchive);
}

double TZipCommon::DosDateTimeToDateTime(uint32_t dos) const { return DosToDateTime(dos); }

Result<std::string> TZipCommon::TempFileName(std::string_view folder) {
  std::string dir = IsDirectory(folder) ? AppendBackslash(folder) : TempPath();
  if (!ForceDirs(dir)) return zipError(kZipInvalidDirectory, dir);
  auto made = CreateUniqueFile(dir, "kvo");
  if (!made) return zipError(kZipOpenError, dir);
  return made;
}

}  // namespace riviza::zip
