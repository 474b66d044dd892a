// The reorganisation when something goes wrong: injected failures (a copy error, a full disk, a
// table in use, a record that cannot be written, a failed exchange) each leave the year's Daten
// byte for byte as it was and its Version unwritten, with the failure in REORG.LOG and a
// message; the preconditions are checked before anything is made; two runs in one second keep
// two dated backups.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>

#include "app/allg_tools.h"
#include "platform/ini.h"
#include "platform/pump.h"
#include "reorg_fixture.h"
#include "stoerung.h"

namespace riviza::test {
namespace {

// A year of an older program: vouchers, positions, services and offices in older structures.
void alteTabellen(const std::string& ordner, bool mitBelegen = true) {
  if (mitBelegen)
    tabelleAnlegen(ordner, "ErfBeleg.DB", aelter("ErfBeleg.DB", 53), {{{0, "4711"}, {48, "True"}}});
  tabelleAnlegen(ordner, "ErfPosition.DB", aelter("ErfPosition.DB", 30), {{{0, "4711"}, {10, "1"}}});
  tabelleAnlegen(ordner, "Leistungen.DB", aelter("Leistungen.DB", 19), {{{0, "L1"}, {2, "A1"}}});
  tabelleAnlegen(ordner, "Ann.DB", aelter("Ann.DB", 20), {{{0, "1234567"}}, {{0, "102345678"}}});
}

void versionSetzen(const std::string& iniPfad, const char* version) {
  ASSERT_TRUE(platform::IniFile(iniPfad).writeString("EINSTELLUNGEN", "Version", version).ok());
}

bool enthaelt(const std::string& text, const std::string& teil) {
  return text.find(teil) != std::string::npos;
}

TEST_F(Reorg, EveryFailureLeavesTheYearsTablesAndItsVersionAsTheyWere) {
  const auto nurStart = [](Reorg& r) { r.reorganisieren(); };
  // The run with `art` injected below `pfadTeil`.
  const auto gestoert = [](Stoerung art, const char* pfadTeil) {
    return [=](Reorg& r) {
      ScopedStoerung aktiv(art, pfadTeil);
      r.reorganisieren();
    };
  };
  struct Case {
    const char* name;
    std::function<void(Reorg&)> vorbereiten;  // before the snapshot of Daten
    std::function<void(Reorg&)> ausfuehren;   // the run with its failure
    std::string grund;                        // part of the message and of the log's failure line
  } cases[] = {
      {"copy error into Daten_alt", nullptr, gestoert(Stoerung::KeinAnlegen, "/Daten_alt~neu/"),
       "FEHLER beim kopieren: "},
      {"full disk under the dated backup", nullptr, gestoert(Stoerung::PlatteVoll, "/20240315/"),
       "/20240315/103000/Daten/AdrDlz.db (Schreiben: Datenträger voll (errno 28))"},
      {"full disk while the templates are copied", nullptr, gestoert(Stoerung::PlatteVoll, "/Daten_neu/"),
       "/LeerDaten/AdrAnn.DB  ->  "},
      {"a table in use by another program", nullptr,
       [](Reorg& r) {
         db::TTable andere;
         ASSERT_TRUE(andere.setDatabaseName(r.jahrDaten()).ok() && andere.setTableName("Leistungen.DB").ok());
         ASSERT_TRUE(andere.setExclusive(true).ok() && andere.open().ok());
         r.reorganisieren();
       },
       "Tabelle Leistungen.DB: Tabelle ist in Benutzung"},
      {"a record that cannot be written (the widened IK meets its twin)",
       [](Reorg& r) {
         db::TTable ann;
         ASSERT_TRUE(ann.setDatabaseName(r.jahrDaten()).ok() && ann.setTableName("Ann.DB").ok() &&
                     ann.open().ok());
         ASSERT_TRUE(ann.append().ok() && ann.fields(0).setAsString("101234567").ok() && ann.post().ok());
       },
       nurStart, "Tabelle Ann.DB: Datensatz 3: Schlüsselverletzung"},
      {"a record that cannot be written in a table copied in one statement (a key the old one lacked)",
       [](Reorg& r) {
         db::TableStructure ohneSchluessel = aelter("Stat01.DB", 8);
         ohneSchluessel.keyFieldCount = 0;
         tabelleAnlegen(r.jahrDaten(), "Stat01.DB", ohneSchluessel, {{{0, "A"}}, {{0, "B"}}, {{0, "A"}}});
       },
       nurStart, "Tabelle Stat01.DB: Datensatz 3: Schlüsselverletzung"},
      {"the exchange of the folders fails", nullptr, gestoert(Stoerung::KeinUmbenennen, "/Daten_neu"),
       "Umbenennen fehlgeschlagen: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    neuerFall();
    gestartet([this] { alteTabellen(jahrDaten()); });
    versionSetzen(imDaten("Abrechng\\2024\\Abrechng.ini"), "1.0");
    if (c.vorbereiten) c.vorbereiten(*this);
    // The backup of a run before, which a failed run must not replace.
    daten.write("Abrechng/2024/Daten_alt/Voriger.DB", "vorige Sicherung");
    const auto vorher = ordnerInhalt(datenOrdner());

    c.ausfuehren(*this);

    EXPECT_EQ(ordnerInhalt(datenOrdner()), vorher);
    EXPECT_EQ(ordnerInhalt(daten / "Abrechng/2024/Daten_alt"),
              (std::map<std::string, std::string>{{"Voriger.DB", fingerabdruck("vorige Sicherung")}}));
    EXPECT_FALSE(daten.exists("Abrechng/2024/Daten_alt~neu"));
    // What the run copied is gone again: the dated folder keeps the log only (none when its
    // disk is full).
    for (const auto& [datei, inhalt] : ordnerInhalt(daten / "Abrechng/2024/20240315")) {
      EXPECT_EQ(datei, "103000/REORG.LOG");
      EXPECT_EQ(inhalt, fingerabdruck(programm.read("REORG.LOG")));
    }
    EXPECT_EQ(jahrWert("2024", "Version"), "1.0");
    EXPECT_TRUE(globals().FehlerAufgetreten);
    EXPECT_FALSE(daten.exists("Abrechng/2024/Daten_neu"));
    EXPECT_FALSE(daten.exists("Abrechng/2024/Daten_vorher"));
    ASSERT_GE(texte().size(), 2u);
    EXPECT_EQ(texte().front(), "Datensicherung durchgeführt ?");
    const std::string meldung = texte().back();
    EXPECT_TRUE(meldung.starts_with("Reorganisation abgebrochen !\n\n")) << meldung;
    EXPECT_TRUE(enthaelt(meldung, c.grund)) << meldung;
    EXPECT_TRUE(enthaelt(meldung, "\n\nDie Tabellen in " + gezeigtImDaten("Abrechng/2024/Daten") + " sind unverändert.")) << meldung;
    EXPECT_EQ(dialogs.transcript().back().caption, "Fehler !");
    const std::string log = platform::toUtf8(programm.read("REORG.LOG"));
    EXPECT_TRUE(enthaelt(log, c.grund)) << log;
    EXPECT_TRUE(log.ends_with("  Reorganisation abgebrochen, Daten unverändert: " +
                              gezeigtImDaten("Abrechng/2024/Daten/") + "\r\n"))
        << log;
    EXPECT_FALSE(enthaelt(log, "Reorganisation beendet"));
    // The service-centre table is open again on the old file.
    EXPECT_TRUE(form->TableAdrDlz->active());
    EXPECT_FALSE(form->LabelWarten->visible());
  }
}

TEST_F(Reorg, NothingIsMadeOrDeletedBeforeThePreconditionsHoldAndTheBackupIsConfirmed) {
  struct Case {
    const char* name;
    std::function<void(Reorg&)> vorbereiten;
    ui::DlgResult antwort;
    Zeilen meldungen;
    bool datiert;  // the dated folder was made
  } cases[] = {
      {"no data root", [](Reorg&) { globals().DatenPfad = " "; }, ui::DlgResult::Yes,
       Zeilen{"Eintrag fehlt ! Ordner der Fachanwendung"}, false},
      {"templates without tables",
       [](Reorg& r) {
         for (const auto& e : std::filesystem::directory_iterator(r.programm / "LeerDaten"))
           if (e.path().extension() == ".DB" || e.path().extension() == ".db")
             std::filesystem::remove(e.path());
       },
       ui::DlgResult::Yes, Zeilen{"Vorlagen fehlen ! Keine Tabellen in " + gezeigtImProgramm("LeerDaten")},
       false},
      {"no Daten",
       [](Reorg& r) { std::filesystem::rename(r.datenOrdner(), r.daten / "Abrechng/2024/woanders"); },
       ui::DlgResult::Yes, Zeilen{"Ordner fehlt ! " + gezeigtImDaten("Abrechng/2024/Daten")}, false},
      {"backup not confirmed", [](Reorg&) {}, ui::DlgResult::No, Zeilen{"Datensicherung durchgeführt ?"},
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    neuerFall();
    gestartet([this] { alteTabellen(jahrDaten()); });
    c.vorbereiten(*this);
    const auto vorher = ordnerInhalt(daten / "Abrechng");
    const auto programmVorher = ordnerInhalt(programm.path());

    reorganisieren(c.antwort);

    EXPECT_EQ(texte(), c.meldungen);
    EXPECT_EQ(ordnerInhalt(daten / "Abrechng"), vorher);
    EXPECT_EQ(ordnerInhalt(programm.path()), programmVorher);
    EXPECT_EQ(daten.exists("Abrechng/2024/20240315/103000/Daten"), c.datiert);
    EXPECT_FALSE(daten.exists("Abrechng/2024/Daten_alt"));
    EXPECT_EQ(globals().FehlerAufgetreten, c.antwort == ui::DlgResult::Yes);
    if (c.antwort == ui::DlgResult::Yes) {
      EXPECT_EQ(dialogs.transcript().back().caption, "FEHLER");
    }
    EXPECT_TRUE(form->ListBoxReorg->items().empty());
  }
}

// Two runs in one second keep two dated backups; the first run, without a voucher table, logs
// the failed index rebuild and goes on; the second finds the table its templates brought.
TEST_F(Reorg, TwoRunsInOneSecondKeepTwoDatedBackups) {
  gestartet([this] { alteTabellen(jahrDaten(), false); });
  // While it runs the waiting label and the record number show, and a second start from the tab
  // (the pump lets messages run) is refused.
  form->show();
  form->PageControl1->setActivePageIndex(4);
  int pumpen = 0;
  std::set<std::string> gezeigt;
  platform::setMessagePump([&] {
    if (form->LabelWarten->visible()) gezeigt.insert("LabelWarten");
    if (form->LabelDbSatz->visible()) gezeigt.insert("LabelDbSatz " + form->LabelDbSatz->caption());
    if (++pumpen == 5) {
      EXPECT_FALSE(form->BitBtnReorg->userClick());
    }
  });
  reorganisieren();
  platform::setMessagePump({});
  EXPECT_TRUE(gezeigt.count("LabelWarten"));
  EXPECT_TRUE(gezeigt.count("LabelDbSatz 0"));
  EXPECT_TRUE(gezeigt.count("LabelDbSatz 2"));  // Ann.DB's second record
  EXPECT_GT(pumpen, 5);
  const auto ersteErgebnis = ordnerInhalt(datenOrdner());
  reorganisieren();
  EXPECT_EQ(texte(), std::vector<std::string>(2, "Datensicherung durchgeführt ?"));
  EXPECT_TRUE(daten.exists("Abrechng/2024/20240315/103000/Daten/Ann.DB"));
  EXPECT_FALSE(daten.exists("Abrechng/2024/20240315/103000/Daten/ErfBeleg.DB"));
  EXPECT_TRUE(daten.exists("Abrechng/2024/20240315/103000_2/Daten/ErfBeleg.DB"));
  EXPECT_EQ(ordnerInhalt(daten / "Abrechng/2024/20240315/103000_2/Daten"), ersteErgebnis);
  EXPECT_EQ(ordnerInhalt(daten / "Abrechng/2024/Daten_alt"), ersteErgebnis);
  const auto& zeilen = form->ListBoxReorg->items().lines();
  std::vector<std::string> index;
  for (const std::string& z : zeilen)
    if (enthaelt(z, "ErfBeleg.DB  Index")) index.push_back(z.substr(19));
  EXPECT_EQ(index, (std::vector<std::string>{"  ErfBeleg.DB  Index nicht aufgebaut, Fehler!",
                                             "  ErfBeleg.DB  Index neu aufgebaut"}));
  // The list is kept between runs, so REORG.LOG holds both; the widened IK stays as it is.
  EXPECT_EQ(std::count(zeilen.begin(), zeilen.end(), zeilen.back()), 2);
  EXPECT_EQ(tabelleLesen(jahrDaten(), "Ann.DB")[0][0], "101234567");
  EXPECT_EQ(daten.read("Abrechng/2024/20240315/103000_2/REORG.LOG"), programm.read("REORG.LOG"));
}

}  // namespace
}  // namespace riviza::test
