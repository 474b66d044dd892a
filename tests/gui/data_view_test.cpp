// Data-aware controls, the Return chain and the Qt dialogs in the real window (offscreen).
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLineEdit>
#include <QMessageBox>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include "qt_fixture.h"
#include "support/temp_dir.h"
#include "ui/edit_family.h"

namespace riviza::test {
namespace {

// What the message box of the next dialog call showed; answerNextBox presses `button` on it.
struct ShownBox {
  QString title;
  QString text;
};

void answerNextBox(QMessageBox::StandardButton button, ShownBox& shown) {
  QTimer::singleShot(0, [button, &shown] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    shown = {box->windowTitle(), box->text()};
    box->button(button)->click();
  });
}

// The service-provider form on a Le.DB of two providers.
class LeFormTest : public MainFormTest {
 protected:
  LeFormTest() {
    const db::TableStructure s{{{"Nummer", db::FieldType::Alpha, 9},
                                {"Suchen", db::FieldType::Alpha, 10},
                                {"Name", db::FieldType::Alpha, 30}},
                               0};
    EXPECT_TRUE(db::TTable::createTable(dir.str(), "Le.DB", s).ok());
    le = &application.createForm<TFormLe>();
    EXPECT_TRUE(le->TableLe->setDatabaseName(dir.str()).ok() && le->TableLe->setTableName("Le.DB").ok());
    EXPECT_TRUE(le->TableLe->open().ok());
    for (const char* n : {"111111111", "222222222"}) {
      EXPECT_TRUE(le->TableLe->append().ok() && le->TableLe->findField("Nummer")->setAsString(n).ok());
      EXPECT_TRUE(le->TableLe->post().ok());
    }
    EXPECT_TRUE(le->TableLe->first().ok());
    leView = &shell->attach(*le);
    le->show();
    if (!QTest::qWaitForWindowExposed(leWindow())) ADD_FAILURE() << "the provider window never showed";
  }
  QWidget* leWindow() const { return leView->window(); }

  TempDir dir;
  TFormLe* le = nullptr;
  gui::FormView* leView = nullptr;
};

TEST_F(LeFormTest, GridAndEditsFollowTheCursorBothWaysAndTypingEditsTheRecord) {
  auto* grid = widget<QTableView>(leWindow(), "DBGridLe");
  ASSERT_NE(grid, nullptr);
  ASSERT_EQ(grid->model()->rowCount(), 2);
  EXPECT_EQ(grid->model()->columnCount(), 13);
  EXPECT_EQ(grid->model()->headerData(2, Qt::Horizontal).toString(), "Name");
  EXPECT_EQ(grid->model()->index(1, 0).data().toString(), "222222222");
  EXPECT_EQ(grid->currentIndex().row(), 0);
  // The table moves: the grid follows.
  ASSERT_TRUE(le->TableLe->last().ok());
  EXPECT_EQ(grid->currentIndex().row(), 1);
  // A click on a row moves the table, and the edits show that record.
  grid->setCurrentIndex(grid->model()->index(0, 2));
  EXPECT_EQ(le->TableLe->recNo(), 1);
  EXPECT_EQ(widget<QLineEdit>(leWindow(), "DBEdit1")->text(), "111111111");
  // A field changed by code shows at once.
  ASSERT_TRUE(le->TableLe->edit().ok() && le->TableLe->findField("Name")->setAsString("Neu").ok());
  EXPECT_EQ(widget<QLineEdit>(leWindow(), "DBEdit2")->text(), "Neu");
  EXPECT_EQ(grid->model()->index(0, 2).data().toString(), "Neu");
  ASSERT_TRUE(le->TableLe->post().ok());
  // Typing into a data-aware edit edits the record.
  le->PanelLe->setEnabled(true);
  QTest::keyClicks(widget<QLineEdit>(leWindow(), "DBEdit2"), "Praxis");
  EXPECT_EQ(le->TableLe->state(), db::TableState::Edit);
  ASSERT_TRUE(le->TableLe->post().ok());
  EXPECT_EQ(le->TableLe->findField("Name")->asString(), "NeuPraxis");
}

TEST_F(MainFormTest, ReturnChainMovesTheQtFocus) {
  form->PageControl1->setActivePage(form->TabSheet4);
  const ui::EditChainRow rows[] = {{form->EditComputername, form->EditComputername, form->EditFreigabename}};
  ui::installEditChain(rows);
  ASSERT_TRUE(form->EditComputername->setFocus());
  auto* computername = widget<QLineEdit>(window(), "EditComputername");
  ASSERT_TRUE(waitUntil([&] { return QApplication::focusWidget() == computername; }, "focus on the edit"));
  EXPECT_EQ(computername->palette().color(QPalette::Base), QColor(0xC0, 0xDC, 0xC0));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
  waitUntil([&] { return QApplication::focusWidget() != computername; }, "focus left the edit");
  EXPECT_EQ(form->activeControl(), form->EditFreigabename);
  EXPECT_EQ(QApplication::focusWidget(), widget<QLineEdit>(window(), "EditFreigabename"));
  EXPECT_NE(widget<QLineEdit>(window(), "EditComputername")->palette().color(QPalette::Base),
            QColor(0xC0, 0xDC, 0xC0));
}

TEST_F(MainFormTest, QtDialogsReturnTheButtonPressed) {
  struct Case {
    ui::DlgButtons buttons;
    QMessageBox::StandardButton press;
    ui::DlgResult expected;
  };
  const Case cases[] = {{ui::DlgButtons::YesNo, QMessageBox::No, ui::DlgResult::No},
                        {ui::DlgButtons::YesCancel, QMessageBox::Yes, ui::DlgResult::Yes},
                        {ui::DlgButtons::RetryCancel, QMessageBox::Cancel, ui::DlgResult::Cancel}};
  for (const Case& c : cases) {
    ShownBox shown;
    answerNextBox(c.press, shown);
    EXPECT_EQ(ui::dialogs().messageDlg("Sind Sie sicher ?", ui::DlgType::Confirmation, c.buttons),
              c.expected);
    EXPECT_EQ(shown.title, "Bestätigung");
    EXPECT_EQ(shown.text, "Sind Sie sicher ?");
  }
  ShownBox shown;
  answerNextBox(QMessageBox::Ok, shown);
  ui::dialogs().messageBox("Serveranmeldung fehlgeschlagen !", "Fehler !", ui::MsgIcon::Error);
  EXPECT_EQ(shown.title, "Fehler !");
}

TEST_F(MainFormTest, AFaultInAHandlerIsShownOnceAndTheLoopGoesOn) {
  form->BitBtnSpeichern->OnClick = [](ui::TComponent&) { throw std::runtime_error("Tabelle fehlt"); };
  ShownBox shown;
  answerNextBox(QMessageBox::Ok, shown);
  QTest::mouseClick(widget<QAbstractButton>(window(), "BitBtnSpeichern"), Qt::LeftButton);
  EXPECT_EQ(shown.text, "Tabelle fehlt");
  EXPECT_FALSE(application.terminated());
}

}  // namespace
}  // namespace riviza::test
