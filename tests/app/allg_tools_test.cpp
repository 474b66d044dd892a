// The general routines on temporary folders: path text, file lists and masks, shell copies,
// started programs, the network drive through fake drives, the screen fit and file versions.
#include "app/allg_tools.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/clock.h"
#include "platform/netdrive.h"
#include "platform/screen.h"
#include "support/temp_dir.h"
#include "ui/dialogs.h"

namespace riviza {
namespace {

using test::ScopedCurrentDir;
using test::ScopedEnv;
using test::TempDir;

TEST(AllgTools, BackslashAnhaengen) {
  EXPECT_EQ(BackslashAnhaengen(""), "");
  EXPECT_EQ(BackslashAnhaengen("C:\\Daten"), "C:\\Daten\\");
  EXPECT_EQ(BackslashAnhaengen("C:\\Daten\\"), "C:\\Daten\\");
}

TEST(AllgTools, TeilStringFields) {
  struct Case {
    std::string text;
    int n;
    std::string field;
  } cases[] = {
      // The last row asks beyond the text's length: empty instead of a range error.
      {"a\tb\t", 2, "a"},   {"a\tb\t", 3, "b"}, {"a\tb", 3, ""},   {"a\tb", 2, "a"}, {"\t\tc\t", 3, ""},
      {"x\tyz\t", 3, "yz"}, {"a\tb\t", 4, ""},  {"a\tb\t", 1, ""}, {"a\t", 5, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(TeilString(c.text, '\t', c.n), c.field) << c.text << " n=" << c.n;
}

TEST(AllgTools, DateienSuchenJoinsSortedFilesAndSkipsFolders) {
  TempDir dir;
  dir.mkdir("AA05.ke0");  // a folder named like a file sorts first and must not leave an "@"
  dir.write("EK05Q425.KE0", "");
  dir.write("ao05q425.ke0", "");
  dir.write("AO06Q425.ke0", "");
  std::string folder = dir.str() + "\\";
  EXPECT_EQ(DateienSuchen(folder, "??05*.ke?"), "ao05q425.ke0@EK05Q425.KE0");
  EXPECT_EQ(DateienSuchen(folder, "*.txt"), "");
  DateienLoeschen(folder, "*05*.*");
  EXPECT_EQ(DateienSuchen(folder, "*.*"), "AO06Q425.ke0");
  EXPECT_TRUE(dir.exists("AA05.ke0"));
}

TEST(AllgTools, UnterordnerListeGivesFullPathsSorted) {
  TempDir dir;
  dir.mkdir("Abrechng/2024");
  dir.mkdir("Abrechng/2023");
  dir.mkdir("Abrechng/Archiv");
  dir.write("Abrechng/2025", "a file, not a year folder");
  std::vector<std::string> list;
  UnterordnerListe(dir.str() + "\\Abrechng", list);
  std::string base = dir.str() + "\\Abrechng\\";
  EXPECT_EQ(list, (std::vector<std::string>{base + "2023", base + "2024", base + "Archiv"}));
}

TEST(AllgTools, ShellCopyAndMoveFollowTheShellsTargetRule) {
  TempDir dir;
  dir.write("Abrechng/2023/Kosttr/a.ke0", "a");
  dir.mkdir("Abrechng/2023/Daten/leer");
  dir.mkdir("Abrechng/2024");
  ScopedCurrentDir cwd(dir.path());
  // An existing target folder receives the source under its own name.
  EXPECT_TRUE(DateienKopieren("Abrechng\\2023\\Kosttr", "Abrechng\\2024"));
  EXPECT_TRUE(DateienKopieren("Abrechng\\2023\\Daten", "Abrechng\\2024"));
  EXPECT_EQ(dir.read("Abrechng/2024/Kosttr/a.ke0"), "a");
  EXPECT_TRUE(dir.exists("Abrechng/2024/Daten/leer"));
  EXPECT_FALSE(DateienKopieren("Abrechng\\fehlt", "Abrechng\\2024"));
  // Rename, then move into a folder (the flat-layout migration's two steps).
  dir.write("Alt/x.db", "x");
  EXPECT_EQ(DateiOperation(4, "Alt", "2022", 4), 0);
  EXPECT_TRUE(DateienVerschieben("2022", "Abrechng"));
  EXPECT_EQ(dir.read("Abrechng/2022/x.db"), "x");
  EXPECT_FALSE(dir.exists("2022"));
  EXPECT_EQ(DateiOperation(3, "Abrechng\\2022", "", 0), 0);
  EXPECT_FALSE(dir.exists("Abrechng/2022"));
}

TEST(AllgTools, ProgramsAreStartedAndWaitedFor) {
  TempDir dir;
  dir.write("prog.sh", "#!/bin/sh\nsleep 0.2\necho done > \"$1\"\nexit 5\n");
  ::chmod((dir / "prog.sh").c_str(), 0755);
  EXPECT_TRUE(ProgrammStartenUndWarten(dir.str(), "prog.sh " + dir.str() + "/a.txt"));
  EXPECT_EQ(dir.read("a.txt"), "done\n");
  EXPECT_FALSE(ProgrammStartenUndWarten(dir.str(), "fehlt.exe"));
  EXPECT_EQ(ShellAusfuehrenUndWarten("", "prog.sh", dir.str() + "/b.txt", 1, true, dir.str()), 5);
  EXPECT_EQ(dir.read("b.txt"), "done\n");
  EXPECT_EQ(ShellAusfuehrenUndWarten("", "fehlt.sh", "", 1, true, dir.str()), -1);
}

// A document goes to the desktop's opener, which must find it from wherever it runs, also when
// the working folder is given relative to the program folder.
TEST(AllgTools, DocumentsGoToTheDesktopsOpener) {
  TempDir dir;
  dir.write("bin/xdg-open", "#!/bin/sh\ncat \"$1\" > \"" + dir.str() + "/geoeffnet.txt\"\n");
  ::chmod((dir / "bin/xdg-open").c_str(), 0755);
  dir.write("Export/Brief.txt", "Inhalt");
  ScopedEnv path("PATH", dir.str() + "/bin:/usr/bin:/bin");
  ScopedCurrentDir cwd(dir.path());
  EXPECT_EQ(ShellAusfuehrenUndWarten("open", "brief.txt", "", 1, true, "Export"), 0);
  EXPECT_EQ(dir.read("geoeffnet.txt"), "Inhalt");
  EXPECT_EQ(ShellAusfuehrenUndWarten("open", "fehlt.txt", "", 1, true, "Export"), -1);
}

class Netzlaufwerk : public ::testing::Test {
 protected:
  TempDir prefix, program;
  ScopedEnv env{"WINEPREFIX", prefix.str()};
  platform::FakeNetworkDrives drives;
  ui::ScriptedDialogs dialogs;
  platform::FixedClock clock{{2024, 3, 15, 10, 30, 0}};
  platform::ScopedClock clockInUse{clock};
};

TEST_F(Netzlaufwerk, ConnectsThroughTheIniValuesAndPollsTheDrive) {
  program.write("Abrechng.ini",
                "[ANMELDUNG]\r\nLaufwerk=X\r\nComputername=server\r\nFreigabename=daten\r\n"
                "Benutzername=-1\r\nKennwort=pw\r\n");
  EXPECT_TRUE(NetzlaufwerkAnmelden(program.str() + "\\", "Abrechng.ini"));
  ASSERT_EQ(drives.calls.size(), 1u);
  EXPECT_EQ(drives.calls[0].localName, "X:");
  EXPECT_EQ(drives.calls[0].remoteName, "\\\\server\\daten");
  EXPECT_EQ(drives.calls[0].user, "");  // "-1" is taken as empty
  EXPECT_TRUE(drives.calls[0].passwordGiven);
  NetzlaufwerkTrennen(" X ", "server", "daten");
  NetzlaufwerkTrennen("", "server", "daten");
  EXPECT_EQ(drives.calls[1].localName, "X:");
  EXPECT_EQ(drives.calls[2].localName, "\\\\server\\daten");
}

// The drive is polled at once and after each of ten pauses of 100 ms: one that shows up by the
// last poll counts, one that never does gives false after the whole second.
TEST_F(Netzlaufwerk, TheDriveIsPolledElevenTimesOverOneSecond) {
  program.write("Abrechng.ini", "[ANMELDUNG]\r\nLaufwerk=Y\r\nComputername=s\r\nFreigabename=f\r\n");
  drives.createDriveFolder = false;
  const int kNever = -1;
  struct Case {
    int appearsAfterPauses;
    bool connected;
    int pauses;
  } cases[] = {{0, true, 0}, {3, true, 3}, {10, true, 10}, {kNever, false, 10}};
  for (const Case& c : cases) {
    SCOPED_TRACE("drive after " + std::to_string(c.appearsAfterPauses) + " pauses");
    platform::FixedClock pauses{{2024, 3, 15, 10, 30, 0}};
    platform::ScopedClock inUse{pauses};
    const std::filesystem::path driveFolder = prefix / "dosdevices/y:";
    std::filesystem::remove_all(driveFolder);
    auto appear = [&] {
      if (static_cast<int>(pauses.sleeps().size()) == c.appearsAfterPauses)
        std::filesystem::create_directories(driveFolder);
    };
    appear();
    pauses.onSleep = [&](int) { appear(); };
    EXPECT_EQ(NetzlaufwerkAnmelden(program.str() + "\\", "Abrechng.ini"), c.connected);
    EXPECT_EQ(pauses.sleeps(), std::vector<int>(c.pauses, 100));
  }
}

TEST_F(Netzlaufwerk, MissingNetUseBatIsReported) {
  program.write("Abrechng.ini", "[ANMELDUNG]\r\nAnmeldenUeberNetUseBat=1\r\nLaufwerk=Z\r\n");
  drives.createDriveFolder = false;
  ScopedCurrentDir cwd(program.path());
  EXPECT_FALSE(NetzlaufwerkAnmelden(program.str() + "\\", "Abrechng.ini"));
  EXPECT_EQ(clock.sleeps(), std::vector<int>(10, 100));  // the drive was still waited for
  ASSERT_EQ(dialogs.texts().size(), 1u);
  EXPECT_EQ(dialogs.texts()[0], "Datei nicht vorhanden! " + program.str() + "/NetUse.bat");
  EXPECT_TRUE(drives.calls.empty());
}

TEST(AllgTools, FormAnBildschirmAnpassen) {
  struct Case {
    int screenW, screenH, grow;
  } cases[] = {{1200, 800, 0}, {1280, 1024, 10}, {1024, 768, 0}, {1200, 900, 10}, {1920, 768, 0}};
  for (const auto& c : cases) {
    platform::setScreenSize({c.screenW, c.screenH});
    int w = 1200, h = 800;
    FormAnBildschirmAnpassen(w, h, 1200, 800);
    EXPECT_EQ(w, 1200 + c.grow) << c.screenW << "x" << c.screenH;
    EXPECT_EQ(h, 800 + c.grow);
  }
  platform::setScreenSize({});
}

TEST(AllgTools, DateiVersionOfTheProgramAndOfOtherFiles) {
  std::string v = DateiVersion("  ");
  EXPECT_EQ(std::count(v.begin(), v.end(), '.'), 3);
  EXPECT_EQ(DateiVersion("/bin/sh"), "No version specification");
}

}  // namespace
}  // namespace riviza
