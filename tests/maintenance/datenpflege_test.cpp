// The tools of the page "Da&tenpflege" driven through the form as a user drives them (clicks,
// typed edits, scripted answers): the two imports with their question, the ABR.DAT clean-up with
// its question, the merge with its guards and the deletion, the PZN widening, the doctor numbers,
// the TIFF copies and the date picker of the year change; each with the edge cases a user meets
// and what a refusal or a "No" leaves untouched.
#include "maintenance/datenpflege.h"

#include "app/Riviza1_jahre.h"
#include "datenpflege_fixture.h"
#include "platform/pump.h"

namespace riviza::test {
namespace {

using ui::DlgResult;
using Zeilen = std::vector<std::string>;

const std::string kImportFrage =
    "Datenimport Leistungen starten ?\n\nLeistungen werden gelöscht !\n\nBitte sichern Sie vorher Ihre Daten "
    "!";

class DatenpflegeSeite : public Datenpflege {
 protected:
  // The page shown, so that the user reaches its controls.
  void seite(ui::TTabSheet* seite) { form->PageControl1->setActivePage(seite); }
  void klick(ui::TButton* knopf) { ASSERT_TRUE(knopf->userClick()) << knopf->name(); }
  // What the user saw: each dialog as its kind letter (M box, D question, S message), caption
  // or buttons, and text.
  Zeilen gezeigt() const {
    Zeilen out;
    for (const ui::DialogShown& d : dialogs.transcript()) {
      using K = ui::DialogShown::Kind;
      if (d.kind == K::MessageDlg)
        out.push_back("D" + std::to_string(static_cast<int>(d.buttons)) + " " + d.text);
      else if (d.kind == K::MessageBox)
        out.push_back("M " + d.caption + " " + d.text);
      else
        out.push_back("S " + d.text);
    }
    return out;
  }
  static std::string frage(ui::DlgButtons knoepfe, const std::string& text) {
    return "D" + std::to_string(static_cast<int>(knoepfe)) + " " + text;
  }
};

TEST_F(DatenpflegeSeite, TheImportButtonsAskFirstAndShowTheCountWhileTheyRun) {
  gestartet();
  seite(form->TabSheet5);
  csvSchreiben("Import/artImp.csv", "K\r\n1\tA-1\t1234567\tErste\r\n2\tA-2\r\n");
  xlsSchreiben(daten / "Import/artImp.xls", "[('L', [['K'], ['X-1', 7654321, 'Aus Excel', 3]])]");
  const Zeilen ausCsv{"a-1|1234567|Erste||1|True", "a-2||||1|True"};
  struct Fall {
    const char* was;
    ui::TButton* knopf;
    DlgResult antwort;
    Zeilen gezeigt;
    Zeilen liste;
  };
  const Fall faelle[] = {
      {"csv cancelled",
       form->BitBtnArtImpCsv,
       DlgResult::Cancel,
       {frage(ui::DlgButtons::YesCancel, kImportFrage)},
       alteListe()},
      {"csv",
       form->BitBtnArtImpCsv,
       DlgResult::Yes,
       {frage(ui::DlgButtons::YesCancel, kImportFrage)},
       ausCsv},
      {"xls",
       form->BitBtnImpLeistungen,
       DlgResult::Yes,
       {frage(ui::DlgButtons::YesCancel, kImportFrage)},
       {"x-1|7654321|Aus Excel|3|1|True"}},
  };
  for (const Fall& fall : faelle) {
    SCOPED_TRACE(fall.was);
    dialogs.clear();
    leereTabellen(programm.str(), datenVon("2024"));
    alteLeistungen();
    dialogs.answer(fall.antwort);
    Zeilen waehrend;
    platform::setMessagePump([&] {
      const std::string s = std::string(form->LabelWarten->visible() ? "W" : "-") +
                            (form->LabelDbSatz->visible() ? form->LabelDbSatz->caption() : "-");
      if (waehrend.empty() || waehrend.back() != s) waehrend.push_back(s);
    });
    klick(fall.knopf);
    platform::setMessagePump({});
    EXPECT_EQ(gezeigt(), fall.gezeigt);
    EXPECT_EQ(leistungen(), fall.liste);
    Zeilen erwartet;
    if (fall.antwort == DlgResult::Yes)
      for (size_t i = 0; i <= fall.liste.size(); ++i) erwartet.push_back("W" + std::to_string(i));
    EXPECT_EQ(waehrend, erwartet);
    EXPECT_FALSE(form->LabelWarten->visible());
    EXPECT_FALSE(form->LabelDbSatz->visible());
  }

  dialogs.clear();
  form->EditOrdnerImport->setText(imDaten("Leer"));
  klick(form->BitBtnArtImpCsv);
  klick(form->BitBtnImpLeistungen);
  EXPECT_EQ(gezeigt(), (Zeilen{"S Datei nicht vorhanden!", "S Datei nicht vorhanden!"}));
}

TEST_F(DatenpflegeSeite, PznOfSevenCharactersGetALeadingZeroInTheChosenYear) {
  gestartet();
  seite(form->TabSheet5);
  const Zeilen vorher{"1234567", " 123456", "12345678", "123456", "", "abcdefg", "Größe12"};
  std::vector<Felder> liste;
  for (const std::string& pzn : vorher) liste.push_back({{"Schluessel", "k"}, {"Pharmazentralnummer", pzn}});
  saetzeSchreiben(datenVon("2023"), "Leistungen.DB", liste);
  saetzeSchreiben(datenVon("2024"), "Leistungen.DB", {{{"Pharmazentralnummer", "7777777"}}});
  const auto pzn = [&](const std::string& jahr) {
    return saetze(datenVon(jahr), "Leistungen.DB", {"Pharmazentralnummer"});
  };
  // The combo box names the year without switching to it.
  form->ComboBoxAktuellesJahr->setText("2023");
  klick(form->BitBtnPZN8);
  EXPECT_EQ(pzn("2023"), (Zeilen{"01234567", "0 123456", "12345678", "123456", "", "0abcdefg", "0Größe12"}));
  EXPECT_EQ(pzn("2024"), Zeilen{"7777777"});
  klick(form->BitBtnPZN8);
  EXPECT_EQ(gezeigt(), (Zeilen{"S PZN auf 8-stellig umgesetzt!", "S Keine 7-stellige PZN vorhanden!"}));

  dialogs.clear();
  ASSERT_TRUE(platform::deleteFile(datenVon("2023") + "\\Leistungen.DB").ok());
  EXPECT_FALSE(PznAchtstellig());
  ASSERT_EQ(gezeigt().size(), 1u);
  EXPECT_TRUE(
      gezeigt()[0].starts_with("M FEHLER PZN nicht umgesetzt: " + datenVon("2023") + "\\Leistungen.DB"))
      << gezeigt()[0];
  EXPECT_FALSE(form->Table1->active());
}

TEST_F(DatenpflegeSeite, SevenDigitDoctorNumbersBecomeNineAndOthersStay) {
  gestartet();
  seite(form->TabSheet5);
  const Zeilen vorher{"1234567", " 1234567", "0123456", "12345678",
                      "123456",  "12a4567",  "+123456", " 12 4567 "};
  std::vector<Felder> liste;
  for (const std::string& nr : vorher) liste.push_back({{"Nummer", nr}});
  saetzeSchreiben(datenVon("2024"), "Arzt.DB", liste);
  // The group "Ärzte" never shows: the user cannot reach the button, the handler still works.
  EXPECT_FALSE(form->ButtonArztNrInBerstNr->userClick());
  EXPECT_EQ(gezeigt(), Zeilen{});
  form->ButtonArztNrInBerstNr->click();
  EXPECT_EQ(saetze(datenVon("2024"), "Arzt.DB", {"Nummer"}),
            (Zeilen{"123456700", "123456700", "012345600", "12345678", "123456", "12a4567", "+123456",
                    " 12 4567 "}));
  EXPECT_EQ(gezeigt(),
            (Zeilen{"S Artzt-Nr. <<12a4567>> nicht numerisch!", "S Artzt-Nr. <<+123456>> nicht numerisch!",
                    "S Artzt-Nr. << 12 4567 >> nicht numerisch!"}));
  EXPECT_EQ(form->LabelUmsetzungBeendet->caption(), "Umsetzung beendet, 8");
  EXPECT_TRUE(form->LabelUmsetzungBeendet->visible());
  EXPECT_FALSE(form->GroupBoxAerzte->visible());
  EXPECT_FALSE(form->Table1->active());

  dialogs.clear();
  ASSERT_TRUE(platform::deleteFile(datenVon("2024") + "\\Arzt.DB").ok());
  EXPECT_FALSE(ArztNummernUmsetzen());
  EXPECT_EQ(gezeigt(), Zeilen{});
}

TEST_F(DatenpflegeSeite, TiffFilesAreCopiedOnceUnderTheClientsNumbers) {
  gestartet();
  seite(form->TabSheet5);
  form->EditOrdnerTiff->setText(imDaten("Tiff"));
  const auto gus = [&] {
    Zeilen namen;
    for (const auto& e : fs::directory_iterator(daten / "Tiff/GUS"))
      namen.push_back(e.path().filename().string() + "=" + readNative(e.path()));
    std::sort(namen.begin(), namen.end());
    return namen;
  };
  const std::string log = "15.03.2024 10:30:00  GUS-Daten kopiert: " + imDaten("Tiff") + "\\GUS\\";
  struct Fall {
    const char* was;
    std::string mandant;
    std::vector<std::pair<std::string, std::string>> neu;  // files put into Tiff (or GUS) first
    Zeilen gezeigt;
    Zeilen protokoll;
    Zeilen gus;
    bool knopfDanach;
  };
  const Fall faelle[] = {
      {"GUS missing", "AB", {{"Tiff/42.tif", "zweiundvierzig"}}, {}, {}, {}, true},
      {"first run",
       "AB",
       {{"Tiff/GUS/AB100000007.tif", "alt"}, {"Tiff/7.TIF", "sieben"}, {"Tiff/9999999999.tif", "gross"}},
       {},
       {log + "AB100000042.tif", log + "AB10099999999.tif"},
       {"AB100000007.tif=alt", "AB100000042.tif=zweiundvierzig", "AB10099999999.tif=gross"},
       false},
      {"second run",
       "AB",
       {},
       {},
       {},
       {"AB100000007.tif=alt", "AB100000042.tif=zweiundvierzig", "AB10099999999.tif=gross"},
       false},
      {"client with ..",
       "..\\x",
       {},
       {"M Fehler ! Mandant <<..\\x>> ungültig: \\, / und .. sind im Mandanten nicht erlaubt!"},
       {},
       {"AB100000007.tif=alt", "AB100000042.tif=zweiundvierzig", "AB10099999999.tif=gross"},
       true},
      {"client with /",
       "a/b",
       {},
       {"M Fehler ! Mandant <<a/b>> ungültig: \\, / und .. sind im Mandanten nicht erlaubt!"},
       {},
       {"AB100000007.tif=alt", "AB100000042.tif=zweiundvierzig", "AB10099999999.tif=gross"},
       true},
      {"a name that is no number",
       "C",
       {{"Tiff/liesmich.txt", "text"}},
       {"M Fehler ! 'liesmich' ist kein gültiger Integerwert"},
       {log + "C100000042.tif", log + "C100000007.tif", log + "C10099999999.tif"},
       {"AB100000007.tif=alt", "AB100000042.tif=zweiundvierzig", "AB10099999999.tif=gross",
        "C100000007.tif=sieben", "C100000042.tif=zweiundvierzig", "C10099999999.tif=gross"},
       true},
  };
  for (const Fall& fall : faelle) {
    SCOPED_TRACE(fall.was);
    dialogs.clear();
    form->ListBoxReorg->items().clear();
    form->ButtonGusTifDateien->setVisible(true);
    form->EditMandant->setText(fall.mandant);
    for (const auto& [datei, inhalt] : fall.neu) daten.write(datei, inhalt);
    klick(form->ButtonGusTifDateien);
    EXPECT_EQ(gezeigt(), fall.gezeigt);
    EXPECT_EQ(form->ListBoxReorg->items().lines(), fall.protokoll);
    if (fs::exists(daten / "Tiff/GUS")) {
      EXPECT_EQ(gus(), fall.gus);
    } else {
      EXPECT_TRUE(fall.gus.empty());
    }
    EXPECT_EQ(form->ButtonGusTifDateien->visible(), fall.knopfDanach);
  }
}

TEST_F(DatenpflegeSeite, MergeAndDeletionAreGuardedAskAndSaveFirst) {
  jahrMitTabellen("2023");
  jahrMitTabellen("2024");
  belegeSchreiben(datenVon("2023"), {{"1", "03.03.2023", false, {"A"}}});
  oeffnen();
  seite(form->TabSheet5);
  const std::string sicherung = "Datensicherung durchgeführt ?\n\n" + imDaten("Abrechng");
  const std::string keineDaten = "M FEHLER In diese Jahren gibt es keine Daten!";
  struct Fall {
    const char *von, *nach;
    DlgResult antwort;
    Zeilen gezeigt;
    Zeilen belege2024;
    const char* gespeichert;  // VonJahr in the year file afterwards
  };
  const Fall faelle[] = {
      {"2022", "2024", DlgResult::Yes, {keineDaten}, {}, "-1"},
      {"2023", "2025", DlgResult::Yes, {keineDaten}, {}, "-1"},
      {"", "2024", DlgResult::Yes, {keineDaten}, {}, "-1"},
      {"2023", "", DlgResult::Yes, {keineDaten}, {}, "-1"},
      {"2023", "2024", DlgResult::No, {frage(ui::DlgButtons::YesNo, sicherung)}, {}, "-1"},
      {"2023",
       "2024",
       DlgResult::Yes,
       {frage(ui::DlgButtons::YesNo, sicherung),
        "M Hinweis ! Bewegungsdaten erfolgreich zusamenngeführt\n\n1 Belege übernommen",
        "M Hinweis ! Abrechnungsdaten erfolgreich zusamenngeführt"},
       {"1|03.03.2023|0"},
       "2023"},
  };
  for (const Fall& fall : faelle) {
    SCOPED_TRACE(std::string(fall.von) + " -> " + fall.nach);
    dialogs.clear();
    form->EditVonJahr->userEditText(fall.von);
    form->EditNachJahr->userEditText(fall.nach);
    dialogs.answer(fall.antwort);
    klick(form->BitBtnVonJahrNachJahr);
    EXPECT_EQ(gezeigt(), fall.gezeigt);
    EXPECT_EQ(belege(datenVon("2024")), fall.belege2024);
    EXPECT_EQ(jahrWert("2024", "VonJahr", "ZUSAMMENFEUHREN"), fall.gespeichert);
  }

  // The deletion checks no year itself: the routine it calls refuses a bad one.
  form->EditLoeschenFuerJahr->userEditText("2023");
  for (DlgResult antwort : {DlgResult::No, DlgResult::Yes}) {
    SCOPED_TRACE(static_cast<int>(antwort));
    dialogs.clear();
    dialogs.answer(antwort);
    const std::string gespeichert = jahrWert("2024", "LoeschenFuerJahr", "BEWEGUNGEN_LOESCHEN");
    klick(form->BitBtnBewegungenFuerJahrLoeschen);
    const bool ja = antwort == DlgResult::Yes;
    Zeilen erwartet{frage(ui::DlgButtons::YesNo, sicherung)};
    if (ja) erwartet.push_back("M Hinweis ! Bewegungsdaten gelöscht");
    EXPECT_EQ(gezeigt(), erwartet);
    EXPECT_EQ(belege(datenVon("2023")), (ja ? Zeilen{} : Zeilen{"1|03.03.2023|0"}));
    EXPECT_EQ(jahrWert("2024", "LoeschenFuerJahr", "BEWEGUNGEN_LOESCHEN"), ja ? "2023" : gespeichert);
  }
}

TEST_F(DatenpflegeSeite, AbrDatQuestionAndTheDatePickerOfTheYearChange) {
  gestartet();
  seite(form->TabSheet5);
  daten.write("Export/ABR.DAT", "KOPF\r\nK;1\r\nX\r\n");
  form->EditOrdnerExport->setText(imDaten("Export"));
  const std::string frageText = "Ändern ABR.DAT ?\n\n" + imDaten("Export") + "\\ABR.DAT\n";
  dialogs.answer(DlgResult::No);
  klick(form->BitBtnBereinigenAbrDat);
  EXPECT_EQ(gezeigt(), Zeilen{frage(ui::DlgButtons::YesNo, frageText)});
  EXPECT_FALSE(fs::exists(daten / "Export/ABR.NEU"));
  dialogs.clear();
  dialogs.answer(DlgResult::Yes);
  klick(form->BitBtnBereinigenAbrDat);
  EXPECT_EQ(gezeigt(), (Zeilen{frage(ui::DlgButtons::YesNo, frageText), "S Datei erstellt!"}));
  EXPECT_EQ(daten.read("Export/ABR.NEU"), "KOPF\r\nK;1\r\n");

  seite(form->TabSheet1);
  ASSERT_TRUE(form->DateTimePicker2->userPickDate({2025, 2, 1, 0, 0, 0}));
  EXPECT_EQ(form->EditAbDatumAbrechnung->text(), "01.02.2025");
  klick(form->BitBtnSpeichern);
  EXPECT_EQ(jahrWert("2024", "AbDatumAbrechnung", "JAHRESWECHSEL"), "01.02.2025");
}

}  // namespace
}  // namespace riviza::test
