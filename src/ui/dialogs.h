// The dialogs service: every message box, question, folder choice and text window of the
// program goes through here (user-interface layer).
//
// The program installs a Qt implementation; headless runs and tests install ScriptedDialogs,
// which answers from a queue and keeps a transcript of everything shown, so a test can check the
// exact German text, caption and buttons of each dialog. With no service installed, every
// dialog is logged to stderr and answered with its default button (a folder dialog is
// cancelled), so a headless tool never blocks on a question. Paths cross this interface as path
// text the platform maps; a chosen folder comes back as the user sees and stores it (drive form
// where a drive of the prefix maps it, else the Linux path).
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace riviza::ui {

enum class MsgIcon { None, Error, Warning, Information, Question };
enum class DlgType { Warning, Error, Information, Confirmation, Custom };
// The answer of a dialog, numbered like the Windows IDOK ... IDNO results.
enum class DlgResult { None = 0, Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };
enum class DlgButtons { Ok, OkCancel, YesNo, YesCancel, YesNoCancel, RetryCancel, AbortRetryIgnore };

// The open folder dialog as its owner reaches it while it runs (the shell dialog's messages to
// set the status text, the selection and the OK button's state).
class FolderDialogWindow {
 public:
  virtual ~FolderDialogWindow() = default;
  virtual void setStatusText(const std::string& text) = 0;
  virtual void setSelection(const std::string& pathName) = 0;  // path text
  virtual void enableOk(bool enable) = 0;
};

// The folder dialog's request: what the folder-browse component hands over when it executes.
// The dialog applies the first four values when it opens, then calls onWindow with itself,
// onInit, and onSelChanged after each change of the selection; onWindow(nullptr) when it
// closes. With the OK button disabled the dialog cannot be confirmed.
struct FolderRequest {
  std::string title{};             // shown above the folder tree
  std::string statusText{};        // a status line; empty: none (unless statusLine)
  std::string pathName{};          // the folder selected at open (path text); empty: none
  bool enableOk = true;            // state of the OK button while the dialog is open
  std::function<void()> onInit{};  // the dialog has initialised
  // The selection changed; receives the newly selected folder (path text).
  std::function<void(const std::string& pathName)> onSelChanged{};
  bool statusLine = false;  // show the status line even while its text is empty
  std::function<void(FolderDialogWindow* window)> onWindow{};
};

struct DialogShown {
  enum class Kind { MessageBox, MessageDlg, ShowMessage, FolderDialog, TextViewer };
  Kind kind = Kind::MessageBox;
  std::string text{};     // the message; the start folder of a folder dialog; the viewed text
  std::string caption{};  // message boxes; the title of a folder dialog or a text window
  MsgIcon icon = MsgIcon::None;
  DlgType type = DlgType::Information;
  DlgButtons buttons = DlgButtons::Ok;
  DlgResult answer = DlgResult::None;
  std::optional<std::string> folder{};  // folder dialogs: the chosen folder, none when cancelled
  // Folder dialogs: the status line and the OK button's state when the dialog closed.
  std::string statusText{};
  bool okEnabled = true;
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
  // The folder-browse dialog (modal): the chosen folder as path text, none when cancelled.
  virtual std::optional<std::string> browseForFolder(const FolderRequest& request);
  // A read-only text window (modal) for the log viewers; the text is UTF-8.
  virtual void showText(const std::string& title, const std::string& text);
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
  ScriptedDialogs();            // installs itself
  ~ScriptedDialogs() override;  // restores the previous service
  ScriptedDialogs(const ScriptedDialogs&) = delete;
  ScriptedDialogs& operator=(const ScriptedDialogs&) = delete;

  void answer(DlgResult r) { answers_.push_back(r); }
  // The next folder dialog chooses this folder (path text); none: it is cancelled. Without a
  // queued folder a folder dialog is cancelled, and so is one whose OK button is disabled once
  // the folder is chosen (the user could not confirm it).
  void answerFolder(std::optional<std::string> folder) { folders_.push_back(std::move(folder)); }
  const std::vector<DialogShown>& transcript() const { return transcript_; }
  void clear() { transcript_.clear(); }
  // Texts of everything shown, in order.
  std::vector<std::string> texts() const;

  DlgResult messageBox(const std::string& text, const std::string& caption, MsgIcon icon,
                       DlgButtons buttons) override;
  DlgResult messageDlg(const std::string& text, DlgType type, DlgButtons buttons) override;
  void showMessage(const std::string& text) override;
  std::optional<std::string> browseForFolder(const FolderRequest& request) override;
  void showText(const std::string& title, const std::string& text) override;

 private:
  DlgResult next(DlgButtons buttons);
  // Appends to the transcript; returns the recorded answer.
  DlgResult record(DialogShown shown);
  std::deque<DlgResult> answers_;
  std::deque<std::optional<std::string>> folders_;
  std::vector<DialogShown> transcript_;
  Dialogs* previous_;
};

}  // namespace riviza::ui
