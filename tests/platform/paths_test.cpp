#include "platform/masks.h"
#include "platform/paths.h"

#include <gtest/gtest.h>

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
