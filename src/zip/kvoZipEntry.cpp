// One new entry of the zip writer (zip layer): the local header, the data stored or deflated,
// enciphered by the traditional cipher or AES, the checks on the source while it is read, and
// the header written back with its final sizes and CRC. See kvoZip.h.
#include <zlib.h>

#include <algorithm>
#include <thread>

#include "platform/codec.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/pump.h"
#include "zip/kvoErrors.h"
#include "zip/kvoGbls.h"
#include "zip/kvoStreamFilters.h"
#include "zip/kvoZip.h"

namespace riviza::zip {
namespace {

constexpr size_t kSmallFile = 257;  // below this a file is deflated in memory first
constexpr size_t kReadBlock = 131072;

uint16_t deflateOption(TDeflateType type) {
  switch (type) {
    case dtDeflateF:
      return 0x0004;
    case dtDeflateX:
      return 0x0002;
    default:
      return 0;
  }
}

bool stateOf(TFileStream32& file, TSourceStamp& state) { return StampOf(file.file().fd(), state); }

}  // namespace

// The state of one entry while it is written.
struct TZipBase::TEntryWrite {
  std::unique_ptr<TFileStream32> source;
  TSourceStamp before;
  TLocalHeader local;
  uint64_t offset = 0;     // of the local header
  uint64_t dataStart = 0;  // after header, name and extras
  uint64_t bytesRead = 0;
  uint32_t crc = 0;       // the finished CRC-32 of the data read
  uint32_t firstCrc = 0;  // the traditional cipher's first pass
  bool store = false;
  bool reserveZip64 = false;
  uint8_t encryption = emNone;
  std::unique_ptr<TkvoAES> aes;
  std::string name;  // for messages: the source path

  TEntryCipher* cipher(TZipCrypt& crypt) {
    if (encryption == emZIP_v2) return &crypt;
    return aes ? &aes->cipher() : nullptr;
  }
};

bool TZipBase::failEntry(const std::string& fileName, int code, std::string reason) {
  ReportError(fileName, reason, code);
  recordFailure(fileName, code, std::move(reason));
  return false;
}

void TZipBase::DoOnEnd(const std::string& fileName, bool crcPass) {
  if (OnEnd) OnEnd(fileName, crcPass);
}

TLocalHeader TZipBase::InitLocalHeader(const EntryInfo& info) const {
  TLocalHeader local;
  local.signature = HeaderSignature(TRecordKind::Local, info.headerEnciphered);
  local.versionNeeded = kVersionDefault;
  SetDosDateTime(local, ChosenDosDateTime(DateAttribute, info.dosDateTime, maxDate_));
  local.uncompressedSize = static_cast<uint32_t>(info.fileSize);
  local.method = kMethodDeflated;
  local.flags = info.utf8 ? kFlagUtf8Name : 0;
  local.nameLength = static_cast<uint16_t>(info.storedName.size());
  return local;
}

Result<bool> TZipBase::CompressEntry(TCompHeaderObj::Entry& entry) {
  if (CompressMethod() == cmStore) DeflateType = dtDeflateS;  // and so it stays after the run
  if (OnBegin) {
    bool extract = true;
    OnBegin(entry.info.source, Count + 1, extract);
    if (!extract || cancel_) return false;
  }
  if (entry.info.storedName.size() > 0xFFFF)
    return failEntry(entry.info.source, kZipWriteError, "stored name longer than 65,535 bytes");
  Result<bool> done = entry.info.folder ? writeFolder(entry) : CompressFileData(entry);
  DoOnEnd(entry.info.source, done.ok() && *done && !IsAesMethod(entry.info.encryption));
  return done;
}

Result<bool> TZipBase::writeFolder(TCompHeaderObj::Entry& entry) {
  auto offset = output_->Position();
  if (!offset) return RaiseError(entry.info.source, offset.error().message, kZipWriteError);
  TLocalHeader local = InitLocalHeader(entry.info);
  local.method = kMethodStored;
  local.uncompressedSize = 0;
  entry.info.sizes = {0, 0, *offset};
  const std::vector<uint8_t> head = RecordWithName(local, entry.info);
  if (Status written = output_->Write(head.data(), head.size()); !written)
    return RaiseError(entry.info.source, written.error().message, written.error().code);
  FillCentralHeader(entry, local);
  return true;
}

bool TZipBase::entryPassword(const std::string& fileName) {
  if (Password.empty() && !passwordAsked_ && OnGetPassword) {
    passwordAsked_ = true;
    bool tryAgain = false;
    OnGetPassword(fileName, Password, tryAgain);
  }
  return !Password.empty();
}

Result<bool> TZipBase::CompressFileData(TCompHeaderObj::Entry& entry) {
  EntryInfo& info = entry.info;
  TEntryWrite w;
  w.name = info.source;
  if (!platform::fileExists(info.source))  // gone, or a device or pipe that would block the run
    return failEntry(info.source, kZipOpenError, "not found or not a regular file");
  auto opened = TFileStream32::Create(info.source, fmOpenRead | fmShareDenyNone);
  if (!opened) return failEntry(info.source, kZipOpenError, "nicht zu öffnen: " + opened.error().message);
  w.source = std::move(*opened);
  if (!stateOf(*w.source, w.before)) return failEntry(info.source, kZipOpenError, "nicht lesbar");
  info.fileSize = static_cast<uint64_t>(w.before.size);
  w.store = DeflateType == dtDeflateS || storedByType(info.source) || info.fileSize == 0;
  w.encryption = info.fileSize == 0 ? uint8_t{emNone} : info.encryption;
  if (w.encryption != emNone && !entryPassword(info.source))
    return failEntry(info.source, kZipInvalidPassword, "no password for an encrypted entry");
  w.reserveZip64 = LocalNeedsZip64(info.fileSize);
  w.local = InitLocalHeader(info);
  auto offset = output_->Position();
  if (!offset) return RaiseError(info.source, offset.error().message, kZipWriteError);
  w.offset = *offset;
  info.sizes = {0, info.fileSize, w.offset};

  // Placeholder header, name and extras; written again with the final values below.
  std::vector<uint8_t> head(TLocalHeader::kSize);
  head.insert(head.end(), info.storedName.begin(), info.storedName.end());
  head.resize(head.size() + UnicodePathExtra(info).size());
  head.resize(head.size() + (IsAesMethod(w.encryption) ? kAesExtraSize : 0) +
              (w.reserveZip64 ? kZip64LocalExtraSize : 0));
  if (Status s = output_->Write(head.data(), head.size()); !s)
    return RaiseError(info.source, s.error().message, s.error().code);
  w.dataStart = w.offset + head.size();

  auto begun = beginEncryption(w);
  if (!begun) {
    if (cancel_) return false;
    const int code = begun.error().code;
    if (code == kZipDiskFull || code == kZipWriteError)
      return RaiseError(info.source, begun.error().message, code);
    return failEntry(info.source, code, begun.error().message);
  }
  const auto pooled = w.store || w.encryption != emNone ? pooled_.end() : pooled_.find(&entry);
  Result<bool> data = !w.store && info.fileSize < kSmallFile ? writeSmall(w)
                      : pooled != pooled_.end()              ? writePooled(w, pooled->second)
                                                             : writeStreamed(w);
  if (!data || !*data) return data;
  if (cancel_) return false;
  TSourceStamp after;
  if (!stateOf(*w.source, after) || !(w.before == after) ||
      w.bytesRead != static_cast<uint64_t>(w.before.size) ||
      (w.encryption == emZIP_v2 && w.firstCrc != w.crc))
    return failEntry(info.source, kZipCrcFailed, "changed while it was read");
  if (w.aes)
    if (Status ended = w.aes->EndEncrypt(); !ended)
      return RaiseError(info.source, ended.error().message, ended.error().code);
  RIVIZA_TRY(completeLocalHeader(entry, w));
  return true;
}

bool TZipBase::storedByType(const std::string& source) const {
  const std::string ext = platform::extractFileExt(source);
  return !ext.empty() &&
         std::any_of(StoreFilesOfType.begin(), StoreFilesOfType.end(),
                     [&](const std::string& t) { return platform::equalsIgnoreCase(t, ext); });
}

// Every file that will be deflated without a cipher goes to the workers, judged by what the scan
// saw; one whose decision comes out otherwise at its turn (it shrank, it is gone, an event skips
// it) is simply not taken, and the pool drops its blocks.
void TZipBase::BeginEntries() {
  pooled_.clear();
  const TDeflateType type = CompressMethod() == cmStore ? dtDeflateS : DeflateType;
  if (type == dtDeflateS) return;
  std::vector<std::string> files;
  uint64_t bytes = 0;
  for (auto& e : list_.entries()) {
    const EntryInfo& i = e.info;
    if (i.status != esCompress || i.folder || i.encryption != emNone || i.fileSize < kSmallFile ||
        storedByType(i.source))
      continue;
    pooled_[&e] = files.size();
    files.push_back(i.source);
    bytes += i.fileSize;
  }
  if (files.empty()) return;
  const uint64_t blocks = (bytes + TDeflatePool::kBlockSize - 1) / TDeflatePool::kBlockSize;
  const auto workers =
      static_cast<unsigned>(std::min<uint64_t>(std::max(1u, std::thread::hardware_concurrency()), blocks));
  pool_ = std::make_unique<TDeflatePool>(std::move(files), TCompressStream::LevelOf(type), workers);
}

void TZipBase::EndEntries() {
  pool_.reset();
  pooled_.clear();
}

// The workers' blocks of one file in order: written as they come, their CRCs combined.
Result<bool> TZipBase::writePooled(TEntryWrite& w, size_t file) {
  const uint64_t total = static_cast<uint64_t>(w.before.size);
  const auto keepWaiting = [this] {
    platform::processMessages();
    return !cancel_;
  };
  for (bool last = false; !last;) {
    auto block = pool_->Take(file, keepWaiting);
    if (!block) {
      if (cancel_) return false;
      const Error& e = block.error();
      if (e.code == kZipOpenError) return failEntry(w.name, kZipOpenError, e.message);
      return RaiseError(w.name, e.message, e.code);
    }
    if (!(block->opened == w.before)) return failEntry(w.name, kZipCrcFailed, "changed while it was read");
    if (Status s = output_->Write(block->packed.data(), block->packed.size()); !s)
      return RaiseError(w.name, s.error().message, s.error().code);
    w.crc = w.bytesRead == 0 ? block->crc
                             : static_cast<uint32_t>(crc32_combine64(
                                   w.crc, block->crc, static_cast<z_off64_t>(block->plainBytes)));
    w.bytesRead += block->plainBytes;
    archiveRemaining -= std::min<uint64_t>(archiveRemaining, block->plainBytes);
    UpdateProgress(total, w.bytesRead);
    platform::processMessages();
    if (cancel_) return false;
    last = block->last;
  }
  return true;
}

Status TZipBase::beginEncryption(TEntryWrite& w) {
  if (w.encryption == emZIP_v2) {
    const uint64_t total = static_cast<uint64_t>(w.before.size);
    uint64_t remaining = total;
    TStreamRun run;
    run.cancel = &cancel_;
    run.remaining = &remaining;
    run.progress = [&] { UpdateProgress(total, total - remaining); };
    auto raw = CalcFileCRC(*w.source, run);
    if (!raw) return zipError(kZipOpenError, "nicht lesbar: " + raw.error().message);
    if (cancel_) return zipError(kZipUserCanceled);
    w.firstCrc = *raw ^ kCrcSeed;
    auto header = BuildEncryptionHeader(zipCrypt(), Password, w.firstCrc);
    if (!header) return header.error();
    return output_->Write(header->data(), header->size());
  }
  if (IsAesMethod(w.encryption)) {
    w.aes = std::make_unique<TkvoAES>(nullptr, output_.get());
    return w.aes->BeginEncrypt(Password, w.encryption);
  }
  return okStatus();
}

Status TZipBase::encipherAndWrite(TEntryWrite& w, uint8_t* data, size_t count) {
  if (TEntryCipher* c = w.cipher(zipCrypt())) c->EncryptBlock(data, count);
  return output_->Write(data, count);
}

// Small files go through memory: deflated first, stored when that made them larger, then
// enciphered and written, so nothing needs to be undone in the output.
Result<bool> TZipBase::writeSmall(TEntryWrite& w) {
  std::vector<uint8_t> plain(static_cast<size_t>(w.before.size) + 1);
  size_t got = 0;
  for (;;) {
    auto n = w.source->Read(plain.data() + got, plain.size() - got);
    if (!n) return failEntry(w.name, kZipOpenError, "nicht lesbar: " + n.error().message);
    if (*n == 0 || got + *n == plain.size()) {
      got += *n;
      break;
    }
    got += *n;
  }
  plain.resize(got);
  w.bytesRead = got;
  w.crc = Crc32Of(plain.data(), plain.size());
  TMemoryStream32 packed;
  auto compress = TCompressStream::Create(packed, -15, DeflateType);
  if (!compress) return RaiseError(w.name, compress.error().message, compress.error().code);
  RIVIZA_TRY((*compress)->Write(plain.data(), plain.size()));
  RIVIZA_TRY((*compress)->Finish());
  std::vector<uint8_t> data;
  if (packed.view().size() > plain.size()) {
    w.store = true;
    data = std::move(plain);
  } else {
    data.assign(packed.view().begin(), packed.view().end());
  }
  if (Status s = encipherAndWrite(w, data.data(), data.size()); !s)
    return RaiseError(w.name, s.error().message, s.error().code);
  archiveRemaining -= std::min<uint64_t>(archiveRemaining, got);
  UpdateProgress(got, got);
  return true;
}

Result<bool> TZipBase::writeStreamed(TEntryWrite& w) {
  std::unique_ptr<TStream32> filter;
  if (w.store) {
    filter = std::make_unique<TStoreStream>(*output_, ckCrc32, w.encryption, w.cipher(zipCrypt()));
  } else {
    auto made = TCompressStream::Create(*output_, -15, DeflateType);
    if (!made) return RaiseError(w.name, made.error().message, made.error().code);
    (*made)->run().encryption = w.encryption;
    (*made)->run().cipher = w.cipher(zipCrypt());
    filter = std::move(*made);
  }
  // A stored and enciphered block is no longer plain when the filter sees it.
  const bool ownCrc = w.store && w.encryption != emNone;
  uint32_t reg = kCrcSeed;
  const uint64_t total = static_cast<uint64_t>(w.before.size);
  bool readFailed = false;  // a source that cannot be read fails its entry; a failed write the run
  auto copied = CopyBlocks(kUntilSourceEnds, {kReadBlock, [this] { return cancel_; },
                                              [&](uint8_t* buffer, size_t n) {
                                                auto got = w.source->Read(buffer, n);
                                                readFailed = !got;
                                                return got;
                                              },
                                              [&](uint8_t* buffer, size_t n, uint64_t done) -> Status {
                                                if (ownCrc) Crc32Update(buffer, n, reg);
                                                RIVIZA_TRY(filter->Write(buffer, n));
                                                w.bytesRead = done;
                                                archiveRemaining -= std::min<uint64_t>(archiveRemaining, n);
                                                UpdateProgress(total, done);
                                                return okStatus();
                                              }});
  if (!copied && readFailed)
    return failEntry(w.name, kZipOpenError, "nicht lesbar: " + copied.error().message);
  if (!copied) return RaiseError(w.name, copied.error().message, copied.error().code);
  if (cancel_) return false;
  if (!w.store) {
    auto* compress = static_cast<TCompressStream*>(filter.get());
    if (Status s = compress->Finish(); !s) return RaiseError(w.name, s.error().message, s.error().code);
  }
  w.crc = (ownCrc ? reg : filter->run().checksum) ^ kCrcSeed;
  return true;
}

Status TZipBase::completeLocalHeader(TCompHeaderObj::Entry& entry, TEntryWrite& w) {
  EntryInfo& info = entry.info;
  auto end = output_->Position();
  if (!end) return RaiseError(w.name, end.error().message, kZipWriteError);
  TEntrySizes sizes{*end - w.dataStart, w.bytesRead, w.offset};
  if (!w.reserveZip64 && (sizes.compressed >= kZip64Marker32 || sizes.uncompressed >= kZip64Marker32))
    return RaiseError(w.name, "entry grew past its reserved header", kZipWriteError);
  TLocalHeader& local = w.local;
  const bool aes = IsAesMethod(w.encryption);
  local.crc = aes || w.bytesRead == 0 ? 0 : w.crc;
  if (w.encryption != emNone) local.flags |= kFlagEncrypted;
  if (!w.store) local.flags |= deflateOption(DeflateType);
  const uint16_t method = w.store ? kMethodStored : kMethodDeflated;
  local.method = aes ? kMethodAes : method;
  std::optional<TAesExtra> aesExtra;
  if (aes) aesExtra = TAesExtra{2, w.encryption, method};
  const std::vector<uint8_t> extras = SetLocalExtras(local, aesExtra, sizes, w.reserveZip64);

  std::vector<uint8_t> head = RecordWithName(local, info);
  head.insert(head.end(), extras.begin(), extras.end());
  RIVIZA_TRY(output_->Seek(static_cast<int64_t>(w.offset), soFromBeginning));
  Status s = output_->Write(head.data(), head.size());
  if (s)
    s = output_->Seek(static_cast<int64_t>(*end), soFromBeginning).ok() ? okStatus()
                                                                        : zipError(kZipWriteError);
  if (!s) return RaiseError(w.name, s.error().message, s.error().code);

  info.sizes = sizes;
  info.zip64Sizes = w.reserveZip64;
  entry.extra.clear();  // the central zip64 field is made anew when the directory is written
  if (aesExtra) {
    const auto field = WriteAesExtra(*aesExtra);
    entry.extra.assign(field.begin(), field.end());
  }
  FillCentralHeader(entry, local);
  return okStatus();
}

void TZipBase::FillCentralHeader(TCompHeaderObj::Entry& entry, const TLocalHeader& local) {
  TCentralHeader c = CentralFromLocal(local, entry.info.headerEnciphered);
  c.externalAttributes = entry.info.attributes;
  if (entry.info.utf8) SetUtf8Flag(c);
  entry.central = c;
}

}  // namespace riviza::zip
