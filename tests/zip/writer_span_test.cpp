// Spanned sets over fake removable disks: an archive that fits its disk is one plain file; one
// that does not is laid over labelled disks with the spanning signature, records whole on one
// disk, and is read back by the engine's reader disk by disk. The disk rules: the first disk's
// reserve, the same disk inserted again, a missing OnInsertDisk, an unwritable label, an
// existing volume skipped.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "zip/kvoDiskManager.h"
#include "zip/kvoErrors.h"
#include "zip/kvoUnZip.h"
#include "zip/kvoVolumes.h"
#include "zip/writer_support.h"

namespace riviza::zip {
namespace {

using namespace writertest;

class WriterSpan : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 5; ++i)
      dir_.write("src/teil" + std::to_string(i) + ".bin", RandomBytes(30000, i + 1));
    dir_.write("src/text/liesmich.txt", TextBytes(20000));
    dir_.mkdir("src/leer");
    dir_.mkdir("disk");
    dir_.mkdir("store");
    drive().info = {"", 1, 255, 0, "vfat", dtRemovable, kDiskFree, 1457664};
  }
  TFakeVolumes::Drive& drive() { return fake_.drive(Text(dir_ / "disk") + "\\"); }
  fs::path volumeFile() const { return dir_ / "disk/a.zip"; }
  fs::path stored(int disk) const { return dir_ / "store" / ("vol" + std::to_string(disk)); }

  // A new disk goes in: the volume on the old one is kept aside under its disk number.
  void insertNewDisk(uint64_t freeBytes = kDiskFree) {
    if (fs::exists(volumeFile())) fs::rename(volumeFile(), stored(VolumeNumberFromLabel(drive().info.label)));
    drive().info.serial += 1;
    drive().info.label.clear();
    drive().info.freeBytes = freeBytes;
    ++inserted_;
  }

  void prepare(TZip& zip) {
    errors_.clear();
    SetUpZip(zip, volumeFile(), dir_ / "src", dir_.mkdir("tmp"), errors_);
    zip.OnInsertDisk = [this](const std::string&, bool&) { insertNewDisk(); };
  }

  // Reads the set back with the engine's reader, the disks put in as it asks for them.
  test::ExtractRun readBack() {
    const int last = VolumeNumberFromLabel(drive().info.label);
    fs::copy_file(volumeFile(), stored(last), fs::copy_options::overwrite_existing);
    TUnZip u;
    auto put = [this](const std::string& number, bool&) {
      fs::copy_file(stored(std::stoi(number)), volumeFile(), fs::copy_options::overwrite_existing);
      drive().info.label = SpannedDiskLabel(std::stoi(number));
    };
    u.OnGetZipFirstDisk = u.OnGetZipNextDisk = u.OnGetZipLastDisk = put;
    u.CreateStoredDirs = true;
    const test::ExtractRun run = ExtractAll(u, volumeFile(), dir_ / "out");
    EXPECT_EQ(u.ArcType(), atZipDS);
    return run;
  }

  static constexpr uint64_t kDiskFree = 60000;
  test::TempDir dir_;
  TFakeVolumes fake_;
  ScopedVolumes scope_{fake_};
  std::vector<int> errors_;
  int inserted_ = 0;
};

TEST_F(WriterSpan, ArchiveThatFitsItsDiskIsOneFile) {
  drive().info.freeBytes = 10'000'000;
  TZip zip;
  prepare(zip);
  EXPECT_EQ(zip.Compress(), 7);
  EXPECT_EQ(inserted_, 0);
  EXPECT_EQ(test::readNative(volumeFile()).substr(0, 4), "PK\x03\x04");
  EXPECT_EQ(drive().info.label, "");
  EXPECT_EQ(ExtractAll(volumeFile(), dir_ / "out").count, 6);
}

TEST_F(WriterSpan, LargerArchiveIsSpannedAndReadBack) {
  TZip zip;
  prepare(zip);
  EXPECT_EQ(zip.Compress(), 7);
  EXPECT_TRUE(errors_.empty());
  const int disks = VolumeNumberFromLabel(drive().info.label);
  EXPECT_GE(disks, 3);
  EXPECT_EQ(test::readNative(stored(1)).substr(0, 4), "PK\x07\x08");
  for (int d = 1; d < disks; ++d) EXPECT_LE(fs::file_size(stored(d)), kDiskFree);
  // The end record names the last disk.
  const std::string last = test::readNative(volumeFile());
  const auto end = ReadRecord<TEndRecord>(std::span<const uint8_t, TEndRecord::kSize>(
      reinterpret_cast<const uint8_t*>(last.data()) + last.size() - 22, 22));
  EXPECT_EQ(end.thisDisk, disks - 1);
  EXPECT_EQ(end.entriesTotal, 7);
  const test::ExtractRun out = readBack();
  EXPECT_EQ(out.count, 6);
  EXPECT_TRUE(out.failures.empty());
  EXPECT_EQ(CompareTrees(dir_ / "src", dir_ / "out"), "");
  EXPECT_TRUE(FilesIn(dir_ / "tmp").empty());
}

TEST_F(WriterSpan, FirstDiskKeepsItsReserve) {
  drive().info.freeBytes = 105000;  // less than 100,000 + 10,000: refused
  TZip zip;
  prepare(zip);
  zip.LeaveSpaceOnFirstDisk = 100000;
  std::vector<uint64_t> offered{200000};
  zip.OnInsertDisk = [&](const std::string&, bool&) {
    insertNewDisk(offered.empty() ? kDiskFree : offered.back());
    if (!offered.empty()) offered.pop_back();
  };
  EXPECT_EQ(zip.Compress(), 7);
  EXPECT_LE(fs::file_size(stored(1)), 100000u);
  EXPECT_EQ(readBack().count, 6);
}

TEST_F(WriterSpan, TheSameDiskAgainIsRefused) {
  TZip zip;
  prepare(zip);
  int asked = 0;
  zip.OnInsertDisk = [&](const std::string& number, bool&) {
    ++asked;
    if (number == "2" && asked < 3) return;  // the user leaves disk 1 in the drive
    insertNewDisk();
  };
  EXPECT_EQ(zip.Compress(), 7);
  EXPECT_GT(asked, inserted_);
  EXPECT_EQ(readBack().count, 6);
}

TEST_F(WriterSpan, DiskRulesWithoutTheirEvents) {
  {
    TZip zip;
    prepare(zip);
    zip.OnInsertDisk = nullptr;
    EXPECT_EQ(zip.Compress(), 0);
    EXPECT_EQ(errors_, std::vector<int>{kZipEventNotAssigned});
    EXPECT_FALSE(fs::exists(volumeFile()));
  }
  {
    drive().labelWritable = false;
    TZip zip;
    prepare(zip);
    EXPECT_EQ(zip.Compress(), 7);
    EXPECT_GE(std::count(errors_.begin(), errors_.end(), kZipSpanLabelError), 3);
  }
}

TEST_F(WriterSpan, ExistingVolumeOnALaterDisk) {
  TZip zip;
  prepare(zip);
  zip.OnInsertDisk = [&](const std::string& number, bool&) {
    insertNewDisk();
    if (number == "2") test::writeNative(volumeFile(), "an older set");
  };
  TOverwriteMode answer = omSkip;
  zip.OnDiskSpanFileExists = [&](const std::string&, double, TOverwriteMode& mode) { mode = answer; };
  zip.Compress();
  EXPECT_THAT(errors_, ::testing::Contains(kZipUserCanceled));
  EXPECT_EQ(test::readNative(volumeFile()), "an older set");
  fs::remove(volumeFile());  // not a zip: the writer would refuse to replace it
  answer = omOverwrite;
  zip.DeleteOptions = doFinal;
  drive().info.freeBytes = kDiskFree;
  EXPECT_EQ(zip.Compress(), 7);
  EXPECT_EQ(readBack().count, 6);
}

}  // namespace
}  // namespace riviza::zip
