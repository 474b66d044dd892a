#include "platform/ini.h"

#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>
#include <iterator>
#include <sys/stat.h>

#include "platform/syscalls.h"
#include "support/temp_dir.h"

namespace riviza::platform {
namespace {

using test::TempDir;

TEST(Ini, MissingKeyGivesDefaultPresentEmptyKeyGivesEmpty) {
  TempDir dir;
  dir.write("a.ini", "[EINSTELLUNGEN]\r\nProgrammZugriff=\r\nVersion = \"4.5\" \r\n[Firma]\r\nName='X'\r\n");
  IniFile ini(dir.str() + "/A.INI");
  EXPECT_EQ(ini.readString("EINSTELLUNGEN", "ProgrammZugriff", "-1"), "");
  EXPECT_EQ(ini.readString("einstellungen", "VERSION", "-1"), "4.5");
  EXPECT_EQ(ini.readString("EINSTELLUNGEN", "Fehlt", "-1"), "-1");
  EXPECT_EQ(ini.readString("FIRMA", "Name", ""), "X");
  EXPECT_EQ(ini.readString("Nix", "Name", "d"), "d");
  EXPECT_EQ(IniFile(dir.str() + "/none.ini").readString("A", "B", "-1"), "-1");
  EXPECT_TRUE(ini.valueExists("Einstellungen", "programmzugriff"));
  EXPECT_FALSE(ini.valueExists("Einstellungen", "Fehlt"));
  EXPECT_EQ(ini.readSection("EINSTELLUNGEN"), (std::vector<std::string>{"ProgrammZugriff", "Version"}));
}

TEST(Ini, WritesKeepEveryOtherByteAndSpelling) {
  TempDir dir;
  const std::string original =
      "; Kommentar\r\n[EINSTELLUNGEN]\r\nBüroWARE=alt\r\nunbekannt  =  x\r\n\r\n[DASI]\nZiel=D:\\\n";
  std::string latin = original;
  // The file is Windows-1252: "ü" is one byte.
  latin.replace(latin.find("ü"), 2, "\xFC");
  dir.write("a.ini", latin);
  IniFile ini(dir.str() + "/a.ini");
  ASSERT_TRUE(ini.writeString("einstellungen", "büroware", "/daten/").ok());
  ASSERT_TRUE(ini.writeString("EINSTELLUNGEN", "AktuellesJahr", "2024").ok());
  ASSERT_TRUE(ini.writeString("DASI", "LetzteDatensicherung", "01.02.2024").ok());
  ASSERT_TRUE(ini.writeString("FIRMA", "MwSt1", "19").ok());
  EXPECT_EQ(dir.read("a.ini"),
            "; Kommentar\r\n[EINSTELLUNGEN]\r\nB\xFCroWARE=/daten/\r\nunbekannt  =  x\r\nAktuellesJahr=2024\r\n\r\n"
            "[DASI]\nZiel=D:\\\nLetzteDatensicherung=01.02.2024\r\n[FIRMA]\r\nMwSt1=19\r\n");
  EXPECT_EQ(ini.readString("EINSTELLUNGEN", "BüroWARE", ""), "/daten/");
  // A file of CR line ends (its first line's) with an LF blank line: the new key's CR must not
  // join that LF into one line end, which would take the blank line away.
  dir.write("cr.ini", "[S]\rA=1\r\n\n[T]\r");
  ASSERT_TRUE(IniFile(dir.str() + "/cr.ini").writeString("S", "B", "2").ok());
  EXPECT_EQ(dir.read("cr.ini"), "[S]\rA=1\r\nB=2\r\n\n[T]\r");
}

TEST(Ini, WriteCreatesFileKeepsModeAndDeletes) {
  TempDir dir;
  IniFile ini(dir.str() + "/neu.ini");
  ASSERT_TRUE(ini.writeString("ANMELDUNG", "Kennwort", "geheim").ok());
  EXPECT_EQ(dir.read("neu.ini"), "[ANMELDUNG]\r\nKennwort=geheim\r\n");
  ::chmod((dir / "neu.ini").c_str(), 0600);
  ASSERT_TRUE(ini.writeString("ANMELDUNG", "Kennwort", "neu").ok());
  struct stat st;
  ASSERT_EQ(::stat((dir / "neu.ini").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  ASSERT_TRUE(ini.deleteKey("ANMELDUNG", "Kennwort").ok());
  EXPECT_EQ(ini.readString("ANMELDUNG", "Kennwort", "-1"), "-1");
  ASSERT_TRUE(ini.eraseSection("anmeldung").ok());
  EXPECT_EQ(dir.read("neu.ini"), "");
  EXPECT_FALSE(IniFile(dir.str() + "/fehlt/x.ini").writeString("A", "B", "C").ok());
}

// A write that fails (disk full, a refused rename) leaves the file as it was and no temporary
// file beside it.
TEST(Ini, AFailedWriteKeepsTheFileAndLeavesNothingBehind) {
  struct Case {
    const char* what;
    SysCalls calls;
    mode_t mode = 0644;
  };
  SysCalls diskFull = realSysCalls();
  diskFull.write = [](int, const void*, size_t) -> ssize_t {
    errno = ENOSPC;
    return -1;
  };
  SysCalls noRename = realSysCalls();
  noRename.rename = [](const char*, const char*) {
    errno = EACCES;
    return -1;
  };
  for (const Case& c : {Case{"disk full", diskFull}, Case{"rename refused", noRename},
                        Case{"read-only file", realSysCalls(), 0444}}) {
    TempDir dir;
    dir.write("a.ini", "[S]\r\nA=1\r\n");
    ::chmod((dir / "a.ini").c_str(), c.mode);
    Status st = [&] {
      ScopedSysCalls scope(c.calls);
      return IniFile(dir.str() + "/a.ini").writeString("S", "A", "2");
    }();
    EXPECT_FALSE(st.ok()) << c.what;
    EXPECT_EQ(dir.read("a.ini"), "[S]\r\nA=1\r\n") << c.what;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << c.what;
  }
}

TEST(Ini, NumbersAndFlags) {
  TempDir dir;
  dir.write("a.ini", "[S]\nA=12\nB=abc\nC=$1F\nD=\n");
  IniFile ini(dir.str() + "/a.ini");
  EXPECT_EQ(ini.readInteger("S", "A", 0), 12);
  EXPECT_EQ(ini.readInteger("S", "B", -5), -5);
  EXPECT_EQ(ini.readInteger("S", "C", 0), 31);
  EXPECT_EQ(ini.readInteger("S", "D", 7), 7);
  EXPECT_TRUE(ini.readBool("S", "A", false));
}

}  // namespace
}  // namespace riviza::platform
