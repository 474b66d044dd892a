// Streams: memory and file streams with 64-bit positions, copy rules, disk-full mapping, and the
// filters (compress output inflated by Python's zlib at every DeflateType, store and checksum
// filters with their counters and ciphers).
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <random>
#include <string>

#include "support/temp_dir.h"
#include "support/tools.h"
#include "zip/core_test_support.h"
#include "zip/kvoErrors.h"
#include "zip/kvoStreamFilters.h"

namespace riviza::zip {
namespace {

std::string sampleBytes(size_t size, uint64_t seed) {
  std::mt19937_64 rng(seed);
  std::string s;
  s.reserve(size);
  static const char* words[] = {"Kostenträger ", "Abrechnung ", "Leistung ", "IK ", "\r\n", "0815 "};
  while (s.size() < size) {
    if (rng() % 4 == 0)
      s.push_back(static_cast<char>(rng()));
    else
      s += words[rng() % 6];
  }
  s.resize(size);
  return s;
}

// Flips every byte: enough to see that a filter ciphers exactly the bytes it writes.
struct XorCipher : TEntryCipher {
  void EncryptBlock(uint8_t* d, size_t n) override {
    for (size_t i = 0; i < n; ++i) d[i] ^= 0x5A;
  }
  void DecryptBlock(uint8_t* d, size_t n) override { EncryptBlock(d, n); }
};

TEST(MemoryStream, ReadsSeeksAndShrinks) {
  TMemoryStream32 m;
  ASSERT_TRUE(m.WriteBuffer("abcdef"));
  EXPECT_EQ(*m.Size(), 6u);
  EXPECT_EQ(*m.Seek(-2, soFromEnd), 4u);
  char buf[8] = {};
  EXPECT_EQ(*m.Read(buf, 8), 2u);  // past the end: what is there
  EXPECT_EQ(std::string(buf, 2), "ef");
  EXPECT_FALSE(m.Seek(-7, soFromEnd));
  ASSERT_TRUE(m.SetSize(3));  // below the position: position moves to the end
  EXPECT_EQ(*m.Position(), 3u);
  ASSERT_TRUE(m.Seek(5, soFromBeginning));
  ASSERT_TRUE(m.WriteBuffer("x"));  // a gap after a seek past the end reads as zeros
  EXPECT_EQ(m.view(), std::string("abc\0\0x", 6));
}

// Hands out at most three bytes a call and fails once `failAt` bytes were read.
struct TrickleStream : TCustomMemoryStream32 {
  size_t failAt = SIZE_MAX;
  using TCustomMemoryStream32::TCustomMemoryStream32;
  Result<size_t> Read(void* buffer, size_t count) override {
    if (position_ >= failAt) return zipError(kZipStreamReadError, "trickle");
    return TCustomMemoryStream32::Read(buffer, std::min<size_t>(count, 3));
  }
};

TEST(Stream, ReadUpToJoinsShortReadsAndEndsAtAnErrorOrTheEnd) {
  const std::string data = "0123456789";
  struct Case {
    size_t failAt, want, expected;
  } cases[] = {{SIZE_MAX, 8, 8}, {SIZE_MAX, 20, 10}, {6, 10, 6}, {0, 4, 0}, {SIZE_MAX, 0, 0}};
  for (const Case& c : cases) {
    TrickleStream s(data.data(), data.size());
    s.failAt = c.failAt;
    std::string out(20, '.');
    EXPECT_EQ(s.ReadUpTo(out.data(), c.want), c.expected) << c.failAt << " " << c.want;
    EXPECT_EQ(out.substr(0, c.expected), data.substr(0, c.expected));
  }
}

TEST(FileStream, SixtyFourBitPositionsAndOpenFailure) {
  test::TempDir dir;
  std::string name = (dir / "big.bin").string();
  auto made = TFileStream32::Create(name, fmCreate);
  ASSERT_TRUE(made) << made.error().describe();
  TFileStream32& f = **made;
  const uint64_t beyond = (uint64_t{5} << 30) + 7;  // sparse: no disk space is used
  ASSERT_TRUE(f.SetSize(beyond));
  EXPECT_EQ(*f.Size(), beyond);
  EXPECT_EQ(*f.Position(), beyond);
  ASSERT_TRUE(f.WriteBuffer("end"));
  EXPECT_EQ(*f.Seek(-3, soFromEnd), beyond);
  char tail[3];
  ASSERT_TRUE(f.ReadBuffer(tail, 3));
  EXPECT_EQ(std::string(tail, 3), "end");
  EXPECT_FALSE(f.ReadBuffer(tail, 1));

  auto missing = TFileStream32::Create((dir / "none" / "x.zip").string(), fmOpenRead | fmShareDenyWrite);
  ASSERT_FALSE(missing);
  EXPECT_EQ(missing.error().code, kZipOpenError);
}

TEST(FileStream, WriteFailuresMapToDiskFullOrWriteError) {
  test::TempDir dir;
  auto made = TFileStream32::Create((dir / "out.bin").string(), fmCreate);
  ASSERT_TRUE(made);
  struct Case {
    int err;
    int code;
  };
  for (const Case& c : {Case{ENOSPC, kZipDiskFull}, Case{EDQUOT, kZipDiskFull}, Case{EIO, kZipWriteError}}) {
    coretest::ScopedWriteFailure failing(c.err);
    auto s = (*made)->WriteBuffer("data");
    ASSERT_FALSE(s);
    EXPECT_EQ(s.error().code, c.code);
  }
}

TEST(HandleStream, ReadLowersTheCounterByWhatWasRead) {
  test::TempDir dir;
  dir.write("in.bin", std::string(1000, 'x'));
  auto f = TFileStream32::Create((dir / "in.bin").string(), fmOpenRead);
  ASSERT_TRUE(f);
  uint64_t remaining = 1000;
  int calls = 0;
  (*f)->run().remaining = &remaining;
  (*f)->run().progress = [&] { ++calls; };
  std::string buf(4096, '\0');
  EXPECT_EQ(*(*f)->Read(buf.data(), buf.size()), 1000u);
  EXPECT_EQ(*(*f)->Read(buf.data(), buf.size()), 0u);
  EXPECT_EQ(remaining, 0u);
  EXPECT_EQ(calls, 1);
}

TEST(CopyFrom, WholeSourceEmptySourceAndCancel) {
  std::string data = sampleBytes(300000, 1);
  TCustomMemoryStream32 src(data.data(), data.size());
  ASSERT_TRUE(src.Seek(100, soFromBeginning));
  TMemoryStream32 dst;
  EXPECT_EQ(*dst.CopyFrom(src, 0), data.size());  // count 0: the whole source from its start
  EXPECT_EQ(dst.view(), data);

  TCustomMemoryStream32 empty(nullptr, 0);
  TMemoryStream32 none;
  EXPECT_EQ(*none.CopyFrom(empty, 0), 0u);
  EXPECT_EQ(*none.Size(), 0u);

  bool cancel = true;
  TMemoryStream32 stopped;
  stopped.run().cancel = &cancel;
  EXPECT_EQ(*stopped.CopyFrom(src, 0), 0u);

  TCustomMemoryStream32 shortSrc(data.data(), 10);
  TMemoryStream32 dst2;
  auto r = dst2.CopyFrom(shortSrc, 20);
  ASSERT_FALSE(r);
  EXPECT_EQ(r.error().code, kZipStreamReadError);
}

// Python's zlib, raw deflate (wbits -15), must give back the original of every file.
void expectPythonInflates(const std::vector<std::filesystem::path>& packed,
                          const std::filesystem::path& original) {
  std::vector<std::string> argv{
      "/usr/bin/python3", "-c",
      "import sys, zlib\no = open(sys.argv[1], 'rb').read()\n"
      "print(all(zlib.decompress(open(p, 'rb').read(), -15) == o for p in sys.argv[2:]))",
      original.string()};
  for (const auto& p : packed) argv.push_back(p.string());
  EXPECT_EQ(test::toolOutput(argv), "True\n");
}

TEST(CompressStream, EveryDeflateTypeInflatesWithPythonZlib) {
  test::TempDir dir;
  std::string data = sampleBytes(400000, 2);
  auto original = dir.write("original.bin", data);
  std::vector<std::filesystem::path> packed;
  for (TDeflateType type : {dtDeflateS, dtDeflateF, dtDeflateN, dtDeflateX}) {
    TMemoryStream32 out;
    auto c = TCompressStream::Create(out, -15, type);
    ASSERT_TRUE(c);
    ASSERT_TRUE((*c)->Write(data.data(), 12345));
    ASSERT_TRUE((*c)->Write(data.data() + 12345, data.size() - 12345));
    EXPECT_EQ(*(*c)->Position(), data.size());
    ASSERT_TRUE((*c)->Finish());
    EXPECT_EQ((*c)->run().checksum ^ kCrcSeed, Crc32Of(data));
    if (type == dtDeflateS) {
      EXPECT_GT(out.view().size(), data.size());
    }
    packed.push_back(dir.write("level" + std::to_string(type) + ".bin", out.view()));
  }
  expectPythonInflates(packed, original);
}

TEST(CompressStream, SeekAnswersOnlyThePositionAndCiphersWhatItWrites) {
  std::string data = sampleBytes(200000, 3);
  TMemoryStream32 plain, ciphered;
  XorCipher cipher;
  for (TMemoryStream32* out : {&plain, &ciphered}) {
    auto c = TCompressStream::Create(*out, -15, dtDeflateF);
    ASSERT_TRUE(c);
    if (out == &ciphered) {
      (*c)->run().encryption = emZIP_v2;
      (*c)->run().cipher = &cipher;
    }
    ASSERT_TRUE((*c)->Write(data.data(), data.size()));
    EXPECT_FALSE((*c)->Seek(1, soFromCurrent));
    EXPECT_EQ((*c)->Seek(int64_t{1} << 33, soFromCurrent).error().code, kZipRangeError);
    EXPECT_FALSE((*c)->Read(nullptr, 1));
    ASSERT_TRUE((*c)->Finish());
    EXPECT_FALSE((*c)->Write("x", 1));
  }
  std::string expect(plain.view());
  for (auto& ch : expect) ch = static_cast<char>(ch ^ 0x5A);
  EXPECT_EQ(ciphered.view(), expect);
}

TEST(StoreStream, ChecksumsOrCiphersAndCountsDown) {
  std::string data = sampleBytes(250000, 4);
  TCustomMemoryStream32 src(data.data(), data.size());
  struct Case {
    TChecksumKind kind;
    uint8_t encryption;
  };
  for (const Case& c : {Case{ckCrc32, emNone}, Case{ckCrc16, emNone}, Case{ckCrc32, emAES2_256}}) {
    TMemoryStream32 out;
    XorCipher cipher;
    TStoreStream store(out, c.kind, c.encryption, &cipher);
    uint64_t remaining = data.size() + 5;
    int blocks = 0;
    store.run().remaining = &remaining;
    store.run().progress = [&] { ++blocks; };
    EXPECT_EQ(*store.CopyFrom(src, 0), data.size());
    EXPECT_EQ(blocks, 3);  // 102,400-byte blocks
    EXPECT_EQ(remaining, 5u);
    uint32_t expectSum = c.kind == ckCrc16 ? 0 : kCrcSeed;
    if (c.encryption == emNone) {
      if (c.kind == ckCrc16)
        Crc16Update(data.data(), data.size(), expectSum);
      else
        Crc32Update(data.data(), data.size(), expectSum);
      EXPECT_EQ(out.view(), data);
    } else {
      EXPECT_NE(out.view(), data);
    }
    EXPECT_EQ(store.run().checksum, expectSum);
  }
}

TEST(CalcFileCrc, RunsOverTheWholeFileAndRewinds) {
  std::string data = sampleBytes(150000, 5);
  TCustomMemoryStream32 src(data.data(), data.size());
  ASSERT_TRUE(src.Seek(77, soFromBeginning));
  TStreamRun run;
  auto reg = CalcFileCRC(src, run);
  ASSERT_TRUE(reg);
  EXPECT_EQ(*reg ^ kCrcSeed, Crc32Of(data));
  EXPECT_EQ(*src.Position(), 0u);
}

// A whole source deflated through the compress filter, as the writer feeds a file: the CRC-32 of
// the source, an empty source, and a cancel before the first block.
TEST(CompressStream, CrcOfSourceEmptySourceAndCancel) {
  std::string data = sampleBytes(50000, 6);
  TCustomMemoryStream32 src(data.data(), data.size());
  TCustomMemoryStream32 empty(nullptr, 0);
  bool cancel = false;
  struct Case {
    const char* what;
    TStream32& source;
    bool cancelled;
    uint64_t copied;
    uint32_t crc;
  } cases[] = {{"source", src, false, data.size(), Crc32Of(data)},
               {"empty source", empty, false, 0, 0},
               {"cancelled", src, true, 0, 0}};
  for (Case& c : cases) {
    SCOPED_TRACE(c.what);
    TMemoryStream32 out;
    auto compress = TCompressStream::Create(out, -15, dtDeflateN);
    ASSERT_TRUE(compress);
    cancel = c.cancelled;
    (*compress)->run().cancel = &cancel;
    auto copied = (*compress)->CopyFrom(c.source, 0);
    ASSERT_TRUE(copied);
    EXPECT_EQ(*copied, c.copied);
    ASSERT_TRUE((*compress)->Finish());
    EXPECT_EQ((*compress)->run().checksum ^ kCrcSeed, c.crc);
  }
}

}  // namespace
}  // namespace riviza::zip
