// Forms and the application: design values, creation, show, activation, close, the timer, the
// long-operation display and the one operation at a time.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <stdexcept>
#include <utility>

#include "platform/pump.h"
#include "test_form.h"
#include "ui/busy.h"
#include "ui/operation.h"

namespace riviza::test {
namespace {

TEST(Design, ComponentsAreCreatedInListOrderWithTheirDesignValues) {
  TestForm f;
  std::vector<std::string> names;
  for (TComponent* c : f.components()) names.push_back(c->name());
  EXPECT_EQ(names.front(), "EditSuchen");
  EXPECT_EQ(names.back(), "Timer1");
  EXPECT_EQ(f.findComponent("EditNummer"), f.EditNummer);
  EXPECT_EQ(f.PanelEdits->controls().size(), 6u);  // labels, edits, group box, button in order
  EXPECT_EQ(f.PanelEdits->controls()[1], f.EditName);
  EXPECT_EQ(f.LabelName->caption(), "Name");
  EXPECT_EQ(f.EditNummer->maxLength(), 5);
  EXPECT_TRUE(f.EditBic->readOnly());
  EXPECT_FALSE(f.ButtonVersteckt->visible());
  EXPECT_FALSE(f.TabSheet3->tabVisible());
  EXPECT_EQ(f.PageControl1->pageCount(), 3);
  EXPECT_EQ(f.PageControl1->activePage(), f.TabSheet1);
  EXPECT_EQ(f.Timer1->interval(), 1);
  EXPECT_TRUE(f.Timer1->enabled());
  EXPECT_EQ(f.EditName->color(), clWindow);
}

TEST(Design, HandlersAreBoundToTheirEvents) {
  TestForm f;
  EXPECT_TRUE(f.BitBtnSpeichern->userClick());
  EXPECT_EQ(f.log, std::vector<std::string>{"BitBtnSpeichern.Click"});
  EXPECT_EQ(f.activeControl(), f.BitBtnSpeichern);
  f.PanelEdits->setEnabled(false);
  EXPECT_FALSE(f.BitBtnSpeichern->userClick());
  f.BitBtnSpeichern->click();  // code may click a disabled button
  EXPECT_EQ(f.log.size(), 2u);
}

TEST(Timer, FiresOnlyWhileEnabledSoAStartUpHandlerRunsOnce) {
  TestForm f;
  for (int tick = 0; tick < 3; ++tick) f.Timer1->fire();
  EXPECT_EQ(f.log, std::vector<std::string>{"Timer1.Timer"});
}

std::vector<std::string> gAppLog;

struct AppForm : TForm {
  TCloseAction answer = TCloseAction::caHide;
  AppForm() {
    OnCreate = [this](TComponent&) { trace("Create"); };
    OnShow = [this](TComponent&) { trace("Show"); };
    OnActivate = [this](TComponent&) { trace("Activate"); };
    OnClose = [this](TComponent&, TCloseAction& a) {
      trace("Close");
      a = answer;
    };
  }
  void trace(const std::string& e) { gAppLog.push_back(std::to_string(id) + "." + e); }
  int id = static_cast<int>(gAppLog.size());
};

TEST(Application, CreateShowActivateCloseAndTerminate) {
  gAppLog.clear();
  TApplication app;
  int quits = 0;
  app.setLoop([] {}, [&quits] { ++quits; });
  AppForm& main = app.createForm<AppForm>();
  main.id = 1;
  AppForm& second = app.createForm<AppForm>();
  second.id = 2;
  EXPECT_EQ(app.mainForm(), &main);
  main.show();
  second.show();
  main.activate();
  main.activate();  // already active: nothing
  second.close();   // a second form only hides
  EXPECT_FALSE(second.visible());
  EXPECT_FALSE(app.terminated());
  main.answer = TCloseAction::caNone;
  main.close();  // refused by its handler
  EXPECT_TRUE(main.visible());
  main.answer = TCloseAction::caHide;
  main.close();
  EXPECT_TRUE(app.terminated());
  EXPECT_EQ(quits, 1);
  EXPECT_EQ(gAppLog, (std::vector<std::string>{"0.Create", "1.Create", "1.Show", "1.Activate", "2.Show",
                                               "2.Activate", "1.Activate", "2.Close", "1.Close", "1.Close"}));
}

TEST(LongOperation, ShowsLabelCountAndHourglassAndPumpsEachStep) {
  TestForm f;
  f.LabelNummer->setVisible(false);
  std::vector<std::string> seen;
  platform::setMessagePump([&] {
    seen.push_back(std::string(f.LabelNummer->visible() ? "shown " : "hidden ") + f.LabelName->caption() +
                   (f.cursor() == TCursor::crHourGlass ? " busy" : ""));
  });
  try {
    LongOperation op(f, f.LabelNummer, f.LabelName);
    for (long n = 1; n <= 2; ++n) op.step(n);
    throw std::runtime_error("table missing");
  } catch (const std::runtime_error&) {
  }
  platform::setMessagePump({});
  EXPECT_EQ(seen, (std::vector<std::string>{"shown  busy", "shown 1 busy", "shown 2 busy"}));
  EXPECT_FALSE(f.LabelNummer->visible());  // also after an exception
  EXPECT_EQ(f.cursor(), TCursor::crDefault);
}

// A click whose handler lets messages run (a long operation): whatever the user does meanwhile
// is refused and changes nothing, though the same input is taken outside it; a close waits for
// the operation's end, and work another thread posted meanwhile runs after that.
TEST(Operation, InputIsRefusedACloseWaitsAndPostedWorkFollowsTheOperation) {
  struct Fall {
    const char* was;
    std::function<bool(TestForm&)> eingabe;
  } faelle[] = {
      {"the same button again", [](TestForm& f) { return f.BitBtnSpeichern->userClick(); }},
      {"a keystroke", [](TestForm& f) { return f.EditName->userKey(U'x'); }},
      {"typed text", [](TestForm& f) { return f.EditName->userEditText("neu"); }},
      {"pasted text", [](TestForm& f) { return f.EditNummer->userInsertText("12"); }},
      {"another page", [](TestForm& f) { return f.PageControl1->userSelectPage(1); }},
      {"a timer tick",
       [](TestForm& f) {
         f.Timer1->fire();
         return !f.log.empty() && f.log.back() == "Timer1.Timer";
       }},
  };
  for (const Fall& fall : faelle) {
    SCOPED_TRACE(fall.was);
    {
      TestForm frei;
      frei.show();
      EXPECT_TRUE(fall.eingabe(frei));
    }
    TestForm f;
    f.show();
    f.OnClose = [&f](TComponent&, TCloseAction&) { f.log.push_back("Close"); };
    std::optional<bool> angenommen;
    f.BitBtnSpeichern->OnClick = [&](TComponent&) {
      for (int schritt = 0; schritt < 2; ++schritt) platform::processMessages();
      f.log.push_back("Ende der Arbeit");
    };
    bool einmal = false;
    platform::setMessagePump([&] {
      if (std::exchange(einmal, true)) return;
      angenommen = fall.eingabe(f);
      f.close();
      platform::postToMainThread([&f] { f.log.push_back("Gepostet"); });
    });
    EXPECT_TRUE(f.BitBtnSpeichern->userClick());
    platform::setMessagePump({});
    EXPECT_EQ(angenommen, false);
    EXPECT_FALSE(f.visible());
    EXPECT_EQ(f.EditName->text(), "");
    EXPECT_EQ(f.EditNummer->text(), "");
    EXPECT_EQ(f.PageControl1->activePageIndex(), 0);
    EXPECT_EQ(platform::runPostedTasks(), 1u);
    EXPECT_EQ(f.log, (std::vector<std::string>{"Ende der Arbeit", "Close", "Gepostet"}));
  }
}

}  // namespace
}  // namespace riviza::test
