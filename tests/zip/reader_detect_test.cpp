// Archive-type detection, FindCentralDirectory and the shared component base: start signatures,
// tar and uuencoded files, stubs in front of zip data (adjusted or not, a PE stub naming its
// archive in a string resource), long comments, volume sets on fixed and spanned disks,
// enciphered headers, damaged end records whose entries are recovered, the entry records
// both components read, and the base's rules for names, extensions, attributes and the
// temporary folder.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/paths.h"
#include "support/temp_dir.h"
#include "support/zip_archive.h"
#include "support/zip_extract.h"
#include "zip/kvoErrors.h"
#include "zip/kvoExeResources.h"
#include "zip/kvoGbls.h"
#include "zip/kvoVolumes.h"

namespace riviza::zip {
namespace {

using test::BuildZip;
using Entry = test::ZipEntrySpec;
using Layout = test::ZipLayout;

std::string pathOf(const test::TempDir& dir, const char* name) { return platform::pathText(dir / name); }

TArcType detect(const test::TempDir& dir, const char* name, const std::string& bytes) {
  dir.write(name, bytes);
  TUnZip u;
  u.SetArchiveFile(pathOf(dir, name));
  return u.ArcType();
}

std::string tarHeader(char type) {
  std::string h(512, '\0');
  std::memcpy(h.data(), "file.txt", 8);
  h[156] = type;
  std::memcpy(h.data() + 148, "        ", 8);
  unsigned sum = 0;
  for (unsigned char c : h) sum += c;
  char field[8];
  std::snprintf(field, sizeof field, "%06o", sum);
  std::memcpy(h.data() + 148, field, 7);
  return h;
}

TEST(Detection, StartSignaturesAndOtherFormats) {
  test::TempDir dir;
  const std::string pad(64, 'x');
  struct Case {
    const char* file;
    std::string bytes;
    TArcType type;
  };
  const Case cases[] = {
      {"short.bin", std::string(19, 'P'), atNA},
      {"a.rar", "Rar!" + pad, atRar},
      {"a.cab", "MSCF" + pad, atCab},
      {"a.gz", "\x1F\x8B" + pad, atGZip},
      {"a.ha", "HA" + pad, atHA},
      {"a.zoo", "ZO" + pad, atZoo},
      {"a.lzh", "xx-lh5-" + pad, atLha},
      {"a.uue", "some text\nbegin 644 a.bin\nM" + pad, atUUE},
      {"a.tar", tarHeader('0') + pad, atTar},
      {"v.tar", tarHeader('V') + tarHeader('0'), atTar},
      {"empty.zip", BuildZip({}), atZip},
      {"a.JAR", BuildZip({{"x.txt", "x"}}), atJar},
      {"first.z01", "PK\x07\x08" + BuildZip({{"x.txt", "x"}}), atZipMV},
  };
  for (const Case& c : cases) EXPECT_EQ(detect(dir, c.file, c.bytes), c.type) << c.file;
}

TEST(Detection, SpannedSetOnLabelledRemovableDisk) {
  test::TempDir dir;
  TFakeVolumes fake;
  ScopedVolumes scope(fake);
  TFakeVolumes::Drive& drive = fake.drive(platform::pathText(dir.path()) + "\\");
  drive.info.driveType = dtRemovable;
  drive.info.label = "PKBACK# 001";
  EXPECT_EQ(detect(dir, "span.zip", "PK\x07\x08" + BuildZip({{"x.txt", "x"}})), atZipDS);
  drive.info.driveType = dtFixed;
  EXPECT_EQ(detect(dir, "span.zip", "PK\x07\x08" + BuildZip({{"x.txt", "x"}})), atZipMV);
}

TEST(Detection, OctalAndCommentBuffer) {
  EXPECT_EQ(OctalToInt("0000644 "), 420u);
  EXPECT_EQ(OctalToInt("644"), 420u);
  EXPECT_EQ(OctalToInt(""), 0u);
  TUnZip u;
  u.SetZipCmntBufSize(100);
  EXPECT_EQ(u.ZipCmntBufSize(), 2000);
  u.SetZipCmntBufSize(50000);
  EXPECT_EQ(u.ZipCmntBufSize(), 32767);
}

// Archives whose directory must be found another way, all extracting the same two files.
TEST(Detection, DataInFrontAndLongComments) {
  test::TempDir dir;
  const std::vector<Entry> entries{{"a.txt", "alpha"}, {"d/b.txt", std::string(3000, 'b')}};
  struct Case {
    const char* file;
    Layout layout;
    int64_t correction;
    uint8_t scanState;
  };
  const Case cases[] = {
      {"plain.zip", {}, 0, kScanEndFound | kScanCentralFound | kScanLocalFound},
      {"stub.zip",
       {std::string(1000, 's'), false, {}},
       1000,
       kScanEndFound | kScanCentralFound | kScanLocalFound},
      {"adjusted.zip",
       {std::string(1000, 's'), true, {}},
       0,
       kScanEndFound | kScanCentralFound | kScanLocalFound},
      {"comment.zip", {{}, false, std::string(40000, 'c')}, 0, kScanLocalFound},
  };
  for (const Case& c : cases) {
    dir.write(c.file, BuildZip(entries, c.layout));
    TUnZip u;
    auto run = test::ExtractAll(u, pathOf(dir, c.file), platform::pathText(dir / "out" / c.file));
    EXPECT_EQ(u.ScanState(), c.scanState) << c.file;
    EXPECT_EQ(u.OffsetCorrection(), c.correction) << c.file;
    EXPECT_EQ(run.count, 2) << c.file;
    EXPECT_EQ(dir.read(std::string("out/") + c.file + "/d/b.txt"), std::string(3000, 'b')) << c.file;
  }
}

// A minimal PE image whose string resource 1 names the offset of the zip data behind it.
std::string peWithOffsetString(const std::string& offsetText) {
  std::string pe(0x600, '\0');
  auto put16 = [&](size_t at, uint16_t v) { PutLE(reinterpret_cast<uint8_t*>(pe.data()) + at, v); };
  auto put32 = [&](size_t at, uint32_t v) { PutLE(reinterpret_cast<uint8_t*>(pe.data()) + at, v); };
  pe[0] = 'M', pe[1] = 'Z';
  put32(60, 64);
  std::memcpy(pe.data() + 64, "PE\0\0", 4);
  put16(64 + 6, 1);     // one section
  put16(64 + 20, 224);  // optional header size
  const size_t opt = 64 + 24;
  put16(opt, 0x10B);
  put32(opt + 92, 16);
  put32(opt + 96 + 16, 0x1000);  // resources: RVA, size
  put32(opt + 96 + 20, 0x200);
  const size_t section = opt + 224;
  put32(section + 8, 0x200), put32(section + 12, 0x1000), put32(section + 16, 0x200),
      put32(section + 20, 0x400);
  const size_t tree = 0x400;
  put16(tree + 14, 1), put32(tree + 16, 6), put32(tree + 20, 0x80000018);
  put16(tree + 0x18 + 14, 1), put32(tree + 0x18 + 16, 1), put32(tree + 0x18 + 20, 0x80000030);
  put16(tree + 0x30 + 14, 1), put32(tree + 0x30 + 16, 0x407), put32(tree + 0x30 + 20, 0x48);
  put32(tree + 0x48, 0x1058), put32(tree + 0x4C, 64);
  size_t at = tree + 0x58 + 2;  // string 0 is empty
  put16(at, static_cast<uint16_t>(offsetText.size()));
  for (size_t i = 0; i < offsetText.size(); ++i) put16(at + 2 + 2 * i, static_cast<uint8_t>(offsetText[i]));
  return pe;
}

TEST(Detection, ExecutableStubNamesItsArchive) {
  test::TempDir dir;
  std::string image = peWithOffsetString("2048");
  image.resize(2048, '\0');
  image += BuildZip({{"inside.txt", "from the stub"}});
  EXPECT_EQ(detect(dir, "setup.exe", image), atZipExe);
  TUnZip u;
  auto run = test::ExtractAll(u, pathOf(dir, "setup.exe"), platform::pathText(dir / "out"));
  EXPECT_EQ(run.count, 1);
  EXPECT_EQ(dir.read("out/inside.txt"), "from the stub");
}

TEST(Detection, ResourceProbeSurvivesEveryTruncationAndBadByte) {
  const std::string image = peWithOffsetString("123");
  auto probe = [](const std::string& bytes) {
    TReadAt readAt = [&](uint64_t at, void* out, size_t n) {
      if (at >= bytes.size()) return size_t{0};
      n = std::min<size_t>(n, bytes.size() - at);
      std::memcpy(out, bytes.data() + at, n);
      return n;
    };
    return ReadStringResources(readAt, bytes.size(), 1, 8, 5);
  };
  auto whole = probe(image);
  ASSERT_EQ(whole.size(), 8u);
  EXPECT_EQ(whole[0], "123");
  for (size_t cut = 0; cut < image.size(); cut += 7) (void)probe(image.substr(0, cut));
  for (size_t at = 0; at < 0x4A0; ++at)
    for (uint8_t v : {0x00, 0x7F, 0xFF}) {
      std::string bad = image;
      bad[at] = static_cast<char>(v);
      (void)probe(bad);
    }
}

// Damaged end records, each field on its own, on an archive whose entries are all still there.
// The reader must get every entry back: through the directory when it finds it anyway (its
// start is computed from where the end record stands, not read from the record), through the
// local headers when it does not. Whatever does not agree with the directory it found (the count
// of entries, its offset, where it ends) or a directory that is not where the record says, or a
// record that is missing, the run names with 25100 for the archive beside what it extracted: the
// archive is damaged, and entries may be lost. A stray end signature inside the comment and a
// comment longer than what follows are no damage to the entries. Entries whose sizes follow their
// data (flag bit 3) cannot be walked: then the first fails as damaged data and the run says with
// 25100 where the readable entries end.
TEST(Detection, DamagedEndRecordsRecoverEveryEntryOrNameTheLoss) {
  enum Record { End, Zip64End, Locator };
  enum Road { Directory, LocalHeaders };
  struct Case {
    const char* what;
    bool zip64;
    Record record;
    std::vector<size_t> fields;  // offsets in the record, each set to `value`
    size_t width;
    uint64_t value;
    Road road;
    std::vector<int> errors;
    std::string reason = {};   // how the archive's failure begins
    size_t cut = 0;            // bytes cut from the end of the file instead
    std::string comment = {};  // the archive's comment
    uint16_t flags = 0;        // of every entry
  };
  const std::vector<int> none, loss{kZipBadData};
  const std::string misplaced = "no central directory where the end record places it";
  const std::string missized = "the central directory (offset 100, ";
  const Case cases[] = {
      {"directory larger than the file", false, End, {12}, 4, 0x7FFFFFF0u, LocalHeaders, loss, missized},
      {"directory size cut short", false, End, {12}, 4, 20, LocalHeaders, loss, missized},
      {"directory size zero", false, End, {12}, 4, 0, LocalHeaders, loss, missized},
      {"directory offset beyond the file",
       false,
       End,
       {16},
       4,
       0x7FFFFFF0u,
       Directory,
       loss,
       "the end record places the central directory at offset 2147483632, it stands at 100"},
      {"directory offset zero",
       false,
       End,
       {16},
       4,
       0,
       Directory,
       loss,
       "the end record places the central directory at offset 0, it stands at 100"},
      {"more entries than written",
       false,
       End,
       {8, 10},
       2,
       9,
       Directory,
       loss,
       "central directory damaged: 2 of 9"},
      {"fewer entries than written",
       false,
       End,
       {8, 10},
       2,
       1,
       Directory,
       loss,
       "the central directory holds 2 entries, its end record counts 1"},
      {"comment longer than the file", false, End, {20}, 2, 500, Directory, none},
      {"disk number of a later volume", false, End, {4}, 2, 1, Directory, none},
      {"both disk numbers of a later volume", false, End, {4, 6}, 2, 1, Directory, none},
      // Only the last end signature counts: one inside the comment hides the directory.
      {"end record signature inside the comment",
       false,
       End,
       {},
       0,
       0,
       LocalHeaders,
       none,
       {},
       0,
       std::string("PK\x05\x06", 4) + std::string(18, '\0')},
      {"end record cut short", false, End, {}, 0, 0, LocalHeaders, loss, "truncated or damaged", 5},
      {"zip64 directory larger than the file",
       true,
       Zip64End,
       {40},
       8,
       uint64_t{1} << 40,
       LocalHeaders,
       loss,
       missized},
      {"zip64 directory offset beyond the file",
       true,
       Zip64End,
       {48},
       8,
       uint64_t{1} << 40,
       Directory,
       loss,
       "the end record places the central directory at offset 1099511627776"},
      {"zip64 promises more entries",
       true,
       Zip64End,
       {24, 32},
       8,
       9,
       Directory,
       loss,
       "central directory damaged"},
      {"zip64 end record without its signature", true, Zip64End, {0}, 4, 0, LocalHeaders, loss, misplaced},
      {"locator pointing beyond the file", true, Locator, {8}, 8, uint64_t{1} << 40, Directory, none},
      {"directory size cut short before entries with descriptors",
       false,
       End,
       {12},
       4,
       20,
       LocalHeaders,
       {kZipBadData, kZipBadData, kZipCrcFailed},
       "the central directory (offset 132, ",
       0,
       {},
       0x0008},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempDir dir;
    std::string bad =
        BuildZip({{"a.txt", "alpha", 8, c.flags}, {"d/b.txt", std::string(3000, 'b'), 8, c.flags}},
                 {.comment = c.comment, .zip64 = c.zip64});
    const size_t end = bad.size() - TEndRecord::kSize;
    const size_t at = c.record == End ? end : c.record == Locator ? end - 20 : end - 20 - 56;
    for (size_t field : c.fields)
      for (size_t i = 0; i < c.width; ++i) bad[at + field + i] = static_cast<char>(c.value >> (8 * i));
    bad.resize(bad.size() - c.cut);
    dir.write("bad.zip", bad);
    TUnZip u;
    const test::ExtractRun run = test::ExtractAll(u, dir / "bad.zip", dir / "out");
    EXPECT_EQ(u.ScanState() == kScanLocalFound, c.road == LocalHeaders) << int(u.ScanState());
    EXPECT_EQ(run.errors, c.errors);
    ASSERT_EQ(run.failures.size(), c.errors.size());
    if (!c.errors.empty()) {
      EXPECT_EQ(run.failures[0].fileName, platform::pathText(dir / "bad.zip"));
      EXPECT_TRUE(run.failures[0].reason.starts_with(c.reason)) << run.failures[0].reason;
    }
    if (c.flags & 0x0008) {
      EXPECT_EQ(run.count, 0);
      EXPECT_EQ(run.failures[1].reason, "no entry can be read after offset 35");  // a.txt's data
      EXPECT_EQ(run.failures[2].fileName, "a.txt");
      continue;
    }
    EXPECT_EQ(run.count, 2);
    EXPECT_EQ(dir.read("out/a.txt"), "alpha");
    EXPECT_EQ(dir.read("out/d/b.txt"), std::string(3000, 'b'));
  }
}

TEST(Detection, EncipheredHeadersAreRead) {
  test::TempDir dir;
  std::string zip = BuildZip({{"secret/a.txt", "plain data"}});
  TRegisterKorvo cipher;
  auto* b = reinterpret_cast<uint8_t*>(zip.data());
  const size_t name = 12;  // "secret/a.txt"
  b[1] = 'L';
  cipher.EncipherHeader(b, TRecordKind::Local);
  cipher.EncipherName(b + TLocalHeader::kSize, name);
  const size_t central = zip.size() - TEndRecord::kSize - TCentralHeader::kSize - name;
  b[central + 1] = 'L';
  cipher.EncipherHeader(b + central, TRecordKind::Central);
  cipher.EncipherName(b + central + TCentralHeader::kSize, name);
  dir.write("pl.zip", zip);
  TUnZip u;
  auto run = test::ExtractAll(u, pathOf(dir, "pl.zip"), platform::pathText(dir / "out"));
  EXPECT_EQ(run.count, 1);
  EXPECT_EQ(dir.read("out/secret/a.txt"), "plain data");
}

TEST(Records, EntryRecordIsReadWholeOrNotAtAll) {
  Entry entry("dir/a.txt", "data", 0);
  entry.extra = std::string("\x34\x12\x02\x00xy", 6);
  const std::string zip = BuildZip({entry}, {{}, false, "archive comment"});
  const uint64_t central = zip.size() - TEndRecord::kSize - 15 - TCentralHeader::kSize - 9 - 6;
  struct Case {
    const char* what;
    size_t cut;  // bytes of the archive the stream holds
    bool local, whole;
  };
  const Case cases[] = {
      {"local whole", zip.size(), true, true},
      {"local header cut", 20, true, false},
      {"local name cut", TLocalHeader::kSize + 4, true, false},
      {"local extra cut", TLocalHeader::kSize + 9 + 3, true, false},
      {"central whole", zip.size(), false, true},
      {"central extra cut", central + TCentralHeader::kSize + 9 + 2, false, false},
  };
  for (const Case& c : cases) {
    TMemoryStream32 s;
    ASSERT_TRUE(s.Write(zip.data(), c.cut));
    TUnZip reader;
    if (c.local) {
      auto r = reader.ReadEntryRecord<TLocalHeader>(s, 0);
      ASSERT_EQ(r.has_value(), c.whole) << c.what;
      if (!r) continue;
      EXPECT_EQ(r->name, "dir/a.txt") << c.what;
      EXPECT_EQ(std::string(r->extra.begin(), r->extra.end()), entry.extra) << c.what;
      EXPECT_EQ(s.Position().valueOr(0), TLocalHeader::kSize + 9 + 6) << c.what;
    } else {
      auto r = reader.ReadEntryRecord<TCentralHeader>(s, central);
      ASSERT_EQ(r.has_value(), c.whole) << c.what;
      if (!r) continue;
      EXPECT_EQ(r->name, "dir/a.txt") << c.what;
      EXPECT_EQ(reader.DecodeName(r->name, r->header.flags), "dir\\a.txt") << c.what;
    }
  }
}

TEST(Records, DateChoiceAndCentralFromLocal) {
  struct Case {
    TDateAttribute attribute;
    uint32_t own, newest, expected;
  };
  const Case cases[] = {
      {daFileDate, 0x5A8B6000, 0x5B000000, 0x5A8B6000},
      {daMaxFileDate, 0x5A8B6000, 0x5B000000, 0x5B000000},
      {daMaxFileDate, 0x5A8B6000, 0, 0x5A8B6000},
  };
  for (const Case& c : cases) EXPECT_EQ(ChosenDosDateTime(c.attribute, c.own, c.newest), c.expected);

  TLocalHeader local;
  local.versionNeeded = 45, local.flags = 0x0809, local.method = 8, local.crc = 0xCAFE;
  SetDosDateTime(local, 0x5A8B6001);
  local.nameLength = 7;
  for (bool enciphered : {false, true}) {
    const TCentralHeader c = CentralFromLocal(local, enciphered);
    EXPECT_EQ(c.signature, enciphered ? kSigCentralEnc : kSigCentral);
    EXPECT_EQ(DosDateTimeOf(c), 0x5A8B6001u);
    EXPECT_EQ(c.versionNeeded, 45);
    EXPECT_EQ(c.flags, 0x0809);
    EXPECT_EQ(c.method, 8);
    EXPECT_EQ(c.crc, 0xCAFEu);
    EXPECT_EQ(c.nameLength, 7);
  }
}

TEST(ComponentBase, ArchiveNameAndDefaultExtension) {
  TRegisterKorvo c;
  c.SetArchiveFile("C:/Sich/Backup");
  EXPECT_EQ(c.GetArchiveFile(), "C:\\Sich\\Backup.zip");
  c.SetDefaultExt("TXT1");
  EXPECT_EQ(c.DefaultExt(), ".txt");
  EXPECT_EQ(c.GetArchiveFile(), "C:\\Sich\\Backup.txt");
  for (const char* ext : {".", ""}) {
    c.SetDefaultExt(ext);
    EXPECT_EQ(c.DefaultExt(), ".zip");
  }
  const TkvoFileAttributes before = c.Attributes;
  c.SetAttribute(static_cast<TkvoFileAttribute>(16), false);
  EXPECT_EQ(c.Attributes, before);
  c.SetAttributeEx(fsHidden, true);
  EXPECT_TRUE(c.AttributesEx.contains(fsHidden));
}

TEST(ComponentBase, TempDirRules) {
  test::TempDir dir;
  const std::string missing = platform::pathText(dir / "made");
  TRegisterKorvo c;
  c.ComponentLoading = true;
  c.SetTempDir(missing);
  c.ComponentLoading = false;
  EXPECT_EQ(c.GetTempDir(), TempPath());  // missing at run time: the system folder, no question
  std::string asked;
  c.OnPrompt = [&](const TPrompt& p) {
    asked = p.text;
    return TPromptAnswer::Yes;
  };
  c.SetTempDir(missing);
  EXPECT_EQ(asked, missing + "\\\r\r" + std::string(kCreateDirQuestion));
  EXPECT_TRUE(dir.exists("made"));
  EXPECT_EQ(c.GetTempDir(), missing + "\\");
  c.OnPrompt = [](const TPrompt&) { return TPromptAnswer::No; };
  c.SetTempDir(platform::pathText(dir / "other"));
  EXPECT_EQ(c.GetTempDir(), TempPath());
}

}  // namespace
}  // namespace riviza::zip
