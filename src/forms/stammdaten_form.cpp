// The form's side of the shared master-data steps (form library, master-data editing); see
// stammdaten_form.h.
#include "forms/stammdaten_form.h"

#include "app/meldungen.h"
#include "forms/Riviza1_tabellen.h"
#include "forms/globals.h"
#include "platform/text.h"
#include "ui/dialogs.h"

namespace riviza {

void enableAll(std::initializer_list<ui::TControl*> controls, bool enabled) {
  for (ui::TControl* c : controls) c->setEnabled(enabled);
}

bool deleteAfterQuestion(db::TTable& table, const std::string& question) {
  if (!table.active() || table.isEmpty()) return false;
  if (ui::dialogs().messageDlg(question, ui::DlgType::Warning, ui::DlgButtons::YesNo) != ui::DlgResult::Yes)
    return false;
  if (!succeeded(table.deleteRecord(), "Der Datensatz konnte nicht gelöscht werden.")) return false;
  (void)succeeded(editIfAny(table), "Der Datensatz kann nicht bearbeitet werden.");
  return true;
}

bool yearKnown() { return !platform::trim(globals().DatenPfad).empty(); }

Status openYearTable(db::TTable& table, const std::string& fileName) {
  jahresVorlageKopieren(fileName);
  return openTable(table, jahrDatenPfad(), fileName);
}

bool succeeded(const Status& status, std::string_view what) {
  if (status.ok()) return true;
  meldung::fehlerBox(std::string(what) + "\n" + status.error().message);
  return false;
}

}  // namespace riviza
