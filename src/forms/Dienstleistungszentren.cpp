// The service-centre tab TabSheet10 ("DL&Z / GS") of the settings form: its handlers, its
// Return chain and its browse and edit states over AdrDlz.DB (form library, master-data
// editing).
//
// The tab searches, creates, changes and deletes the service centres and branch offices of
// AdrDlz.DB through TableAdrDlz, the table the start-up opens and the fund rebuild extends with
// branch offices. The grid draws the flag DruckDlz as the check mark of Image3, centred.
//
// States of the tab:
//   browse --"&Neu" (append) / "Än&dern" (current record; not on an empty table)--> edit
//   edit   --"S&peichern", or the focus leaving GroupBoxDlz (GroupBoxDlzExit)--> browse
// In the browse state GroupBoxDlz and its save button are disabled, the search edit, the record
// buttons and the navigator enabled; the focus entering the group box disables the latter. An
// entry not saved when the focus leaves the group box is cancelled there, so that no later
// search, move, "&Neu" or rebuild of the branch offices stores a half-typed record.
#include "forms/Riviza1.h"
#include "forms/stammdaten_form.h"
#include "ui/edit_family.h"

namespace riviza {
namespace {

const SearchRule kDlzSuche{{"Name", "Ort", "DlzId"}, 10};

// The Return chain of the group box, bound when the tab first shows (its controls are not
// reachable from here before).
void felderEinrichten(TFormEinstellungen& f) {
  if (f.DBEdit28->OnKeyDown) return;
  const ui::EditChainRow kette[] = {
      {f.DBEdit28, f.DBEdit28, f.DBEdit29}, {f.DBEdit29, f.DBEdit29, f.DBEdit30},
      {f.DBEdit30, f.DBEdit30, f.DBEdit31}, {f.DBEdit31, f.DBEdit31, f.DBEdit32},
      {f.DBEdit32, f.DBEdit32, f.DBEdit33}, {f.DBEdit33, f.DBEdit33, f.DBEdit34},
      {f.DBEdit34, f.DBEdit34, f.DBEdit35}, {f.DBEdit35, f.DBEdit35, f.BitBtnSpeichernAdrDlz},
  };
  ui::installEditChain(kette);
}

// The start-up opens the table without the case-insensitive option the searches need; a table
// left closed (no year at the start) opens here as the other tabs open theirs.
void dlzOeffnen(TFormEinstellungen& f) {
  db::TTable& t = *f.TableAdrDlz;
  if (t.active()) {
    (void)succeeded(t.setFilterOptions({.caseInsensitive = true}),
                    "Die Tabelle AdrDlz.DB kann nicht gelesen werden.");
  } else if (yearKnown()) {
    (void)succeeded(openYearTable(t, "AdrDlz.DB"), "Die Tabelle AdrDlz.DB kann nicht geöffnet werden.");
  }
}

void editierbar(TFormEinstellungen& f) { enableAll({f.GroupBoxDlz, f.BitBtnSpeichernAdrDlz}, true); }

}  // namespace

void TFormEinstellungen::TabSheet10Show(TComponent&) {
  felderEinrichten(*this);
  dlzOeffnen(*this);
  EditSuchenAdrDlz->setFocus();
}

void TFormEinstellungen::EditSuchenAdrDlzChange(TComponent&) {
  (void)succeeded(applySearch(*TableAdrDlz, kDlzSuche, EditSuchenAdrDlz->text()),
                  "Die Suche ist fehlgeschlagen.");
}

void TFormEinstellungen::EditSuchenAdrDlzEnter(TComponent&) { colourRuleEnter(*EditSuchenAdrDlz); }

void TFormEinstellungen::EditSuchenAdrDlzExit(TComponent&) { colourRuleExit(*EditSuchenAdrDlz); }

void TFormEinstellungen::BitBtnNeuAdrDlzClick(TComponent&) {
  db::TTable& t = *TableAdrDlz;
  if (!t.active()) return;
  editierbar(*this);
  if (!succeeded(t.last(), "Die Tabelle AdrDlz.DB kann nicht gelesen werden.") ||
      !succeeded(t.append(), "Das DLZ kann nicht angelegt werden."))
    return;
  DBEdit28->setFocus();
}

void TFormEinstellungen::BitBtnAendernAdrDlzClick(TComponent&) {
  // Nothing to change in an empty table: typing would insert a blank record.
  if (!TableAdrDlz->active() || TableAdrDlz->isEmpty()) return;
  editierbar(*this);
  DBEdit29->setFocus();
}

void TFormEinstellungen::BitBtnSpeichernAdrDlzClick(TComponent&) {
  db::TTable& t = *TableAdrDlz;
  if (!t.active()) return;
  // A failed post keeps the focus in the group box, whose exit would drop the entry.
  if (!succeeded(editIfAny(t), "Das DLZ kann nicht bearbeitet werden.") ||
      !succeeded(t.post(), "Das DLZ kann nicht gespeichert werden."))
    return;
  enableAll({GroupBoxDlz, BitBtnSpeichernAdrDlz}, false);
  DBGridAdrDlz->setFocus();
}

void TFormEinstellungen::BitBtnLoeschenAdrDlzClick(TComponent&) {
  if (deleteAfterQuestion(*TableAdrDlz, "Wollen Sie das DLZ wirklich löschen?")) EditSuchenAdrDlz->setFocus();
}

void TFormEinstellungen::GroupBoxDlzEnter(TComponent&) {
  enableAll({EditSuchenAdrDlz, BitBtnNeuAdrDlz, BitBtnAendernAdrDlz, BitBtnLoeschenAdrDlz, DBNavigator1},
            false);
}

void TFormEinstellungen::GroupBoxDlzExit(TComponent&) {
  enableAll({EditSuchenAdrDlz, BitBtnNeuAdrDlz, BitBtnAendernAdrDlz, BitBtnLoeschenAdrDlz, DBNavigator1},
            true);
  TableAdrDlz->cancel();
  enableAll({GroupBoxDlz, BitBtnSpeichernAdrDlz}, false);
}

void TFormEinstellungen::DBGridAdrDlzEnter(TComponent&) {
  if (!TableAdrDlz->active()) dlzOeffnen(*this);
}

void TFormEinstellungen::DBGridAdrDlzDrawColumnCell(TComponent&, TGridCell& Cell) {
  if (Cell.fieldName != "DruckDlz") return;
  // The flag shows as a picture only; an unset or empty flag leaves the cell empty.
  Cell.picture = Cell.text == "True" ? Image3->picture() : std::string();
  Cell.text.clear();
}

}  // namespace riviza
