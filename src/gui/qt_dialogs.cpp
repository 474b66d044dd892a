// Message boxes and the text window on Qt (Qt layer); see qt_dialogs.h. The folder dialog is
// qt_folder_dialog.cpp.
#include "gui/qt_dialogs.h"

#include <QApplication>
#include <QMessageBox>

#include "gui/qt_text_viewer.h"

namespace riviza::gui {
namespace {

using ui::DlgButtons;
using ui::DlgResult;

struct ButtonMap {
  QMessageBox::StandardButton qt;
  DlgResult result;
};

std::vector<ButtonMap> buttonsOf(DlgButtons set) {
  using B = QMessageBox;
  switch (set) {
    case DlgButtons::Ok:
      return {{B::Ok, DlgResult::Ok}};
    case DlgButtons::OkCancel:
      return {{B::Ok, DlgResult::Ok}, {B::Cancel, DlgResult::Cancel}};
    case DlgButtons::YesNo:
      return {{B::Yes, DlgResult::Yes}, {B::No, DlgResult::No}};
    case DlgButtons::YesCancel:
      return {{B::Yes, DlgResult::Yes}, {B::Cancel, DlgResult::Cancel}};
    case DlgButtons::YesNoCancel:
      return {{B::Yes, DlgResult::Yes}, {B::No, DlgResult::No}, {B::Cancel, DlgResult::Cancel}};
    case DlgButtons::RetryCancel:
      return {{B::Retry, DlgResult::Retry}, {B::Cancel, DlgResult::Cancel}};
    case DlgButtons::AbortRetryIgnore:
      return {{B::Abort, DlgResult::Abort}, {B::Retry, DlgResult::Retry}, {B::Ignore, DlgResult::Ignore}};
  }
  return {{B::Ok, DlgResult::Ok}};
}

QMessageBox::Icon iconOf(ui::MsgIcon icon) {
  switch (icon) {
    case ui::MsgIcon::Error:
      return QMessageBox::Critical;
    case ui::MsgIcon::Warning:
      return QMessageBox::Warning;
    case ui::MsgIcon::Information:
      return QMessageBox::Information;
    case ui::MsgIcon::Question:
      return QMessageBox::Question;
    case ui::MsgIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

DlgResult ask(const std::string& text, const QString& caption, QMessageBox::Icon icon, DlgButtons set) {
  QMessageBox box(icon, caption, QString::fromStdString(text), QMessageBox::NoButton,
                  QApplication::activeWindow());
  const auto buttons = buttonsOf(set);
  for (const auto& b : buttons) box.addButton(b.qt);
  box.setDefaultButton(buttons.front().qt);
  const auto pressed = static_cast<QMessageBox::StandardButton>(box.exec());
  for (const auto& b : buttons)
    if (b.qt == pressed) return b.result;
  // Closed without a button: what Escape means for the set.
  return buttons.size() > 1 ? buttons.back().result : buttons.front().result;
}

}  // namespace

DlgResult QtDialogs::messageBox(const std::string& text, const std::string& caption, ui::MsgIcon icon,
                                DlgButtons buttons) {
  return ask(text, QString::fromStdString(caption), iconOf(icon), buttons);
}

DlgResult QtDialogs::messageDlg(const std::string& text, ui::DlgType type, DlgButtons buttons) {
  switch (type) {
    case ui::DlgType::Warning:
      return ask(text, "Warnung", QMessageBox::Warning, buttons);
    case ui::DlgType::Error:
      return ask(text, "Fehler", QMessageBox::Critical, buttons);
    case ui::DlgType::Information:
      return ask(text, "Information", QMessageBox::Information, buttons);
    case ui::DlgType::Confirmation:
      return ask(text, "Bestätigung", QMessageBox::Question, buttons);
    case ui::DlgType::Custom:
      break;
  }
  return ask(text, QApplication::applicationName(), QMessageBox::NoIcon, buttons);
}

void QtDialogs::showMessage(const std::string& text) {
  ask(text, QApplication::applicationName(), QMessageBox::NoIcon, DlgButtons::Ok);
}

void QtDialogs::showText(const std::string& title, const std::string& text) { showTextViewer(title, text); }

}  // namespace riviza::gui
