// The log viewers' text window under Qt's offscreen platform: read-only and monospaced, Ctrl+F
// opens the search, Return and Shift+Return walk the hits round the text ignoring case, a text
// without hit says so, Escape closes the search and then the window; the dialogs service shows
// it modal with the title and text it is given.
#include <gtest/gtest.h>

#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>

#include "gui/qt_dialogs.h"
#include "gui/qt_text_viewer.h"
#include "qt_fixture.h"

namespace riviza::test {
namespace {

const QString kLog =
    "15.03.2024 10:30:00  Ordner angelegt: D:\\Abrechng\\2024\\Daten_alt\n"
    "15.03.2024 10:30:00  ErfBeleg.DB  Index neu aufgebaut\n"
    "15.03.2024 10:30:00  MwStKz <1> -> Netto - Bel: <4711> ErfPosition.DB\n"
    "15.03.2024 10:30:00  Reorganisation beendet\n";

// The line and column (from 0) where the selection starts, and the selected text.
struct Treffer {
  int zeile, spalte;
  QString text;
  friend bool operator==(const Treffer&, const Treffer&) = default;
  friend std::ostream& operator<<(std::ostream& o, const Treffer& t) {
    return o << t.zeile << ":" << t.spalte << " '" << t.text.toStdString() << "'";
  }
};
Treffer auswahl(const QPlainTextEdit* view) {
  QTextCursor c = view->textCursor();
  const QString text = c.selectedText();
  c.setPosition(c.selectionStart());
  return {c.blockNumber(), c.positionInBlock(), text};
}

TEST(TextViewer, SearchWalksTheHitsAndEscapeClosesSearchThenWindow) {
  qtApp();
  gui::TextViewer viewer("Protokoll Reorganisation - REORG.LOG", kLog);
  viewer.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&viewer));
  QPlainTextEdit* view = viewer.findChild<QPlainTextEdit*>("TextViewerText");
  QLineEdit* suche = viewer.findChild<QLineEdit*>("TextViewerSuche");
  QLabel* status = viewer.findChild<QLabel*>("TextViewerStatus");
  ASSERT_TRUE(view && suche && status);
  EXPECT_TRUE(view->isReadOnly());
  EXPECT_TRUE(QFontInfo(view->font()).fixedPitch());
  EXPECT_EQ(view->toPlainText().toStdString(), kLog.toStdString());
  EXPECT_FALSE(suche->isVisible());
  QTest::keyClicks(view, "x");  // read-only: typing changes nothing
  EXPECT_EQ(view->toPlainText().toStdString(), kLog.toStdString());

  QTest::keyClick(&viewer, Qt::Key_F, Qt::ControlModifier);
  ASSERT_TRUE(suche->isVisible());
  EXPECT_TRUE(suche->hasFocus());
  auto tippen = [&](const char* text) { return [=] { QTest::keyClicks(suche, text); }; };
  auto taste = [&](Qt::Key key, Qt::KeyboardModifiers mit = {}) {
    return [=] { QTest::keyClick(suche, key, mit); };
  };
  struct Schritt {
    const char* was;
    std::function<void()> tun;
    Treffer treffer;
    QString meldung;
  } schritte[] = {
      {"typing finds the first hit, ignoring case", tippen("db"), {1, 30, "DB"}, ""},
      {"Return the next", taste(Qt::Key_Return), {2, 67, "DB"}, ""},
      {"and round to the first", taste(Qt::Key_Return), {1, 30, "DB"}, ""},
      {"Shift+Return back round to the last", taste(Qt::Key_Return, Qt::ShiftModifier), {2, 67, "DB"}, ""},
      {"F3 forward again", taste(Qt::Key_F3), {1, 30, "DB"}, ""},
      {"a longer text keeps its place", tippen("  Index"), {1, 30, "DB  Index"}, ""},
      {"no hit keeps the selection and says so",
       [&] {
         suche->setText("Fehler");
         QTest::keyClick(suche, Qt::Key_Return);
       },
       {1, 30, "DB  Index"},
       "nicht gefunden"},
      {"brackets are plain text",
       [&] {
         suche->clear();
         QTest::keyClicks(suche, "<4711>");
       },
       {2, 48, "<4711>"},
       ""},
  };
  for (const Schritt& s : schritte) {
    SCOPED_TRACE(s.was);
    s.tun();
    EXPECT_EQ(auswahl(view), s.treffer);
    EXPECT_EQ(status->text(), s.meldung);
  }

  QTest::keyClick(suche, Qt::Key_Escape);
  EXPECT_FALSE(suche->isVisible());
  EXPECT_TRUE(viewer.isVisible());
  // Ctrl+F takes a one-line selection as the search text.
  QTest::keyClick(&viewer, Qt::Key_F, Qt::ControlModifier);
  EXPECT_EQ(suche->text(), "<4711>");
  QTest::keyClick(suche, Qt::Key_Escape);
  QTest::keyClick(view, Qt::Key_Escape);
  EXPECT_FALSE(viewer.isVisible());
}

TEST(TextViewer, TheDialogsServiceShowsItModalWithTitleAndText) {
  qtApp();
  gui::QtDialogs dialogs;
  QString titel, text;
  bool modal = false;
  QTimer::singleShot(0, [&] {
    auto* viewer = dynamic_cast<gui::TextViewer*>(QApplication::activeModalWidget());
    ASSERT_NE(viewer, nullptr);
    modal = viewer->isModal();
    titel = viewer->windowTitle();
    text = viewer->textView()->toPlainText();
    viewer->reject();
  });
  dialogs.showText("Protokoll Reorganisation - REORG.LOG", "Zeile äöü\nzweite Zeile");
  EXPECT_TRUE(modal);
  EXPECT_EQ(titel, "Protokoll Reorganisation - REORG.LOG");
  EXPECT_EQ(text, "Zeile äöü\nzweite Zeile");
}

}  // namespace
}  // namespace riviza::test
