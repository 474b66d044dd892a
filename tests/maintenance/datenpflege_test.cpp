// The tools of the page "Da&tenpflege" driven as a user drives them (clicks on the shown page,
// scripted answers): the imports with their question and their count, the PZN widening, the
// doctor numbers, the TIFF copies, the merge with its guards and the deletion, the ABR.DAT
// clean-up and the date picker of the year change; with the edge cases a user meets and what a
// refusal or a "No" leaves untouched.
#include "maintenance/datenpflege.h"

#include "datenpflege_fixture.h"
#include "platform/pump.h"

namespace riviza::test {
namespace {

using ui::DlgResult;

class DatenpflegeSeite : public Datenpflege {
 protected:
  void klick(ui::TButton* knopf) {
    form->PageControl1->setActivePage(form->TabSheet5);
    ASSERT_TRUE(knopf->userClick()) << knopf->name();
  }
};

TEST_F(DatenpflegeSeite, TheImportButtonsAskFirstAndShowTheCountWhileTheyRun) {
  gestartet();
  csvSchreiben("Import/artImp.csv", "Nr\tK\tPZN\tText\tPreis\r\n1\tA-1\t1234567\tErste\r\n2\tA-2\r\n");
  xlsSchreiben(daten / "Import/artImp.xls", "[('L', [['K'], ['X-1', 7654321, 'Aus Excel', 3]])]");
  const std::string frage =
      "?YC Datenimport Leistungen starten ?\n\nLeistungen werden gelöscht !\n\nBitte sichern Sie vorher Ihre "
      "Daten !";
  // The run ends with its count in a box once the waiting label is gone.
  const std::tuple<ui::TButton*, DlgResult, Zeilen, Zeilen> faelle[] = {
      {form->BitBtnArtImpCsv, DlgResult::Cancel, alteListe(), {frage}},
      {form->BitBtnArtImpCsv,
       DlgResult::Yes,
       {"a-1|1234567|Erste||1|True", "a-2||||1|True"},
       {frage, "Leistungen importiert: 2"}},
      {form->BitBtnImpLeistungen,
       DlgResult::Yes,
       {"x-1|7654321|Aus Excel|3|1|True"},
       {frage, "Leistungen importiert: 1"}},
  };
  for (const auto& [knopf, antwort, liste, meldungen] : faelle) {
    SCOPED_TRACE(knopf->name() + " " + std::to_string(static_cast<int>(antwort)));
    dialogs.clear();
    leereTabellen(programm.str(), datenVon("2024"));
    alteLeistungen();
    dialogs.answer(antwort);
    Zeilen waehrend;  // waiting label and count, whenever messages run
    platform::setMessagePump([&, knopf = knopf] {
      if (waehrend.empty()) {
        EXPECT_FALSE(knopf->userClick());  // a second press starts nothing
      }
      const std::string s = (form->LabelWarten->visible() ? "W" : "-") +
                            (form->LabelDbSatz->visible() ? form->LabelDbSatz->caption() : "-");
      if (waehrend.empty() || waehrend.back() != s) waehrend.push_back(s);
    });
    klick(knopf);
    platform::setMessagePump({});
    EXPECT_EQ(gezeigt(), meldungen);
    EXPECT_EQ(leistungen(), liste);
    Zeilen erwartet;
    for (size_t i = 0; antwort == DlgResult::Yes && i <= liste.size(); ++i)
      erwartet.push_back("W" + std::to_string(i));
    EXPECT_EQ(waehrend, erwartet);
    EXPECT_FALSE(form->LabelWarten->visible() || form->LabelDbSatz->visible());
  }
  dialogs.clear();
  form->EditOrdnerImport->setText(imDaten("Leer"));
  klick(form->BitBtnArtImpCsv);
  klick(form->BitBtnImpLeistungen);
  EXPECT_EQ(gezeigt(), (Zeilen{"Datei nicht vorhanden!", "Datei nicht vorhanden!"}));
}

TEST_F(DatenpflegeSeite, PznAndDoctorNumbersOfSevenCharacters) {
  gestartet();
  std::vector<Felder> pzn, aerzte;
  for (const char* p : {"1234567", " 123456", "12345678", "123456", "", "Größe12"})
    pzn.push_back({{"Pharmazentralnummer", p}});
  for (const char* n : {"1234567", " 1234567", "0123456", "12345678", "12a4567", "+123456", " 12 4567 "})
    aerzte.push_back({{"Nummer", n}});
  saetzeSchreiben(datenVon("2023"), "Leistungen.DB", pzn);
  saetzeSchreiben(datenVon("2024"), "Leistungen.DB", {{{"Pharmazentralnummer", "7777777"}}});
  saetzeSchreiben(datenVon("2024"), "Arzt.DB", aerzte);
  form->ComboBoxAktuellesJahr->setText("2023");  // names the year without switching to it
  klick(form->BitBtnPZN8);
  klick(form->BitBtnPZN8);
  EXPECT_EQ(saetze(datenVon("2023"), "Leistungen.DB", {"Pharmazentralnummer"}),
            (Zeilen{"01234567", "0 123456", "12345678", "123456", "", "0Größe12"}));
  EXPECT_EQ(saetze(datenVon("2024"), "Leistungen.DB", {"Pharmazentralnummer"}), Zeilen{"7777777"});

  // The group "Ärzte" never shows: the user cannot reach the button; its handler works on the
  // current year.
  EXPECT_FALSE(form->ButtonArztNrInBerstNr->userClick());
  form->ButtonArztNrInBerstNr->click();
  EXPECT_EQ(saetze(datenVon("2024"), "Arzt.DB", {"Nummer"}),
            (Zeilen{"123456700", "123456700", "012345600", "12345678", "12a4567", "+123456", " 12 4567 "}));
  EXPECT_EQ(gezeigt(),
            (Zeilen{"PZN auf 8-stellig umgesetzt!", "Keine 7-stellige PZN vorhanden!",
                    "Artzt-Nr. <<12a4567>> nicht numerisch!", "Artzt-Nr. <<+123456>> nicht numerisch!",
                    "Artzt-Nr. << 12 4567 >> nicht numerisch!"}));
  EXPECT_EQ(form->LabelUmsetzungBeendet->caption(), "Umsetzung beendet, 7");
  EXPECT_FALSE(form->Table1->active());

  dialogs.clear();
  ASSERT_TRUE(platform::deleteFile(datenVon("2023") + "\\Leistungen.DB").ok());
  ASSERT_TRUE(platform::deleteFile(datenVon("2024") + "\\Arzt.DB").ok());
  EXPECT_FALSE(PznAchtstellig());
  EXPECT_FALSE(ArztNummernUmsetzen());
  ASSERT_EQ(gezeigt().size(), 1u);
  EXPECT_TRUE(gezeigt()[0].starts_with("FEHLER PZN nicht umgesetzt: " +
                                       gezeigtImDaten("Abrechng/2023/Daten/Leistungen.DB")));
}

TEST_F(DatenpflegeSeite, TiffFilesAreCopiedOnceUnderTheClientsNumbers) {
  gestartet();
  form->EditOrdnerTiff->setText(imDaten("Tiff"));
  daten.write("Tiff/42.tif", "42");
  const std::string log = "15.03.2024 10:30:00  GUS-Daten kopiert: " + gezeigtImDaten("Tiff/GUS/");
  const std::string ungueltig = " ungültig: \\, / und .. sind im Mandanten nicht erlaubt!";
  struct Fall {
    const char* mandant;
    const char* neu;  // a file put into the folder first
    Zeilen gezeigt, protokoll, gus;
    bool knopf;  // the button still shows
  } faelle[] = {
      {"AB", "", Zeilen{}, Zeilen{}, Zeilen{}, true},  // no GUS folder
      {"AB", "GUS/AB100000007.tif", Zeilen{}, Zeilen{log + "AB100000042.tif", log + "AB10099999999.tif"},
       Zeilen{"AB100000007.tif=alt", "AB100000042.tif=42", "AB10099999999.tif=9999999999"}, false},
      {"AB", "", Zeilen{}, Zeilen{},
       Zeilen{"AB100000007.tif=alt", "AB100000042.tif=42", "AB10099999999.tif=9999999999"}, false},
      {"..\\x", "", Zeilen{"Fehler ! Mandant <<..\\x>>" + ungueltig}, Zeilen{}, Zeilen{}, true},
      {"a/b", "", Zeilen{"Fehler ! Mandant <<a/b>>" + ungueltig}, Zeilen{}, Zeilen{}, true},
      {"C", "liesmich.txt", Zeilen{"Fehler ! 'liesmich' ist kein gültiger Integerwert"},
       Zeilen{log + "C100000042.tif", log + "C100000007.tif", log + "C10099999999.tif"},
       Zeilen{"C100000007.tif=7", "C100000042.tif=42", "C10099999999.tif=9999999999"}, true},
  };
  for (const Fall& fall : faelle) {
    SCOPED_TRACE(std::string(fall.mandant) + " " + fall.neu);
    dialogs.clear();
    form->ListBoxReorg->items().clear();
    form->ButtonGusTifDateien->setVisible(true);
    form->EditMandant->setText(fall.mandant);
    if (*fall.neu) daten.write("Tiff/" + std::string(fall.neu), "alt");
    if (*fall.neu == 'G') {  // with the target that exists, two more sources
      daten.write("Tiff/7.TIF", "7");
      daten.write("Tiff/9999999999.tif", "9999999999");
    }
    klick(form->ButtonGusTifDateien);
    EXPECT_EQ(gezeigt(), fall.gezeigt);
    EXPECT_EQ(form->ListBoxReorg->items().lines(), fall.protokoll);
    for (const std::string& kopie : fall.gus) {
      const size_t gleich = kopie.find('=');
      EXPECT_EQ(daten.read("Tiff/GUS/" + kopie.substr(0, gleich)), kopie.substr(gleich + 1)) << kopie;
    }
    EXPECT_EQ(form->ButtonGusTifDateien->visible(), fall.knopf);
  }
}

TEST_F(DatenpflegeSeite, MergeAndDeletionAreGuardedAskAndSaveFirst) {
  jahrMitTabellen("2023");
  jahrMitTabellen("2024");
  belegeSchreiben(datenVon("2023"), {{"1", "03.03.2023", false, {"A"}}});
  oeffnen();
  const std::string frage = "?YN Datensicherung durchgeführt ?\n\n" + gezeigtImDaten("Abrechng");
  const Zeilen keineDaten{"FEHLER In diese Jahren gibt es keine Daten!"};
  const std::tuple<const char*, const char*, DlgResult, Zeilen> faelle[] = {
      {"2022", "2024", DlgResult::Yes, keineDaten},
      {"2023", "2025", DlgResult::Yes, keineDaten},
      {"", "2024", DlgResult::Yes, keineDaten},
      {"2023", "", DlgResult::Yes, keineDaten},
      {"2023", "2024", DlgResult::No, {frage}},
      {"2023",
       "2024",
       DlgResult::Yes,
       {frage, "Hinweis ! Bewegungsdaten erfolgreich zusamenngeführt\n\n1 Beleg übernommen",
        "Hinweis ! Abrechnungsdaten erfolgreich zusamenngeführt"}},
  };
  for (const auto& [von, nach, antwort, erwartet] : faelle) {
    SCOPED_TRACE(std::string(von) + " -> " + nach + " " + std::to_string(static_cast<int>(antwort)));
    dialogs.clear();
    form->EditVonJahr->setText(von);
    form->EditNachJahr->setText(nach);
    dialogs.answer(antwort);
    klick(form->BitBtnVonJahrNachJahr);
    EXPECT_EQ(gezeigt(), erwartet);
    const bool gelaufen = erwartet.size() > 1;
    EXPECT_EQ(belege(datenVon("2024")), (gelaufen ? Zeilen{"1|03.03.2023|0"} : Zeilen{}));
    EXPECT_EQ(jahrWert("2024", "VonJahr", "ZUSAMMENFEUHREN"), gelaufen ? "2023" : "-1");  // saved first
  }
  // The deletion checks no year itself: the routine it calls refuses a bad one.
  form->EditLoeschenFuerJahr->setText("2023");
  for (DlgResult antwort : {DlgResult::No, DlgResult::Yes}) {
    dialogs.clear();
    dialogs.answer(antwort);
    klick(form->BitBtnBewegungenFuerJahrLoeschen);
    const bool ja = antwort == DlgResult::Yes;
    EXPECT_EQ(gezeigt(),
              (ja ? Zeilen{frage, "Hinweis ! Bewegungsdaten gelöscht\n\n1 Beleg gelöscht"} : Zeilen{frage}));
    EXPECT_EQ(belege(datenVon("2023")), (ja ? Zeilen{} : Zeilen{"1|03.03.2023|0"}));
    EXPECT_EQ(jahrWert("2024", "LoeschenFuerJahr", "BEWEGUNGEN_LOESCHEN"), ja ? "2023" : "");
  }
}

TEST_F(DatenpflegeSeite, AbrDatQuestionAndTheDatePickerOfTheYearChange) {
  gestartet();
  daten.write("Export/ABR.DAT", "KOPF\r\nK;1\r\nX\r\n");
  form->EditOrdnerExport->setText(imDaten("Export"));
  const std::string frage = "?YN Ändern ABR.DAT ?\n\n" + gezeigtImDaten("Export/ABR.DAT") + "\n";
  dialogs.answer(DlgResult::No);
  klick(form->BitBtnBereinigenAbrDat);
  EXPECT_FALSE(fs::exists(daten / "Export/ABR.NEU"));
  dialogs.answer(DlgResult::Yes);
  klick(form->BitBtnBereinigenAbrDat);
  EXPECT_EQ(gezeigt(), (Zeilen{frage, frage, "Datei erstellt!"}));
  EXPECT_EQ(daten.read("Export/ABR.NEU"), "KOPF\r\nK;1\r\n");

  form->PageControl1->setActivePage(form->TabSheet1);
  ASSERT_TRUE(form->DateTimePicker2->userPickDate({2025, 2, 1, 0, 0, 0}));
  EXPECT_EQ(form->EditAbDatumAbrechnung->text(), "01.02.2025");
  ASSERT_TRUE(form->BitBtnSpeichern->userClick());
  EXPECT_EQ(jahrWert("2024", "AbDatumAbrechnung", "JAHRESWECHSEL"), "01.02.2025");
}

}  // namespace
}  // namespace riviza::test
