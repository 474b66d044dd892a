// The deferred start-up and the shutdown on temporary program folders and data roots: DAKOTA,
// the finished update and the waiting setup program, the year list and the current year, the
// program-access lock row by row, the version check, the share login and the entry locks.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <sstream>

#include "app/Diviveve1.h"
#include "app/allg_tools.h"
#include "db/TTable.h"
#include "forms/Riviza1_start.h"
#include "maintenance/reorganisation.h"
#include "platform/mutex.h"
#include "shell_fixture.h"

namespace riviza::test {
namespace {

const char* const kTitel = "  Riviza Abrechnung nach §300 und §302 SGB V sowie §105 SGB XI  ";

std::string titel(const std::string& stand, const std::string& jahr = "") {
  std::string t = kTitel + DateiVersion("").substr(0, 3) + " / " + stand;
  return jahr.empty() ? t : t + " / Abrechnungsjahr: " + jahr;
}

// ---- DAKOTA (start-up steps 4 and 10) ----

TEST_F(Shell, DakotaFoldersAndTheirMessages) {
  struct Case {
    const char* name;
    const char* rivizaIni;  // DAKOTA 4 files when set
    bool zertifikat;
    const char* bnswh;  // registry values
    const char* dll;
    bool dakota4, dakota4Zertifikat;
    std::string benutzerPfad, programmPfad, meldung;
  } cases[] = {
      {"dakota4", "[PFADE]\r\nBENUTZERPFAD=C:\\dakotale\\Benutzer\r\n", false, "", "", true, false,
       "C:\\dakotale\\Benutzer", "", ""},
      {"dakota4 certificate, DATEN", "[VERZEICHNIS]\r\nDATEN=C:\\dakotale\\Daten\r\n", true, "", "", false,
       true, "C:\\dakotale\\Daten", "", ""},
      {"dakota4 empty path", "[PFADE]\r\nBENUTZERPFAD=\r\n", false, "x", "x", true, false, "", "",
       "FEHLER  DAKOTA 3/4 nicht installiert (BENUTZERPFAD/DATEN) Abbruch !"},
      {"dakota4 no keys", "[PFADE]\r\n", false, "", "", true, false, "-1", "",
       "FEHLER  DAKOTA 3/4 nicht installiert (BENUTZERPFAD/DATEN) Abbruch !"},
      {"registry", nullptr, false, "C:\\dakota\\Benutzer\\", "C:\\Programme\\DAKOTA\\dll  ", false, false,
       "C:\\dakota\\Benutzer\\", "C:\\Programme\\DAKOTA\\", ""},
      {"registry without BNSWH", nullptr, false, "", "C:\\dakota\\dll", false, false, "", "",
       "FEHLER  DAKOTA nicht installiert (SOFTWARE\\ITSG\\Dakota[BNSWH])  Abbruch !"},
      {"registry without DLL", nullptr, false, "C:\\dakota", "", false, false, "C:\\dakota", "",
       "FEHLER  DAKOTA nicht installiert (SOFTWARE\\ITSG\\Dakota[DLL])  Abbruch !"},
      {"registry DLL too short", nullptr, false, "C:\\dakota", "dll", false, false, "C:\\dakota", "",
       "FEHLER  DAKOTA nicht installiert (SOFTWARE\\ITSG\\Dakota[DLL])  Abbruch !"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(prefix / "drive_c" / "dakotale");
    std::filesystem::remove(prefix / "system.reg");
    if (c.rivizaIni) dakota4(c.rivizaIni, c.zertifikat);
    dakotaRegistry(c.bnswh, c.dll);
    neuesProgramm();
    programmIni();
    starten();

    const Globals& g = globals();
    EXPECT_EQ(g.Dakota4, c.dakota4);
    EXPECT_EQ(g.Dakota4Zertifikat, c.dakota4Zertifikat);
    EXPECT_EQ(form->BitBtnDatensicherung->visible(), c.rivizaIni == nullptr);
    EXPECT_EQ(g.DakotaBenutzerPfad, c.benutzerPfad);
    EXPECT_EQ(g.DakotaProgrammPfad, c.programmPfad);
    const bool abbruch = !c.meldung.empty();
    EXPECT_EQ(texte(), abbruch ? std::vector<std::string>{c.meldung} : std::vector<std::string>{});
    EXPECT_EQ(g.FehlerAufgetreten, abbruch);
    // An early end takes no data root: no Temp folder, no caption, no year.
    EXPECT_EQ(programm.exists("Temp"), !abbruch);
    EXPECT_EQ(g.DatenPfad.empty(), abbruch);
    EXPECT_EQ(form->caption() == "  Riviza Abrechnung", abbruch);
    std::filesystem::remove_all(programm / "Temp");
    std::filesystem::remove_all(daten / "Abrechng");
  }
}

// A 32-bit DAKOTA in a 64-bit prefix: its key under Wow6432Node is read when the plain key is
// missing; a plain key, even one without values, is the one read.
TEST_F(Shell, DakotaKeyUnderWow6432Node) {
  const std::string plain = "[Software\\\\ITSG\\\\Dakota] 1\n";
  const std::string wow = "[Software\\\\Wow6432Node\\\\ITSG\\\\Dakota] 1\n";
  const std::string values = "\"BNSWH\"=\"C:\\\\dakota32\"\n\"DLL\"=\"C:\\\\dakota32\\\\dll\"\n";
  struct Case {
    const char* name;
    std::string reg;
    std::string benutzerPfad, meldung;
  } cases[] = {
      {"Wow6432Node only", wow + values, "C:\\dakota32", ""},
      {"both", plain + "\"BNSWH\"=\"C:\\\\plain\"\n\"DLL\"=\"C:\\\\plain\\\\dll\"\n\n" + wow + values,
       "C:\\plain", ""},
      {"plain key without values", plain + "\n" + wow + values, "",
       "FEHLER  DAKOTA nicht installiert (SOFTWARE\\ITSG\\Dakota[BNSWH])  Abbruch !"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    prefix.write("system.reg", "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n" + c.reg);
    neuesProgramm();
    programmIni();
    starten();
    EXPECT_EQ(globals().DakotaBenutzerPfad, c.benutzerPfad);
    EXPECT_EQ(texte(), c.meldung.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.meldung});
    std::filesystem::remove_all(programm / "Temp");
  }
}

// Closing after an early end writes no lock value anywhere; the Windows program wrote
// "ProgrammZugriff=" into the file relative to the current folder, the program-folder file.
TEST_F(Shell, CloseAfterAnEarlyEndWritesNoLock) {
  programmIni();
  jahr("2024", "[EINSTELLUNGEN]\r\nProgrammZugriff=1\r\nVersion=" + DateiVersion("").substr(0, 3) + "\r\n");
  starten();  // no DAKOTA at all
  ASSERT_TRUE(globals().FehlerAufgetreten);
  form->BitBtnBeenden->click();
  EXPECT_FALSE(form->visible());
  EXPECT_EQ(programmWert("ProgrammZugriff"), "-1");
  EXPECT_EQ(jahrWert("2024", "ProgrammZugriff"), "1");
  EXPECT_FALSE(programm.exists("Abrechng/Abrechng.ini"));
}

// ---- the finished update and the waiting setup program (steps 7 and 8) ----

TEST_F(Shell, UpdateTxtIsConsumedBeforeTheSetupProgramIsLookedFor) {
  dakota4();
  programmIni("UpdateDatum=01.01.2023\r\n");
  jahr("2024");
  programm.write("update.txt", "  12.03.2024  \r\n");
  programm.write("Update/setup.exe", "MZ");
  programm.write("Update/update.zip", "PK");
  programm.write("Temp/Kosttr302.txt", "alt");
  starten();
  EXPECT_EQ(texte(), std::vector<std::string>{});
  EXPECT_EQ(programmWert("UpdateDatum"), "12.03.2024");
  EXPECT_FALSE(programm.exists("update.txt"));
  EXPECT_FALSE(programm.exists("Update/setup.exe"));
  EXPECT_FALSE(programm.exists("Update/update.zip"));
  EXPECT_FALSE(programm.exists("Temp/Kosttr302.txt"));
  EXPECT_EQ(globals().StandUpdateDatum, "12.03.2024");
  EXPECT_EQ(form->caption(), titel("12.03.2024", "2024"));
  EXPECT_EQ(jahrWert("2024", "ProgrammZugriff"), "1");
}

// A waiting setup program that starts ends the start-up and the program; one that cannot start
// (no wine, a file that is no program) is reported and put aside, and the program starts: the
// next start no longer stops there.
TEST_F(Shell, AWaitingSetupProgramEndsTheStartUpOnlyWhenItRuns) {
  struct Fall {
    const char* was;
    const char* setup;  // the file's bytes
    bool mitWine;
    bool laeuft;
  } faelle[] = {
      {"runs", "MZ", true, true},
      {"no wine", "MZ", false, false},
      {"no program", "", true, false},
  };
  const std::string setup = gezeigtImProgramm("Update/setup.exe");
  const std::string beiseite = gezeigtImProgramm("Update/setup.exe.nicht_gestartet");
  for (const Fall& f : faelle) {
    SCOPED_TRACE(f.was);
    TempDir bin;
    bin.write("wine", "#!/bin/sh\ntouch \"$0.aufruf\"\n");
    std::filesystem::permissions(bin / "wine", std::filesystem::perms::owner_all);
    ScopedEnv pfad("PATH", f.mitWine ? bin.str() + ":/usr/bin:/bin" : "/nonexistent");
    std::filesystem::remove_all(programm / "Update");
    neuesProgramm();
    dakota4();
    programmIni("AktuellesJahr=2024\r\n");
    jahr("2024");
    programm.write("Update/setup.exe", f.setup);
    programm.write("Temp/alt.txt", "x");
    form->show();
    starten();
    Zeilen meldungen{"Neues Update noch nicht installiert !\n\nAusführen: \n" + setup};
    if (!f.laeuft)
      meldungen.push_back("Das Setup-Programm konnte nicht gestartet werden!\n\n" + setup +
                          "\n\nabgelegt als: " + beiseite);
    EXPECT_EQ(texte(), meldungen);
    EXPECT_EQ(dialogs.transcript()[0].caption, "Hinweis !");
    EXPECT_EQ(dialogs.transcript()[0].icon, ui::MsgIcon::Information);
    EXPECT_EQ(form->visible(), !f.laeuft);
    EXPECT_EQ(programm.exists("Temp/alt.txt"), !f.laeuft);          // FormClose ran
    EXPECT_EQ(globals().Tagesdatum, f.laeuft ? "" : "15.03.2024");  // the start-up went no further
    EXPECT_EQ(jahrWert("2024", "ProgrammZugriff"), f.laeuft ? "" : "1");
    EXPECT_EQ(programmWert("ProgrammZugriff"), "-1");
    EXPECT_EQ(programm.exists("Update/setup.exe"), f.laeuft);
    EXPECT_EQ(programm.exists("Update/setup.exe.nicht_gestartet"), !f.laeuft);
    if (f.laeuft) continue;
    EXPECT_FALSE(bin.exists("wine.aufruf"));
    EXPECT_EQ(form->ListBoxLiveUpdate->items().lines(),
              Zeilen{"15.03.2024 10:30:00  Setup-Programm nicht gestartet: " + setup + " (abgelegt als: " +
                     beiseite + ")"});
    // The next start goes on without a word about it.
    form->close();
    neuesProgramm();
    starten();
    EXPECT_EQ(texte(), Zeilen{});
    EXPECT_EQ(globals().Tagesdatum, "15.03.2024");
  }
}

// ---- data root, year list and current year (StartInitialisieren steps 1 to 3) ----

TEST_F(Shell, YearListAndCurrentYear) {
  struct Case {
    const char* name;
    const char* ordner;         // folders under Abrechng, by spaces
    const char* aktuellesJahr;  // nullptr: no key
    std::vector<std::string> liste;
    std::string jahr, jahrPfad, zurueckgeschrieben;
  } cases[] = {
      {"no key", "2023 2024 Archiv", nullptr, {"2023", "2024"}, "2024", "Abrechng\\2024\\", "2024"},
      {"kept", "2023 2024 Archiv", "2023", {"2023", "2024"}, "2023", "Abrechng\\2023\\", "2023"},
      {"deleted", "2023 2024 Archiv", "2022", {"2023", "2024"}, "2024", "Abrechng\\2024\\", "2024"},
      {"blank", "2024 2x1Z 20245 1999", "  ", {"2024", "2x1Z"}, "2x1Z", "Abrechng\\2x1Z\\", "2x1Z"},
      {"no year folder", "Archiv", "2023", {}, "", "Abrechng\\", "2023"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(daten / "Abrechng");
    std::istringstream ordner(c.ordner);
    for (std::string o; ordner >> o;) jahrOhneIni(o);
    daten.write("Abrechng/2025", "a file is no year");
    neuesProgramm();
    dakota4();
    programmIni(c.aktuellesJahr ? std::string("AktuellesJahr=") + c.aktuellesJahr + "\r\n" : "");
    starten();
    EXPECT_EQ(form->ComboBoxAktuellesJahr->items().lines(), c.liste);
    EXPECT_EQ(form->ComboBoxAktuellesJahr->text(), c.jahr);
    EXPECT_EQ(globals().JahrPfad, c.jahrPfad);
    EXPECT_EQ(programmWert("AktuellesJahr"), c.zurueckgeschrieben);
    EXPECT_EQ(form->caption(), titel("01.01.2000", c.jahr));
    EXPECT_TRUE(daten.exists(c.jahr.empty() ? "Abrechng/Daten" : "Abrechng/" + c.jahr + "/Daten"));
  }
}

TEST_F(Shell, AnEmptyDataRootGetsTheCalendarYear) {
  dakota4();
  programmIni();
  starten();
  EXPECT_EQ(texte(), std::vector<std::string>{});
  EXPECT_EQ(globals().JahrPfad, "Abrechng\\2024\\");
  EXPECT_EQ(form->ComboBoxAktuellesJahr->text(), "2024");
  EXPECT_EQ(form->ComboBoxAktuellesJahr->items().lines(), std::vector<std::string>{"2024"});
  EXPECT_EQ(programmWert("AktuellesJahr"), "2024");
  EXPECT_TRUE(daten.exists("Abrechng/2024/Daten"));
  EXPECT_TRUE(daten.exists("Abrechng/2024/Kosttr"));
  EXPECT_EQ(globals().Tagesdatum, "15.03.2024");
  EXPECT_EQ(globals().ProgrammPfad, programm.str() + "\\");
  EXPECT_EQ(globals().StartPfad, programm.str());
}

TEST_F(Shell, MissingDataRootEntryAndMissingDataRootFolder) {
  dakota4();
  iniSchreiben(programm, "Abrechng.ini", "[EINSTELLUNGEN]\r\nBüroWARE=\r\nAktuellesJahr=2024\r\n");
  starten();
  EXPECT_EQ(texte(), std::vector<std::string>{"Ordner <Daten> nicht definiert -> Bitte Eintrag ergänzen!"});
  EXPECT_EQ(form->EditOrdnerBw->text(), "");
  EXPECT_EQ(globals().JahrPfad, "Abrechng\\");
  EXPECT_EQ(form->caption(), titel("01.01.2000"));
  EXPECT_FALSE(form->TableAdrDlz->active());

  neuesProgramm();
  const std::string fehlt = imDaten("fehlt");
  iniSchreiben(programm, "Abrechng.ini", "[EINSTELLUNGEN]\r\nBüroWARE=" + fehlt + "\r\n");
  starten();
  // The service-centre table cannot open there either, as the data root's folder is missing.
  ASSERT_EQ(texte().size(), 2u);
  EXPECT_EQ(texte()[0], "Ordner Fachanwendung nicht vorhanden !\n\n" + gezeigtImDaten("fehlt"));
  EXPECT_EQ(texte()[1].rfind("Tabelle nicht gefunden", 0), 0u) << texte()[1];
  EXPECT_TRUE(globals().FehlerAufgetreten);
  EXPECT_FALSE(daten.exists("fehlt"));
}

// ---- the program-access lock, row by row ----

TEST_F(Shell, ProgramAccessLockAtStartAndClose) {
  struct Case {
    const char* vorher;  // nullptr: key missing
    std::string nachStart, nachClose;
    bool inNutzung;
  } cases[] = {
      {nullptr, "-1", "", false}, {"", "1", "", false},  {"0", "1", "", false},
      {"x", "1", "", false},      {"1", "1", "1", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.vorher ? c.vorher : "missing");
    neuesProgramm();
    dakota4();
    programmIni();
    std::string ini = "[EINSTELLUNGEN]\r\nVersion=" + DateiVersion("").substr(0, 3) + "\r\n";
    if (c.vorher) ini += std::string("ProgrammZugriff=") + c.vorher + "\r\n";
    jahr("2024", ini);
    starten();
    EXPECT_EQ(jahrWert("2024", "ProgrammZugriff"), c.nachStart);
    EXPECT_EQ(globals().JahrInNutzung, c.inNutzung);
    if (c.inNutzung) {
      ASSERT_EQ(texte().size(), 1u);
      EXPECT_EQ(texte()[0],
                "Eines der Abrechnungsprogramme bereits in Nutzung, wenn nicht -> in Riviza <Benutzereintrag "
                "löschen>");
      EXPECT_EQ(dialogs.transcript()[0].caption, "Fehler !");
    } else {
      EXPECT_TRUE(texte().empty());
    }
    form->close();
    EXPECT_EQ(jahrWert("2024", "ProgrammZugriff"), c.nachClose);
  }
}

TEST_F(Shell, LockRowsOfTheYearOperationsAndTheUserEntryButton) {
  dakota4();
  programmIni();
  jahr("2024", "[EINSTELLUNGEN]\r\nProgrammZugriff=1\r\nVersion=" + DateiVersion("").substr(0, 3) + "\r\n");
  starten();
  ASSERT_TRUE(globals().JahrInNutzung);
  // A year held by another program is never taken nor released by this run...
  programmZugriffFreigeben();
  EXPECT_EQ(jahrWert("2024", "ProgrammZugriff"), "1");
  // ...except through "Be&nutzereintrag löschen", which leaves JahrInNutzung as it is.
  form->BitBtn1->click();
  EXPECT_EQ(jahrWert("2024", "ProgrammZugriff"), "");
  EXPECT_TRUE(globals().JahrInNutzung);
  programmZugriffSetzen();
  EXPECT_EQ(jahrWert("2024", "ProgrammZugriff"), "");

  globals().JahrInNutzung = false;
  programmZugriffSetzen();
  EXPECT_EQ(jahrWert("2024", "ProgrammZugriff"), "1");
  programmZugriffFreigeben();
  EXPECT_EQ(jahrWert("2024", "ProgrammZugriff"), "");
  // Entering or leaving a year without a file creates none.
  globals().JahrPfad = "Abrechng\\2030\\";
  programmZugriffSetzen();
  programmZugriffFreigeben();
  EXPECT_FALSE(daten.exists("Abrechng/2030"));
}

// ---- version check ----

// An acceptance-office table of an older program: three fields, one record with a 7-digit IK.
void alteAnnahmestellen(const std::string& ordner) {
  const db::TableStructure alt{{{"Kostentraeger", db::FieldType::Alpha, 9},
                                {"NameKostentraeger", db::FieldType::Alpha, 30},
                                {"Rechnungen300", db::FieldType::Alpha, 9}},
                               1};
  ASSERT_TRUE(db::TTable::createTable(ordner, "Ann.DB", alt).ok());
  db::TTable t;
  ASSERT_TRUE(t.setDatabaseName(ordner).ok() && t.setTableName("Ann.DB").ok() && t.open().ok());
  ASSERT_TRUE(t.append().ok());
  ASSERT_TRUE(t.fields(0).setAsString("1234567").ok() && t.fields(1).setAsString("AOK Bayern").ok());
  ASSERT_TRUE(t.post().ok());
}

// The fields of Ann.DB in the year's Daten: its field count and the first record's first two.
std::vector<std::string> annahmestellen(const std::string& ordner) {
  db::TTable t;
  if (!t.setDatabaseName(ordner).ok() || !t.setTableName("Ann.DB").ok() || !t.open().ok() || t.isEmpty())
    return {};
  return {std::to_string(t.fieldCount()), t.fields(0).asString(), t.fields(1).asString()};
}

// The lower-version branch runs the real reorganisation to its end: the question, the old table
// in the new structure with its conversion, the year's Version, REORG.LOG and both backups.
TEST_F(Shell, VersionCheck) {
  const std::string eigene = DateiVersion("").substr(0, 3);
  // One minor version either side: only the digit after the point tells them apart, which a
  // conversion following a German process locale (stopping at the ".") loses.
  ASSERT_TRUE(eigene[2] > '0' && eigene[2] < '9') << eigene;
  std::string kleiner = eigene, groesser = eigene;
  --kleiner[2];
  ++groesser[2];
  const std::string reorg = "Neue Programmversion installiert !\n\nDaten werden reorganisiert";
  const std::string veraltet =
      "Der Programmstand ist nicht aktuell !\n\nStarten Sie das LiveUpdate\n\n"
      "Start -> Programme -> Orvel Abrechnung -> Riviza -> Live Update -> Progamme";
  const std::vector<std::string> unveraendert{"3", "1234567", "AOK Bayern"};
  const std::vector<std::string> reorganisiert{"27", "101234567", "AOK Bayern"};
  const std::vector<std::string> gefragt{reorg, "Datensicherung durchgeführt ?"};
  struct Case {
    const char* name;
    std::optional<std::string> ini;  // none: no year file
    std::vector<std::string> meldungen;
    int seite;
    std::string version;  // afterwards, "-1" when missing
    bool reorganisiert;
  } cases[] = {
      {"missing Version", "[EINSTELLUNGEN]\r\n", gefragt, 4, eigene, true},
      {"older", "[EINSTELLUNGEN]\r\nVersion=1.0\r\n", gefragt, 4, eigene, true},
      {"one minor version older", "[EINSTELLUNGEN]\r\nVersion=" + kleiner + "\r\n", gefragt, 4, eigene, true},
      {"one minor version newer",
       "[EINSTELLUNGEN]\r\nVersion=" + groesser + "\r\n",
       {veraltet},
       5,
       groesser,
       false},
      {"no number", "[EINSTELLUNGEN]\r\nVersion=neu\r\n", gefragt, 4, eigene, true},
      {"same", "[EINSTELLUNGEN]\r\nVersion=" + eigene + "\r\n", {}, 0, eigene, false},
      {"newer", "[EINSTELLUNGEN]\r\nVersion=9.9\r\n", {veraltet}, 5, "9.9", false},
      {"no year file", std::nullopt, {}, 0, "-1", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(daten / "Abrechng");
    std::filesystem::remove(programm / "REORG.LOG");
    neuesProgramm();
    dakota4();
    programmIni();
    if (c.ini)
      jahr("2024", *c.ini);
    else
      jahrOhneIni("2024");
    const std::string jahrDaten = imDaten("Abrechng\\2024\\Daten");
    alteAnnahmestellen(jahrDaten);
    starten();
    EXPECT_EQ(texte(), c.meldungen);
    EXPECT_EQ(form->PageControl1->activePageIndex(), c.seite);
    EXPECT_EQ(jahrWert("2024", "Version"), c.version);
    EXPECT_EQ(annahmestellen(jahrDaten), c.reorganisiert ? reorganisiert : unveraendert);
    EXPECT_EQ(programm.exists("REORG.LOG"), c.reorganisiert);
    EXPECT_EQ(daten.exists("Abrechng/2024/Daten_alt/Ann.DB"), c.reorganisiert);
    EXPECT_EQ(daten.exists("Abrechng/2024/20240315/103000/Daten/Ann.DB"), c.reorganisiert);
    if (c.reorganisiert) {
      const std::string log = programm.read("REORG.LOG");
      EXPECT_TRUE(log.ends_with("  Reorganisation beendet\r\n")) << log;
      // Every template arrived; the service-centre table opened after the exchange.
      EXPECT_TRUE(daten.exists("Abrechng/2024/Daten/ErfPosition.DB"));
      EXPECT_FALSE(daten.exists("Abrechng/2024/Daten_neu"));
      EXPECT_TRUE(form->TableAdrDlz->active());
    }
    form->close();
  }
}

// ---- the service-centre table and the fund tab ----

// Without a fund table the fund tab is hidden; with one it stays.
TEST_F(Shell, TheServiceCentreTableComesFromTheTemplateAndOpensAndTheFundTabNeedsAFundTable) {
  dakota4();
  programmIni();
  jahr("2024");
  starten();
  EXPECT_TRUE(daten.exists("Abrechng/2024/Daten/AdrDlz.db"));
  EXPECT_TRUE(form->TableAdrDlz->active());
  EXPECT_EQ(form->TableAdrDlz->databaseName(), imDaten("Abrechng\\2024\\Daten"));
  EXPECT_FALSE(form->TabSheet11->tabVisible());  // no Kas.db, no KasAdrAnn.db
  form->close();
  EXPECT_FALSE(form->TableAdrDlz->active());

  daten.write("Abrechng/2024/Daten/KasAdrAnn.db", "");
  neuesProgramm();
  starten();
  EXPECT_TRUE(form->TabSheet11->tabVisible());
}

// ---- the network share (start-up and FormClose) ----

TEST_F(Shell, ShareLoginAtStartAndDisconnectAtClose) {
  dakota4();
  programmIni(
      "[ANMELDUNG]\r\nBenutzerVerwenden=1\r\nLaufwerk=X\r\nComputername=server\r\nFreigabename=daten\r\n"
      "Benutzername=anna\r\nKennwort=geheim\r\nDomaenenname=firma\r\n");
  drives.createDriveFolder = false;  // the drive never shows up
  starten();
  ASSERT_EQ(texte().size(), 1u);
  EXPECT_EQ(texte()[0],
            "Serveranmeldung fehlgeschlagen !\n\nLaufwerk: X\nComputername: server\nFreigabename: daten\n"
            "Benutzername: anna");
  EXPECT_EQ(globals().AnmKennwort, "geheim");
  EXPECT_EQ(form->EditDomaenenname->text(), "");  // read by nobody
  EXPECT_TRUE(form->CheckBoxDomaenenbenutzer->checked());
  EXPECT_EQ(uhr.sleeps(), std::vector<int>(10, 100));  // after the whole second of polls
  EXPECT_EQ(globals().JahrPfad, "Abrechng\\2024\\");   // the start-up went on
  form->close();
  ASSERT_EQ(drives.calls.size(), 2u);
  EXPECT_EQ(drives.calls[1].what, "disconnect");
  EXPECT_EQ(drives.calls[1].localName, "X:");
}

// The drive letter named for the share, through the GVfs layer over a stand-in for gio: a letter
// already in use (here the data root's drive) is refused and left alone at close, so the year's
// lock is still released through it; a free letter is linked at start and unlinked at close.
TEST_F(Shell, AShareLetterInUseIsRefusedAndOnlyOwnLinksAreRemovedAtClose) {
  namespace fs = std::filesystem;
  const fs::path dosdevices = prefix.path() / "dosdevices";
  const fs::path mount = runtime.path() / "gvfs" / "smb-share:server=server,share=daten";
  std::vector<std::string> gio;
  auto gvfs = platform::makeGvfsNetworkDrives([&](const std::vector<std::string>& args, const std::string&) {
    std::string call;
    for (size_t i = 1; i < args.size(); ++i) call += (i > 1 ? " " : "") + args[i];
    gio.push_back(call);
    if (args.size() == 3) return fs::create_directories(mount);
    return fs::remove(mount);
  });
  struct Case {
    const char* laufwerk;
    std::vector<std::string> gio;
  } cases[] = {
      {"D", {}},
      {"X", {"mount smb://server/daten", "mount -f -u " + mount.string()}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.laufwerk);
    platform::setNetworkDrives(gvfs.get());
    gio.clear();
    neuesProgramm();
    fs::remove(dosdevices / "d:");
    fs::create_directory_symlink(daten.path(), dosdevices / "d:");
    dakota4();
    jahr("2024");
    iniSchreiben(programm, "Abrechng.ini",
                 std::string("[EINSTELLUNGEN]\r\nBüroWARE=D:\\\r\nAktuellesJahr=2024\r\n[ANMELDUNG]\r\n") +
                     "BenutzerVerwenden=1\r\nLaufwerk=" + c.laufwerk +
                     "\r\nComputername=server\r\nFreigabename=daten\r\n");
    starten();
    EXPECT_EQ(texte(), std::vector<std::string>{});  // the login found its drive
    EXPECT_EQ(globals().DatenPfad, "D:\\");
    EXPECT_EQ(jahrWert("2024", "ProgrammZugriff"), "1");
    form->close();
    platform::setNetworkDrives(&drives);
    EXPECT_EQ(gio, c.gio);
    EXPECT_EQ(fs::read_symlink(dosdevices / "d:"), daten.path());
    EXPECT_FALSE(fs::exists(fs::symlink_status(dosdevices / "x:")));
    EXPECT_EQ(jahrWert("2024", "ProgrammZugriff"), "");
  }
}

TEST_F(Shell, AYearHeldByAnotherProgramKeepsItsLockAndTheShare) {
  dakota4();
  programmIni("[ANMELDUNG]\r\nBenutzerVerwenden=1\r\nLaufwerk=X\r\n");
  jahr("2024", "[EINSTELLUNGEN]\r\nProgrammZugriff=1\r\nVersion=" + DateiVersion("").substr(0, 3) + "\r\n");
  starten();
  form->close();
  EXPECT_EQ(jahrWert("2024", "ProgrammZugriff"), "1");
  ASSERT_EQ(drives.calls.size(), 1u);  // the connect only
}

// ---- the program entry while the billing application runs ----

TEST_F(Shell, TheBillingApplicationRunningEndsTheProgramBeforeAnyForm) {
  int bereit[2], ende[2];
  ASSERT_EQ(::pipe(bereit), 0);
  ASSERT_EQ(::pipe(ende), 0);
  pid_t abrechnung = ::fork();
  if (abrechnung == 0) {  // the billing application: holds "Vuzaroded" until told to end
    auto held = platform::NamedMutex::create("Vuzaroded");
    char c = held.ok() ? '1' : '0';
    (void)!::write(bereit[1], &c, 1);
    (void)!::read(ende[0], &c, 1);
    ::_exit(0);
  }
  char c = 0;
  ASSERT_EQ(::read(bereit[0], &c, 1), 1);
  ASSERT_EQ(c, '1');
  EXPECT_FALSE(VuzarodedSperreAnlegen());
  EXPECT_EQ(texte(), std::vector<std::string>{"Vuzaroded ist bereits gestartet!"});
  (void)!::write(ende[1], &c, 1);
  int status = 0;
  ::waitpid(abrechnung, &status, 0);
  EXPECT_TRUE(VuzarodedSperreAnlegen());  // gone with the other process
  VuzarodedSperreFreigeben();
  for (int fd : {bereit[0], bereit[1], ende[0], ende[1]}) ::close(fd);
}

}  // namespace
}  // namespace riviza::test
