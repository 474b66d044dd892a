// riviza-batch kosttr-aktualisieren end to end: a fresh demo installation (riviza-demo) comes
// with the tables built from its cost-bearer files (its funds tab is not empty), and the tool
// builds them again, prints the update list and exits 0; a missing program folder exits 2 with
// its message.
#include <gtest/gtest.h>

#include "jahr_daten.h"
#include "platform/files.h"
#include "support/temp_dir.h"
#include "support/tools.h"

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

  const ToolRun fehlt = runTool({batch, dir.str() + "/gibt-es-nicht", "kosttr-aktualisieren"}, umgebung);
  EXPECT_EQ(fehlt.status, 2);
  EXPECT_NE(fehlt.output.find("Programmordner nicht gefunden: " + dir.str() + "/gibt-es-nicht"),
            std::string::npos)
      << fehlt.output;
}

}  // namespace
}  // namespace riviza::test
