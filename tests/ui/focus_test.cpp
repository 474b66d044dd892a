// Focus moves and the OnEnter/OnExit order across containers and tab pages.
#include <gtest/gtest.h>

#include "test_form.h"

namespace riviza::test {
namespace {

using Log = std::vector<std::string>;

struct FocusMove {
  const char* from;  // nullptr: no control focused yet
  const char* to;
  Log expected;
};

// The case's name in gtest's listing and failures.
void PrintTo(const FocusMove& m, std::ostream* os) { *os << (m.from ? m.from : "(none)") << " -> " << m.to; }

class FocusMoves : public ::testing::TestWithParam<FocusMove> {};

TEST_P(FocusMoves, FireExitsInnermostFirstThenEntersOutermostFirst) {
  TestForm f;
  if (GetParam().from) {
    ASSERT_TRUE(static_cast<TWinControl*>(f.findComponent(GetParam().from))->setFocus());
  }
  f.traceAll();
  auto* target = static_cast<TWinControl*>(f.findComponent(GetParam().to));
  ASSERT_TRUE(target->setFocus());
  EXPECT_EQ(f.log, GetParam().expected);
  EXPECT_EQ(f.activeControl(), target);
}

INSTANTIATE_TEST_SUITE_P(
    Form, FocusMoves,
    ::testing::Values(
        FocusMove{nullptr, "EditIban", {"PanelEdits.Enter", "GroupBoxBank.Enter", "EditIban.Enter"}},
        FocusMove{"EditSuchen", "EditName", {"EditSuchen.Exit", "PanelEdits.Enter", "EditName.Enter"}},
        FocusMove{"EditName", "EditIban", {"EditName.Exit", "GroupBoxBank.Enter", "EditIban.Enter"}},
        FocusMove{"EditIban", "EditBic", {"EditIban.Exit", "EditBic.Enter"}},
        FocusMove{"EditIban",
                  "EditSuchen",
                  {"EditIban.Exit", "GroupBoxBank.Exit", "PanelEdits.Exit", "EditSuchen.Enter"}},
        FocusMove{"EditEins",
                  "EditSuchen",
                  {"EditEins.Exit", "TabSheet1.Exit", "PageControl1.Exit", "EditSuchen.Enter"}},
        FocusMove{"PageControl1", "EditEins", {"TabSheet1.Enter", "EditEins.Enter"}},
        FocusMove{"EditName", "EditName", {}}));

TEST(Focus, RefusedForControlsThatCannotTakeIt) {
  struct Case {
    const char* name;
    std::function<void(TestForm&)> prepare;
  };
  const Case cases[] = {
      {"ButtonVersteckt", [](TestForm&) {}},                               // hidden in design
      {"EditZwei", [](TestForm&) {}},                                      // on a page not shown
      {"EditName", [](TestForm& f) { f.PanelEdits->setEnabled(false); }},  // container disabled
      {"EditIban", [](TestForm& f) { f.GroupBoxBank->setVisible(false); }},
      {"EditSuchen", [](TestForm& f) { f.EditSuchen->setEnabled(false); }},
      {"PanelEdits", [](TestForm&) {}},             // containers pass the focus on, never hold it
      {"EditName", [](TestForm& f) { f.hide(); }},  // nothing on a hidden form
  };
  for (const Case& c : cases) {
    TestForm f;
    ASSERT_TRUE(f.EditBic->setFocus());
    c.prepare(f);
    f.traceAll();
    EXPECT_FALSE(static_cast<TWinControl*>(f.findComponent(c.name))->setFocus()) << c.name;
    EXPECT_TRUE(f.log.empty()) << c.name;
    EXPECT_EQ(f.activeControl(), f.EditBic) << c.name;
  }
}

TEST(Focus, HandlerThatMovesTheFocusCutsTheOuterMoveShort) {
  TestForm f;
  ASSERT_TRUE(f.EditName->setFocus());
  f.traceAll();
  // A validation that keeps the user inside the panel.
  f.EditName->OnExit = [&f](TComponent&) {
    f.log.push_back("EditName.Exit");
    f.EditNummer->setFocus();
  };
  EXPECT_FALSE(f.EditSuchen->setFocus());
  EXPECT_EQ(f.activeControl(), f.EditNummer);
  EXPECT_EQ(f.log, (Log{"EditName.Exit", "EditNummer.Enter"}));
}

TEST(Focus, PageChangeTakesTheFocusOffTheOldPage) {
  TestForm f;
  ASSERT_TRUE(f.EditEins->setFocus());
  f.traceAll();
  f.PageControl1->setActivePageIndex(1);
  EXPECT_EQ(f.log, (Log{"EditEins.Exit", "TabSheet1.Exit", "TabSheet1.Hide", "TabSheet2.Show"}));
  EXPECT_EQ(f.activeControl(), f.PageControl1);
  EXPECT_FALSE(f.EditEins->showing());
  EXPECT_TRUE(f.EditZwei->setFocus());
}

TEST(Focus, UserTabClickFocusesThePageControlAndSkipsHiddenTabs) {
  TestForm f;
  ASSERT_TRUE(f.EditSuchen->setFocus());
  f.traceAll();
  EXPECT_FALSE(f.PageControl1->userSelectPage(2));  // hidden tab
  EXPECT_FALSE(f.PageControl1->userSelectPage(7));
  EXPECT_TRUE(f.log.empty());
  EXPECT_TRUE(f.PageControl1->userSelectPage(1));
  EXPECT_EQ(f.log, (Log{"EditSuchen.Exit", "PageControl1.Enter", "TabSheet1.Hide", "TabSheet2.Show"}));
}

TEST(Focus, HidingTheActiveTabShowsANeighbour) {
  TestForm f;
  f.TabSheet3->setTabVisible(true);
  f.PageControl1->setActivePageIndex(1);
  f.TabSheet2->setTabVisible(false);
  EXPECT_EQ(f.PageControl1->activePageIndex(), 2);  // the next visible page after it
  f.TabSheet3->setTabVisible(false);
  EXPECT_EQ(f.PageControl1->activePageIndex(), 0);  // none after it: the one before
  // Page indices stay as declared, whichever tabs show.
  EXPECT_EQ(f.TabSheet3->pageIndex(), 2);
  f.PageControl1->setActivePageIndex(2);
  EXPECT_EQ(f.PageControl1->activePage(), f.TabSheet3);
}

}  // namespace
}  // namespace riviza::test
