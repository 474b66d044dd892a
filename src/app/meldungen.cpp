// The settings form's message boxes by kind (form library, application shell); see meldungen.h.
#include "app/meldungen.h"

#include "ui/dialogs.h"

namespace riviza::meldung {

void hinweis(const std::string& text) {
  ui::dialogs().messageBox(text, "Hinweis !", ui::MsgIcon::Information);
}

void fehler(const std::string& text) { ui::dialogs().messageBox(text, "FEHLER", ui::MsgIcon::Error); }

void fehlerBox(const std::string& text) { ui::dialogs().messageBox(text, "Fehler !", ui::MsgIcon::Error); }

void fehlschlag(const std::string& text) { ui::dialogs().messageBox(text, "Fehler", ui::MsgIcon::Error); }

void warnung(const std::string& text) {
  ui::dialogs().messageDlg(text, ui::DlgType::Warning, ui::DlgButtons::Ok);
}

bool gefragt(const std::string& text) {
  return ui::dialogs().messageDlg(text, ui::DlgType::Confirmation, ui::DlgButtons::YesNo) ==
         ui::DlgResult::Yes;
}

}  // namespace riviza::meldung
