// Record decisions of the zip writer (zip layer): when an entry or an archive needs the standard
// zip64 records (APPNOTE 4.3.14, 4.3.15, 4.5.3) and how their bytes look. Pure functions, so
// that the 4 GiB and 65,535-entry limits are tested without writing gigabytes.
//
// The Windows program wrote its own large-file extra (0x0064) and 64-bit end record ("P[" 05 06),
// which no other tool reads; this writer writes the standard records instead, which the engine's
// reader reads as well. A 32-bit field that does not hold its value holds 0xFFFFFFFF (a 16-bit
// one 0xFFFF) and the zip64 record carries the value. Zip64 local extra, 20 bytes:
//   0 ID 0x0001 (2)  2 data size 16 (2)  4 uncompressed size (8)  12 compressed size (8)
// Zip64 central extra: the same header, then those of uncompressed size, compressed size and
// local-header offset (8 each, in that order) whose 32-bit fields hold 0xFFFFFFFF.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "zip/kvoRecords.h"

namespace riviza::zip {

inline constexpr uint32_t kZip64Marker32 = 0xFFFFFFFFu;
inline constexpr uint16_t kZip64Marker16 = 0xFFFFu;
inline constexpr uint16_t kVersionDefault = 20;
inline constexpr uint16_t kVersionZip64 = 45;
inline constexpr size_t kZip64LocalExtraSize = 20;

// Whether a new entry's local header reserves the zip64 sizes before its data is written: when
// its data might reach 4 GiB (deflate and encryption add a little to an incompressible file).
bool LocalNeedsZip64(uint64_t fileSize);

// A local header's size fields for the final sizes: with `reserved` both hold the marker and
// the returned 20-byte extra the values; otherwise the values (which then fit) and no extra.
std::vector<uint8_t> SetLocalSizes(TLocalHeader& local, const TEntrySizes& sizes, bool reserved);

// The local extra area of a new entry: the AES field (when given) and then the zip64 field
// (when reserved), with the header's extra length and size fields set to match.
std::vector<uint8_t> SetLocalExtras(TLocalHeader& local, const std::optional<TAesExtra>& aes,
                                    const TEntrySizes& sizes, bool reserved);

// A central header's sizes and offset: each value that does not fit in 32 bits, and with
// `forceSizes` both sizes (an entry whose local header reserved them), hold the marker; the
// returned zip64 extra carries them (empty when none). The version needed rises to 45 with it.
std::vector<uint8_t> SetCentralSizes(TCentralHeader& central, const TEntrySizes& sizes, bool forceSizes);

// An extra area without its zip64 (0x0001) and large-file (0x0064) fields, which the writer
// makes anew from the entry's 64-bit values; other fields keep their bytes and order. A field
// whose length runs past the area ends it.
std::vector<uint8_t> StripSizeFields(std::span<const uint8_t> extra);

// The end of a central directory: the zip64 end record and locator when the entry count, the
// directory's size or its offset does not fit the end record, then the end record (comment
// length set, the comment itself not included). `at` is where these bytes start, on disk
// `thisDisk`; the directory starts on `centralDisk` with `entriesHere` of its entries there.
struct TCentralEnd {
  uint64_t entriesTotal = 0, entriesHere = 0;
  uint64_t centralSize = 0, centralOffset = 0;
  uint32_t thisDisk = 0, centralDisk = 0;
  uint16_t commentLength = 0;
};
bool DirectoryEndNeedsZip64(const TCentralEnd& end);
std::vector<uint8_t> DirectoryEndRecords(const TCentralEnd& end, uint64_t at);

}  // namespace riviza::zip
