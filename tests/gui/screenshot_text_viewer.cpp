// The log viewer on a real X server (run under xvfb-run): the reviewed REORG.LOG of the
// reorganisation tests in the text window with a search hit, kept as
// build/artifacts/text-viewer.png for CI.
#include <gtest/gtest.h>

#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include "gui/qt_text_viewer.h"
#include "screenshot_support.h"

namespace riviza::test {
namespace {

TEST(TextViewerScreenshot, ShowsTheLogWithASearchHit) {
  qtApp();
  ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "run this test under xvfb-run";
  QFile golden(RIVIZA_SOURCE_DIR "/tests/maintenance/golden/reorg.log");
  ASSERT_TRUE(golden.open(QIODevice::ReadOnly));
  QString log = QString::fromUtf8(golden.readAll());
  log.replace("<DATEN>", "D:").replace("hh:mm:ss", "10:30:00").remove('\r');

  gui::TextViewer viewer("Protokoll Reorganisation - C:\\Riviza\\REORG.LOG", log);
  viewer.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&viewer));
  viewer.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&viewer));
  QTest::keyClick(&viewer, Qt::Key_F, Qt::ControlModifier);
  ASSERT_TRUE(viewer.searchField()->isVisible());
  QTest::keyClicks(viewer.searchField(), "Netto");

  // Text and the selection are drawn: many colours over the text view.
  const QRect text(viewer.textView()->mapTo(&viewer, QPoint(0, 0)), viewer.textView()->size());
  const QImage image =
      shoot(&viewer, "text-viewer.png", [&](const QImage& shot) { return coloursIn(shot, text) > 8; });
  EXPECT_GE(image.width(), 600);
  EXPECT_EQ(viewer.textView()->textCursor().selectedText(), "Netto");
}

}  // namespace
}  // namespace riviza::test
