#include "platform/paths.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/masks.h"
#include "support/temp_dir.h"

namespace riviza::platform {
namespace {

using test::ScopedCurrentDir;
using test::ScopedEnv;
using test::TempDir;

TEST(Masks, WindowsRules) {
  struct Case {
    const char* name;
    const char* mask;
    bool match;
  } cases[] = {
      {"X.DB", "*.db", true},         {"Ann.DB", "*.DB", true},        {"README", "*.*", true},
      {"a.txt", "*.*", true},         {"EK05Q425.KE0", "??05*.ke?", true},
      {"EK06Q425.ke0", "??05*.ke?", false},                             {"AO05Q425.ke", "??05*.ke?", false},
      {"README", "*.", true},         {"a.txt", "*.", false},          {"abc", "abc.*", true},
      {"Stat01.db", "stat0?.DB", true}, {"x", "?", true},              {"", "?", false},
      {"Kosttr300.txt", "Kosttr*.txt", true},                          {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*a*a*c", false},
      {"Übersicht.xls", "ü*.XLS", true},
  };
  for (const auto& c : cases) EXPECT_EQ(matchesMask(c.name, c.mask), c.match) << c.name << " ~ " << c.mask;
}

TEST(Paths, ExistingComponentsAreFoundIgnoringCase) {
  TempDir dir;
  dir.write("Daten/ann.db", "x");
  dir.mkdir("Temp");
  ScopedCurrentDir cwd(dir.path());
  EXPECT_EQ(nativePath("daten\\Ann.DB"), std::filesystem::path("Daten/ann.db"));
  EXPECT_EQ(nativePath("temp\\"), std::filesystem::path("Temp"));
  // A new file keeps its spelling below the existing folder.
  EXPECT_EQ(nativePath("DATEN\\Neu.DB"), std::filesystem::path("Daten/Neu.DB"));
  EXPECT_EQ(nativePath("Fehlt\\Unter/X.txt"), std::filesystem::path("Fehlt/Unter/X.txt"));
  EXPECT_EQ(nativePath(dir.str() + "/DATEN/ANN.db"), dir.path() / "Daten/ann.db");
}

TEST(Paths, DriveLettersGoThroughThePrefix) {
  TempDir prefix;
  prefix.mkdir("drive_c/dakotale/System");
  prefix.mkdir("dosdevices");
  std::filesystem::create_directory_symlink("../drive_c", prefix / "dosdevices/c:");
  ScopedEnv env("WINEPREFIX", prefix.str());
  EXPECT_EQ(nativePath("C:\\DAKOTALE\\system\\"), prefix / "dosdevices/c:/dakotale/System");
  EXPECT_EQ(nativePath("c:/dakotale"), prefix / "dosdevices/c:/dakotale");
  EXPECT_EQ(nativePath("\\\\server\\share\\x"), prefix / "dosdevices/unc/server/share/x");
}

// What the user sees and the billing application reads back: the drive form where a drive of
// the prefix maps the folder (the folder dialog hands over native paths, even ones through
// dosdevices), else the Linux path with "/" only; and nativePath finds the same folder again.
TEST(Paths, ShownAndStoredPathsTakeTheDriveFormOrSlashesOnly) {
  TempDir prefix, daten, anderswo;
  prefix.mkdir("drive_c/dakotale");
  prefix.mkdir("dosdevices");
  daten.mkdir("Sicherung");
  anderswo.mkdir("Programm/temp");
  std::filesystem::create_directory_symlink("../drive_c", prefix / "dosdevices/c:");
  std::filesystem::create_directory_symlink(daten.path(), prefix / "dosdevices/d:");
  ScopedEnv env("WINEPREFIX", prefix.str());
  const std::string fremd = anderswo.str();
  struct Case {
    std::filesystem::path native;
    std::string text;
  } stored[] = {
      {prefix / "dosdevices/d:/Sicherung", "D:\\Sicherung"},
      {daten / "Sicherung", "D:\\Sicherung"},
      {daten.path(), "D:\\"},
      {prefix / "drive_c/dakotale", "C:\\dakotale"},
      {prefix / "dosdevices/e:/Export", "E:\\Export"},  // a drive that maps nowhere keeps its letter
      {anderswo / "Programm", fremd + "/Programm"},
  };
  for (const Case& c : stored) {
    SCOPED_TRACE(c.native.string());
    EXPECT_EQ(userPath(c.native), c.text);
    if (c.text[0] != 'E') {
      EXPECT_TRUE(std::filesystem::equivalent(nativePath(c.text), c.native));
    }
  }
  const std::pair<std::string, std::string> shown[] = {
      {fremd + "/Programm\\temp\\kost.txt", fremd + "/Programm/temp/kost.txt"},
      {fremd + "\\Programm\\", fremd + "/Programm/"},
      {daten.str() + "\\Abrechng\\2024\\", "D:\\Abrechng\\2024\\"},
      {"D:/Export/ABR.DAT", "D:\\Export\\ABR.DAT"},
      {"\\\\server\\share/x", "\\\\server\\share\\x"},
      {"Temp\\kost.txt", "Temp/kost.txt"},
      {"bwwin32.exe", "bwwin32.exe"},
      {"", ""},
  };
  for (const auto& [text, expected] : shown) EXPECT_EQ(displayPath(text), expected) << text;

  // A drive linked to "/" maps everything, but a deeper drive wins.
  std::filesystem::create_directory_symlink("/", prefix / "dosdevices/z:");
  std::string unterZ = "Z:" + (anderswo / "Programm").string();
  std::replace(unterZ.begin(), unterZ.end(), '/', '\\');
  EXPECT_EQ(userPath(anderswo / "Programm"), unterZ);
  EXPECT_EQ(userPath(daten / "Sicherung"), "D:\\Sicherung");
}

TEST(Paths, TextHelpers) {
  EXPECT_EQ(extractFileName("C:\\a\\b.txt"), "b.txt");
  EXPECT_EQ(extractFilePath("C:\\a\\b.txt"), "C:\\a\\");
  EXPECT_EQ(extractFileExt("x\\Kosttr.db"), ".db");
  EXPECT_EQ(extractFileExt("x.y\\Kosttr"), "");
  EXPECT_EQ(changeFileExt("ABR.DAT", ".NEU"), "ABR.NEU");
  EXPECT_EQ(excludeTrailingBackslash("a\\"), "a");
  EXPECT_EQ(includeTrailingBackslash("a"), "a\\");
}

}  // namespace
}  // namespace riviza::platform
