// The service-centre tab, the funds tab and the service-provider form on a real X server (run
// under xvfb-run), on an installation in a temporary folder (templates and a year 2024 with a
// few service centres, funds with their offices and service providers): the check mark drawn
// centred, an entry dropped on leaving the group box, the office address following the
// navigator, and the provider form opened by its launcher, searched and extended. Pictures are
// kept as build/artifacts/dlz*.png, kassen.png and leistungserbringer*.png.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLineEdit>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <map>

#include "app/globals.h"
#include "db/leerdaten.h"
#include "platform/files.h"
#include "qt_fixture.h"
#include "screenshot_support.h"
#include "support/temp_dir.h"

namespace riviza::test {
namespace {

using Satz = std::map<std::string, std::string>;

class StammdatenWindowTest : public MainFormTest {
 protected:
  StammdatenWindowTest() {
    EXPECT_TRUE(db::writeLeerDaten(root.str() + "/Programm/LeerDaten").ok());
    root.mkdir("Programm/Temp");
    root.mkdir("Daten/Abrechng/2024/Daten");
    Globals& g = globals();
    g.ProgrammPfad = root.str() + "/Programm\\";
    g.DatenPfad = root.str() + "/Daten\\";
    g.JahrPfad = "Abrechng\\2024\\";
    tabelle("AdrDlz.DB",
            {{{"DlzId", "1083101"}, {"Name", "AOK DLZ Kiel"}, {"Ort", "Kiel"}, {"DruckDlz", "True"}},
             {{"DlzId", "1049401"}, {"Name", "BARMER Köln"}, {"Ort", "Köln"}, {"DruckDlz", "False"}}});
    tabelle(
        "Kas.db",
        {{{"KasIk", "101000001"}, {"Art", "AO"}, {"KasKurz", "AOK Nord"}, {"AnKostvorIk", "109000001"}},
         {{"KasIk", "101000002"}, {"Art", "BK"}, {"KasKurz", "BKK Mitte"}, {"AnKostvorIk", "109000001"}}});
    tabelle("KasAdrAnn.db",
            {{{"Ik", "109000001"}, {"KurzName", "KV AOK"}, {"Ort", "Kiel"}, {"KassenArt", "AO"}},
             {{"Ik", "109000001"}, {"KurzName", "KV BKK"}, {"Ort", "Hamburg"}, {"KassenArt", "BK"}}});
    tabelle("Le.DB", {{{"Nummer", "111111111"}, {"Suchen", "MUSTER"}, {"Name", "Muster Reha"}},
                      {{"Nummer", "222222222"}, {"Suchen", "BEISPIEL"}, {"Name", "Beispiel Physio"}}});
    le = &application.createForm<TFormLe>();
    leView = &shell->attach(*le);
  }
  ~StammdatenWindowTest() override { resetGlobals(); }

  // Records of a table of the year, made from its template.
  void tabelle(const char* datei, const std::vector<Satz>& saetze) {
    const std::string daten = jahrDatenPfad();
    EXPECT_TRUE(
        platform::copyFile(globals().ProgrammPfad + "LeerDaten\\" + datei, daten + "\\" + datei).ok());
    db::TTable t;
    ASSERT_TRUE(t.setDatabaseName(daten).ok() && t.setTableName(datei).ok() && t.open().ok());
    for (const Satz& satz : saetze) {
      ASSERT_TRUE(t.append().ok());
      for (const auto& [feld, wert] : satz) ASSERT_TRUE(t.findField(feld)->setAsString(wert).ok());
      ASSERT_TRUE(t.post().ok());
    }
  }
  void tabZeigen(ui::TTabSheet* seite) {
    widget<QTabWidget>(window(), "PageControl1")->setCurrentIndex(seite->pageIndex());
    ASSERT_TRUE(waitUntil([&] { return form->PageControl1->activePage() == seite; }, "page shown"));
    ASSERT_EQ(form->PageControl1->activePage(), seite);
  }
  void klick(QWidget* fenster, const char* name) {
    QTest::mouseClick(widget<QAbstractButton>(fenster, name), Qt::LeftButton);
    QCoreApplication::processEvents();
  }
  QLineEdit* edit(QWidget* fenster, const char* name) { return widget<QLineEdit>(fenster, name); }

  TempDir root;
  TFormLe* le = nullptr;
  gui::FormView* leView = nullptr;
};

TEST_F(StammdatenWindowTest, ServiceCentresShowTheCentredCheckMarkAndDropAnEntryLeftUnsaved) {
  ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "run this test under xvfb-run";
  tabZeigen(form->TabSheet10);
  auto* grid = widget<QTableView>(window(), "DBGridAdrDlz");
  ASSERT_EQ(grid->model()->rowCount(), 2);
  EXPECT_EQ(grid->model()->index(0, 8).data().toString(), QString::fromUtf8("✓"));
  EXPECT_EQ(grid->model()->index(0, 8).data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
  EXPECT_EQ(grid->model()->index(1, 8).data().toString(), "");
  EXPECT_FALSE(shoot(window(), "dlz.png").isNull());

  klick(window(), "BitBtnNeuAdrDlz");
  QTest::keyClicks(edit(window(), "DBEdit28"), "1083102");
  QTest::keyClick(edit(window(), "DBEdit28"), Qt::Key_Return);
  QTest::keyClicks(edit(window(), "DBEdit29"), "AOK DLZ Luebeck");
  QCoreApplication::processEvents();
  EXPECT_FALSE(edit(window(), "EditSuchenAdrDlz")->isEnabled());
  EXPECT_EQ(grid->model()->rowCount(), 3);
  EXPECT_FALSE(shoot(window(), "dlz-bearbeiten.png").isNull());
  // A click on a row leaves the group box: the entry is dropped.
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                    grid->visualRect(grid->model()->index(0, 1)).center());
  QCoreApplication::processEvents();
  EXPECT_EQ(grid->model()->rowCount(), 2);
  EXPECT_TRUE(edit(window(), "EditSuchenAdrDlz")->isEnabled());
}

TEST_F(StammdatenWindowTest, FundsShowTheAddressOfTheCurrentFundsOfficeAsTheNavigatorMoves) {
  ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "run this test under xvfb-run";
  tabZeigen(form->TabSheet11);
  EXPECT_EQ(widget<QTableView>(window(), "DBGridKas302")->model()->rowCount(), 2);
  EXPECT_EQ(edit(window(), "DBEditKasAdrKurzName")->text(), "KV AOK");
  const auto knoepfe = widget<QWidget>(window(), "DBNavigator2")->findChildren<QToolButton*>();
  ASSERT_EQ(knoepfe.size(), 4);
  QTest::mouseClick(knoepfe[2], Qt::LeftButton);  // next
  QCoreApplication::processEvents();
  EXPECT_EQ(edit(window(), "DBEdit44")->text(), "109000001");
  EXPECT_EQ(edit(window(), "DBEditKasAdrKurzName")->text(), "KV BKK");
  EXPECT_FALSE(shoot(window(), "kassen.png").isNull());
}

TEST_F(StammdatenWindowTest, TheLauncherOpensTheProviderFormWhichSearchesAndStoresANewProvider) {
  ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "run this test under xvfb-run";
  tabZeigen(form->TabSheet8);
  klick(window(), "BitBtnLe");
  QWidget* fenster = leView->window();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(fenster));
  fenster->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(fenster));
  auto* grid = widget<QTableView>(fenster, "DBGridLe");
  ASSERT_EQ(grid->model()->rowCount(), 2);
  QTest::keyClicks(edit(fenster, "EditSuchenLe"), "beisp");
  QCoreApplication::processEvents();
  ASSERT_EQ(grid->model()->rowCount(), 1);
  EXPECT_EQ(grid->model()->index(0, 0).data().toString(), "222222222");
  EXPECT_FALSE(shoot(fenster, "leistungserbringer.png").isNull());

  klick(fenster, "BitBtnLeNeu");
  for (const auto& [name, text] :
       {std::pair{"DBEdit1", "333333333"}, {"DBEdit13", "NEU"}, {"DBEdit2", "Neue Praxis"}}) {
    QTest::keyClicks(edit(fenster, name), text);
    QTest::keyClick(edit(fenster, name), Qt::Key_Return);
  }
  QCoreApplication::processEvents();
  EXPECT_FALSE(widget<QAbstractButton>(fenster, "BitBtnLeNeu")->isEnabled());
  EXPECT_FALSE(shoot(fenster, "leistungserbringer-bearbeiten.png").isNull());
  klick(fenster, "BitBtnLeSpeichern");
  EXPECT_TRUE(widget<QAbstractButton>(fenster, "BitBtnLeNeu")->isEnabled());
  QTest::keyClick(grid, Qt::Key_Escape);
  ASSERT_TRUE(waitUntil([&] { return !fenster->isVisible(); }, "provider form closed"));
  EXPECT_FALSE(fenster->isVisible());
  db::TTable t;
  ASSERT_TRUE(t.setDatabaseName(jahrDatenPfad()).ok() && t.setTableName("Le.DB").ok() && t.open().ok());
  ASSERT_TRUE(t.last().ok());
  EXPECT_EQ(t.findField("Nummer")->asString() + " " + t.findField("Name")->asString(),
            "333333333 Neue Praxis");
}

}  // namespace
}  // namespace riviza::test
