// Deflate64: streams with distances beyond 32 KiB and length code 285 with 16 extra bits, from
// the reference encoder (checked by 7zz) and from 7-Zip itself, through both inflaters; the same
// data refused as plain deflate; the fixed tables of the two formats kept apart.
#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "support/tools.h"
#include "support/zip_archive.h"
#include "zip/decoders_encoders.h"
#include "zip/decoders_support.h"

namespace riviza::test {
namespace {

namespace fs = std::filesystem;

// Text with far repeats and runs longer than any plain-deflate match.
Bytes farAndLong(uint64_t seed) {
  std::mt19937_64 rng(seed);
  Bytes data = generateData(DataKind::Text, 50000, rng);
  const Bytes head(data.begin(), data.begin() + 20000);
  data.insert(data.end(), 70000 + seed % 1000, 'x');
  const Bytes middle = generateData(DataKind::Binary, 30000, rng);
  data.insert(data.end(), middle.begin(), middle.end());
  data.insert(data.end(), head.begin(), head.end());  // about 100 KiB back: beyond even 64 KiB
  const Bytes tail(data.end() - 60000, data.end() - 20000);
  data.insert(data.end(), tail.begin(), tail.end());  // 40 to 60 KiB back
  return data;
}

TEST(Deflate64, ReferenceStreamsDecodeThroughBothInflaters) {
  for (uint64_t seed = 1; seed <= 4; ++seed) {
    SCOPED_TRACE(seed);
    const Bytes plain = farAndLong(seed);
    const Bytes stream = fixedDeflateEncode(plain, true);
    const FrameDecoded framed = decodeWithFrame(9, 0, stream, stream.size(), plain.size(), nullptr, 1000);
    ASSERT_TRUE(framed.status.ok()) << framed.status.error().describe();
    EXPECT_EQ(framed.output, plain);
    std::mt19937_64 rng(seed);
    const InflateOutcome streamed = ourInflate(stream, -15, true, 999, 70000, &rng);
    ASSERT_TRUE(streamed.complete) << streamed.message;
    EXPECT_EQ(streamed.output, plain);
    // The same data as method 8: distance codes 30 and 31 are refused.
    EXPECT_FALSE(decodeWithFrame(8, 0, stream, stream.size(), plain.size()).status.ok());
  }
}

TEST(Deflate64, PlainVariantOfTheReferenceEncoderMatchesZlib) {
  const Bytes plain = farAndLong(9);
  const Bytes stream = fixedDeflateEncode(plain, false);
  EXPECT_EQ(zlibInflate(stream).output, plain);
  EXPECT_EQ(ourInflate(stream).output, plain);
}

TEST(Deflate64, SevenZipReadsTheReferenceStreamsAndWeRead7ZipStreams) {
  TempDir dir;
  const Bytes plain = farAndLong(5);
  const fs::path ours = dir / "ours.zip";
  ZipEntrySpec entry("d64.bin", asString(plain), 9);
  entry.packed = asString(fixedDeflateEncode(plain, true));
  WriteZip(ours, {entry});
  EXPECT_EQ(asBytes(runTool({"7zz", "x", "-so", ours.string(), "d64.bin"}, {.stderrApart = true}).output),
            plain);

  writeNative(dir / "input.bin", asString(plain));
  const fs::path theirs = dir / "7z.zip";
  for (const char* level : {"-mx=1", "-mx=9"}) {
    fs::remove(theirs);
    toolOutput(
        {"7zz", "a", "-tzip", "-bd", "-mm=Deflate64", level, theirs.string(), (dir / "input.bin").string()});
    const auto entries = ParseZipFile(theirs).entries;
    ASSERT_EQ(entries.size(), 1u);
    const auto& e = entries[0];
    ASSERT_EQ(e.central.method, 9);
    const FrameDecoded d = decodeWithFrame(9, e.central.flags, asBytes(e.data), e.central.compressedSize,
                                           e.central.uncompressedSize);
    ASSERT_TRUE(d.status.ok()) << d.status.error().describe();
    EXPECT_EQ(d.output, plain) << level;
  }
}

// One fixed block with literal 'a' then length 3 at distance code 30 (32,769 + extra): valid only
// in Deflate64, and only after enough output.
Bytes fixedDistance30Stream() {
  BitWriter w;
  w.bits(0, 1);  // a stored block of 40,000 bytes first
  w.bits(0, 2);
  w.alignToByte();
  w.bits(40000, 16);
  w.bits(~40000u & 0xFFFF, 16);
  for (int i = 0; i < 40000; ++i) w.bits(static_cast<uint32_t>('a' + i % 26), 8);
  w.bits(1, 1);
  w.bits(1, 2);
  w.fixedLitlen(257);  // length 3
  w.fixedDist(30);
  w.bits(5, 14);  // distance 32,774
  w.fixedLitlen(256);
  return w.finish();
}

TEST(Deflate64, FixedTablesOfTheTwoFormatsStayApart) {
  const Bytes stream = fixedDistance30Stream();
  for (int round = 0; round < 2; ++round) {
    const InflateOutcome d64 = ourInflate(stream, -15, true);
    ASSERT_TRUE(d64.complete) << d64.message;
    ASSERT_EQ(d64.output.size(), 40003u);
    EXPECT_EQ(d64.output[40000], d64.output[40000 - 32774]);
    const InflateOutcome plain = ourInflate(stream, -15, false);
    EXPECT_FALSE(plain.complete);
    EXPECT_EQ(plain.message, "invalid distance code");
  }
}

}  // namespace
}  // namespace riviza::test
