// The address picker TFormAdressen: construction, search, editing, and the pick written into
// the acceptance-office tab on closing (form library, master-data editing); see
// forms/RivizaAdr1.h.
#include "forms/RivizaAdr1.h"

#include <utility>

#include "app/meldungen.h"
#include "forms/Annahmestellen.h"
#include "forms/Riviza1.h"
#include "forms/globals.h"
#include "forms/stammdaten_form.h"
#include "masterdata/stammdaten_pruefungen.h"
#include "platform/files.h"
#include "ui/edit_family.h"

namespace riviza {

TFormAdressen* FormAdressen = nullptr;

namespace {

const SearchRule kAdressenSuche{{"Ik", "Name", "Name2", "Ort"}, 0};

}  // namespace

TFormAdressen::TFormAdressen() : TForm(nullptr, "FormAdressen") {
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
  // Every address is listed, whatever the tab shows of them.
  verworfen_ = false;
  EditSuchenAdressen->setText("");
  // The tab shows the picker only for a year that has the table; shown otherwise it lists none.
  if (yearKnown() && platform::fileExists(jahrDatenPfad() + "\\AdrAnn.db") &&
      succeeded(openTable(*TableAdressen, jahrDatenPfad(), "AdrAnn.db"),
                "Die Tabelle AdrAnn.db kann nicht geöffnet werden."))
    (void)succeeded(setFilterText(*TableAdressen, ""), "Die Adressen können nicht gelesen werden.");
  EditSuchenAdressen->setFocus();
}

void TFormAdressen::EditSuchenAdressenChange(TComponent&) {
  eintragBeenden();  // a filter change would post it unchecked
  if (!TableAdressen->active()) return;
  (void)succeeded(applySearch(*TableAdressen, kAdressenSuche, EditSuchenAdressen->text()),
                  "Die Suche ist fehlgeschlagen.");
}

void TFormAdressen::auswahlTaste(std::uint16_t key) {
  verworfen_ = false;  // a key of the user's own: the address on screen is chosen
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
  PanelAdressenExit(*this);
  // An entry the user changed but could not store was on screen instead of a pick: no pick.
  const bool waehlbar = !verworfenUnbewegt();
  verworfen_ = false;
  const std::string code = f.EditAuswahl->text();
  // With no address current (an empty list, a search without hits) the field keeps its IK.
  db::TTable& adressen = *TableAdressen;
  const bool gefunden = adressen.active() && !adressen.isEmpty();
  const std::string ik = gefunden ? adressen.fields(0).asString() : std::string();
  adressen.close();
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
  if (gefunden && ziel->field() &&
      succeeded(editIfAny(*f.TableAnn), "Die Annahmestelle kann nicht bearbeitet werden."))
    (void)succeeded(ziel->field()->setAsString(ik), "Die IK kann nicht übernommen werden.");
  ziel->setFocus();
}

// ---- editing the addresses ---------------------------------------------------------------------

void TFormAdressen::BitBtnAdressenNeuClick(TComponent&) {
  db::TTable& t = *TableAdressen;
  eintragBeenden();  // the move to the first record would post it unchecked
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
  db::TTable& t = *TableAdressen;
  eintragBeenden();
  if (!t.active() || t.isEmpty()) return;  // typing would insert a blank record
  enableAll({PanelAdressen, BitBtnAdrSpeichern}, true);
  eintragOffen_ = true;
  DBEdit6->setEnabled(false);  // the Ik of an existing address stays
  DBEdit1->setFocus();
}

bool TFormAdressen::adresseSpeicherbar(std::string_view danach) {
  const Status pruefung = adressenIkPruefen(*TableAdressen, DBEdit6->text());
  if (pruefung.ok()) return true;
  meldung::hinweis(pruefung.error().message + std::string(danach));
  return false;
}

void TFormAdressen::BitBtnAdrSpeichernClick(TComponent&) {
  db::TTable& t = *TableAdressen;
  if (!t.active() || !adresseSpeicherbar()) return;  // the entry stays, to be corrected
  if (!succeeded(editIfAny(t), "Die Adresse kann nicht bearbeitet werden.") ||
      !succeeded(t.post(), "Die Adresse kann nicht gespeichert werden."))
    return;
  eintragOffen_ = false;
  enableAll({PanelAdressen, BitBtnAdrSpeichern}, false);
  EditSuchenAdressen->setFocus();
}

void TFormAdressen::eintragBeenden() {
  db::TTable& t = *TableAdressen;
  if (!std::exchange(eintragOffen_, false) || !isPending(t)) return;
  t.updateFromControls();  // a text still being typed counts, so that modified() tells all
  if (t.modified() && !(adresseSpeicherbar(" Die Eingabe wurde verworfen.") &&
                        succeeded(t.post(), "Die Adresse kann nicht gespeichert werden."))) {
    t.cancel();
    verworfen_ = true;
    verworfenAuf_ = t.getBookmark();
  } else if (isPending(t)) {
    t.cancel();
  }
}

bool TFormAdressen::verworfenUnbewegt() const {
  return verworfen_ && TableAdressen->active() && TableAdressen->getBookmark() == verworfenAuf_;
}

void TFormAdressen::BitBtnAdrLoeschenClick(TComponent&) {
  if (deleteAfterQuestion(*TableAdressen, "Wollen Sie die Adresse wirklich löschen?"))
    EditSuchenAdressen->setFocus();
}

void TFormAdressen::PanelAdressenExit(TComponent&) {
  enableAll({PanelAdressen, BitBtnAdrSpeichern}, false);
  eintragBeenden();
}

}  // namespace riviza
