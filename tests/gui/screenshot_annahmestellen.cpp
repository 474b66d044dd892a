// The acceptance-office tab and the address picker on a real X server (run under xvfb-run):
// the tab browsing, an office being edited with its address, the picker; the pictures are kept
// as build/artifacts/annahmestellen*.png and adressen-auswahl.png.
#include <gtest/gtest.h>

#include <QLabel>

#include "ann_window.h"
#include "screenshot_support.h"

namespace riviza::test {
namespace {

TEST_F(AnnWindowTest, ScreenshotsOfTheTabAndThePicker) {
  ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "run this test under xvfb-run";
  tabZeigen();
  EXPECT_FALSE(shoot(window(), "annahmestellen.png").isNull());

  klick(window(), "BitBtnAnnAendern");
  klick(window(), "BitBtn300Adr");
  ASSERT_TRUE(QTest::qWaitForWindowExposed(pickerView->window()));
  pickerView->window()->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(pickerView->window()));
  auto* grid = widget<QTableView>(pickerView->window(), "DBGridAdressen");
  ASSERT_NE(grid, nullptr);
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                    grid->visualRect(grid->model()->index(0, 1)).center());
  settle();
  ASSERT_EQ(QApplication::focusWidget(), grid);
  EXPECT_FALSE(shoot(pickerView->window(), "adressen-auswahl.png").isNull());

  QTest::keyClick(grid, Qt::Key_Return);
  settle();
  EXPECT_FALSE(picker->visible());
  EXPECT_EQ(widget<QLineEdit>(window(), "DBEdit1")->text(), "109905003");
  EXPECT_TRUE(widget<QLineEdit>(window(), "DBEdit15")->isVisible());

  // An office with no address yet: the address from the cost-bearer file, under the red label.
  window()->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window()));
  auto* rechnungen302 = widget<QLineEdit>(window(), "DBEdit7");
  QTest::mouseClick(rechnungen302, Qt::LeftButton);
  QTest::keyClicks(rechnungen302, "108310400");
  settle();
  EXPECT_TRUE(widget<QLabel>(window(), "LabelAdrAusKosttr")->isVisible());
  EXPECT_EQ(widget<QLineEdit>(window(), "DBEdit19")->text(), "München");
  EXPECT_FALSE(shoot(window(), "annahmestellen-bearbeiten.png").isNull());
}

}  // namespace
}  // namespace riviza::test
