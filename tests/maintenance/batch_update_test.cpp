// riviza-batch update-kosttr end to end: a fresh demo installation (riviza-demo) against a
// loopback server that publishes the demo's own cost-bearer files as a package with a newer
// date. With --ja the files are installed, the tables rebuilt and the date stored (exit 0); with
// --nein nothing is installed and the run still succeeds; with the same date it finds nothing.
#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/ini.h"
#include "support/werkzeug.h"
#include "update_server.h"

namespace riviza::test {
namespace {

TEST(RivizaBatchUpdate, UpdateKosttrInstallsTheDemoFilesFromTheServer) {
  TempDir dir;
  const std::string bin = RIVIZA_BINARY_DIR "/tools/";
  const std::string demo = (dir / "demo").string();
  ASSERT_EQ(werkzeugAusfuehren({bin + "demo/riviza-demo", demo}).status, 0);
  const std::string programm = demo + "/Programm";
  std::vector<std::pair<std::string, std::string>> dateien;
  for (const auto& e : platform::listDirectory(programm + "/Kosttr"))
    dateien.push_back({e.name, platform::readFile(programm + "/Kosttr/" + e.name).value()});
  ASSERT_FALSE(dateien.empty());
  UpdateServer server;
  server.paket("kost.zip", dateien);
  ScopedEnv wine("WINEPREFIX", demo + "/wineprefix");
  ScopedEnv laufzeit("XDG_RUNTIME_DIR", dir.str());
  const auto jahre = platform::listDirectory(demo + "/Daten/Abrechng");
  ASSERT_EQ(jahre.size(), 1u);
  const std::string jahr = demo + "/Daten/Abrechng/" + jahre[0].name;
  const auto kosttrDatum = [&] {
    return platform::IniFile(jahr + "/Abrechng.ini").readString("EINSTELLUNGEN", "KosttrDatum", "-1");
  };
  const std::string batch = bin + "riviza-batch/riviza-batch";
  const std::string neu = "neue Kostenträgerdateien, anzuwenden ab: 14.03.2024\n";

  server.veroeffentlichen("kost.txt", "14.03.2024\r\n");
  const WerkzeugLauf nein = werkzeugAusfuehren({batch, programm, "update-kosttr", "--nein"});
  EXPECT_EQ(nein.status, 0) << nein.ausgabe;
  EXPECT_NE(
      nein.ausgabe.find("[Dialog] Kostenträger anzuwenden ab: 14.03.2024\r\nübernehmen ? -> Abbrechen\n"),
      std::string::npos)
      << nein.ausgabe;
  EXPECT_EQ(nein.ausgabe.find("Dateien entpackt"), std::string::npos) << nein.ausgabe;
  EXPECT_NE(kosttrDatum(), "14.03.2024");

  const WerkzeugLauf ja = werkzeugAusfuehren({batch, programm, "update-kosttr"});
  EXPECT_EQ(ja.status, 0) << ja.ausgabe;
  for (const std::string& zeile : {std::string("  Internetverbindung vorhanden\n"), neu,
                                   "  Dateien entpackt: " + std::to_string(dateien.size()) + "\n",
                                   std::string("  Kostenträger 302 aktualisiert, Anzahl: 3\n"),
                                   std::string("  Aktualisierung beendet\n")})
    EXPECT_NE(ja.ausgabe.find(zeile), std::string::npos) << zeile << ja.ausgabe;
  EXPECT_EQ(kosttrDatum(), "14.03.2024");

  const WerkzeugLauf gleich = werkzeugAusfuehren({batch, programm, "update-kosttr"});
  EXPECT_EQ(gleich.status, 0) << gleich.ausgabe;
  EXPECT_NE(gleich.ausgabe.find("  keine neuen Kostenträgerdateien vorhanden, Stand: 14.03.2024\n"),
            std::string::npos)
      << gleich.ausgabe;
  EXPECT_EQ(server.anfragen().size(), 5u);  // twice date and package, once the date alone

  server.regeln({{"kost.txt", R"({"status": 404})"}});
  const WerkzeugLauf fehler = werkzeugAusfuehren({batch, programm, "update-kosttr"});
  EXPECT_EQ(fehler.status, 1) << fehler.ausgabe;
  EXPECT_NE(fehler.ausgabe.find("  Fehler bei der Datenübertragung, Datei: kost.txt\n"), std::string::npos)
      << fehler.ausgabe;
}

}  // namespace
}  // namespace riviza::test
