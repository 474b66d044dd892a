// The backup's call profile end to end: the year folder of a data root on drive C: (a Wine
// prefix of the test) zipped into a target folder inside it, with the properties and attribute
// calls the backup makes; the count, the stored names (a hidden one and one in Windows-1252
// bytes among them), attributes, the empty folders, the store-only extensions, the archive never
// holding itself, and a second backup in the same second adding to the first.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "zip/core_test_support.h"
#include "zip/kvoErrors.h"
#include "zip/writer_support.h"

namespace riviza::zip {
namespace {

using namespace writertest;

class WriterBackup : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir_ / "wine/dosdevices");
    fs::create_symlink(dir_.mkdir("c"), dir_ / "wine/dosdevices/c:");
    dir_.mkdir("systemp");
    const std::string year = "c/Daten/Abrechng/2024/";
    dir_.write(year + "Abrechng.ini", "[EINSTELLUNGEN]\r\nVersion=4.1.2.0\r\n");
    dir_.write(year + "Daten/Ann.db", TextBytes(50000, 1));
    dir_.write(year + "Daten/Le.db", TextBytes(20000, 2));
    fs::permissions(dir_ / (year + "Daten/Le.db"),
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    dir_.write(year + "Kosttr/AO05Q425.ke0", TextBytes(30000, 3));
    dir_.write(year + "Kosttr/kost.ZIP", TextBytes(4000, 4));
    dir_.write(year + ".versteckt", "hidden on Linux");
    dir_.write(year + "Daten/lat\xe4in.txt", "copied from Windows");
    dir_.write(year + "Sicherung/AB_2024_24-01-02_101010.ZIP", "an older backup stays in");
    dir_.mkdir(year + "Temp");
    dir_.mkdir(year + "Leer/Unter");
  }

  // BitBtn5Click's calls on Zip1 as the form sets it up.
  int backup(TZip& zip, const std::string& archive) {
    zip.OnError = [this](const std::string&, const std::string&, const std::string&, int code) {
      errors_.push_back(code);
    };
    zip.SetArchiveFile(archive);
    zip.DateAttribute = daFileDate;
    zip.StoredDirNames = sdRelative;
    zip.SetCompressMethod(cmDeflate);
    zip.RecurseDirs = true;
    zip.Switch = swAdd;
    zip.StoreEmptySubDirs = true;
    zip.EncryptHeaders = false;
    zip.ExcludeSpec.clear();
    zip.FileSpec.clear();
    zip.FileSpec.push_back("C:\\Daten\\Abrechng\\2024\\*.*");
    for (auto a : {fsZeroAttr, fsArchive, fsDirectory, fsHidden, fsReadOnly, fsSysFile})
      zip.SetAttribute(a, true);
    for (auto a : {fsZeroAttr, fsArchive, fsDirectory, fsHidden, fsReadOnly, fsSysFile})
      zip.SetAttributeEx(a, false);
    return zip.Compress();
  }

  test::TempDir dir_;
  test::ScopedEnv wine_{"WINEPREFIX", (dir_ / "wine").string()};
  test::ScopedEnv tmp_{"TMPDIR", (dir_ / "systemp").string()};
  std::vector<int> errors_;
};

TEST_F(WriterBackup, YearFolderIntoOneArchive) {
  const std::string name = "C:\\Daten\\Abrechng\\2024\\Sicherung\\AB_2024_24-03-05_101530.ZIP";
  TZip zip;
  EXPECT_EQ(backup(zip, name), 11);  // 8 files, the empty Temp, Leer and Leer/Unter
  EXPECT_TRUE(errors_.empty());
  EXPECT_EQ(zip.Attributes, (TkvoFileAttributes{fsZeroAttr, fsReadOnly, fsHidden, fsSysFile, fsDirectory,
                                                fsArchive, fsCompressed, fsEncrypted}));
  EXPECT_TRUE(zip.AttributesEx.empty());
  const fs::path archive = dir_ / "c/Daten/Abrechng/2024/Sicherung/AB_2024_24-03-05_101530.ZIP";
  std::map<std::string, std::pair<uint16_t, uint32_t>> got;  // method, attributes
  for (const auto& e : ParseZip(test::readNative(archive)).entries)
    got[e.name] = {e.central.method, e.externalAttributes};
  const std::map<std::string, std::pair<uint16_t, uint32_t>> want{
      {"Abrechng.ini", {0, 0x20}},  // small: deflating would make it larger
      {".versteckt", {0, 0x20}},
      {"Daten/Ann.db", {8, 0x20}},
      {"Daten/lat\xe4in.txt", {0, 0x20}},
      {"Daten/Le.db", {8, 0x21}},
      {"Kosttr/AO05Q425.ke0", {8, 0x20}},
      {"Kosttr/kost.ZIP", {0, 0x20}},
      {"Leer/", {0, 0x10}},
      {"Leer/Unter/", {0, 0x10}},
      {"Sicherung/AB_2024_24-01-02_101010.ZIP", {0, 0x20}},
      {"Temp/", {0, 0x10}},
  };
  EXPECT_EQ(got, want);
  EXPECT_TRUE(FilesIn(dir_ / "systemp").empty());
  // Restored, the year folder is as it was (the new archive aside).
  const auto out = ExtractAll(archive, dir_ / "out");
  EXPECT_EQ(out.count, 8);
  fs::remove(archive);
  fs::rename(dir_ / "out/Daten/latäin.txt", dir_ / "out/Daten/lat\xe4in.txt");  // read by its Unicode field
  fs::permissions(dir_ / "out/Daten/Le.db", fs::perms::owner_write, fs::perm_options::add);
  fs::permissions(dir_ / "c/Daten/Abrechng/2024/Daten/Le.db", fs::perms::owner_write, fs::perm_options::add);
  EXPECT_EQ(CompareTrees(dir_ / "c/Daten/Abrechng/2024", dir_ / "out"), "");
}

TEST_F(WriterBackup, SecondBackupInTheSameSecondAddsToTheFirst) {
  const std::string name = "C:\\Daten\\Abrechng\\2024\\Sicherung\\AB_2024_24-03-05_101530.ZIP";
  TZip first;
  ASSERT_EQ(backup(first, name), 11);
  const fs::path archive = dir_ / "c/Daten/Abrechng/2024/Sicherung/AB_2024_24-03-05_101530.ZIP";
  const std::string before = test::readNative(archive);
  TZip second;
  EXPECT_EQ(backup(second, name), 11);  // every entry kept, the Windows-1252 name found as well
  EXPECT_TRUE(errors_.empty());
  EXPECT_EQ(test::readNative(archive), before);
  // A table written in between: the same name differs, no OnReplaceFile: reported, old kept.
  dir_.write("c/Daten/Abrechng/2024/Daten/Ann.db", TextBytes(50001, 9));
  TZip third;
  EXPECT_EQ(backup(third, name), 11);
  EXPECT_EQ(errors_, std::vector<int>{kZipEventNotAssigned});
  EXPECT_EQ(test::readNative(archive), before);
}

}  // namespace
}  // namespace riviza::zip
