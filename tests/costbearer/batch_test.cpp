// riviza-batch kosttr-aktualisieren end to end: a fresh demo installation (riviza-demo) comes
// with the tables built from its cost-bearer files (its funds tab is not empty), and the tool
// builds them again, prints the update list and exits 0; damaged or missing cost-bearer files exit
// 1 with the reason and leave the tables; a missing program folder exits 2 with its message.
#include <gtest/gtest.h>

#include "fixtures.h"
#include "jahr_daten.h"
#include "platform/files.h"
#include "support/temp_dir.h"
#include "support/tools.h"
#include "support/trees.h"

namespace riviza::test {
namespace {

TEST(RivizaBatch, KosttrAktualisierenFillsTheDemoTablesAndAMissingFolderExits2) {
  TempDir dir;
  const std::string bin = RIVIZA_BINARY_DIR "/tools/";
  const std::string demo = (dir / "demo").string();
  ASSERT_EQ(runTool({bin + "demo/riviza-demo", demo}).status, 0);
  const auto jahre = platform::listDirectory(demo + "/Daten/Abrechng");
  ASSERT_EQ(jahre.size(), 1u);
  const std::string tabellen = demo + "/Daten/Abrechng/" + jahre[0].name + "/Daten";
  const auto gebaut = [&](const char* wann) {
    SCOPED_TRACE(wann);
    for (const char* t : {"Kosttr.db", "Kassen.db", "Kas.db", "KasAdrAnn.db"})
      EXPECT_EQ(saetze(tabellen, t).size(), 3u) << t;
    EXPECT_TRUE(platform::listDirectory(demo + "/Programm/Temp").empty());
  };
  gebaut("by the demo tool");
  const ToolOptions umgebung{.env = {"XDG_RUNTIME_DIR=" + dir.str(), "WINEPREFIX=" + demo + "/wineprefix"}};
  const std::string batch = bin + "riviza-batch/riviza-batch";

  const ToolRun l = runTool({batch, demo + "/Programm", "kosttr-aktualisieren"}, umgebung);
  EXPECT_EQ(l.status, 0) << l.output;
  for (const char* z :
       {"  Beginn -> Kostenträgerdatei wird aktualisiert ...\n",
        "  Kostenträger 302 aktualisiert, Anzahl: 3\n", "  Kostenträger 300 aktualisiert, Anzahl: 1\n",
        "  Kostenträger 105 aktualisiert, Anzahl: 2\n", "  Kassen 302 aktualisiert, Anzahl: 3\n",
        "  Aktualisierung beendet\n"})
    EXPECT_NE(l.output.find(z), std::string::npos) << z << l.output;
  gebaut("again by riviza-batch");

  // Input that would empty or shrink the tables: exit 1, the reason, every table file as it was.
  const std::string kosttr = demo + "/Daten/Abrechng/" + jahre[0].name + "/Kosttr";
  struct Fall {
    const char* was;
    std::vector<std::pair<std::string, std::string>> dateien;  // the Kosttr folder's files
    std::string zeile;
  } faelle[] = {
      {"a published §302 file cut by head -c 40000",
       {{"AO05Q425.ke0", publishedFile("AO05Q425.ke0").substr(0, 40000)}},
       "  FEHLER Kostenträgerdateien nicht eingelesen (Kosttr302.txt): Kostenträgerdatei beschädigt: "
       "AO05Q425.ke0, Zeile 1401: die Datei endet mitten im Segment, sie ist unvollständig\n"},
      {"only §105 files",
       {{"AO06Q425.ke0", publishedFile("AO06Q425.ke0")}},
       "  FEHLER Kostenträgerdateien unvollständig: Kosttr300.db hat 1 Satz, die Kostenträgerdateien aber "
       "keine "
       "gültigen Kostenträger nach §300 (??03*.ke?); keine Tabelle geändert\n"},
      {"no files", {}, "[Fehler] Kostenträgerdateien nicht verfügbar\n"},
  };
  for (const Fall& f : faelle) {
    SCOPED_TRACE(f.was);
    ASSERT_TRUE(platform::removeTree(kosttr).ok());
    ASSERT_TRUE(platform::forceDirectories(kosttr).ok());
    for (const auto& [name, bytes] : f.dateien)
      ASSERT_TRUE(platform::writeFile(kosttr + "/" + name, bytes).ok());
    const auto vorher = TreeContents(tabellen);
    const ToolRun r = runTool({batch, demo + "/Programm", "kosttr-aktualisieren"}, umgebung);
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find(f.zeile), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("aktualisiert, Anzahl"), std::string::npos) << r.output;
    EXPECT_EQ(TreeContents(tabellen), vorher);
  }

  const ToolRun fehlt = runTool({batch, dir.str() + "/gibt-es-nicht", "kosttr-aktualisieren"}, umgebung);
  EXPECT_EQ(fehlt.status, 2);
  EXPECT_NE(fehlt.output.find("Programmordner nicht gefunden: " + dir.str() + "/gibt-es-nicht"),
            std::string::npos)
      << fehlt.output;
}

}  // namespace
}  // namespace riviza::test
