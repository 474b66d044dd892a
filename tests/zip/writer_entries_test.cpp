// TZip's entries: method, flags, CRC, sizes and extras by content and settings (stored, each
// deflate level, the store-only extensions, small files, empty files, traditional and AES
// encryption, enciphered headers), names in code page 850 or UTF-8 for files and folders alike,
// attributes and dates, stored paths by StoredDirNames, ExcludeSpec; every archive read back
// with the engine's reader to the same bytes. Files of many deflate blocks (deflated on the
// writer's workers) inflate with zlib as one stream and are no more than 1 % larger than zlib's
// one stream of the same level.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "platform/clock.h"
#include "zip/core_test_support.h"
#include "zip/decoders_support.h"
#include "zip/kvoDeflatePool.h"
#include "zip/kvoGbls.h"
#include "zip/kvoStreamFilters.h"
#include "zip/writer_support.h"

namespace riviza::zip {
namespace {

using namespace writertest;

struct EntryCase {
  const char* label;
  std::string content;
  const char* file;
  TDeflateType deflate;
  TEncryptionMethod encryption;
  uint16_t method;    // as the local and central headers hold it
  uint16_t flagBits;  // bits 0-2
  uint64_t overhead;  // bytes of the cipher beyond the data
  bool deflated;      // data deflated (AES: the actual method in the extra)
};

TEST(WriterEntries, MethodFlagsAndSizesFollowContentAndSettings) {
  const std::string text = TextBytes(40000), random = RandomBytes(256), text256 = TextBytes(256);
  const size_t block = TDeflatePool::kBlockSize;
  const std::string blocks = TextBytes(9 * block + 17, 3),
                    changing =
                        RandomBytes(block + 5, 4) + TextBytes(3 * block, 5) + RandomBytes(block / 2, 6);
  const EntryCase cases[] = {
      {"random 256 stored", random, "r.bin", dtDeflateN, emNone, 0, 0, 0, false},
      {"text 256 deflated", text256, "t.txt", dtDeflateN, emNone, 8, 0, 0, true},
      {"empty stored", "", "e.txt", dtDeflateN, emNone, 0, 0, 0, false},
      {"empty never encrypted", "", "e.txt", dtDeflateN, emZIP_v2, 0, 0, 0, false},
      {".Zip stored", text, "pack.Zip", dtDeflateN, emNone, 0, 0, 0, false},
      {"fast", text, "t.txt", dtDeflateF, emNone, 8, 4, 0, true},
      {"normal", text, "t.txt", dtDeflateN, emNone, 8, 0, 0, true},
      {"maximum", text, "t.txt", dtDeflateX, emNone, 8, 2, 0, true},
      {"stored level", text, "t.txt", dtDeflateS, emNone, 0, 0, 0, false},
      {"traditional", text, "t.txt", dtDeflateN, emZIP_v2, 8, 1, 12, true},
      {"traditional stored", random, "r.bin", dtDeflateN, emZIP_v2, 0, 1, 12, false},
      {"AES-128", text, "t.txt", dtDeflateN, emAES2_128, 99, 1, 8 + 2 + 10, true},
      {"AES-192", text, "t.txt", dtDeflateX, emAES2_192, 99, 3, 12 + 2 + 10, true},
      {"AES-256 stored", random, "r.bin", dtDeflateN, emAES2_256, 99, 1, 16 + 2 + 10, false},
      {"normal in many blocks", blocks, "t.txt", dtDeflateN, emNone, 8, 0, 0, true},
      {"fast in many blocks", blocks, "t.txt", dtDeflateF, emNone, 8, 4, 0, true},
      {"maximum, blocks of random and text", changing, "m.bin", dtDeflateX, emNone, 8, 2, 0, true},
      {"exactly one block", TextBytes(block, 7), "t.txt", dtDeflateN, emNone, 8, 0, 0, true},
      {"traditional in many blocks", blocks, "t.txt", dtDeflateN, emZIP_v2, 8, 1, 12, true},
      {"AES in many blocks", blocks, "t.txt", dtDeflateN, emAES2_256, 99, 1, 16 + 2 + 10, true},
  };
  for (const EntryCase& c : cases) {
    SCOPED_TRACE(c.label);
    test::TempDir dir;
    dir.write(std::string("src/") + c.file, c.content);
    TZip zip;
    std::vector<int> errors;
    SetUpZip(zip, dir / "a.zip", dir / "src", dir.mkdir("tmp"), errors);
    zip.DeflateType = c.deflate;
    zip.EncryptionMethod = c.encryption;
    zip.Password = "Geheim";
    ASSERT_EQ(zip.Compress(), 1);
    EXPECT_TRUE(errors.empty());
    const std::string bytes = dir.read("a.zip");
    auto entries = ParseZip(bytes).entries;
    ASSERT_EQ(entries.size(), 1u);
    const auto& e = entries[0];
    EXPECT_EQ(e.central.method, c.method);
    EXPECT_EQ(e.local.method, c.method);
    EXPECT_EQ(e.central.flags & 7, c.flagBits);
    EXPECT_EQ(e.central.uncompressedSize, c.content.size());
    const bool aes = c.method == 99;
    EXPECT_EQ(e.central.crc, aes || c.content.empty() ? 0u : Crc32Of(c.content));
    EXPECT_EQ(e.local.crc, e.central.crc);
    EXPECT_EQ(e.local.compressedSize, e.central.compressedSize);
    if (c.deflated) {
      EXPECT_LT(e.central.compressedSize, c.content.size());
    } else {
      EXPECT_EQ(e.central.compressedSize, c.content.size() + c.overhead);
    }
    EXPECT_EQ(e.aes.has_value(), aes);
    if (aes) {
      EXPECT_EQ(e.aes->strength, c.encryption);
      EXPECT_EQ(e.aes->actualMethod, c.deflated ? 8 : 0);
      EXPECT_EQ(e.central.extra.size(), kAesExtraSize);
      EXPECT_EQ(e.local.extra.size(), kAesExtraSize);
    }
    auto out = ExtractAll(dir / "a.zip", dir / "out", "Geheim");
    EXPECT_EQ(out.count, 1);
    EXPECT_EQ(dir.read(std::string("out/") + c.file), c.content);
    if (c.deflated && c.encryption == emNone) {
      const test::Bytes plain(c.content.begin(), c.content.end());
      const test::InflateOutcome inflated = test::zlibInflate(test::Bytes(e.data.begin(), e.data.end()));
      EXPECT_TRUE(inflated.complete) << inflated.message;
      EXPECT_EQ(inflated.output, plain);
      const size_t one = test::zlibCompress(plain, TCompressStream::LevelOf(c.deflate), 0).size();
      EXPECT_LE(e.central.compressedSize, one + one / 100);
    }
  }
}

TEST(WriterEntries, StoreMethodSetsTheStoredLevelForGood) {
  test::TempDir dir;
  dir.write("src/t.txt", TextBytes(5000));
  TZip zip;
  std::vector<int> errors;
  SetUpZip(zip, dir / "a.zip", dir / "src", dir.mkdir("tmp"), errors);
  zip.SetCompressMethod(cmLzx);
  EXPECT_EQ(zip.CompressMethod(), cmDeflate);
  zip.SetCompressMethod(cmStore);
  ASSERT_EQ(zip.Compress(), 1);
  EXPECT_EQ(ParseZip(dir.read("a.zip")).entries[0].central.method, 0);
  EXPECT_EQ(zip.DeflateType, dtDeflateS);
}

// Names beyond ASCII are stored in UTF-8 with flag bit 11, files and folders alike; ASCII names
// as they are, without the flag.
TEST(WriterEntries, NamesOfFilesAndFoldersInCodePageOrUtf8) {
  test::TempDir dir;
  dir.write("src/Grüße/Übersicht.txt", "ü");
  dir.mkdir("src/Ärzte leer/Unterordner");
  dir.write("src/Preis €/x.txt", "euro");  // € is not in code page 850
  dir.mkdir("src/日本/leer");
  dir.write("src/plain/ascii.txt", "a");
  TZip zip;
  std::vector<int> errors;
  SetUpZip(zip, dir / "a.zip", dir / "src", dir.mkdir("tmp"), errors);
  ASSERT_EQ(zip.Compress(), 7);
  std::map<std::string, bool> utf8;
  for (const auto& e : ParseZip(dir.read("a.zip")).entries)
    utf8[e.name] = (e.central.flags & kFlagUtf8Name) != 0;
  const std::map<std::string, bool> want{
      {"Grüße/Übersicht.txt", true}, {"Ärzte leer/", true}, {"Ärzte leer/Unterordner/", true},
      {"Preis €/x.txt", true},       {"日本/", true},       {"日本/leer/", true},
      {"plain/ascii.txt", false},
  };
  EXPECT_EQ(utf8, want);
  auto out = ExtractAll(dir / "a.zip", dir / "out");
  EXPECT_EQ(out.count, 3);
  EXPECT_EQ(CompareTrees(dir / "src", dir / "out"), "");
}

TEST(WriterEntries, AttributesAndDatesByDateAttribute) {
  test::TempDir dir;
  const auto older = dir.write("src/alt.txt", "a");
  const auto newer = dir.write("src/neu.txt", "n");
  dir.mkdir("src/leer");
  fs::last_write_time(older, fs::file_time_type::clock::now() - std::chrono::hours(24 * 400));
  fs::permissions(newer, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  const uint32_t olderDos = FileTimeToDos(platform::fileInfo(Text(older))->modified);
  const uint32_t newerDos = FileTimeToDos(platform::fileInfo(Text(newer))->modified);
  platform::FixedClock fixed({2024, 3, 5, 10, 20, 30});
  platform::ScopedClock clock(fixed);
  struct Case {
    TDateAttribute attribute;
    uint32_t alt, neu;
  };
  const Case cases[] = {
      {daFileDate, olderDos, newerDos},
      {daSysDate, DateTimeToDos({2024, 3, 5, 10, 20, 30}), DateTimeToDos({2024, 3, 5, 10, 20, 30})},
      {daMaxFileDate, newerDos, newerDos}};
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.attribute));
    fs::remove(dir / "a.zip");
    TZip zip;
    std::vector<int> errors;
    SetUpZip(zip, dir / "a.zip", dir / "src", dir.mkdir("tmp"), errors);
    zip.DateAttribute = c.attribute;
    ASSERT_EQ(zip.Compress(), 3);
    std::map<std::string, std::pair<uint32_t, uint32_t>> got;
    for (const auto& e : ParseZip(dir.read("a.zip")).entries)
      got[e.name] = {(uint32_t{e.central.date} << 16) | e.central.time, e.externalAttributes};
    EXPECT_EQ(got["alt.txt"], std::make_pair(c.alt, 0x20u));
    EXPECT_EQ(got["neu.txt"], std::make_pair(c.neu, 0x21u));
    EXPECT_EQ(got["leer/"].second, 0x10u);
  }
}

TEST(WriterEntries, EncipheredHeadersReadBackWithTheEngine) {
  test::TempDir dir;
  dir.write("src/a/x.txt", TextBytes(3000));
  dir.write("src/y.bin", RandomBytes(1000));
  TZip zip;
  std::vector<int> errors;
  SetUpZip(zip, dir / "a.zip", dir / "src", dir.mkdir("tmp"), errors);
  zip.EncryptHeaders = true;
  ASSERT_EQ(zip.Compress(), 2);
  const std::string bytes = dir.read("a.zip");
  EXPECT_EQ(bytes.substr(0, 4), "PL\x03\x04");
  EXPECT_EQ(bytes.find("x.txt"), std::string::npos);  // names are enciphered too
  EXPECT_NE(bytes.find("PL\x01\x02"), std::string::npos);
  EXPECT_EQ(ExtractAll(dir / "a.zip", dir / "out").count, 2);
  EXPECT_EQ(CompareTrees(dir / "src", dir / "out"), "");
}

// A declined password fails the run's encrypted entries without asking for each; the next run
// asks again.
TEST(WriterEntries, PasswordIsAskedOncePerRun) {
  test::TempDir dir;
  dir.write("src/a.txt", "alpha");
  dir.write("src/b.txt", "beta");
  TZip zip;
  std::vector<int> errors;
  SetUpZip(zip, dir / "a.zip", dir / "src", dir.mkdir("tmp"), errors);
  zip.EncryptionMethod = emZIP_v2;
  struct Run {
    std::string answer;
    int count;
  };
  const Run runs[] = {{"", 0}, {"", 0}, {"geheim", 2}};
  for (const Run& run : runs) {
    int asked = 0;
    zip.OnGetPassword = [&](const std::string&, std::string& password, bool&) {
      ++asked;
      password = run.answer;
    };
    EXPECT_EQ(zip.Compress(), run.count) << run.answer;
    EXPECT_EQ(asked, 1) << run.answer;
  }
  EXPECT_EQ(ExtractAll(dir / "a.zip", dir / "out", "geheim").count, 2);
}

TEST(WriterEntries, MaskWithoutFolderIsTakenInTheCurrentFolder) {
  test::TempDir dir;
  dir.write("src/a.txt", "a");
  dir.write("src/b.dat", "b");
  dir.write("src/sub/c.txt", "c");
  test::ScopedCurrentDir here(dir / "src");
  TZip zip;
  std::vector<int> errors;
  SetUpZip(zip, dir / "a.zip", dir / "src", dir.mkdir("tmp"), errors);
  zip.FileSpec = {"*.txt"};
  ASSERT_EQ(zip.Compress(), 2);
  std::vector<std::string> names;
  for (const auto& e : ParseZip(dir.read("a.zip")).entries) names.push_back(e.name);
  EXPECT_EQ(names, (std::vector<std::string>{"a.txt", "sub/c.txt"}));
}

TEST(WriterNames, StoredPathByStoredDirNames) {
  struct Case {
    TStoredDirNames mode;
    const char* path;
    const char* root;
    const char* want;
  };
  const Case cases[] = {
      {sdNone, "C:\\Daten\\Abrechng\\2024\\Ann.db", "C:\\Daten\\", "Ann.db"},
      {sdNone, "C:\\Daten\\leer\\", "C:\\Daten\\", "leer\\"},
      {sdAbsolute, "C:\\Daten\\x.db", "C:\\Daten\\", "C:\\Daten\\x.db"},
      {sdAbsoluteNoDrv, "C:\\Daten\\x.db", "C:\\", "\\Daten\\x.db"},
      {sdAbsoluteNoDrv, "\\\\srv\\share\\d\\x.db", "C:\\", "\\d\\x.db"},
      {sdAbsoluteNoRoot, "C:\\Daten\\x.db", "C:\\", "Daten\\x.db"},
      {sdRelative, "C:\\Daten\\Abrechng\\2024\\Daten\\Ann.db", "c:\\daten\\abrechng\\2024\\",
       "Daten\\Ann.db"},
      {sdRelative, "C:\\Anders\\x.db", "C:\\Daten\\", "C:\\Anders\\x.db"},
      {sdRelativeStoreStart, "C:\\Daten\\2024\\Ann.db", "C:\\Daten\\2024\\", "2024\\Ann.db"},
      {sdExplorer_UserDefineDefaultDir, "C:\\Daten\\2024\\Ann.db", "C:\\x\\", "2024\\Ann.db"},
  };
  for (const Case& c : cases) {
    TZip zip;
    zip.StoredDirNames = c.mode;
    zip.DefaultDir = "C:\\Daten";
    EXPECT_EQ(zip.BuildOutputName(c.path, c.root), c.want) << static_cast<int>(c.mode) << " " << c.path;
  }
}

TEST(WriterNames, ExcludeSpecLines) {
  struct Case {
    std::vector<std::string> masks;
    const char* path;
    bool excluded;
  };
  const char* root = "C:\\Daten\\2024\\";
  const Case cases[] = {
      {{"*.lck"}, "C:\\Daten\\2024\\Daten\\Pdoxusrs.lck", true},
      {{"*.lck"}, "C:\\Daten\\2024\\Daten\\Ann.db", false},
      {{"Temp\\*.*"}, "C:\\Daten\\2024\\Temp\\x.txt", true},
      {{"Temp\\*.*"}, "C:\\Daten\\2024\\Daten\\x.txt", false},
      {{"\\Daten\\2024\\Kosttr\\*.ke?"}, "C:\\Daten\\2024\\Kosttr\\AO05Q425.ke0", true},
      {{"C:\\Andere\\*.*"}, "C:\\Daten\\2024\\x.txt", false},
      {{"Kosttr\\"}, "C:\\Daten\\2024\\Kosttr\\a.txt", true},
  };
  for (const Case& c : cases) {
    TZip zip;
    zip.ExcludeSpec = c.masks;
    EXPECT_EQ(zip.ExcludedBySpec(c.path, root), c.excluded) << c.masks[0] << " " << c.path;
  }
}

TEST(WriterNames, ArcTypeAndDefaultExtension) {
  TZip zip;
  zip.SetArchiveFile("C:/Sich/Backup");
  EXPECT_EQ(zip.GetArchiveFile(), "C:\\Sich\\Backup.zip");
  zip.SetArcType(atRar);
  EXPECT_EQ(zip.ArcType(), atZip);
  EXPECT_EQ(zip.StoreFilesOfType.size(), 24u);
}

}  // namespace
}  // namespace riviza::zip
