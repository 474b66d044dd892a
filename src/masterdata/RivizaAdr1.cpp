// The address picker TFormAdressen: construction, search, editing, and the pick written into
// the acceptance-office tab on closing (form library, master-data editing); see
// app/RivizaAdr1.h.
#include "app/RivizaAdr1.h"

#include <utility>

#include "app/Riviza1.h"
#include "app/meldungen.h"
#include "masterdata/Annahmestellen.h"
#include "masterdata/ik_edits.h"
#include "masterdata/stammdaten.h"
#include "ui/edit_family.h"

namespace riviza {

TFormAdressen* FormAdressen = nullptr;

namespace {

const SearchRule kAdressenSuche{{"Ik", "Name", "Name2", "Ort"}, 0};

}  // namespace

TFormAdressen::TFormAdressen()
    : TForm(nullptr, "FormAdressen"),
      DataSourceAdrAnn(FormEinstellungen ? FormEinstellungen->DataSourceAdrAnn : nullptr) {
  setCaption("  Adressen");
  setBorderIcons(false);
  setBounds(0, 0, 760, 560);
  RIVIZAADR1_COMPONENTS(RIVIZA_CREATE_COMPONENT)
  RIVIZAADR1_HANDLERS(RIVIZA_BIND_HANDLER)
  OnShow = [this](TComponent& sender) { FormShow(sender); };
  OnClose = [this](TComponent& sender, TCloseAction& action) { FormClose(sender, action); };
  // DBEdit7 shares the handlers of DBEdit6: it colours DBEdit6 and Return moves on to DBEdit1.
  const EditChainRow kette[] = {
      {DBEdit6, DBEdit6, DBEdit1},
      {DBEdit7, DBEdit6, DBEdit1},
      {DBEdit1, DBEdit1, DBEdit2},
      {DBEdit2, DBEdit2, DBEdit3},
      {DBEdit3, DBEdit3, DBEdit4},
      {DBEdit4, DBEdit4, DBEdit5},
      {DBEdit5, DBEdit5, BitBtnAdrSpeichern},
      {EditSuchenAdressen, EditSuchenAdressen, nullptr},
  };
  installEditChain(kette);
}

// ---- the watch on the office record ------------------------------------------------------------

void TFormAdressen::AuswahlWache::beginnen(db::TTable& table) {
  loesen();
  table_ = &table;
  table_->addObserver(this);
  neu_ = table.state() == db::TableState::Insert;
  satz_ = table.getBookmark();
  verlassen_ = !table.active();
}

bool TFormAdressen::AuswahlWache::gueltig() const {
  if (!table_ || verlassen_ || !table_->active()) return false;
  if (neu_) return table_->state() == db::TableState::Insert;
  return table_->state() != db::TableState::Insert && table_->getBookmark() == satz_;
}

void TFormAdressen::AuswahlWache::tableStateChanged(db::TTable& table) {
  // Leaving the inserted record (post, cancel) or closing the table ends the watch; moves and
  // a second record are caught by gueltig's bookmark.
  if (table.state() == db::TableState::Inactive || (neu_ && table.state() != db::TableState::Insert))
    verlassen_ = true;
}

void TFormAdressen::AuswahlWache::tableDestroyed(db::TTable&) {
  table_ = nullptr;
  verlassen_ = true;
}

void TFormAdressen::AuswahlWache::loesen() {
  if (table_) table_->removeObserver(this);
  table_ = nullptr;
}

void TFormAdressen::AuswahlBeginnen() {
  if (FormEinstellungen) wache_.beginnen(*FormEinstellungen->TableAnn);
}

// ---- showing, searching, keys ------------------------------------------------------------------

void TFormAdressen::FormShow(TComponent&) {
  // The picker takes over the address table: the tab's address block, with an address it had
  // not stored, goes away, and every address is listed.
  AnnAdresseVerbergen();
  EditSuchenAdressen->setText("");
  (void)succeeded(setFilterText(*DataSourceAdrAnn->dataSet(), ""),
                  "Die Adressen können nicht gelesen werden.");
  EditSuchenAdressen->setFocus();
}

void TFormAdressen::EditSuchenAdressenChange(TComponent&) {
  (void)succeeded(applySearch(*DataSourceAdrAnn->dataSet(), kAdressenSuche, EditSuchenAdressen->text()),
                  "Die Suche ist fehlgeschlagen.");
}

void TFormAdressen::auswahlTaste(std::uint16_t key) {
  if (key == kKeyEscape) {
    FormEinstellungen->EditAuswahl->setText("x");
    close();
  } else if (key == kKeyReturn) {
    close();
  }
}

void TFormAdressen::EditSuchenAdressenKeyDown(TComponent&, std::uint16_t& Key, TShiftState) {
  auswahlTaste(Key);
}

void TFormAdressen::DBGridAdressenKeyDown(TComponent&, std::uint16_t& Key, TShiftState) { auswahlTaste(Key); }

void TFormAdressen::BitBtnAdrBeendenClick(TComponent&) { close(); }

// ---- closing: the pick -------------------------------------------------------------------------

void TFormAdressen::FormClose(TComponent&, TCloseAction&) {
  TFormEinstellungen& f = *FormEinstellungen;
  // An entry the user changed but could not store was on screen instead of a pick: no pick.
  const bool waehlbar = offeneAdresseAbschliessen();
  const std::string code = f.EditAuswahl->text();
  if (code.empty()) {
    f.EditAnnSuchen->setFocus();
    return;
  }
  TDBEdit* ziel = annAuswahlEdit(f, code);
  if (!ziel || !waehlbar) return;  // "x" (Esc): no pick
  if (!wache_.gueltig() || !f.PanelAnn->enabled()) {
    meldung::hinweis(
        "Die Adresse wurde nicht übernommen: die Annahmestelle, für die sie gewählt wurde, "
        "wird nicht mehr bearbeitet.");
    return;
  }
  // With no address current (an empty list, a search without hits) the field keeps its IK.
  db::TTable& adressen = *f.TableAdrAnn;
  if (adressen.active() && !adressen.isEmpty() && ziel->field() &&
      succeeded(editIfAny(*f.TableAnn), "Die Annahmestelle kann nicht bearbeitet werden."))
    (void)succeeded(ziel->field()->setAsString(adressen.fields(0).asString()),
                    "Die IK kann nicht übernommen werden.");
  ziel->setFocus();
}

// ---- editing the addresses ---------------------------------------------------------------------

void TFormAdressen::BitBtnAdressenNeuClick(TComponent&) {
  db::TTable& t = *DataSourceAdrAnn->dataSet();
  if (!t.active()) return;
  enableAll({PanelAdressen, BitBtnAdrSpeichern}, true);
  eintragOffen_ = true;
  if (!succeeded(t.first(), "Die Adressen können nicht gelesen werden.") ||
      !succeeded(t.insert(), "Die Adresse kann nicht angelegt werden."))
    return;
  DBEdit6->setEnabled(true);
  DBEdit6->setFocus();
}

void TFormAdressen::BitBtnAdrAendernClick(TComponent&) {
  db::TTable& t = *DataSourceAdrAnn->dataSet();
  if (!t.active() || t.isEmpty()) return;  // typing would insert a blank record
  enableAll({PanelAdressen, BitBtnAdrSpeichern}, true);
  eintragOffen_ = true;
  DBEdit6->setEnabled(false);  // the Ik of an existing address stays
  DBEdit1->setFocus();
}

bool TFormAdressen::adresseSpeicherbar() {
  db::TTable& t = *DataSourceAdrAnn->dataSet();
  const std::string ik = DBEdit6->text();
  if (!isFullIk(ik)) {
    meldung::hinweis("Die Adresse wurde nicht gespeichert: die IK der Annahmestelle braucht 9 Stellen.");
    return false;
  }
  const std::optional<db::Bookmark> vorhanden = findRecord(t, "Ik", ik);
  if (vorhanden && (t.state() == db::TableState::Insert || t.getBookmark() != vorhanden)) {
    meldung::hinweis("Die Adresse wurde nicht gespeichert: die IK " + ik + " ist schon eingetragen.");
    return false;
  }
  return true;
}

void TFormAdressen::BitBtnAdrSpeichernClick(TComponent&) {
  db::TTable& t = *DataSourceAdrAnn->dataSet();
  if (!t.active() || !adresseSpeicherbar()) return;  // the entry stays, to be corrected
  if (!succeeded(editIfAny(t), "Die Adresse kann nicht bearbeitet werden.") ||
      !succeeded(t.post(), "Die Adresse kann nicht gespeichert werden."))
    return;
  eintragOffen_ = false;
  enableAll({PanelAdressen, BitBtnAdrSpeichern}, false);
  EditSuchenAdressen->setFocus();
}

bool TFormAdressen::offeneAdresseAbschliessen() {
  db::TTable& t = *DataSourceAdrAnn->dataSet();
  if (!std::exchange(eintragOffen_, false) || !isPending(t)) return true;
  // Leaving the panel stores what is typed into its fields, so that modified() tells all.
  if (activeControl() && activeControl()->isWithin(PanelAdressen)) EditSuchenAdressen->setFocus();
  if (!t.modified()) {
    t.cancel();
    return true;
  }
  if (adresseSpeicherbar() && succeeded(t.post(), "Die Adresse kann nicht gespeichert werden.")) return true;
  t.cancel();
  return false;
}

void TFormAdressen::BitBtnAdrLoeschenClick(TComponent&) {
  if (deleteAfterQuestion(*DataSourceAdrAnn->dataSet(), "Wollen Sie die Adresse wirklich löschen?"))
    EditSuchenAdressen->setFocus();
}

void TFormAdressen::PanelAdressenExit(TComponent&) { enableAll({PanelAdressen, BitBtnAdrSpeichern}, false); }

}  // namespace riviza
