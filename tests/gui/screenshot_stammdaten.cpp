// The service-centre tab, the funds tab and the service-provider form on a real X server (run
// under xvfb-run), on an installation in a temporary folder (templates and a year 2024 with a
// few service centres, funds with their offices and service providers): the check mark drawn
// centred in its narrow column, an entry dropped on leaving the group box, the office address
// following the navigator, and the provider form opened by its launcher, searched and extended.
// Pictures are kept as build/artifacts/dlz*.png, kassen.png and leistungserbringer*.png.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include "screenshot_support.h"

namespace riviza::test {
namespace {

class StammdatenWindowTest : public JahrWindowTest {
 protected:
  StammdatenWindowTest() {
    vorlagen();
    tabelle("AdrDlz.DB",
            {{"1083101", "AOK DLZ Kiel", "Kiel", "True"}, {"1049401", "BARMER Köln", "Köln", "False"}},
            {"DlzId", "Name", "Ort", "DruckDlz"});
    tabelle("Kas.db",
            {{"101000001", "AO", "AOK Nord", "109000001"}, {"101000002", "BK", "BKK Mitte", "109000001"}},
            {"KasIk", "Art", "KasKurz", "AnKostvorIk"});
    tabelle("KasAdrAnn.db", {{"109000001", "KV AOK", "Kiel", "AO"}, {"109000001", "KV BKK", "Hamburg", "BK"}},
            {"Ik", "KurzName", "Ort", "KassenArt"});
    tabelle("Le.DB", {{"111111111", "MUSTER", "Muster Reha"}, {"222222222", "BEISPIEL", "Beispiel Physio"}},
            {"Nummer", "Suchen", "Name"});
    le = &application.createForm<TFormLe>();
    leView = &shell->attach(*le);
  }

  QLineEdit* edit(QWidget* fenster, const char* name) { return widget<QLineEdit>(fenster, name); }

  TFormLe* le = nullptr;
  gui::FormView* leView = nullptr;
};

TEST_F(StammdatenWindowTest, ServiceCentresShowTheCentredCheckMarkAndDropAnEntryLeftUnsaved) {
  seite(form->TabSheet10);
  auto* grid = widget<QTableView>(window(), "DBGridAdrDlz");
  ASSERT_EQ(grid->model()->rowCount(), 2);
  EXPECT_EQ(grid->model()->index(0, 8).data().toString(), QString::fromUtf8("✓"));
  EXPECT_EQ(grid->model()->index(0, 8).data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
  EXPECT_EQ(grid->model()->index(1, 8).data().toString(), "");
  // The flag column keeps a fixed width, the design's 19 pixels grown to its whole title (they
  // cut "DruckDlz" to "ıck"); the others fit their texts.
  QHeaderView* kopf = grid->horizontalHeader();
  EXPECT_GT(kopf->sectionSize(8), 19);
  EXPECT_GE(kopf->sectionSize(8), kopf->fontMetrics().horizontalAdvance("DruckDlz"));
  EXPECT_EQ(kopf->sectionResizeMode(8), QHeaderView::Fixed);
  EXPECT_GT(grid->horizontalHeader()->sectionSize(1), grid->fontMetrics().horizontalAdvance("AOK DLZ Kiel"));
  shoot(window(), "dlz.png");

  klick(window(), "BitBtnNeuAdrDlz");
  QTest::keyClicks(edit(window(), "DBEdit28"), "1083102");
  QTest::keyClick(edit(window(), "DBEdit28"), Qt::Key_Return);
  QTest::keyClicks(edit(window(), "DBEdit29"), "AOK DLZ Luebeck");
  QCoreApplication::processEvents();
  EXPECT_FALSE(edit(window(), "EditSuchenAdrDlz")->isEnabled());
  EXPECT_EQ(grid->model()->rowCount(), 3);
  shoot(window(), "dlz-bearbeiten.png");
  // A click on a row leaves the group box: the entry is dropped.
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                    grid->visualRect(grid->model()->index(0, 1)).center());
  QCoreApplication::processEvents();
  EXPECT_EQ(grid->model()->rowCount(), 2);
  EXPECT_TRUE(edit(window(), "EditSuchenAdrDlz")->isEnabled());
}

TEST_F(StammdatenWindowTest, FundsShowTheAddressOfTheCurrentFundsOfficeAsTheNavigatorMoves) {
  seite(form->TabSheet11);
  EXPECT_EQ(widget<QTableView>(window(), "DBGridKas302")->model()->rowCount(), 2);
  EXPECT_EQ(edit(window(), "DBEditKasAdrKurzName")->text(), "KV AOK");
  const auto knoepfe = widget<QWidget>(window(), "DBNavigator2")->findChildren<QToolButton*>();
  ASSERT_EQ(knoepfe.size(), 4);
  QTest::mouseClick(knoepfe[2], Qt::LeftButton);  // next
  QCoreApplication::processEvents();
  EXPECT_EQ(edit(window(), "DBEdit44")->text(), "109000001");
  EXPECT_EQ(edit(window(), "DBEditKasAdrKurzName")->text(), "KV BKK");
  shoot(window(), "kassen.png");
}

TEST_F(StammdatenWindowTest, TheLauncherOpensTheProviderFormWhichSearchesAndStoresANewProvider) {
  seite(form->TabSheet8);
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
  shoot(fenster, "leistungserbringer.png");

  klick(fenster, "BitBtnLeNeu");
  for (const auto& [name, text] :
       {std::pair{"DBEdit1", "333333333"}, {"DBEdit13", "NEU"}, {"DBEdit2", "Neue Praxis"}}) {
    QTest::keyClicks(edit(fenster, name), text);
    QTest::keyClick(edit(fenster, name), Qt::Key_Return);
  }
  QCoreApplication::processEvents();
  EXPECT_FALSE(widget<QAbstractButton>(fenster, "BitBtnLeNeu")->isEnabled());
  shoot(fenster, "leistungserbringer-bearbeiten.png");
  klick(fenster, "BitBtnLeSpeichern");
  EXPECT_TRUE(widget<QAbstractButton>(fenster, "BitBtnLeNeu")->isEnabled());
  QTest::keyClick(grid, Qt::Key_Escape);
  ASSERT_TRUE(waitUntil([&] { return !fenster->isVisible(); }, "provider form closed"));
  EXPECT_FALSE(fenster->isVisible());
  db::TTable t;
  oeffnen(t, "Le.DB");
  ASSERT_TRUE(t.last().ok());
  EXPECT_EQ(t.findField("Nummer")->asString() + " " + t.findField("Name")->asString(),
            "333333333 Neue Praxis");
}

}  // namespace
}  // namespace riviza::test
