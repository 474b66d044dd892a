// One entry of TUnZip (zip layer): acceptance, the password, decoding into a temporary file
// beside the target, the size and checksum test, and the rename into place. See kvoUnZip.h.
//
// The bytes of an entry are deciphered exactly once, as they are read (readEntryData); the
// CRC-32 runs over what is written. The temporary file holds the entry until its size, CRC
// (and for AES its authentication code; for AE-1 the CRC as well) are right; only then does it
// replace the target, so a failed entry never leaves a half-written or wrong file behind.
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/pump.h"
#include "platform/syscalls.h"
#include "zip/kvoAesEntryCrypt.h"
#include "zip/kvoDecoderFrame.h"
#include "zip/kvoErrors.h"
#include "zip/kvoExplode.h"
#include "zip/kvoGbls.h"
#include "zip/kvoInflate.h"
#include "zip/kvoInflate64.h"
#include "zip/kvoUnZip.h"
#include "zip/kvoUnreduce.h"
#include "zip/kvoUnshrink.h"

namespace riviza::zip {
namespace {

constexpr size_t kBlockSize = 32768;

}  // namespace

// ---- bookkeeping ----

void TUnZip::entryFailed(int code, std::string reason) {
  if (!entryFailureRecorded_) recordFailure(fileName_, code, std::move(reason));
  entryFailureRecorded_ = true;
}

// What the Windows program showed in a message box when decoding raised (corrupt shrunk data,
// a failed write); other corrupt data ends the entry without a message.
void TUnZip::showRaised(const Error& error) {
  const int code = error.code;
  if (code == kZipBadBlock || code == kZipStackOverflow) ReportError(fileName_, {}, code);
  if (code == kZipBadBlock || code == kZipStackOverflow || code == kZipWriteError || code == kZipDiskFull)
    (void)AskUser(OnPrompt, {TPromptKind::Error, TPromptButtons::Ok, {}, std::string(ErrorText(code))});
}

bool TUnZip::CheckCRC(bool entryWritten) {
  const bool pass = !cancel_ && entryWritten;
  if (OnEnd)
    OnEnd(outputName_, pass);
  else if (!pass && !cancel_)
    ReportError(outputName_, {}, kZipCrcFailed);
  return pass;
}

// ---- the entry ----

void TUnZip::extractEntry(uint32_t attributes) {
  entryFailureRecorded_ = false;
  if (arcType_ == atJar || arcType_ == atJarExe)
    attributes = platform::extractFileName(outputName_).empty() ? kAttrDirectory : kAttrArchive;
  const bool isDirectory = (attributes & kAttrDirectory) || platform::extractFileName(outputName_).empty();
  // A name that can be written nowhere fails in a test too; the target folder only when writing.
  TNameVerdict verdict = CheckStoredName(fileName_);
  std::optional<std::filesystem::path> safe;
  if (verdict.code == 0 && !testOnly_ && !(safe = SafeOutputPath(fileName_)))
    verdict = {kZipNameOutside, "the name leads outside the target folder"};
  if (verdict.code != 0) {
    ReportError(fileName_, verdict.reason, verdict.code);
    entryFailed(verdict.code, verdict.reason);
    archiveRemaining -= std::min(archiveRemaining, entry_.uncompressed);
    return;
  }
  if (safe) outputNative_ = std::move(*safe);
  if (isDirectory && testOnly_)
    CheckCRC(true);
  else if (isDirectory)
    extractDirectory();
  else
    extractFile(attributes);
}

// A failure names the path on disk and the system's reason, for whoever has to mend it.
void TUnZip::extractDirectory() {
  if (CreateStoredDirs) {
    std::error_code ec;
    std::filesystem::create_directories(outputNative_, ec);
    std::error_code isFolder;
    if (!std::filesystem::is_directory(outputNative_, isFolder)) {
      entryFailed(kZipInvalidDirectory,
                  "Ordner nicht anzulegen: " + platform::displayPath(outputNative_.string()) + ": " +
                      (ec ? platform::errnoText(ec.value()) : std::string("eine Datei dieses Namens steht im Weg")));
      return;
    }
  }
  CheckCRC(true);
}

void TUnZip::extractFile(uint32_t attributes) {
  const std::string outputNameChecked = outputName_;
  if (testOnly_ ? (++Count, false) : !ConfirmEntry(outputName_)) {
    archiveRemaining -= std::min(archiveRemaining, entry_.uncompressed);
    return;
  }
  countAtAccept_ = Count;
  auto fail = [&](int code, std::string reason) {
    Count = diskFull_ ? 0 : countAtAccept_ - 1;
    entryFailed(code, std::move(reason));
    archiveRemaining -= std::min(archiveRemaining, uncompressedLeft_);
  };
  entryEncryption = emNone;
  SetAes(nullptr);
  uncompressedLeft_ = entry_.uncompressed;
  if (entry_.flags & kFlagEncrypted) {
    const bool strong = (entry_.flags & kFlagStrongEncryption) || entry_.strongEncryption ||
                        (entry_.aes && !IsAesStrength(entry_.aes->strength));
    if (strong) {
      entryEncryption = emUnsupported;
      passwordFailed_ = true;
      fail(kZipUnsupportedMethod, "encryption method not supported");
      CheckCRC(false);
      return;
    }
    entryEncryption = entry_.aes ? static_cast<TEncryptionMethod>(entry_.aes->strength) : emZIP_v2;
    if (!passwordFailed_ && !establishPassword()) passwordFailed_ = true;
    if (passwordFailed_) {
      fail(kZipInvalidPassword, "no valid password");
      CheckCRC(false);
      return;
    }
  }
  if (testOnly_) {
    TMemoryStream32 unused;
    outputMode = omDiscard;
    const bool right = verifyEntry(decodeEntry(unused));
    outputMode = omFileStream;
    if (!right) Count = countAtAccept_ - 1;
    CheckCRC(right);
    return;
  }
  if (outputName_ != outputNameChecked)
    outputNative_ = platform::nativePath(outputName_);  // named by an event
  // A missing folder shows when the file is created.
  if (const std::filesystem::path folder = outputNative_.parent_path(); folder != forcedFolder_) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    forcedFolder_ = std::filesystem::is_directory(folder, ec) ? folder : std::filesystem::path();
  }
  // Windows cannot create a file over a folder or a read-only file; neither is replaced here.
  std::error_code ec;
  const auto existing = std::filesystem::symlink_status(outputNative_, ec);
  const bool blocked =
      std::filesystem::is_directory(existing) ||
      (std::filesystem::exists(existing) &&
       (existing.permissions() & std::filesystem::perms::owner_write) == std::filesystem::perms::none);
  std::filesystem::path temp;
  auto output =
      blocked ? Result<std::unique_ptr<THandleStream32>>(zipError(kZipOpenError)) : createTemp(temp);
  if (!output) {
    ReportError(outputName_, {}, kZipOpenError);
    const std::string why = std::filesystem::is_directory(existing) ? "a folder of that name is in the way"
                            : blocked                               ? "the existing file is read-only"
                                                                    : std::strerror(output.error().code);
    fail(kZipOpenError, "cannot create " + outputNative_.string() + ": " + why);
    return;
  }
  const Status decoded = decodeEntry(**output);
  const Status closed = (*output)->Close();
  output->reset();
  if (!closed) ReportError(outputName_, {}, kZipCloseError);
  bool written = verifyEntry(decoded) && closed.ok();
  if (written) {
    const uint32_t dos = ChosenDosDateTime(DateAttribute, entry_.dosDateTime, newestDate_);
    (void)platform::setModifiedTime(platform::pathText(temp),
                                    platform::toUnixTime(DosToDateTimeParts(dos)));  // as on Windows: ignored
    if (platform::sys().rename(temp.c_str(), outputNative_.c_str()) != 0) {
      ReportError(outputName_, {}, kZipOpenError);
      entryFailed(kZipOpenError, "output file could not be put in place");
      written = false;
    }
  }
  if (!written) {
    (void)platform::sys().unlink(temp.c_str());  // the target stays as it was
    Count = diskFull_ ? 0 : countAtAccept_ - 1;
    if (!closed) entryFailed(kZipCloseError, "output file could not be closed");
  } else if (RestoreFileAttr && attributes != kAttrArchive && (attributes & kAttrReadOnly)) {
    // The new file is writable already; only read-only is left to set. A failure is ignored, as
    // on Windows.
    (void)platform::setReadOnly(outputName_, true);
  }
  CheckCRC(written);
}

// A new file beside the target, opened on the mapped path of its folder so that no folder is
// searched again for a name only this run uses.
Result<std::unique_ptr<THandleStream32>> TUnZip::createTemp(std::filesystem::path& temp) {
  auto made = CreateUniqueNativeFile(outputNative_.parent_path(), "kvo");
  if (!made) return made.error();
  temp = std::move(made->path);
  return std::make_unique<THandleStream32>(std::move(made->file));
}

// ---- passwords ----

bool TUnZip::VerifyEncryptionHeader(const TZipCrypt::Header& header, const std::string& password) {
  return TestEncryptionHeader(zipCrypt(), header, entry_.flags, entry_.crc,
                              static_cast<uint16_t>(entry_.dosDateTime & 0xFFFF), password);
}

bool TUnZip::tryPassword(const std::string& password, const TZipCrypt::Header* header) {
  if (password.empty()) return false;
  if (header != nullptr) return VerifyEncryptionHeader(*header, password);
  auto aes = std::make_unique<TkvoAES>(&archive_, nullptr);
  uint32_t overhead = 0;
  auto ok = aes->BeginDecrypt(password, entry_.aes->strength, overhead);
  if (!ok || !*ok) return false;
  SetAes(std::move(aes));
  return true;
}

bool TUnZip::establishPassword() {
  TZipCrypt::Header header{};
  const TZipCrypt::Header* traditional = nullptr;
  if (!entry_.aes) {
    if (!archive_.ReadBuffer(header.data(), header.size())) return false;
    traditional = &header;
  }
  if (tryPassword(password_, traditional)) return true;
  for (const std::string& line : Passwords)
    if (tryPassword(line, traditional)) {
      password_ = line;
      return true;
    }
  if (!OnGetPassword) {
    ReportError(fileName_, "OnGetPassword", kZipEventNotAssigned);
    return false;
  }
  for (int attempt = 0; attempt < PasswordAttempts && !cancel_; ++attempt) {
    std::string password = password_;
    bool tryAgain = true;
    OnGetPassword(fileName_, password, tryAgain);
    if (!tryAgain) {
      ReportError(fileName_, std::string(ErrorText(kZipUserCanceled)), kZipInvalidPassword);
      return false;
    }
    if (tryPassword(password, traditional)) {
      password_ = password;
      Passwords.insert(Passwords.begin(), password);
      return true;
    }
    password_.clear();
  }
  return false;
}

// ---- decoding ----

size_t TUnZip::readEntryData(uint8_t* buffer, size_t count) {
  const size_t got =
      ReadDeciphered(archive_, static_cast<size_t>(std::min<uint64_t>(count, compressedLeft_)), true, buffer);
  compressedLeft_ -= got;
  return got;
}

// The frame has kept the block within the entry's size and the extraction's limit.
Status TUnZip::writeEntryData(TStream32& output, const uint8_t* data, size_t count) {
  RIVIZA_TRY(WriteExtracted(&output, data, count));
  uncompressedLeft_ -= count;
  entryDone_ += count;
  archiveRemaining -= std::min<uint64_t>(archiveRemaining, count);
  UpdateProgress(entry_.uncompressed, entryDone_);
  platform::processMessages();
  return okStatus();
}

// Every archive this reader opens is a zip (a jar included): the entry's flag decides deciphering.
// A stored entry's size is known before a byte is copied, so the frame's limits are tested first.
Status TUnZip::decodeStored(TStream32& output, const TDecoderFrame& frame) {
  if (compressedLeft_ > frame.outputAllowed()) return frame.overflowError();
  TLocalHeader record;
  record.flags = entry_.flags;
  auto left = CopyStoredEntry(archive_, &output, record, compressedLeft_, atZip);
  if (!left) return left.error();
  const uint64_t copied = compressedLeft_ - *left;
  uncompressedLeft_ -= copied;  // an early end of the archive fails the size test
  limit_.remaining -= copied;
  compressedLeft_ = *left;
  return okStatus();
}

// Method 8 through the stream inflater: 32 KiB of input and of output at a time.
Status TUnZip::decodeDeflated(TDecoderFrame& frame) {
  TZStreamRec zs;
  if (InflateInit2(zs, -15) != kZOk) return zipError(kZipOutOfMemory, "inflate");
  std::vector<uint8_t> out(kBlockSize);
  bool inputEnded = false;
  while (!cancel_) {
    if (zs.availIn == 0 && !inputEnded) {
      const std::span<const uint8_t> in = frame.nextInput();
      zs.nextIn = in.data();
      zs.availIn = static_cast<uint32_t>(in.size());
      inputEnded = in.empty();
    }
    zs.nextOut = out.data();
    zs.availOut = static_cast<uint32_t>(out.size());
    const int rc = Inflate(zs, kZNoFlush);
    const size_t produced = out.size() - zs.availOut;
    if (produced > 0) RIVIZA_TRY(frame.write({out.data(), produced}));
    if (rc == kZStreamEnd) break;
    RIVIZA_CHECK_DATA(rc == kZOk || rc == kZBufError, kZipBadData, zs.msg ? zs.msg : "invalid deflate data");
    RIVIZA_CHECK_DATA(!(inputEnded && produced == 0), kZipBadData, "deflate data end early");
  }
  return okStatus();
}

Status TUnZip::decodeEntry(TStream32& output) {
  crc32 = kCrcSeed;
  uint64_t overhead = 0;
  if (IsAesMethod(entryEncryption))
    overhead = AesSaltLength(entry_.aes->strength) + kAesVerifierSize + kAesAuthCodeSize;
  if (entryEncryption == emZIP_v2) overhead = TZipCrypt::kHeaderSize;
  RIVIZA_CHECK_DATA(entry_.compressed >= overhead, kZipBadData, "entry smaller than its encryption data");
  compressedLeft_ = entry_.compressed - overhead;
  uncompressedLeft_ = entry_.uncompressed;
  entryDone_ = 0;
  uint16_t method = entry_.method;
  if (method == kMethodAes && entry_.aes) method = entry_.aes->actualMethod;
  // Every decoder's output passes the frame: the entry's size and the extraction's limit.
  TDecoderIo io;
  io.read = [this](std::span<uint8_t> buffer) { return readEntryData(buffer.data(), buffer.size()); };
  io.write = [this, &output](std::span<const uint8_t> block) {
    return writeEntryData(output, block.data(), block.size());
  };
  io.cancel = &cancel_;
  TDecoderFrame frame(io, compressedLeft_, uncompressedLeft_, &limit_);
  switch (method) {
    case 0:
      return decodeStored(output, frame);
    case 8:
      return decodeDeflated(frame);
    case 1:
      return UnshrinkEntry(frame);
    case 2:
    case 3:
    case 4:
    case 5:
      return UnreduceEntry(frame, method - 1u);
    case 6:
      return ExplodeEntry(frame, entry_.flags);
    case 9:
      return InflateEntry(frame, true);
    default:
      ReportError(fileName_, {}, kZipUnsupportedMethod);
      return zipError(kZipUnsupportedMethod, "method " + std::to_string(method));
  }
}

bool TUnZip::verifyEntry(const Status& decoded) {
  if (!decoded) {
    if (decoded.error().code == kZipDiskFull) diskFull_ = true;
    showRaised(decoded.error());
    entryFailed(decoded.error().code, decoded.error().message);
    return false;
  }
  if (cancel_) {
    entryFailed(kZipUserCanceled, "cancelled");
    return false;
  }
  if (uncompressedLeft_ != 0) {
    entryFailed(kZipBadData, "data shorter than the entry's stored size");
    return false;
  }
  const uint32_t crc = crc32 ^ 0xFFFFFFFFu;
  const bool crcRight = entry_.crc == crc || entry_.crc == ~crc;
  if (IsAesMethod(entryEncryption) && aes()) {
    // The code covers every enciphered byte, also those a decoder left unread.
    std::vector<uint8_t> rest(kBlockSize);
    while (compressedLeft_ > 0 && readEntryData(rest.data(), rest.size()) > 0) {
    }
    auto code = aes()->EndDecrypt();
    if (!code || !*code) {
      entryFailed(kZipCrcFailed, "authentication code does not match");
      return false;
    }
    // AE-1 keeps the real CRC beside the code; AE-2 stores 0 there.
    if (entry_.aes->vendorVersion == 1 && !crcRight) {
      entryFailed(kZipCrcFailed, "CRC does not match");
      return false;
    }
    return true;
  }
  if (!crcRight) entryFailed(kZipCrcFailed, "CRC does not match");
  return crcRight;
}

}  // namespace riviza::zip
