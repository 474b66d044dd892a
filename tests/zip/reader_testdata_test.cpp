// Every archive of the shared test data through TUnZip: shrunk, reduced, imploded, deflated and
// Deflate64 entries, traditional and AES encryption (AE-1 and AE-2), zip64 records, data in
// front, the split set (one of its volumes is not in the data, so what lies there fails and says
// so), and the archives that must be refused cleanly. Contents are compared with the reference
// files where the data has them; the reader checks every CRC and code itself.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/paths.h"
#include "support/temp_dir.h"
#include "zip/kvoCrc.h"
#include "zip/kvoErrors.h"
#include "zip/reader_support.h"

namespace riviza::zip {
namespace {

std::string zipData(const std::string& name) { return test::readNative(test::testData("zip/" + name)); }

struct Archive {
  Archive(const char* file, const char* password, int count, size_t failures, const char* entry = nullptr,
          const char* reference = nullptr, uint32_t crc = 0)
      : file(file),
        password(password),
        count(count),
        failures(failures),
        entry(entry),
        reference(reference),
        crc(crc) {}
  const char* file;
  const char* password;
  int count;
  size_t failures;
  const char* entry = nullptr;      // one extracted file to look at
  const char* reference = nullptr;  // the test-data file it equals
  uint32_t crc = 0;                 // or its CRC
};

const Archive kArchives[] = {
    {"SHRUNK.ZIP", "", 2, 0, "TEST2.XML", nullptr, 0xd19abf92},
    {"legacy-shrink.zip", "", 1, 0, "FIRST.TXT", nullptr, 0x22957a6e},
    {"legacy-reduce.zip", "", 1, 0, "first.txt", nullptr, 0x22957a6e},
    {"legacy-implode.zip", "", 1, 0, "first.txt", nullptr, 0x22957a6e},
    {"imploding-4Kdict-2trees.zip", "", 1, 0, "HEADER.TXT", nullptr, 0x3222d8c7},
    {"imploding-8Kdict-3trees.zip", "", 1, 0, "LICENSE.TXT", nullptr, 0x495fc599},
    {"lorem-ipsum-implode.zip", "", 1, 0, "LOREM.TXT", nullptr, 0xb9034f7e},
    {"lorem-ipsum-deflate64.zip", "", 1, 0, "lorem-ipsum.txt", nullptr, 0xb9034f7e},
    {"COMPRESS-380.zip", "", 1, 0, "input2", "COMPRESS-380-input"},
    {"traditional_encryption_data.zip", "12345678", 2, 0, "foo.txt", nullptr, 0xb493c7eb},
    {"aesop_linux_7z.old.zip", "password", 1, 0, nullptr, nullptr},
    {"winzip_aes128.zip", "password", 1, 0, "README"},
    {"winzip_aes256.zip", "password", 1, 0, "README"},
    {"winzip_aes256_stored.zip", "password", 1, 0, "README"},
    {"aes_archive.zip", "helloworld", 4, 0, "secret_data_192", nullptr, 0},
    {"aesop_win_winrar.aes256.zip", "password", 1, 0, "encrypted.md", "aesop_crlf.txt"},
    {"aesop_win_winrar.aes256stored.zip", "password", 1, 0, "encrypted.md", "aesop_crlf.txt"},
    {"zip64_demo.zip", "", 1, 0, "-", nullptr, 0x7b55a718},
    {"zip64a.zip", "", 1, 0, "-", nullptr, 0xfb32c645},
    {"zip64b.zip", "", 1, 0, "-", nullptr, 0xfb32c645},
    {"encryption_data.zip", "", 0, 2},
    {"deflate64_index_out_of_bounds.zip", "", 0, 1},
    {"deflate64_issue_25.zip", "", 0, 1},
    // Volume 2 of 3 is missing: 131 files of volume 1 extract, the entry running into volume 2
    // and all later ones fail with their reason.
    {"split_zip_created_by_zip.zip", "", 131, 131,
     "commons-compress/src/main/java/org/apache/commons/compress/changes/ChangeSet.java"},
};

TEST(TestData, EveryArchiveExtractsOrIsRefusedCleanly) {
  for (const Archive& a : kArchives) {
    test::TempDir dir;
    TUnZip u;
    if (*a.password) u.Passwords = {a.password};
    u.OnNextVolume = [](std::string&, const std::string&, bool exists, bool& cancel) { cancel = !exists; };
    auto run = readertest::ExtractAll(u, platform::pathText(test::testData(std::string("zip/") + a.file)),
                                      platform::pathText(dir.path()));
    EXPECT_EQ(run.count, a.count) << a.file;
    EXPECT_EQ(run.failures.size(), a.failures) << a.file;
    if (a.entry == nullptr) continue;
    ASSERT_TRUE(dir.exists(a.entry)) << a.file;
    const std::string content = dir.read(a.entry);
    if (a.reference) {
      EXPECT_EQ(content, zipData(a.reference)) << a.file;
    }
    if (a.crc) {
      EXPECT_EQ(Crc32Of(content), a.crc) << a.file;
    }
  }
}

TEST(TestData, AesEntriesAgreeWithTheirPlainText) {
  test::TempDir dir;
  TUnZip u;
  u.Passwords = {"wrong", "helloworld"};
  auto run = readertest::ExtractAll(u, platform::pathText(test::testData("zip/aes_archive.zip")),
                                    platform::pathText(dir.path()));
  ASSERT_EQ(run.count, 4);
  for (const char* name :
       {"secret_data_128", "secret_data_192", "secret_data_256", "secret_data_256_uncompressed"})
    EXPECT_EQ(dir.read(name), "Lorem ipsum dolor sit amet") << name;
  ASSERT_FALSE(u.Passwords.empty());
  EXPECT_EQ(u.Passwords.front(), "wrong");  // a password found in the list is not moved
}

// AE-1 keeps the real CRC beside the authentication code; a wrong one fails the entry although
// the code is right. AE-2 stores 0 there and is judged by the code alone.
TEST(TestData, AeOneCrcIsCheckedAeTwoIsNot) {
  struct Case {
    const char* file;
    bool passes;
  };
  for (Case c : {Case{"aesop_win_winrar.aes256.zip", false}, Case{"winzip_aes128.zip", true}}) {
    std::string zip = zipData(c.file);
    for (size_t at = zip.find("PK\x03\x04"); at != std::string::npos; at = zip.find("PK\x03\x04", at + 4))
      zip[at + 14] ^= 0x55;
    for (size_t at = zip.find("PK\x01\x02"); at != std::string::npos; at = zip.find("PK\x01\x02", at + 4))
      zip[at + 16] ^= 0x55;
    test::TempDir dir;
    dir.write("a.zip", zip);
    TUnZip u;
    u.Passwords = {"password"};
    auto run = readertest::ExtractAll(u, platform::pathText(dir / "a.zip"), platform::pathText(dir / "out"));
    EXPECT_EQ(run.count == 1, c.passes) << c.file;
    if (!c.passes) {
      EXPECT_EQ(run.failures.at(0).code, kZipCrcFailed);
    }
  }
}

TEST(TestData, WrongPasswordAsksThenGivesUp) {
  test::TempDir dir;
  TUnZip u;
  int asked = 0;
  u.PasswordAttempts = 2;
  u.OnGetPassword = [&](const std::string&, std::string& password, bool&) {
    password = "nope" + std::to_string(++asked);
  };
  auto run = readertest::ExtractAll(u, platform::pathText(test::testData("zip/winzip_aes256.zip")),
                                    platform::pathText(dir.path()));
  EXPECT_EQ(run.count, 0);
  EXPECT_EQ(asked, 2);
  u.OnGetPassword = [&](const std::string&, std::string& password, bool&) { password = "password"; };
  run = readertest::ExtractAll(u, platform::pathText(test::testData("zip/winzip_aes256.zip")),
                               platform::pathText(dir.path()));
  EXPECT_EQ(run.count, 1);
  ASSERT_FALSE(u.Passwords.empty());
  EXPECT_EQ(u.Passwords.front(), "password");  // an answered password goes to the top
}

TEST(TestData, TestAndListWriteNothing) {
  test::TempDir dir;
  TUnZip u;
  u.SetArchiveFile(platform::pathText(test::testData("zip/SHRUNK.ZIP")));
  u.SetExtractDir(platform::pathText(dir.path()));
  u.FileSpec = {"*.*"};
  EXPECT_EQ(u.Test(), 2);
  auto listing = u.ListEntries();
  ASSERT_EQ(listing.size(), 2u);
  EXPECT_EQ(listing[1].name, "TEST2.XML");
  EXPECT_EQ(listing[1].crc, 0xd19abf92u);
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
}  // namespace riviza::zip
