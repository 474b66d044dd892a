// TZipBase and TZip: the zip writer (zip layer): local headers and entry data (stored, deflated,
// traditional and AES encryption, enciphered headers), the old archive's directory read into
// the header list, kept entries copied byte for byte, the central directory with the zip64
// records where the limits need them, comments and directory edits, and the spanned set on a
// removable disk that cannot hold the archive (kvoDiskSpan.h).
//
// Entry layout as written (APPNOTE; sizes little-endian): local header (30), stored name, Info-ZIP
// Unicode path extra 0x7075 (names that are not UTF-8), AES extra 0x9901 (11, AES entries), zip64
// extra (20, entries whose data may reach 4 GiB); then the 12-byte traditional header or the AES
// salt and verifier, the data, the AES code (10). No data descriptor follows: sizes and CRC are
// written back into the local header. Names beyond ASCII are stored in UTF-8 with flag bit 11
// (and NTFS as the host), files and folders alike; a name that is not UTF-8 as its bytes, without
// the flag, and its Unicode path field in the local and the central header (kvoGbls.h).
// Files deflated without a cipher are read and deflated ahead of their turn on every core
// (kvoDeflatePool.h) and written in list order; stored, enciphered and small files are written
// by the run's thread as they come.
// A source is checked while it is read: a file whose size or modification time changes, or whose
// two reads (CRC, then data, for the traditional cipher) disagree, fails its entry, so no entry
// is ever written with a CRC that does not belong to its data.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "zip/kvoAES.h"
#include "zip/kvoCompBase.h"
#include "zip/kvoDeflatePool.h"
#include "zip/kvoZipLayout.h"

namespace riviza::zip {

class TZipBase : public TCustomCClass {
  friend class TDiskSpanObj;

 public:
  // ---- comments and directory edits ----
  // The archive comment is kept as the Windows program's ANSI text (Windows-1252). An entry
  // comment beyond ASCII is UTF-8 under the entry's flag bit 11, or ANSI text with Info-ZIP's
  // Unicode comment field beside it when the entry has no flag; either reads back as it was set.
  std::string GetArchiveComment() const;
  // Marks the list changed when the text differs.
  void SetArchiveComment(const std::string& comment);
  // The stored name and comment of entry `index`; false beyond the list.
  bool GetEntryComment(size_t index, std::string& fileName, std::string& comment) const;
  // An index beyond the list is ignored.
  void SetEntryComment(size_t index, const std::string& comment);
  // Reads the archive's directory and comment into the header list; the number of entries (0
  // when the archive cannot be read, after 25235 or 25244).
  int ReadDirectoryForEdit();
  // Writes the edited directory after the archive's entry data, through a temporary file that
  // replaces the archive; nothing when cancelled or unchanged. False on failure (archive kept).
  bool WriteDirectoryEdits();

  // ---- used by the span writer ----
  // The central record of an entry as it goes into a directory (header, name, extra, comment),
  // with the disk number and local-header offset given.
  std::vector<uint8_t> CentralRecordBytes(const TCompHeaderObj::Entry& entry, uint16_t disk, uint64_t offset);
  std::vector<uint8_t> ArchiveCommentBytes() const;

 protected:
  bool ReadCentralDirectory(TStream32& old) override;
  Status CopyKeptEntry(TCompHeaderObj::Entry& entry) override;
  Result<bool> CompressEntry(TCompHeaderObj::Entry& entry) override;
  void BeginEntries() override;
  void EndEntries() override;
  Status WriteCentralDirectory() override;
  Status WriteEmptyArchive() override;
  Status CommitOutput() override;
  void DoOnReadEntries() override;
  void ReadEntries() override;

  // One new entry's header, before and after its data.
  TLocalHeader InitLocalHeader(const EntryInfo& info) const;
  // A local or central header followed by the entry's stored name, both enciphered when the
  // entry's headers are, and the name's Unicode path field (counted in the header's extra
  // length): every header the writer puts goes through here.
  template <class Rec>
  std::vector<uint8_t> RecordWithName(const Rec& header, const EntryInfo& info);
  Result<bool> CompressFileData(TCompHeaderObj::Entry& entry);
  void FillCentralHeader(TCompHeaderObj::Entry& entry, const TLocalHeader& local);
  void DoOnEnd(const std::string& fileName, bool crcPass);

 private:
  struct TEntryWrite;  // the state of one entry being written (kvoZipEntry.cpp)

  // Directory walks (kvoZipDirectory.cpp).
  bool readDirectory(TStream32& old, bool forEdit);
  bool walkCentral(TStream32& old);
  bool walkLocal(TStream32& old);
  void readArchiveComment(TStream32& old);
  void readCommentBeyondWindow(TStream32& old);
  // ReadEntry from entry `index` (its packed size less `overhead`), then OnRead at `offset`.
  void fireOnRead(size_t index, uint64_t offset, uint64_t overhead);
  Status writeDirectoryTo(TStream32& out, uint64_t start);
  Result<uint64_t> keptEntryLength(TStream32& old, const TCompHeaderObj::Entry& entry);
  Result<uint64_t> entryLength(TStream32& old, uint64_t at, const TEntryRecord<TLocalHeader>& local,
                               uint64_t compressed);

  // Entry data (kvoZipEntry.cpp).
  Result<bool> writeFolder(TCompHeaderObj::Entry& entry);
  Result<bool> writeFile(TCompHeaderObj::Entry& entry, TEntryWrite& w);
  Result<bool> writeSmall(TEntryWrite& w);
  Result<bool> writeStreamed(TEntryWrite& w);
  Result<bool> writePooled(TEntryWrite& w, size_t file);
  bool storedByType(const std::string& source) const;
  Status beginEncryption(TEntryWrite& w);
  Status encipherAndWrite(TEntryWrite& w, uint8_t* data, size_t count);
  Status completeLocalHeader(TCompHeaderObj::Entry& entry, TEntryWrite& w);
  bool entryPassword(const std::string& fileName);
  bool failEntry(const std::string& fileName, int code, std::string reason);

  // The run's deflate workers and the entries they deflate ahead (index in their order).
  std::unique_ptr<TDeflatePool> pool_;
  std::unordered_map<const TCompHeaderObj::Entry*, size_t> pooled_;
};

// The writer component placed on forms.
class TZip final : public TZipBase {
 public:
  TZip();
  // Stores atZip; a pending ArchiveFile without extension gets DefaultExt.
  void SetArcType(TArcType type) override;
};

// The Unicode path field of a new entry whose name is not UTF-8 (empty for every other entry:
// a kept entry's field is in its extra area already).
inline std::vector<uint8_t> UnicodePathExtra(const EntryInfo& info) {
  std::vector<uint8_t> field;
  if (!info.unicodePath.empty())
    AppendUnicodeExtra(field, kExtraUnicodePath, info.storedName, info.unicodePath);
  return field;
}

template <class Rec>
std::vector<uint8_t> TZipBase::RecordWithName(const Rec& header, const EntryInfo& info) {
  const std::vector<uint8_t> nameExtra = UnicodePathExtra(info);
  Rec named = header;
  named.extraLength = static_cast<uint16_t>(named.extraLength + nameExtra.size());
  const auto raw = WriteRecord(named);
  std::vector<uint8_t> out(Rec::kSize + info.storedName.size());
  std::copy(raw.begin(), raw.end(), out.begin());
  std::copy(info.storedName.begin(), info.storedName.end(), out.begin() + Rec::kSize);
  if (info.headerEnciphered) {
    EncipherHeader(out.data(), TEntryRecord<Rec>::kKind);
    EncipherName(out.data() + Rec::kSize, info.storedName.size());
  }
  out.insert(out.end(), nameExtra.begin(), nameExtra.end());
  return out;
}

// The 24 extensions TZip stores without compression.
const std::vector<std::string>& DefaultStoreFilesOfType();

}  // namespace riviza::zip
