// Test support: zip archives laid out by hand; see zip_archive.h for the record layouts.
#include "support/zip_archive.h"

#include <zlib.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace riviza::test {
namespace {

constexpr uint32_t kLocalSig = 0x04034B50, kCentralSig = 0x02014B50, kEndSig = 0x06054B50;
constexpr uint32_t kZip64EndSig = 0x06064B50, kZip64LocatorSig = 0x07064B50, kDescriptorSig = 0x08074B50;
constexpr size_t kLocalSize = 30, kCentralSize = 46, kEndSize = 22, kZip64EndSize = 56, kLocatorSize = 20;

void put(std::string& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

uint64_t get(const std::string& in, uint64_t at, int bytes) {
  if (at + bytes > in.size())
    throw std::runtime_error("zip: field at " + std::to_string(at) + " beyond the end");
  uint64_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(in[at + i]);
  return v;
}

std::string slice(const std::string& in, uint64_t at, uint64_t size) {
  if (at > in.size()) return {};
  return in.substr(at, size);
}

std::string deflateRaw(const std::string& data) {
  z_stream zs{};
  deflateInit2(&zs, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&zs, data.size()) + 16, '\0');
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  zs.avail_in = static_cast<uInt>(data.size());
  zs.next_out = reinterpret_cast<Bytef*>(out.data());
  zs.avail_out = static_cast<uInt>(out.size());
  deflate(&zs, Z_FINISH);
  out.resize(zs.total_out);
  deflateEnd(&zs);
  return out;
}

uint32_t crcOf(const std::string& data) {
  return static_cast<uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

// Reads the header fields shared by local (at + 4) and central (at + 6) headers.
ZipHeader headerAt(const std::string& in, uint64_t fields) {
  ZipHeader h;
  h.versionNeeded = static_cast<uint16_t>(get(in, fields, 2));
  h.flags = static_cast<uint16_t>(get(in, fields + 2, 2));
  h.method = static_cast<uint16_t>(get(in, fields + 4, 2));
  h.time = static_cast<uint16_t>(get(in, fields + 6, 2));
  h.date = static_cast<uint16_t>(get(in, fields + 8, 2));
  h.crc = static_cast<uint32_t>(get(in, fields + 10, 4));
  h.compressedSize = get(in, fields + 14, 4);
  h.uncompressedSize = get(in, fields + 18, 4);
  return h;
}

// Walks an extra field: the zip64 values replace the header's FF fields in the order of the
// format (uncompressed, compressed, local offset), AES and strong encryption are noted.
void readExtra(const std::string& extra, ZipHeader& h, uint64_t* localOffset, std::optional<ZipAesExtra>* aes,
               bool* strong) {
  for (uint64_t at = 0; at + 4 <= extra.size();) {
    const uint64_t id = get(extra, at, 2), size = get(extra, at + 2, 2), data = at + 4;
    if (id == 0x0001) {
      uint64_t next = data;
      auto take = [&](uint64_t& field) {
        if (field == 0xFFFFFFFF && next + 8 <= data + size) field = get(extra, next, 8), next += 8;
      };
      take(h.uncompressedSize);
      take(h.compressedSize);
      if (localOffset) take(*localOffset);
    } else if (id == 0x9901 && size >= 7 && aes) {
      *aes = ZipAesExtra{static_cast<uint16_t>(get(extra, data, 2)),
                         static_cast<uint8_t>(get(extra, data + 4, 1)),
                         static_cast<uint16_t>(get(extra, data + 5, 2))};
    } else if (id == 0x0017 && strong) {
      *strong = true;
    }
    at = data + size;
  }
}

}  // namespace

std::string BuildZip(const std::vector<ZipEntrySpec>& entries, const ZipLayout& layout) {
  std::string body, directory;
  const uint64_t base = layout.adjustOffsets ? layout.prefix.size() : 0;
  std::vector<uint64_t> offsets;
  for (const ZipEntrySpec& e : entries) {
    const std::string packed = e.packed ? *e.packed : e.method == 8 ? deflateRaw(e.data) : e.data;
    const std::string& localName = e.localName ? *e.localName : e.name;
    const uint32_t crc = e.crc ? *e.crc : crcOf(e.data);
    // With flag bit 3 the local header leaves CRC and sizes 0; a data descriptor follows the data.
    const bool descriptor = (e.flags & 0x0008) != 0;
    auto fields = [&](std::string& out, const std::string& name, bool local) {
      put(out, 20, 2);  // version needed
      put(out, e.flags, 2);
      put(out, e.method, 2);
      put(out, e.dosDateTime & 0xFFFF, 2);
      put(out, e.dosDateTime >> 16, 2);
      const bool later = local && descriptor;
      put(out, later ? 0 : crc, 4);
      put(out, later ? 0 : packed.size(), 4);
      put(out, later ? 0 : e.data.size(), 4);
      put(out, name.size(), 2);
      put(out, e.extra.size() + (local ? e.localExtra.size() : 0), 2);
    };
    const uint64_t offset = e.dataOf ? offsets.at(*e.dataOf) : base + body.size();
    offsets.push_back(offset);
    if (!e.dataOf) {
      put(body, kLocalSig, 4);
      fields(body, localName, true);
      body += localName + e.extra + e.localExtra + packed;
      if (descriptor)
        put(body, kDescriptorSig, 4), put(body, crc, 4), put(body, packed.size(), 4),
            put(body, e.data.size(), 4);
    }
    put(directory, kCentralSig, 4);
    put(directory, e.madeBy, 2);
    fields(directory, e.name, false);
    put(directory, 0, 2);  // comment length
    put(directory, 0, 2);  // disk start
    put(directory, 0, 2);  // internal attributes
    put(directory, e.externalAttributes, 4);
    put(directory, offset, 4);
    directory += e.name + e.extra;
  }
  const uint64_t directoryOffset = base + body.size();
  std::string tail;
  if (layout.zip64) {
    const uint64_t zip64End = base + body.size() + directory.size();
    put(tail, kZip64EndSig, 4);
    put(tail, kZip64EndSize - 12, 8);
    put(tail, 45, 2), put(tail, 45, 2), put(tail, 0, 4), put(tail, 0, 4);
    put(tail, entries.size(), 8), put(tail, entries.size(), 8);
    put(tail, directory.size(), 8), put(tail, directoryOffset, 8);
    put(tail, kZip64LocatorSig, 4), put(tail, 0, 4), put(tail, zip64End, 8), put(tail, 1, 4);
  }
  put(tail, kEndSig, 4);
  put(tail, 0, 2), put(tail, 0, 2);
  put(tail, layout.zip64 ? 0xFFFF : entries.size(), 2);
  put(tail, layout.zip64 ? 0xFFFF : entries.size(), 2);
  put(tail, layout.zip64 ? 0xFFFFFFFF : directory.size(), 4);
  put(tail, layout.zip64 ? 0xFFFFFFFF : directoryOffset, 4);
  put(tail, layout.comment.size(), 2);
  return layout.prefix + body + directory + tail + layout.comment;
}

void WriteZip(const std::filesystem::path& file, const std::vector<ZipEntrySpec>& entries,
              const ZipLayout& layout) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  const std::string bytes = BuildZip(entries, layout);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("zip: cannot write " + file.string());
}

ParsedZip ParseZip(const std::string& in) {
  if (in.size() < kEndSize) throw std::runtime_error("zip: shorter than an end record");
  uint64_t endAt = in.size() - kEndSize;
  const uint64_t lowest = endAt > 0xFFFF ? endAt - 0xFFFF : 0;
  while (get(in, endAt, 4) != kEndSig) {
    if (endAt == lowest) throw std::runtime_error("zip: no end record");
    --endAt;
  }
  ParsedZip zip;
  uint64_t count = get(in, endAt + 10, 2), size = get(in, endAt + 12, 4), offset = get(in, endAt + 16, 4);
  zip.comment = slice(in, endAt + kEndSize, get(in, endAt + 20, 2));
  uint64_t directoryEnd = endAt;
  if (endAt >= kLocatorSize && get(in, endAt - kLocatorSize, 4) == kZip64LocatorSig) {
    // The zip64 end record stands right before the locator, whatever offset the locator says.
    const uint64_t z = endAt - kLocatorSize >= kZip64EndSize ? endAt - kLocatorSize - kZip64EndSize : 0;
    if (get(in, z, 4) != kZip64EndSig)
      throw std::runtime_error("zip: no zip64 end record before the locator");
    zip.zip64 = true;
    count = get(in, z + 32, 8), size = get(in, z + 40, 8), offset = get(in, z + 48, 8);
    directoryEnd = z;
  }
  if (size > directoryEnd || directoryEnd - size < offset)
    throw std::runtime_error("zip: directory out of place");
  zip.shift = directoryEnd - size - offset;
  uint64_t at = offset + zip.shift;
  for (uint64_t i = 0; i < count; ++i) {
    if (get(in, at, 4) != kCentralSig)
      throw std::runtime_error("zip: no central header at " + std::to_string(at));
    ParsedZipEntry e;
    e.versionMadeBy = static_cast<uint16_t>(get(in, at + 4, 2));
    e.central = headerAt(in, at + 6);
    const uint64_t nameLength = get(in, at + 28, 2), extraLength = get(in, at + 30, 2),
                   commentLength = get(in, at + 32, 2);
    e.diskNumberStart = static_cast<uint16_t>(get(in, at + 34, 2));
    e.internalAttributes = static_cast<uint16_t>(get(in, at + 36, 2));
    e.externalAttributes = static_cast<uint32_t>(get(in, at + 38, 4));
    e.localHeaderOffset = get(in, at + 42, 4);
    e.central.name = e.name = slice(in, at + kCentralSize, nameLength);
    e.central.extra = slice(in, at + kCentralSize + nameLength, extraLength);
    e.comment = slice(in, at + kCentralSize + nameLength + extraLength, commentLength);
    readExtra(e.central.extra, e.central, &e.localHeaderOffset, &e.aes, &e.strongEncryption);
    e.localAt = e.localHeaderOffset + zip.shift;
    if (get(in, e.localAt, 4) != kLocalSig)
      throw std::runtime_error("zip: no local header for " + e.name + " at " + std::to_string(e.localAt));
    e.local = headerAt(in, e.localAt + 4);
    const uint64_t localName = get(in, e.localAt + 26, 2), localExtra = get(in, e.localAt + 28, 2);
    e.local.name = slice(in, e.localAt + kLocalSize, localName);
    e.local.extra = slice(in, e.localAt + kLocalSize + localName, localExtra);
    readExtra(e.local.extra, e.local, nullptr, nullptr, nullptr);
    e.dataOffset = e.localAt + kLocalSize + localName + localExtra;
    e.data = slice(in, e.dataOffset, e.central.compressedSize);
    at += kCentralSize + nameLength + extraLength + commentLength;
    zip.entries.push_back(std::move(e));
  }
  return zip;
}

ParsedZip ParseZipFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error("zip: cannot read " + file.string());
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return ParseZip(bytes.str());
}

}  // namespace riviza::test
