// libzip's regression archives (tests/data/zip/libzip) through TUnZip as the update extracts them
// (every entry, folders created, the row's password), judged by the outside readers: Info-ZIP
// unzip, 7zz and Python's zipfile extract each archive too. One row per archive:
//  - a sound archive names its judges, the references whose trees ours must equal name for name,
//    folder for folder and byte for byte (a reference left out says why in a comment);
//  - a broken one (libzip's incons-*, broken*, *-bad*, or one the references refuse) names the
//    codes of our failures in order and the words of the first reason, which must name the real
//    fault; the references must refuse it too unless libzip made it broken on purpose;
//  - an entry packed with a method the program does not read (bzip2, LZMA, XZ, Zstandard) is
//    refused with 25326 and leaves no file.
// Where libzip calls an archive inconsistent only in what no reader takes from it (a comment
// length, a date of the central header, a gap between entries) and the references agree on what
// it holds, ours extracts the same.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "support/tools.h"
#include "support/trees.h"
#include "support/zip_extract.h"
#include "zip/kvoErrors.h"

namespace riviza::interop {
namespace {

namespace fs = std::filesystem;
using namespace zip;

struct Row {
  const char* file;
  const char* judges;  // sound: "u" unzip, "s" 7zz, "p" Python; nullptr: refused
  std::vector<int> codes;
  const char* reason;
  const char* password;
};

Row same(const char* file, const char* judges = "usp", const char* password = "") {
  return {file, judges, {}, "", password};
}
Row refused(const char* file, std::vector<int> codes, const char* reason, const char* password = "") {
  return {file, nullptr, std::move(codes), reason, password};
}

const std::vector<int> kMethod{kZipUnsupportedMethod};

const std::vector<Row>& rows() {
  static const std::vector<Row> table{
      same("aaaaaaaa-stored.zip"),
      same("bigzero-zip.zip"),
      refused("bogus.zip", {}, "not a zip archive"),
      refused("broken.zip", {kZipCrcFailed, kZipCrcFailed, kZipBadData}, "CRC does not match", "crypt"),
      same("changing-size-muchl.zip"),
      same("changing-size-muchlo.zip"),
      same("changing-size-muchlonger.zip"),
      same("changing-size.zip"),
      same("cm-default.zip"),
      same("empty-pkware.zip", "up", "1"),
      // Neither unzip nor Python's zipfile deciphers AES entries.
      same("encrypt-aes128.zip", "s", "foofoofoo"),
      same("encrypt-aes192.zip", "s", "foofoofoo"),
      same("encrypt-aes256.zip", "s", "foofoofoo"),
      same("encrypt-aes128-noentropy.zip", "s", "no-entropy"),
      same("encrypt-aes192-noentropy.zip", "s", "no-entropy"),
      same("encrypt-aes256-noentropy.zip", "s", "no-entropy"),
      same("encrypt-1234.zip", "usp", "1234"),
      same("encrypt-none.zip"),
      same("encrypt-pkware-noentropy.zip", "usp", "no-entropy"),
      same("encrypt-pkware-noentropy-2.zip", "usp", "no-entropy"),
      same("encrypt.zip", "usp", "foo"),
      same("encrypt_plus_extra.zip", "usp", "foo"),
      // The central header lost the flag of the data descriptor, so the password's check byte
      // is the wrong one: every reader takes the password for wrong.
      refused("encrypt_plus_extra_modified_c.zip", {kZipInvalidPassword}, "no valid password", "foo"),
      refused("encrypt_plus_extra_modified_l.zip", {kZipInvalidPassword}, "no valid password", "foo"),
      same("extra_field_align_1-0.zip"),
      same("extra_field_align_1-ef_00.zip"),
      same("extra_field_align_1-ef_ff.zip"),
      same("extra_field_align_1-ff.zip"),
      same("extra_field_align_2-0.zip"),
      same("extra_field_align_2-ef_00.zip"),
      same("extra_field_align_2-ef_ff.zip"),
      same("extra_field_align_2-ff.zip"),
      same("extra_field_align_3-0.zip"),
      same("extra_field_align_3-ef_00.zip"),
      same("extra_field_align_3-ef_ff.zip"),
      same("extra_field_align_3-ff.zip"),
      same("extra_field_align_4-ff.zip"),
      same("filename_duplicate.zip"),
      refused("filename_duplicate_empty.zip", {kZipNameEmpty, kZipNameEmpty}, "has no name"),
      refused("filename_empty.zip", {kZipNameEmpty}, "has no name"),
      same("fileorder.zip"),
      same("firstsecond-split-deflated.zip"),
      same("firstsecond-split-stored.zip"),
      same("firstsecond.zip"),
      same("foo-stored.zip"),
      refused("gap-add.zip", {kZipCrcFailed}, "CRC does not match"),
      refused("gap-delete.zip", {kZipCrcFailed}, "CRC does not match"),
      refused("gap-replace.zip", {kZipCrcFailed}, "CRC does not match"),
      refused("gap.zip", {kZipCrcFailed}, "CRC does not match"),
      refused("hmac-error.zip", {kZipCrcFailed}, "authentication code does not match", "1234"),
      // 7zz reads the comment length as it stands and finds it running past the end.
      same("incons-archive-comment-longer.zip", "up"),
      same("incons-archive-comment-shorter.zip"),
      refused("incons-cdoffset.zip", {kZipBadData},
              "the end record places the central directory at offset 2097212"),
      refused("incons-cdsize-large.zip", {kZipBadData}, "its size is wrong"),
      refused("incons-cdsize-small.zip", {kZipBadData}, "its size is wrong"),
      refused("incons-central-compression-method.zip", {kZipLocalMismatch},
              "the local header gives method 0"),
      refused("incons-central-compsize-larger-toolarge.zip", {kZipOverlap}, "run into the central directory"),
      refused("incons-central-compsize-larger.zip", {kZipOverlap}, "run into the central directory"),
      refused("incons-central-compsize-smaller.zip", {kZipLocalMismatch}, "the compressed size 5"),
      refused("incons-central-crc.zip", {kZipLocalMismatch}, "another CRC-32"),
      same("incons-central-date.zip"),
      refused("incons-central-file-comment-longer.zip", {kZipBadData},
              "the central directory ends at offset"),
      refused("incons-central-file-comment-shorter.zip", {kZipBadData},
              "the central directory ends at offset"),
      same("incons-central-file-comment-utf8-ascii.zip"),
      refused("incons-central-magic-bad.zip", {kZipBadData, kZipBadData}, "no central directory where"),
      refused("incons-central-magic-bad2.zip", {kZipBadData, kZipNameEmpty}, "no central directory where"),
      refused("incons-central-size-larger.zip", {kZipLocalMismatch}, "the uncompressed size 1"),
      refused("incons-data.zip", {kZipCrcFailed}, "CRC does not match"),
      // Python's zipfile finds an extra field of the central header running past its area; the
      // field is no one's that the entry needs.
      same("incons-ef-central-size-wrong.zip", "us"),
      same("incons-ef-local-dupe-utf8comment.zip"),
      same("incons-ef-local-dupe-utf8name.zip"),
      refused("incons-ef-local-dupe-zip64-v1.zip", {kZipLocalMismatch}, "the compressed size 3"),
      same("incons-ef-local-dupe-zip64-v2.zip"),
      same("incons-ef-local-id-size.zip"),
      same("incons-ef-local-id.zip"),
      refused("incons-ef-local-size.zip", {kZipCrcFailed}, "CRC does not match"),
      same("incons-ef-local-utf8name-ascii.zip"),
      refused("incons-eocd-magic-bad.zip", {kZipBadData}, "truncated or damaged"),
      // 7zz refuses the gap between the zip64 end record and its locator.
      same("incons-eocd64-gap.zip", "up"),
      refused("incons-eocd64.zip", {kZipBadData}, "the end record and the zip64 end record give"),
      refused("incons-file-count-high.zip", {kZipBadData}, "central directory damaged: 1 of 32 entries"),
      refused("incons-file-count-low.zip", {kZipBadData}, "holds 3 entries, its end record counts 2"),
      refused("incons-file-count-overflow.zip", {kZipBadData}, "central directory damaged: 1 of"),
      refused("incons-filename-nul-byte.zip", {kZipNameControl}, "control character 0x00"),
      same("incons-gap-before-cd.zip"),
      refused("incons-gap-before-eocd.zip", {kZipBadData}, "does not reach its end record"),
      same("incons-gap-before-local.zip"),
      refused("incons-local-compression-method.zip", {kZipLocalMismatch}, "the local header gives method 8"),
      refused("incons-local-compsize-larger.zip", {kZipLocalMismatch}, "the compressed size 32"),
      refused("incons-local-compsize-smaller.zip", {kZipLocalMismatch}, "the compressed size 3"),
      refused("incons-local-crc.zip", {kZipLocalMismatch}, "another CRC-32"),
      refused("incons-local-filename-long.zip", {kZipOverlap}, "run into the central directory"),
      refused("incons-local-filename-missing.zip", {kZipLocalMismatch},
              "the local header names the entry \"\""),
      refused("incons-local-magic-bad.zip", {kZipBadLocalOffset},
              "local header not where the directory says"),
      refused("incons-local-size-larger.zip", {kZipLocalMismatch}, "the uncompressed size 32"),
      refused("incons-stored-size.zip", {kZipBadData}, "the data go on past the entry's size"),
      same("incons-streamed-2.zip"),
      same("incons-streamed.zip"),
      // 7zz takes the bytes behind the end record for a damaged comment.
      same("incons-trailing-garbage.zip", "up"),
      refused("incons-zip64-checkcons-overflow.zip", {kZipOverlap}, "run into the central directory"),
      same("junk-at-end.zip"),
      // 7zz refuses the bytes in front; unzip warns of them and extracts.
      same("junk-at-start.zip", "up"),
      refused("lzma-no-eos.zip", kMethod, "method 14"),
      same("mtime-default.zip"),
      same("mtime-dstpoint-deflated.zip"),
      same("mtime-dstpoint.zip"),
      same("mtime-post-dstpoint-deflated.zip"),
      same("mtime-post-dstpoint.zip"),
      same("mtime-pre-dstpoint-deflated.zip"),
      same("mtime-pre-dstpoint.zip"),
      same("multidisk.zip"),
      same("rename_ok.zip"),
      same("stored-no-eos.zip"),
      same("streamed-zip64.zip"),
      same("streamed.zip"),
      // Names of code page 437 whose bytes are control characters (0x01 to 0x1F) or a colon in
      // other code pages; unzip refuses them too.
      refused("test-cp437-comment-utf-8.zip",
              {kZipNameControl, kZipNameControl, kZipNameColon, kZipNameControl}, "control character"),
      // Python's zipfile knows no Info-ZIP Unicode path field.
      same("test-cp437-fc-utf-8-filename.zip", "us"),
      same("test-cp437-fc.zip"),
      // Python's zipfile reads unmarked names in code page 437, whatever they are.
      same("test-utf8-unmarked.zip", "us"),
      same("test-utf8.zip"),
      same("test.zip"),
      same("test2.zip"),
      same("test_open_multiple.zip"),
      same("testbuffer.zip"),
      same("testbuffer_reopen.zip"),
      refused("testbzip2.zip", kMethod, "method 12"),
      refused("testbzip2broken.zip", kMethod, "method 12"),
      same("testchanged.zip"),
      same("testchangedlocal.zip"),
      same("testcomment.zip"),
      same("testcomment13.zip"),
      same("testcommentremoved.zip"),
      same("testdeflated.zip"),
      same("testdeflated2.zip"),
      same("testdir.zip"),
      same("testempty.zip"),
      same("testextrabytes.zip"),
      same("testfile-UTF8.zip"),
      // Only Python turns names of code page 437 into characters; unzip and 7zz keep the bytes.
      same("testfile-cp437.zip", "p"),
      same("testfile-long-comment.zip"),
      refused("testfile-lzma.zip", kMethod, "method 14"),
      same("testfile-plus-extra.zip"),
      same("testfile-stored-dos.zip"),
      same("testfile-torrentzip-modified.zip"),
      same("testfile-torrentzip.zip"),
      refused("testfile-truncated.zip", {kZipBadData}, "truncated or damaged"),
      refused("testfile-xz.zip", kMethod, "method 95"),
      refused("testfile-zstd.zip", kMethod, "method 93"),
      same("testfile.zip"),
      same("testfile0.zip"),
      same("testfile2014.zip"),
      same("teststdin.zip"),
      same("teststored.zip"),
      same("utf-8-standardization-input.zip"),
      // unzip takes the name for code page 437 although the entry is marked UTF-8.
      same("utf-8-standardization-output.zip", "sp"),
      // 7zz opens the archive that the comment holds instead.
      same("zip-in-archive-comment.zip", "up"),
      same("zip64-3mf.zip"),
      same("zip64-in-archive-comment.zip", "up"),
      same("zip64.zip"),
      same("zipcmp_zip_dir.zip"),
  };
  return table;
}

fs::path archive(const Row& r) { return test::testData(std::string("zip/libzip/") + r.file); }

bool brokenOnPurpose(const std::string& file) {
  return file.starts_with("incons-") || file.starts_with("broken") || file.find("-bad") != std::string::npos;
}

class LibzipArchives : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    work_ = new test::TempDir;
    // Python's zipfile extracts every archive in one run: "file ok" or "file failed" per line.
    const char* script = R"(
import sys, zipfile
out = sys.argv[1]
for arg in sys.argv[2:]:
    path, password = arg.split('=', 1)
    name = path.rsplit('/', 1)[1]
    try:
        zipfile.ZipFile(path).extractall(out + '/' + name, pwd=password.encode() or None)
        print(name, 'ok')
    except Exception as e:
        print(name, 'failed')
)";
    std::vector<std::string> argv{"/usr/bin/python3", "-c", script, (work_->path() / "p").string()};
    for (const Row& r : rows()) argv.push_back(archive(r).string() + "=" + r.password);
    std::istringstream lines(test::toolOutput(argv, {.env = kUtf8}));
    for (std::string name, verdict; lines >> name >> verdict;) pythonOk_[name] = verdict == "ok";
  }
  static void TearDownTestSuite() {
    delete work_;
    work_ = nullptr;
  }

  // unzip and 7zz extract into their folders; true when the tool succeeded.
  static bool unzip(const Row& r, const fs::path& into) {
    fs::create_directories(into.parent_path());  // unzip makes the last folder only
    std::vector<std::string> argv{"unzip", "-qq", "-o"};
    if (*r.password) argv.insert(argv.end(), {"-P", r.password});
    argv.insert(argv.end(), {archive(r).string(), "-d", into.string()});
    return test::runTool(argv, {.env = kUtf8}).status == 0;
  }
  static bool sevenZip(const Row& r, const fs::path& into) {
    return test::runTool({"7zz", "x", "-y", "-bd", std::string("-p") + (*r.password ? r.password : "-"),
                          "-o" + into.string(), archive(r).string()},
                         {.env = kUtf8})
               .status == 0;
  }

  static inline const std::vector<std::string> kUtf8{"LC_ALL=C.UTF-8", "PYTHONIOENCODING=utf-8"};
  static test::TempDir* work_;
  static std::map<std::string, bool> pythonOk_;
};

test::TempDir* LibzipArchives::work_ = nullptr;
std::map<std::string, bool> LibzipArchives::pythonOk_;

TEST_F(LibzipArchives, OursExtractWhatTheReferencesAgreeOnAndRefuseWhatIsBrokenWithItsReason) {
  ASSERT_EQ(pythonOk_.size(), rows().size()) << "the Python run answered for every archive";
  for (const Row& r : rows()) {
    SCOPED_TRACE(r.file);
    const fs::path base = work_->path();
    const fs::path ours = base / "o" / r.file, u = base / "u" / r.file, s = base / "s" / r.file,
                   p = base / "p" / r.file;
    TUnZip unzipper;
    unzipper.CreateStoredDirs = true;
    if (*r.password) unzipper.Passwords = {r.password};
    const test::ExtractRun run = test::ExtractAll(unzipper, archive(r), ours);
    const bool unzipOk = unzip(r, u), sevenZipOk = sevenZip(r, s);
    if (r.judges) {
      for (const auto& f : run.failures)
        ADD_FAILURE() << f.fileName << ": " << f.reason << " [" << f.code << "]";
      const std::map<char, fs::path> trees{{'u', u}, {'s', s}, {'p', p}};
      for (const char* j = r.judges; *j; ++j) {
        SCOPED_TRACE(std::string("judge ") + *j);
        EXPECT_EQ(test::CompareTrees(trees.at(*j), ours), "");
      }
      continue;
    }
    if (r.codes.empty()) {  // no zip archive at all: nothing to walk, the run says so
      EXPECT_EQ(run.errors, std::vector<int>{kZipUnsupportedArchive});
      EXPECT_FALSE(fs::exists(ours));
      continue;
    }
    std::vector<int> codes;
    for (const auto& f : run.failures) codes.push_back(f.code);
    EXPECT_EQ(codes, r.codes);
    ASSERT_FALSE(run.failures.empty());
    EXPECT_NE(run.failures[0].reason.find(r.reason), std::string::npos) << run.failures[0].reason;
    if (r.codes != kMethod) {
      EXPECT_TRUE(brokenOnPurpose(r.file) || !unzipOk || !sevenZipOk || !pythonOk_.at(r.file))
          << "every reference extracts it";
    } else {
      EXPECT_EQ(run.count, 0);
      EXPECT_EQ(fs::exists(ours) ? test::CountFiles(ours) : 0u, 0u);
    }
  }
}

}  // namespace
}  // namespace riviza::interop
