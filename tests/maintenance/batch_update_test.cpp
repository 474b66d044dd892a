// riviza-batch update-kosttr end to end: a fresh demo installation (riviza-demo) against a
// loopback server that publishes the demo's own cost-bearer files as a package with a newer
// date. With --ja the files are installed, the tables rebuilt and the date stored (exit 0); with
// --nein nothing is installed and the run still succeeds; with the same date it finds nothing.
// With WinSCP.exe in the program folder the operation takes the SFTP road.
#include <gtest/gtest.h>

#include "dateiserver.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "support/werkzeug.h"
#include "update_server.h"

namespace riviza::test {
namespace {

using Lauf = WerkzeugLauf;

// A fresh demo installation (riviza-demo) and its one year; the package holds the demo's own
// cost-bearer files.
class RivizaBatchUpdate : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(werkzeugAusfuehren({bin + "demo/riviza-demo", demo}).status, 0);
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
  Lauf updateKosttr(const char* antwort = "--ja") const {
    return werkzeugAusfuehren({bin + "riviza-batch/riviza-batch", programm, "update-kosttr", antwort});
  }

  TempDir dir;
  const std::string bin = RIVIZA_BINARY_DIR "/tools/";
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
  const std::string neu = "neue Kostenträgerdateien, anzuwenden ab: 14.03.2024\n";

  server.veroeffentlichen("kost.txt", "14.03.2024\r\n");
  const Lauf nein = updateKosttr("--nein");
  EXPECT_EQ(nein.status, 0) << nein.ausgabe;
  EXPECT_NE(
      nein.ausgabe.find("[Dialog] Kostenträger anzuwenden ab: 14.03.2024\r\nübernehmen ? -> Abbrechen\n"),
      std::string::npos)
      << nein.ausgabe;
  EXPECT_EQ(nein.ausgabe.find("Dateien entpackt"), std::string::npos) << nein.ausgabe;
  EXPECT_NE(kosttrDatum(), "14.03.2024");

  const Lauf ja = updateKosttr();
  EXPECT_EQ(ja.status, 0) << ja.ausgabe;
  for (const std::string& zeile : {std::string("  Internetverbindung vorhanden\n"), neu,
                                   "  Dateien entpackt: " + std::to_string(dateien.size()) + "\n",
                                   std::string("  Kostenträger 302 aktualisiert, Anzahl: 3\n"),
                                   std::string("  Aktualisierung beendet\n")})
    EXPECT_NE(ja.ausgabe.find(zeile), std::string::npos) << zeile << ja.ausgabe;
  EXPECT_EQ(kosttrDatum(), "14.03.2024");

  const Lauf gleich = updateKosttr();
  EXPECT_EQ(gleich.status, 0) << gleich.ausgabe;
  EXPECT_NE(gleich.ausgabe.find("  keine neuen Kostenträgerdateien vorhanden, Stand: 14.03.2024\n"),
            std::string::npos)
      << gleich.ausgabe;
  EXPECT_EQ(server.anfragen().size(), 5u);  // twice date and package, once the date alone

  server.regeln({{"kost.txt", R"({"status": 404})"}});
  const Lauf fehler = updateKosttr();
  EXPECT_EQ(fehler.status, 1) << fehler.ausgabe;
  EXPECT_NE(fehler.ausgabe.find("  Fehler bei der Datenübertragung, Datei: kost.txt\n"), std::string::npos)
      << fehler.ausgabe;
}

// With WinSCP.exe in the program folder the same operation takes the SFTP road: the server's
// date, the package and its installation, and a failure for a server that is not the pinned one.
TEST_F(RivizaBatchUpdate, UpdateKosttrTakesTheSftpRoadWhenWinScpIsInTheProgramFolder) {
  SftpServer server;
  server.veroeffentlichen("kost.txt", "31.12.2098\r\n");
  server.paket("kost.zip", dateien);
  ASSERT_TRUE(platform::writeFile(programm + "/WinSCP.exe", "").ok());

  const Lauf ja = updateKosttr();
  EXPECT_EQ(ja.status, 0) << ja.ausgabe;
  for (const std::string& zeile : {std::string("  neue Kostenträgerdateien, anzuwenden ab: 31.12.2098\n"),
                                   "  Dateien entpackt: " + std::to_string(dateien.size()) + "\n",
                                   std::string("  Aktualisierung beendet\n")})
    EXPECT_NE(ja.ausgabe.find(zeile), std::string::npos) << zeile << ja.ausgabe;
  EXPECT_EQ(ja.ausgabe.find("Internetverbindung"), std::string::npos) << ja.ausgabe;
  EXPECT_EQ(kosttrDatum(), "31.12.2098");
  EXPECT_EQ(server.server.log(),
            (std::vector<std::string>{"open orvel_update/kost.txt", "open orvel_update/kost.zip"}));

  ScopedEnv mitgeliefert(net::kUpdateHostKeyVariable, "");
  const Lauf fremd = updateKosttr();
  EXPECT_EQ(fremd.status, 1) << fremd.ausgabe;
  EXPECT_NE(fremd.ausgabe.find("  SFTP: Der Schlüssel des Servers stimmt nicht"), std::string::npos)
      << fremd.ausgabe;
}

}  // namespace
}  // namespace riviza::test
