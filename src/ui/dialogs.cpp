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

DlgResult ScriptedDialogs::messageBox(const std::string& text, const std::string& caption, MsgIcon icon,
                                      DlgButtons buttons) {
  DialogShown d;
  d.kind = DialogShown::Kind::MessageBox;
  d.text = text;
  d.caption = caption;
  d.icon = icon;
  d.buttons = buttons;
  d.answer = next(buttons);
  transcript_.push_back(d);
  return d.answer;
}

DlgResult ScriptedDialogs::messageDlg(const std::string& text, DlgType type, DlgButtons buttons) {
  DialogShown d;
  d.kind = DialogShown::Kind::MessageDlg;
  d.text = text;
  d.type = type;
  d.buttons = buttons;
  d.answer = next(buttons);
  transcript_.push_back(d);
  return d.answer;
}

void ScriptedDialogs::showMessage(const std::string& text) {
  DialogShown d;
  d.kind = DialogShown::Kind::ShowMessage;
  d.text = text;
  d.answer = DlgResult::Ok;
  transcript_.push_back(d);
}

std::optional<std::string> ScriptedDialogs::browseForFolder(const FolderRequest& request) {
  DialogShown d;
  d.kind = DialogShown::Kind::FolderDialog;
  d.text = request.pathName;
  d.caption = request.title;
  if (!folders_.empty()) {
    d.folder = std::move(folders_.front());
    folders_.pop_front();
  }
  d.answer = d.folder ? DlgResult::Ok : DlgResult::Cancel;
  transcript_.push_back(d);
  // The events of the real dialog, in its order: initialised, then the user's selection.
  if (request.onInit) request.onInit();
  if (d.folder && request.onSelChanged) request.onSelChanged(*d.folder);
  return d.folder;
}

void ScriptedDialogs::showText(const std::string& title, const std::string& text) {
  DialogShown d;
  d.kind = DialogShown::Kind::TextViewer;
  d.text = text;
  d.caption = title;
  d.answer = DlgResult::Ok;
  transcript_.push_back(d);
}

}  // namespace riviza::ui
