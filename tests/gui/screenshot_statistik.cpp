// The "Patienten" and "Statistik" groups of the Datenpflege tab on a real X server (run under
// xvfb-run), on a year in a temporary folder with two vouchers: the date picker speaks German and
// fills the month edit, the hidden buttons stay hidden, "Stat01" runs the census and the group
// shows its counts and the voucher without sex. Picture: build/artifacts/datenpflege.png.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCalendarWidget>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

#include "office/application.h"
#include "screenshot_support.h"

namespace riviza::test {
namespace {

class StatistikWindowTest : public JahrWindowTest {
 protected:
  StatistikWindowTest() {
    tabelle("ErfBeleg.DB", {{"1001", "04.01.2024", "", "K001", "13"}, {"1002", "04.01.2024", "", "K002"}});
    tabelle("ErfPosition.DB", {{"1001", "", "604503"}, {"1002", "", "704505"}});
    tabelle("Stat01.DB", {});
    tabelle("Firma.DB", {{"Firma"}});
  }
  ~StatistikWindowTest() override {
    if (auto app = office::Application::running()) app->quit();
  }

  std::vector<std::string> opened;
  office::ScopedDocumentOpener spy{[this](const std::string& path) {
    opened.push_back(path);
    return okStatus();
  }};
};

TEST_F(StatistikWindowTest, GermanDatePickerAndTheCensusWithScreenshots) {
  form->EditOrdnerExport->setText(root.str());
  seite(form->TabSheet5);
  auto* picker = widget<QDateEdit>(window(), "DateTimePicker1");
  ASSERT_NE(picker, nullptr);
  ASSERT_TRUE(waitUntil([&] { return picker->isVisible(); }, "date picker shown"));
  const QLocale kalender = picker->calendarWidget()->locale();
  EXPECT_EQ(kalender.monthName(3), "März");
  EXPECT_EQ(kalender.dayName(1, QLocale::ShortFormat), "Mo.");
  EXPECT_EQ(picker->calendarWidget()->firstDayOfWeek(), Qt::Monday);
  picker->setDate(QDate(2024, 3, 15));
  EXPECT_EQ(widget<QLineEdit>(window(), "EditGueltigBis")->text(), "15.03.2024");
  EXPECT_TRUE(widget<QLineEdit>(window(), "EditGueltigBis")->isReadOnly());
  for (const char* versteckt : {"BitBtnKosttr", "BitBtn6"})
    EXPECT_FALSE(widget<QAbstractButton>(window(), versteckt)->isVisible()) << versteckt;

  klick(window(), "BitBtnStat01");
  auto* zaehler = widget<QLabel>(window(), "LabelStat01");
  ASSERT_TRUE(waitUntil([&] { return zaehler->isVisible(); }, "census counts shown"));
  EXPECT_EQ(zaehler->text(), "2 / 1");
  auto* liste = widget<QListWidget>(window(), "ListBoxStat01");
  ASSERT_EQ(liste->count(), 1);
  EXPECT_EQ(liste->item(0)->text(), "04.01.2024;1002;704505;F");
  EXPECT_FALSE(widget<QLabel>(window(), "LabelWarten")->isVisible());
  EXPECT_EQ(opened.size(), 1u);
  EXPECT_FALSE(shoot(window(), "datenpflege.png").isNull());
}

}  // namespace
}  // namespace riviza::test
