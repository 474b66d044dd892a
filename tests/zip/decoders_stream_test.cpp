// TDecompressStream over the engine's streams: piecewise reads, the source's position after
// release, deciphering in place through the traditional and the AES cipher of 7-Zip's archives,
// the input and output limits, seeks, and going on in a next volume.
#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "support/tools.h"
#include "support/zip_archive.h"
#include "zip/decoders_support.h"
#include "zip/kvoAES.h"
#include "zip/kvoCrypt.h"
#include "zip/kvoDecompressStream.h"
#include "zip/kvoErrors.h"

namespace riviza::test {
namespace {

using zip::TCustomMemoryStream32;
using zip::TDecompressStream;

std::unique_ptr<TDecompressStream> open(zip::TStream32& source, uint8_t encryption = zip::emNone,
                                        zip::TEntryCipher* cipher = nullptr) {
  auto s = TDecompressStream::Create(source, -15, encryption, cipher);
  EXPECT_TRUE(s.ok());
  return std::move(s).value();
}

Bytes readAll(TDecompressStream& s, size_t piece) {
  Bytes out;
  Bytes buffer(piece);
  for (;;) {
    auto got = s.Read(buffer.data(), piece);
    if (!got || *got == 0) break;
    out.insert(out.end(), buffer.begin(), buffer.begin() + static_cast<long>(*got));
  }
  return out;
}

struct Fixture {
  Bytes plain;
  Bytes stream;
  Bytes file;  // 10 bytes before the stream, 100 after
  Fixture() {
    std::mt19937_64 rng(3);
    plain = generateData(DataKind::Mixed, 300000, rng);
    stream = zlibCompress(plain, 6, 0);
    file.assign(10, 0xEE);
    file.insert(file.end(), stream.begin(), stream.end());
    file.insert(file.end(), 100, 0xDD);
  }
};

TEST(DecompressStream, ReadsInPiecesAndLeavesTheSourceAfterTheData) {
  Fixture f;
  for (size_t piece : {1u, 777u, 32768u, 131070u}) {
    TCustomMemoryStream32 source(f.file.data(), f.file.size());
    ASSERT_TRUE(source.Seek(10, zip::soFromBeginning));
    auto s = open(source);
    EXPECT_EQ(readAll(*s, piece), f.plain) << piece;
    EXPECT_TRUE(s->Finished());
    ASSERT_TRUE(s->Release());
    EXPECT_EQ(*source.Position(), 10 + f.stream.size()) << piece;
  }
}

TEST(DecompressStream, ReleaseAfterAPartialReadStandsAfterTheConsumedInput) {
  Fixture f;
  TCustomMemoryStream32 source(f.file.data(), f.file.size());
  ASSERT_TRUE(source.Seek(10, zip::soFromBeginning));
  auto s = open(source);
  Bytes buffer(5000);
  ASSERT_EQ(*s->Read(buffer.data(), buffer.size()), 5000u);
  ASSERT_TRUE(s->Release());
  EXPECT_EQ(*source.Position(), 10 + s->TotalIn());
  EXPECT_LT(s->TotalIn(), f.stream.size());
}

TEST(DecompressStream, LimitsSeeksAndWrites) {
  Fixture f;
  TCustomMemoryStream32 source(f.stream.data(), f.stream.size());
  auto s = open(source);
  // Seek forward discards, seek to 0 starts again, other seeks only answer the position.
  EXPECT_EQ(*s->Seek(12345, zip::soFromCurrent), 12345u);
  Bytes buffer(100);
  ASSERT_EQ(*s->Read(buffer.data(), 100), 100u);
  EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(), f.plain.begin() + 12345));
  EXPECT_EQ(*s->Seek(-5, zip::soFromEnd), 12445u);
  EXPECT_EQ(*s->Seek(0, zip::soFromBeginning), 0u);
  ASSERT_EQ(*s->Read(buffer.data(), 100), 100u);
  EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(), f.plain.begin()));
  EXPECT_FALSE(s->Write(buffer.data(), 1));
  // More output than the limit is bad data.
  ASSERT_EQ(*s->Seek(0, zip::soFromBeginning), 0u);
  s->SetOutputLimit(f.plain.size() - 1);
  Bytes all(f.plain.size() + 10);
  auto got = s->Read(all.data(), all.size());
  ASSERT_FALSE(got.ok());
  EXPECT_EQ(got.error().code, zip::kZipBadData);
  EXPECT_EQ(s->LastStatus(), zip::kZDataError);
}

TEST(DecompressStream, BadDataGivesZlibsMessage) {
  Bytes junk = {0x07, 0x00, 0x01};  // block type 3
  TCustomMemoryStream32 source(junk.data(), junk.size());
  auto s = open(source);
  Bytes buffer(10);
  auto got = s->Read(buffer.data(), buffer.size());
  ASSERT_FALSE(got.ok());
  EXPECT_NE(got.error().message.find("invalid block type"), std::string::npos);
}

TEST(DecompressStream, GoesOnInTheNextVolume) {
  Fixture f;
  for (size_t cut : {size_t{1}, f.stream.size() / 3, f.stream.size() - 1}) {
    const Bytes first(f.stream.begin(), f.stream.begin() + static_cast<long>(cut));
    const Bytes second(f.stream.begin() + static_cast<long>(cut), f.stream.end());
    TCustomMemoryStream32 volume1(first.data(), first.size());
    TCustomMemoryStream32 volume2(second.data(), second.size());
    auto s = open(volume1);
    Bytes out = readAll(*s, 32768);
    ASSERT_EQ(s->LastStatus(), zip::kZBufError) << cut;
    s->ContinueFrom(volume2);
    const Bytes rest = readAll(*s, 32768);
    out.insert(out.end(), rest.begin(), rest.end());
    EXPECT_TRUE(s->Finished());
    EXPECT_EQ(out, f.plain) << cut;
  }
}

// An entry of `plain`, deflated and enciphered by 7-Zip with `cipher` ("ZipCrypto", "AES256").
ParsedZipEntry sevenZipEntry(const TempDir& dir, const Bytes& plain, const std::string& cipher) {
  writeNative(dir / "plain.bin", asString(plain));
  const std::filesystem::path archive = dir / (cipher + ".zip");
  toolOutput({"7zz", "a", "-tzip", "-bd", "-mem=" + cipher, "-ppassword", archive.string(),
              (dir / "plain.bin").string()});
  const auto entries = ParseZipFile(archive).entries;
  EXPECT_EQ(entries.size(), 1u);
  return entries.empty() ? ParsedZipEntry{} : entries[0];
}

TEST(DecompressStream, DeciphersTraditionalEncryptionInPlace) {
  Fixture f;
  TempDir dir;
  const ParsedZipEntry e = sevenZipEntry(dir, f.plain, "ZipCrypto");
  ASSERT_EQ(e.central.method, 8);
  ASSERT_TRUE(e.central.flags & 1);
  zip::TZipCrypt crypt;
  ASSERT_TRUE(crypt.ZipInitKeys("password"));
  Bytes header(e.data.begin(), e.data.begin() + 12);
  crypt.DecryptBlock(header.data(), header.size());
  TCustomMemoryStream32 source(e.data.data(), e.data.size());
  ASSERT_TRUE(source.Seek(12, zip::soFromBeginning));
  auto s = open(source, zip::emZIP_v2, &crypt);
  s->SetInputLimit(e.central.compressedSize - 12);
  EXPECT_EQ(readAll(*s, 4096), f.plain);
}

// AES: the input limit keeps the authentication code out of the deciphered data, so the code
// still verifies after the stream is released.
TEST(DecompressStream, DeciphersAesAndLeavesTheAuthenticationCodeIntact) {
  Fixture f;
  TempDir dir;
  const ParsedZipEntry e = sevenZipEntry(dir, f.plain, "AES256");
  ASSERT_EQ(e.central.method, 99);
  ASSERT_TRUE(e.aes.has_value());
  ASSERT_EQ(e.aes->actualMethod, 8);
  TCustomMemoryStream32 source(e.data.data(), e.data.size());
  zip::TkvoAES aes(&source, nullptr);
  uint32_t overhead = 0;
  auto begun = aes.BeginDecrypt("password", e.aes->strength, overhead);
  ASSERT_TRUE(begun.ok() && *begun);
  auto s = open(source, e.aes->strength, &aes.cipher());
  s->SetInputLimit(e.central.compressedSize - overhead);
  EXPECT_EQ(readAll(*s, 32768), f.plain);
  EXPECT_TRUE(s->Finished());
  ASSERT_TRUE(s->Release());
  auto authentic = aes.EndDecrypt();
  ASSERT_TRUE(authentic.ok());
  EXPECT_TRUE(*authentic);
}

}  // namespace
}  // namespace riviza::test
