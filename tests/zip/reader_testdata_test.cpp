// Every archive of the shared test data, checked here and nowhere else, through TUnZip as its
// callers use it: shrunk, reduced, imploded, deflated and Deflate64 entries, traditional and AES
// encryption (AE-1 and AE-2), zip64 records, data in front, the split set (one of its volumes is
// not in the data, so what lies there fails and says so), and the archives that must be refused.
// The judges come from outside: 7-Zip extracts the same archive and the two trees must agree byte
// for byte; Python's zipfile lists every archive and our listing must agree with it (names,
// methods, sizes from the zip64 records, CRCs); where the data holds the original file, the
// extracted one equals it; each refused entry fails with its code. The reader checks every CRC
// itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>

#include "platform/paths.h"
#include "support/temp_dir.h"
#include "support/tools.h"
#include "support/trees.h"
#include "support/zip_extract.h"
#include "zip/kvoErrors.h"

namespace riviza::zip {
namespace {

namespace fs = std::filesystem;

fs::path zipFile(const std::string& name) { return test::testData("zip/" + name); }

std::vector<int> codesOf(const std::vector<TEntryFailure>& failures) {
  std::vector<int> codes;
  for (const auto& f : failures) codes.push_back(f.code);
  return codes;
}

struct Archive {
  const char* file;
  std::vector<std::string> passwords;
  int count;                        // files Extract writes
  std::vector<int> refused;         // the codes of the entries it refuses, in order
  int tested;                       // entries Test passes
  bool sevenZip;                    // 7zz extracts it too (the tree must agree)
  const char* entry = nullptr;      // one extracted file ...
  const char* reference = nullptr;  // ... and the test-data file it equals, or
  const char* content = nullptr;    // its content
};

const std::vector<int> kNone;

const Archive kArchives[] = {
    {"SHRUNK.ZIP", {}, 2, kNone, 2, true},
    {"legacy-shrink.zip", {}, 1, kNone, 1, true},
    // 7-Zip reads no reduced entries; the stored CRC and the shrunk twin's content judge it.
    {"legacy-reduce.zip", {}, 1, kNone, 1, false},
    {"legacy-implode.zip", {}, 1, kNone, 1, true},
    {"imploding-4Kdict-2trees.zip", {}, 1, kNone, 1, true},
    {"imploding-8Kdict-3trees.zip", {}, 1, kNone, 1, true},
    {"lorem-ipsum-implode.zip", {}, 1, kNone, 1, true},
    {"lorem-ipsum-deflate64.zip", {}, 1, kNone, 1, true},
    {"COMPRESS-380.zip", {}, 1, kNone, 1, true, "input2", "COMPRESS-380-input"},
    {"traditional_encryption_data.zip", {"12345678"}, 2, kNone, 2, true},
    {"aesop_linux_7z.old.zip", {"password"}, 1, kNone, 1, true, "encrypted.md", "aesop.txt"},
    {"winzip_aes128.zip", {"password"}, 1, kNone, 1, true},
    {"winzip_aes256.zip", {"password"}, 1, kNone, 1, true},
    {"winzip_aes256_stored.zip", {"password"}, 1, kNone, 1, true},
    // A wrong password first: the right one is found further down the list.
    {"aes_archive.zip",
     {"wrong", "helloworld"},
     4,
     kNone,
     4,
     true,
     "secret_data_256_uncompressed",
     nullptr,
     "Lorem ipsum dolor sit amet"},
    {"aesop_win_winrar.aes256.zip", {"password"}, 1, kNone, 1, true, "encrypted.md", "aesop_crlf.txt"},
    {"aesop_win_winrar.aes256stored.zip", {"password"}, 1, kNone, 1, true, "encrypted.md", "aesop_crlf.txt"},
    // 7-Zip does not open this one (data in front of zip64 records); Python lists it below.
    {"zip64_demo.zip", {}, 1, kNone, 1, false, "-", nullptr, "Hello, world!\n"},
    {"zip64a.zip", {}, 1, kNone, 1, true},
    {"zip64b.zip", {}, 1, kNone, 1, true},
    // Strong encryption (flag bit 6): no entry is deciphered.
    {"encryption_data.zip", {}, 0, {kZipUnsupportedMethod, kZipUnsupportedMethod}, 0, false},
    // Malformed Deflate64: an entry whose data would run through the central directory, and, in
    // an archive without an end record, one with a line break in its name, each refused before
    // anything is written or decoded.
    {"deflate64_index_out_of_bounds.zip", {}, 0, {kZipOverlap}, 0, false},
    {"deflate64_issue_25.zip", {}, 0, {kZipBadData, kZipNameControl}, 0, false},
    // Volume 2 of 3 is missing: 131 files of volume 1 extract; the entry running into volume 2
    // ends early as damaged data, and all later ones fail because that volume cannot be had.
    {"split_zip_created_by_zip.zip",
     {},
     131,
     [] {
       std::vector<int> codes(131, kZipOpenError);
       codes.front() = kZipBadData;
       return codes;
     }(),
     131,
     false,
     "commons-compress/src/main/java/org/apache/commons/compress/changes/ChangeSet.java"},
};

TEST(TestData, EveryArchiveExtractsAsSevenZipDoesOrRefusesWithItsCodes) {
  test::TempDir dir;
  for (const Archive& a : kArchives) {
    SCOPED_TRACE(a.file);
    const fs::path ours = dir / "ours" / a.file;
    TUnZip u;
    u.CreateStoredDirs = true;
    u.Passwords = a.passwords;
    u.OnNextVolume = [](std::string&, const std::string&, bool exists, bool& cancel) { cancel = !exists; };
    const test::ExtractRun run = test::ExtractAll(u, zipFile(a.file), ours);
    EXPECT_EQ(run.count, a.count);
    EXPECT_EQ(codesOf(run.failures), a.refused);
    if (!a.passwords.empty()) {
      EXPECT_EQ(u.Passwords.front(), a.passwords.front());  // a password found in the list stays put
    }
    EXPECT_EQ(u.Test(), a.tested);
    if (a.sevenZip) {
      const fs::path theirs = dir / "7zz" / a.file;
      std::vector<std::string> argv{
          "7zz", "x", "-y", "-bd", "-o" + theirs.string(), zipFile(a.file).string()};
      if (!a.passwords.empty()) argv.insert(argv.begin() + 2, "-p" + a.passwords.back());
      test::toolOutput(argv);
      EXPECT_EQ(test::CompareTrees(theirs, ours), "");
    }
    if (a.entry == nullptr) continue;
    ASSERT_TRUE(fs::exists(ours / a.entry));
    const std::string content = test::readNative(ours / a.entry);
    if (a.reference) {
      EXPECT_EQ(content, test::readNative(zipFile(a.reference)));
    }
    if (a.content) {
      EXPECT_EQ(content, a.content);
    }
  }
  // The reduced entry holds the same file as its shrunk and imploded twins.
  EXPECT_EQ(test::readNative(dir / "ours/legacy-reduce.zip/first.txt"),
            test::readNative(dir / "ours/legacy-shrink.zip/FIRST.TXT"));
}

// Python's zipfile lists each archive it can open: "name method compressed uncompressed crc"
// per entry. Our listing must say the same (zip64 sizes, data in front and split sets included),
// but for the entries our directory walk refuses and names among its failures.
TEST(TestData, ListingsAgreeWithPythonsZipfile) {
  const char* script = R"(
import sys, zipfile
for path in sys.argv[1:]:
    try:
        entries = zipfile.ZipFile(path).infolist()
    except Exception:
        continue
    for i in entries:
        print('%s|%s %d %d %d %08x' % (path, i.filename, i.compress_type, i.compress_size, i.file_size, i.CRC))
)";
  std::vector<std::string> argv{"/usr/bin/python3", "-c", script};
  for (const Archive& a : kArchives) argv.push_back(zipFile(a.file).string());
  std::map<std::string, std::string> python;
  std::istringstream lines(test::toolOutput(argv));
  for (std::string line; std::getline(lines, line);) {
    const size_t bar = line.find('|');
    python[line.substr(0, bar)] += line.substr(bar + 1) + "\n";
  }
  ASSERT_FALSE(python.empty());
  for (const Archive& a : kArchives) {
    SCOPED_TRACE(a.file);
    const std::string path = zipFile(a.file).string();
    TUnZip u;
    u.OnNextVolume = [](std::string&, const std::string&, bool exists, bool& cancel) { cancel = !exists; };
    u.SetArchiveFile(platform::pathText(path));
    u.FileSpec = {"*.*"};
    std::string ours;
    char crc[9];
    auto pythonName = [](const std::string& name) {
      std::string cut = name.substr(0, name.find('\0'));  // Python ends a name at a NUL
      for (char& c : cut)
        if (c == '\\') c = '/';
      return cut;
    };
    for (const auto& e : u.ListEntries()) {
      std::snprintf(crc, sizeof crc, "%08x", e.crc);
      ours += pythonName(e.name) + " " + std::to_string(e.method) + " " + std::to_string(e.compressed) + " " +
              std::to_string(e.uncompressed) + " " + crc + "\n";
    }
    if (python.count(path)) {
      std::string listed;
      std::istringstream lines(python[path]);
      for (std::string line; std::getline(lines, line);)
        if (std::none_of(u.Failures().begin(), u.Failures().end(), [&](const TEntryFailure& f) {
              return line.starts_with(pythonName(f.fileName) + " ");
            }))
          listed += line + "\n";
      EXPECT_EQ(ours, listed);
    } else {
      EXPECT_STREQ(a.file, "deflate64_issue_25.zip");  // no directory: Python gives up, we walk it
      EXPECT_NE(ours, "");
    }
  }
}

// AE-1 keeps the real CRC beside the authentication code; a wrong one fails the entry although
// the code is right. AE-2 stores 0 there and is judged by the code alone.
TEST(TestData, AeOneCrcIsCheckedAeTwoIsNot) {
  struct Case {
    const char* file;
    bool passes;
  };
  for (Case c : {Case{"aesop_win_winrar.aes256.zip", false}, Case{"winzip_aes128.zip", true}}) {
    std::string zip = test::readNative(zipFile(c.file));
    for (size_t at = zip.find("PK\x03\x04"); at != std::string::npos; at = zip.find("PK\x03\x04", at + 4))
      zip[at + 14] ^= 0x55;
    for (size_t at = zip.find("PK\x01\x02"); at != std::string::npos; at = zip.find("PK\x01\x02", at + 4))
      zip[at + 16] ^= 0x55;
    test::TempDir dir;
    dir.write("a.zip", zip);
    TUnZip u;
    u.Passwords = {"password"};
    auto run = test::ExtractAll(u, dir / "a.zip", dir / "out");
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
  auto run = test::ExtractAll(u, zipFile("winzip_aes256.zip"), dir.path());
  EXPECT_EQ(run.count, 0);
  EXPECT_EQ(asked, 2);
  u.OnGetPassword = [&](const std::string&, std::string& password, bool&) { password = "password"; };
  run = test::ExtractAll(u, zipFile("winzip_aes256.zip"), dir.path());
  EXPECT_EQ(run.count, 1);
  ASSERT_FALSE(u.Passwords.empty());
  EXPECT_EQ(u.Passwords.front(), "password");  // an answered password goes to the top
}

TEST(TestData, TestAndListWriteNothing) {
  test::TempDir dir;
  TUnZip u;
  u.SetArchiveFile(platform::pathText(zipFile("SHRUNK.ZIP")));
  u.SetExtractDir(platform::pathText(dir.path()));
  u.FileSpec = {"*.*"};
  EXPECT_EQ(u.Test(), 2);
  EXPECT_EQ(u.ListEntries().size(), 2u);
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
}  // namespace riviza::zip
