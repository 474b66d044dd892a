// The dialogs service on Qt: message boxes, questions, the folder dialog and the text window
// (Qt layer).
//
// Each dialog is modal over the active window. Message boxes carry the caption and icon they
// are given; MessageDlg boxes take the caption of their type ("Warnung", "Bestätigung", ...)
// and ShowMessage the program's title, as the framework of the Windows program did. Folders
// come and go as the program's path text, mapped through the platform layer.
#pragma once

#include "ui/dialogs.h"

namespace riviza::gui {

class QtDialogs : public ui::Dialogs {
 public:
  ui::DlgResult messageBox(const std::string& text, const std::string& caption, ui::MsgIcon icon,
                           ui::DlgButtons buttons) override;
  ui::DlgResult messageDlg(const std::string& text, ui::DlgType type, ui::DlgButtons buttons) override;
  void showMessage(const std::string& text) override;
  std::optional<std::string> browseForFolder(const ui::FolderRequest& request) override;
  void showText(const std::string& title, const std::string& text) override;
};

}  // namespace riviza::gui
