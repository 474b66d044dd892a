// TUnZip against archives made at test time by Info-ZIP zip (stored, -9, traditional password,
// streamed from a pipe, forced zip64, split sets, comments short and long, self-extractor stubs
// with and without adjusted offsets), by 7zz (Deflate64, ZipCrypto, AES-128/192/256) and by
// Python's zipfile (zip64 with 70,000 entries and UTF-8 names). Each archive of zip and 7zz is
// also extracted by unzip or 7zz, and the two trees must agree byte for byte; Python's entries
// are judged by the names and contents its script gave them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "platform/paths.h"
#include "support/temp_dir.h"
#include "support/tools.h"
#include "support/trees.h"
#include "support/zip_extract.h"
#include "zip/kvoDiskManager.h"
#include "zip/kvoUnZip.h"
#include "zip/kvoVolumes.h"

namespace riviza::interop {
namespace {

namespace fs = std::filesystem;
using test::CompareTrees;
using test::CountFiles;

const std::vector<std::string> kTree{"Kosttr", "Update", "README", "Leer"};
constexpr const char* kPassword = "Geheim-42";

std::vector<std::string> concat(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

void writeFile(const fs::path& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; }

std::string readFile(const fs::path& p) { return test::readNative(p); }

// The folder every case zips: made once for the suite.
class ReaderInterop : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    work_ = new test::TempDir;
    test::MakeTree(source(), 17);
  }
  static void TearDownTestSuite() {
    delete work_;
    work_ = nullptr;
  }
  static fs::path source() { return work_->path() / "src"; }

  // Runs a tool in the source folder; the test fails when it does not succeed.
  static void tool(const std::vector<std::string>& argv, const fs::path& in = {}, bool warningsOk = false) {
    test::toolOutput(argv, {.dir = source(), .stdinFile = in}, warningsOk);
  }

  fs::path caseDir(const std::string& name) {
    fs::path d = work_->path() / name;
    fs::create_directories(d);
    return d;
  }

  // Extracts with TUnZip the way the update does (all entries, defaults) plus folders and the
  // password, and compares with the reference tree.
  void compare(const fs::path& archive, const fs::path& reference, const fs::path& ours, size_t files) {
    zip::TUnZip u;
    u.CreateStoredDirs = true;
    u.Passwords = {kPassword};
    u.OnNextVolume = [](std::string&, const std::string&, bool exists, bool& cancel) { cancel = !exists; };
    const test::ExtractRun run = test::ExtractAll(u, archive, ours);
    for (const auto& f : run.failures) ADD_FAILURE() << f.fileName << ": " << f.reason;
    EXPECT_EQ(run.count, static_cast<int>(files)) << archive;
    EXPECT_EQ(CompareTrees(reference, ours), "") << archive;
  }

  void unzipReference(const fs::path& archive, const fs::path& ref, bool warningsOk = false) {
    tool({"unzip", "-q", "-o", "-P", kPassword, archive.string(), "-d", ref.string()}, {}, warningsOk);
  }
  void sevenZipReference(const fs::path& archive, const fs::path& ref) {
    tool({"7zz", "x", "-y", "-bd", std::string("-p") + kPassword, "-o" + ref.string(), archive.string()});
  }

  static test::TempDir* work_;
};

test::TempDir* ReaderInterop::work_ = nullptr;

struct InfoZipCase {
  const char* name;
  std::vector<std::string> options;
};

TEST_F(ReaderInterop, InfoZipArchives) {
  const InfoZipCase cases[] = {
      {"stored", {"-0"}},
      {"best", {"-9"}},
      {"password", {"-P", kPassword}},
      {"zip64", {"-fz"}},
  };
  for (const InfoZipCase& c : cases) {
    const fs::path d = caseDir(c.name), archive = d / "a.zip";
    tool(concat(concat({"zip", "-q", "-r"}, c.options), concat({archive.string()}, kTree)));
    unzipReference(archive, d / "ref");
    compare(archive, d / "ref", d / "ours", CountFiles(d / "ref"));
  }
}

TEST_F(ReaderInterop, InfoZipStreamedFromAPipe) {
  const fs::path d = caseDir("pipe"), archive = d / "piped.zip";
  tool({"zip", "-q", archive.string(), "-"}, source() / "Kosttr" / "AO05Q425.ke0");
  unzipReference(archive, d / "ref");
  compare(archive, d / "ref", d / "ours", 1);
  EXPECT_EQ(readFile(d / "ours" / "-"), readFile(source() / "Kosttr" / "AO05Q425.ke0"));
}

TEST_F(ReaderInterop, InfoZipSplitSet) {
  const fs::path d = caseDir("split"), archive = d / "split.zip";
  tool(concat({"zip", "-q", "-r", "-s", "64k", archive.string()}, kTree));
  ASSERT_TRUE(fs::exists(d / "split.z03"));
  sevenZipReference(archive, d / "ref");  // unzip reads no split sets
  compare(archive, d / "ref", d / "ours", CountFiles(d / "ref"));
}

// The same split set as the volumes of a spanned set on a removable disk: one file name, the
// disk in the drive labelled "PKBACK# nnn", and the disk events putting in the volume asked for.
TEST_F(ReaderInterop, SpannedDisksOnARemovableDrive) {
  const fs::path d = caseDir("spanned"), disk = caseDir("spanned/drive");
  tool(concat({"zip", "-q", "-r", "-s", "64k", (d / "set.zip").string()}, kTree));
  std::vector<fs::path> volumes;
  for (int n = 1; fs::exists(d / ("set.z0" + std::to_string(n))); ++n)
    volumes.push_back(d / ("set.z0" + std::to_string(n)));
  volumes.push_back(d / "set.zip");
  zip::TFakeVolumes fake;
  zip::ScopedVolumes scope(fake);
  zip::TFakeVolumes::Drive& drive = fake.drive(platform::pathText(disk) + "\\");
  drive.info.driveType = zip::dtRemovable;
  auto insert = [&](size_t number) {
    fs::copy_file(volumes[number - 1], disk / "set.zip", fs::copy_options::overwrite_existing);
    drive.info.label = zip::SpannedDiskLabel(static_cast<int>(number));
  };
  insert(volumes.size());
  zip::TUnZip u;
  std::vector<std::string> requests;
  auto request = [&](const char* kind) {
    return [&, kind](const std::string& number, bool&) {
      requests.push_back(kind + number);
      insert(std::stoul(number));
    };
  };
  u.OnGetZipFirstDisk = request("first ");
  u.OnGetZipNextDisk = request("next ");
  u.OnGetZipLastDisk = request("last ");
  u.CreateStoredDirs = true;
  u.SetArchiveFile(platform::pathText(disk / "set.zip"));
  EXPECT_EQ(u.ArcType(), zip::atZipDS);
  tool({"7zz", "x", "-y", "-bd", "-o" + (d / "ref").string(), (d / "set.zip").string()});
  const test::ExtractRun run = test::ExtractAll(u, disk / "set.zip", d / "ours");
  EXPECT_EQ(run.count, static_cast<int>(CountFiles(d / "ref")));
  for (const auto& f : run.failures) ADD_FAILURE() << f.fileName << ": " << f.reason;
  EXPECT_EQ(CompareTrees(d / "ref", d / "ours"), "");
  ASSERT_FALSE(requests.empty());
  EXPECT_EQ(requests.front(), "first 1");
}

TEST_F(ReaderInterop, InfoZipComments) {
  for (size_t length : {1000u, 40000u}) {  // 40,000: the end record lies beyond the search window
    const fs::path d = caseDir("comment" + std::to_string(length)), archive = d / "a.zip";
    std::string comment;
    while (comment.size() < length) comment += "Kommentar zur Sicherung\n";
    writeFile(d / "comment.txt", comment.substr(0, length));
    tool(concat({"zip", "-q", "-r", archive.string()}, kTree));
    tool({"zip", "-q", "-z", archive.string()}, d / "comment.txt");
    unzipReference(archive, d / "ref");
    compare(archive, d / "ref", d / "ours", CountFiles(d / "ref"));
  }
}

TEST_F(ReaderInterop, SelfExtractorStubs) {
  const fs::path d = caseDir("sfx"), plain = d / "a.zip";
  tool(concat({"zip", "-q", "-r", plain.string()}, kTree));
  const fs::path unzipsfx = test::findTool("unzipsfx");
  ASSERT_FALSE(unzipsfx.empty()) << "tool missing: unzipsfx";
  const std::string stub = readFile(unzipsfx);
  writeFile(d / "raw.exe", stub + readFile(plain));
  writeFile(d / "adjusted.exe", stub + readFile(plain));
  tool({"zip", "-q", "-A", (d / "adjusted.exe").string()});
  for (const char* exe : {"raw.exe", "adjusted.exe"}) {
    unzipReference(d / exe, d / (std::string("ref-") + exe), true);
    compare(d / exe, d / (std::string("ref-") + exe), d / (std::string("ours-") + exe),
            CountFiles(d / (std::string("ref-") + exe)));
  }
}

TEST_F(ReaderInterop, SevenZipMethodsAndCiphers) {
  const InfoZipCase cases[] = {
      {"deflate64", {"-mm=Deflate64"}},
      {"zipcrypto", {"-mem=ZipCrypto", std::string("-p") + kPassword}},
      {"aes128", {"-mem=AES128", std::string("-p") + kPassword}},
      {"aes192", {"-mem=AES192", std::string("-p") + kPassword}},
      {"aes256", {"-mem=AES256", std::string("-p") + kPassword}},
  };
  for (const InfoZipCase& c : cases) {
    const fs::path d = caseDir(std::string("7z-") + c.name), archive = d / "a.zip";
    tool(concat(concat({"7zz", "a", "-tzip", "-bd"}, c.options), concat({archive.string()}, kTree)));
    sevenZipReference(archive, d / "ref");
    compare(archive, d / "ref", d / "ours", CountFiles(d / "ref"));
  }
}

// Python writes 70,000 entries whose names and contents its script fixes (entry i holds the
// number i × 31), so the script itself is the judge: our listing names every entry as Python
// wrote it, our test finds every entry's data intact, and the entries with names beyond code
// page 850 extract to their names. Writing 70,000 files would add nothing but half a minute of
// file creation.
TEST_F(ReaderInterop, PythonZip64WithManyEntriesAndUtf8Names) {
  const fs::path d = caseDir("python"), archive = d / "many.zip";
  const char* script = R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_STORED, allowZip64=True) as z:
    for i in range(70000):
        z.writestr('d%03d/f%05d.txt' % (i // 100, i), str(i * 31))
    z.writestr('Größe/Übersicht für Ärzte.txt', 'Umlaute im Namen', zipfile.ZIP_DEFLATED)
    z.writestr('€uro/日本.txt', 'not in code page 850', zipfile.ZIP_DEFLATED)
)";
  tool({"/usr/bin/python3", "-c", script, archive.string()});
  zip::TUnZip u;
  u.SetArchiveFile(platform::pathText(archive));
  u.FileSpec = {"*.*"};
  const auto listing = u.ListEntries();
  ASSERT_EQ(listing.size(), 70002u);
  char name[32];
  for (int i = 0; i < 70000; ++i) {
    std::snprintf(name, sizeof name, "d%03d\\f%05d.txt", i / 100, i);
    ASSERT_EQ(listing[i].name, name);
    ASSERT_EQ(listing[i].uncompressed, std::to_string(i * 31).size()) << name;
  }
  EXPECT_EQ(u.Test(), 70002);
  EXPECT_TRUE(u.Failures().empty());
  u.FileSpec = {"Größe\\Übersicht für Ärzte.txt", "€uro\\日本.txt"};
  u.SetExtractDir(platform::pathText(d / "ours"));
  EXPECT_EQ(u.Extract(), 2);
  EXPECT_EQ(readFile(d / "ours" / "Größe" / "Übersicht für Ärzte.txt"), "Umlaute im Namen");
  EXPECT_EQ(readFile(d / "ours" / "€uro" / "日本.txt"), "not in code page 850");
}

}  // namespace
}  // namespace riviza::interop
