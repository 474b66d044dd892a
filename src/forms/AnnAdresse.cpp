// The acceptance-office address of the tab: shown from AdrAnn.DB or filled from the cost-bearer
// files, hidden, and stored (form library, master-data editing); see Annahmestellen.h.
#include <string>
#include <utility>
#include <vector>

#include "app/meldungen.h"
#include "forms/Annahmestellen.h"
#include "forms/Riviza1.h"
#include "forms/ik_edits.h"
#include "forms/stammdaten_form.h"
#include "masterdata/stammdaten_pruefungen.h"

namespace riviza {
namespace {

// The address record as the tab showed it (after filling it from the cost-bearer files): what
// differs from it later was typed by the user. And whether the user was told that it stays.
std::vector<std::string> gGezeigt;
bool gBehaltenGemeldet = false;

std::vector<std::string> feldwerte(db::TTable& t) {
  std::vector<std::string> werte;
  werte.reserve(static_cast<size_t>(t.fieldCount()));
  for (int i = 0; i < t.fieldCount(); ++i) werte.push_back(t.fields(i).asString());
  return werte;
}

// The edits that show the parts of an office's address from the cost-bearer files.
struct AnschriftFeld {
  std::string AnnAnschrift::*wert;
  ui::TDBEdit* TFormEinstellungen::*edit;
};
constexpr AnschriftFeld kAnschriftFelder[] = {
    {&AnnAnschrift::name, &TFormEinstellungen::DBEdit15},
    {&AnnAnschrift::name2, &TFormEinstellungen::DBEdit16},
    {&AnnAnschrift::strasse, &TFormEinstellungen::DBEdit17},
    {&AnnAnschrift::plz, &TFormEinstellungen::DBEdit18},
    {&AnnAnschrift::ort, &TFormEinstellungen::DBEdit19},
};

// The group box with the address labels comes and goes with the edits.
void blockZeigen(TFormEinstellungen& f, bool visible) {
  f.GroupBoxAnnAdresse->setVisible(visible);
  for (ui::TControl* c :
       std::initializer_list<ui::TControl*>{f.DBEdit15, f.DBEdit16, f.DBEdit17, f.DBEdit18, f.DBEdit19,
                                            f.DBEdit20, f.BitBtnAnnAdressenSpeichern})
    c->setVisible(visible);
}

// A new address record for ik, filled from the cost-bearer files when they know the office.
void neueAdresse(TFormEinstellungen& f, std::string_view ik, std::string_view kind) {
  db::TTable& t = *f.TableAdrAnn;
  if (!succeeded(t.insert(), "Die Adresse kann nicht angelegt werden.")) return;
  if (const std::optional<AnnAnschrift> anschrift = annAnschriftAusKosttr(ik, kind)) {
    f.LabelAdrAusKosttr->setVisible(true);
    for (const AnschriftFeld& a : kAnschriftFelder)
      if (db::TField* field = (f.*a.edit)->field()) (void)field->setAsString((*anschrift).*a.wert);
  }
  if (db::TField* field = f.DBEdit20->field()) (void)field->setAsString(ik);
}

}  // namespace

void AnnAdresseAusKosttr(std::string_view ik, std::string_view kind) {
  TFormEinstellungen& f = *FormEinstellungen;
  db::TTable& t = *f.TableAdrAnn;
  if (!t.active()) return;
  const db::TField* shownIk = f.DBEdit20->field();
  // Coming back to the office whose address is being entered keeps the entry; so does a move to
  // another office while the user's changes wait to be stored.
  if (!(isPending(t) && shownIk && shownIk->asString() == ik) && !annAdresseBehalten()) {
    f.LabelAdrAusKosttr->setVisible(false);
    t.cancel();  // an address left unsaved for another office is not stored in passing
    if (!succeeded(setFilterText(t, "Ik = " + db::quoteFilterValue(ik)),
                   "Die Adresse kann nicht gesucht werden."))
      return;
    if (t.isEmpty()) neueAdresse(f, ik, kind);
    gGezeigt = feldwerte(t);
    gBehaltenGemeldet = false;
  }
  blockZeigen(f, true);
}

bool annAdresseBehalten() {
  db::TTable& t = *FormEinstellungen->TableAdrAnn;
  if (!isPending(t)) return false;
  t.updateFromControls();  // a text still being typed counts
  if (feldwerte(t) == gGezeigt) return false;
  if (!std::exchange(gBehaltenGemeldet, true))
    meldung::hinweis("Die geänderte Adresse der Annahmestelle " + t.fields(0).asString() +
                     " ist noch nicht gespeichert. Sie bleibt angezeigt, bis sie mit „Adr Speich.“ "
                     "oder „Speichern“ gespeichert wird.");
  return true;
}

void AnnAdresseVerbergen() {
  TFormEinstellungen& f = *FormEinstellungen;
  if (isPending(*f.TableAdrAnn)) f.TableAdrAnn->cancel();
  f.LabelAdrAusKosttr->setVisible(false);
  blockZeigen(f, false);
}

bool annAdresseSpeichern(bool cancelRefused) {
  TFormEinstellungen& f = *FormEinstellungen;
  db::TTable& t = *f.TableAdrAnn;
  const std::string ik = f.DBEdit20->text();
  if (const Status pruefung = annAdressePruefen(ik, f.DBEdit15->text()); !pruefung.ok()) {
    if (cancelRefused && isPending(t)) t.cancel();
    meldung::hinweis(pruefung.error().message);
    return false;
  }
  // The address picker, on a cursor of its own, may have stored this office's address since.
  if (t.state() == db::TableState::Insert && findRecord(t, "Ik", ik)) {
    t.cancel();
    meldung::hinweis("Die Adresse wurde nicht gespeichert: für die IK " + ik +
                     " ist inzwischen eine Adresse eingetragen. Sie wird angezeigt.");
    AnnAdresseAusKosttr(ik, "");
    return false;
  }
  return succeeded(editIfAny(t), "Die Adresse kann nicht bearbeitet werden.") &&
         succeeded(t.post(), "Die Adresse kann nicht gespeichert werden.");
}

}  // namespace riviza
