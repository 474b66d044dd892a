// Test support: zip archives laid out by hand, byte by byte from the public format description,
// without the engine's record code, so that what the engine writes and reads is judged by an
// independent hand. BuildZip writes exactly the records a test asks for (names, flags, methods,
// attributes, a wrong CRC, a local name other than the central one, extra fields, data in front,
// comments, zip64 end records, the host of "made by", central entries sharing another's local
// entry); ParseZip walks an archive's directory and reports every field of
// both headers of every entry. Used by tests and benchmarks alike (no gtest here); ParseZip
// throws std::runtime_error on an archive it cannot walk.
//
// Records (little-endian; offsets in bytes):
//   local header   30 + name + extra: 0 sig 50 4B 03 04, 4 version needed, 6 flags, 8 method,
//                  10 time, 12 date, 14 CRC-32, 18 compressed size, 22 uncompressed size,
//                  26 name length, 28 extra length
//   central header 46 + name + extra + comment: 0 sig 50 4B 01 02, 4 made by, 6 version needed,
//                  8 flags, 10 method, 12 time, 14 date, 16 CRC-32, 20 compressed size,
//                  24 uncompressed size, 28 name length, 30 extra length, 32 comment length,
//                  34 disk start, 36 internal attributes, 38 external attributes, 42 local offset
//   end record     22 + comment: 0 sig 50 4B 05 06, 4 this disk, 6 directory disk, 8 entries on
//                  this disk, 10 entries, 12 directory size, 16 directory offset, 20 comment length
//   zip64 end      56: 0 sig 50 4B 06 06, 4 record size - 12 (8 bytes), 12 made by, 14 needed,
//                  16 this disk (4), 20 directory disk (4), 24 entries on this disk (8),
//                  32 entries (8), 40 directory size (8), 48 directory offset (8)
//   zip64 locator  20: 0 sig 50 4B 06 07, 4 disk of the zip64 end, 8 its offset (8), 16 disks
//   descriptor     16, after the data of an entry with flag bit 3 (its local header holds 0 for
//                  CRC and sizes): 0 sig 50 4B 07 08, 4 CRC-32, 8 compressed, 12 uncompressed size
//   extra fields   id (2), size (2), data; 0x0001 zip64 sizes and offset (each only when the
//                  header field is FF FF FF FF), 0x9901 AES (vendor version 2, "AE", strength 1,
//                  actual method 2), 0x0017 strong encryption
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace riviza::test {

struct ZipEntrySpec {
  ZipEntrySpec(std::string name, std::string data, uint16_t method = 8, uint16_t flags = 0,
               uint32_t attributes = 0x20, uint32_t dos = 0x5A8B6000,
               std::optional<uint32_t> wrongCrc = std::nullopt,
               std::optional<std::string> local = std::nullopt)
      : name(std::move(name)),
        data(std::move(data)),
        method(method),
        flags(flags),
        externalAttributes(attributes),
        dosDateTime(dos),
        crc(wrongCrc),
        localName(std::move(local)) {}

  std::string name;
  std::string data;     // the entry's content
  uint16_t method = 8;  // 8 is deflated by zlib unless `packed` is given; others store `packed` or the data
  uint16_t flags = 0;
  uint32_t externalAttributes = 0x20;
  uint32_t dosDateTime = 0x5A8B6000;  // 2025-04-11 12:00:00
  std::optional<uint32_t> crc;        // stored instead of the data's CRC-32 when set
  std::optional<std::string> localName;
  std::string extra;                  // both headers
  std::optional<std::string> packed;  // the bytes stored as the entry's data
  std::string localExtra = {};        // the local header's alone, after `extra`
  uint16_t madeBy = 20;               // version made by: host in the high byte (0 MS-DOS, 3 Unix)
  // The central header points at the local header of the entry with this index (an earlier one)
  // and no local header or data of its own is written: entries that share their data.
  std::optional<size_t> dataOf = std::nullopt;
};

struct ZipLayout {
  std::string prefix = {};     // data in front (a stub)
  bool adjustOffsets = false;  // offsets count the prefix
  std::string comment = {};
  bool zip64 = false;  // zip64 end record and locator, the end record's fields all FF
};

std::string BuildZip(const std::vector<ZipEntrySpec>& entries, const ZipLayout& layout = {});
void WriteZip(const std::filesystem::path& file, const std::vector<ZipEntrySpec>& entries,
              const ZipLayout& layout = {});

// The fields of one header, with the zip64 extra already applied to sizes and offset.
struct ZipHeader {
  uint16_t versionNeeded = 0, flags = 0, method = 0, time = 0, date = 0;
  uint32_t crc = 0;
  uint64_t compressedSize = 0, uncompressedSize = 0;
  std::string name, extra;
};

struct ZipAesExtra {
  uint16_t vendorVersion = 0;
  uint8_t strength = 0;
  uint16_t actualMethod = 0;
};

struct ParsedZipEntry {
  ZipHeader central, local;
  std::string name;  // the central header's name
  uint16_t versionMadeBy = 0, diskNumberStart = 0, internalAttributes = 0;
  uint32_t externalAttributes = 0;
  uint64_t localHeaderOffset = 0;  // as stored
  std::string comment = {};
  uint64_t localAt = 0;            // where the local header stands, data in front counted
  uint64_t dataOffset = 0;         // first byte after the local header, name and extra
  std::string data;                // the stored data (cut at the end of the file)
  std::optional<ZipAesExtra> aes;  // of the central header
  bool strongEncryption = false;
};

struct ParsedZip {
  std::vector<ParsedZipEntry> entries;
  uint64_t shift = 0;  // data in front that the stored offsets do not count
  bool zip64 = false;
  std::string comment = {};
};

ParsedZip ParseZip(const std::string& bytes);
ParsedZip ParseZipFile(const std::filesystem::path& file);

}  // namespace riviza::test
