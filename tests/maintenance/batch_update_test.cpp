// riviza-batch update-kosttr end to end: a fresh demo installation (riviza-demo) against a
// loopback server that publishes the demo's own cost-bearer files as a package with a newer
// date. With --ja the files are installed, the tables rebuilt and the date stored (exit 0); with
// --nein nothing is installed and the run still succeeds; with the same date it finds nothing.
// update-programm likewise, up to the start of the package's Setup.exe (a broken one fails the
// run). With WinSCP.exe in the program folder the operation takes the SFTP road.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "batch_support.h"
#include "dateiserver.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "update_server.h"

namespace riviza::test {
namespace {

// riviza-batch on a program folder, its output caught in a file: an update may leave a program
// running that would hold a pipe open.
ToolRun starten(const std::string& programm, std::vector<std::string> args,
                const std::filesystem::path& ausgabe) {
  ToolRun run = rivizaBatch(programm, std::move(args), {.stdoutFile = ausgabe});
  if (!run.missing) run.output = readNative(ausgabe);
  return run;
}

// A fresh demo installation (riviza-demo) and its one year; the package holds the demo's own
// cost-bearer files.
class RivizaBatchUpdate : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(runTool({RIVIZA_BINARY_DIR "/tools/demo/riviza-demo", demo}).status, 0);
    for (const auto& e : platform::listDirectory(programm + "/Kosttr"))
      dateien.push_back({e.name, platform::readFile(programm + "/Kosttr/" + e.name).value()});
    ASSERT_FALSE(dateien.empty());
    const auto jahre = platform::listDirectory(demo + "/Daten/Abrechng");
    ASSERT_EQ(jahre.size(), 1u);
    jahr = demo + "/Daten/Abrechng/" + jahre[0].name;
  }
  std::string kosttrDatum() const {
    return platform::IniFile(jahr + "/Abrechng.ini").readString("EINSTELLUNGEN", "KosttrDatum", "-1");
  }
  ToolRun updateKosttr(const std::string& ausgabe, const char* antwort = "--ja") const {
    return starten(programm, {"update-kosttr", antwort}, dir / ausgabe);
  }

  TempDir dir;
  const std::string demo = (dir / "demo").string();
  const std::string programm = demo + "/Programm";
  std::string jahr;
  std::vector<std::pair<std::string, std::string>> dateien;
  ScopedEnv wine{"WINEPREFIX", demo + "/wineprefix"};
  ScopedEnv laufzeit{"XDG_RUNTIME_DIR", dir.str()};
};

TEST_F(RivizaBatchUpdate, UpdateKosttrInstallsTheDemoFilesFromTheServer) {
  UpdateServer server;
  server.paket("kost.zip", dateien);
  server.veroeffentlichen("kost.txt", "14.03.2024\r\n");
  const ToolRun nein = updateKosttr("nein.txt", "--nein");
  ausgabePruefen(nein, 0, {"[Dialog] Kostenträger anzuwenden ab: 14.03.2024\r\nübernehmen ? -> Abbrechen\n"});
  EXPECT_EQ(nein.output.find("Dateien entpackt"), std::string::npos) << nein.output;
  EXPECT_NE(kosttrDatum(), "14.03.2024");

  ausgabePruefen(updateKosttr("ja.txt"), 0,
                 {"  Internetverbindung vorhanden\n", "neue Kostenträgerdateien, anzuwenden ab: 14.03.2024\n",
                  "  Dateien entpackt: " + std::to_string(dateien.size()) + "\n",
                  "  Kostenträger 302 aktualisiert, Anzahl: 3\n", "  Aktualisierung beendet\n"});
  EXPECT_EQ(kosttrDatum(), "14.03.2024");

  ausgabePruefen(updateKosttr("gleich.txt"), 0,
                 {"  keine neuen Kostenträgerdateien vorhanden, Stand: 14.03.2024\n"});
  EXPECT_EQ(server.anfragen().size(), 5u);  // twice date and package, once the date alone

  server.regeln({{"kost.txt", R"({"status": 404})"}});
  // The line logged before the box comes before it.
  ausgabePruefen(
      updateKosttr("fehler.txt"), 1,
      {"  Fehler bei der Datenübertragung, Datei: kost.txt\n[Fehler !] Die Internetverbindung wurde "
       "unterbrochen!\n"});
}

// update-programm finds nothing at the installed date, and with a newer one unpacks the package,
// closes and starts its Setup.exe through wine, which goes on after the tool has ended.
TEST_F(RivizaBatchUpdate, UpdateProgrammUnpacksThePackageAndStartsItsSetup) {
  UpdateServer server;
  server.veroeffentlichen("update.txt", "01.01.2024\r\n");
  server.paket("update.zip", {{"Setup.exe", "MZ setup"}});
  TempDir wineBin;
  wineBin.write("wine", "#!/bin/sh\nprintf '%s|%s\\n' \"$PWD\" \"$*\" > \"$0.aufruf\"\n");
  std::filesystem::permissions(wineBin / "wine", std::filesystem::perms::owner_all);
  ScopedEnv pfad("PATH", wineBin.str() + ":" + (std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin"));
  const auto updateProgramm = [&](const char* ausgabe) {
    return starten(programm, {"update-programm"}, dir / ausgabe);
  };

  ausgabePruefen(updateProgramm("gleich.txt"), 0, {"  kein neues Update gefunden, Stand: 01.01.2024\n"});
  EXPECT_FALSE(wineBin.exists("wine.aufruf"));

  server.veroeffentlichen("update.txt", "31.12.2098\r\n");
  ausgabePruefen(updateProgramm("neu.txt"), 0,
                 {"  neues Update gefunden, vom: 31.12.2098\n", "  Dateien entpackt: 1\n"});
  EXPECT_EQ(server.anfragen().back(), UpdateServer::anfrage("update.zip"));
  while (!wineBin.exists("wine.aufruf") || wineBin.read("wine.aufruf").empty())
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(wineBin.read("wine.aufruf"), programm + "/Update|" + programm + "/Update/Setup.exe\n");

  // A Setup.exe that is no Windows program does not start: said so, and the run fails.
  std::filesystem::remove(wineBin / "wine.aufruf");
  std::filesystem::remove_all(programm + "/Update");  // the installer has run
  server.paket("update.zip", {{"Setup.exe", "<html>502</html>"}});
  ausgabePruefen(updateProgramm("kaputt.txt"), 1,
                 {"  Dateien entpackt: 1\n", "[Fehler !] Das Setup-Programm konnte nicht gestartet werden!\n\n" +
                                                  programm + "/Update/Setup.exe\n"});
  EXPECT_FALSE(wineBin.exists("wine.aufruf"));
}

// With WinSCP.exe in the program folder the same operation takes the SFTP road: the server's
// date, the package and its installation, and a failure for a server that is not the pinned one.
TEST_F(RivizaBatchUpdate, UpdateKosttrTakesTheSftpRoadWhenWinScpIsInTheProgramFolder) {
  SftpServer server;
  server.veroeffentlichen("kost.txt", "31.12.2098\r\n");
  server.paket("kost.zip", dateien);
  ASSERT_TRUE(platform::writeFile(programm + "/WinSCP.exe", "").ok());

  const ToolRun ja = updateKosttr("sftp.txt");
  ausgabePruefen(
      ja, 0,
      {"  neue Kostenträgerdateien, anzuwenden ab: 31.12.2098\n",
       "  Dateien entpackt: " + std::to_string(dateien.size()) + "\n", "  Aktualisierung beendet\n"});
  EXPECT_EQ(ja.output.find("Internetverbindung"), std::string::npos) << ja.output;
  EXPECT_EQ(kosttrDatum(), "31.12.2098");
  EXPECT_EQ(server.server.log(),
            (std::vector<std::string>{"open orvel_update/kost.txt", "open orvel_update/kost.zip"}));

  ScopedEnv mitgeliefert(net::kUpdateHostKeyVariable, "");
  ausgabePruefen(updateKosttr("fremd.txt"), 1, {"  SFTP: Der Schlüssel des Servers stimmt nicht"});
}

}  // namespace
}  // namespace riviza::test
