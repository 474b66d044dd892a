// The folder dialog on a real X server (run under xvfb-run): opened by the form's PathDialog1
// on a folder with a status text, it shows the tree with the status line under it, and a
// picture is kept as build/artifacts/folder-dialog.png.
#include <gtest/gtest.h>

#include <QDialog>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include "platform/paths.h"
#include "screenshot_support.h"
#include "support/temp_dir.h"

namespace riviza::test {
namespace {

TEST_F(MainFormTest, ScreenshotOfTheFolderDialog) {
  ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "run this test under xvfb-run";
  TempDir root;
  for (const char* ordner : {"Daten/Abrechng/2023", "Daten/Abrechng/2024", "Daten/Export", "Sicherung"})
    root.mkdir(ordner);
  TPathDialog& d = *form->PathDialog1;
  d.setTitle("Ordner der Daten wählen");
  d.setPathName(platform::pathText(root / "Daten/Abrechng/2024"));
  d.setStatusText("Abrechnungsjahr 2024");
  bool gesehen = false;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
    auto* tree = dialog->findChild<QTreeView*>("PathDialogTree");
    // The tree fills from the file system in the background.
    // The selected folder comes into view once the tree has filled.
    ASSERT_TRUE(waitUntil(
        [&] {
          return tree->currentIndex().isValid() &&
                 tree->viewport()->rect().contains(tree->visualRect(tree->currentIndex()));
        },
        "folder tree filled with the selection in view"));
    auto* status = dialog->findChild<QLabel*>("PathDialogStatus");
    EXPECT_TRUE(status->isVisible());
    EXPECT_EQ(status->text(), "Abrechnungsjahr 2024");
    EXPECT_GE(status->geometry().top(), tree->geometry().bottom());
    shoot(dialog, "folder-dialog.png");
    gesehen = true;
    dialog->reject();
  });
  EXPECT_FALSE(d.Execute());
  EXPECT_TRUE(gesehen);
  EXPECT_EQ(d.PathName(), platform::pathText(root / "Daten/Abrechng/2024"));
}

}  // namespace
}  // namespace riviza::test
