// On-disk records of zip archives (zip layer): local and central headers, the end record, the
// engine's 64-bit end record, the zip64 end record and locator, the extra fields (large-file
// 0x0064, zip64 0x0001, AES 0x9901, strong encryption 0x0017, Info-ZIP's Unicode path 0x7075 and
// comment 0x6375), and the signature tests.
//
// No struct is ever laid over archive bytes. Each record lists its fields once, as (offset,
// member) pairs in its Fields() routine; one generic reader and one generic writer walk that
// list in little-endian order, and a static_assert proves the list dense and as long as the
// record. Records are fixed-size byte arrays at the interface, so a short buffer is a compile
// error, not a run-time overread. Extra areas come from archives and are untrusted: the parser
// stops at a length that runs past the area and never reads beyond it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string_view>
#include <type_traits>
#include <vector>

namespace riviza::zip {

// ---- little-endian fields ----
template <class T>
constexpr T GetLE(const uint8_t* p) {
  T v = 0;
  for (size_t i = 0; i < sizeof(T); ++i) v |= static_cast<T>(static_cast<T>(p[i]) << (8 * i));
  return v;
}
template <class T>
constexpr void PutLE(uint8_t* p, T v) {
  for (size_t i = 0; i < sizeof(T); ++i) p[i] = static_cast<uint8_t>(static_cast<uint64_t>(v) >> (8 * i));
}

// A little-endian value appended to a byte vector (extra fields are built this way).
template <class T>
void AppendLE(std::vector<uint8_t>& out, T v) {
  uint8_t b[sizeof(T)];
  PutLE(b, v);
  out.insert(out.end(), b, b + sizeof(T));
}

// ---- signatures ----
inline constexpr uint32_t kSigLocal = 0x04034B50;         // "PK" 03 04
inline constexpr uint32_t kSigLocalEnc = 0x04034C50;      // "PL" 03 04
inline constexpr uint32_t kSigCentral = 0x02014B50;       // "PK" 01 02
inline constexpr uint32_t kSigCentralEnc = 0x02014C50;    // "PL" 01 02
inline constexpr uint32_t kSigEnd = 0x06054B50;           // "PK" 05 06
inline constexpr uint32_t kSigEndEnc = 0x06054C50;        // "PL" 05 06
inline constexpr uint32_t kSigEnd64 = 0x06055B50;         // "P[" 05 06, the engine's own
inline constexpr uint32_t kSigEnd64Enc = 0x06055C50;      // 50 5C 05 06
inline constexpr uint32_t kSigSpan = 0x08074B50;          // "PK" 07 08
inline constexpr uint32_t kSigZip64End = 0x06064B50;      // "PK" 06 06
inline constexpr uint32_t kSigZip64Locator = 0x07064B50;  // "PK" 06 07

enum class TRecordKind { None, Local, Central, End, End64, Span };

struct TSignatureMatch {
  TRecordKind kind = TRecordKind::None;
  bool enciphered = false;
};

// The record kind of a signature value read where `expected` (Local, Central or End) should
// stand; End also accepts the 64-bit end record (kind End64).
TSignatureMatch SignatureKind(TRecordKind expected, uint32_t value);
// The signature the writer puts: "PK" or with encryptHeaders "PL" for local and central
// headers, "PK" 05 06 for the end record, the spanning signature for anything else.
uint32_t HeaderSignature(TRecordKind kind, bool encryptHeaders);

// ---- records ----
//
// Local header, 30 bytes, then name and extra field:
//   0 signature (4)  4 version needed (2)  6 flags (2)  8 method (2)  10 time (2)  12 date (2)
//   14 CRC-32 (4)  18 compressed size (4)  22 uncompressed size (4)  26 name length (2)
//   28 extra length (2)
struct TLocalHeader {
  static constexpr size_t kSize = 30;
  uint32_t signature = kSigLocal;
  uint16_t versionNeeded = 20, flags = 0, method = 0, time = 0, date = 0;
  uint32_t crc = 0, compressedSize = 0, uncompressedSize = 0;
  uint16_t nameLength = 0, extraLength = 0;

  template <class R, class F>
  static constexpr void Fields(R& r, F&& f) {
    f(0, r.signature), f(4, r.versionNeeded), f(6, r.flags), f(8, r.method), f(10, r.time), f(12, r.date);
    f(14, r.crc), f(18, r.compressedSize), f(22, r.uncompressedSize), f(26, r.nameLength);
    f(28, r.extraLength);
  }
};

// Central directory header, 46 bytes, then name, extra field and comment:
//   0 signature (4)  4 version made by (2)  6 version needed (2)  8 flags (2)  10 method (2)
//   12 time (2)  14 date (2)  16 CRC-32 (4)  20 compressed (4)  24 uncompressed (4)
//   28 name length (2)  30 extra length (2)  32 comment length (2)  34 disk number start (2)
//   36 internal attributes (2)  38 external attributes (4)  42 local-header offset (4)
struct TCentralHeader {
  static constexpr size_t kSize = 46;
  uint32_t signature = kSigCentral;
  uint16_t versionMadeBy = 20, versionNeeded = 20, flags = 0, method = 0, time = 0, date = 0;
  uint32_t crc = 0, compressedSize = 0, uncompressedSize = 0;
  uint16_t nameLength = 0, extraLength = 0, commentLength = 0, diskNumberStart = 0, internalAttributes = 1;
  uint32_t externalAttributes = 0, localHeaderOffset = 0;

  template <class R, class F>
  static constexpr void Fields(R& r, F&& f) {
    f(0, r.signature), f(4, r.versionMadeBy), f(6, r.versionNeeded), f(8, r.flags), f(10, r.method);
    f(12, r.time), f(14, r.date), f(16, r.crc), f(20, r.compressedSize), f(24, r.uncompressedSize);
    f(28, r.nameLength), f(30, r.extraLength), f(32, r.commentLength), f(34, r.diskNumberStart);
    f(36, r.internalAttributes), f(38, r.externalAttributes), f(42, r.localHeaderOffset);
  }
};

// End record, 22 bytes, then the archive comment:
//   0 signature (4)  4 this disk (2)  6 directory's disk (2)  8 entries here (2)
//   10 entries in total (2)  12 directory size (4)  16 directory offset (4)  20 comment length (2)
// The engine's own 64-bit end record, 26 bytes, is the same with an 8-byte offset at 16 and the
// comment length at 24; one template serves both, so the two layouts cannot drift apart.
template <class Offset, uint32_t kSignature>
struct TEndRecordOf {
  static constexpr size_t kSize = 18 + sizeof(Offset);
  uint32_t signature = kSignature;
  uint16_t thisDisk = 0, centralDisk = 0, entriesThisDisk = 0, entriesTotal = 0;
  uint32_t centralSize = 0;
  Offset centralOffset = 0;
  uint16_t commentLength = 0;

  template <class R, class F>
  static constexpr void Fields(R& r, F&& f) {
    f(0, r.signature), f(4, r.thisDisk), f(6, r.centralDisk), f(8, r.entriesThisDisk), f(10, r.entriesTotal);
    f(12, r.centralSize), f(16, r.centralOffset), f(16 + sizeof(Offset), r.commentLength);
  }
};
using TEndRecord = TEndRecordOf<uint32_t, kSigEnd>;
using TEndRecord64 = TEndRecordOf<uint64_t, kSigEnd64>;
static_assert(TEndRecord::kSize == 22 && TEndRecord64::kSize == 26);

// Zip64 end record (APPNOTE 4.3.14), 56 bytes without its extensible data:
//   0 signature (4)  4 size of the rest (8)  12 version made by (2)  14 version needed (2)
//   16 this disk (4)  20 directory's disk (4)  24 entries here (8)  32 entries in total (8)
//   40 directory size (8)  48 directory offset (8)
struct TZip64EndRecord {
  static constexpr size_t kSize = 56;
  uint32_t signature = kSigZip64End;
  uint64_t recordSize = kSize - 12;
  uint16_t versionMadeBy = 45, versionNeeded = 45;
  uint32_t thisDisk = 0, centralDisk = 0;
  uint64_t entriesThisDisk = 0, entriesTotal = 0, centralSize = 0, centralOffset = 0;

  template <class R, class F>
  static constexpr void Fields(R& r, F&& f) {
    f(0, r.signature), f(4, r.recordSize), f(12, r.versionMadeBy), f(14, r.versionNeeded), f(16, r.thisDisk);
    f(20, r.centralDisk), f(24, r.entriesThisDisk), f(32, r.entriesTotal), f(40, r.centralSize);
    f(48, r.centralOffset);
  }
};

// Zip64 end-record locator, 20 bytes, just before the end record:
//   0 signature (4)  4 disk of the zip64 end record (4)  8 its offset (8)  16 number of disks (4)
struct TZip64Locator {
  static constexpr size_t kSize = 20;
  uint32_t signature = kSigZip64Locator;
  uint32_t zip64EndDisk = 0;
  uint64_t zip64EndOffset = 0;
  uint32_t totalDisks = 1;

  template <class R, class F>
  static constexpr void Fields(R& r, F&& f) {
    f(0, r.signature), f(4, r.zip64EndDisk), f(8, r.zip64EndOffset), f(16, r.totalDisks);
  }
};

// True when a record's field list starts at 0, leaves no gap or overlap, and ends at kSize.
template <class Rec>
constexpr bool RecordLayoutIsDense() {
  Rec r{};
  size_t next = 0;
  bool dense = true;
  Rec::Fields(r, [&](size_t offset, auto& member) {
    dense = dense && offset == next;
    next = offset + sizeof(member);
  });
  return dense && next == Rec::kSize;
}

template <class Rec>
constexpr Rec ReadRecord(std::span<const uint8_t, Rec::kSize> in) {
  Rec r{};
  Rec::Fields(r, [&](size_t offset, auto& member) {
    member = GetLE<std::remove_reference_t<decltype(member)>>(in.data() + offset);
  });
  return r;
}

template <class Rec>
constexpr std::array<uint8_t, Rec::kSize> WriteRecord(const Rec& r) {
  std::array<uint8_t, Rec::kSize> out{};
  Rec::Fields(r, [&](size_t offset, const auto& member) { PutLE(out.data() + offset, member); });
  return out;
}

// ---- extra fields ----
inline constexpr uint16_t kExtraZip64 = 0x0001;
inline constexpr uint16_t kExtraStrongEncryption = 0x0017;
inline constexpr uint16_t kExtraLargeFile = 0x0064;
inline constexpr uint16_t kExtraAes = 0x9901;
inline constexpr size_t kLargeFileExtraLocalSize = 8;
inline constexpr size_t kLargeFileExtraCentralSize = 10;
inline constexpr size_t kAesExtraSize = 11;

// AES extra 0x9901, 11 bytes:
//   0 ID (2)  2 data size 7 (2)  4 vendor version (2)  6 vendor "AE" (2)  8 strength (1)
//   9 actual compression method (2)
struct TAesExtra {
  uint16_t vendorVersion = 2;  // AE-2: the CRC field holds 0
  uint8_t strength = 3;        // 1, 2, 3 = 128, 192, 256 bits
  uint16_t actualMethod = 8;
};
std::array<uint8_t, kAesExtraSize> WriteAesExtra(const TAesExtra& aes);

// Sizes and offset of an entry, 64-bit, from the header's 32-bit fields and its extra field.
struct TEntrySizes {
  uint64_t compressed = 0, uncompressed = 0, localHeaderOffset = 0;
};

// The engine's large-file extra 0x0064: bits 32-47 of the compressed size, the uncompressed size
// and (central header only) the local-header offset. Local 8 bytes, central 10.
std::vector<uint8_t> WriteLargeFileExtra(const TEntrySizes& sizes, bool central);
// True when an entry needs the large-file extra: any of its sizes or its offset above 32 bits
// (the compressed size too: a stored and encrypted entry just under 4 GiB grows past 32 bits).
bool NeedsLargeFileExtra(const TEntrySizes& sizes);
// The standard zip64 extra 0x0001 with the values whose 32-bit header field holds 0xFFFFFFFF
// (uncompressed, compressed, then for the central header the offset).
std::vector<uint8_t> WriteZip64Extra(const TEntrySizes& sizes, bool uncompressed, bool compressed,
                                     bool offset);

// Calls f(id, data) for each field of an extra area in order. False when a field's length runs
// past the area: the walk stops there and never reads beyond it.
template <class F>
bool ForEachExtraField(std::span<const uint8_t> extra, F&& f) {
  size_t at = 0;
  while (at + 4 <= extra.size()) {
    const uint16_t id = GetLE<uint16_t>(extra.data() + at);
    const size_t length = GetLE<uint16_t>(extra.data() + at + 2);
    if (at + 4 + length > extra.size()) return false;
    f(id, extra.subspan(at + 4, length));
    at += 4 + length;
  }
  return true;
}

// Flag bit 11 (name and comment in UTF-8) on a central header, with NTFS as the host of "version
// made by" when it named MS-DOS: Info-ZIP's unzip turns the names of MS-DOS hosts from the OEM
// code page whatever the flag says, and NTFS keeps the attributes' DOS meaning.
inline constexpr uint16_t kFlagUtf8Name = 0x0800;
inline constexpr uint16_t kHostNtfs = 11;
constexpr void SetUtf8Flag(TCentralHeader& c) {
  c.flags |= kFlagUtf8Name;
  if ((c.versionMadeBy >> 8) == 0)
    c.versionMadeBy = static_cast<uint16_t>(kHostNtfs << 8 | (c.versionMadeBy & 0xFF));
}

// Info-ZIP's Unicode path 0x7075 and Unicode comment 0x6375, written beside a name or comment
// stored in a code page:
//   0 version 1 (1)  1 CRC-32 of the header's own name or comment bytes (4)  5 UTF-8 text (rest)
inline constexpr uint16_t kExtraUnicodePath = 0x7075;
inline constexpr uint16_t kExtraUnicodeComment = 0x6375;
inline constexpr size_t kUnicodeExtraHeader = 5;
// The text of the first such field (`id`) in the area, when its version is 1 and its CRC matches
// `stored`: a field whose CRC belongs to other bytes was left behind by a tool that renamed the
// entry without knowing the field, and is ignored. The text is not checked here.
std::optional<std::string_view> UnicodeExtraText(std::span<const uint8_t> extra, uint16_t id,
                                                 std::string_view stored);
// Appends such a field for `stored` with its UTF-8 text.
void AppendUnicodeExtra(std::vector<uint8_t>& extra, uint16_t id, std::string_view stored,
                        std::string_view utf8);

// The area without the fields of the given IDs; a field running past the area ends the walk
// and the torn tail is dropped.
std::vector<uint8_t> WithoutExtraFields(std::span<const uint8_t> extra, std::initializer_list<uint16_t> ids);

struct TExtraInfo {
  bool largeFile = false;                 // 0x0064 seen
  bool zip64 = false;                     // 0x0001 seen
  std::optional<TAesExtra> aes;           // 0x9901 with vendor "AE"
  std::vector<uint8_t> strongEncryption;  // 0x0017 data, when present
  bool hasStrongEncryption = false;
  bool truncated = false;  // a field's length ran past the area; parsing stopped
};

// Walks an extra area. `sizes` enters holding the header's 32-bit values and leaves with the
// 64-bit ones: the large-file field adds bits 32-47, the zip64 field replaces every value whose
// 32-bit field held 0xFFFFFFFF (the offset only when central). Unknown fields are passed over.
TExtraInfo ReadExtraField(std::span<const uint8_t> extra, bool central, TEntrySizes& sizes);

static_assert(RecordLayoutIsDense<TLocalHeader>());
static_assert(RecordLayoutIsDense<TCentralHeader>());
static_assert(RecordLayoutIsDense<TEndRecord>());
static_assert(RecordLayoutIsDense<TEndRecord64>());
static_assert(RecordLayoutIsDense<TZip64EndRecord>());
static_assert(RecordLayoutIsDense<TZip64Locator>());

}  // namespace riviza::zip
