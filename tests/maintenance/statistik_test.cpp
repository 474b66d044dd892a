// The census and the table exports of the Datenpflege tab, through their buttons on a started
// year 2024 (today 15.03.2024): Stat01.DB, stat01.txt (golden file), ListBoxStat01 and the
// workbooks as openpyxl reads them back; the month filter; failures; riviza-batch. With
// RIVIZA_UPDATE_GOLDEN=1 the census test rewrites tests/maintenance/golden/stat01.txt instead.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <utility>

#include "batch_support.h"
#include "db/catalogue.h"
#include "office/office_fixture.h"
#include "office/sheet_oracles.h"
#include "platform/pump.h"
#include "reorg_fixture.h"
#include "shell_fixture.h"

namespace riviza::test {
namespace {

// A voucher: number, date, KV number, status, birth date, MaenWeiblich, its positions' HM Nummer.
struct Beleg {
  std::string nummer, datum, kv, status, geburt, mw;
  std::vector<std::string> hm;
};

class Statistik : public WorkbookSpy, public Shell {
 protected:
  Statistik() {
    dakota4();
    programmIni();
    jahr("2024");
    anlegen("Stat01.DB");
    anlegen("Kosttr.db");
    anlegen("Firma.DB", std::vector<Satz>(12, Satz{{0, "Firma"}, {3, "Zeile"}}));
  }
  void anlegen(const char* datei, const std::vector<Satz>& saetze = {}) {
    tabelleAnlegen(imDaten("Abrechng\\2024\\Daten"), datei, db::structureOf(*db::findCatalogueTable(datei)),
                   saetze);
  }
  void loeschen(const char* datei) { std::filesystem::remove(daten.path() / "Abrechng/2024/Daten" / datei); }
  void belege(const std::vector<Beleg>& liste) {
    std::vector<Satz> b, p;
    for (const Beleg& x : liste) {
      b.push_back({{0, x.nummer}, {1, x.datum}, {3, x.kv}, {4, x.status}, {19, x.geburt}, {56, x.mw}});
      for (const std::string& hm : x.hm) p.push_back({{0, x.nummer}, {2, hm}});
    }
    anlegen("ErfBeleg.DB", b);
    anlegen("ErfPosition.DB", p);
  }
  void oeffnen() {
    starten();
    form->EditOrdnerExport->setText(exportDir().string());
    form->show();
    form->PageControl1->setActivePage(form->TabSheet5);
  }
  std::filesystem::path exportDir() const { return daten.path() / "Export"; }
  static void klick(ui::TBitBtn* knopf) { EXPECT_TRUE(knopf->userClick()) << knopf->name(); }
  // Stat01.DB as "key|kind|sex|age".
  std::vector<std::string> stat01() {
    std::vector<std::string> zeilen;
    for (const auto& z : tabelleLesen(imDaten("Abrechng\\2024\\Daten"), "Stat01.DB"))
      zeilen.push_back(z[0] + "|" + z[1] + "|" + z[2] + "|" + z[6]);
    return zeilen;
  }
  // The values of a sheet of the last workbook opened, as openpyxl reads them: A1 name -> text.
  std::map<std::string, std::string> zellen(const std::string& blatt) {
    if (opened.empty()) return {{"", "no workbook"}};
    const std::string vor = blatt + "!", nach = ".value";
    std::map<std::string, std::string> z;
    for (const auto& [schluessel, wert] : openpyxlDump(opened.back()))
      if (schluessel.starts_with(vor) && schluessel.ends_with(nach) && wert != "None")  // a styled empty cell
        z[schluessel.substr(vor.size(), schluessel.size() - vor.size() - nach.size())] = wert;
    return z;
  }
};

// The cells of rows given as "A;B;C..." from row 1 on: A1 name -> value, empty cells left out.
std::map<std::string, std::string> raster(const std::vector<std::string>& zeilen) {
  std::map<std::string, std::string> z;
  for (size_t r = 0; r < zeilen.size(); ++r) {
    std::istringstream zeile(zeilen[r]);
    int c = 0;
    for (std::string wert; std::getline(zeile, wert, ';');)
      if (++c, !wert.empty()) z[office::a1Name({static_cast<int>(r) + 1, c})] = wert;
  }
  return z;
}

TEST_F(Statistik, CensusCountsEachPersonDateKindAndSexOnceIntoTheFixedSheet) {
  belege({
      {"1001", "04.01.2024", "K001", "12000", "16.03.2017", "", {"604503"}},            // R M, 6
      {"1002", "04.01.2024", "K001", "12000", "16.03.2017", "", {"604504"}},            // the same key
      {"1003", "11.01.2024", "K001", "12000", "16.03.2017", "", {"604503"}},            // another date
      {"1004", "04.01.2024", "K002", "13000", "15.03.2017", "", {"704506", "604503"}},  // F W, 7 today
      {"1005", "04.01.2024", "K003", "1 ", "16.03.1963", "W", {"704505"}},              // F W, 60
      {"1006", "04.01.2024", "K004", " 12", "15.03.1963", "", {"604504"}},              // R W, 61
      {"1007", "04.01.2024", "K005", "", "01.01.1980", "", {"604503"}},                 // no sex: listed
      {"1008", "04.01.2024", "K006", "", "01.01.1980", "X", {"604503"}},                // X: not counted
      {"  ", "04.01.2024", "K099", "12", "01.01.1980", "", {"604503"}},                 // skipped
      {"1010", "04.01.2024", "K007", "14000", "01.01.1980", "", {"123456"}},            // no kind
      {"1011", "04.01.2024", "K008", "13", "31.02.1990", "", {"704505"}},               // F W, 0
      {"1012", "04.01.2024", "K009", "12", "05.03.1990", "", {"604503"}},               // R M, 34
      {"17", "04.01.2024", "K014", "12", "01.01.1980", "", {"604503"}},                 // R M, 44
      {"0017", "04.01.2024", "K010", "13", "01.06.1950", "", {"704505"}},               // F W, 73
      {"A'1", "04.01.2024", "K011", "12", "01.01.2010", "", {"704506"}},                // F M, 14
      {"1014", "04.01.2024", "K013", "12", "01.01.1980", "", {}},                       // no position
      {"1015", "04.01.2024", "K012", "", "20.07.2000", "M", {"604504"}},                // R M, 23
  });
  anlegen("Stat02.DB");
  oeffnen();
  klick(form->BitBtnStat01);
  EXPECT_EQ(texte(), std::vector<std::string>{});
  EXPECT_EQ(stat01(),
            (std::vector<std::string>{"K001        04.01.2024RM|R|M|6", "K001        11.01.2024RM|R|M|6",
                                      "K002        04.01.2024FW|F|W|7", "K003        04.01.2024FW|F|W|60",
                                      "K004        04.01.2024RW|R|W|61", "K005        04.01.2024R|R||44",
                                      "K006        04.01.2024RX|R|X|44", "K007        04.01.2024 M||M|44",
                                      "K008        04.01.2024FW|F|W|0", "K009        04.01.2024RM|R|M|34",
                                      "K010        04.01.2024FW|F|W|73", "K011        04.01.2024FM|F|M|14",
                                      "K012        04.01.2024RM|R|M|23", "K013        04.01.2024 M||M|44",
                                      "K014        04.01.2024RM|R|M|44"}));
  EXPECT_EQ(form->LabelStat01->caption(), "15 / 1");
  EXPECT_TRUE(form->LabelStat01->visible() && !form->LabelWarten->visible());
  EXPECT_EQ(form->ListBoxStat01->items().lines(), std::vector<std::string>{"04.01.2024;1007;604503;R"});
  compareGolden("tests/maintenance/golden/stat01.txt", programm.read("stat01.txt"));
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(
      zellen("Bestandserhebung"),
      raster({"Bestandserhebung am:;;2024-03-15 00:00:00", "",
              "Sportart;Verein / Abteilung;bis 6 ml.;bis 6 wbl.;7 bis 14 ml.;7 bis 14 wbl.;15 bis 18 ml.;"
              "15 bis 18 wbl.;19 bis 21 ml.;19 bis 21 wbl.;22 bis 26 ml.;22 bis 26 wbl.;27 bis 40 ml.;"
              "27 bis 40 wbl.;41 bis 50 ml.;41 bis 50 wbl.;51 bis 60 ml.;51 bis 60 wbl.;ab 61 ml.;"
              "ab 61 wbl.;ges. ml.;ges. wbl.",
              // C D E F G H I J K L M N O P Q R S T U V
              "Rehasport;;2;0;0;0;0;0;0;0;1;0;1;0;1;0;0;0;0;1;5;1",
              "Funktionstraining;;0;1;1;1;0;0;0;0;0;0;0;0;0;0;0;1;0;1;1;4", "",
              "Gesamt;;2;1;1;1;0;0;0;0;1;0;1;0;1;0;0;1;0;2;6;5", "",
              ";;;;;;;;;;;;;;;;;;;;Gesamt (ml.+wbl.);11"}));

  // Again through the hidden button (for Stat02.DB): the same rows, the list grows.
  form->BitBtn6Click(*form->BitBtn6);
  EXPECT_EQ(stat01().size(), 15u);
  EXPECT_EQ(form->ListBoxStat01->items().count(), 2);
  EXPECT_EQ(opened.size(), 2u);
  klick(form->BitBtnListboxstat01);
  EXPECT_NE(texte().back().find("04.01.2024;1007;604503;R"), std::string::npos) << texte().back();
}

TEST_F(Statistik, AgeIsTheCompletedYearsOnTheDayOfTheRun) {
  const struct {
    platform::DateTime heute;
    std::vector<std::pair<const char*, const char*>> geburtAlter;
  } faelle[] = {
      {{2024, 2, 10},
       {{"15.03.1990", "33"}, {"05.03.1990", "33"}, {"10.02.1990", "34"}, {"11.02.1990", "33"}}},
      {{2023, 2, 28}, {{"29.02.2016", "6"}, {"28.02.2016", "7"}}},
      {{2023, 3, 1}, {{"29.02.2016", "7"}, {"kein Datum", "0"}, {"", "0"}, {"01.01.2030", "-7"}}},
  };
  for (const auto& fall : faelle) {
    SCOPED_TRACE(platform::formatDate(fall.heute));
    uhr.set(fall.heute);
    std::vector<Beleg> liste;
    for (const auto& [geburt, alter] : fall.geburtAlter) {
      const std::string n = std::to_string(liste.size());
      liste.push_back({"B" + n, "04.01.2024", "K" + n, "12", geburt, "", Zeilen{"604503"}});
    }
    belege(liste);
    if (!form->visible()) oeffnen();
    klick(form->BitBtnStat01);
    const auto zeilen = stat01();
    ASSERT_EQ(zeilen.size(), fall.geburtAlter.size());
    for (size_t i = 0; i < zeilen.size(); ++i)
      EXPECT_TRUE(zeilen[i].ends_with(std::string("|") + fall.geburtAlter[i].second)) << zeilen[i];
    loeschen("ErfBeleg.DB");
    loeschen("ErfPosition.DB");
  }
}

TEST_F(Statistik, PatientsExportFiltersByThePickedMonthAndLeavesTable1Unfiltered) {
  std::vector<Satz> patienten;
  for (const char* monat : {"2312", "2402", "2403", "2404", "903", "1000", "1001", ""})
    patienten.push_back({{1, std::string("P") + monat}, {17, monat}});
  anlegen("Patienten.DB", patienten);
  belege({{"1", "04.01.2024", "K1", "12", "01.01.1980", "", {"604503"}}});
  oeffnen();
  const struct {
    std::optional<platform::DateTime> gewaehlt;  // today (15.03.2024) last: picking it changes nothing
    std::string namen;
  } faelle[] = {
      {std::nullopt, ";P2312;P2402;P2403;P2404;P903;P1000;P1001;P"},
      {platform::DateTime{2010, 1, 1}, ";P903;P1000"},
      {platform::DateTime{2000, 1, 31}, ""},
      {platform::DateTime{2024, 3, 15}, ";P2312;P2402;P903;P1000;P1001"},
  };
  for (const auto& fall : faelle) {
    SCOPED_TRACE(fall.namen);
    if (fall.gewaehlt) form->DateTimePicker1->userPickDate(*fall.gewaehlt);
    EXPECT_EQ(form->EditGueltigBis->text(), fall.gewaehlt ? platform::formatDate(*fall.gewaehlt) : "");
    klick(form->BitBtnPatientenExp);
    auto z = zellen("Patienten");
    EXPECT_EQ(z["Q1"] + "|" + z["R1"], "Geburtsdatum|Gültig bis");
    std::string namen;
    for (int r = 2; z.count("B" + std::to_string(r)); ++r) namen += ";" + z["B" + std::to_string(r)];
    EXPECT_EQ(namen, fall.namen);
    EXPECT_TRUE(!form->Table1->filtered() && form->Table1->filter().empty());
  }
  form->BitBtnKosttrClick(*form->BitBtnKosttr);
  EXPECT_EQ(zellen("Patienten"), raster({"IK;Kurz;Name1;Name2;Strasse;Plz;Ort;Art"}));
  klick(form->BitBtnStat01);
  EXPECT_EQ(form->LabelStat01->caption(), "1 / 0");
  EXPECT_EQ(texte(), std::vector<std::string>{});
}

TEST_F(Statistik, AShownWorkbookGoesToTheExportTabsFolderElseExportPfadElseTheProgramFolder) {
  anlegen("Patienten.DB", {{{1, "P"}}});
  oeffnen();
  std::filesystem::create_directories(daten.path() / "Eigen");
  std::filesystem::create_directories(daten.path() / "Pfad");
  const struct {
    const char* was;
    std::string ordnerExport, exportPfad;
    std::filesystem::path gespeichertIn;
  } faelle[] = {
      {"the export tab's folder", (daten.path() / "Eigen").string(), imDaten("Pfad\\"),
       daten.path() / "Eigen"},
      {"a blank folder: ExportPfad", "  ", imDaten("Pfad\\"), daten.path() / "Pfad"},
      {"neither: the program folder", "", "", programm.path()},
  };
  for (const auto& fall : faelle) {
    SCOPED_TRACE(fall.was);
    form->EditOrdnerExport->setText(fall.ordnerExport);
    globals().ExportPfad = fall.exportPfad;
    form->ExcelExport1->ExportFolder = "vom letzten Lauf";  // the button hands over its own
    klick(form->BitBtnPatientenExp);
    ASSERT_FALSE(opened.empty());
    EXPECT_EQ(opened.back(), (fall.gespeichertIn / "Patienten_20240315_103000.xlsx").string());
  }
}

TEST_F(Statistik, FailuresAreShownOnceAndASecondPressDuringARunIsRefused) {
  belege({{"1001", "04.01.2024", "K001", "12", "01.01.1980", "", {"604503"}},
          {"1002", "04.01.2024", "K002", "13", "01.01.1980", "", {"604503"}}});
  oeffnen();
  bool gedrueckt = false;
  platform::setMessagePump([&] {
    if (!std::exchange(gedrueckt, true)) {  // the user presses again while the run goes on
      EXPECT_FALSE(form->BitBtnStat01->userClick());
      EXPECT_FALSE(form->BitBtnPatientenExp->userClick());
    }
  });
  loeschen("Firma.DB");
  klick(form->BitBtnStat01);
  platform::setMessagePump({});
  EXPECT_EQ(texte(), std::vector<std::string>{"Tabelle nicht gefunden: " +
                                              (daten.path() / "Abrechng/2024/Daten/Firma.DB").string()});
  EXPECT_EQ(form->LabelStat01->caption(), "2 / 0") << "the rows of stage one are kept";
  EXPECT_TRUE(opened.empty());
  for (ui::TTable* t : {form->Table1, form->Table2, form->TableAlt, form->TableFirma})
    EXPECT_FALSE(t->active());

  // A row that cannot be added is listed and the run goes on; without Stat01.DB nothing happens.
  loeschen("Stat01.DB");
  db::TableStructure kaputt = db::structureOf(*db::findCatalogueTable("Stat01.DB"));
  kaputt.fields[6].type = db::FieldType::Date;
  tabelleAnlegen(imDaten("Abrechng\\2024\\Daten"), "Stat01.DB", kaputt, {});
  anlegen("Firma.DB");
  klick(form->BitBtnStat01);
  EXPECT_EQ(form->ListBoxStat01->items().lines(),
            (std::vector<std::string>{"Fehler: K001        04.01.2024RM BEL: 1001",
                                      "Fehler: K002        04.01.2024RW BEL: 1002"}));
  EXPECT_EQ(opened.size(), 1u);
  loeschen("Stat01.DB");
  klick(form->BitBtnStat01);
  EXPECT_EQ(opened.size() + texte().size(), 2u);

  // A workbook saved where no program can show it: a note naming the file, not an error.
  dialogs.clear();
  const office::ScopedDocumentOpener desktop(nullptr);  // the desktop's own, through xdg-open
  const TempDir ohneProgramme;
  const ScopedEnv pfad("PATH", ohneProgramme.str());
  anlegen("Patienten.DB", {{{1, "P"}}});
  klick(form->BitBtnPatientenExp);
  const std::string mappe = (exportDir() / "Patienten_20240315_103000.xlsx").string();
  EXPECT_TRUE(std::filesystem::exists(mappe));
  ASSERT_EQ(dialogs.transcript().size(), 1u);
  EXPECT_EQ(dialogs.transcript()[0].caption, "Hinweis !");
  EXPECT_EQ(dialogs.transcript()[0].icon, ui::MsgIcon::Information);
  EXPECT_EQ(texte()[0],
            "Die Arbeitsmappe " + mappe +
                " wurde gespeichert, konnte aber nicht geöffnet werden: Kein Programm zum Öffnen von " +
                mappe + " gefunden (xdg-open ist nicht installiert)");
}

TEST_F(Statistik, BatchOperationsSaveTheWorkbooksAndNameThem) {
  belege({{"1001", "04.01.2024", "K001", "", "01.01.1980", "", {"604503"}}});
  anlegen("Patienten.DB", {{{1, "P"}, {17, "2402"}}});
  const std::regex gespeichert("Arbeitsmappe gespeichert: (.*\\.xlsx)\n");
  const struct {
    const char* operation;
    int status;
    std::vector<std::string> zeilen;
  } faelle[] = {
      {"export-patienten 15.03.2024", 0, {}},
      {"export-kosttr", 0, {}},
      {"statistik", 0, {"04.01.2024;1001;604503;R\n", "\nZeilen neu / ohne Geschlecht: 1 / 1\n"}},
      {"export-patienten 2024-03-15", 2, {"kein Datum TT.MM.JJJJ: 2024-03-15"}},
  };
  for (const auto& fall : faelle) {
    SCOPED_TRACE(fall.operation);
    std::vector<std::string> args;
    std::istringstream woerter(fall.operation);
    for (std::string wort; woerter >> wort;) args.push_back(wort);
    const ToolRun lauf = rivizaBatch(programm, args);
    ausgabePruefen(lauf, fall.status, fall.zeilen);
    std::smatch m;
    EXPECT_EQ(std::regex_search(lauf.output, m, gespeichert) && std::filesystem::exists(m[1].str()),
              fall.status == 0);
  }
}

}  // namespace
}  // namespace riviza::test
