// The page "Da&tenpflege" on a real X server (run under xvfb-run), on an installation in a
// temporary folder (templates, a year 2024 with two vouchers, a service list in the import
// folder): every button of the page is bound to a handler and every group holds controls; a click
// on the csv import asks, runs and leaves the labels hidden; a click on the merge with empty years
// is refused. In the "Patienten" and "Statistik" groups the date picker speaks German and fills
// the month edit, the hidden buttons stay hidden, "Stat01" runs the census and the group shows
// its counts and the voucher without sex. Pictures: build/artifacts/datenpflege*.png.
#include <gtest/gtest.h>

#include <QCalendarWidget>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

#include "office/application.h"
#include "platform/codec.h"
#include "screenshot_support.h"
#include "ui/dialogs.h"

namespace riviza::test {
namespace {

// Whether the component sits on the page, at any depth.
bool aufSeite(const ui::TComponent* c, const ui::TWinControl* seite) {
  const auto* control = dynamic_cast<const ui::TControl*>(c);
  for (const ui::TWinControl* p = control ? control->parent() : nullptr; p; p = p->parent())
    if (p == seite) return true;
  return false;
}

class DatenpflegeWindowTest : public JahrWindowTest {
 protected:
  DatenpflegeWindowTest() {
    vorlagen();
    tabelle("Leistungen.DB", {});
    root.write("Import/artImp.csv",
               platform::fromUtf8("Nr\tSchlüssel\tPZN\tText\tPreis\r\n1\tG-1\t1234567\tGehhilfe\r\n"
                                  "2\tG-2\t7654321\tRollator für Übungen\r\n"));
    tabelle("ErfBeleg.DB", {{"1001", "04.01.2024", "", "K001", "13"}, {"1002", "04.01.2024", "", "K002"}});
    tabelle("ErfPosition.DB", {{"1001", "", "604503"}, {"1002", "", "704505"}});
    tabelle("Stat01.DB", {});
    tabelle("Firma.DB", {{"Firma"}});
    form->ComboBoxAktuellesJahr->setText("2024");
    form->EditOrdnerImport->setText(root.str() + "/Import");
    form->EditOrdnerExport->setText(root.str());
  }
  ~DatenpflegeWindowTest() override {
    if (auto app = office::Application::running()) app->quit();
  }

  std::vector<std::string> opened;
  office::ScopedDocumentOpener spy{[this](const std::string& path) {
    opened.push_back(path);
    return okStatus();
  }};
};

TEST_F(DatenpflegeWindowTest, EveryToolIsBoundAndTheImportRunsFromItsButton) {
  ui::ScriptedDialogs dialogs;
  seite(form->TabSheet5);

  int knoepfe = 0;
  for (const ui::TComponent* c : form->components()) {
    if (!aufSeite(c, form->TabSheet5)) continue;
    SCOPED_TRACE(c->name());
    if (const auto* knopf = dynamic_cast<const ui::TButton*>(c)) {
      ++knoepfe;
      EXPECT_TRUE(static_cast<bool>(knopf->OnClick)) << "a button without a handler";
    }
    if (const auto* gruppe = dynamic_cast<const ui::TGroupBox*>(c)) {
      EXPECT_TRUE(std::any_of(form->components().begin(), form->components().end(),
                              [&](const ui::TComponent* k) { return aufSeite(k, gruppe); }))
          << "an empty group";
    }
  }
  EXPECT_GE(knoepfe, 13);
  for (const char* name : {"BitBtnImpLeistungen", "BitBtnArtImpCsv", "BitBtnPZN8", "BitBtnBereinigenAbrDat",
                           "BitBtnVonJahrNachJahr", "BitBtnBewegungenFuerJahrLoeschen"})
    EXPECT_TRUE(widget<QAbstractButton>(window(), name)->isVisible()) << name;
  EXPECT_FALSE(widget<QAbstractButton>(window(), "ButtonArztNrInBerstNr")->isVisible());

  // The TIFF button shows for service providers whose abbreviation says so; show it for the picture.
  form->ButtonGusTifDateien->setVisible(true);
  ASSERT_TRUE(waitUntil([&] { return widget<QAbstractButton>(window(), "ButtonGusTifDateien")->isVisible(); },
                        "TIFF button shown"));
  shoot(window(), "datenpflege-werkzeuge.png");

  dialogs.answer(ui::DlgResult::Yes);
  klick(window(), "BitBtnArtImpCsv");
  ASSERT_EQ(dialogs.texts().size(), 2u);
  EXPECT_TRUE(dialogs.texts()[0].starts_with("Datenimport Leistungen starten ?"));
  EXPECT_EQ(dialogs.texts()[1], "Leistungen importiert: 2");  // the window says that it ran
  db::TTable t;
  oeffnen(t, "Leistungen.DB");
  EXPECT_EQ(t.recordCount(), 2);
  EXPECT_FALSE(widget<QWidget>(window(), "LabelWarten")->isVisible());
  EXPECT_FALSE(widget<QWidget>(window(), "LabelDbSatz")->isVisible());

  dialogs.clear();
  klick(window(), "BitBtnVonJahrNachJahr");
  EXPECT_EQ(dialogs.texts(), std::vector<std::string>{"In diese Jahren gibt es keine Daten!"});
}

TEST_F(DatenpflegeWindowTest, GermanDatePickerAndTheCensusWithScreenshots) {
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
  shoot(window(), "datenpflege.png");
}

}  // namespace
}  // namespace riviza::test
