// Encrypted entries of archives made by other programs, deciphered with the engine's primitives
// and base services (ReadBlock, CopyStoredEntry) through the tests' small reader: AES entries of
// WinZip, WinRAR and others (AE-1 and AE-2, 128 to 256 bits, stored and deflated) and
// traditionally encrypted entries (with and without a data descriptor). zlib inflates deflated
// data here as an oracle; the engine's own inflater is tested with the decoders.
#include <gtest/gtest.h>
#include <zlib.h>

#include <memory>
#include <string>

#include "support/temp_dir.h"
#include "zip/core_test_support.h"
#include "zip/kvoAES.h"
#include "zip/kvoCrypt.h"
#include "zip/kvoZipCommon.h"

namespace riviza::zip {
namespace {

std::string rawInflate(const std::string& packed, size_t expectedSize) {
  std::string out(expectedSize + 1, '\0');
  z_stream zs{};
  EXPECT_EQ(inflateInit2(&zs, -15), Z_OK);
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
  zs.avail_in = static_cast<uInt>(packed.size());
  zs.next_out = reinterpret_cast<Bytef*>(out.data());
  zs.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(inflate(&zs, Z_FINISH), Z_STREAM_END);
  out.resize(zs.total_out);
  inflateEnd(&zs);
  return out;
}

struct Expected {
  const char* file;
  const char* password;
  size_t entries;
  uint32_t crc;  // of every entry's content
  size_t size;
};

// Deciphers and unpacks one entry; returns its content. AES entries must authenticate.
std::string extractEntry(const std::string& archive, const coretest::TestEntry& e,
                         std::string_view password) {
  TCustomMemoryStream32 in(archive.data(), archive.size());
  EXPECT_TRUE(in.Seek(static_cast<int64_t>(e.dataOffset), soFromBeginning));
  TZipCommon common;
  uint64_t dataSize = e.sizes.compressed;
  uint16_t method = e.central.method;
  if (e.extra.aes) {
    auto aes = std::make_unique<TkvoAES>(&in, nullptr);
    uint32_t overhead = 0;
    EXPECT_FALSE(*aes->BeginDecrypt("wrong password", e.extra.aes->strength, overhead));
    EXPECT_TRUE(*aes->BeginDecrypt(password, e.extra.aes->strength, overhead)) << e.name;
    dataSize -= overhead;
    common.entryEncryption = static_cast<TEncryptionMethod>(e.extra.aes->strength);
    common.SetAes(std::move(aes));
    method = e.extra.aes->actualMethod;
  } else {
    TZipCrypt::Header header;
    EXPECT_TRUE(in.ReadBuffer(header.data(), header.size()));
    EXPECT_TRUE(
        TestEncryptionHeader(common.zipCrypt(), header, e.local.flags, e.central.crc, e.local.time, password))
        << e.name;
    dataSize -= TZipCrypt::kHeaderSize;
    common.entryEncryption = emZIP_v2;
  }
  std::string content;
  if (method == 0) {
    TMemoryStream32 out;
    auto left = common.CopyStoredEntry(in, &out, e.local, dataSize, atZip);
    EXPECT_TRUE(left && *left == 0);
    content = std::string(out.view());
  } else {
    std::string packed(dataSize, '\0');
    size_t got = 0;
    while (got < dataSize)  // uneven blocks: the ciphers must carry their state across calls
      got += common.ReadBlock(in, std::min<size_t>(777, dataSize - got), ckCrc32, true,
                              reinterpret_cast<uint8_t*>(packed.data()) + got);
    content = rawInflate(packed, e.sizes.uncompressed);
  }
  if (common.aes() != nullptr) {
    EXPECT_TRUE(*common.aes()->EndDecrypt()) << e.name;
  }
  return content;
}

TEST(TestdataArchives, EncryptedEntriesDecipherToTheirContent) {
  const Expected cases[] = {
      {"aes_archive.zip", "helloworld", 4, 0, 26},
      {"winzip_aes128.zip", "password", 1, 0x864D90BBu, 6818},
      {"winzip_aes256.zip", "password", 1, 0x864D90BBu, 6818},
      {"winzip_aes256_stored.zip", "password", 1, 0x864D90BBu, 6818},
      {"aesop_win_winrar.aes256.zip", "password", 1, 0xD561A004u, 1510},
      {"aesop_win_winrar.aes256stored.zip", "password", 1, 0xD561A004u, 1510},
      {"aesop_linux_7z.old.zip", "password", 1, 0x8D447208u, 1503},
      {"traditional_encryption_data.zip", "12345678", 2, 0, 495},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    std::string archive = riviza::test::readNative(riviza::test::testData(std::string("zip/") + c.file));
    auto entries = coretest::ReadTestArchive(archive);
    ASSERT_EQ(entries.size(), c.entries);
    for (const auto& e : entries) {
      ASSERT_TRUE(e.central.flags & 1) << e.name;
      std::string content = extractEntry(archive, e, c.password);
      EXPECT_EQ(content.size(), c.size) << e.name;
      uint32_t want = c.crc != 0 ? c.crc : e.central.crc;  // AE-2 entries store 0
      if (want == 0) {
        EXPECT_EQ(content, "Lorem ipsum dolor sit amet") << e.name;
      } else {
        EXPECT_EQ(Crc32Of(content), want) << e.name;
      }
    }
  }
}

TEST(TestdataArchives, StrongEncryptionFieldIsRecognised) {
  std::string archive = riviza::test::readNative(riviza::test::testData("zip/encryption_data.zip"));
  auto entries = coretest::ReadTestArchive(archive);
  ASSERT_EQ(entries.size(), 2u);
  for (const auto& e : entries) {
    TEntrySizes sizes{e.local.compressedSize, e.local.uncompressedSize, 0};
    auto local = ReadExtraField(
        std::span(reinterpret_cast<const uint8_t*>(archive.data()) + e.dataOffset - e.local.extraLength,
                  e.local.extraLength),
        false, sizes);
    EXPECT_TRUE(local.hasStrongEncryption || e.extra.hasStrongEncryption) << e.name;
    EXPECT_TRUE(e.central.flags & 0x40) << e.name;
  }
}

TEST(TestdataArchives, Zip64RecordsAndExtrasGiveTheSizesPythonReports) {
  // zip64_demo.zip: zip64 end record and locator, data in front; python's zipfile agrees.
  std::string archive = riviza::test::readNative(riviza::test::testData("zip/zip64_demo.zip"));
  auto entries = coretest::ReadTestArchive(archive);
  ASSERT_FALSE(entries.empty());
  std::string cmd =
      "/usr/bin/python3 -c \"import zipfile,sys; z=zipfile.ZipFile(sys.argv[1]); "
      "print(';'.join('%s,%d,%d' % (i.filename,i.compress_size,i.file_size) for i in z.infolist()))\" '" +
      riviza::test::testData("zip/zip64_demo.zip").string() + "'";
  FILE* pipe = ::popen(cmd.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  char line[4096] = {};
  std::string python = fgets(line, sizeof line, pipe) ? line : "";
  ::pclose(pipe);
  std::string ours;
  for (const auto& e : entries)
    ours += (ours.empty() ? "" : ";") + e.name + "," + std::to_string(e.sizes.compressed) + "," +
            std::to_string(e.sizes.uncompressed);
  EXPECT_EQ(ours + "\n", python);
}

}  // namespace
}  // namespace riviza::zip
