// Disk manager on fake drives (readiness, write protection, unreadable volumes with Retry/Cancel,
// labels) and on the real file system, and the base services of the components: line-end
// conversion, output modes, disk full and short writes, stored-entry copy with cipher and
// cancel, progress, dates, the timer, temporary names and header lists.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "support/temp_dir.h"
#include "zip/core_test_support.h"
#include "zip/kvoDiskManager.h"
#include "zip/kvoErrors.h"
#include "zip/kvoGbls.h"
#include "zip/kvoZipCommon.h"

namespace riviza::zip {
namespace {

struct Reports {
  std::vector<int> codes;
  std::vector<std::string> files;
  TReportError hook() {
    return [this](const std::string& file, const std::string&, int code, const std::string&) {
      codes.push_back(code);
      files.push_back(file);
    };
  }
};

// The record of a ready drive, its type named as the library's documentation names it; a
// removable drive is "Unknown", since no floppy kind can be told here.
TEST(DiskManager, ReadyDriveFillsTheRecord) {
  struct Case {
    int driveType;
    const char* typeName;
  };
  for (const Case c : {Case{dtRemovable, "Unknown"}, Case{dtFixed, "Fixed"}, Case{dtRemote, "Network"},
                       Case{dtCdRom, "CD-ROM"}, Case{dtRamDisk, "RAM"}}) {
    SCOPED_TRACE(c.typeName);
    TFakeVolumes fake;
    ScopedVolumes scope(fake);
    auto& a = fake.drive("A:\\");
    a.info = {"PKBACK# 003", 0x1234ABCD, 255, 0, "FAT", c.driveType, 1000, 1440000};
    TDiskManager dm;
    Reports r;
    ASSERT_TRUE(dm.CheckDrive("a:\\Sich\\Backup.zip", {r.hook(), {}, {}, {}}));
    EXPECT_EQ(dm.driveString, "a:");
    EXPECT_EQ(dm.volumeNumber, 3);
    EXPECT_EQ(dm.serialText, "1234ABCD");
    EXPECT_EQ(dm.driveTypeName, c.typeName);
    EXPECT_EQ(dm.freeBytes, 1000u);
    EXPECT_TRUE(r.codes.empty());
  }
}

TEST(DiskManager, FailuresAndTheirEvents) {
  struct Case {
    const char* what;
    bool ready, writeProtected, readable;
    int driveType;
    bool withEvent;  // the event clears Abort once, and the drive is then fixed
    bool ok;
    int code;
  };
  const Case cases[] = {
      {"not ready, no event", false, false, true, dtFixed, false, false, kZipNotAccessible},
      {"not ready, event retries", false, false, true, dtFixed, true, true, 0},
      {"write protected, no event", true, true, true, dtFixed, false, false, kZipWriteProtected},
      {"write protected, event retries", true, true, true, dtFixed, true, true, 0},
      {"unreadable volume, silent", true, false, false, dtFixed, false, false, kZipNotAccessible},
      {"no root folder", true, false, true, dtNoRoot, false, false, kZipNotAccessible},
  };
  for (const auto& c : cases) {
    TFakeVolumes fake;
    ScopedVolumes scope(fake);
    auto& d = fake.drive("X:");
    d.ready = c.ready;
    d.writeProtected = c.writeProtected;
    d.readable = c.readable;
    d.info.driveType = c.driveType;
    Reports r;
    TDiskCheckHooks hooks{r.hook(), {}, {}, {}};
    auto fix = [&](bool& abort) {
      abort = false;
      d.ready = true;
      d.writeProtected = false;
    };
    if (c.withEvent) hooks.onDiskInDrvErr = hooks.onDiskWriteProtectErr = fix;
    TDiskManager dm;
    EXPECT_EQ(dm.CheckDrive("X:\\file.zip", hooks), c.ok) << c.what;
    EXPECT_EQ(r.codes, c.ok ? std::vector<int>{} : std::vector<int>{c.code}) << c.what;
    if (!c.ok) {
      EXPECT_EQ(r.files, std::vector<std::string>{"X:"}) << c.what;
    }
  }
}

TEST(DiskManager, AbortInTheEventIsUserCanceledAndRetryAsksAgain) {
  TFakeVolumes fake;
  ScopedVolumes scope(fake);
  fake.drive("B:").ready = false;
  Reports r;
  TDiskManager dm;
  EXPECT_FALSE(dm.CheckDrive("B:\\x.zip", {r.hook(), [](bool&) {}, {}, {}}));
  EXPECT_EQ(r.codes, std::vector<int>{kZipUserCanceled});

  auto& c = fake.drive("C:");
  c.readable = false;
  std::vector<std::string> asked;
  auto prompt = [&](const TPrompt& p) {
    asked.push_back(p.text);
    c.readable = asked.size() >= 2;  // readable from the second retry on
    return TPromptAnswer::Retry;
  };
  EXPECT_TRUE(dm.CheckDrive("c:\\x.zip", {r.hook(), {}, {}, prompt}));
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[0].rfind("C:\\is not accessible\n\n", 0), 0u);
}

TEST(DiskManager, LabelsAndRealDrive) {
  EXPECT_EQ(VolumeNumberFromLabel("PKBACK# 003"), 3);
  EXPECT_EQ(VolumeNumberFromLabel("PKBACK# 00A"), 0);
  EXPECT_EQ(VolumeNumberFromLabel("BACKUP"), 0);
  EXPECT_EQ(VolumeNumberFromLabel("X PKBACK# 1 PKBACK# 12"), 12);
  EXPECT_EQ(SpannedDiskLabel(7), "PKBACK# 007");
  test::TempDir dir;
  TDiskManager dm;
  Reports r;
  ASSERT_TRUE(dm.CheckDrive(dir.str() + "/new/archive.zip", {r.hook(), {}, {}, {}}));
  EXPECT_EQ(dm.driveString,
            platform::pathText(dir.path()));  // the nearest existing folder stands for the drive
  EXPECT_GT(dm.totalBytes, 0u);
  EXPECT_FALSE(dm.fileSystemName.empty());
  EXPECT_FALSE(IsWriteProtected(dir.str()));
  EXPECT_TRUE(DriveReady(dir.str()));
  EXPECT_TRUE(platform::listDirectory(dir.str()).empty());  // the write probe left nothing behind
}

// Every numbered code of the component library with the text its users read, copied from the
// library's documented string table (not from kvoErrors.cpp, whose rows this must catch out); the
// engine's own codes (25100, 259xx) are not in that table. The texts that reach a message box are
// checked again where the box is shown.
TEST(ErrorTexts, EveryNumberedCodeReadsAsItsStringTableEntry) {
  struct Case {
    int code;
    std::string_view text;
  };
  const Case cases[] = {
      {25115, "Bad offset to local header"},
      {25116, "Bad block"},
      {25136, "Error writing to file"},
      {25138, "Error closing file"},
      {25151, "File fails CRC check"},
      {25154, "Error writing spanned-disk label"},
      {25158, "Invalid directory"},
      {25160, "Disk full"},
      {25170, "is not accessible"},
      {25171, "disk is write protected"},
      {25192, "File not found"},
      {25235, "Error opening file"},
      {25244, "Invalid or unsupported archive type for this operation"},
      {25268, "Nothing to do"},
      {25270, "Required event not assigned"},
      {25271, "Required property not assigned"},
      {25305, "Stack overflow"},
      {25326, "Unsupported compression method"},
      {25443, "User canceled"},
      {26517, "Invalid password"},
      {26859, "Nothing to do"},
  };
  for (const auto& c : cases) EXPECT_EQ(ErrorText(c.code), c.text) << c.code;
  EXPECT_EQ(ErrorText(4711), "");
  Error e = zipError(25270, "OnReplaceFile");
  EXPECT_EQ(e.code, 25270);
  EXPECT_EQ(e.message, "Required event not assigned: OnReplaceFile");
}

TEST(BaseServices, LoneLineFeedsBecomeCrLfAcrossBlocks) {
  struct Case {
    std::vector<std::string> blocks;
    std::string want;
  };
  const Case cases[] = {
      {{"a\nb\r\n"}, "a\r\nb\r\n"},
      {{"a\r", "\nb"}, "a\r\nb"},
      {{"\n\n", "x\n"}, "\r\n\r\nx\r\n"},
      {{"plain"}, "plain"},
  };
  for (const auto& c : cases) {
    TZipCommon base;
    base.textConversion = true;
    TMemoryStream32 out;
    std::string all;
    for (const auto& b : c.blocks) {
      ASSERT_TRUE(
          base.WriteOutput(&out, reinterpret_cast<const uint8_t*>(b.data()), b.size(), ckCrc32, true));
      all += b;
    }
    EXPECT_EQ(out.view(), c.want);
    EXPECT_EQ(base.crc32 ^ kCrcSeed, Crc32Of(all));  // the entry's bytes, not the converted ones
  }
}

TEST(BaseServices, OutputModes) {
  TZipCommon base;
  uint8_t block[4] = {};
  base.outputMode = omMemory;
  base.outputMemory = block;
  ASSERT_TRUE(base.WriteOutput(nullptr, reinterpret_cast<const uint8_t*>("abc"), 3, ckCrc32, false));
  EXPECT_FALSE(base.WriteOutput(nullptr, reinterpret_cast<const uint8_t*>("de"), 2, ckCrc32, false));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(block), 3), "abc");
  base.outputMode = omDiscard;
  ASSERT_TRUE(base.WriteOutput(nullptr, reinterpret_cast<const uint8_t*>("xyz"), 3, ckCrc16, true));
  EXPECT_EQ(base.discarded, 3u);
  uint32_t crc16 = 0;
  Crc16Update("xyz", 3, crc16);
  EXPECT_EQ(base.crc16, crc16);
  TMemoryStream32 second;
  base.outputMode = omStream2;
  base.outputStream2 = &second;
  ASSERT_TRUE(base.WriteOutput(nullptr, reinterpret_cast<const uint8_t*>("2"), 1, ckCrc32, false));
  EXPECT_EQ(second.view(), "2");
}

TEST(BaseServices, DiskFullZeroesTheCountShortWriteLowersIt) {
  test::TempDir dir;
  auto file = TFileStream32::Create((dir / "out.bin").string(), fmCreate);
  ASSERT_TRUE(file);
  struct Case {
    int err;
    int code;
    int countAfter;
  };
  for (const Case& c : {Case{ENOSPC, kZipDiskFull, 0}, Case{EIO, kZipWriteError, 4}}) {
    coretest::ScopedWriteFailure failing(c.err);
    TZipCommon base;
    base.Count = 5;
    std::vector<int> reported;
    base.OnError = [&](const std::string&, const std::string&, const std::string&, int code) {
      reported.push_back(code);
    };
    auto s = base.WriteOutput(file->get(), reinterpret_cast<const uint8_t*>("data"), 4, ckCrc32, true);
    ASSERT_FALSE(s);
    EXPECT_EQ(s.error().code, c.code);
    EXPECT_EQ(base.Count, c.countAfter);
    EXPECT_EQ(reported, std::vector<int>{c.code});
  }
}

TEST(BaseServices, CopyStoredEntryDeciphersCountsAndStops) {
  std::string plain(100000, '\0');
  for (size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<char>(i * 7);
  TZipCrypt writer;
  auto header = BuildEncryptionHeader(writer, "pw", Crc32Of(plain));
  ASSERT_TRUE(header);
  std::string body(plain);
  writer.ZipEncryptBuffer(reinterpret_cast<uint8_t*>(body.data()), body.size());

  TZipCommon base;
  ASSERT_TRUE(TestEncryptionHeader(base.zipCrypt(), *header, 0, Crc32Of(plain), 0, "pw"));
  base.entryEncryption = emZIP_v2;
  base.archiveTotal = base.archiveRemaining = 200000;
  std::vector<int> files;
  base.OnProgress = [&](uint8_t byFile, uint8_t) { files.push_back(byFile); };
  TCustomMemoryStream32 in(body.data(), body.size());
  TMemoryStream32 out;
  TLocalHeader entry;
  entry.flags = 1;
  auto left = base.CopyStoredEntry(in, &out, entry, plain.size(), atZip);
  ASSERT_TRUE(left);
  EXPECT_EQ(*left, 0u);
  EXPECT_EQ(out.view(), plain);
  EXPECT_EQ(base.crc32 ^ kCrcSeed, Crc32Of(plain));
  EXPECT_EQ(base.archiveRemaining, 100000u);
  EXPECT_EQ(files, (std::vector<int>{33, 66, 98}));  // after every block but the last

  TZipCommon cancelled;
  cancelled.SetCancel(true);
  TCustomMemoryStream32 again(plain.data(), plain.size());
  EXPECT_EQ(*cancelled.CopyStoredEntry(again, &out, TLocalHeader{}, plain.size(), atZip), plain.size());
  TZipCommon shortSource;  // a source that ends early leaves the rest uncopied, no endless loop
  TCustomMemoryStream32 tenBytes(plain.data(), 10);
  TMemoryStream32 out2;
  EXPECT_EQ(*shortSource.CopyStoredEntry(tenBytes, &out2, TLocalHeader{}, 50, atZip), 40u);
}

TEST(BaseServices, DatesTimerTempNamesAndHeaderLists) {
  TZipCommon base;
  EXPECT_NEAR(base.DosDateTimeToDateTime(0), 29221.000694, 1e-6);
  base.timer.Start();
  EXPECT_GE(base.timer.Stop(), 0.0f);

  test::TempDir dir;
  test::ScopedEnv tmp("TMPDIR", (dir / "systemp").string());
  auto inFolder = TZipCommon::TempFileName(dir.str());
  auto fallback = TZipCommon::TempFileName((dir / "missing").string());
  ASSERT_TRUE(inFolder && fallback);
  EXPECT_TRUE(dir.exists(platform::extractFileName(*inFolder)));
  EXPECT_TRUE(dir.exists("systemp/" + platform::extractFileName(*fallback)));

  THeaderObj<int> list;
  THeaderObj<int>::Entry entry;
  entry.info = 7;
  entry.name = "a.txt";
  list.Add(entry);
  list.archiveComment = "c";
  list.changed = true;
  EXPECT_EQ(list.Count(), 1u);
  list.Clear();
  EXPECT_EQ(list.Count(), 0u);
  EXPECT_TRUE(list.archiveComment.empty());
  EXPECT_FALSE(list.changed);
}

}  // namespace
}  // namespace riviza::zip
