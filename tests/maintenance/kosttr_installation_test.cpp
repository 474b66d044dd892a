// A whole cost-bearer update over HTTP on the synthetic year of the rebuild tests
// (tests/costbearer/kosttr_jahr.cpp): the package replaces the files of both Kosttr folders, the
// tables are rebuilt, the date is stored and shown, and the update list holds exactly the
// chain's and the rebuilds' lines. A rebuild that fails keeps the old date, so the next check
// offers the files again. The rebuilds take the form's debtor settings and the form shows the
// number they leave.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "kosttr_jahr.h"
#include "platform/files.h"
#include "update_server.h"

namespace riviza::test {
namespace {

namespace fs = std::filesystem;

class KosttrInstallation : public KosttrJahr {
 protected:
  KosttrInstallation() {
    platform::runPostedTasks();
    starten(kFirma, false);
    daten.write("Abrechng/2024/Kosttr/XX05Q423.ke0", "alt");
    server.veroeffentlichen("kost.txt", "01.04.2024\r\n");
    server.paket("kost.zip", kostentraegerDateien());
    dialogs.answer(ui::DlgResult::Yes);
  }

  // The names and bytes of a folder's files.
  static std::vector<std::pair<std::string, std::string>> inhalt(const std::string& ordner) {
    std::vector<std::pair<std::string, std::string>> out;
    for (const auto& e : platform::listDirectory(ordner))
      out.push_back({e.name, platform::readFile(ordner + "\\" + e.name).valueOr("?")});
    return out;
  }
  static std::vector<std::pair<std::string, std::string>> paketInhalt() {
    auto dateien = kostentraegerDateien();
    std::sort(dateien.begin(), dateien.end());
    return dateien;
  }

  UpdateServer server;
};

TEST_F(KosttrInstallation, PackageReplacesTheFilesRebuildsTheTablesAndStoresTheDate) {
  const std::string groesse = std::to_string(fs::file_size(server.pfad("kost.zip")));
  drueckenUndWarten(*form, UpdateArt::Kosttr);

  EXPECT_EQ(texte(), std::vector<std::string>{"Kostenträger anzuwenden ab: 01.04.2024\r\nübernehmen ?"});
  const std::vector<std::string> erwartet = {
      z("Internetverbindung vorhanden"),
      z("Download gestartet"),
      z("Datei: " + gezeigtImProgramm("temp/kost.txt")),
      z("12 von 12 bytes"),
      z("neue Kostenträgerdateien, anzuwenden ab: 01.04.2024"),
      z("... Daten werden kopiert, Dauer bei ISDN ca. 0,5 min."),
      z("Datei: " + gezeigtImProgramm("temp/kost.zip")),
      z(groesse + " von " + groesse + " bytes"),
      z("Download beendet"),
      z("Dateien entpackt: 5"),
      z("Beginn -> Kostenträgerdatei wird aktualisiert ..."),
      z("Doppelte IK übergangen: 101234561 in Kosttr302.txt"),
      z("Kostenträger 302 aktualisiert, Anzahl: 2"),
      z("Kostenträger 300 aktualisiert, Anzahl: 3"),
      z("Doppelte IK übergangen: 187777771 in Kosttr105.txt"),
      z("Kostenträger 105 aktualisiert, Anzahl: 3"),
      z("Ende   -> Kostenträgerdatei aktualisiert"),
      z("Beginn -> Kassendatei wird aktualisiert ..."),
      z("Doppelte IK übergangen: 101234561 in Kosttr302.txt"),
      z("Kassen 302 aktualisiert, Anzahl: 3"),
      z("Kassen 300 aktualisiert, Anzahl: 4"),
      z("BARMER Geschäftsstelllen aktualisiert, Anzahl: 1"),
      z("Doppelte IK übergangen: 187777771 in Kosttr105.txt"),
      z("Kassen 105 aktualisiert, Anzahl: 3"),
      z("Ende   -> Kassendatei aktualisiert"),
      z("Beginn -> Kassendatei302 wird aktualisiert ..."),
      z("Doppelte IK übergangen: 101234561 in Kosttr302.txt"),
      z("Kassen 302 aktualisiert, Anzahl: 3"),
      z("Ende   -> Kassendatei302 aktualisiert"),
      z("Aktualisierung beendet"),
  };
  EXPECT_EQ(protokoll(), erwartet);

  EXPECT_EQ(inhalt(jahrOrdner("Kosttr")), paketInhalt());
  EXPECT_EQ(inhalt(imProgramm("Kosttr")), paketInhalt());
  EXPECT_EQ(tabelle("Kosttr.db"),
            (std::vector<std::string>{
                "1234561|AOK Bayern|aok bayern|Die Gesundheitskasse|Carl-Wery-Straße 28|81739|München|AO",
                "2468001|Ersatzkasse Test|Ersatzkasse|Landesvertretung|Markt 3|20095|Hamburg|EK"}));
  for (const char* t : kTabellen) EXPECT_FALSE(tabelle(t).empty()) << t;
  EXPECT_EQ(jahrWert("2024", "KosttrDatum"), "01.04.2024");
  EXPECT_EQ(globals().StandKosttrDatum, "01.04.2024");
  EXPECT_EQ(form->LabelKosttr->caption(), "01.04.2024");
  EXPECT_EQ(UpdateZustand(UpdateArt::Kosttr).ergebnis, UpdateErgebnis::Installiert);
  EXPECT_FALSE(programm.exists("Temp/kost.zip"));
  EXPECT_FALSE(programm.exists("Temp/KosttrNeu"));

  // The date is installed: the next check finds nothing new.
  form->ListBoxLiveUpdate->items().clear();
  drueckenUndWarten(*form, UpdateArt::Kosttr);
  EXPECT_EQ(protokoll().back(), z("Download beendet"));
  EXPECT_EQ(protokoll()[protokoll().size() - 2],
            z("keine neuen Kostenträgerdateien vorhanden, Stand: 01.04.2024"));
}

TEST_F(KosttrInstallation, FailedRebuildKeepsTheDateAndTheNextCheckOffersTheFilesAgain) {
  // A folder where a reader writes its work file makes the rebuild fail: the old files stand,
  // the tables are old, the date is old.
  programm.mkdir("Temp/Kosttr105.txt");
  const auto jahrVorher = inhalt(jahrOrdner("Kosttr"));
  const auto programmVorher = inhalt(imProgramm("Kosttr"));
  const auto tabellenVorher = alleTabellen();
  drueckenUndWarten(*form, UpdateArt::Kosttr);
  EXPECT_EQ(protokoll().back(),
            z("Tabellen nicht aktualisiert: Kostenträgerdateien, Tabellen und Kostenträgerdatum unverändert"));
  EXPECT_EQ(inhalt(jahrOrdner("Kosttr")), jahrVorher);
  EXPECT_EQ(inhalt(imProgramm("Kosttr")), programmVorher);
  EXPECT_EQ(alleTabellen(), tabellenVorher);
  EXPECT_FALSE(daten.exists("Abrechng/2024/Kosttr~neu"));
  EXPECT_EQ(jahrWert("2024", "KosttrDatum"), "-1");
  EXPECT_EQ(globals().StandKosttrDatum, "01.01.2000");
  EXPECT_EQ(UpdateZustand(UpdateArt::Kosttr).ergebnis, UpdateErgebnis::Fehler);

  fs::remove(programm / "Temp" / "Kosttr105.txt");
  form->ListBoxLiveUpdate->items().clear();
  dialogs.answer(ui::DlgResult::Yes);
  drueckenUndWarten(*form, UpdateArt::Kosttr);
  EXPECT_EQ(protokoll()[4], z("neue Kostenträgerdateien, anzuwenden ab: 01.04.2024"));
  EXPECT_EQ(protokoll().back(), z("Aktualisierung beendet"));
  EXPECT_EQ(jahrWert("2024", "KosttrDatum"), "01.04.2024");
}

TEST_F(KosttrInstallation, TheRebuildsTakeTheFormsDebtorSettingsAndTheFormShowsTheNumberTheyLeave) {
  struct Fall {
    const char* was;
    bool fehlschlag;      // a reader cannot write its work file
    const char* gezeigt;  // EditDebitorenAb afterwards
    const char* gespeichert;
  } faelle[] = {
      // The number is normalised before the readers run; nothing is stored.
      {"the rebuild fails", true, "12", "-1"},
      {"installed", false, "18", "18"},
  };
  for (const Fall& f : faelle) {
    SCOPED_TRACE(f.was);
    if (f.fehlschlag)
      programm.mkdir("Temp/Kosttr105.txt");
    else
      fs::remove(programm / "Temp" / "Kosttr105.txt");
    bueroWare(true, "12,7");
    dialogs.answer(ui::DlgResult::Yes);
    drueckenUndWarten(*form, UpdateArt::Kosttr);
    EXPECT_EQ(form->EditDebitorenAb->text(), f.gezeigt);
    EXPECT_EQ(jahrWert("2024", "DebitorenAb", "FIRMA"), f.gespeichert);
    EXPECT_EQ(programm.exists("IDB_ID0020.DAT"), !f.fehlschlag);
    EXPECT_EQ(platform::fileExists(bw() + "\\Import\\Kosttr.tab"), !f.fehlschlag);
  }
}

}  // namespace
}  // namespace riviza::test
