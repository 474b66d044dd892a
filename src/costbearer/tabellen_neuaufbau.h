// The rebuild pattern the three table rebuilds share (cost-bearer domain): the run with its
// folder test, readers and template copies, one pass of a work file into a year table, and the
// view of a work-file line the passes select and fill fields from.
//
// A run works in an operation (Neuaufbau, tabellen_aktualisieren.h) and writes nothing on its
// own: every table a pass rebuilds (TabelleImNeuaufbau) and every companion table joins the
// operation's TableSet through the run's own cursors, emptied and refilled in its one
// transaction, and the companion files (debtor files, fund lists) are staged in its exchange
// (Begleitdatei). When the operation commits they all change together; when any step fails
// (n.fehler) nothing does. So no table is ever newer than its companions, and a message names
// the table or file whose step failed. A second main line of an IK already taken in the pass is
// logged and left out, so no table ever holds a cost bearer twice. The Melder shows "Verarbeitung
// läuft ..." while a run reads and writes, and the IK of each line; after each line messages run.
//
//   NeuaufbauLauf: refused | begun --kostentraegerEinlesen()--> read | failed (n.fehler)
//   durchgang(): missing table -> logged; table joined and emptied, lines, companion lines
//   written, count line; a failure -> logged, n.fehler
#pragma once

#include <functional>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/installation.h"
#include "app/melder.h"
#include "app/vorgang.h"
#include "costbearer/abr_tools.h"
#include "costbearer/column_text.h"
#include "costbearer/kosttr_dateien.h"
#include "costbearer/tabellen_aktualisieren.h"
#include "costbearer/work_lines.h"
#include "db/TTable.h"
#include "platform/files.h"
#include "platform/result.h"

namespace riviza::costbearer {

// ---- one work-file line (single-byte text, see work_lines.h) ----
class Arbeitszeile {
 public:
  explicit Arbeitszeile(std::string_view bytes) : bytes_(bytes) {}

  std::string_view bytes() const { return bytes_; }
  // A column of work_lines.h as it stands / trimmed, in the file's single-byte text.
  std::string_view roh(Column c) const { return columns(bytes_, c.first, c.last()); }
  std::string_view bytesGetrimmt(Column c) const;
  std::string_view bytesGetrimmt(MainField f) const { return bytesGetrimmt(mainColumn(f)); }
  // A column trimmed, as UTF-8.
  std::string text(Column c) const;
  std::string text(MainField f) const { return text(mainColumn(f)); }
  bool leer(Column c) const { return isBlank(roh(c)); }

  // A main line ("01" in columns 11-12) whose IK begins with one of the prefixes.
  bool hauptzeile(std::initializer_list<std::string_view> praefixe) const;
  std::string ik() const { return text(kLineIk); }       // trimmed
  std::string code() const { return text(kIkCode); }     // the IK without its first two digits
  bool ohneVerweis() const { return leer(kVerweisIk); }  // no referenced IK
  std::string verweis() const { return text(kVerweisIk); }

  // The address fields every rebuilt table carries, trimmed, in table order: short name, name 1,
  // name 2, street, postcode, town, kind.
  std::vector<std::string> adresse() const;

 private:
  std::string_view bytes_;
};

// Bundesland, KvBezirk and Abrechnungscode302 of section FIRMA of the year's settings, "" for
// a missing key ("-1").
struct FirmaWerte {
  std::string bundesland, kvBezirk, abrechnungscode302;
};
FirmaWerte firmaWerteLesen(const Installation& i);

// A lookup's answer names an office or cost bearer; one of blanks names none.
bool gefunden(std::string_view antwort);
// The §302 data office of an IK: Datenannahme302Suchen (only with `ersteSuche`), then
// Datenannahme302Suchen2, then Datenannahme302Suchen3, each while the answer names none.
std::string datenannahme302(const std::string& ik, const FirmaWerte& w, bool ersteSuche);

// ---- paths of the year ----
std::string jahrTabellenPfad(const Installation& i, std::string_view tabelle);  // ...\Daten\<tabelle>

// Points the cursor at the year's table (closing it first, without a filter) and opens it.
Status jahrTabelleOeffnen(db::TTable& t, const Installation& i, std::string_view tabelle);

// ---- the run ----
class NeuaufbauLauf {
 public:
  // Without the cost-bearer folder or any file in it shows "Kostenträgerdateien nicht
  // verfügbar" and touches nothing.
  explicit NeuaufbauLauf(Neuaufbau& n);
  ~NeuaufbauLauf();
  NeuaufbauLauf(const NeuaufbauLauf&) = delete;
  NeuaufbauLauf& operator=(const NeuaufbauLauf&) = delete;

  bool begonnen() const { return begonnen_; }

  // Shows that work runs and runs the three readers; their notes go to the update list. An error
  // after a reader failed or when a basis whose tables hold records brought no cost bearer (an
  // error line says which, n.fehler is set): the work files are then incomplete and no table may
  // be emptied.
  [[nodiscard]] Status kostentraegerEinlesen();
  // Copies the templates of missing year tables from LeerDaten; a failed copy shows later as the
  // pass's missing table.
  void vorlagenKopieren(std::initializer_list<std::string_view> tabellen);

 private:
  Neuaufbau& n_;
  bool begonnen_ = false;
};

// ---- a companion file ----
// A file the passes of a run append to, staged in the run's operation: it replaces the file of
// its name when the operation commits; otherwise the file of the run before stays as it was.
//   named --anlegen() (stages it with the opening bytes)--> staged --anhaengen()...--> staged
//   staged --schliessen()--> closed (the operation renames it at its commit)
class Begleitdatei {
 public:
  Begleitdatei() = default;
  Begleitdatei(const Begleitdatei&) = delete;
  Begleitdatei& operator=(const Begleitdatei&) = delete;

  // Names the file (path text) and the bytes it begins with; nothing is written yet.
  void vorsehen(std::string pfad, std::string kopf = {});
  bool vorgesehen() const { return !pfad_.empty(); }
  // The first call stages the file; later calls do nothing.
  Status anlegen(Vorgang& v);
  bool angelegt() const { return angelegt_; }
  Status anhaengen(std::string_view bytes);
  Status schliessen();

 private:
  // An error of this file, naming it.
  Error fehler(const Error& e) const;

  std::string pfad_, kopf_;
  platform::File datei_;
  bool angelegt_ = false;
};

// ---- one table of the rebuild ----
class TabelleImNeuaufbau {
 public:
  // Joins the cursor to the operation's tables, points it at the year's table, opens it,
  // begins the operation's transaction (when none runs) and empties the table. An error names
  // the table.
  static Result<TabelleImNeuaufbau> beginnen(Neuaufbau& n, db::TTable& cursor, std::string_view tabelle);

  db::TTable& tabelle() const { return *komponente_; }
  // Appends a record with the values as text at positions 0, 1, ...; an error names the table.
  Status anfuegen(std::span<const std::string> werte);
  // Refreshed and closed: its records wait for the operation's commit.
  Status schliessen();

 private:
  explicit TabelleImNeuaufbau(db::TTable& cursor) : komponente_(&cursor) {}
  db::TTable* komponente_;
};

// An error of a step on `tabelle`, naming its table file.
Error fehlerIn(const db::TTable& tabelle, const Error& e);

// Sets the fields at positions 0, 1, ... of the current record as text.
Status felderSetzen(db::TTable& tabelle, std::span<const std::string> werte);

// ---- one pass ----
struct Durchgang {
  std::string_view tabelle;       // "Kosttr.db"
  std::string_view arbeitsdatei;  // "Kosttr302.txt"
  std::string_view anzahlText;    // "Kostenträger 302 aktualisiert, Anzahl: "
};

// A pass of a rebuild with the legal basis whose rules it works under.
struct BasisDurchgang {
  Basis basis;
  Durchgang d;
};

// What one pass does with its lines. The pass calls, in order: beginnen() once the table is
// emptied; for each line nimmt(), and for a line taken felder(), then nachSatz() with the
// record just posted; schreiben() after the last line, to write what it kept for its companions;
// nachAnzahl() after its count line. Any failure ends the pass and fails the operation; an error
// of the rules names the table or file it was on.
class DurchgangsRegeln {
 public:
  virtual ~DurchgangsRegeln() = default;
  virtual Status beginnen() { return okStatus(); }
  virtual bool nimmt(const Arbeitszeile& zeile) = 0;
  virtual std::vector<std::string> felder(const Arbeitszeile& zeile) = 0;
  virtual Status nachSatz(const Arbeitszeile&, db::TTable&) { return okStatus(); }
  virtual Status schreiben() { return okStatus(); }
  virtual void nachAnzahl(int) {}

  // The settings of the year, read by the pass before its first line.
  FirmaWerte firma;
};

enum class DurchgangsErgebnis { Ok, TabelleFehlt, Fehler };

// Runs one pass of the work file through the run's rebuild cursor. A missing year table is
// logged ("Datei nicht vorhanden! " and its path); a missing work file leaves the table empty
// without a count line; any other failure is logged as an error line and sets n.fehler.
DurchgangsErgebnis durchgang(Neuaufbau& n, const Durchgang& d, DurchgangsRegeln& regeln);

// The passes of a rebuild in order, each with the rules `regelnFuer`
// makes for it: a failed pass ends the rebuild (Fehler), a missing table does not (TabelleFehlt
// when no pass failed).
template <class Pass, class RegelnFuer>
DurchgangsErgebnis durchgaenge(Neuaufbau& n, std::initializer_list<Pass> passes, RegelnFuer&& regelnFuer) {
  DurchgangsErgebnis gesamt = DurchgangsErgebnis::Ok;
  for (const Pass& pass : passes) {
    auto regeln = regelnFuer(pass);
    const DurchgangsErgebnis e = durchgang(n, pass.d, regeln);
    if (e == DurchgangsErgebnis::Fehler) return e;
    if (e == DurchgangsErgebnis::TabelleFehlt) gesamt = e;
  }
  return gesamt;
}

// The error line of a failed step: "  FEHLER " + was + ": " + the error's text, or without
// `was` the error's text alone (an error that names its table or file).
void fehlerProtokollieren(Melder& m, std::string_view was, const Error& fehler);
void fehlerProtokollieren(Melder& m, const Error& fehler);

// The Status of a rebuild that failed or was refused (kNichtAktualisiert), naming it.
Error nichtAktualisiert(std::string_view was);

}  // namespace riviza::costbearer
