// The dialogs service, its stderr default and the scripted answers of tests (user-interface
// layer); see dialogs.h.
#include "ui/dialogs.h"

#include <cstdio>

namespace riviza::ui {
namespace {

class StderrDialogs : public Dialogs {
 public:
  DlgResult messageBox(const std::string& text, const std::string& caption, MsgIcon,
                       DlgButtons buttons) override {
    std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
    return defaultAnswer(buttons);
  }
  DlgResult messageDlg(const std::string& text, DlgType, DlgButtons buttons) override {
    std::fprintf(stderr, "[Dialog] %s\n", text.c_str());
    return defaultAnswer(buttons);
  }
  void showMessage(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
};

StderrDialogs gStderr;
Dialogs* gCurrent = &gStderr;

}  // namespace

std::optional<std::string> Dialogs::browseForFolder(const FolderRequest& request) {
  std::fprintf(stderr, "[Ordner] %s: %s (abgebrochen)\n", request.title.c_str(), request.pathName.c_str());
  return std::nullopt;
}

void Dialogs::showText(const std::string& title, const std::string& text) {
  std::fprintf(stderr, "[%s]\n%s\n", title.c_str(), text.c_str());
}

Dialogs& dialogs() { return *gCurrent; }
void setDialogs(Dialogs* service) { gCurrent = service ? service : &gStderr; }

DlgResult defaultAnswer(DlgButtons buttons) {
  switch (buttons) {
    case DlgButtons::Ok:
    case DlgButtons::OkCancel:
      return DlgResult::Ok;
    case DlgButtons::YesNo:
    case DlgButtons::YesCancel:
    case DlgButtons::YesNoCancel:
      return DlgResult::Yes;
    case DlgButtons::RetryCancel:
      return DlgResult::Retry;
    case DlgButtons::AbortRetryIgnore:
      return DlgResult::Abort;
  }
  return DlgResult::Ok;
}

ScriptedDialogs::ScriptedDialogs() : previous_(gCurrent) { gCurrent = this; }
ScriptedDialogs::~ScriptedDialogs() { gCurrent = previous_; }

std::vector<std::string> ScriptedDialogs::texts() const {
  std::vector<std::string> out;
  for (const auto& d : transcript_) out.push_back(d.text);
  return out;
}

DlgResult ScriptedDialogs::next(DlgButtons buttons) {
  if (answers_.empty()) return defaultAnswer(buttons);
  DlgResult r = answers_.front();
  answers_.pop_front();
  return r;
}

DlgResult ScriptedDialogs::record(DialogShown shown) {
  transcript_.push_back(std::move(shown));
  return transcript_.back().answer;
}

DlgResult ScriptedDialogs::messageBox(const std::string& text, const std::string& caption, MsgIcon icon,
                                      DlgButtons buttons) {
  return record({.kind = DialogShown::Kind::MessageBox,
                 .text = text,
                 .caption = caption,
                 .icon = icon,
                 .buttons = buttons,
                 .answer = next(buttons)});
}

DlgResult ScriptedDialogs::messageDlg(const std::string& text, DlgType type, DlgButtons buttons) {
  return record({.kind = DialogShown::Kind::MessageDlg,
                 .text = text,
                 .type = type,
                 .buttons = buttons,
                 .answer = next(buttons)});
}

void ScriptedDialogs::showMessage(const std::string& text) {
  record({.kind = DialogShown::Kind::ShowMessage, .text = text, .answer = DlgResult::Ok});
}

namespace {

// The scripted dialog's window: keeps what the owner sends while the dialog is "open".
struct ScriptedFolderWindow : FolderDialogWindow {
  std::string status, selection;
  bool ok = true;
  void setStatusText(const std::string& text) override { status = text; }
  void setSelection(const std::string& pathName) override { selection = pathName; }
  void enableOk(bool enable) override { ok = enable; }
};

}  // namespace

std::optional<std::string> ScriptedDialogs::browseForFolder(const FolderRequest& request) {
  DialogShown d;
  d.kind = DialogShown::Kind::FolderDialog;
  d.text = request.pathName;
  d.caption = request.title;
  std::optional<std::string> choice;
  if (!folders_.empty()) {
    choice = std::move(folders_.front());
    folders_.pop_front();
  }
  const size_t at = transcript_.size();
  record(d);
  ScriptedFolderWindow window;
  window.status = request.statusText;
  window.selection = request.pathName;
  window.ok = request.enableOk;
  // The events of the real dialog, in its order: opened, initialised, the user's selection.
  if (request.onWindow) request.onWindow(&window);
  if (request.onInit) request.onInit();
  if (choice) {
    window.selection = *choice;
    if (request.onSelChanged) request.onSelChanged(*choice);
    if (!window.ok) choice.reset();
  }
  if (request.onWindow) request.onWindow(nullptr);
  DialogShown& shown = transcript_[at];
  shown.folder = choice;
  shown.answer = choice ? DlgResult::Ok : DlgResult::Cancel;
  shown.statusText = window.status;
  shown.okEnabled = window.ok;
  return choice;
}

void ScriptedDialogs::showText(const std::string& title, const std::string& text) {
  record({.kind = DialogShown::Kind::TextViewer, .text = text, .caption = title, .answer = DlgResult::Ok});
}

}  // namespace riviza::ui
