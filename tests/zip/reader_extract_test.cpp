// TUnZip's extraction: the update's call profile, hostile names and headers and the archives of
// other tools, the overwrite rules, passwords, CRC and AES checks, failed entries that leave the
// old file in place, unsupported methods, bad local offsets, corrupt shrunk data shown in a box,
// attributes and dates, a full disk, the extraction's output limit in every method and in
// proportion to the archive, and the order of the events of one entry.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <map>
#include <string>

#include "platform/files.h"
#include "platform/paths.h"
#include "support/temp_dir.h"
#include "support/trees.h"
#include "support/zip_archive.h"
#include "support/zip_extract.h"
#include "zip/core_test_support.h"
#include "zip/decoders_encoders.h"
#include "zip/kvoCrc.h"
#include "zip/kvoErrors.h"
#include "zip/kvoGbls.h"

namespace riviza::zip {
namespace {

using test::BuildZip;
using Entry = test::ZipEntrySpec;
using test::ExtractAll;

class ExtractTest : public ::testing::Test {
 protected:
  std::string archive(const std::vector<Entry>& entries, const test::ZipLayout& layout = {}) {
    dir.write("a.zip", BuildZip(entries, layout));
    return platform::pathText(dir / "a.zip");
  }
  std::string target() const { return platform::pathText(dir / "out"); }
  bool exists(const std::string& rel) const { return dir.exists("out/" + rel); }
  std::string read(const std::string& rel) const { return dir.read("out/" + rel); }

  test::TempDir dir;
  TUnZip unzip;
};

TEST_F(ExtractTest, UpdateProfileExtractsEveryFileOfEveryFolder) {
  const std::string a = archive({{"Kosttr/", "", 0, 0, 0x10},
                                 {"Kosttr/AO05Q425.ke0", std::string(5000, 'k')},
                                 {"Kosttr/EK06Q425.ke0", "ek"},
                                 {"Update/Setup.exe", "MZ...", 0},
                                 {"README", "no period"}});
  auto run = ExtractAll(unzip, a, target());
  EXPECT_EQ(run.count, 4);  // directory entries are not counted
  EXPECT_TRUE(run.errors.empty());
  EXPECT_EQ(read("Kosttr/AO05Q425.ke0"), std::string(5000, 'k'));
  EXPECT_EQ(read("Update/Setup.exe"), "MZ...");
  EXPECT_EQ(read("README"), "no period");
  // Existing files are overwritten without asking on the next run.
  EXPECT_EQ(ExtractAll(unzip, a, target()).count, 4);
}

TEST_F(ExtractTest, StoredFoldersAndDrivesLandBelowTheTarget) {
  const std::string a = archive({{"C:\\data\\a.txt", "a"}, {"\\x\\b.txt", "b"}, {"\\\\srv\\c.txt", "c"}});
  EXPECT_EQ(ExtractAll(unzip, a, target()).count, 3);
  EXPECT_EQ(read("data/a.txt"), "a");
  EXPECT_EQ(read("x/b.txt"), "b");
  EXPECT_EQ(read("srv/c.txt"), "c");
}

// Hostile archives and those of other tools, as the update extracts them (folders created): each
// row an archive, the files and folders it leaves (beside the link every row finds in the target
// folder, which leads elsewhere) and the codes of its refused entries in order. Nothing ever lands
// outside the target, and every refusal names its own reason.
TEST_F(ExtractTest, HostileAndForeignArchivesLeaveWhatTheDirectorySaysOrAreRefused) {
  const uint16_t unix = 3 << 8 | 30;
  const uint32_t regularFile = 0100644u << 16, folder = 040755u << 16;
  Entry localOnlyUnicode{"plain.txt", "plain"};
  localOnlyUnicode.localExtra = std::string("\x75\x70\x10\x00\x01", 5);  // 0x7075, 16 bytes, version 1
  const uint32_t plainCrc = Crc32Of("plain.txt");
  localOnlyUnicode.localExtra += std::string(reinterpret_cast<const char*>(&plainCrc), 4) + "renamed.txt";
  Entry sharing1{"f1.bin", std::string(5000, 'z')}, sharing2{"f2.bin", std::string(5000, 'z')};
  sharing1.dataOf = sharing2.dataOf = 0;
  Entry unixFile{"file15", "fifteen bytes!\n", 0, 0, regularFile | kAttrDirectory};
  Entry unixFolder{"folder", "", 0, 0, folder};
  unixFile.madeBy = unixFolder.madeBy = unix;
  struct Case {
    const char* what;
    std::vector<Entry> entries;
    std::map<std::string, std::string> tree;  // path -> content; a folder ends in "/" and maps to ""
    std::vector<int> refused;
  };
  const Case cases[] = {
      {"parent folder",
       {{"../escape1.txt", "x"}, {"ok.txt", "fine"}},
       {{"ok.txt", "fine"}},
       {kZipNameOutside}},
      {"parent folder, backslash", {{"..\\escape2.txt", "x"}}, {}, {kZipNameOutside}},
      {"parent folders inside", {{"a/../../escape3.txt", "x"}}, {}, {kZipNameOutside}},
      {"parent folders inside, backslash", {{"a\\..\\..\\escape4.txt", "x"}}, {}, {kZipNameOutside}},
      {"through a link", {{"link/escape6.txt", "x"}}, {}, {kZipNameOutside}},
      {"line break", {{"bad\nname.txt", "x"}}, {}, {kZipNameControl}},
      {"tab", {{"tab\tname.txt", "x"}}, {}, {kZipNameControl}},
      {"NUL", {{std::string("nul\0name.txt", 12), "x"}}, {}, {kZipNameControl}},
      {"colon that is no drive's", {{"a:b.txt", "x"}}, {}, {kZipNameColon}},
      {"drive without root", {{"C:..\\escape5.txt", "x"}}, {}, {kZipNameColon}},
      {"no name", {{"", "x"}, {"ok.txt", "fine"}}, {{"ok.txt", "fine"}}, {kZipNameEmpty}},
      {"drive and root go",
       {{"/abs/p.txt", "abs"}, {"C:\\x\\y.txt", "drive"}, {"C:/z.txt", "z"}},
       {{"abs/", ""}, {"abs/p.txt", "abs"}, {"x/", ""}, {"x/y.txt", "drive"}, {"z.txt", "z"}},
       {}},
      {"local name differs",
       {{"central.txt", "x", 8, 0, 0x20, 0x5A8B6000, std::nullopt, std::string("local.txt")}},
       {},
       {kZipLocalMismatch}},
      {"harmless central name, hostile local one",
       {{"safe2.txt", "x", 8, 0, 0x20, 0x5A8B6000, std::nullopt, std::string("../escape8.txt")}},
       {},
       {kZipLocalMismatch}},
      {"hostile central name, harmless local one",
       {{"plain/../../escape7.txt", "x", 8, 0, 0x20, 0x5A8B6000, std::nullopt, std::string("safe.txt")}},
       {},
       {kZipLocalMismatch}},
      {"Unicode path of the local header alone", {localOnlyUnicode}, {{"plain.txt", "plain"}}, {}},
      {"entries sharing one entry's data",
       {{"f0.bin", std::string(5000, 'z')}, sharing1, sharing2},
       {{"f0.bin", std::string(5000, 'z')}},
       {kZipOverlap, kZipOverlap}},
      {"Unix modes decide file or folder",
       {unixFile, unixFolder},
       {{"file15", "fifteen bytes!\n"}, {"folder/", ""}},
       {}},
      {"names that differ only in case",
       {{"ABC.txt", "upper"}, {"abc.txt", "lower"}, {"Dir/x.txt", "Dir x"}, {"dir/x.txt", "dir x"}},
       {{"ABC.txt", "upper"},
        {"abc.txt", "lower"},
        {"Dir/", ""},
        {"Dir/x.txt", "Dir x"},
        {"dir/", ""},
        {"dir/x.txt", "dir x"}},
       {}},
  };
  unzip.CreateStoredDirs = true;
  std::filesystem::create_directories(dir / "elsewhere");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(dir / "out");
    std::filesystem::create_directories(dir / "out");
    std::filesystem::create_directory_symlink(dir / "elsewhere", dir / "out" / "link");
    const auto run = ExtractAll(unzip, archive(c.entries), target());
    std::map<std::string, std::string> want{{"link/", ""}};
    size_t files = 0;
    for (const auto& [path, content] : c.tree) {
      want[path] = path.ends_with('/') ? "" : test::Fingerprint(content);
      files += !path.ends_with('/');
    }
    EXPECT_EQ(test::TreeContents(dir / "out"), want);
    EXPECT_EQ(run.count, static_cast<int>(files));
    std::vector<int> codes;
    for (const auto& f : run.failures) codes.push_back(f.code);
    EXPECT_EQ(codes, c.refused);
    EXPECT_TRUE(std::filesystem::is_empty(dir / "elsewhere"));
  }
  for (auto& p : std::filesystem::recursive_directory_iterator(dir.path()))
    EXPECT_FALSE(p.path().filename().string().starts_with("escape")) << p.path();
}

TEST_F(ExtractTest, OverwriteRules) {
  const std::string a = archive({{"old.txt", "new content"}, {"fresh.txt", "fresh"}});
  dir.write("out/old.txt", "old content");
  unzip.OverwriteMode = omSkip;
  EXPECT_EQ(ExtractAll(unzip, a, target()).count, 0);  // skip refuses every file
  EXPECT_FALSE(exists("fresh.txt"));
  unzip.ConfirmOverwrites = true;  // without OnFileExists an existing file is kept
  auto run = ExtractAll(unzip, a, target());
  EXPECT_EQ(run.count, 1);
  EXPECT_EQ(read("old.txt"), "old content");
  EXPECT_EQ(run.errors, std::vector<int>{kZipEventNotAssigned});
  unzip.OnFileExists = [](const std::string& name, std::string& newName, TOverwriteMode& mode) {
    newName = name + ".2";
    mode = omOverwrite;
  };
  EXPECT_EQ(ExtractAll(unzip, a, target()).count, 2);
  EXPECT_EQ(read("old.txt.2"), "new content");
}

TEST_F(ExtractTest, FailedEntryLeavesTheOldFileAndIsNotCounted) {
  const std::string a = archive({{"keep.txt", "replacement", 8, 0, 0x20, 0x5A8B6000, 0x12345678u},
                                 {"good.txt", "good"},
                                 {"method14.bin", "data", 14}});
  dir.write("out/keep.txt", "precious");
  std::vector<std::pair<std::string, bool>> ends;
  unzip.OnEnd = [&](const std::string& name, bool pass) {
    ends.push_back({platform::extractFileName(name), pass});
  };
  auto run = ExtractAll(unzip, a, target());
  EXPECT_EQ(run.count, 1);
  EXPECT_EQ(read("keep.txt"), "precious");
  EXPECT_FALSE(exists("method14.bin"));
  EXPECT_EQ(ends, (std::vector<std::pair<std::string, bool>>{
                      {"keep.txt", false}, {"good.txt", true}, {"method14.bin", false}}));
  ASSERT_EQ(unzip.FailedCount(), 2);
  EXPECT_EQ(unzip.Failures()[0].code, kZipCrcFailed);
  EXPECT_EQ(unzip.Failures()[1].code, kZipUnsupportedMethod);
  EXPECT_THAT(run.errors, ::testing::Contains(kZipUnsupportedMethod));
  for (auto& p : std::filesystem::directory_iterator(dir / "out"))  // no temporary file left
    EXPECT_FALSE(p.path().filename().string().starts_with("kvo")) << p.path();
}

TEST_F(ExtractTest, ComplementedCrcPassesAndCrcFailureIsReported) {
  const std::string a = archive({{"c.txt", "data", 8, 0, 0x20, 0x5A8B6000, ~Crc32Of("data")},
                                 {"w.txt", "data", 0, 0, 0x20, 0x5A8B6000, 1u}});
  auto run = ExtractAll(unzip, a, target());
  EXPECT_EQ(run.count, 1);
  EXPECT_EQ(run.errors, std::vector<int>{kZipCrcFailed});
}

TEST_F(ExtractTest, EncryptedEntryWithoutPasswordSourceStopsAsking) {
  const std::string a =
      archive({{"e1.txt", "xxxxxxxxxxxxsecret", 0, 1}, {"e2.txt", "xxxxxxxxxxxxsecret", 0, 1}});
  auto run = ExtractAll(unzip, a, target());
  EXPECT_EQ(run.count, 0);
  EXPECT_EQ(std::count(run.errors.begin(), run.errors.end(), kZipEventNotAssigned), 1);
  EXPECT_EQ(unzip.FailedCount(), 2);
  EXPECT_FALSE(exists("e1.txt"));
}

TEST_F(ExtractTest, BadLocalOffsetLeavesOnlyThatEntryOut) {
  std::string zip = BuildZip({{"a.txt", "alpha"}, {"b.txt", "beta"}, {"c.txt", "gamma"}});
  const size_t second = zip.find("PK\x01\x02", zip.find("PK\x01\x02") + 4);
  PutLE<uint32_t>(reinterpret_cast<uint8_t*>(zip.data()) + second + 42, 3);  // b.txt's offset
  dir.write("a.zip", zip);
  auto run = ExtractAll(unzip, platform::pathText(dir / "a.zip"), target());
  EXPECT_EQ(run.count, 2);
  EXPECT_EQ(run.errors, std::vector<int>{kZipBadLocalOffset});
}

TEST_F(ExtractTest, StubShiftFoundAtTheFirstEntry) {
  // The directory says the stub is not there, so the first local header is searched for.
  std::string zip = BuildZip({{"a.txt", "alpha"}, {"b.txt", "beta"}});
  const size_t end = zip.size() - TEndRecord::kSize;
  const uint32_t dirOffset = GetLE<uint32_t>(reinterpret_cast<uint8_t*>(zip.data()) + end + 16);
  zip = std::string(100, 'S') + zip;
  PutLE<uint32_t>(reinterpret_cast<uint8_t*>(zip.data()) + 100 + end + 16, dirOffset + 100);
  dir.write("a.zip", zip);
  auto run = ExtractAll(unzip, platform::pathText(dir / "a.zip"), target());
  EXPECT_EQ(run.count, 2);
  EXPECT_EQ(read("b.txt"), "beta");
}

TEST_F(ExtractTest, AttributesAndDates) {
  const std::string a =
      archive({{"ro.txt", "r", 8, 0, 0x21, 0x5A8B6000}, {"rw.txt", "w", 8, 0, 0x20, 0x00210020}});
  ASSERT_EQ(ExtractAll(unzip, a, target()).count, 2);
  EXPECT_TRUE(platform::fileInfo(platform::pathText(dir / "out" / "ro.txt"))->readOnly);
  EXPECT_FALSE(platform::fileInfo(platform::pathText(dir / "out" / "rw.txt"))->readOnly);
  EXPECT_EQ(FileTimeToDos(platform::fileInfo(platform::pathText(dir / "out" / "ro.txt"))->modified),
            0x5A8B6000u);
  unzip.DateAttribute = daMaxFileDate;
  (void)platform::setReadOnly(platform::pathText(dir / "out" / "ro.txt"), false);
  ASSERT_EQ(ExtractAll(unzip, a, target()).count, 2);
  EXPECT_EQ(FileTimeToDos(platform::fileInfo(platform::pathText(dir / "out" / "rw.txt"))->modified),
            0x5A8B6000u);
}

TEST_F(ExtractTest, DiskFullMakesTheResultZero) {
  const std::string a = archive({{"a.txt", std::string(100000, 'a')}, {"b.txt", "b"}});
  std::vector<std::string> boxes;
  unzip.OnPrompt = [&](const TPrompt& p) {
    boxes.push_back(p.text);
    return TPromptAnswer::Ok;
  };
  std::filesystem::create_directories(dir / "out");
  test::ExtractRun run;
  {
    coretest::ScopedWriteFailure full(ENOSPC);
    run = ExtractAll(unzip, a, target());
  }
  EXPECT_EQ(run.count, 0);
  EXPECT_EQ(boxes.front(), "Disk full");
  EXPECT_FALSE(exists("a.txt"));
}

// Corrupt shrunk data shows its message in a box, in the words users know, and the run goes on
// with the next entry: a first code that is no byte ("Bad block"), a chain that runs into itself
// after a partial clear ("Stack overflow").
TEST_F(ExtractTest, CorruptShrunkEntriesShowTheirMessageAndTheRunGoesOn) {
  auto codes9 = [](std::initializer_list<unsigned> codes) {
    test::BitWriter w;
    for (unsigned c : codes) w.bits(c, 9);
    return test::asString(w.finish());
  };
  std::vector<Entry> entries{
      {"block.txt", "ab", 1}, {"chain.txt", "aaab" + std::string(96, 'b'), 1}, {"good.txt", "good"}};
  entries[0].packed = codes9({300, 97});
  entries[1].packed = codes9({97, 257, 256, 2, 98, 257});
  std::vector<std::string> boxes;
  unzip.OnPrompt = [&](const TPrompt& p) {
    boxes.push_back(p.text);
    return TPromptAnswer::Ok;
  };
  const auto run = ExtractAll(unzip, archive(entries), target());
  EXPECT_EQ(boxes, (std::vector<std::string>{"Bad block", "Stack overflow"}));
  EXPECT_EQ(run.count, 1);
  EXPECT_EQ(read("good.txt"), "good");
  ASSERT_EQ(unzip.FailedCount(), 2);
  EXPECT_EQ(unzip.Failures()[0].code, kZipBadBlock);
  EXPECT_EQ(unzip.Failures()[1].code, kZipStackOverflow);
}

TEST_F(ExtractTest, EventsOfOneEntryInOrder) {
  const std::string a = archive({{"e.txt", "xxxxxxxxxxxxsecret", 0, 1}});
  std::vector<std::string> events;
  unzip.OnActivate = [&] { events.push_back("activate"); };
  unzip.OnBegin = [&](const std::string&, int count, bool&) {
    events.push_back("begin " + std::to_string(count));
  };
  unzip.OnRenameFile = [&](const std::string&, std::string&) { events.push_back("rename"); };
  unzip.OnGetPassword = [&](const std::string&, std::string&, bool& again) {
    events.push_back("password");
    again = false;
  };
  unzip.OnEnd = [&](const std::string&, bool pass) { events.push_back(pass ? "end ok" : "end failed"); };
  unzip.OnDeactivate = [&] { events.push_back("deactivate"); };
  auto run = ExtractAll(unzip, a, target());
  EXPECT_EQ(events, (std::vector<std::string>{"activate", "rename", "begin 1", "password", "end failed",
                                              "deactivate"}));
  EXPECT_EQ(run.errors, std::vector<int>{kZipInvalidPassword});
}

// Two entries of 6,000 bytes under a limit of 9,000: the first is written, the second fails with
// the limit's code in every method and leaves neither its file nor a temporary one; the next run
// starts with the whole limit again.
TEST_F(ExtractTest, ExtractLimitFailsTheEntriesBeyondItInEveryMethod) {
  std::string text;
  for (int i = 0; text.size() < 6000; ++i) text += "Zeile " + std::to_string(i % 97) + " Kostentraeger\n";
  const test::Bytes plain(text.begin(), text.begin() + 6000);
  const test::ImplodeOptions implode{true, true, false};
  struct Case {
    uint16_t method, flags;
    test::Bytes packed;
  } cases[] = {{0, 0, plain},
               {8, 0, test::fixedDeflateEncode(plain, false)},
               {9, 0, test::fixedDeflateEncode(plain, true)},
               {1, 0, test::shrinkEncode(plain)},
               {3, 0, test::reduceEncode(plain, 2)},
               {6, test::implodeFlags(implode), test::implodeEncode(plain, implode)}};
  const std::string want(plain.begin(), plain.end());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.method);
    const std::filesystem::path zip = dir / ("m" + std::to_string(c.method) + ".zip");
    std::vector<Entry> entries{{"a.bin", want, c.method, c.flags}, {"b.bin", want, c.method, c.flags}};
    for (Entry& e : entries) e.packed = test::asString(c.packed);
    test::WriteZip(zip, entries);
    std::filesystem::remove_all(dir / "out");
    TUnZip u;
    u.ExtractLimitBytes = 9000;
    auto run = ExtractAll(u, platform::pathText(zip), target());
    EXPECT_EQ(run.count, 1);
    EXPECT_EQ(read("a.bin"), want);
    ASSERT_EQ(u.FailedCount(), 1);
    EXPECT_EQ(u.Failures()[0].code, kZipOutputLimit);
    EXPECT_TRUE(u.Failures()[0].reason.ends_with("the extraction's output limit is reached"));
    for (auto& p : std::filesystem::directory_iterator(dir / "out")) EXPECT_EQ(p.path().filename(), "a.bin");
    EXPECT_EQ(u.Test(), 1);
    u.ExtractLimitBytes.reset();
    EXPECT_EQ(u.Test(), 2);
  }
  // In proportion to the archive: 1 MiB of zeros deflates about 1000 to 1, within 2000 times the
  // archive, beyond 200 times.
  test::WriteZip(dir / "zeros.zip", {{"zeros.bin", std::string(1 << 20, '\0')}});
  for (uint32_t ratio : {200u, 2000u}) {
    SCOPED_TRACE(ratio);
    TUnZip u;
    u.ExtractLimitRatio = ratio;
    auto run = ExtractAll(u, dir / "zeros.zip", target());
    EXPECT_EQ(run.count, ratio == 2000 ? 1 : 0);
    EXPECT_EQ(u.FailedCount(), ratio == 2000 ? 0 : 1);
  }
}

TEST_F(ExtractTest, NothingSelectedAndMissingArchive) {
  const std::string a = archive({{"a.txt", "a"}});
  unzip.SetArchiveFile(a);
  unzip.SetExtractDir(target());
  EXPECT_EQ(unzip.Extract(), 0);  // FileSpec empty
  std::vector<int> errors;
  unzip.OnError = [&](const std::string&, const std::string&, const std::string&, int code) {
    errors.push_back(code);
  };
  unzip.SetArchiveFile(platform::pathText(dir / "missing.zip"));
  EXPECT_EQ(unzip.ArcType(), atNA);
  EXPECT_EQ(unzip.Extract(), 0);
  EXPECT_EQ(errors, std::vector<int>{kZipFileNotFound});
}

}  // namespace
}  // namespace riviza::zip
