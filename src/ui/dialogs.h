// The dialogs service: every message box and question of the program goes through here
// (user-interface layer).
//
// The program installs a Qt implementation; headless runs and tests install ScriptedDialogs,
// which answers from a queue and keeps a transcript of everything shown, so a test can check the
// exact German text, caption and buttons of each dialog. With no service installed, every
// dialog is logged to stderr and answered with its default button, so a headless tool never
// blocks on a question.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace riviza::ui {

enum class MsgIcon { None, Error, Warning, Information, Question };
enum class DlgType { Warning, Error, Information, Confirmation, Custom };
// The answer of a dialog, numbered like the Windows IDOK ... IDNO results.
enum class DlgResult { None = 0, Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };
enum class DlgButtons { Ok, OkCancel, YesNo, YesCancel, YesNoCancel, RetryCancel, AbortRetryIgnore };

struct DialogShown {
  enum class Kind { MessageBox, MessageDlg, ShowMessage };
  Kind kind = Kind::MessageBox;
  std::string text;
  std::string caption;  // message boxes only
  MsgIcon icon = MsgIcon::None;
  DlgType type = DlgType::Information;
  DlgButtons buttons = DlgButtons::Ok;
  DlgResult answer = DlgResult::None;
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // MessageBox(text, caption, buttons + icon).
  virtual DlgResult messageBox(const std::string& text, const std::string& caption, MsgIcon icon,
                               DlgButtons buttons = DlgButtons::Ok) = 0;
  // MessageDlg(text, type, buttons).
  virtual DlgResult messageDlg(const std::string& text, DlgType type, DlgButtons buttons) = 0;
  // ShowMessage(text): a plain box with OK and the program's title.
  virtual void showMessage(const std::string& text) = 0;
};

// The service in use (never null).
Dialogs& dialogs();
// Installs a service; nullptr restores the default (stderr, default answers).
void setDialogs(Dialogs* service);

// The first button of a set: what Return would press.
DlgResult defaultAnswer(DlgButtons buttons);

// Answers from a queue (the default button when the queue is empty) and records a transcript.
class ScriptedDialogs : public Dialogs {
 public:
  ScriptedDialogs();  // installs itself
  ~ScriptedDialogs() override;  // restores the previous service
  ScriptedDialogs(const ScriptedDialogs&) = delete;
  ScriptedDialogs& operator=(const ScriptedDialogs&) = delete;

  void answer(DlgResult r) { answers_.push_back(r); }
  const std::vector<DialogShown>& transcript() const { return transcript_; }
  void clear() { transcript_.clear(); }
  // Texts of everything shown, in order.
  std::vector<std::string> texts() const;

  DlgResult messageBox(const std::string& text, const std::string& caption, MsgIcon icon,
                       DlgButtons buttons) override;
  DlgResult messageDlg(const std::string& text, DlgType type, DlgButtons buttons) override;
  void showMessage(const std::string& text) override;

 private:
  DlgResult next(DlgButtons buttons);
  std::deque<DlgResult> answers_;
  std::vector<DialogShown> transcript_;
  Dialogs* previous_;
};

}  // namespace riviza::ui
