// The table rebuilds through the update tab's hidden buttons on the synthetic year (see
// kosttr_jahr.cpp, whose comments say which rule each cost bearer walks): the exact tables and
// update list, a second run, failures that leave the old tables, the one-run-at-a-time guard,
// the branch-office and provider-group settings, and the published files of the test data; and
// the rebuilds as the domain runs them, on the values they are given and their Melder alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <map>
#include <optional>
#include <set>

#include "app/melder.h"
#include "app/vorgang.h"
#include "fixtures.h"
#include "forms/globals.h"
#include "forms/update_tabellen.h"
#include "kosttr_jahr.h"
#include "maintenance/update_liste.h"
#include "platform/files.h"
#include "platform/masks.h"
#include "platform/pump.h"
#include "platform/syscalls.h"
#include "support/trees.h"

namespace riviza::test {
namespace {

using Neuaufbau = KosttrJahr;

const std::vector<std::vector<std::string>> kErwartet = {
    {"1234561|AOK Bayern|aok bayern|Die Gesundheitskasse|Carl-Wery-Straße 28|81739|München|AO",
     "2468001|Ersatzkasse Test|Ersatzkasse|Landesvertretung|Markt 3|20095|Hamburg|EK"},
    {"2345671|Apothekenkasse Nord|Apothekenkasse|Nord|Förde 1|24103|Kiel|AO",
     "1234561|AOK Bayern Apotheken|AOK Apotheken||Carl-Wery-Straße 28|81739|München|AO",
     "5555551|Apotheke Art 04|Apotheke||Weg 3|10115|Berlin|AO"},
    {"101234561|AOK Bayern Pflege|AOK Pflegekasse||Weg 5|81739|München|AO",
     "181234561|Pflegekasse Ärzte|Pflegekasse|der Ärzte|Weg 6|90402|Nürnberg|AO",
     "187777771|Pflegekasse Doppelt|Doppelt||Weg 7|01067|Dresden|AO"},
    {"1234561|AOK Bayern|aok bayern|Die Gesundheitskasse|Carl-Wery-Straße 28|81739|München|AO|101234561",
     "1234572|Betriebskasse Ärzte|BKK der Ärzte|Abteilung Süd|Königstraße 9|90402|Nürnberg|AO|101234561",
     "2468001|Ersatzkasse Test|Ersatzkasse|Landesvertretung|Markt 3|20095|Hamburg|EK|102468001"},
    {"2345671|Apothekenkasse Nord|Apothekenkasse|Nord|Förde 1|24103|Kiel|AO|102345671",
     "1234561|AOK Bayern Apotheken|AOK Apotheken||Carl-Wery-Straße 28|81739|München|AO|101234561",
     "3333331|BARMER Wuppertal|BARMER|GS Wuppertal|Lichtscheid 1|42103|Wuppertal|AO|104940005",
     "3333353|BARMER Bonn|BARMER|GS Bonn|Markt 4|53111|Bonn|AO|104940005"},
    {"1234561|AOK Bayern Pflege|AOK Pflegekasse||Weg 5|81739|München|AO|101234561",
     "1234561|Pflegekasse Ärzte|Pflegekasse|der Ärzte|Weg 6|90402|Nürnberg|AO|181234561",
     "7777771|Pflegekasse Doppelt|Doppelt||Weg 7|01067|Dresden|AO|187777771"},
    {"1234561|AO|302|AOK Bayern|101234561|AOK Bayern|109100001|Papierannahme Mitte|109100001|Papierannahme "
     "Mitte|101234561|AOK Bayern|||109000001|Datenannahme Süd|109000002|",
     "1234572|AO|302|Betriebskasse Ärzte|101234561|AOK Bayern|109100001|Papierannahme Mitte|109100001|"
     "Papierannahme Mitte|101234561|AOK Bayern|||109000001|Datenannahme Süd|109000002|",
     "2468001|EK|302|Ersatzkasse Test|102468001|Ersatzkasse Test|102468001|Ersatzkasse Test|109100001|"
     "Papierannahme Mitte|102468001|Ersatzkasse Test|||109000001|Datenannahme Süd|109000002|"},
    {"109100001|Papierannahme Mitte|Papierannahme|Mitte|Belegannahme|Zeil 5|60311|Frankfurt|AO|302",
     "101234561|AOK Bayern|aok bayern|Die Gesundheitskasse||Carl-Wery-Straße 28|81739|München|AO|",
     "102468001|Ersatzkasse Test|Ersatzkasse|Landesvertretung||Markt 3|20095|Hamburg|EK|302",
     "109100001||||||||EK|"},
    {"3333353|BARMER Bonn alt|||||||", "3333331|BARMER Wuppertal|BARMER|Lichtscheid 1|42103|Wuppertal|||"},
};

const std::vector<std::string> kProtokoll = {
    zeile("Beginn -> Kostenträgerdatei wird aktualisiert ..."),
    zeile("Doppelte IK übergangen: 101234561 in Kosttr302.txt"),
    zeile("Kostenträger 302 aktualisiert, Anzahl: 2"),
    zeile("Kostenträger 300 aktualisiert, Anzahl: 3"),
    zeile("Doppelte IK übergangen: 187777771 in Kosttr105.txt"),
    zeile("Kostenträger 105 aktualisiert, Anzahl: 3"),
    zeile("Ende   -> Kostenträgerdatei aktualisiert"),
    zeile("Beginn -> Kassendatei wird aktualisiert ..."),
    zeile("Doppelte IK übergangen: 101234561 in Kosttr302.txt"),
    zeile("Kassen 302 aktualisiert, Anzahl: 3"),
    zeile("Kassen 300 aktualisiert, Anzahl: 4"),
    zeile("BARMER Geschäftsstelllen aktualisiert, Anzahl: 1"),
    zeile("Doppelte IK übergangen: 187777771 in Kosttr105.txt"),
    zeile("Kassen 105 aktualisiert, Anzahl: 3"),
    zeile("Ende   -> Kassendatei aktualisiert"),
    zeile("Beginn -> Kassendatei302 wird aktualisiert ..."),
    zeile("Doppelte IK übergangen: 101234561 in Kosttr302.txt"),
    zeile("Kassen 302 aktualisiert, Anzahl: 3"),
    zeile("Ende   -> Kassendatei302 aktualisiert"),
    zeile("Aktualisierung beendet"),
};

TEST_F(Neuaufbau, SyntheticYearGivesExactTablesAndLinesAndASecondRunTheSame) {
  starten();
  for (int lauf = 1; lauf <= 2; ++lauf) {
    SCOPED_TRACE(lauf);
    form->ListBoxLiveUpdate->items().clear();
    form->BitBtnTabelleKostentraeger->click();
    EXPECT_EQ(alleTabellen(), kErwartet);
    // The second run finds its branch office in AdrDlz.DB already.
    auto erwartet = kProtokoll;
    if (lauf == 2) erwartet[11] = zeile("BARMER Geschäftsstelllen aktualisiert, Anzahl: 0");
    EXPECT_EQ(protokoll(), erwartet);
    EXPECT_FALSE(form->LabelWarten->visible());
    EXPECT_EQ(form->LabelKosttr->caption(), "101234561");  // the last line of Kosttr302.txt
    EXPECT_EQ(form->FileListBoxKost300->items().lines(), std::vector<std::string>{"AO03Q124.ke0"});
  }
  EXPECT_TRUE(dialogs.transcript().empty());
}

namespace cb = costbearer;

// The settings of the synthetic year's BüroWARE debtor run (debitoren_test.cpp's golden files).
cb::NeuaufbauWerte bueroWareWerte(const std::string& ordner, const std::string& nummer) {
  cb::NeuaufbauWerte w;
  w.debitoren.debitorenAb = w.debitoren.bueroWare = true;
  w.debitoren.nummer = nummer;
  w.debitoren.ordner = ordner;
  w.leKuerzel = "PM";
  return w;
}

TEST_F(Neuaufbau, TheDomainRunsOnItsValuesAloneAndReportsThroughItsMelder) {
  starten();
  form->TableAdrDlz->close();  // what the handler's pause does
  const Installation inst = installation();
  const Globals vorher = globals();
  // The program's state and the form name another installation and other settings.
  globals().ProgrammPfad = imDaten("nirgends\\");
  globals().JahrPfad = "Abrechng\\1999\\";
  form->EditLeKuerzel->setText("ser");
  form->EditDebitorenAb->setText("77");
  ListenMelder melder;
  const cb::NeuaufbauErgebnis e =
      cb::imEigenenVorgang(inst, bueroWareWerte(bw(), "00500"), melder, "Kostenträger- und Kassentabellen",
                           cb::KosttrTabellenNeuAufbauen);
  globals() = vorher;
  ASSERT_TRUE(e.status.ok()) << e.status.error().describe();

  EXPECT_EQ(alleTabellen(), kErwartet);
  // The lines the form's update list gets from the same run, but the handler's closing line.
  std::vector<std::string> zeilen;
  for (const std::string& z : melder.zeilen()) zeilen.push_back(LogZeile(z));
  EXPECT_EQ(zeilen, std::vector<std::string>(kProtokoll.begin(), kProtokoll.end() - 1));
  for (const std::string& pfad : bwDateien()) {
    const std::string name = pfad.substr(pfad.find_last_of('\\') + 1);
    EXPECT_EQ(
        platform::readFile(pfad).valueOr("<fehlt>"),
        readNative(std::filesystem::path(RIVIZA_SOURCE_DIR) / "tests/costbearer/golden/debitoren" / name))
        << name;
  }
  EXPECT_EQ(e.debitorenAb, "506");
  EXPECT_EQ(jahrWert("2024", "DebitorenAb", "FIRMA"), "506");
  EXPECT_TRUE(melder.meldungen().empty());
  EXPECT_FALSE(melder.wartet());
  EXPECT_EQ(melder.letzterStand(), "101234561");  // the last line of Kosttr302.txt
  // The form shows what its handler writes back, and nothing of the run went elsewhere.
  EXPECT_EQ(form->EditDebitorenAb->text(), "77");
  EXPECT_TRUE(protokoll().empty());
  EXPECT_TRUE(dialogs.transcript().empty());
  EXPECT_FALSE(form->TableKosttr->active() || form->TableKassen->active());
  EXPECT_FALSE(daten.exists("nirgends"));
  EXPECT_FALSE(programm.exists(kVorgangsJournal));
}

TEST_F(Neuaufbau, ARefusedDomainRunSaysWhyThroughItsMelderAndWritesNothing) {
  starten();
  form->TableAdrDlz->close();
  daten.mkdir("Abrechng/2023/Kosttr");
  struct Fall {
    const char* was;
    const char* jahrPfad;
    const char* nummer;
    std::vector<std::string> zeilen;
    Meldungsart art;
    std::string meldung;
  } faelle[] = {
      {"a debtor number of 9 digits",
       "Abrechng\\2024\\",
       "123456789",
       {},
       Meldungsart::FehlerBox,
       "Debitoren-Nr. \"123456789\" hat mehr als 8 Stellen:\nKostenträger nicht aktualisiert."},
      {"no cost-bearer folder",
       "Abrechng\\1999\\",
       "1",
       {},
       Meldungsart::Fehlschlag,
       "Kostenträgerdateien nicht verfügbar"},
      {"no cost-bearer file",
       "Abrechng\\2023\\",
       "1",
       {"  FEHLER Kostenträgerdateien nicht verfügbar: keine Datei ??03*.ke?, ??05*.ke?, ??06*.ke? in " +
        gezeigtImDaten("Abrechng/2023/Kosttr")},
       Meldungsart::Fehlschlag,
       "Kostenträgerdateien nicht verfügbar"},
  };
  for (const Fall& f : faelle) {
    SCOPED_TRACE(f.was);
    Installation inst = installation();
    inst.jahrPfad = f.jahrPfad;
    ListenMelder melder;
    const cb::NeuaufbauErgebnis e = cb::imEigenenVorgang(inst, bueroWareWerte(bw(), f.nummer), melder,
                                                         "Kostenträgertabellen", cb::KosttrAktualisierenIm);
    ASSERT_FALSE(e.status.ok());
    EXPECT_EQ(e.status.error().code, cb::kNichtAktualisiert);
    EXPECT_EQ(e.debitorenAb, std::nullopt);
    EXPECT_EQ(melder.zeilen(), f.zeilen);
    ASSERT_EQ(melder.meldungen().size(), 1u);
    EXPECT_EQ(melder.meldungen()[0].art, f.art);
    EXPECT_EQ(melder.meldungen()[0].text, f.meldung);
    EXPECT_FALSE(programm.exists("IDB_ID0020.DAT"));
    EXPECT_FALSE(programm.exists(kVorgangsJournal));
    EXPECT_TRUE(dialogs.transcript().empty());
  }
  EXPECT_EQ(tabelle("Kosttr.db"), std::vector<std::string>{});
}

// Writes whose bytes begin with the debtor file's separator fail as on a full disk.
ssize_t dtaSchreibfehler(int fd, const void* buf, size_t n) {
  if (n > 0 && *static_cast<const unsigned char*>(buf) == 0xFE) {
    errno = ENOSPC;
    return -1;
  }
  return platform::realSysCalls().write(fd, buf, n);
}

TEST_F(Neuaufbau, AFailureLeavesTheOldTables) {
  starten();
  ASSERT_TRUE(KostentraegerTabellenAktualisieren());
  // The year's Kosttr folder with the synthetic files of the masks but the EK05 one (without it a
  // successful run would change Kosttr.db, Kassen.db and Kas.db), and `dazu`.
  auto kosttr = [&](const std::vector<std::string>& masken,
                    const std::vector<std::pair<std::string, std::string>>& dazu) {
    ASSERT_TRUE(platform::removeTree(jahrOrdner("Kosttr")).ok());
    daten.mkdir("Abrechng/2024/Kosttr");
    for (const auto& [name, bytes] : kostentraegerDateien())
      for (const std::string& maske : masken)
        if (name != "EK05Q124.ke0" && platform::matchesMask(name, maske))
          daten.write("Abrechng/2024/Kosttr/" + name, bytes);
    for (const auto& [name, bytes] : dazu) daten.write("Abrechng/2024/Kosttr/" + name, bytes);
  };
  const std::vector<std::string> alle = {"*.ke0"};
  const std::string ao05 = publishedFile("AO05Q425.ke0");
  const std::string beschaedigt = zeile(
      "FEHLER Kostenträgerdateien nicht eingelesen (Kosttr302.txt): "
      "Kostenträgerdatei beschädigt: ");
  struct Fall {
    const char* name;
    std::function<void()> vorbereiten;
    std::string meldung;  // the beginning of the line or message that tells
    size_t unveraendert;  // the first n tables of kTabellen keep their records (all: nothing commits)
  } faelle[] = {
      {"a published file cut by head -c 40000",
       [&] {
         kosttr(alle, {{"AO05Q425.ke0", ao05.substr(0, 40000)}});
       },
       beschaedigt + "AO05Q425.ke0, Zeile 1401: die Datei endet mitten im Segment, sie ist unvollständig",
       std::size(kTabellen)},
      {"a published file cut right after an UNT line",
       [&] {
         kosttr(alle, {{"AO05Q425.ke0", cutAfterUnt(ao05, 100)}});
       },
       beschaedigt + "AO05Q425.ke0, Zeile 1342: die Datei endet ohne UNZ, sie ist unvollständig",
       std::size(kTabellen)},
      {"a published file garbled",
       [&] {
         kosttr(alle, {{"AO05Q425.ke0", garbled(ao05, 20000, 200)}});
       },
       beschaedigt + "AO05Q425.ke0, Zeile 681: keine Segmentzeile", std::size(kTabellen)},
      {"87 KB of random bytes in place of a file",
       [&] {
         kosttr(alle, {{"AO05Q124.ke0", RandomBytes(87000, 9)}});
       },
       beschaedigt +
           "AO05Q124.ke0, Zeile 1: die Datei beginnt nicht mit UNB, sie ist keine Kostenträgerdatei",
       std::size(kTabellen)},
      {"no §302 file",
       [&] {
         kosttr({"??03*", "??06*"}, {});
       },
       zeile("FEHLER Kostenträgerdateien unvollständig: Kosttr.db hat 2 Sätze, die Kostenträgerdateien aber "
             "keine "
             "gültigen Kostenträger nach §302 (??05*.ke?); keine Tabelle geändert"),
       std::size(kTabellen)},
      {"no cost-bearer file",
       [&] {
         kosttr({}, {{"liesmich.txt", "x"}});
       },
       "Kostenträgerdateien nicht verfügbar", std::size(kTabellen)},
      {"a reader fails",
       [&] {
         kosttr(alle, {});
         ASSERT_TRUE(platform::deleteFile(imProgramm("Temp\\Kosttr105.txt")).ok());
         programm.mkdir("Temp/Kosttr105.txt");
       },
       zeile("FEHLER Kostenträgerdateien nicht eingelesen (Kosttr105.txt): "), std::size(kTabellen)},
      {"the debtor file cannot be written",
       [&] {
         ASSERT_TRUE(platform::removeDirectory(imProgramm("Temp\\Kosttr105.txt")).ok());
         form->CheckBoxFirmaDebitorenAbJN->setChecked(true);
         form->EditDebitorenAb->setText("100");
       },
       zeile("FEHLER " + gezeigtImProgramm("Kosttr.dta") + ": "), std::size(kTabellen)},
      {"the year has no cost-bearer folder",
       [&] { ASSERT_TRUE(platform::removeTree(jahrOrdner("Kosttr")).ok()); },
       "Kostenträgerdateien nicht verfügbar", std::size(kTabellen)},
  };
  platform::SysCalls fehlerhaft = platform::realSysCalls();
  fehlerhaft.write = dtaSchreibfehler;
  for (auto& fall : faelle) {
    SCOPED_TRACE(fall.name);
    fall.vorbereiten();
    const auto vorher = alleTabellen();
    const auto dateienVorher = TreeContents(daten / "Abrechng/2024/Daten");
    form->ListBoxLiveUpdate->items().clear();
    {
      platform::ScopedSysCalls schreibfehler(fehlerhaft);
      EXPECT_FALSE(KostentraegerTabellenAktualisieren());
    }
    std::vector<std::string> gesagt = protokoll();
    for (const auto& d : dialogs.transcript()) gesagt.push_back(d.text);
    dialogs.clear();
    EXPECT_TRUE(std::any_of(gesagt.begin(), gesagt.end(), [&](const std::string& z) {
      return z.starts_with(fall.meldung);
    })) << testing::PrintToString(gesagt);
    const auto nachher = alleTabellen();
    for (size_t i = 0; i < fall.unveraendert; ++i) EXPECT_EQ(nachher[i], vorher[i]) << kTabellen[i];
    EXPECT_EQ(nachher[0], kErwartet[0]);  // the old table, not the one of the files as they are now
    // A run refused before its passes leaves every table file as it was, byte for byte.
    if (fall.unveraendert == std::size(kTabellen)) {
      EXPECT_EQ(TreeContents(daten / "Abrechng/2024/Daten"), dateienVorher);
    }
  }
  EXPECT_EQ(form->EditDebitorenAb->text(), "100");  // a failed pass hands out no number
}

// A rebuild is an operation: the pump it lets run after every line passes no click (the update
// tab's buttons would start another rebuild on the same cursors), and a close waits for its end.
TEST_F(Neuaufbau, ARebuildTakesNoOtherActionAndACloseWaitsForItsEnd) {
  starten();
  form->show();
  form->PageControl1->setActivePageIndex(5);
  std::vector<bool> geklickt, sichtbar;
  platform::setMessagePump([&] {
    if (geklickt.empty()) {
      geklickt = {form->BitBtnKost->userClick(), form->BitBtnLiveUpdate->userClick()};
      form->close();
    }
    sichtbar.push_back(form->visible());
  });
  EXPECT_TRUE(KosttrAktualisieren());
  platform::setMessagePump({});
  EXPECT_EQ(geklickt, (std::vector<bool>{false, false}));
  EXPECT_EQ(std::count(sichtbar.begin(), sichtbar.end(), false), 0);
  EXPECT_FALSE(form->visible());
  EXPECT_EQ(tabelle("Kosttr.db"), kErwartet[0]);
  const auto& liste = form->ListBoxLiveUpdate->items().lines();  // an update would have begun there
  EXPECT_TRUE(std::none_of(liste.begin(), liste.end(), [](const std::string& z) {
    return z.find("Internetverbindung") != std::string::npos;
  }));
}

// "Tabelle Kassen" frames its rebuild with its own lines, "Imp Kosttr IDB / DTA" runs two
// rebuilds without any; the readers' notes on a file they passed parts of reach the list in both.
TEST_F(Neuaufbau, TheOtherHiddenButtonsAndTheReadersNotes) {
  starten();
  std::vector<std::string> bk05 = message({"IDK+108888881+99+Datum unlesbar'", "VDT+2025061X'"});
  for (const std::string& z : message({"IDK+10888888+99+IK zu kurz'"})) bk05.push_back(z);
  daten.write("Abrechng/2024/Kosttr/BK05Q124.ke0", segmentFile(interchange(bk05)));
  const std::vector<std::string> notizen = {
      zeile("VDT ohne gültiges Datum übergangen: BK05Q124.ke0 Zeile 5: VDT+2025061X'"),
      zeile("Kostenträger ohne gültige IK übergangen: BK05Q124.ke0 Zeile 8: IDK+10888888+99+IK zu kurz'")};
  auto mit = [](std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  // The rebuilds' own lines, from the synthetic year's list.
  const std::vector<std::string> kassen(kProtokoll.begin() + 8, kProtokoll.begin() + 14);
  const std::vector<std::string> kosttr(kProtokoll.begin() + 1, kProtokoll.begin() + 6);

  form->BitBtnKassen->click();
  EXPECT_EQ(protokoll(), mit(mit(mit({zeile("Beginn -> Kassen lesen ...")}, notizen), kassen),
                             {zeile("Ende   -> Kassen lesen aktualisiert")}));

  form->ListBoxLiveUpdate->items().clear();
  form->BitBtnImpKosttr->click();
  auto kassenNochmal = kassen;
  kassenNochmal[3] = zeile("BARMER Geschäftsstelllen aktualisiert, Anzahl: 0");
  EXPECT_EQ(protokoll(), mit(mit(mit(notizen, kassenNochmal), notizen), kosttr));
  // Neither cost bearer is in a table (the buttons leave Kas.db and KasAdrAnn.db).
  const auto tabellen = alleTabellen();
  for (size_t i : {0u, 1u, 2u, 3u, 4u, 5u, 8u}) EXPECT_EQ(tabellen[i], kErwartet[i]) << kTabellen[i];
}

TEST_F(Neuaufbau, BranchOfficesAndProviderGroupFollowTheSettings) {
  struct Fall {
    const char* kuerzel;
    const char* gruppe;
    bool geschaeftsstelle;  // 3333331 added and counted
    size_t kasAdrAnn;       // rows
  } faelle[] = {
      {"PM", "2", true, 0}, {"ser", "21", false, 4}, {"SERVICE", "21", false, 4}, {"Ser", "213", false, 0}};
  for (const auto& f : faelle) {
    SCOPED_TRACE(f.kuerzel + std::string(" ") + f.gruppe);
    starten("Bundesland=02\r\nAbrechnungscode302=" + std::string(f.gruppe) + "\r\nLeKuerzel=" + f.kuerzel +
            "\r\n");
    ASSERT_TRUE(KassenAktualisieren());
    ASSERT_TRUE(KassenAktualisieren());  // an office already there is not added again
    ASSERT_TRUE(KassenAdrAnnAktualisieren());
    EXPECT_EQ(tabelle("AdrDlz.DB").size(), f.geschaeftsstelle ? 2u : 1u);
    const auto& z = protokoll();
    EXPECT_EQ(std::count(z.begin(), z.end(), zeile("BARMER Geschäftsstelllen aktualisiert, Anzahl: 1")),
              f.geschaeftsstelle ? 1 : 0);
    EXPECT_EQ(std::count(z.begin(), z.end(), zeile("BARMER Geschäftsstelllen aktualisiert, Anzahl: 0")),
              f.geschaeftsstelle ? 1 : 0);
    EXPECT_EQ(tabelle("KasAdrAnn.db").size(), f.kasAdrAnn);
    // Without a two-character group no fund gets an office.
    for (const std::string& kas : tabelle("Kas.db"))
      EXPECT_EQ(kas.ends_with("||||||||||||"), f.kasAdrAnn == 0) << kas;
    neuesProgramm();
    ASSERT_TRUE(platform::removeTree(daten.str() + "/Abrechng").ok());
  }
}

// IK -> number of IDK segments in the published files of one kind whose IK begins with one of
// the prefixes.
std::map<std::string, int> idks(const char* maske, std::set<std::string> praefixe) {
  std::map<std::string, int> anzahl;
  for (const auto& e : platform::listDirectory(testData("kosttr").string(), maske)) {
    const std::string text = readNative(testData("kosttr") / e.name);
    for (size_t p = text.find("IDK+"); p != std::string::npos; p = text.find("IDK+", p + 1))
      if (praefixe.count(text.substr(p + 4, 2))) ++anzahl[text.substr(p + 4, 9)];
  }
  return anzahl;
}

TEST_F(Neuaufbau, PublishedFilesGivePlausibleTables) {
  uhr.set({2025, 11, 1, 10, 30, 0});
  starten(kFirma, false);
  for (const auto& e : platform::listDirectory(testData("kosttr").string(), "*.ke0"))
    ASSERT_TRUE(
        platform::copyFile((testData("kosttr") / e.name).string(), jahrOrdner("Kosttr\\" + e.name)).ok());
  ASSERT_TRUE(KostentraegerTabellenAktualisieren());

  const auto ik302 = idks("??05*.ke?", {"10"});
  const auto ik105 = idks("??06*.ke?", {"10", "18"});
  // A cost bearer whose work file holds two valid main lines is logged once.
  std::map<std::string, int> gueltig;
  for (const std::string& z : crlfLines(programm.read("Temp/Kosttr105.txt")))
    if (z.substr(10, 2) == "01" && (z.starts_with("10") || z.starts_with("18"))) ++gueltig[z.substr(0, 9)];
  std::set<std::string> doppelt;
  for (const auto& [ik, n] : gueltig)
    if (n > 1) doppelt.insert("01.11.2025 10:30:00  Doppelte IK übergangen: " + ik + " in Kosttr105.txt");
  std::set<std::string> gemeldet;
  for (const std::string& z : protokoll()) {
    EXPECT_EQ(z.find("FEHLER"), std::string::npos) << z;
    if (z.find("Doppelte IK") != std::string::npos && z.ends_with("Kosttr105.txt")) gemeldet.insert(z);
  }
  EXPECT_EQ(gemeldet, doppelt);
  EXPECT_FALSE(doppelt.empty());

  // Each table holds each IK once and no more cost bearers than the files name.
  struct Grenze {
    const char* tabelle;
    size_t hoechstens;
  } grenzen[] = {{"Kosttr.db", ik302.size()},
                 {"Kassen.db", ik302.size()},
                 {"Kas.db", ik302.size()},
                 {"Kosttr105.db", ik105.size()},
                 {"Kassen105.db", ik105.size()}};
  for (const auto& g : grenzen) {
    SCOPED_TRACE(g.tabelle);
    std::set<std::string> iks;
    const auto saetze = tabelle(g.tabelle);
    for (const std::string& s : saetze) iks.insert(s.substr(0, s.find('|')));
    EXPECT_GT(saetze.size(), 0u);
    EXPECT_LE(saetze.size(), g.hoechstens);
    // Kassen105.db keys by the code after the first two digits, which a 10 and an 18 IK share.
    EXPECT_EQ(iks.size() == saetze.size() || std::string(g.tabelle) == "Kassen105.db", true);
  }
  EXPECT_EQ(tabelle("Kosttr105.db").size(), tabelle("Kassen105.db").size());
  EXPECT_TRUE(tabelle("Kosttr300.db").empty());  // the test data holds no §300 files
  EXPECT_GT(tabelle("KasAdrAnn.db").size(), 0u);
  for (const std::string& s : tabelle("KasAdrAnn.db")) EXPECT_FALSE(s.starts_with("|")) << s;
}

}  // namespace
}  // namespace riviza::test
