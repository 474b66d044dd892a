// The writer's record decisions: when a local header reserves zip64 sizes, the zip64 fields of
// central headers and of the directory's end (by entry count, by size and by offset), an entry
// with both the AES extra and zip64 values, and the size fields taken out of kept extras. The
// 4 GiB cases are decided here without writing gigabytes.
#include <gtest/gtest.h>

#include "zip/kvoZip.h"
#include "zip/kvoZipLayout.h"

namespace riviza::zip {
namespace {

constexpr uint64_t kGiB = 1ull << 30;

template <class Rec>
Rec recordIn(const std::vector<uint8_t>& bytes, size_t at) {
  return ReadRecord<Rec>(std::span<const uint8_t, Rec::kSize>(bytes.data() + at, Rec::kSize));
}

TEST(WriterLayout, LocalHeaderReservesZip64WhenTheDataMayReach4GiB) {
  const std::pair<uint64_t, bool> cases[] = {
      {0, false},
      {4'000'000'000ull, false},
      {4'290'000'000ull, false},
      {4'293'000'000ull, true},
      {0xFFFFFFFFull, true},
      {5 * kGiB, true},
  };
  for (auto [size, reserve] : cases) EXPECT_EQ(LocalNeedsZip64(size), reserve) << size;
}

TEST(WriterLayout, LocalExtrasHoldAesAndZip64WithTheirLengths) {
  const TEntrySizes big{5 * kGiB + 7, 5 * kGiB, 0};
  struct Case {
    bool aes, reserved;
    uint16_t extraLength, version;
  };
  const Case cases[] = {
      {false, false, 0, 20}, {true, false, 11, 20}, {false, true, 20, 45}, {true, true, 31, 45}};
  for (const Case& c : cases) {
    TLocalHeader local;
    const TEntrySizes sizes = c.reserved ? big : TEntrySizes{1000, 3000, 0};
    std::optional<TAesExtra> aes;
    if (c.aes) aes = TAesExtra{2, 3, 8};
    const auto extra = SetLocalExtras(local, aes, sizes, c.reserved);
    EXPECT_EQ(local.extraLength, c.extraLength);
    EXPECT_EQ(extra.size(), c.extraLength);
    EXPECT_EQ(local.versionNeeded, c.version);
    TEntrySizes read{local.compressedSize, local.uncompressedSize, 0};
    const TExtraInfo info = ReadExtraField(extra, false, read);
    EXPECT_EQ(info.aes.has_value(), c.aes);
    EXPECT_EQ(info.zip64, c.reserved);
    EXPECT_EQ(read.compressed, sizes.compressed);
    EXPECT_EQ(read.uncompressed, sizes.uncompressed);
    EXPECT_EQ(local.compressedSize == kZip64Marker32, c.reserved);
  }
}

TEST(WriterLayout, CentralHeaderCarriesOnlyTheValuesThatDoNotFit) {
  struct Case {
    TEntrySizes sizes;
    bool force;
    size_t extraSize;
  };
  const Case cases[] = {
      {{100, 200, 300}, false, 0},
      {{100, 5 * kGiB, 300}, false, 4 + 8},
      {{100, 200, 6 * kGiB}, false, 4 + 8},
      {{100, 200, 300}, true, 4 + 16},
      {{5 * kGiB, 5 * kGiB, 6 * kGiB}, false, 4 + 24},
      {{0xFFFFFFFEull, 0xFFFFFFFEull, 0xFFFFFFFEull}, false, 0},
      {{0xFFFFFFFFull, 1, 1}, false, 4 + 8},
  };
  for (const Case& c : cases) {
    TCentralHeader central;
    const auto extra = SetCentralSizes(central, c.sizes, c.force);
    EXPECT_EQ(extra.size(), c.extraSize);
    TEntrySizes read{central.compressedSize, central.uncompressedSize, central.localHeaderOffset};
    (void)ReadExtraField(extra, true, read);
    EXPECT_EQ(read.compressed, c.sizes.compressed);
    EXPECT_EQ(read.uncompressed, c.sizes.uncompressed);
    EXPECT_EQ(read.localHeaderOffset, c.sizes.localHeaderOffset);
    EXPECT_EQ(central.versionNeeded, extra.empty() ? 20 : 45);
  }
}

// A large AES entry at a large offset: both fields in its central record, lengths counted.
class TLayoutZip : public TZipBase {
 public:
  TCompHeaderObj::Entry& add(TCompHeaderObj::Entry e) { return list_.Add(std::move(e)); }
};

TEST(WriterLayout, AesEntryBeyond4GiBGetsBothExtras) {
  TLayoutZip zip;
  TCompHeaderObj::Entry e;
  e.info.storedName = "gross.bin";
  e.info.sizes = {5 * kGiB + 28, 5 * kGiB, 0};
  e.info.zip64Sizes = true;
  e.central = TCentralHeader{};
  e.central->method = 99;
  const auto aes = WriteAesExtra({2, 3, 8});
  e.extra.assign(aes.begin(), aes.end());
  const auto bytes = zip.CentralRecordBytes(e, 0, 6 * kGiB);
  const auto central = recordIn<TCentralHeader>(bytes, 0);
  EXPECT_EQ(central.extraLength, 11 + 4 + 24);
  EXPECT_EQ(bytes.size(), TCentralHeader::kSize + 9 + central.extraLength);
  TEntrySizes read{central.compressedSize, central.uncompressedSize, central.localHeaderOffset};
  const auto info = ReadExtraField(std::span(bytes).subspan(TCentralHeader::kSize + 9), true, read);
  ASSERT_TRUE(info.aes.has_value());
  EXPECT_EQ(info.aes->strength, 3);
  EXPECT_TRUE(info.zip64);
  EXPECT_EQ(read.compressed, 5 * kGiB + 28);
  EXPECT_EQ(read.localHeaderOffset, 6 * kGiB);
}

TEST(WriterLayout, DirectoryEndByCountSizeAndOffset) {
  struct Case {
    uint64_t entries, size, offset;
    bool zip64;
  };
  const Case cases[] = {
      {65534, 1000, 2000, false},      {65535, 1000, 2000, true}, {70000, 1000, 2000, true},
      {3, 1000, 5 * kGiB, true},       {3, 5 * kGiB, 100, true},  {0, 0, 0, false},
      {3, 1000, 0xFFFFFFFEull, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entries);
    const TCentralEnd end{c.entries, c.entries, c.size, c.offset, 0, 0, 4};
    const uint64_t at = c.offset + c.size;
    const auto bytes = DirectoryEndRecords(end, at);
    ASSERT_EQ(bytes.size(), c.zip64 ? 56u + 20u + 22u : 22u);
    const auto e = recordIn<TEndRecord>(bytes, bytes.size() - TEndRecord::kSize);
    EXPECT_EQ(e.commentLength, 4);
    if (!c.zip64) {
      EXPECT_EQ(e.entriesTotal, c.entries);
      EXPECT_EQ(e.centralOffset, c.offset);
      continue;
    }
    const auto z = recordIn<TZip64EndRecord>(bytes, 0);
    const auto l = recordIn<TZip64Locator>(bytes, TZip64EndRecord::kSize);
    EXPECT_EQ(z.signature, kSigZip64End);
    EXPECT_EQ(z.entriesTotal, c.entries);
    EXPECT_EQ(z.centralSize, c.size);
    EXPECT_EQ(z.centralOffset, c.offset);
    EXPECT_EQ(l.zip64EndOffset, at);
    EXPECT_EQ(l.totalDisks, 1u);
    EXPECT_EQ(e.entriesTotal, c.entries >= 0xFFFF ? 0xFFFF : c.entries);
    EXPECT_EQ(e.centralOffset, c.offset >= 0xFFFFFFFF ? 0xFFFFFFFFu : c.offset);
  }
}

TEST(WriterLayout, KeptExtrasLoseOnlyTheirSizeFields) {
  auto field = [](uint16_t id, std::vector<uint8_t> data) {
    std::vector<uint8_t> f{static_cast<uint8_t>(id), static_cast<uint8_t>(id >> 8),
                           static_cast<uint8_t>(data.size()), 0};
    f.insert(f.end(), data.begin(), data.end());
    return f;
  };
  auto cat = [](std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
  };
  const auto unix = field(0x5455, {1, 2, 3, 4, 5});
  const auto zip64 = field(0x0001, std::vector<uint8_t>(16, 9));
  const auto large = field(0x0064, std::vector<uint8_t>(6, 1));
  const auto aes = field(0x9901, {2, 0, 'A', 'E', 3, 8, 0});
  EXPECT_EQ(StripSizeFields(cat({unix, zip64, aes, large})), cat({unix, aes}));
  auto truncated = cat({unix, {0x01, 0x00, 0x40, 0x00, 1}});
  EXPECT_EQ(StripSizeFields(truncated), unix);
}

}  // namespace
}  // namespace riviza::zip
