// The zip writer's directories (zip layer): the old archive's central directory (or, without
// one, its local headers) read into the header list, kept entries copied byte for byte, the new
// central directory with the zip64 records where needed, OnRead, comments and directory edits.
// See kvoZip.h.
#include <algorithm>

#include "platform/codec.h"
#include "platform/paths.h"
#include "zip/kvoDiskSpan.h"
#include "zip/kvoErrors.h"
#include "zip/kvoGbls.h"
#include "zip/kvoZip.h"

namespace riviza::zip {
namespace {

constexpr size_t kDirectoryFlush = 1 << 20;

}  // namespace

// ---- reading the old archive ----

bool TZipBase::ReadCentralDirectory(TStream32& old) { return readDirectory(old, false); }

bool TZipBase::readDirectory(TStream32& old, bool forEdit) {
  list_.Clear();
  names_.clear();
  bool walked = false;
  if (scanState_ & kScanCentralFound)
    walked = walkCentral(old);
  else if (scanState_ == kScanLocalFound && dirOffset_ >= 0)
    walked = walkLocal(old);
  else
    walked = (scanState_ & kScanEndFound) && EntriesTotal() == 0;
  if (!walked) {
    ReportError(archiveFile_, "no readable central directory", kZipBadData);
    return false;
  }
  if (scanState_ & kScanEndFound)
    readArchiveComment(old);
  else
    readCommentBeyondWindow(old);
  list_.changed = false;
  // A stub in front of the first entry (a self-extractor) is kept; an archive without entries
  // keeps nothing of itself.
  prefixLength_ = 0;
  if (!forEdit && list_.Count() > 0) {
    prefixLength_ = UINT64_MAX;
    for (const auto& e : list_.entries()) prefixLength_ = std::min(prefixLength_, e.info.oldOffset);
  }
  return true;
}

bool TZipBase::walkCentral(TStream32& old) {
  uint64_t position = static_cast<uint64_t>(dirOffset_);
  while (list_.Count() < EntriesTotal() && !cancel_) {
    auto record = ReadEntryRecord<TCentralHeader>(old, position);
    if (!record) break;
    position = old.Position().valueOr(0);
    const TCentralHeader& central = record->header;
    TCompHeaderObj::Entry e;
    e.info.status = esKeep;
    e.info.headerEnciphered = record->enciphered;
    e.info.sizes = {central.compressedSize, central.uncompressedSize, central.localHeaderOffset};
    (void)ReadExtraField(record->extra, true, e.info.sizes);
    const int64_t local = static_cast<int64_t>(e.info.sizes.localHeaderOffset) + offsetCorrection_;
    if (local < 0) break;
    e.info.oldOffset = e.info.sizes.localHeaderOffset = static_cast<uint64_t>(local);
    e.info.zip64Sizes =
        central.compressedSize == kZip64Marker32 && central.uncompressedSize == kZip64Marker32;
    e.info.utf8 = (central.flags & kFlagUtf8Name) != 0;
    e.info.attributes = central.externalAttributes;
    e.name = DecodeName(*record);
    e.info.storedName = std::move(record->name);
    e.central = central;
    e.extra = StripSizeFields(record->extra);
    e.comment = std::move(record->comment);
    list_.Add(std::move(e));
    indexName(list_[list_.Count() - 1].name, list_.Count() - 1);
  }
  // A damaged directory would lose the entries it can no longer name: such an archive is left
  // as it is rather than rewritten without them.
  return list_.Count() == EntriesTotal();
}

bool TZipBase::walkLocal(TStream32& old) {
  uint64_t position = static_cast<uint64_t>(dirOffset_);
  const uint64_t size = old.Size().valueOr(0);
  for (;;) {
    auto record = ReadEntryRecord<TLocalHeader>(old, position);
    if (!record) {
      if (LocalHeaderAt(old, position)) return false;  // a header cut short: the walk cannot go on
      break;
    }
    const TLocalHeader& local = record->header;
    TCompHeaderObj::Entry e;
    e.info.status = esKeep;
    e.info.headerEnciphered = record->enciphered;
    e.info.sizes = {local.compressedSize, local.uncompressedSize, position};
    (void)ReadExtraField(record->extra, false, e.info.sizes);
    // Sizes that only a data descriptor holds cannot be walked past.
    if ((local.flags & kFlagDescriptor) && e.info.sizes.compressed == 0) return false;
    auto length = entryLength(old, position, *record, e.info.sizes.compressed);
    if (!length || position + *length > size) return false;
    e.info.oldOffset = position;
    e.info.utf8 = (local.flags & kFlagUtf8Name) != 0;
    e.info.attributes = kAttrArchive;
    e.name = DecodeName(*record);
    e.info.storedName = std::move(record->name);
    TCentralHeader c = CentralFromLocal(local, record->enciphered);
    c.externalAttributes = kAttrArchive;
    e.central = c;
    e.extra = StripSizeFields(record->extra);
    list_.Add(std::move(e));
    indexName(list_[list_.Count() - 1].name, list_.Count() - 1);
    position += *length;
  }
  return !list_.entries().empty();
}

void TZipBase::readArchiveComment(TStream32& old) {
  const uint64_t size = old.Size().valueOr(0);
  const uint64_t at = EndOfDirectory();
  if (at >= size) return;
  std::string comment(static_cast<size_t>(std::min<uint64_t>(EndRecord().commentLength, size - at)), '\0');
  if (ReadAt(old, at, comment.data(), comment.size()) == comment.size())
    list_.archiveComment = std::move(comment);
}

// A comment that hides the end record from detection is still the archive's.
void TZipBase::readCommentBeyondWindow(TStream32& old) {
  const auto end = FindEndRecordBehindComment(old);
  if (!end) return;
  std::string comment(static_cast<size_t>(old.Size().valueOr(0) - *end - TEndRecord::kSize), '\0');
  if (ReadAt(old, *end + TEndRecord::kSize, comment.data(), comment.size()) == comment.size())
    list_.archiveComment = std::move(comment);
}

// 30 + name + extra + data, and the data descriptor when flag bit 3 says one follows.
Result<uint64_t> TZipBase::entryLength(TStream32& old, uint64_t at, const TEntryRecord<TLocalHeader>& local,
                                       uint64_t compressed) {
  const TLocalHeader& header = local.header;
  const uint64_t dataEnd = at + TLocalHeader::kSize + header.nameLength + header.extraLength + compressed;
  uint64_t length = dataEnd - at;
  if (header.flags & kFlagDescriptor) {
    TEntrySizes ignored;
    const bool zip64 = ReadExtraField(local.extra, false, ignored).zip64;
    uint8_t sigBytes[4] = {};
    const bool signed_ = ReadAt(old, dataEnd, sigBytes, 4) == 4 && GetLE<uint32_t>(sigBytes) == kSigSpan;
    length += (signed_ ? 4 : 0) + 4 + (zip64 ? 16 : 8);
  }
  RIVIZA_CHECK_DATA(at + length <= ArchiveSize(), kZipBadLocalOffset, "entry past the end");
  return length;
}

Result<uint64_t> TZipBase::keptEntryLength(TStream32& old, const TCompHeaderObj::Entry& entry) {
  const auto local = ReadEntryRecord<TLocalHeader>(old, entry.info.oldOffset);
  RIVIZA_CHECK_DATA(local.has_value(), kZipBadLocalOffset, "no local header where the directory says");
  return entryLength(old, entry.info.oldOffset, *local, entry.info.sizes.compressed);
}

Status TZipBase::CopyKeptEntry(TCompHeaderObj::Entry& entry) {
  auto length = keptEntryLength(*old_, entry);
  if (!length) return RaiseError(entry.name, length.error().message, length.error().code);
  auto position = output_->Position();
  if (!position) return RaiseError(entry.name, position.error().message, kZipWriteError);
  if (!old_->Seek(static_cast<int64_t>(entry.info.oldOffset), soFromBeginning))
    return RaiseError(entry.name, {}, kZipBadLocalOffset);
  auto copied = output_->CopyFrom(*old_, *length);
  if (!copied || *copied != *length) {
    const int code = !copied && copied.error().code == kZipDiskFull ? kZipDiskFull : kZipWriteError;
    return RaiseError(entry.name, copied ? std::string("short copy") : copied.error().message, code);
  }
  entry.info.sizes.localHeaderOffset = *position;
  archiveRemaining -= std::min(archiveRemaining, entry.info.sizes.compressed);
  UpdateProgress(entry.info.sizes.compressed, entry.info.sizes.compressed);
  return okStatus();
}

// ---- writing the directory ----

std::vector<uint8_t> TZipBase::CentralRecordBytes(const TCompHeaderObj::Entry& entry, uint16_t disk,
                                                  uint64_t offset) {
  TCentralHeader c = *entry.central;
  c.signature = HeaderSignature(TRecordKind::Central, entry.info.headerEnciphered);
  TEntrySizes sizes = entry.info.sizes;
  sizes.localHeaderOffset = offset;
  const std::vector<uint8_t> zip64 = SetCentralSizes(c, sizes, entry.info.zip64Sizes);
  c.nameLength = static_cast<uint16_t>(entry.info.storedName.size());
  c.extraLength = static_cast<uint16_t>(entry.extra.size() + zip64.size());
  c.commentLength = static_cast<uint16_t>(std::min<size_t>(entry.comment.size(), 0xFFFF));
  c.diskNumberStart = disk;
  std::vector<uint8_t> out = RecordWithName(c, entry.info);
  out.insert(out.end(), entry.extra.begin(), entry.extra.end());
  out.insert(out.end(), zip64.begin(), zip64.end());
  out.insert(out.end(), entry.comment.begin(), entry.comment.begin() + c.commentLength);
  return out;
}

std::vector<uint8_t> TZipBase::ArchiveCommentBytes() const {
  const std::string& c = list_.archiveComment;
  return {c.begin(), c.begin() + static_cast<std::ptrdiff_t>(std::min<size_t>(c.size(), 0xFFFF))};
}

Status TZipBase::writeDirectoryTo(TStream32& out, uint64_t start) {
  std::vector<uint8_t> buffer;
  uint64_t written = 0, count = 0;
  auto flush = [&]() -> Status {
    Status s = out.Write(buffer.data(), buffer.size());
    written += buffer.size();
    buffer.clear();
    return s;
  };
  Status s = okStatus();
  for (const auto& e : list_.entries()) {
    if (e.info.status == esDrop) continue;
    const auto record = CentralRecordBytes(e, 0, e.info.sizes.localHeaderOffset);
    buffer.insert(buffer.end(), record.begin(), record.end());
    ++count;
    if (buffer.size() >= kDirectoryFlush && !(s = flush())) break;
  }
  const uint64_t size = written + buffer.size();
  const std::vector<uint8_t> comment = ArchiveCommentBytes();
  TCentralEnd end{count, count, size, start, 0, 0, static_cast<uint16_t>(comment.size())};
  if (s) {
    const auto records = DirectoryEndRecords(end, start + size);
    buffer.insert(buffer.end(), records.begin(), records.end());
    buffer.insert(buffer.end(), comment.begin(), comment.end());
    s = flush();
  }
  if (!s)
    ReportError(archiveFile_, s.error().message,
                s.error().code == kZipDiskFull ? kZipDiskFull : kZipWriteError);
  return s;
}

Status TZipBase::WriteCentralDirectory() {
  auto start = output_->Position();
  if (!start) return start.error();
  return writeDirectoryTo(*output_, *start);
}

Status TZipBase::WriteEmptyArchive() {
  RIVIZA_TRY(output_->SetSize(0));
  RIVIZA_TRY(output_->Seek(0, soFromBeginning));
  const auto record = DirectoryEndRecords({}, 0);
  Status s = output_->Write(record.data(), record.size());
  if (!s) ReportError(archiveFile_, s.error().message, kZipWriteError);
  return s;
}

// A removable disk takes the archive as one file when it fits there; otherwise the span
// writer lays it over as many disks as it needs.
Status TZipBase::CommitOutput() {
  if (drive_.driveType == dtRemovable) {
    auto size = output_->Size();
    if (!size) return size.error();
    auto info = Volumes().VolumeInformation(DriveRoot(drive_.driveString));
    const uint64_t room = info ? info->freeBytes + (archiveExists_ ? replacedSize_ : 0) : 0;
    if (*size + kSpanReserve > room) {
      TDiskSpanObj span(*this);
      Status written = span.WriteSet(*output_);
      output_.reset();  // the temporary archive has done its work either way
      return written;
    }
  }
  return output_->Release();
}

// ---- OnRead ----

void TZipBase::fireOnRead(size_t index, uint64_t offset, uint64_t overhead) {
  const auto& e = list_[index];
  const TCentralHeader& c = *e.central;
  ReadEntry = {c.versionNeeded,
               c.method,
               c.crc,
               e.info.attributes,
               DosDateTimeOf(c),
               e.info.sizes.compressed - overhead,
               e.info.sizes.uncompressed,
               e.name};
  OnRead(static_cast<int64_t>(offset), static_cast<int>(index));
}

void TZipBase::DoOnReadEntries() {
  if (!OnRead) return;
  for (size_t i = 0; i < list_.Count(); ++i) {
    const auto& e = list_[i];
    if (!e.info.added || !e.central) continue;
    const bool traditional = (e.central->flags & kFlagEncrypted) && e.central->method != kMethodAes;
    fireOnRead(i, e.info.sizes.localHeaderOffset, traditional ? TZipCrypt::kHeaderSize : 0);
  }
}

void TZipBase::ReadEntries() {
  if (ReadDirectoryForEdit() == 0 && list_.Count() == 0) return;
  Count = static_cast<int>(list_.Count());
  if (!OnRead) return;
  for (size_t i = 0; i < list_.Count(); ++i) fireOnRead(i, list_[i].info.oldOffset, 0);
}

// ---- comments and directory edits ----

std::string TZipBase::GetArchiveComment() const { return platform::toUtf8(list_.archiveComment); }

void TZipBase::SetArchiveComment(const std::string& comment) {
  std::string bytes = platform::fromUtf8(comment);
  if (bytes == list_.archiveComment) return;
  list_.archiveComment = std::move(bytes);
  list_.changed = true;
}

bool TZipBase::GetEntryComment(size_t index, std::string& fileName, std::string& comment) const {
  if (index >= list_.Count()) return false;
  const auto& e = list_[index];
  fileName = e.name;
  TStoredTextOrigin origin{0, e.extra, {}, std::nullopt};
  if (e.central) origin.flags = e.central->flags, origin.versionMadeBy = e.central->versionMadeBy;
  comment = StoredTextToUtf8(e.comment, origin, kExtraUnicodeComment, platform::CodePage::Windows1252);
  return true;
}

// A comment beyond ASCII goes in UTF-8 under the entry's flag bit 11. An entry without the flag
// cannot be given it here: its local header, copied as it is, would disagree with the central
// one. Its comment is stored in the Windows program's ANSI code page with Info-ZIP's Unicode
// comment field beside it, which holds the UTF-8 text.
void TZipBase::SetEntryComment(size_t index, const std::string& comment) {
  if (index >= list_.Count()) return;
  auto& e = list_[index];
  const bool plain = !LocalNameToOem(comment, TranslateOemChar).utf8;
  std::string bytes = plain || e.info.utf8 ? comment : platform::fromUtf8(comment);
  std::vector<uint8_t> extra = WithoutExtraFields(e.extra, {kExtraUnicodeComment});
  if (!plain && !e.info.utf8) AppendUnicodeExtra(extra, kExtraUnicodeComment, bytes, comment);
  if (bytes == e.comment && extra == e.extra) return;
  e.comment = std::move(bytes);
  e.extra = std::move(extra);
  list_.changed = true;
}

int TZipBase::ReadDirectoryForEdit() {
  list_.Clear();
  names_.clear();
  auto opened = openOldArchive();
  if (!opened || !readDirectory(*opened, true)) return 0;
  return static_cast<int>(list_.Count());
}

bool TZipBase::WriteDirectoryEdits() {
  if (cancel_) return false;
  if (!list_.changed) return true;
  auto opened = TFileStream32::Create(archiveFile_, fmOpenRead | fmShareDenyWrite);
  if (!opened) {
    ReportError(archiveFile_, {}, kZipOpenError);
    return false;
  }
  TFileStream32& old = **opened;
  (void)DetectArchiveType(old);
  const uint64_t dataEnd = list_.Count() == 0 ? 0 : static_cast<uint64_t>(std::max<int64_t>(dirOffset_, 0));
  replacedSize_ = old.Size().valueOr(0);
  auto made = TTempFileStream::Create(*this, archiveFile_, GetTempDir());
  if (!made) {
    ReportError(archiveFile_, made.error().message, kZipOpenError);
    return false;
  }
  output_ = std::move(*made);
  bool done = old.Seek(0, soFromBeginning).ok();
  if (done && dataEnd > 0) {
    auto copied = output_->CopyFrom(old, dataEnd);
    done = copied && *copied == dataEnd;
  }
  opened->reset();
  done = done && writeDirectoryTo(*output_, dataEnd).ok() && output_->Release().ok();
  output_.reset();
  if (done) list_.changed = false;
  return done;
}

// ---- TZip ----

const std::vector<std::string>& DefaultStoreFilesOfType() {
  static const std::vector<std::string> kTypes = {
      ".ACE", ".ARC", ".ARJ", ".BH",  ".CAB", ".ENC", ".GZ", ".HA",  ".JAR", ".LHA", ".LZH", ".PAK",
      ".PK3", ".PK_", ".RAR", ".TAR", ".TGZ", ".UUE", ".UU", ".WAR", ".XXE", ".Z",   ".ZIP", ".ZOO"};
  return kTypes;
}

TZip::TZip() {
  StoreFilesOfType = DefaultStoreFilesOfType();
  arcType_ = atZip;
}

void TZip::SetArcType(TArcType) {
  arcType_ = atZip;
  if (!ComponentLoading && !archiveFile_.empty() && platform::extractFileExt(archiveFile_).empty())
    archiveFile_ += DefaultExt();
}

}  // namespace riviza::zip
