// The work-cursor helpers of the billing-year operations and the bulk corrections (form
// library, application shell): opening one of the form's shared cursors (Table1, Table2,
// TableAlt, TableNeu) on a year's table, the exact selection of a voucher's records, the
// whole-record copy by position, the progress labels and the error report of a table failure.
//
// A voucher's records are selected by its number as one quoted value ("BelegNummer = '17'"),
// so "1" never selects "17" and a number with a quote stays one value; an empty number selects
// nothing (the filter's missing value), never the records of the voucher before.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "db/TTable.h"
#include "platform/result.h"

namespace riviza {

// Points the cursor at folder + "\" + name (closing it first), sets the filter (empty: none)
// and opens it.
Status tabelleOeffnen(db::TTable& tabelle, const std::string& ordner, const std::string& name,
                      const std::string& filter = "");

// The filter of one voucher's records.
std::string belegFilter(const std::string& belegNummer);
// Narrows an open cursor to one voucher's records (a secondary index on the number keeps this
// from reading the whole table once per voucher).
Status belegWaehlen(db::TTable& tabelle, const std::string& belegNummer);

// Appends the current record of `quelle` to `ziel` as a whole-record copy: field i into field i,
// for every field of the source.
Status datensatzAnhaengen(db::TTable& quelle, db::TTable& ziel);

// Runs `tun` on every record of the view from the first; the first failure ends the walk.
Status jedenSatz(db::TTable& tabelle, const std::function<Status()>& tun);

// Edits the current record: `setzen` writes its fields, then the record is posted; a failure
// cancels the edit.
Status satzAendern(db::TTable& tabelle, const std::function<Status()>& setzen);

// Deletes every record of the cursor's view.
Status alleLoeschen(db::TTable& tabelle);
// Walks the view from the first record; a record for which `treffer` answers true is deleted
// (after whatever `treffer` did for it), the others are passed over. Linear: the cursor goes on
// from where a deletion leaves it.
Status loeschenWo(db::TTable& tabelle, const std::function<Result<bool>()>& treffer);

// Vouchers with their positions from one Daten folder into another, through the form's work
// cursors: TableAlt and Table1 read the source's vouchers and positions (the positions grouped
// once by number, so the source is read once instead of filtered per voucher), TableNeu and
// Table2 write the target's. All four are members of the operation's TableSet, whose
// transaction writes the target's two tables together: without its commit nothing the copy
// wrote stays.
class BelegKopie {
 public:
  // The source's position record numbers by voucher number, in table order.
  using Index = std::map<std::string, std::vector<int>>;

  // Opens the four cursors in `tabellen` (the source's vouchers through `quellFilter`) and
  // begins its transaction; with `zielNachNummer` the target's tables then get the index a
  // selection by voucher number reads through (in the transaction, so it goes with a rollback).
  static Result<BelegKopie> beginnen(db::TableSet& tabellen, const std::string& quelle, const std::string& ziel,
                                     const std::string& quellFilter, bool zielNachNummer);
  // Appends TableAlt's current voucher to the target, after its positions.
  Status uebernehmen();

 private:
  explicit BelegKopie(Index positionen) : positionen_(std::move(positionen)) {}
  Index positionen_;
};

// Closes Table1, Table2, TableAlt and TableNeu.
void arbeitstabellenSchliessen();

// Whether folder + "\" + name exists (found ignoring case, as the tables are).
bool tabelleVorhanden(const std::string& ordner, const std::string& name);
// A table the current year's Daten lacks is copied from the program folder's LeerDaten; a copy
// that fails shows as the failure of the open that follows.
void jahresVorlageKopieren(const std::string& name);

// The form's progress while an operation runs: LabelWarten shown, LabelDbSatz empty and shown
// (with mitZaehler), both hidden again at the end of the scope.
class Fortschritt {
 public:
  explicit Fortschritt(bool mitZaehler = true);
  ~Fortschritt();
  Fortschritt(const Fortschritt&) = delete;
  Fortschritt& operator=(const Fortschritt&) = delete;
  // One more record: the count into LabelDbSatz, then pending messages run.
  void weiter();
  int anzahl() const { return anzahl_; }

 private:
  int anzahl_ = 0;
  bool mitZaehler_;
};

// A table failure ends the running operation: message box, caption "FEHLER", error icon,
// with what failed and the table's own reason.
void tabellenFehler(const std::string& was, const Error& fehler);

// Ends an operation's table work: the work cursors closed, then its outcome shown, the failure
// through tabellenFehler with `wasBeiFehler`, the success as `erfolg` under "Hinweis !" (none
// when empty). True when it succeeded.
bool arbeitAbschliessen(const Status& ergebnis, const std::string& wasBeiFehler, const std::string& erfolg);

}  // namespace riviza
