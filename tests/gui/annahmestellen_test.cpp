// The acceptance-office tab and the address picker in the window (offscreen): the tab opens on
// its tables, the search filters the grid, the picker fills an office IK, and the address from
// the cost-bearer file shows under the red bold label.
#include <gtest/gtest.h>

#include <QLabel>

#include "ann_window.h"

namespace riviza::test {
namespace {

TEST_F(AnnWindowTest, SearchPickAndTheAddressFromTheCostBearerFile) {
  tabZeigen();
  auto* grid = widget<QTableView>(window(), "DBGridAnn");
  ASSERT_NE(grid, nullptr);
  EXPECT_EQ(grid->model()->rowCount(), 3);
  EXPECT_EQ(grid->model()->headerData(1, Qt::Horizontal).toString(), "NameKostentraeger");
  auto* suchen = widget<QLineEdit>(window(), "EditAnnSuchen");
  EXPECT_EQ(QApplication::focusWidget(), suchen);
  QTest::keyClicks(suchen, "bkk");
  EXPECT_EQ(grid->model()->rowCount(), 1);
  EXPECT_EQ(grid->model()->index(0, 0).data().toString(), "101111111");

  klick(window(), "BitBtnAnnAendern");
  EXPECT_FALSE(suchen->isEnabled());
  klick(window(), "BitBtn300Ver");
  ASSERT_TRUE(pickerView->window()->isVisible());
  auto* pickerSuchen = widget<QLineEdit>(pickerView->window(), "EditSuchenAdressen");
  QTest::mouseClick(pickerSuchen, Qt::LeftButton);
  QTest::keyClicks(pickerSuchen, "ulm");
  EXPECT_EQ(widget<QTableView>(pickerView->window(), "DBGridAdressen")->model()->rowCount(), 1);
  QTest::keyClick(pickerSuchen, Qt::Key_Return);
  settle();
  EXPECT_FALSE(pickerView->window()->isVisible());
  EXPECT_EQ(widget<QLineEdit>(window(), "DBEdit3")->text(), "109900002");
  EXPECT_EQ(widget<QLineEdit>(window(), "DBEdit15")->text(), "Annahme Süd");
  EXPECT_FALSE(widget<QLabel>(window(), "LabelAdrAusKosttr")->isVisible());

  auto* rechnungen302 = widget<QLineEdit>(window(), "DBEdit7");
  QTest::mouseClick(rechnungen302, Qt::LeftButton);
  QTest::keyClicks(rechnungen302, "108310400");
  auto* label = widget<QLabel>(window(), "LabelAdrAusKosttr");
  EXPECT_TRUE(label->isVisible());
  EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(0xFF, 0, 0));
  EXPECT_TRUE(label->font().bold());
  EXPECT_EQ(widget<QLineEdit>(window(), "DBEdit17")->text(), "Carl-Wery-Straße 28");

  klick(window(), "BitBtnAnnSpeichern");
  EXPECT_TRUE(suchen->isEnabled());
  EXPECT_FALSE(widget<QLineEdit>(window(), "DBEdit15")->isVisible());
  ASSERT_TRUE(form->TableAnn->active());
  EXPECT_EQ(form->TableAnn->findField("Verordnungen300")->asString(), "109900002");
  EXPECT_EQ(form->TableAnn->findField("Rechnungen302")->asString(), "108310400");
}

}  // namespace
}  // namespace riviza::test
