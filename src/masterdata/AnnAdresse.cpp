// The acceptance-office address of the tab: shown from AdrAnn.DB or filled from the cost-bearer
// files, hidden, and stored (form library, master-data editing); see Annahmestellen.h.
#include <string>
#include <utility>
#include <vector>

#include "app/meldungen.h"
#include "costbearer/work_lines.h"
#include "forms/Riviza1.h"
#include "masterdata/Annahmestellen.h"
#include "masterdata/ik_edits.h"
#include "masterdata/kosttr_auskunft.h"
#include "masterdata/stammdaten.h"
#include "platform/text.h"

namespace riviza {
namespace {

// The address record as the tab showed it (after filling it from the cost-bearer files): what
// differs from it later was typed by the user. And whether the user was told that it stays.
std::vector<std::string> gGezeigt;
bool gBehaltenGemeldet = false;

std::vector<std::string> feldwerte(db::TTable& t) {
  std::vector<std::string> werte;
  for (int i = 0; i < t.fieldCount(); ++i) werte.push_back(t.fields(i).asString());
  return werte;
}

// Where the fields of a cost bearer's address block (kosttr_auskunft.h; their positions in the
// block are work_lines.h's blockColumn) go; each value is trimmed. A block shorter than a field's
// positions gives an empty field.
//
//   positions  length  content            edit (field)
//   31-60      30      first name line    DBEdit15 (Name)
//   133-162    30      second name line   DBEdit16 (Name2)
//   91-120     30      street             DBEdit17 (Strasse)
//   61-65      5       postcode           DBEdit18 (Plz)
//   66-90      25      town               DBEdit19 (Ort)
struct BlockFeld {
  costbearer::MainField feld;
  ui::TDBEdit* TFormEinstellungen::*edit;
};
using F = costbearer::MainField;
constexpr BlockFeld kBlockFelder[] = {
    {F::Name1, &TFormEinstellungen::DBEdit15},   {F::Name2, &TFormEinstellungen::DBEdit16},
    {F::Strasse, &TFormEinstellungen::DBEdit17}, {F::Plz, &TFormEinstellungen::DBEdit18},
    {F::Ort, &TFormEinstellungen::DBEdit19},
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
  costbearer::FixedColumns block;
  if (kind == "300")
    block = kosttrAuskunft().adresse(costbearer::Basis::S300, ik);
  else if (kind == "302" || kind == "105")  // §105 offices are listed in the §302 file
    block = kosttrAuskunft().adresse(costbearer::Basis::S302, ik);
  if (!block.blank()) {
    f.LabelAdrAusKosttr->setVisible(true);
    for (const BlockFeld& b : kBlockFelder) {
      const costbearer::Column c = costbearer::blockColumn(b.feld);
      if (db::TField* field = (f.*b.edit)->field())
        (void)field->setAsString(block.trimmed(c.first, c.last()));
    }
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
  if (!isFullIk(ik) || platform::trimView(f.DBEdit15->text()).empty()) {
    if (cancelRefused && isPending(t)) t.cancel();
    meldung::hinweis(
        "Die Adresse wurde nicht gespeichert: sie braucht eine IK mit 9 Stellen und einen Namen.");
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
