// A list box's rows follow its items whatever the change: appended lines, inserted, removed,
// sorted, cleared and assigned ones; the model reports the first changed line so that the
// window adds the new rows of a growing log list only. During long work (a handler adding a line
// and letting messages run per record) the rows come in a few rounds a second, paced by the
// shell's clock, which the test drives, and every line is there when the handler returns.
#include <gtest/gtest.h>

#include <QListWidget>

#include "platform/pump.h"
#include "qt_fixture.h"

namespace riviza::test {
namespace {

std::vector<std::string> zeilen(QListWidget* list) {
  std::vector<std::string> out;
  for (int i = 0; i < list->count(); ++i) out.push_back(list->item(i)->text().toStdString());
  return out;
}

TEST_F(MainFormTest, ListRowsFollowEveryChangeOfTheItems) {
  form->PageControl1->setActivePage(form->TabSheet6);
  ui::TStrings& items = form->ListBoxReorg->items();
  auto* list = widget<QListWidget>(window(), "ListBoxReorg");
  ASSERT_NE(list, nullptr);
  struct Schritt {
    const char* was;
    std::function<void()> tun;
  } schritte[] = {
      {"a growing log",
       [&] {
         for (int i = 0; i < 500; ++i) items.add("Zeile " + std::to_string(i));
       }},
      {"insert in front", [&] { items.insert(0, "erste"); }},
      {"remove in the middle", [&] { items.remove(250); }},
      {"replace all",
       [&] {
         items.assign({"b", "a", "c"});
       }},
      {"sorted", [&] { items.setSorted(true); }},
      {"added at its sorted place", [&] { items.add("ab"); }},
      {"cleared", [&] { items.clear(); }},
      {"again", [&] { items.add("neu"); }},
      {"a batch",
       [&] {
         items.beginUpdate();
         items.add("x");
         items.remove(0);
         items.add("y");
         items.endUpdate();
       }},
  };
  for (const Schritt& s : schritte) {
    SCOPED_TRACE(s.was);
    s.tun();
    EXPECT_EQ(zeilen(list), items.lines());
  }
  // The window took every change: nothing is left to redo; a new line is the only one to do.
  EXPECT_EQ(items.takeFirstChanged(), items.count());
  items.setSorted(false);
  items.add("z");
  EXPECT_EQ(zeilen(list), items.lines());
  EXPECT_EQ(items.takeFirstChanged(), items.count());
}

// Counts the paint events of a widget.
class Anstriche : public QObject {
 public:
  explicit Anstriche(QWidget* w) { w->installEventFilter(this); }
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) ++anzahl;
    return false;
  }
  int anzahl = 0;
};

TEST_F(MainFormTest, ALongRunShowsItsListInAFewRoundsASecondAndEveryLineAtItsEnd) {
  form->PageControl1->setActivePage(form->TabSheet6);
  ui::TStrings& items = form->ListBoxReorg->items();
  auto* list = widget<QListWidget>(window(), "ListBoxReorg");
  ASSERT_NE(list, nullptr);
  ASSERT_TRUE(waitUntil([&] { return list->isVisible(); }, "the list shown"));
  std::int64_t jetzt = 0;
  shell->setPaceClock([&jetzt] { return jetzt; });
  constexpr std::int64_t kTakt = gui::QtShell::kEventIntervalMs;
  struct Fall {
    const char* was;
    int zeilen;
    std::int64_t msProZeile;
    int rundenMin, rundenMax;  // rounds of new rows while the handler runs
  } faelle[] = {
      {"a fast run: all within one step of the pace", 3000, 0, 0, 1},
      {"10 ms a line: five rounds a second", 1000, 10, 1000 * 10 / kTakt - 1, 1000 * 10 / kTakt + 1},
      {"a line a second: each line at once", 12, 1000, 12, 12},
  };
  for (const Fall& f : faelle) {
    SCOPED_TRACE(f.was);
    items.clear();
    jetzt += 10 * kTakt;
    int runden = 0;
    bool jedeRundeVollstaendig = true;
    const auto verbindung = QObject::connect(list->model(), &QAbstractItemModel::rowsInserted, [&] {
      ++runden;
      jedeRundeVollstaendig = jedeRundeVollstaendig && list->count() == items.count();
    });
    Anstriche anstriche(list->viewport());
    int rundenImLauf = 0, anstricheImLauf = 0;
    view->userAction([&] {
      for (int i = 0; i < f.zeilen; ++i) {
        items.add("Beleg: " + std::to_string(i));
        jetzt += f.msProZeile;
        platform::processMessages();
      }
      rundenImLauf = runden;
      anstricheImLauf = anstriche.anzahl;
    });
    QObject::disconnect(verbindung);
    EXPECT_GE(rundenImLauf, f.rundenMin);
    EXPECT_LE(rundenImLauf, f.rundenMax);
    EXPECT_TRUE(jedeRundeVollstaendig);
    EXPECT_LE(anstricheImLauf, rundenImLauf + 1);
    EXPECT_EQ(zeilen(list), items.lines());
    ASSERT_GT(list->count(), 0);
    EXPECT_EQ(list->currentRow(), form->ListBoxReorg->itemIndex());
  }
}

}  // namespace
}  // namespace riviza::test
