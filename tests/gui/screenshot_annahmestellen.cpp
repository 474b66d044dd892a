// The acceptance-office tab and the address picker on a real X server (run under xvfb-run), on
// an installation in a temporary folder (templates, a year 2024 with offices, addresses and two
// cost-bearer files): the search filters the grid, the picker (a title bar without buttons)
// fills an office IK, an office without an address shows the one of the cost-bearer file under
// the red bold label. Pictures of the tab browsing, the picker and the tab editing are kept as
// build/artifacts/annahmestellen*.png and adressen-auswahl.png.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

#include "costbearer/fixtures.h"
#include "screenshot_support.h"

namespace riviza::test {
namespace {

class AnnWindowTest : public JahrWindowTest {
 protected:
  AnnWindowTest() {
    vorlagen();
    root.write("Daten/Abrechng/2024/Kosttr/AO05Q124.ke0",
               segmentFile(interchange(
                   message({"IDK+108310400+99+AOK Bayern'", "NAM+01+AOK Bayern+Die Gesundheitskasse'",
                            "ANS+1+80331+München+Carl-Wery-Straße 28'"}))));
    root.write("Daten/Abrechng/2024/Kosttr/AO03Q124.ke0",
               segmentFile(interchange(
                   message({"IDK+109905003+99+DAV Rechenzentrum'", "NAM+01+Datenannahme §300+Abrechnung'",
                            "ANS+1+40211+Düsseldorf+Königsallee 1'"}))));
    tabelle("Ann.DB", {{"108310400", "AOK Bayern"}, {"101111111", "BKK Süd"}},
            {"Kostentraeger", "NameKostentraeger"});
    tabelle("AdrAnn.DB",
            {{"109905003", "Datenannahme §300", "Düsseldorf"}, {"209900003", "Zentrale", "Annaberg"}},
            {"Ik", "Name", "Ort"});
    picker = &application.createForm<TFormAdressen>();
    pickerView = &shell->attach(*picker);
  }

  TFormAdressen* picker = nullptr;
  gui::FormView* pickerView = nullptr;
};

TEST_F(AnnWindowTest, SearchPickAndTheAddressFromTheCostBearerFileWithScreenshots) {
  seite(form->TabSheet9);
  auto* grid = widget<QTableView>(window(), "DBGridAnn");
  auto* suchen = widget<QLineEdit>(window(), "EditAnnSuchen");
  EXPECT_EQ(grid->model()->rowCount(), 2);
  QTest::keyClicks(suchen, "bkk");
  ASSERT_EQ(grid->model()->rowCount(), 1);
  EXPECT_EQ(grid->model()->index(0, 0).data().toString(), "101111111");
  EXPECT_FALSE(widget<QWidget>(window(), "PanelAnn")->isEnabled());
  EXPECT_FALSE(widget<QLineEdit>(window(), "DBEdit15")->isVisible());
  shoot(window(), "annahmestellen.png");

  klick(window(), "BitBtnAnnAendern");
  EXPECT_FALSE(suchen->isEnabled());
  klick(window(), "BitBtn300Adr");
  ASSERT_TRUE(QTest::qWaitForWindowExposed(pickerView->window()));
  pickerView->window()->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(pickerView->window()));
  // The title bar keeps the title but asks for no close, minimise or maximise button.
  const Qt::WindowFlags flags = pickerView->window()->windowFlags();
  EXPECT_TRUE(flags.testFlags(Qt::CustomizeWindowHint | Qt::WindowTitleHint));
  EXPECT_FALSE(flags & (Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint | Qt::WindowSystemMenuHint));
  auto* adressen = widget<QTableView>(pickerView->window(), "DBGridAdressen");
  QTest::mouseClick(adressen->viewport(), Qt::LeftButton, {},
                    adressen->visualRect(adressen->model()->index(0, 1)).center());
  ASSERT_TRUE(waitUntil([&] { return adressen->currentIndex().row() == 0; }, "first address chosen"));
  EXPECT_EQ(adressen->model()->rowCount(), 2);
  EXPECT_EQ(adressen->model()->index(0, 0).data().toString(), "109905003");
  EXPECT_FALSE(widget<QWidget>(pickerView->window(), "PanelAdressen")->isEnabled());
  shoot(pickerView->window(), "adressen-auswahl.png");
  QTest::keyClick(adressen, Qt::Key_Return);
  ASSERT_TRUE(waitUntil([&] { return !pickerView->window()->isVisible(); }, "picker closed"));
  EXPECT_FALSE(pickerView->window()->isVisible());
  EXPECT_EQ(widget<QLineEdit>(window(), "DBEdit1")->text(), "109905003");
  EXPECT_EQ(widget<QLineEdit>(window(), "DBEdit15")->text(), "Datenannahme §300");

  window()->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window()));
  auto* rechnungen302 = widget<QLineEdit>(window(), "DBEdit7");
  QTest::mouseClick(rechnungen302, Qt::LeftButton);
  QTest::keyClicks(rechnungen302, "108310400");
  auto* label = widget<QLabel>(window(), "LabelAdrAusKosttr");
  ASSERT_TRUE(waitUntil([&] { return label->isVisible(); }, "address label shown"));
  EXPECT_TRUE(label->isVisible());
  EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(0xFF, 0, 0));
  EXPECT_TRUE(label->font().bold());
  EXPECT_EQ(widget<QLineEdit>(window(), "DBEdit19")->text(), "München");
  shoot(window(), "annahmestellen-bearbeiten.png");

  klick(window(), "BitBtnAnnSpeichern");
  EXPECT_TRUE(suchen->isEnabled());
  EXPECT_EQ(form->TableAnn->findField("Rechnungen302")->asString(), "108310400");
}

}  // namespace
}  // namespace riviza::test
