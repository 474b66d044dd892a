// Globals of the engine: path and name text, stored names in code page 850 / UTF-8, DOS dates,
// percentages, the deflate variant names of Info-ZIP's entries, attributes, folder tests on real folders, and
// deleting to the freedesktop Trash (in a temporary XDG_DATA_HOME).
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "platform/paths.h"
#include "support/temp_dir.h"
#include "support/tools.h"
#include "support/zip_archive.h"
#include "zip/kvoGbls.h"
#include "zip/kvoRecords.h"

namespace riviza::zip {
namespace {
namespace fs = std::filesystem;

TEST(PathText, Helpers) {
  struct Case {
    std::string got, want;
  };
  std::string rest = "a;b;c";
  const std::string first = NextToken(rest, ';');
  std::string last = "tail";
  const Case cases[] = {
      {AppendDirName("C:\\a\\", "b"), "C:\\a\\b"},
      {AppendDirName("C:\\a", "b"), "C:\\a\\b"},
      {AppendDirName("", "b"), ""},
      {AppendBackslash("C:\\x"), "C:\\x\\"},
      {AppendBackslash("C:\\x\\"), "C:\\x\\"},
      {AppendBackslash(""), ""},
      {RemoveBackslash("C:\\x\\"), "C:\\x"},
      {AppendBackslash("C:/x/"), "C:/x/"},  // "/" separates as well: no second separator
      {AppendDirName("C:/a/", "b"), "C:/a/b"},
      {SlashToBackslash("a/b/c"), "a\\b\\c"},
      {BackslashToSlash("a\\b"), "a/b"},
      {ReplaceExtension("C:\\ver.1\\name.txt", ".zip"), "C:\\ver.zip"},  // cut at the first "." of all
      {ReplaceExtension("noext", ".z01"), "noext.z01"},
      {ReplaceExtension(std::string(300, 'x') + ".a", ".b"), std::string(300, 'x') + ".b"},
      {first, "a"},
      {rest, "b;c"},
      {NextToken(last, ';'), "tail"},
      {last, ""},
      {std::string(DrivePart("C:\\Daten\\a.zip")), "C:"},
      {std::string(DrivePart("d:x.zip")), "d:"},
      {std::string(DrivePart("\\\\srv\\freigabe\\a.zip")), "\\\\srv\\freigabe"},
      {std::string(DrivePart("\\\\srv\\freigabe")), "\\\\srv\\freigabe"},
      {std::string(DrivePart("\\\\srv")), "\\\\srv"},
      {std::string(DrivePart("\\Daten\\a.zip")), ""},
      {std::string(DrivePart("Daten\\a:b")), ""},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.want);
  EXPECT_TRUE(HasDriveRoot("C:\\x", 4));
  EXPECT_FALSE(HasDriveRoot("C:\\", 3));
  EXPECT_FALSE(HasDriveRoot("\\\\s\\x", 6));
  EXPECT_TRUE(IsUncPath("\\\\srv\\share"));
  EXPECT_FALSE(IsUncPath("\\\\"));
  EXPECT_TRUE(CompareBytes("abc", "abd", 2));
  EXPECT_TRUE(CompareBytes("a", "b", 0));
  EXPECT_FALSE(CompareBytes("abc", "abd", 3));
}

TEST(StoredNames, OemPageUtf8FlagAndBack) {
  struct Case {
    std::string local;
    bool translate;
    std::string stored;
    bool utf8;
  };
  // Pure ASCII as it is; anything beyond it in UTF-8 with the flag, whatever TranslateOemChar says.
  const Case cases[] = {
      {"Daten\\Kosttr.db", true, "Daten/Kosttr.db", false},
      {"Prüfung\\Äpfel.txt", true, "Prüfung/Äpfel.txt", true},
      {"Prüfung.txt", false, "Prüfung.txt", true},
      {"Grüße\\", true, "Grüße/", true},  // folders alike
      {"Zeichen€.txt", true, "Zeichen€.txt", true},
      {"日本.txt", false, "日本.txt", true},
  };
  for (const auto& c : cases) {
    TStoredName s = LocalNameToOem(c.local, c.translate);
    EXPECT_EQ(s.bytes, c.stored) << c.local;
    EXPECT_EQ(s.utf8, c.utf8) << c.local;
    EXPECT_EQ(
        OemNameToLocal(s.bytes, c.translate, {s.utf8 ? kFlagUtf8Name : uint16_t{0}, {}, {}, std::nullopt}),
        c.local)
        << c.local;
  }
  EXPECT_EQ(AnsiToOemIf("a\\ü", true), "a\\\x81");
}

// Which bytes a stored name is read as: flag bit 11, Info-ZIP's Unicode path field (when its CRC
// is the stored name's), UTF-8 from a host outside the DOS world, else code page 850 (the old
// rule, so archives of the Windows world and of earlier runs read as before).
TEST(StoredNames, ReadByFlagUnicodeFieldHostOrCodePage) {
  const std::string oem =
      "Pr\x81"
      "fung/\x8e"
      "pfel.txt";  // code page 850
  const std::string utf8 = "Prüfung/Äpfel.txt";
  const std::string mojibake =
      "Pr├╝fung\\├ä"
      "pfel.txt";  // the UTF-8 bytes read as 850
  auto unicodeField = [](uint16_t id, uint8_t version, uint32_t crc, const std::string& text) {
    std::vector<uint8_t> f;
    AppendLE<uint16_t>(f, 0x5455), AppendLE<uint16_t>(f, 1), f.push_back(3);  // a field before it
    AppendLE<uint16_t>(f, id), AppendLE<uint16_t>(f, static_cast<uint16_t>(5 + text.size()));
    f.push_back(version), AppendLE<uint32_t>(f, crc);
    f.insert(f.end(), text.begin(), text.end());
    return f;
  };
  const uint32_t oemCrc = 0xB49DB688u;  // CRC-32 of `oem` (python3 zlib.crc32)
  const auto path = unicodeField(0x7075, 1, oemCrc, "Grüße/ä ö.txt");
  const auto stale = unicodeField(0x7075, 1, oemCrc ^ 1, "Grüße/ä ö.txt");
  const auto version2 = unicodeField(0x7075, 2, oemCrc, "Grüße/ä ö.txt");
  const auto badText = unicodeField(0x7075, 1, oemCrc, "\xff\xfe");
  const auto comment = unicodeField(0x6375, 1, oemCrc, "Grüße/ä ö.txt");
  auto cut = path;
  cut.pop_back();  // its length now runs past the area
  const uint16_t dos = 0x0014, unix = 0x031E, ntfs = 0x0B14, os2 = 0x0614, mac = 0x1314;
  struct Case {
    const char* what;
    std::string stored;
    TStoredTextOrigin origin;
    std::string want;
  };
  const Case cases[] = {
      {"flag", utf8, {kFlagUtf8Name, {}, {}, dos}, "Prüfung\\Äpfel.txt"},
      {"flag, but no UTF-8", oem, {kFlagUtf8Name, {}, {}, dos}, "Prüfung\\Äpfel.txt"},
      {"Unicode path field", oem, {0, path, {}, dos}, "Grüße\\ä ö.txt"},
      {"field in the central record only", oem, {0, {}, path, std::nullopt}, "Grüße\\ä ö.txt"},
      {"stale field", oem, {0, stale, {}, dos}, "Prüfung\\Äpfel.txt"},
      {"field of version 2", oem, {0, version2, {}, dos}, "Prüfung\\Äpfel.txt"},
      {"field with bad UTF-8", oem, {0, badText, {}, dos}, "Prüfung\\Äpfel.txt"},
      {"field cut short", oem, {0, cut, {}, dos}, "Prüfung\\Äpfel.txt"},
      {"comment field for a name", oem, {0, comment, {}, dos}, "Prüfung\\Äpfel.txt"},
      {"UTF-8 from Unix", utf8, {0, {}, {}, unix}, "Prüfung\\Äpfel.txt"},
      {"UTF-8 from a Mac", utf8, {0, {}, {}, mac}, "Prüfung\\Äpfel.txt"},
      {"UTF-8 bytes from DOS", utf8, {0, {}, {}, dos}, mojibake},
      {"UTF-8 bytes from NTFS", utf8, {0, {}, {}, ntfs}, mojibake},
      {"UTF-8 bytes from OS/2", utf8, {0, {}, {}, os2}, mojibake},
      {"UTF-8 bytes, host unknown (local header)", utf8, {0, {}, {}, std::nullopt}, mojibake},
      {"code page from Unix", oem, {0, {}, {}, unix}, "Prüfung\\Äpfel.txt"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(OemNameToLocal(c.stored, true, c.origin), c.want);
  }
  // Comments by their own field, Windows-1252 as the last resort.
  EXPECT_EQ(
      StoredTextToUtf8(oem, {0, comment, {}, dos}, kExtraUnicodeComment, platform::CodePage::Windows1252),
      "Grüße/ä ö.txt");
  EXPECT_EQ(StoredTextToUtf8("Gr\xfc\xdf"
                             "e",
                             {0, path, {}, dos}, kExtraUnicodeComment, platform::CodePage::Windows1252),
            "Grüße");
}

TEST(DosDates, ConversionRules) {
  struct Case {
    uint32_t dos;
    double want;
  };
  const double oneMinute = 1.0 / 1440.0;
  const uint32_t july2024 = ((44u << 9 | 7u << 5 | 15u) << 16) | (13u << 11 | 45u << 5 | 30u / 2);
  const Case cases[] = {
      {0, 29221.0 + oneMinute},  // 1 January 1980 00:01
      {kDosDateTimeZero, 29221.0 + oneMinute},
      {july2024, 45488.0 + (13 * 3600 + 45 * 60 + 30) / 86400.0},                    // 15.07.2024 13:45:30
      {((0u << 9 | 13u << 5 | 1u) << 16) | (12u << 11), 29221.0 + oneMinute + 0.5},  // month 13
      {((44u << 9 | 2u << 5 | 30u) << 16), 29221.0 + oneMinute},                     // 30 February, midnight
      {((44u << 9 | 7u << 5 | 15u) << 16) | (24u << 11), 29221.0 + oneMinute},       // hour 24
  };
  for (const auto& c : cases) EXPECT_NEAR(DosToDateTime(c.dos), c.want, 1e-9) << std::hex << c.dos;
  EXPECT_EQ(DosToDateTimeParts(july2024), (platform::DateTime{2024, 7, 15, 13, 45, 30}));
  EXPECT_EQ(DateTimeToDos({2024, 7, 15, 13, 45, 31}), july2024);
  EXPECT_EQ(DateTimeToDos({1970, 1, 1}), DateTimeToDos({1980, 1, 1}));
  EXPECT_EQ(DosToDateTimeParts(DateTimeToDos({2200, 1, 1})), (platform::DateTime{2107, 12, 31, 23, 59, 58}));
}

TEST(Percentages, ProgressAndRatio) {
  EXPECT_EQ(ProgressPercent(0, 5), 0);
  EXPECT_EQ(ProgressPercent(200, 300), 100);
  EXPECT_EQ(ProgressPercent(200, -1), 0);
  EXPECT_EQ(ProgressPercent(3, 2), 67);
  EXPECT_EQ(CompressionRatio(100, 100), 0);
  EXPECT_EQ(CompressionRatio(100, 150), 0);
  EXPECT_EQ(CompressionRatio(0, 0), 0);
  EXPECT_EQ(CompressionRatio(1000, 333), 67);
}

// The deflate variant names of real entries: Info-ZIP zip marks its fastest levels "fast" and its
// best levels "maximum" in flag bits 1-2, and the names must say the same of them. The Deflate64
// name of the same flags carries the same letter; flags outside the variants read as normal.
TEST(Names, DeflateVariantsOfInfoZipLevels) {
  test::TempDir dir;
  dir.write("text.txt", std::string(30000, 'k') + "Kostentraeger");
  struct Case {
    const char* level;
    std::string_view name, name64;
  };
  for (const Case c : {Case{"-1", "DeflateF", "Def-64F"}, Case{"-2", "DeflateF", "Def-64F"},
                       Case{"-6", "DeflateN", "Def-64N"}, Case{"-8", "DeflateX", "Def-64X"},
                       Case{"-9", "DeflateX", "Def-64X"}}) {
    SCOPED_TRACE(c.level);
    const std::string archive = std::string("z") + c.level + ".zip";
    test::toolOutput({"zip", "-q", c.level, archive, "text.txt"}, {.dir = dir.path()});
    const auto entries = test::ParseZipFile(dir / archive).entries;
    ASSERT_EQ(entries.size(), 1u);
    ASSERT_EQ(entries[0].central.method, 8);
    const int variant = entries[0].central.flags & 6;
    EXPECT_EQ(DeflateMethodName(variant), c.name);
    EXPECT_EQ(Deflate64MethodName(variant), c.name64);
    EXPECT_EQ(DeflateMethodName(variant | 1), DeflateMethodName(0));
  }
  EXPECT_EQ(DeflateMethodName(6), "DeflateS");  // "super fast": no level of Info-ZIP's sets it
  EXPECT_EQ(Deflate64MethodName(6), "Def-64S");
}

TEST(Attributes, MasksSetsAndSignatures) {
  EXPECT_EQ(MaskAttributes(0xFFFFFFFF), 0x40BFu);
  EXPECT_EQ(AttributesToWindows({fsZeroAttr, fsReadOnly, fsArchive, fsCompressed, fsEncrypted}), 0x4821u);
  EXPECT_EQ(AttributesToWindows({fsZeroAttr}), 0u);
  EXPECT_EQ(FileAttributesOf({"d", true, false}), 0x10u);
  EXPECT_EQ(FileAttributesOf({"f", false, true}), 0x21u);
  for (uint16_t w : {0x1E1F, 0x8B1F, 0x9D1F, 0x9E1F, 0xA01F}) EXPECT_TRUE(IsCompressSignature(w));
  EXPECT_FALSE(IsCompressSignature(0x4B50));  // "PK"
  EXPECT_TRUE(IsZipFamily(atZipMV));
  EXPECT_FALSE(IsZipFamily(atJar));
  EXPECT_FALSE(IsKnownArcType(atFileOpenErr));
  EXPECT_TRUE(IsKnownArcType(atZoo));
}

TEST(Folders, ForceDirsTreeHoldsNoFilesAndFileFound) {
  test::TempDir dir;
  const std::string root = dir.str();
  EXPECT_TRUE(ForceDirs(root + "/a/b/c"));
  EXPECT_TRUE(IsDirectory(root + "\\a\\b"));
  EXPECT_TRUE(TreeHoldsNoFiles(root + "/a/"));
  dir.mkdir("a/b/d");
  EXPECT_TRUE(TreeHoldsNoFiles(root + "/a/"));
  dir.write("a/b/d/f.txt", "x");
  EXPECT_FALSE(TreeHoldsNoFiles(root + "/a/"));
  EXPECT_TRUE(TreeHoldsNoFiles(root + "/a/b/c/"));
  fs::create_directory_symlink(dir / "a", dir / "a/b/c/loop");
  EXPECT_FALSE(TreeHoldsNoFiles(root + "/a/b/c/"));  // a link counts as a file, never followed
  EXPECT_FALSE(TreeHoldsNoFiles(root + "/missing/"));
  dir.write("ro.txt", "r");
  fs::permissions(dir / "ro.txt", fs::perms::owner_write, fs::perm_options::remove);
  EXPECT_FALSE(IsPlainFile(root + "/ro.txt"));
  EXPECT_TRUE(IsPlainFile(root + "/a/b/d/f.txt"));
  EXPECT_FALSE(IsPlainFile(root + "/a"));
  EXPECT_TRUE(FileFound(root + "/a/b/d/*.TXT"));
  EXPECT_FALSE(FileFound(root + "/a/b/d/*.doc"));
  EXPECT_FALSE(ForceDirs(root + "/ro.txt/sub"));
}

TEST(Trash, RecycleMovesToTheTrashWithInfoAndRenamesOnCollision) {
  test::TempDir dir;
  test::ScopedEnv data("XDG_DATA_HOME", (dir / "data").string());
  const std::string name = (dir / "Backup 1.zip").string();
  for (int round = 0; round < 2; ++round) {
    dir.write("Backup 1.zip", "archive " + std::to_string(round));
    ASSERT_TRUE(DeleteOrRecycle(name, true));
    EXPECT_FALSE(dir.exists("Backup 1.zip"));
  }
  EXPECT_EQ(dir.read("data/Trash/files/Backup 1.zip"), "archive 0");
  EXPECT_EQ(dir.read("data/Trash/files/Backup 1.zip.2"), "archive 1");
  std::string info = dir.read("data/Trash/info/Backup 1.zip.trashinfo");
  EXPECT_EQ(info.rfind("[Trash Info]\nPath=", 0), 0u);
  EXPECT_NE(info.find("Backup%201.zip\nDeletionDate="), std::string::npos);
  EXPECT_FALSE(DeleteOrRecycle(name, true));  // gone already
  dir.write("final.txt", "x");
  EXPECT_TRUE(DeleteOrRecycle((dir / "final.txt").string(), false));
  EXPECT_FALSE(dir.exists("final.txt"));
  EXPECT_FALSE(dir.exists("data/Trash/files/final.txt"));
}

TEST(TempFiles, UniqueNamesInTheFolderOrTheSystemFolder) {
  test::TempDir dir;
  auto a = CreateUniqueFile(dir.str(), "kvo"), b = CreateUniqueFile(dir.str(), "kvo");
  ASSERT_TRUE(a && b);
  EXPECT_NE(*a, *b);
  EXPECT_EQ(platform::extractFileName(*a).substr(0, 3), "kvo");
  EXPECT_TRUE(platform::fileExists(*a));
  // On a mapped folder the file comes back open; a missing folder is the open's own error.
  auto open = CreateUniqueNativeFile(dir.path(), "kvo");
  ASSERT_TRUE(open);
  ASSERT_TRUE(open->file.write("abc"));
  EXPECT_EQ(open->path.parent_path(), dir.path());
  EXPECT_EQ(dir.read(open->path.filename().string()), "abc");
  auto missing = CreateUniqueNativeFile(dir / "missing", "kvo");
  ASSERT_FALSE(missing);
  EXPECT_EQ(missing.error().code, ENOENT);
  test::ScopedEnv tmp("TMPDIR", (dir / "sys").string());
  EXPECT_EQ(TempPath(), platform::pathText(dir / "sys") + "\\");
}

}  // namespace
}  // namespace riviza::zip
