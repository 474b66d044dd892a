// The real window under Qt's offscreen platform: the main form renders with its pages, typing
// reaches the model, the model's changes reach the widgets, focus and pages move both ways.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <algorithm>

#include "platform/pump.h"
#include "qt_fixture.h"
#include "ui/busy.h"
#include "ui/containers.h"
#include "ui/design.h"
#include "ui/dialogs.h"
#include "ui/edit_family.h"

namespace riviza::test {
namespace {

TEST_F(MainFormTest, RendersEveryPageInItsOrder) {
  auto* tabs = widget<QTabWidget>(window(), "PageControl1");
  ASSERT_NE(tabs, nullptr);
  ASSERT_EQ(tabs->count(), form->PageControl1->pageCount());
  EXPECT_EQ(tabs->count(), 11);
  EXPECT_EQ(tabs->tabText(4), "&Reorganisation");
  EXPECT_EQ(tabs->tabText(5), "&Update");
  EXPECT_EQ(form->PageControl1->page(4), form->TabSheet6);
  EXPECT_EQ(form->PageControl1->page(5), form->TabSheet7);
  EXPECT_EQ(window()->windowTitle(), "  Riviza Abrechnung");
  EXPECT_NE(widget<QLineEdit>(window(), "EditOrdnerBw"), nullptr);
  EXPECT_NE(widget<QCheckBox>(window(), "CheckBoxFtpUpdate"), nullptr);
  EXPECT_FALSE(widget<QCheckBox>(window(), "CheckBoxFtpUpdate")->isEnabled());
  EXPECT_TRUE(widget<QCheckBox>(window(), "CheckBoxFtpUpdate")->isChecked());
  EXPECT_EQ(widget<QLineEdit>(window(), "EditKennwort")->echoMode(), QLineEdit::Password);
  // Every control of the form has its widget.
  int controls = 0;
  for (ui::TComponent* c : form->components())
    if (dynamic_cast<ui::TControl*>(c)) {
      ++controls;
      EXPECT_NE(view->widgetOf(c), nullptr) << c->name();
    }
  EXPECT_GT(controls, 150);
}

// A container's rows flow into its columns by height; a row is left out of the balance only when
// all of its controls are hidden, not when its label alone is.
TEST(Layout, ARowTakesNoHeightOnlyWhenAllItsControlsAreHidden) {
  qtApp();
  ui::TForm form;
  auto* panel = ui::addComponent<ui::TPanel>(form, "Panel", &form, {.columns = 2});
  for (const std::string n : {"A", "B", "C", "D"}) {
    ui::addComponent<ui::TLabel>(form, ("Label" + n).c_str(), panel, {.caption = n, .visible = n != "A"});
    ui::addComponent<ui::TEdit>(form, ("Edit" + n).c_str(), panel, {});
  }
  gui::FormView view(form);
  const auto columnOf = [&](const char* name) {
    QWidget* w = widget<QLineEdit>(view.window(), name);
    QLayout* columns = w ? w->parentWidget()->layout() : nullptr;
    for (int c = 0; columns && c < columns->count(); ++c)
      if (QLayout* grid = columns->itemAt(c)->layout(); grid && grid->indexOf(w) >= 0) return c;
    return -1;
  };
  EXPECT_EQ(columnOf("EditB"), 0);
  EXPECT_EQ(columnOf("EditC"), 1);
}

// German in the window whatever LANG says (the test programs run under C and de_DE alike).
TEST_F(MainFormTest, DatePickersCalendarsAndNumbersAreGerman) {
  auto* picker = widget<QDateEdit>(window(), "DateTimePicker1");
  ASSERT_NE(picker, nullptr);
  form->DateTimePicker1->setDate(platform::DateTime{2025, 3, 1});
  EXPECT_EQ(picker->text().toStdString(), "01.03.2025");
  const QCalendarWidget* calendar = picker->calendarWidget();
  ASSERT_NE(calendar, nullptr);
  EXPECT_EQ(calendar->locale().monthName(3).toStdString(), "März");
  EXPECT_EQ(calendar->locale().dayName(1).toStdString(), "Montag");
  EXPECT_EQ(calendar->firstDayOfWeek(), Qt::Monday);
  EXPECT_EQ(picker->locale().toString(1234.5, 'f', 2).toStdString(), "1.234,50");
  EXPECT_EQ(QLocale().decimalPoint().toStdString(), ",");
}

// Qt's own texts too: a question's buttons and the folder dialog's, whatever LANG says.
TEST_F(MainFormTest, QuestionBoxesAndTheFolderDialogSpeakGerman) {
  // The buttons of the modal dialog that `oeffnen` shows, which is then closed.
  const auto knoepfe = [](const std::function<void()>& oeffnen) {
    std::vector<std::string> texte;
    QTimer::singleShot(0, [&] {
      QWidget* fenster = QApplication::activeModalWidget();
      if (!fenster) return;
      for (QAbstractButton* b : fenster->findChildren<QAbstractButton*>())
        if (b->isVisible()) texte.push_back(b->text().remove('&').toStdString());
      fenster->close();
    });
    oeffnen();
    std::sort(texte.begin(), texte.end());
    return texte;
  };
  const std::pair<ui::DlgButtons, std::vector<std::string>> faelle[] = {
      {ui::DlgButtons::YesNo, {"Ja", "Nein"}},
      {ui::DlgButtons::YesCancel, {"Abbrechen", "Ja"}},
      {ui::DlgButtons::YesNoCancel, {"Abbrechen", "Ja", "Nein"}},
      {ui::DlgButtons::OkCancel, {"Abbrechen", "OK"}},
  };
  for (const auto& [satz, erwartet] : faelle) {
    SCOPED_TRACE(erwartet.front());
    EXPECT_EQ(knoepfe([&] { (void)ui::dialogs().messageDlg("Wirklich?", ui::DlgType::Confirmation, satz); }),
              erwartet);
  }
  EXPECT_EQ(knoepfe([this] { EXPECT_FALSE(form->PathDialog1->Execute()); }),
            (std::vector<std::string>{"Abbrechen", "OK"}));
}

// Typing reaches the model's OnChange and key filter; what a handler changes shows at once.
TEST_F(MainFormTest, TypingReachesTheModelAndAHandlersChangesShowAtOnce) {
  std::vector<std::string> seen;
  form->EditOrdnerBw->OnChange = [&](ui::TComponent&) { seen.push_back(form->EditOrdnerBw->text()); };
  QTest::keyClicks(widget<QLineEdit>(window(), "EditOrdnerBw"), "D:\\Ä");
  EXPECT_EQ(form->EditOrdnerBw->text(), "D:\\Ä");
  EXPECT_EQ(seen, (std::vector<std::string>{"D", "D:", "D:\\", "D:\\Ä"}));
  EXPECT_EQ(form->activeControl(), form->EditOrdnerBw);

  form->PageControl1->setActivePage(form->TabSheet8);
  form->EditReNr3->OnKeyPress = [](ui::TComponent&, char32_t& key) { ui::keepDigitsOnly(key); };
  auto* nummer = widget<QLineEdit>(window(), "EditReNr3");
  QTest::keyClicks(nummer, "1a2-3");
  QTest::keyClick(nummer, Qt::Key_Backspace);
  EXPECT_EQ(nummer->text(), "12");
  EXPECT_EQ(form->EditReNr3->text(), "12");

  form->PageControl1->setActivePage(form->TabSheet4);
  form->EditLaufwerk->OnChange = [this](ui::TComponent&) {
    form->EditComputername->setText("SERVER");
    form->LabelWarten->setVisible(true);
    form->EditFreigabename->setColor(ui::kColorEmptyEntered);
    form->EditDomaenenname->setEnabled(false);
    form->CheckBoxDomaenenbenutzer->setChecked(true);
  };
  QTest::keyClicks(widget<QLineEdit>(window(), "EditLaufwerk"), "X");
  EXPECT_EQ(widget<QLineEdit>(window(), "EditComputername")->text(), "SERVER");
  EXPECT_TRUE(widget<QLabel>(window(), "LabelWarten")->isVisible());
  EXPECT_EQ(widget<QLabel>(window(), "LabelWarten")->text(), "Verarbeitung läuft ...");
  EXPECT_EQ(widget<QLineEdit>(window(), "EditFreigabename")->palette().color(QPalette::Base),
            QColor(0xC0, 0xDC, 0xC0));
  EXPECT_FALSE(widget<QLineEdit>(window(), "EditDomaenenname")->isEnabled());
  EXPECT_TRUE(widget<QCheckBox>(window(), "CheckBoxDomaenenbenutzer")->isChecked());
}

// The update tab: the date of the installed cost-bearer files after "anzuwenden ab:" beside the
// buttons, the list, and the progress bar at the bottom (a hidden list below it takes no room).
TEST_F(MainFormTest, TheUpdateTabShowsTheCostBearerDateAndItsProgressBarAtTheBottom) {
  form->LabelKosttr->setCaption("01.04.2024");
  form->PageControl1->setActivePage(form->TabSheet7);
  auto* bar = widget<QWidget>(window(), "ProgressBar");
  ASSERT_TRUE(waitUntil([&] { return bar->isVisible(); }, "the update tab shown"));
  auto* ab = widget<QLabel>(window(), "Label37");
  auto* datum = widget<QLabel>(window(), "LabelKosttr");
  EXPECT_EQ(ab->text(), "anzuwenden ab:");
  EXPECT_EQ(datum->text(), "01.04.2024");
  EXPECT_EQ(ab->parentWidget(), widget<QWidget>(window(), "BitBtnKost")->parentWidget());
  EXPECT_LT(ab->geometry().right(), datum->geometry().left());
  const QWidget* seite = bar->parentWidget();
  const QRect liste = widget<QWidget>(window(), "ListBoxLiveUpdate")->geometry();
  EXPECT_GT(bar->geometry().top(), liste.bottom());
  EXPECT_LT(seite->height() - bar->geometry().bottom(), bar->height()) << "the bar stands above a gap";
}

TEST_F(MainFormTest, FocusMovesBothWays) {
  std::vector<std::string> log;
  for (ui::TWinControl* c :
       {static_cast<ui::TWinControl*>(form->EditOrdnerBw), static_cast<ui::TWinControl*>(form->GroupBoxJahr),
        static_cast<ui::TWinControl*>(form->EditAbDatumAbrechnung)}) {
    c->OnEnter = [&log, c](ui::TComponent&) { log.push_back(c->name() + ".Enter"); };
    c->OnExit = [&log, c](ui::TComponent&) { log.push_back(c->name() + ".Exit"); };
  }
  // Model to window.
  ASSERT_TRUE(form->EditOrdnerBw->setFocus());
  auto* ordner = widget<QLineEdit>(window(), "EditOrdnerBw");
  EXPECT_TRUE(waitUntil([&] { return QApplication::focusWidget() == ordner; }, "focus on EditOrdnerBw"));
  // Window to model: the user clicks into another edit.
  QTest::mouseClick(widget<QLineEdit>(window(), "EditAbDatumAbrechnung"), Qt::LeftButton);
  EXPECT_TRUE(waitUntil([&] { return form->activeControl() == form->EditAbDatumAbrechnung; },
                        "the click made EditAbDatumAbrechnung the active control"));
  EXPECT_EQ(log, (std::vector<std::string>{"EditOrdnerBw.Enter", "EditOrdnerBw.Exit", "GroupBoxJahr.Enter",
                                           "EditAbDatumAbrechnung.Enter"}));
}

TEST_F(MainFormTest, PagesMoveBothWays) {
  auto* tabs = widget<QTabWidget>(window(), "PageControl1");
  form->PageControl1->setActivePageIndex(5);
  EXPECT_EQ(tabs->currentIndex(), 5);
  int shown = 0;
  form->TabSheet6->OnShow = [&](ui::TComponent&) { ++shown; };
  tabs->setCurrentIndex(4);  // what a click on the tab does
  EXPECT_EQ(form->PageControl1->activePage(), form->TabSheet6);
  EXPECT_EQ(shown, 1);
  form->TabSheet11->setTabVisible(false);
  EXPECT_FALSE(tabs->isTabVisible(9));
}

TEST_F(MainFormTest, TheStartUpTimerFiresOnceTheLoopRuns) {
  // The fixture let the loop run until the timer fired; it stopped itself. Timers fire in the
  // order they fall due, so once a later one has fired, a start-up timer still running would
  // have fired again.
  EXPECT_EQ(timerTicks, 1);
  bool later = false;
  QTimer::singleShot(10 * std::max(1, form->Timer1->interval()), Qt::PreciseTimer, [&] { later = true; });
  ASSERT_TRUE(waitUntil([&] { return later; }, "a later timer fired"));
  EXPECT_EQ(timerTicks, 1);
}

TEST_F(MainFormTest, LongOperationShowsTheCountThroughThePump) {
  auto* count = widget<QLabel>(window(), "LabelDbSatz");
  auto* waiting = widget<QLabel>(window(), "LabelWarten");
  // The label and its count appear beside the buttons under the pages: the buttons stay put.
  const auto buttonsAt = [this] {
    std::vector<int> x;
    for (const char* name : {"BitBtn1", "BitBtnSpeichern", "BitBtnBeenden"})
      x.push_back(widget<QWidget>(window(), name)->mapTo(window(), QPoint()).x());
    return x;
  };
  const std::vector<int> buttons = buttonsAt();
  std::vector<std::string> shown;
  platform::setMessagePump([&] {
    QCoreApplication::processEvents();
    shown.push_back((waiting->isVisible() ? "shown " : "hidden ") + count->text().toStdString());
    EXPECT_EQ(buttonsAt(), buttons);
  });
  {
    ui::LongOperation op(*form, form->LabelWarten, form->LabelDbSatz);
    for (long n = 1; n <= 3; ++n) op.step(n);
    EXPECT_EQ(window()->cursor().shape(), Qt::WaitCursor);
  }
  EXPECT_EQ(shown, (std::vector<std::string>{"shown ", "shown 1", "shown 2", "shown 3"}));
  EXPECT_FALSE(waiting->isVisible());
  EXPECT_NE(window()->cursor().shape(), Qt::WaitCursor);
}

// A click whose handler lets messages run: the window delivers clicks, typing and its own close
// meanwhile (the pump processes Qt's events); the second click and the typing are dropped, the
// edit shows the model's text again, and the close comes once the handler has ended.
TEST_F(MainFormTest, DuringALongOperationTheWindowTakesNoInputAndClosesAfterIt) {
  std::vector<std::string> log;
  auto* speichern = widget<QAbstractButton>(window(), "BitBtnSpeichern");
  auto* ordner = widget<QLineEdit>(window(), "EditOrdnerBw");
  ASSERT_NE(speichern, nullptr);
  ASSERT_NE(ordner, nullptr);
  form->OnClose = [&](ui::TComponent&, ui::TCloseAction&) { log.push_back("Close"); };
  form->BitBtnSpeichern->OnClick = [&](ui::TComponent&) {
    log.push_back("Arbeit");
    // The user's input, waiting for the first time the work lets messages run.
    QTimer::singleShot(0, [&] {
      QTest::mouseClick(speichern, Qt::LeftButton);
      QTest::mouseClick(ordner, Qt::LeftButton);
      QTest::keyClicks(ordner, "D:\\");
      window()->close();
      log.push_back("Eingaben");
    });
    ui::LongOperation op(*form, form->LabelWarten, form->LabelDbSatz);
    for (long n = 1; n <= 3; ++n) op.step(n);
    log.push_back("Ende");
  };
  QTest::mouseClick(speichern, Qt::LeftButton);
  EXPECT_EQ(log, (std::vector<std::string>{"Arbeit", "Eingaben", "Ende", "Close"}));
  EXPECT_EQ(form->EditOrdnerBw->text(), "");
  EXPECT_EQ(ordner->text(), "");
  EXPECT_TRUE(application.terminated());
  EXPECT_FALSE(window()->isVisible());
}

TEST_F(MainFormTest, ClosingTheMainWindowEndsTheApplication) {
  int closes = 0;
  form->OnClose = [&](ui::TComponent&, ui::TCloseAction&) { ++closes; };
  window()->close();
  EXPECT_EQ(closes, 1);
  EXPECT_TRUE(application.terminated());
  EXPECT_FALSE(form->visible());
}

}  // namespace
}  // namespace riviza::test
