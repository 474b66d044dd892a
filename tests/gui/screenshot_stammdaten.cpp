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
  // A click on the tab of a page.
  void tabZeigen(ui::TTabSheet* seite) {
    auto* tabs = widget<QTabWidget>(window(), "PageControl1");
    ASSERT_NE(tabs, nullptr);
    tabs->setCurrentIndex(seite->pageIndex());
    settle();
    ASSERT_EQ(form->PageControl1->activePage(), seite);
  }
  void klick(QWidget* fenster, const char* name) {
    auto* knopf = widget<QAbstractButton>(fenster, name);
    ASSERT_NE(knopf, nullptr) << name;
    QTest::mouseClick(knopf, Qt::LeftButton);
    settle();
  }
  void zeileKlicken(QTableView* grid, int zeile) {
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualRect(grid->model()->index(zeile, 1)).center());
    settle();
  }

  TempDir root;
  TFormLe* le = nullptr;
  gui::FormView* leView = nullptr;
};

TEST_F(StammdatenWindowTest, ServiceCentresShowTheCentredCheckMarkAndDropAnEntryLeftUnsaved) {
  ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "run this test under xvfb-run";
  tabZeigen(form->TabSheet10);
  auto* grid = widget<QTableView>(window(), "DBGridAdrDlz");
  ASSERT_NE(grid, nullptr);
  ASSERT_EQ(grid->model()->rowCount(), 2);
  const QModelIndex gedruckt = grid->model()->index(0, 8), offen = grid->model()->index(1, 8);
  EXPECT_EQ(gedruckt.data().toString(), QString::fromUtf8("✓"));
  EXPECT_EQ(gedruckt.data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
  EXPECT_EQ(offen.data().toString(), "");
  EXPECT_FALSE(shoot(window(), "dlz.png").isNull());

  klick(window(), "BitBtnNeuAdrDlz");
  auto* id = widget<QLineEdit>(window(), "DBEdit28");
  EXPECT_TRUE(id->hasFocus());
  QTest::keyClicks(id, "1083102");
  QTest::keyClick(id, Qt::Key_Return);
  QTest::keyClicks(widget<QLineEdit>(window(), "DBEdit29"), "AOK DLZ Luebeck");
  settle();
  EXPECT_FALSE(widget<QLineEdit>(window(), "EditSuchenAdrDlz")->isEnabled());
  EXPECT_EQ(grid->model()->rowCount(), 3);
  EXPECT_FALSE(shoot(window(), "dlz-bearbeiten.png").isNull());

  zeileKlicken(grid, 0);  // leaves the group box without saving
  EXPECT_EQ(grid->model()->rowCount(), 2);
  EXPECT_TRUE(widget<QLineEdit>(window(), "EditSuchenAdrDlz")->isEnabled());
  EXPECT_FALSE(widget<QWidget>(window(), "GroupBoxDlz")->isEnabled());
  EXPECT_EQ(form->TableAdrDlz->recordCount(), 2);
}

TEST_F(StammdatenWindowTest, FundsShowTheAddressOfTheCurrentFundsOfficeAsTheNavigatorMoves) {
  ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "run this test under xvfb-run";
  tabZeigen(form->TabSheet11);
  auto* grid = widget<QTableView>(window(), "DBGridKas302");
  ASSERT_NE(grid, nullptr);
  EXPECT_EQ(grid->model()->rowCount(), 2);
  auto* kurzName = widget<QLineEdit>(window(), "DBEditKasAdrKurzName");
  EXPECT_EQ(kurzName->text(), "KV AOK");
  const QList<QToolButton*> knoepfe = widget<QWidget>(window(), "DBNavigator2")->findChildren<QToolButton*>();
  ASSERT_EQ(knoepfe.size(), 4);
  QTest::mouseClick(knoepfe[2], Qt::LeftButton);  // next
  settle();
  EXPECT_EQ(widget<QLineEdit>(window(), "DBEdit44")->text(), "109000001");
  EXPECT_EQ(kurzName->text(), "KV BKK");
  EXPECT_EQ(widget<QLineEdit>(window(), "DBEditKasAdrOrt")->text(), "Hamburg");
  EXPECT_FALSE(shoot(window(), "kassen.png").isNull());
}

TEST_F(StammdatenWindowTest, TheLauncherOpensTheProviderFormWhichSearchesAndStoresANewProvider) {
  ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "run this test under xvfb-run";
  tabZeigen(form->TabSheet8);
  klick(window(), "BitBtnLe");
  ASSERT_TRUE(QTest::qWaitForWindowExposed(leView->window()));
  leView->window()->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(leView->window()));
  auto* grid = widget<QTableView>(leView->window(), "DBGridLe");
  ASSERT_EQ(grid->model()->rowCount(), 2);
  auto* suchen = widget<QLineEdit>(leView->window(), "EditSuchenLe");
  QTest::keyClicks(suchen, "beisp");
  settle();
  ASSERT_EQ(grid->model()->rowCount(), 1);
  EXPECT_EQ(grid->model()->index(0, 0).data().toString(), "222222222");
  EXPECT_FALSE(shoot(leView->window(), "leistungserbringer.png").isNull());

  klick(leView->window(), "BitBtnLeNeu");
  auto* nummer = widget<QLineEdit>(leView->window(), "DBEdit1");
  EXPECT_TRUE(nummer->hasFocus());
  QTest::keyClicks(nummer, "333333333");
  QTest::keyClick(nummer, Qt::Key_Return);
  QTest::keyClicks(widget<QLineEdit>(leView->window(), "DBEdit13"), "NEU");
  QTest::keyClick(widget<QLineEdit>(leView->window(), "DBEdit13"), Qt::Key_Return);
  QTest::keyClicks(widget<QLineEdit>(leView->window(), "DBEdit2"), "Neue Praxis");
  settle();
  EXPECT_FALSE(widget<QAbstractButton>(leView->window(), "BitBtnLeNeu")->isEnabled());
  EXPECT_FALSE(shoot(leView->window(), "leistungserbringer-bearbeiten.png").isNull());

  klick(leView->window(), "BitBtnLeSpeichern");
  EXPECT_TRUE(widget<QAbstractButton>(leView->window(), "BitBtnLeNeu")->isEnabled());
  EXPECT_FALSE(widget<QWidget>(leView->window(), "PanelLe")->isEnabled());
  QTest::keyClick(grid, Qt::Key_Escape);
  settle();
  EXPECT_FALSE(leView->window()->isVisible());
  db::TTable t;
  ASSERT_TRUE(t.setDatabaseName(jahrDatenPfad()).ok() && t.setTableName("Le.DB").ok() && t.open().ok());
  ASSERT_TRUE(t.last().ok());
  EXPECT_EQ(t.findField("Nummer")->asString(), "333333333");
  EXPECT_EQ(t.findField("Name")->asString(), "Neue Praxis");
  EXPECT_EQ(t.findField("UstAusweisen")->asString(), "False");
}

}  // namespace
}  // namespace riviza::test
