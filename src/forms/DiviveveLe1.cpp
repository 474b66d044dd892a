// The service-provider form TFormLe: construction, finding and opening its Le.DB, search, the
// record operations and closing, and its launcher on the settings form (form library,
// master-data editing); see forms/DiviveveLe1.h.
#include "forms/DiviveveLe1.h"

#include <utility>

#include "app/meldungen.h"
#include "forms/Riviza1.h"
#include "forms/globals.h"
#include "forms/stammdaten_form.h"
#include "masterdata/stammdaten_pruefungen.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "ui/edit_family.h"

namespace riviza {

TFormLe* FormLe = nullptr;

namespace {

const SearchRule kLeSuche{{"Nummer", "Suchen", "Name"}, 0};

std::string leDatei(const std::string& ordner) { return ordner + "\\Le.db"; }

}  // namespace

TFormLe::TFormLe() : TForm(nullptr, "FormLe") {
  setCaption("  Leistungserbringer");
  setBounds(0, 0, 900, 640);
  DIVIVEVELE1_COMPONENTS(RIVIZA_CREATE_COMPONENT)
  DIVIVEVELE1_HANDLERS(RIVIZA_BIND_HANDLER)
  OnShow = [this](TComponent& sender) { FormShow(sender); };
  OnActivate = [this](TComponent& sender) { FormActivate(sender); };
  OnClose = [this](TComponent& sender, TCloseAction& action) { FormClose(sender, action); };
  // DBEditIban, DBEditBic and DBEditLeAbreCode share the handlers of DBEdit9: they colour
  // DBEdit9 and Return moves on to DBEdit10.
  const EditChainRow kette[] = {
      {DBEdit1, DBEdit1, DBEdit13},
      {DBEdit13, DBEdit13, DBEdit2},
      {DBEdit2, DBEdit2, DBEdit3},
      {DBEdit3, DBEdit3, DBEdit4},
      {DBEdit4, DBEdit4, DBEdit5},
      {DBEdit5, DBEdit5, DBEdit6},
      {DBEdit6, DBEdit6, DBEdit7},
      {DBEdit7, DBEdit7, DBEdit8},
      {DBEdit8, DBEdit8, DBEdit9},
      {DBEdit9, DBEdit9, DBEdit10},
      {DBEditIban, DBEdit9, DBEdit10},
      {DBEditBic, DBEdit9, DBEdit10},
      {DBEditLeAbreCode, DBEdit9, DBEdit10},
      {DBEdit10, DBEdit10, DBEdit11},
      {DBEdit11, DBEdit11, DBEdit12},
      {DBEdit12, DBEdit12, DBCheckBoxUstAusweisen},
      {DBCheckBoxUstAusweisen, nullptr, DBCheckBoxUstBefreiung},
      {DBCheckBoxUstBefreiung, nullptr, BitBtnLeSpeichern},
  };
  installEditChain(kette);
}

// ---- which Le.db ---------------------------------------------------------------------------------

std::string TFormLe::LeOrdnerFinden() {
  // The folder of the program file is the program folder on Linux (where the program was
  // started); before the start-up has set it, the current folder is that folder.
  const Globals& g = globals();
  return leOrdnerFinden(g.ProgrammPfad.empty() ? platform::currentFolderText() : g.ProgrammPfad);
}

std::string TFormLe::LeOrdner() const { return vorgabeOrdner_.empty() ? LeOrdnerFinden() : vorgabeOrdner_; }

void TFormLe::LeOeffnen(std::string datenOrdner) { vorgabeOrdner_ = std::move(datenOrdner); }

bool TFormLe::tabelleOeffnen() {
  const std::string ordner = LeOrdner();
  if (ordner.empty() || !platform::fileExists(leDatei(ordner))) return false;
  geoeffnetIn_ = ordner;
  (void)succeeded(openTable(*TableLe, ordner, "Le.db"), "Die Tabelle Le.db kann nicht geöffnet werden.");
  return true;
}

// ---- showing, activation, closing ----------------------------------------------------------------

void TFormLe::FormShow(TComponent&) {
  tabelleOeffnen();
  EditSuchenLe->setText("");
  EditSuchenLe->setFocus();
}

void TFormLe::FormActivate(TComponent&) {
  if (isPending(*TableLe) || LeOrdner() == geoeffnetIn_ || !tabelleOeffnen()) return;
  EditSuchenLe->setText("");
  EditSuchenLe->setFocus();
}

void TFormLe::FormClose(TComponent&, TCloseAction& Action) {
  if (!TableLe->active()) return;
  if (!succeeded(TableLe->checkBrowseMode(), "Der Leistungserbringer kann nicht gespeichert werden.")) {
    Action = TCloseAction::caNone;  // the entry stays on screen, to be corrected
    return;
  }
  TableLe->close();
  geoeffnetIn_.clear();
}

void TFormLe::schliessenTaste(std::uint16_t key) {
  if (key == kKeyReturn || key == kKeyEscape) close();
}

void TFormLe::EditSuchenLeKeyDown(TComponent&, std::uint16_t& Key, TShiftState) { schliessenTaste(Key); }

void TFormLe::DBGridLeKeyDown(TComponent&, std::uint16_t& Key, TShiftState) { schliessenTaste(Key); }

// ---- search --------------------------------------------------------------------------------------

void TFormLe::EditSuchenLeChange(TComponent&) {
  (void)succeeded(applySearch(*TableLe, kLeSuche, EditSuchenLe->text()), "Die Suche ist fehlgeschlagen.");
}

void TFormLe::EditSuchenLeEnter(TComponent&) { colourRuleEnter(*EditSuchenLe); }

void TFormLe::EditSuchenLeExit(TComponent&) { colourRuleExit(*EditSuchenLe); }

// ---- record operations ---------------------------------------------------------------------------

void TFormLe::BitBtnLeNeuClick(TComponent&) {
  if (!TableLe->active()) return;
  enableAll({BitBtnLeNeu, BitBtnLeAendern, BitBtnLeLoeschen, DBNavigatorLe}, false);
  enableAll({PanelLe, BitBtnLeSpeichern}, true);
  if (!succeeded(TableLe->first(), "Die Tabelle Le.db kann nicht gelesen werden.") ||
      !succeeded(TableLe->insert(), "Der Leistungserbringer kann nicht angelegt werden."))
    return;
  DBEdit1->setFocus();
}

void TFormLe::BitBtnLeAendernClick(TComponent&) {
  // Nothing to change in an empty table: typing would insert a blank record.
  if (!TableLe->active() || TableLe->isEmpty()) return;
  enableAll({BitBtnLeNeu, BitBtnLeAendern, BitBtnLeLoeschen, DBNavigatorLe}, false);
  enableAll({PanelLe, BitBtnLeSpeichern}, true);
  DBEdit1->setFocus();
}

void TFormLe::BitBtnLeSpeichernClick(TComponent&) {
  db::TTable& t = *TableLe;
  if (!t.active()) return;
  // The two flags are stored as True or False, never left null. A failure keeps the focus in
  // the panel, whose exit would drop the entry.
  const auto flag = [&t](const char* name, const TDBCheckBox* box) {
    db::TField* f = t.findField(name);
    return f ? f->setAsBoolean(box->checked()) : okStatus();
  };
  const char* const fehler = "Der Leistungserbringer kann nicht gespeichert werden.";
  if (!succeeded(editIfAny(t), fehler) || !succeeded(flag("UstAusweisen", DBCheckBoxUstAusweisen), fehler) ||
      !succeeded(flag("UstBefreiung", DBCheckBoxUstBefreiung), fehler) || !succeeded(t.post(), fehler))
    return;
  enableAll({BitBtnLeNeu, BitBtnLeAendern, BitBtnLeLoeschen, DBNavigatorLe}, true);
  DBGridLe->setFocus();
}

void TFormLe::BitBtnLeLoeschenClick(TComponent&) {
  // An empty table has nothing to delete and asks nothing; after a move onto the last record
  // that record can be deleted.
  if (!deleteAfterQuestion(*TableLe, "Wollen Sie den Rechnungsersteller wirklich löschen?")) return;
  (void)succeeded(TableLe->post(), "Der Leistungserbringer kann nicht gespeichert werden.");
}

void TFormLe::PanelLeExit(TComponent&) {
  enableAll({BitBtnLeNeu, BitBtnLeAendern, BitBtnLeLoeschen, DBNavigatorLe}, true);
  enableAll({BitBtnLeSpeichern, PanelLe}, false);
  TableLe->cancel();
}

// ---- the launcher on the settings form -----------------------------------------------------------

void TFormEinstellungen::BitBtnLeClick(TComponent&) {
  const std::string ordner = jahrDatenPfad();
  if (!yearKnown() || !platform::fileExists(leDatei(ordner))) {
    meldung::hinweis("Für das Abrechnungsjahr gibt es keine Tabelle der Leistungserbringer:\n" +
                     leDatei(ordner));
    return;
  }
  if (!FormLe) return;
  FormLe->LeOeffnen(ordner);
  FormLe->show();
  FormLe->EditGeoeffnetVon->setText("");
}

}  // namespace riviza
