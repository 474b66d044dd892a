// Bounds-checked string-resource reader for PE images (zip layer). See kvoExeResources.h.
//
// Layout used (offsets in bytes, little-endian):
//   DOS header: 0 "MZ", 60 offset of the PE header (4)
//   PE header: 0 "PE\0\0", 6 number of sections (2), 20 size of the optional header (2),
//     24 optional header: 0 magic 0x10B (PE32) or 0x20B (PE32+); number of data directories at
//     92 / 108 and the directories at 96 / 112, 8 bytes each; directory 2 = resources (RVA, size)
//   section table after the optional header, 40 bytes per section: 8 virtual size, 12 virtual
//     address, 16 raw size, 20 raw offset
//   resource directory: 12 named entries (2), 14 id entries (2), then 8-byte entries
//     (id or name, offset; high bit of the offset = a sub-directory), offsets from the tree's start
//   resource data entry: 0 RVA of the data (4), 4 size (4)
//   string block: 16 strings, each a UTF-16 length (2) and that many code units
#include "zip/kvoExeResources.h"

#include <algorithm>
#include <optional>

#include "zip/kvoRecords.h"

namespace riviza::zip {
namespace {

constexpr uint32_t kRtString = 6;
constexpr unsigned kMaxEntries = 4096;       // per directory: more is not a real image
constexpr uint32_t kMaxStringBlock = 65536;  // 16 strings of at most 2,047 code units

struct Section {
  uint32_t virtualAddress, virtualSize, rawOffset, rawSize;
};

class PeReader {
 public:
  PeReader(const TReadAt& readAt, uint64_t size) : readAt_(readAt), size_(size) {}

  template <class T>
  std::optional<T> get(uint64_t offset) {
    uint8_t b[sizeof(T)];
    if (offset > size_ || size_ - offset < sizeof(T) || readAt_(offset, b, sizeof(T)) != sizeof(T))
      return std::nullopt;
    return GetLE<T>(b);
  }
  bool bytes(uint64_t offset, void* out, size_t n) {
    return offset <= size_ && size_ - offset >= n && readAt_(offset, out, n) == n;
  }

  // File offset of n bytes at an RVA, when they lie within one section's raw data.
  std::optional<uint64_t> rvaToOffset(uint32_t rva, uint32_t n) const {
    for (const Section& s : sections_) {
      if (rva < s.virtualAddress) continue;
      uint64_t inSection = rva - s.virtualAddress;
      if (inSection + n > s.rawSize) continue;
      uint64_t offset = uint64_t{s.rawOffset} + inSection;
      if (offset + n <= size_) return offset;
    }
    return std::nullopt;
  }

  bool readHeaders(uint32_t& resourceRva, uint32_t& resourceSize) {
    auto peAt = get<uint32_t>(60);
    if (!peAt || get<uint32_t>(*peAt) != 0x00004550u) return false;
    auto sectionCount = get<uint16_t>(*peAt + 6);
    auto optionalSize = get<uint16_t>(*peAt + 20);
    auto magic = get<uint16_t>(*peAt + 24);
    if (!sectionCount || !optionalSize || !magic || (*magic != 0x10B && *magic != 0x20B)) return false;
    const uint64_t optional = uint64_t{*peAt} + 24;
    const uint64_t dirCountAt = optional + (*magic == 0x10B ? 92 : 108);
    auto dirCount = get<uint32_t>(dirCountAt);
    if (!dirCount || *dirCount < 3 || dirCountAt + 4 + uint64_t{3} * 8 > optional + *optionalSize) return false;
    auto rva = get<uint32_t>(dirCountAt + 4 + uint64_t{2} * 8);
    auto size = get<uint32_t>(dirCountAt + 4 + uint64_t{2} * 8 + 4);
    if (!rva || !size || *rva == 0) return false;
    resourceRva = *rva, resourceSize = *size;
    const uint64_t table = optional + *optionalSize;
    for (unsigned i = 0; i < *sectionCount && i < 96; ++i) {
      uint8_t raw[40];
      if (!bytes(table + uint64_t{40} * i, raw, sizeof raw)) return false;
      sections_.push_back({GetLE<uint32_t>(raw + 12), GetLE<uint32_t>(raw + 8), GetLE<uint32_t>(raw + 20),
                           GetLE<uint32_t>(raw + 16)});
    }
    return true;
  }

 private:
  const TReadAt& readAt_;
  uint64_t size_;
  std::vector<Section> sections_;
};

// The offset (from the tree's start) that the entry with `id` of the directory at `dir` points
// to, and whether it is a sub-directory; `id` 0 with anyId takes the first id entry.
std::optional<std::pair<uint32_t, bool>> findEntry(PeReader& pe, uint64_t treeStart, uint32_t treeSize,
                                                   uint32_t dir, uint32_t id, bool anyId) {
  if (uint64_t{dir} + 16 > treeSize) return std::nullopt;
  auto named = pe.get<uint16_t>(treeStart + dir + 12);
  auto ids = pe.get<uint16_t>(treeStart + dir + 14);
  if (!named || !ids) return std::nullopt;
  const unsigned total = std::min<unsigned>(unsigned{*named} + *ids, kMaxEntries);
  for (unsigned i = *named; i < total; ++i) {
    const uint64_t entry = uint64_t{dir} + 16 + 8 * uint64_t{i};
    if (entry + 8 > treeSize) return std::nullopt;
    auto entryId = pe.get<uint32_t>(treeStart + entry);
    auto target = pe.get<uint32_t>(treeStart + entry + 4);
    if (!entryId || !target) return std::nullopt;
    if (anyId || *entryId == id) {
      const uint32_t offset = *target & 0x7FFFFFFFu;
      if (offset >= treeSize) return std::nullopt;
      return std::make_pair(offset, (*target & 0x80000000u) != 0);
    }
  }
  return std::nullopt;
}

}  // namespace

std::vector<std::string> ReadStringResources(const TReadAt& readAt, uint64_t fileSize, unsigned first,
                                             unsigned last, size_t maxChars) {
  std::vector<std::string> out;
  if (first < 1 || last > 15 || first > last) return out;
  PeReader pe(readAt, fileSize);
  uint32_t treeRva = 0, treeSize = 0;
  if (!pe.readHeaders(treeRva, treeSize)) return out;
  auto treeStart = pe.rvaToOffset(treeRva, 16);
  if (!treeStart) return out;
  // The tree must lie in one section as a whole; its size is cut to what that section holds.
  while (treeSize > 16 && !pe.rvaToOffset(treeRva, treeSize)) treeSize /= 2;
  auto type = findEntry(pe, *treeStart, treeSize, 0, kRtString, false);
  if (!type || !type->second) return out;
  auto block = findEntry(pe, *treeStart, treeSize, type->first, 1, false);  // ids 0..15
  if (!block || !block->second) return out;
  auto language = findEntry(pe, *treeStart, treeSize, block->first, 0, true);
  if (!language || language->second || uint64_t{language->first} + 8 > treeSize) return out;
  auto dataRva = pe.get<uint32_t>(*treeStart + language->first);
  auto dataSize = pe.get<uint32_t>(*treeStart + language->first + 4);
  if (!dataRva || !dataSize || *dataSize == 0 || *dataSize > kMaxStringBlock) return out;
  auto data = pe.rvaToOffset(*dataRva, *dataSize);
  if (!data) return out;
  std::vector<uint8_t> bytes(*dataSize);
  if (!pe.bytes(*data, bytes.data(), bytes.size())) return out;
  size_t at = 0;
  for (unsigned id = 0; id <= last; ++id) {
    if (at + 2 > bytes.size()) break;
    const size_t units = GetLE<uint16_t>(bytes.data() + at);
    at += 2;
    const size_t available = std::min(units, (bytes.size() - at) / 2);
    if (id >= first) {
      std::string text;
      for (size_t u = 0; u < available && text.size() < maxChars; ++u) {
        uint16_t c = GetLE<uint16_t>(bytes.data() + at + 2 * u);
        text += c < 0x80 ? static_cast<char>(c) : '?';
      }
      out.push_back(std::move(text));
    }
    at += 2 * available;
  }
  out.resize(last - first + 1);
  return out;
}

}  // namespace riviza::zip
