// The folder dialog in the window (offscreen): TPathDialog opens it with its title, selection
// and status line; the callbacks change the status line and the OK button while it is open;
// OK returns the folder the tree shows, Cancel leaves PathName alone. And a paste into a
// digit-only edit of the form keeps the digits.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>

#include "platform/paths.h"
#include "qt_fixture.h"
#include "support/temp_dir.h"

namespace riviza::test {
namespace {

struct OffenerDialog {
  QDialog* dialog = nullptr;
  QTreeView* tree = nullptr;
  QLabel* title = nullptr;
  QLabel* status = nullptr;
  QPushButton* ok = nullptr;
  QPushButton* cancel = nullptr;

  static OffenerDialog finden() {
    OffenerDialog o;
    o.dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!o.dialog) return o;
    o.tree = o.dialog->findChild<QTreeView*>("PathDialogTree");
    o.title = o.dialog->findChild<QLabel*>("PathDialogTitle");
    o.status = o.dialog->findChild<QLabel*>("PathDialogStatus");
    auto* buttons = o.dialog->findChild<QDialogButtonBox*>();
    o.ok = buttons->button(QDialogButtonBox::Ok);
    o.cancel = buttons->button(QDialogButtonBox::Cancel);
    return o;
  }
  std::string auswahl() const {
    auto* model = static_cast<QFileSystemModel*>(tree->model());
    return model->filePath(tree->currentIndex()).toStdString();
  }
  void waehlen(const std::filesystem::path& ordner) const {
    auto* model = static_cast<QFileSystemModel*>(tree->model());
    tree->setCurrentIndex(model->index(QString::fromStdString(ordner.string())));
  }
};

TEST_F(MainFormTest, TheFolderDialogFollowsItsCallbacks) {
  TempDir root;
  root.mkdir("Export/2024");
  root.mkdir("Gesperrt");
  TPathDialog& d = *form->PathDialog1;
  d.setTitle("Ordner für den Export wählen");
  d.setPathName(platform::pathText(root / "Export"));
  d.setOptions({TPathOption::poStatusText, TPathOption::poBrowseForComputer});
  int init = 0;
  d.OnInit = [&](ui::TComponent&) { ++init; };
  d.OnSelChanged = [&](ui::TComponent&) {
    d.setStatusText("gewählt: " + d.PathName());
    d.setEnableOk(d.PathName() != (root / "Gesperrt").string());
  };
  bool geprueft = false;
  QTimer::singleShot(0, [&] {
    const OffenerDialog o = OffenerDialog::finden();
    ASSERT_NE(o.dialog, nullptr);
    geprueft = true;
    EXPECT_EQ(init, 1);
    EXPECT_EQ(o.title->text().toStdString(), "Ordner für den Export wählen");
    EXPECT_EQ(o.auswahl(), (root / "Export").string());
    EXPECT_TRUE(o.status->isVisible());  // poStatusText: the line shows before it has text
    EXPECT_EQ(o.status->text(), "");
    o.waehlen(root / "Gesperrt");
    EXPECT_EQ(o.status->text().toStdString(), "gewählt: " + (root / "Gesperrt").string());
    EXPECT_FALSE(o.ok->isEnabled());
    o.waehlen(root / "Export/2024");
    EXPECT_TRUE(o.ok->isEnabled());
    o.ok->click();
  });
  EXPECT_TRUE(d.Execute());
  EXPECT_TRUE(geprueft);
  EXPECT_EQ(d.PathName(), (root / "Export/2024").string());  // "/" only, never "\\tmp\\..."
  EXPECT_FALSE(d.isOpen());

  // Cancel after the selection moved: PathName is what it was before.
  QTimer::singleShot(0, [&] {
    const OffenerDialog o = OffenerDialog::finden();
    ASSERT_NE(o.dialog, nullptr);
    EXPECT_EQ(o.auswahl(), (root / "Export/2024").string());
    o.waehlen(root / "Export");
    o.cancel->click();
  });
  EXPECT_FALSE(d.Execute());
  EXPECT_EQ(d.PathName(), (root / "Export/2024").string());

  // A folder a drive of the prefix maps comes back in drive form, also when the tree reached it
  // through the drive's link: that text goes into the settings the billing application reads.
  TempDir prefix;
  prefix.mkdir("dosdevices");
  std::filesystem::create_directory_symlink(root.path(), prefix / "dosdevices/d:");
  test::ScopedEnv wine("WINEPREFIX", prefix.str());
  d.OnSelChanged = nullptr;
  for (const std::filesystem::path& ordner : {prefix / "dosdevices/d:/Export", root / "Export"}) {
    SCOPED_TRACE(ordner.string());
    QTimer::singleShot(0, [&] {
      const OffenerDialog o = OffenerDialog::finden();
      ASSERT_NE(o.dialog, nullptr);
      o.waehlen(ordner);
      o.ok->click();
    });
    EXPECT_TRUE(d.Execute());
    EXPECT_EQ(d.PathName(), "D:\\Export");
  }
}

// A paste reaches no keystroke filter of Qt's; the model's filter still drops the letters.
TEST_F(MainFormTest, APasteIntoADigitOnlyEditKeepsTheDigits) {
  form->PageControl1->setActivePage(form->TabSheet8);
  auto* edit = widget<QLineEdit>(window(), "EditReNr2");
  ASSERT_TRUE(waitUntil([&] { return edit->isVisible(); }, "page 6 shown"));
  edit->setFocus();
  QApplication::clipboard()->setText("12a-3");
  edit->paste();
  EXPECT_EQ(form->EditReNr2->text(), "123");
  EXPECT_EQ(edit->text(), "123");
}

}  // namespace
}  // namespace riviza::test
