// The acceptance-office tab in the window: an installation in a temporary folder (program folder
// with its templates, a year 2024 with offices, addresses and two cost-bearer files), the main
// form and the address picker attached to the Qt shell. Shared by the offscreen test and the
// screenshots.
#pragma once

#include <QAbstractButton>
#include <QLineEdit>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

#include "app/globals.h"
#include "costbearer/fixtures.h"
#include "db/leerdaten.h"
#include "platform/files.h"
#include "qt_fixture.h"
#include "support/temp_dir.h"

namespace riviza::test {

class AnnWindowTest : public MainFormTest {
 protected:
  AnnWindowTest() {
    EXPECT_TRUE(db::writeLeerDaten(root.str() + "/Programm/LeerDaten").ok());
    root.mkdir("Programm/Temp");
    root.mkdir("Daten/Abrechng/2024/Daten");
    root.write("Daten/Abrechng/2024/Kosttr/AO05Q124.ke0",
               segmentFile(message({"IDK+108310400+99+AOK Bayern'", "NAM+01+AOK Bayern+Die Gesundheitskasse'",
                                    "ANS+1+80331+München+Carl-Wery-Straße 28'"})));
    root.write(
        "Daten/Abrechng/2024/Kosttr/AO03Q124.ke0",
        segmentFile(message({"IDK+109905003+99+DAV Rechenzentrum'", "NAM+01+Datenannahme §300+Abrechnung'",
                             "ANS+1+40211+Düsseldorf+Königsallee 1'"})));
    Globals& g = globals();
    g.ProgrammPfad = root.str() + "/Programm\\";
    g.DatenPfad = root.str() + "/Daten\\";
    g.JahrPfad = "Abrechng\\2024\\";
    tabelle("Ann.DB", {{"108310400", "AOK Bayern"}, {"101111111", "BKK Süd"}, {"104940005", "BARMER"}},
            {"Kostentraeger", "NameKostentraeger"});
    tabelle("AdrAnn.DB",
            {{"109905003", "Datenannahme §300", "Düsseldorf"},
             {"109900002", "Annahme Süd", "Ulm"},
             {"209900003", "Zentrale Annahme", "Annaberg"}},
            {"Ik", "Name", "Ort"});
    picker = &application.createForm<TFormAdressen>();
    pickerView = &shell->attach(*picker);
  }
  ~AnnWindowTest() override { resetGlobals(); }

  // Records of a table in the year's Daten folder, made from its template.
  void tabelle(const char* datei, const std::vector<std::vector<std::string>>& saetze,
               const std::vector<std::string>& felder) {
    const std::string daten = jahrDatenPfad();
    EXPECT_TRUE(
        platform::copyFile(globals().ProgrammPfad + "LeerDaten\\" + datei, daten + "\\" + datei).ok());
    db::TTable t;
    ASSERT_TRUE(t.setDatabaseName(daten).ok() && t.setTableName(datei).ok() && t.open().ok());
    for (const auto& satz : saetze) {
      ASSERT_TRUE(t.append().ok());
      for (size_t i = 0; i < felder.size(); ++i)
        ASSERT_TRUE(t.findField(felder[i])->setAsString(satz[i]).ok());
      ASSERT_TRUE(t.post().ok());
    }
  }

  // A click on the tab of page 7.
  void tabZeigen() {
    auto* tabs = widget<QTabWidget>(window(), "PageControl1");
    ASSERT_NE(tabs, nullptr);
    tabs->setCurrentIndex(form->TabSheet9->pageIndex());
    settle();
    ASSERT_EQ(form->PageControl1->activePage(), form->TabSheet9);
  }
  // A click on a button of a window.
  void klick(QWidget* fenster, const char* name) {
    auto* knopf = widget<QAbstractButton>(fenster, name);
    ASSERT_NE(knopf, nullptr) << name;
    QTest::mouseClick(knopf, Qt::LeftButton);
    settle();
  }

  TempDir root;
  TFormAdressen* picker = nullptr;
  gui::FormView* pickerView = nullptr;
};

}  // namespace riviza::test
