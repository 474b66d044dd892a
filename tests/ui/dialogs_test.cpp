// The dialogs service: scripted answers, defaults and the transcript.
#include "ui/dialogs.h"

#include <gtest/gtest.h>

namespace riviza::ui {
namespace {

TEST(ScriptedDialogs, AnswersFromTheQueueThenTheDefaultButton) {
  ScriptedDialogs script;
  script.answer(DlgResult::No);
  script.answer(DlgResult::Cancel);
  EXPECT_EQ(dialogs().messageDlg("Datensicherung durchgeführt ?", DlgType::Confirmation, DlgButtons::YesNo),
            DlgResult::No);
  EXPECT_EQ(dialogs().messageBox("Serveranmeldung fehlgeschlagen !", "Fehler !", MsgIcon::Error,
                                 DlgButtons::RetryCancel),
            DlgResult::Cancel);
  struct Default {
    DlgButtons buttons;
    DlgResult answer;
  };
  for (auto [buttons, answer] :
       {Default{DlgButtons::Ok, DlgResult::Ok}, Default{DlgButtons::YesCancel, DlgResult::Yes},
        Default{DlgButtons::RetryCancel, DlgResult::Retry}})
    EXPECT_EQ(dialogs().messageDlg("?", DlgType::Warning, buttons), answer);
  dialogs().showMessage("Datei erstellt!");

  const auto& t = script.transcript();
  ASSERT_EQ(t.size(), 6u);
  EXPECT_EQ(t[0].kind, DialogShown::Kind::MessageDlg);
  EXPECT_EQ(t[0].type, DlgType::Confirmation);
  EXPECT_EQ(t[0].answer, DlgResult::No);
  EXPECT_EQ(t[1].caption, "Fehler !");
  EXPECT_EQ(t[1].icon, MsgIcon::Error);
  EXPECT_EQ(t[5].kind, DialogShown::Kind::ShowMessage);
  EXPECT_EQ(script.texts().back(), "Datei erstellt!");
}

TEST(ScriptedDialogs, FolderDialogAnswersAndFiresItsEvents) {
  ScriptedDialogs script;
  script.answerFolder("D:\\Daten\\");
  script.answerFolder(std::nullopt);
  std::vector<std::string> events;
  FolderRequest req{.title = "Ordner wählen",
                    .pathName = "C:\\alt",
                    .onInit = [&] { events.push_back("init"); },
                    .onSelChanged = [&](const std::string& p) { events.push_back("sel " + p); }};
  EXPECT_EQ(dialogs().browseForFolder(req), std::optional<std::string>("D:\\Daten\\"));
  EXPECT_EQ(dialogs().browseForFolder(req), std::nullopt);
  EXPECT_EQ(dialogs().browseForFolder(req), std::nullopt);  // nothing queued: cancelled
  EXPECT_EQ(events, (std::vector<std::string>{"init", "sel D:\\Daten\\", "init", "init"}));
  ASSERT_EQ(script.transcript().size(), 3u);
  EXPECT_EQ(script.transcript()[0].kind, DialogShown::Kind::FolderDialog);
  EXPECT_EQ(script.transcript()[0].caption, "Ordner wählen");
  EXPECT_EQ(script.transcript()[0].text, "C:\\alt");
  EXPECT_EQ(script.transcript()[1].answer, DlgResult::Cancel);
}

TEST(ScriptedDialogs, TextViewerIsRecordedAndNestedScriptsRestore) {
  ScriptedDialogs outer;
  {
    ScriptedDialogs inner;
    dialogs().showText("REORG.LOG", "01.02.2024 10:00:00  Beginn");
    EXPECT_EQ(inner.transcript().at(0).kind, DialogShown::Kind::TextViewer);
    EXPECT_EQ(inner.transcript().at(0).caption, "REORG.LOG");
  }
  dialogs().showMessage("x");
  EXPECT_EQ(outer.texts(), std::vector<std::string>{"x"});
}

TEST(Dialogs, WithoutAServiceEveryDialogTakesItsDefault) {
  EXPECT_EQ(dialogs().messageDlg("?", DlgType::Confirmation, DlgButtons::YesNo), DlgResult::Yes);
  EXPECT_EQ(dialogs().browseForFolder(FolderRequest{}), std::nullopt);
}

}  // namespace
}  // namespace riviza::ui
