// The billing years on fixture data roots whose tables come from the catalogue: the new year
// (flat-layout migration, refusal, carry-over, the checks before anything is made), the merge
// and the deletion of movement data, the year switch and the data-root change, each with the
// program-access lock of the years they leave, enter and write.

#include <sqlite3.h>

#include <cerrno>
#include <utility>

#include "app/vorgang.h"
#include "forms/Riviza1_jahre.h"
#include "forms/Riviza1_tabellen.h"
#include "jahr_daten.h"
#include "platform/pump.h"
#include "shell_fixture.h"
#include "stoerung.h"
#include "support/trees.h"

namespace riviza::test {
namespace {

using ui::DlgResult;

const std::string kBelegt =
    "Eines der Abrechnungsprogramme bereits in Nutzung, wenn nicht -> in Riviza <Benutzereintrag löschen>";

class Jahre : public JahrShell {
 public:
  void jahrWaehlen(const std::string& j) {
    ASSERT_TRUE(form->ComboBoxAktuellesJahr->userSelect(form->ComboBoxAktuellesJahr->items().indexOf(j)));
  }
  bool neuesJahr(bool offene = false, const std::string& ab = "", bool leer = false) {
    form->CheckBoxOffeneBelUebernehmen->setChecked(offene);
    form->EditAbDatumAbrechnung->setText(ab);
    form->CheckBoxLeereDbAnlegen->setChecked(leer);
    return neuesJahrAnlegenMitRueckfrage();
  }
  bool zusammenfuehren(const std::string& von, const std::string& nach, const std::string& monat = "") {
    form->EditVonJahr->setText(von);
    form->EditFuerMonat->setText(monat);
    return BewegungsdatenZusammenfuehren(datenVon(von), datenVon(nach));
  }
  Zeilen aufstellung(const std::string& j) const {
    return saetze(datenVon(j), "Aufstellung.DB", {"Feld00", "Feld01"});
  }
  // The lock value of a year whenever the operation lets messages run.
  Zeilen sperreWaehrend(const std::string& j, const std::function<void()>& vorgang) {
    Zeilen gesehen;
    platform::setMessagePump([&] {
      if (gesehen.empty() || gesehen.back() != jahrWert(j, "ProgrammZugriff"))
        gesehen.push_back(jahrWert(j, "ProgrammZugriff"));
    });
    vorgang();
    platform::setMessagePump({});
    return gesehen;
  }
};

// ---- the new year ----

TEST_F(Jahre, TheFlatLayoutMovesIntoItsYearAndTheNextYearIsMade) {
  iniSchreiben(daten, "Abrechng/Abrechng.ini",
               "[EINSTELLUNGEN]\r\nProgrammZugriff=\r\nVersion=" + DateiVersion("").substr(0, 3) + "\r\n");
  daten.mkdir("Abrechng/Kosttr");
  leereTabellen(programm.str(), imDaten("Abrechng\\Daten"));
  belegeSchreiben(imDaten("Abrechng\\Daten"), {{"1", "10.12.2023", true, {"A1"}}});
  oeffnen();
  ASSERT_EQ(globals().JahrPfad, "Abrechng\\");
  ASSERT_EQ(wert(imDaten("Abrechng\\Abrechng.ini"), "EINSTELLUNGEN", "ProgrammZugriff"), "1");

  // A copy into the new year that fails: the flat layout stays as it was, nothing is left beside.
  const auto flach = TreeContents(daten / "Abrechng/Daten");
  {
    ScopedStoerung voll(Stoerung::KeinAnlegen, "/Abrechng~neu/2024/Daten/", ENOSPC);
    EXPECT_FALSE(neuesJahr());
  }
  EXPECT_EQ(texte().back(), "Ordner <<" + gezeigtImDaten("Abrechng\\Daten") + ">> kann nicht kopiert werden!");
  EXPECT_EQ(TreeContents(daten / "Abrechng/Daten"), flach);
  EXPECT_EQ(FilesIn(daten.path()), Zeilen{});
  EXPECT_FALSE(daten.exists("Abrechng~neu"));
  EXPECT_FALSE(daten.exists("Abrechng/2023"));
  EXPECT_TRUE(form->ComboBoxAktuellesJahr->items().empty());
  EXPECT_EQ(globals().JahrPfad, "Abrechng\\");
  EXPECT_EQ(wert(imDaten("Abrechng\\Abrechng.ini"), "EINSTELLUNGEN", "ProgrammZugriff"), "1");
  EXPECT_EQ(form->TableAdrDlz->databaseName(), imDaten("Abrechng\\Daten"));

  dialogs.clear();
  EXPECT_TRUE(neuesJahr());
  EXPECT_EQ(texte(), (Zeilen{"Datensicherung durchgeführt ?\n\n" + gezeigtImDaten("Abrechng"),
                             "Neuen Abrechnungszeitraum anlegen?\n\n2024\n\nSind Sie sicher ?",
                             "Neuen Abrechnungszeitraum: 2024\n\nVerarbeitung beendet"}));
  EXPECT_EQ(belege(datenVon("2023")), (Zeilen{"1|10.12.2023|1"}));
  EXPECT_EQ(positionen(datenVon("2023")), (Zeilen{"1|A1"}));
  EXPECT_EQ(belege(datenVon("2024")), Zeilen{});
  EXPECT_FALSE(daten.exists("Abrechng/Daten"));
  EXPECT_FALSE(daten.exists("Abrechng/Abrechng.ini"));  // no lock given back to the moved file
  EXPECT_FALSE(daten.exists("2023"));
  EXPECT_EQ(form->ComboBoxAktuellesJahr->items().lines(), (Zeilen{"2023", "2024"}));
  EXPECT_EQ(form->ComboBoxAktuellesJahr->text(), "2024");
  EXPECT_EQ(programmWert("AktuellesJahr"), "2024");
  EXPECT_EQ(globals().JahrPfad, "Abrechng\\2024\\");
  EXPECT_TRUE(form->caption().ends_with(" / Abrechnungsjahr: 2024"));
  EXPECT_EQ(jahrWert("2023", "ProgrammZugriff"), "");
  EXPECT_EQ(jahrWert("2024", "ProgrammZugriff"), "1");
  EXPECT_TRUE(form->TableAdrDlz->active());
  EXPECT_EQ(form->TableAdrDlz->databaseName(), datenVon("2024"));
  EXPECT_FALSE(form->LabelWarten->visible());
}

TEST_F(Jahre, UnbilledVouchersRefuseTheNewYear) {
  jahrMitTabellen("2024");
  belegeSchreiben(datenVon("2024"), {{"1", "10.02.2024", false, {"A1"}}});
  oeffnen();
  EXPECT_FALSE(neuesJahr());
  EXPECT_EQ(
      texte().back(),
      "Neues Abrechnungsjahr konnte nicht angelegt werden!\r\nAlle Belege sind noch nicht abgerechnet!\r\n"
      "\\Abrechng\\2024\\Daten");
  EXPECT_FALSE(daten.exists("Abrechng/2025"));
  EXPECT_EQ(form->ComboBoxAktuellesJahr->text(), "2024");
  EXPECT_EQ(jahrWert("2024", "ProgrammZugriff"), "1");
}

// Open vouchers go over with their positions from the cut-off date on; a voucher without a
// number takes no positions along (the old way gave it those of the voucher before), and "1"
// does not select the positions of "17".
TEST_F(Jahre, OpenVouchersAreCarriedOverFromTheCutOffDate) {
  struct Fall {
    const char* name;
    const char* ab;
    bool leer;
    Zeilen belege, positionen;
  } faelle[] = {
      {"all", "", false, {"1|01.02.2024|0", "17|20.06.2024|0", "|01.07.2024|0"}, {"1|A1", "1|A2", "17|B1"}},
      {"cut-off", "01.06.2024", false, {"17|20.06.2024|0", "|01.07.2024|0"}, {"17|B1"}},
      {"empty tables", "", true, {}, {}},
  };
  for (const Fall& fall : faelle) {
    SCOPED_TRACE(fall.name);
    std::filesystem::remove_all(daten / "Abrechng");
    jahrMitTabellen("2024");
    belegeSchreiben(datenVon("2024"), {{"1", "01.02.2024", false, {"A1", "A2"}},
                                       {"17", "20.06.2024", false, {"B1"}},
                                       {"5", "10.05.2024", true, {"C1"}},
                                       {"", "01.07.2024", false, {"X1"}}});
    saetzeSchreiben(datenVon("2024"), "Aufstellung.DB",
                    std::vector<Felder>{{{"Feld00", "S"}, {"Feld01", "1"}}});
    neuesProgramm();
    oeffnen();
    EXPECT_TRUE(neuesJahr(true, fall.ab, fall.leer));
    EXPECT_EQ(belege(datenVon("2025")), fall.belege);
    EXPECT_EQ(positionen(datenVon("2025")), fall.positionen);
    EXPECT_EQ(aufstellung("2025"), Zeilen{});
    EXPECT_EQ(aufstellung("2024"), (Zeilen{"S|1"}));
    EXPECT_EQ(belege(datenVon("2024")).size(), 4u);
  }
}

// Whatever can be checked is checked first; a failure leaves no new year, keeps the old one
// current and never reports "Verarbeitung beendet".
TEST_F(Jahre, AFailedNewYearLeavesNothingBehind) {
  struct Fall {
    const char* name;
    std::function<void(Jahre&)> vorher;
    const char* ab;
    std::string meldung;
    const char* voll = "";  // creating files below this path part fails as on a full disk
  } faelle[] = {
      {"cut-off no date", nullptr, "31.02.2024",
       "Neues Abrechnungsjahr konnte nicht angelegt werden!\r\nDas Datum <<31.02.2024>> ist kein gültiges "
       "Datum!"},
      {"voucher without date",
       [](Jahre& t) {
         belegeSchreiben(t.datenVon("2024"), {{"9", "", false, {"A1"}}});
       },
       "",
       "Neues Abrechnungsjahr konnte nicht angelegt werden!\r\nBeleg <<9>> hat kein gültiges Belegdatum!"},
      {"name taken by a file", [](Jahre& t) { t.daten.write("Abrechng/2025", "x"); }, "",
       "Ordner <<" + gezeigtImDaten("Abrechng\\2025") + ">> kann nicht angelegt werden!"},
      {"copy fails", nullptr, "",
       "Ordner <<" + gezeigtImDaten("Abrechng\\2024\\Daten") + ">> kann nicht kopiert werden!",
       "/Abrechng/2025~neu/Daten/"},
      // The new year would start without the old year's settings.
      {"settings file not copied", nullptr, "",
       "Datei <<" + gezeigtImDaten("Abrechng\\2025\\Abrechng.ini") + ">> kann nicht angelegt werden!",
       "/Abrechng/2025~neu/Abrechng.ini"},
  };
  for (const Fall& fall : faelle) {
    SCOPED_TRACE(fall.name);
    std::filesystem::remove_all(daten / "Abrechng");
    jahrMitTabellen("2024");
    belegeSchreiben(datenVon("2024"), {{"1", "01.02.2024", false, {"A1"}}});
    if (fall.vorher) fall.vorher(*this);
    neuesProgramm();
    oeffnen();
    {
      ScopedStoerung voll(Stoerung::KeinAnlegen, fall.voll, ENOSPC);
      EXPECT_FALSE(neuesJahr(true, fall.ab));
    }
    EXPECT_EQ(texte().back(), fall.meldung);
    EXPECT_EQ(std::filesystem::is_directory(daten / "Abrechng/2025"), false);
    EXPECT_FALSE(daten.exists("Abrechng/2025~neu"));
    EXPECT_FALSE(daten.exists(kVorgangsJournal));
    EXPECT_EQ(form->ComboBoxAktuellesJahr->items().lines(), Zeilen{"2024"});
    EXPECT_EQ(programmWert("AktuellesJahr"), "2024");
    EXPECT_EQ(jahrWert("2024", "ProgrammZugriff"), "1");
    EXPECT_FALSE(form->LabelWarten->visible());
  }
}

// ---- merge and deletion ----

TEST_F(Jahre, AMergeReplacesTheTargetsVoucherAndASecondMergeChangesNothing) {
  jahrMitTabellen("2023");
  jahrMitTabellen("2024");
  belegeSchreiben(datenVon("2023"),
                  {{"17", "03.03.2023", true, {"N1"}}, {"18", "20.04.2023", false, {"N2", "N3"}}});
  saetzeSchreiben(
      datenVon("2023"), "Aufstellung.DB",
      std::vector<Felder>{{{"Feld00", "S1"}, {"Feld01", "1"}}, {{"Feld00", "S2"}, {"Feld01", "2"}}});
  belegeSchreiben(datenVon("2024"),
                  {{"17", "01.01.2024", true, {"ALT1", "ALT2"}}, {"20", "02.01.2024", false, {"B1"}}});
  saetzeSchreiben(
      datenVon("2024"), "Aufstellung.DB",
      std::vector<Felder>{{{"Feld00", "T1"}, {"Feld01", "9"}}, {{"Feld00", "S1"}, {"Feld01", "1"}}});
  oeffnen();
  const Zeilen quelleVorher = belege(datenVon("2023"));
  for (int lauf = 1; lauf <= 2; ++lauf) {
    SCOPED_TRACE(lauf);
    dialogs.clear();
    form->ListBoxStat01->items().clear();
    EXPECT_TRUE(zusammenfuehren("2023", "2024"));
    EXPECT_EQ(texte(), (Zeilen{"Bewegungsdaten erfolgreich zusamenngeführt\n\n2 Belege übernommen",
                               "Abrechnungsdaten erfolgreich zusamenngeführt"}));
    EXPECT_EQ(form->ListBoxStat01->items().lines(),
              (Zeilen{"Beleg: 17  für: 03.2023", "Beleg: 18  für: 04.2023"}));
    EXPECT_EQ(belege(datenVon("2024")), (Zeilen{"20|02.01.2024|0", "17|03.03.2023|1", "18|20.04.2023|0"}));
    EXPECT_EQ(positionen(datenVon("2024")), (Zeilen{"20|B1", "17|N1", "18|N2", "18|N3"}));
    EXPECT_EQ(aufstellung("2024"), (Zeilen{"T1|9", "S1|1", "S2|2"}));
    EXPECT_EQ(belege(datenVon("2023")), quelleVorher);
    EXPECT_EQ(aufstellung("2023"), (Zeilen{"S1|1", "S2|2"}));
  }
}

TEST_F(Jahre, MergeMonthsAndRefusals) {
  jahrMitTabellen("2023");
  jahrMitTabellen("2024");
  belegeSchreiben(datenVon("2023"), {{"1", "03.03.2023", false, {"A"}}, {"2", "04.04.2023", false, {"B"}}});
  oeffnen();
  const std::string erfolg = "Bewegungsdaten erfolgreich zusamenngeführt\n\n";
  const Zeilen eins{"1|03.03.2023|0"};  // the target after the merge of March
  struct Fall {
    const char *monat, *von, *nach;
    bool ok;
    std::string meldung;
    Zeilen ziel;
    std::function<void()> vorher = nullptr;
  } faelle[] = {
      {"5", "2023", "2024", true, erfolg + "0 Belege übernommen", {}},
      {"3", "2023", "2024", true, erfolg + "1 Beleg übernommen", eins},
      {"13", "2023", "2024", false, "Monat <<13>> ungültig, bitte 1 bis 12 eingeben!", eins},
      {"4", "23", "2024", false, "Jahr <<23>> ungültig, bitte vierstellig eingeben (z.B. 2024)!", eins},
      {"", "2024", "2024", false, "Ein Jahr kann nicht mit sich selbst zusammengeführt werden!", eins},
      {"", "2022", "2024", false, "Ordner <<" + gezeigtImDaten("Abrechng/2022/Daten") + ">> nicht vorhanden!", eins},
      // ErfBeleg has no key: the target's own voucher 1 beside the one merged in March.
      {"3", "2023", "2024", false,
       "Bewegungsdaten nicht zusammengeführt, das Ziel ist unverändert.\n\n"
       "Im Ziel gibt es diese Belegnummern mehrfach: 1",
       {"1|03.03.2023|0", "1|05.05.2024|0"},
       [this] { belegeSchreiben(datenVon("2024"), {{"1", "05.05.2024", false, {"Z"}}}); }},
  };
  for (const Fall& fall : faelle) {
    SCOPED_TRACE(std::string(fall.monat) + " " + fall.von);
    if (fall.vorher) fall.vorher();
    const Zeilen positionenVorher = positionen(datenVon("2024"));
    dialogs.clear();
    EXPECT_EQ(zusammenfuehren(fall.von, fall.nach, fall.monat), fall.ok);
    EXPECT_EQ(texte().at(0), fall.meldung);
    EXPECT_EQ(belege(datenVon("2024")), fall.ziel);
    if (!fall.ok) {
      EXPECT_EQ(positionen(datenVon("2024")), positionenVorher);
    }
  }
}

TEST_F(Jahre, DeletingOneYearsMovementData) {
  jahrMitTabellen("2023");
  jahrMitTabellen("2024");
  belegeSchreiben(datenVon("2023"), {{"1", "02.01.2023", true, {"A"}},
                                     {"2", "03.01.2023", true, {"B", "C"}},
                                     {"3", "15.12.2022", false, {"D"}},
                                     {"", "20.12.2023", false, {"E"}},
                                     {"4", "31.12.2023", false, {"F"}}});
  oeffnen();
  form->EditLoeschenFuerJahr->setText("2023");
  // Another program reads the vouchers meanwhile: the commit of both tables cannot take the
  // voucher file, so neither changes (the positions were deleted on their own before).
  {
    const auto vorher = TreeContents(daten / "Abrechng/2023/Daten");
    sqlite3* leser = nullptr;
    sqlite3_open((daten / "Abrechng/2023/Daten/ErfBeleg.DB").c_str(), &leser);
    sqlite3_exec(leser, "BEGIN; SELECT count(*) FROM records;", nullptr, nullptr, nullptr);
    EXPECT_FALSE(BewegungenFuerJahrLoeschen(datenVon("2023")));
    sqlite3_close(leser);
    ASSERT_EQ(texte().size(), 1u);
    EXPECT_TRUE(texte()[0].starts_with("Bewegungsdaten nicht gelöscht, die Tabellen sind unverändert.\n\n"))
        << texte()[0];
    EXPECT_EQ(belege(datenVon("2023")).size(), 5u);
    EXPECT_EQ(TreeContents(daten / "Abrechng/2023/Daten"), vorher);
    EXPECT_EQ(jahrWert("2023", "ProgrammZugriff"), "");
    dialogs.clear();
    form->ListBoxStat01->items().clear();
  }
  const Zeilen sperre =
      sperreWaehrend("2023", [&] { EXPECT_TRUE(BewegungenFuerJahrLoeschen(datenVon("2023"))); });
  EXPECT_EQ(texte(), Zeilen{"Bewegungsdaten gelöscht\n\n4 Belege gelöscht"});
  EXPECT_EQ(belege(datenVon("2023")), (Zeilen{"3|15.12.2022|0"}));
  // The voucher without a number goes alone: its position "E" stays as it was written.
  EXPECT_EQ(positionen(datenVon("2023")), (Zeilen{"3|D", "|E"}));
  EXPECT_EQ(form->ListBoxStat01->items().lines(), (Zeilen{"Beleg: 1  für: 2023", "Beleg: 2  für: 2023",
                                                          "Beleg:   für: 2023", "Beleg: 4  für: 2023"}));
  // The year written was locked meanwhile and is left as it was; the current year keeps its lock.
  EXPECT_EQ(sperre, (Zeilen{"1"}));
  EXPECT_EQ(jahrWert("2023", "ProgrammZugriff"), "");
  EXPECT_EQ(jahrWert("2024", "ProgrammZugriff"), "1");
  // Again: what is left is of another year, and the message says that nothing went.
  dialogs.clear();
  EXPECT_TRUE(BewegungenFuerJahrLoeschen(datenVon("2023")));
  EXPECT_EQ(texte(), Zeilen{"Bewegungsdaten gelöscht\n\n0 Belege gelöscht"});

  for (const char* jahr : {"", "23", "20x3"}) {
    SCOPED_TRACE(jahr);
    dialogs.clear();
    form->EditLoeschenFuerJahr->setText(jahr);
    EXPECT_FALSE(BewegungenFuerJahrLoeschen(datenVon("2023")));
    EXPECT_EQ(texte(),
              Zeilen{"Jahr <<" + std::string(jahr) + ">> ungültig, bitte vierstellig eingeben (z.B. 2024)!"});
  }
  dialogs.clear();
  form->EditLoeschenFuerJahr->setText("2021");
  EXPECT_FALSE(BewegungenFuerJahrLoeschen(datenVon("2021")));
  EXPECT_EQ(texte(), Zeilen{"Ordner <<" + gezeigtImDaten("Abrechng/2021/Daten") + ">> nicht vorhanden!"});
}

// The merge locks the year it writes, refuses one another program holds, and gives back what
// it found (the old way released the current year's lock at its end).
TEST_F(Jahre, AMergeLocksTheYearItWritesAndRefusesAHeldOne) {
  jahrMitTabellen("2022", "1");
  jahrMitTabellen("2023");
  jahrMitTabellen("2024");
  belegeSchreiben(datenVon("2023"), {{"1", "03.03.2023", false, {"A"}}});
  oeffnen();
  EXPECT_EQ(sperreWaehrend("2024", [&] { EXPECT_TRUE(zusammenfuehren("2023", "2024")); }), Zeilen{"1"});
  EXPECT_EQ(sperreWaehrend("2022", [&] { EXPECT_TRUE(zusammenfuehren("2023", "2022") == false); }), Zeilen{});
  EXPECT_EQ(texte().back(), kBelegt);
  EXPECT_EQ(belege(datenVon("2022")), Zeilen{});
  EXPECT_EQ(jahrWert("2022", "ProgrammZugriff"), "1");
  EXPECT_EQ(jahrWert("2023", "ProgrammZugriff"), "");
  EXPECT_EQ(jahrWert("2024", "ProgrammZugriff"), "1");

  // A lock that cannot be written is no lock: the merge is refused and the year left alone.
  dialogs.clear();
  {
    ScopedStoerung voll(Stoerung::KeinAnlegen, "/Abrechng/2023/Abrechng.ini", ENOSPC);
    EXPECT_FALSE(zusammenfuehren("2024", "2023"));
  }
  ASSERT_EQ(texte().size(), 1u);
  EXPECT_TRUE(texte()[0].starts_with("Programmzugriff nicht gesetzt: " +
                                     gezeigtImDaten("Abrechng/2023/Abrechng.ini")))
      << texte()[0];
  EXPECT_EQ(belege(datenVon("2023")), (Zeilen{"1|03.03.2023|0"}));
  EXPECT_EQ(jahrWert("2023", "ProgrammZugriff"), "");
}

// Every operation that writes a year's tables leaves a year another program holds alone, as the
// merge does: the new year (which would be built from the held year's live tables), the VAT
// rewrite and the co-payment reset. The Windows program ran them all.
TEST_F(Jahre, OperationsThatWriteAYearRefuseOneAnotherProgramHolds) {
  const std::string sicherung = "Datensicherung durchgeführt ?\n\n" + gezeigtImDaten("Abrechng");
  struct Fall {
    const char* was;
    bool letztesGehalten;  // else the current year is held (found so at the start)
    std::function<void(TFormEinstellungen&)> tun;
    Zeilen meldungen;
  } faelle[] = {
      {"new year from the held current year",
       false,
       [](TFormEinstellungen&) { EXPECT_FALSE(neuesJahrAnlegenMitRueckfrage()); },
       {sicherung, kBelegt}},
      // Entering the held year says so, and the refusal says it again.
      {"new year from a held last year",
       true,
       [](TFormEinstellungen&) { EXPECT_FALSE(neuesJahrAnlegenMitRueckfrage()); },
       {sicherung, kBelegt, kBelegt}},
      {"VAT rates",
       false,
       [](TFormEinstellungen& f) {
         f.EditMwStVoll->setText("16");
         f.EditMwstErm->setText("5");
         f.ButtonMwst->click();
       },
       {kBelegt}},
      {"co-payment reset",
       false,
       [](TFormEinstellungen& f) { f.BitBtnLoeschZuzBefreiung->click(); },
       {kBelegt}},
  };
  for (const Fall& fall : faelle) {
    SCOPED_TRACE(fall.was);
    std::filesystem::remove_all(daten / "Abrechng");
    jahrMitTabellen("2023");
    jahrMitTabellen("2024", "1");
    belegeSchreiben(datenVon("2024"), {{"4", "04.04.2024", false, {"C"}}});
    saetzeSchreiben(datenVon("2024"), "Patienten.DB", std::vector<Felder>{{{"Zuzahlungsbefreit", "1"}}});
    neuesProgramm();
    oeffnen();
    if (fall.letztesGehalten) {
      jahrWaehlen("2023");
      form->EditOrdnerExport->setText(daten.str());  // the year's settings came with it
      dialogs.clear();
    }
    const Zeilen patienten = saetze(datenVon("2024"), "Patienten.DB");
    form->CheckBoxOffeneBelUebernehmen->setChecked(true);
    fall.tun(*form);
    EXPECT_EQ(texte(), fall.meldungen);
    EXPECT_FALSE(std::filesystem::exists(daten / "Abrechng/2025"));
    EXPECT_EQ(belege(datenVon("2024")), (Zeilen{"4|04.04.2024|0"}));
    EXPECT_EQ(positionen(datenVon("2024")), (Zeilen{"4|C"}));
    EXPECT_EQ(saetze(datenVon("2024"), "Patienten.DB"), patienten);
    EXPECT_EQ(jahrWert("2024", "MwSt1", "FIRMA"), "-1");
    EXPECT_EQ(jahrWert("2024", "ProgrammZugriff"), "1");
  }
}

// ---- one operation at a time ----

// A click during a long operation (its work lets messages run) starts nothing: not the same
// button again, not "&Beenden", "Be&nutzereintrag löschen", the year box or another button of
// the tab; a close (the title bar, a signal) waits until the operation has ended. So every
// operation runs once to its end, the year it locked is given back before the close releases the
// current year, and no year stays locked. The Windows program ran the other handler in the middle:
// a double click made the new year fail and removed it, "&Beenden" released the lock while a
// deletion went on, and the deletion's end then locked the year for good.
TEST_F(Jahre, DuringALongOperationTheFormTakesNoOtherActionAndACloseWaits) {
  using Knopf = std::function<ui::TButton*(TFormEinstellungen&)>;
  struct Fall {
    const char* was;
    Knopf knopf;
    std::function<void(TFormEinstellungen&)> vorher;  // the edits the user fills in
    std::vector<std::function<bool(TFormEinstellungen&)>> waehrend;
    Zeilen meldungen;
    std::function<void(Jahre&)> danach;
  };
  const std::string sicherung = "Datensicherung durchgeführt ?\n\n" + gezeigtImDaten("Abrechng");
  const auto erneut = [](const Knopf& k) { return [k](TFormEinstellungen& f) { return k(f)->userClick(); }; };
  const auto beenden = [](TFormEinstellungen& f) { return f.BitBtnBeenden->userClick(); };
  const auto freigeben = [](TFormEinstellungen& f) { return f.BitBtn1->userClick(); };
  const Knopf neuesJahr = [](TFormEinstellungen& f) { return f.ButtonNeuesJahrAnlegen; };
  const Knopf loeschen = [](TFormEinstellungen& f) { return f.BitBtnBewegungenFuerJahrLoeschen; };
  const Knopf zusammen = [](TFormEinstellungen& f) { return f.BitBtnVonJahrNachJahr; };
  const Knopf mwst = [](TFormEinstellungen& f) { return f.ButtonMwst; };
  const Knopf zuzahlung = [](TFormEinstellungen& f) { return f.BitBtnLoeschZuzBefreiung; };
  const std::vector<Fall> faelle = {
      {"new year, clicked twice, the year changed",
       neuesJahr,
       [](TFormEinstellungen& f) { f.CheckBoxOffeneBelUebernehmen->setChecked(true); },
       {erneut(neuesJahr), beenden, freigeben,
        [](TFormEinstellungen& f) { return f.ComboBoxAktuellesJahr->userSelect(0); }},
       {sicherung, "Neuen Abrechnungszeitraum anlegen?\n\n2025\n\nSind Sie sicher ?",
        "Neuen Abrechnungszeitraum: 2025\n\nVerarbeitung beendet"},
       [](Jahre& t) {
         EXPECT_EQ(belege(t.datenVon("2025")), (Zeilen{"4|04.04.2024|0"}));
         EXPECT_EQ(t.programmWert("AktuellesJahr"), "2025");
       }},
      {"deletion of the current year's data, \"&Beenden\" meanwhile",
       loeschen,
       [](TFormEinstellungen& f) { f.EditLoeschenFuerJahr->setText("2024"); },
       {erneut(loeschen), beenden, freigeben, erneut(zusammen)},
       {sicherung, "Bewegungsdaten gelöscht\n\n2 Belege gelöscht"},
       [](Jahre& t) { EXPECT_EQ(belege(t.datenVon("2024")), Zeilen{}); }},
      {"merge, START twice",
       zusammen,
       [](TFormEinstellungen& f) {
         f.EditVonJahr->setText("2023");
         f.EditNachJahr->setText("2024");
       },
       {erneut(zusammen), erneut(loeschen), beenden},
       {sicherung, "Bewegungsdaten erfolgreich zusamenngeführt\n\n1 Beleg übernommen",
        "Abrechnungsdaten erfolgreich zusamenngeführt"},
       [](Jahre& t) {
         EXPECT_EQ(belege(t.datenVon("2024")),
                   (Zeilen{"3|03.03.2024|1", "4|04.04.2024|0", "1|01.03.2023|0"}));
       }},
      {"VAT rates, clicked twice",
       mwst,
       [](TFormEinstellungen& f) {
         f.EditMwStVoll->setText("16");
         f.EditMwstErm->setText("5");
       },
       {erneut(mwst), erneut(zuzahlung), beenden},
       {"MwSt-Sätze werden in nicht abgerechneten Rezepten / Verordnungen überschrieben\n\nSind Sie sicher ?",
        "MwSt-Sätze geändert, Verarbeitung beendet"},
       [](Jahre& t) { EXPECT_EQ(t.jahrWert("2024", "MwSt1", "FIRMA"), "16"); }},
      {"co-payment reset, clicked twice",
       zuzahlung,
       nullptr,
       {erneut(zuzahlung), erneut(mwst), beenden},
       {"Die Zuzahlungsbefreiungen aller Patienten werden gelöscht\n\nSind Sie sicher ?",
        "Alle Zuzahlungsbefreiungen gelöscht, Verarbeitung beendet"},
       nullptr},
  };
  for (const Fall& fall : faelle) {
    SCOPED_TRACE(fall.was);
    std::filesystem::remove_all(daten / "Abrechng");
    jahrMitTabellen("2023");
    jahrMitTabellen("2024");
    belegeSchreiben(datenVon("2023"), {{"1", "01.03.2023", false, {"A"}}});
    belegeSchreiben(datenVon("2024"), {{"3", "03.03.2024", true, {"B"}}, {"4", "04.04.2024", false, {"C"}}});
    neuesProgramm();
    oeffnen();
    ASSERT_EQ(jahrWert("2024", "ProgrammZugriff"), "1");
    if (fall.vorher) fall.vorher(*form);
    ui::TButton* knopf = fall.knopf(*form);
    form->PageControl1->setActivePage(static_cast<ui::TTabSheet*>(knopf->parent()->parent()));
    std::vector<bool> angenommen;
    std::vector<bool> sichtbar;
    bool einmal = false;
    platform::setMessagePump([&] {
      sichtbar.push_back(form->visible());
      // Once the work proper shows its progress.
      if (!form->LabelWarten->visible() || std::exchange(einmal, true)) return;
      for (const auto& aktion : fall.waehrend) angenommen.push_back(aktion(*form));
      form->close();
    });
    EXPECT_TRUE(knopf->userClick());
    platform::setMessagePump({});
    EXPECT_EQ(angenommen, std::vector<bool>(fall.waehrend.size(), false));
    EXPECT_EQ(std::count(sichtbar.begin(), sichtbar.end(), false), 0);
    EXPECT_FALSE(form->visible());
    EXPECT_EQ(texte(), fall.meldungen);
    if (fall.danach) fall.danach(*this);
    for (const char* j : {"2023", "2024", "2025"}) EXPECT_NE(jahrWert(j, "ProgrammZugriff"), "1") << j;
    EXPECT_TRUE(std::filesystem::is_empty(programm / "Temp"));
  }
}

// ---- switch and data-root change ----

TEST_F(Jahre, SwitchingIntoAYearAnotherProgramHolds) {
  jahrMitTabellen("2023", "1");
  jahrMitTabellen("2024");
  oeffnen();
  ASSERT_FALSE(globals().JahrInNutzung);
  jahrWaehlen("2023");
  EXPECT_EQ(texte(), Zeilen{kBelegt});
  EXPECT_TRUE(globals().JahrInNutzung);
  EXPECT_EQ(globals().JahrPfad, "Abrechng\\2023\\");
  EXPECT_EQ(programmWert("AktuellesJahr"), "2023");
  EXPECT_EQ(form->TableAdrDlz->databaseName(), datenVon("2023"));
  EXPECT_EQ(jahrWert("2024", "ProgrammZugriff"), "");
  // Back in a free year the flag is that year's again; the other program's lock stays.
  jahrWaehlen("2024");
  EXPECT_FALSE(globals().JahrInNutzung);
  EXPECT_EQ(jahrWert("2024", "ProgrammZugriff"), "1");
  EXPECT_EQ(jahrWert("2023", "ProgrammZugriff"), "1");
  jahrWaehlen("2023");
  form->BitBtnBeenden->click();
  EXPECT_EQ(jahrWert("2023", "ProgrammZugriff"), "1");
  EXPECT_EQ(jahrWert("2024", "ProgrammZugriff"), "");
}

// Every table of the program is closed before the year is left: an edit in progress is posted
// into the year it was made in, and each table that named the year's Daten, open or closed,
// names the year entered (the open ones open there again).
TEST_F(Jahre, ASwitchPostsAPendingEditAndTheTablesFollowTheYear) {
  jahrMitTabellen("2023");
  jahrMitTabellen("2024");
  oeffnen();
  db::TTable& ann = *form->TableAnn;
  ASSERT_TRUE(tabelleOeffnen(ann, datenVon("2024"), "Ann.DB").ok());
  ASSERT_TRUE(ann.append().ok() && ann.fields(0).setAsString("101234567").ok());
  ASSERT_TRUE(form->TableAdrAnn->setDatabaseName(datenVon("2024")).ok());
  jahrWaehlen("2023");
  EXPECT_EQ(saetze(datenVon("2024"), "Ann.DB", {"Kostentraeger"}), Zeilen{"101234567"});
  EXPECT_EQ(saetze(datenVon("2023"), "Ann.DB", {"Kostentraeger"}), Zeilen{});
  EXPECT_TRUE(ann.active());
  EXPECT_EQ(ann.databaseName(), datenVon("2023"));
  EXPECT_TRUE(ann.isEmpty());
  EXPECT_FALSE(form->TableAdrAnn->active());
  EXPECT_EQ(form->TableAdrAnn->databaseName(), datenVon("2023"));
  EXPECT_EQ(texte(), Zeilen{});
}

TEST_F(Jahre, TheDataRootChangeTakesTheLastYearOfTheNewRoot) {
  jahrMitTabellen("2023");
  jahrMitTabellen("2024");
  const std::string zweit = imDaten("Zweit");
  for (const char* j : {"2022", "2023"}) {
    iniSchreiben(daten, "Zweit/Abrechng/" + std::string(j) + "/Abrechng.ini",
                 "[EINSTELLUNGEN]\r\nProgrammZugriff=\r\n");
    daten.mkdir("Zweit/Abrechng/" + std::string(j) + "/Daten");
  }
  oeffnen();
  jahrWaehlen("2023");
  // Cancelled, the edit as it was or emptied: the year (not the root's highest) and its lock stay.
  for (const std::string& text : {daten.str(), std::string()}) {
    SCOPED_TRACE(text);
    form->EditOrdnerBw->setText(text);
    dialogs.answerFolder(std::nullopt);
    form->SpeedButtonBw->click();
    EXPECT_EQ(form->EditOrdnerBw->text(), text);
    EXPECT_EQ(globals().DatenPfad, daten.str() + "\\");
    EXPECT_EQ(globals().JahrPfad, "Abrechng\\2023\\");
    EXPECT_EQ(programmWert("AktuellesJahr"), "2023");
    EXPECT_EQ(jahrWert("2023", "ProgrammZugriff"), "1");
    EXPECT_EQ(jahrWert("2024", "ProgrammZugriff"), "");
  }

  dialogs.answerFolder(zweit);
  dialogs.clear();
  form->SpeedButtonBw->click();
  // The new root's years lack the service-centre table: it comes from the template, unasked;
  // the folder dialog is all that was shown.
  EXPECT_EQ(texte(), Zeilen{""});
  EXPECT_EQ(form->EditOrdnerBw->text(), zweit);
  EXPECT_EQ(programmWert("BüroWARE"), zweit);
  EXPECT_EQ(programmWert("AktuellesJahr"), "2023");
  EXPECT_EQ(form->ComboBoxAktuellesJahr->items().lines(), (Zeilen{"2022", "2023"}));
  EXPECT_EQ(globals().JahrPfad, "Abrechng\\2023\\");
  EXPECT_TRUE(form->caption().ends_with(" / Abrechnungsjahr: 2023"));
  EXPECT_EQ(jahrWert("2023", "ProgrammZugriff"), "");
  EXPECT_EQ(wert(zweit + "\\Abrechng\\2023\\Abrechng.ini", "EINSTELLUNGEN", "ProgrammZugriff"), "1");
  EXPECT_TRUE(form->TableAdrDlz->active());
  EXPECT_EQ(form->TableAdrDlz->databaseName(), zweit + "\\Abrechng\\2023\\Daten");
}

}  // namespace
}  // namespace riviza::test
