// Zip records: exact bytes of each record and extra field as written, round trips through the
// field tables, the signature tests, and extra areas from untrusted archives (zip64 values only
// for saturated fields, truncated lengths, unknown fields, AES and strong encryption).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "zip/kvoRecords.h"

namespace riviza::zip {
namespace {

template <size_t N>
std::string asString(const std::array<uint8_t, N>& a) {
  return std::string(reinterpret_cast<const char*>(a.data()), N);
}
std::string asString(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

template <class Rec>
void expectRoundTrip(const Rec& r) {
  auto bytes = WriteRecord(r);
  Rec back = ReadRecord<Rec>(std::span<const uint8_t, Rec::kSize>(bytes));
  EXPECT_EQ(WriteRecord(back), bytes);
}

TEST(Records, LocalHeaderBytesAsWritten) {
  TLocalHeader h;
  h.flags = 0x0001 | 0x0004;  // encrypted, deflate option 01 (dtDeflateX)
  h.method = 8;
  h.time = 0x6B3A;
  h.date = 0x5821;
  h.crc = 0xCBF43926;
  h.compressedSize = 0x01020304;
  h.uncompressedSize = 0x0A0B0C0D;
  h.nameLength = 5;
  h.extraLength = 8;
  const std::string want(
      "PK\x03\x04\x14\x00\x05\x00\x08\x00\x3a\x6b\x21\x58\x26\x39\xf4\xcb"
      "\x04\x03\x02\x01\x0d\x0c\x0b\x0a\x05\x00\x08\x00",
      30);
  EXPECT_EQ(asString(WriteRecord(h)), want);
  expectRoundTrip(h);
}

TEST(Records, EmptyArchiveIsTheBareEndRecord) {
  EXPECT_EQ(asString(WriteRecord(TEndRecord{})), std::string("PK\x05\x06", 4) + std::string(18, '\0'));
}

TEST(Records, EveryRecordRoundTripsWithDistinctValues) {
  TCentralHeader c;
  c.flags = 0x0800;
  c.method = 99;
  c.crc = 1;
  c.compressedSize = 2;
  c.uncompressedSize = 3;
  c.nameLength = 4;
  c.extraLength = 11;
  c.commentLength = 6;
  c.diskNumberStart = 7;
  c.externalAttributes = 0x21;
  c.localHeaderOffset = 0xFFFFFFFF;
  expectRoundTrip(c);
  EXPECT_EQ(WriteRecord(c)[36], 1);  // internal attributes are always 1
  TEndRecord64 e64;
  e64.centralOffset = 0x123456789ABCull;
  e64.commentLength = 3;
  auto bytes = WriteRecord(e64);
  EXPECT_EQ(asString(bytes).substr(0, 4), "P[\x05\x06");
  EXPECT_EQ(GetLE<uint64_t>(bytes.data() + 16), 0x123456789ABCull);
  EXPECT_EQ(bytes[24], 3);
  TZip64EndRecord z;
  z.entriesTotal = 70000;
  z.centralOffset = uint64_t{5} << 32;
  expectRoundTrip(z);
  EXPECT_EQ(GetLE<uint64_t>(WriteRecord(z).data() + 4), 44u);
  TZip64Locator l;
  l.zip64EndOffset = uint64_t{1} << 40;
  expectRoundTrip(l);
}

TEST(Records, SignatureKinds) {
  struct Case {
    TRecordKind expected;
    uint32_t value;
    TRecordKind kind;
    bool enciphered;
  };
  const Case cases[] = {
      {TRecordKind::Local, kSigLocal, TRecordKind::Local, false},
      {TRecordKind::Local, kSigLocalEnc, TRecordKind::Local, true},
      {TRecordKind::Local, kSigCentral, TRecordKind::None, false},
      {TRecordKind::Central, kSigCentralEnc, TRecordKind::Central, true},
      {TRecordKind::End, kSigEnd, TRecordKind::End, false},
      {TRecordKind::End, kSigEndEnc, TRecordKind::End, true},
      {TRecordKind::End, kSigEnd64, TRecordKind::End64, false},
      {TRecordKind::End, kSigEnd64Enc, TRecordKind::End64, true},
      {TRecordKind::End, kSigZip64End, TRecordKind::None, false},
      {TRecordKind::Central, 0x02014A50, TRecordKind::None, false},
  };
  for (const auto& c : cases) {
    auto m = SignatureKind(c.expected, c.value);
    EXPECT_EQ(m.kind, c.kind) << std::hex << c.value;
    EXPECT_EQ(m.enciphered, c.enciphered) << std::hex << c.value;
  }
  EXPECT_EQ(HeaderSignature(TRecordKind::Local, true), kSigLocalEnc);
  EXPECT_EQ(HeaderSignature(TRecordKind::Central, false), kSigCentral);
  EXPECT_EQ(HeaderSignature(TRecordKind::End, true), kSigEnd);  // end records are always plain
  EXPECT_EQ(HeaderSignature(TRecordKind::None, false), kSigSpan);
}

TEST(ExtraFields, AesAndLargeFileBytesAsWritten) {
  EXPECT_EQ(asString(WriteAesExtra({2, 3, 8})), std::string("\x01\x99\x07\x00\x02\x00"
                                                            "AE"
                                                            "\x03\x08\x00",
                                                            11));
  TEntrySizes big{(uint64_t{0x12} << 32) | 5, (uint64_t{0x34} << 32) | 6, (uint64_t{0x56} << 32) | 7};
  EXPECT_EQ(asString(WriteLargeFileExtra(big, false)), std::string("\x64\x00\x04\x00\x12\x00\x34\x00", 8));
  EXPECT_EQ(asString(WriteLargeFileExtra(big, true)),
            std::string("\x64\x00\x06\x00\x12\x00\x34\x00\x56\x00", 10));
}

TEST(ExtraFields, LargeFileRecordIsNeededPastThirtyTwoBits) {
  struct Case {
    TEntrySizes sizes;
    bool needed;
  };
  const Case cases[] = {
      {{4294967295u, 4294967295u, 4294967295u}, false},
      {{0, 4294967296u, 0}, true},
      {{0, 0, 4294967296u}, true},
      {{4294967296u + 12, 4294967295u, 0}, true},  // stored, encrypted: only the packed size grows
  };
  for (const auto& c : cases) EXPECT_EQ(NeedsLargeFileExtra(c.sizes), c.needed) << c.sizes.compressed;
}

TEST(ExtraFields, ReadingJoinsHighPartsAndSkipsWhatItDoesNotKnow) {
  // unknown 0x5455 field, then the large-file field of a central header
  std::string area(
      "\x55\x54\x05\x00\x01\x02\x03\x04\x05"
      "\x64\x00\x06\x00\x01\x00\x02\x00\x03\x00",
      19);
  TEntrySizes sizes{10, 20, 30};
  auto info =
      ReadExtraField(std::span(reinterpret_cast<const uint8_t*>(area.data()), area.size()), true, sizes);
  EXPECT_TRUE(info.largeFile);
  EXPECT_FALSE(info.truncated);
  EXPECT_EQ(sizes.compressed, (uint64_t{1} << 32) | 10);
  EXPECT_EQ(sizes.uncompressed, (uint64_t{2} << 32) | 20);
  EXPECT_EQ(sizes.localHeaderOffset, (uint64_t{3} << 32) | 30);
}

TEST(ExtraFields, Zip64ValuesReplaceOnlySaturatedFields) {
  struct Case {
    const char* what;
    TEntrySizes header;
    bool central;
    TEntrySizes values;  // what the extra carries, in the order it carries them
    TEntrySizes want;
  };
  const uint32_t kSat = 0xFFFFFFFF;
  const Case cases[] = {
      {"all three",
       {kSat, kSat, kSat},
       true,
       {uint64_t{5} << 32, uint64_t{6} << 32, uint64_t{7} << 32},
       {uint64_t{5} << 32, uint64_t{6} << 32, uint64_t{7} << 32}},
      {"only compressed", {kSat, 100, 200}, true, {uint64_t{9} << 32, 0, 0}, {uint64_t{9} << 32, 100, 200}},
      {"local: no offset", {kSat, kSat, kSat}, false, {1, 2, 0}, {1, 2, kSat}},
  };
  for (const auto& c : cases) {
    auto area = WriteZip64Extra(c.values, c.header.uncompressed == kSat, c.header.compressed == kSat,
                                c.central && c.header.localHeaderOffset == kSat);
    TEntrySizes sizes = c.header;
    auto info = ReadExtraField(area, c.central, sizes);
    EXPECT_TRUE(info.zip64) << c.what;
    EXPECT_EQ(sizes.compressed, c.want.compressed) << c.what;
    EXPECT_EQ(sizes.uncompressed, c.want.uncompressed) << c.what;
    EXPECT_EQ(sizes.localHeaderOffset, c.want.localHeaderOffset) << c.what;
  }
}

TEST(ExtraFields, UntrustedAreasNeverReadPastTheirEnd) {
  struct Case {
    const char* what;
    std::string area;
    bool truncated;
  };
  const Case cases[] = {
      {"length past the end", std::string("\x01\x00\x10\x00\xff\xff", 6), true},
      {"three stray bytes", std::string("\x01\x00\x00", 3), false},
      {"zip64 too short for its saturated field", std::string("\x01\x00\x04\x00\x01\x02\x03\x04", 8), false},
      {"aes too short", std::string("\x01\x99\x02\x00\x02\x00", 6), false},
  };
  for (const auto& c : cases) {
    TEntrySizes sizes{0xFFFFFFFF, 0xFFFFFFFF, 0};
    // A copy exactly as long as the area, so the sanitizers see any overread.
    std::vector<uint8_t> exact(c.area.begin(), c.area.end());
    auto info = ReadExtraField(exact, false, sizes);
    EXPECT_EQ(info.truncated, c.truncated) << c.what;
    EXPECT_FALSE(info.aes) << c.what;
    EXPECT_EQ(sizes.compressed, 0xFFFFFFFFu) << c.what;
  }
}

TEST(ExtraFields, AesAndStrongEncryptionAreRecognised) {
  auto aes = WriteAesExtra({1, 2, 0});
  std::string area = asString(aes) + std::string("\x17\x00\x03\x00\x0a\x0b\x0c", 7);
  TEntrySizes sizes;
  auto info =
      ReadExtraField(std::span(reinterpret_cast<const uint8_t*>(area.data()), area.size()), false, sizes);
  ASSERT_TRUE(info.aes);
  EXPECT_EQ(info.aes->vendorVersion, 1);
  EXPECT_EQ(info.aes->strength, 2);
  EXPECT_EQ(info.aes->actualMethod, 0);
  EXPECT_TRUE(info.hasStrongEncryption);
  EXPECT_EQ(info.strongEncryption, (std::vector<uint8_t>{0x0a, 0x0b, 0x0c}));
  std::string notAe = std::string(
      "\x01\x99\x07\x00\x02\x00"
      "XX"
      "\x03\x08\x00",
      11);
  info =
      ReadExtraField(std::span(reinterpret_cast<const uint8_t*>(notAe.data()), notAe.size()), false, sizes);
  EXPECT_FALSE(info.aes);
}

}  // namespace
}  // namespace riviza::zip
