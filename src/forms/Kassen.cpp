// The funds tab TabSheet11 ("Kassen") of the settings form: the funds of Kas.db with their
// acceptance offices and the address of the office for cost estimates from KasAdrAnn.db (form
// library, master-data editing).
//
// Both tables are rebuilt from the cost-bearer files, so the tab only searches and shows them:
// its grid is read-only, since an edit would be lost with the next rebuild. They are opened on
// each showing of the tab (when the year has both) and closed on leaving it. The address follows
// the current fund: KasAdrAnn.db is filtered to the office IK and fund kind of the fund on every
// move of TableKas, also between two funds whose office IK reads the same; a fund without an
// office for cost estimates shows no address.
#include "forms/Riviza1.h"
#include "forms/globals.h"
#include "forms/stammdaten_form.h"
#include "masterdata/stammdaten_pruefungen.h"
#include "platform/files.h"
#include "ui/edit_family.h"

namespace riviza {
namespace {

const SearchRule kKasSuche{{"KasIk", "KasKurz", "KostIk", "KostKurz"}, 10};

// Positions in Kas.db, as the rebuild writes it.
constexpr int kArt = 1;
constexpr int kAnKostvorIk = 6;

bool beideTabellenDa() {
  const std::string daten = jahrDatenPfad() + "\\";
  return platform::fileExists(daten + "Kas.db") && platform::fileExists(daten + "KasAdrAnn.db");
}

void bueroFiltern(db::TTable& kas, db::TTable& adressen) {
  if (!kas.active() || !adressen.active()) return;
  std::string filter = kasBueroFilter(kas.fields(kAnKostvorIk).asString(), kas.fields(kArt).asString());
  if (adressen.filtered() && adressen.filter() == filter) return;
  (void)succeeded(setFilterText(adressen, std::move(filter)),
                  "Die Anschrift der Annahmestelle kann nicht gelesen werden.");
}

// Follows every move of the funds table; DBEdit44Change alone would miss a move between two
// funds whose office IK reads the same. It holds the two tables, not the form, and lets go of
// both when either goes away (the form's components die one by one).
class FondsFolger : public db::TableObserver {
 public:
  void folgen(db::TTable& kas, db::TTable& adressen) {
    if (kas_ == &kas && adressen_ == &adressen) return;
    loesen();
    kas_ = &kas;
    adressen_ = &adressen;
    kas_->addObserver(this);
    adressen_->addObserver(this);
  }
  ~FondsFolger() override { loesen(); }

 private:
  void tableRecordChanged(db::TTable& t) override { filtern(t); }
  void tableDataChanged(db::TTable& t) override { filtern(t); }
  void tableDestroyed(db::TTable&) override { loesen(); }
  void filtern(db::TTable& t) {
    if (&t == kas_ && adressen_) bueroFiltern(*kas_, *adressen_);
  }
  void loesen() {
    for (db::TTable* t : {kas_, adressen_})
      if (t) t->removeObserver(this);
    kas_ = adressen_ = nullptr;
  }

  db::TTable* kas_ = nullptr;
  db::TTable* adressen_ = nullptr;
};

FondsFolger gFondsFolger;

}  // namespace

void TFormEinstellungen::TabSheet11Show(TComponent&) {
  if (!yearKnown() || !beideTabellenDa()) return;
  gFondsFolger.folgen(*TableKas, *TableKasAdrAnn);
  if (!succeeded(openYearTable(*TableKas, "Kas.db"), "Die Tabelle Kas.db kann nicht geöffnet werden.") ||
      !succeeded(openYearTable(*TableKasAdrAnn, "KasAdrAnn.db"),
                 "Die Tabelle KasAdrAnn.db kann nicht geöffnet werden."))
    return;
  bueroFiltern(*TableKas, *TableKasAdrAnn);
}

void TFormEinstellungen::TabSheet11Exit(TComponent&) {
  if (TableKas->active()) TableKas->close();
  if (TableKasAdrAnn->active()) TableKasAdrAnn->close();
}

void TFormEinstellungen::EditKas302SuchenChange(TComponent&) {
  (void)succeeded(applySearch(*TableKas, kKasSuche, EditKas302Suchen->text()),
                  "Die Suche ist fehlgeschlagen.");
}

void TFormEinstellungen::EditKas302SuchenEnter(TComponent&) { colourRuleEnter(*EditKas302Suchen); }

void TFormEinstellungen::EditKas302SuchenExit(TComponent&) { colourRuleExit(*EditKas302Suchen); }

void TFormEinstellungen::DBEdit44Change(TComponent&) { bueroFiltern(*TableKas, *TableKasAdrAnn); }

}  // namespace riviza
