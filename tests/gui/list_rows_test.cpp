// A list box's rows follow its items whatever the change: appended lines, inserted, removed,
// sorted, cleared and assigned ones; the model reports the first changed line so that the
// window adds the new rows of a growing log list only.
#include <gtest/gtest.h>

#include <QListWidget>

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

}  // namespace
}  // namespace riviza::test
