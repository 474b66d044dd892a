// The rebuild pattern the three table rebuilds share (form library, cost-bearer subsystem): the
// run with its guard, folder test, readers and template copies, one pass of a work file into a
// year table, and the view of a work-file line the passes select and fill fields from.
//
// A run (NeuaufbauLauf) is an operation (ui/operation.h) for its length: the pump lets messages
// run after every line, and a second rebuild started meanwhile would fill the same form tables
// and reader tables under the first. It shows LabelWarten while it lives.
//
// A pass rebuilds one table inside one transaction (TabelleImNeuaufbau): the table is emptied
// and refilled there and committed only when every line went through, so a failure leaves the
// table as it was. A second main line of an IK already taken in the pass is logged and left out,
// so no table ever holds a cost bearer twice. What a pass writes besides its table follows the
// table: its lines in the companion files (debtor files, fund lists) are appended before the
// table commits and cut off again when the commit fails (Begleitdatei); the companion tables
// (branch offices, office rows) and the debtor number are committed only after the table was.
// Writing the files after the commit was rejected: a full disk would then leave a rebuilt table
// beside files that lack its lines. A companion table that fails after the table committed
// cannot be undone (two files are two transactions); the pass reports it as its failure.
//
//   NeuaufbauLauf: refused | begun --kostentraegerEinlesen()--> read | failed
//   durchgang(): missing table -> logged; begin, lines, rules write, table commit (failed: rules
//   take back), rules commit, count line
#pragma once

#include <functional>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "costbearer/abr_tools.h"
#include "costbearer/column_text.h"
#include "costbearer/kosttr_dateien.h"
#include "db/TTable.h"
#include "platform/files.h"
#include "platform/result.h"
#include "ui/data.h"
#include "ui/operation.h"

namespace riviza::costbearer {

// ---- one work-file line (single-byte text, see work_lines.h) ----
class Arbeitszeile {
 public:
  explicit Arbeitszeile(std::string_view bytes) : bytes_(bytes) {}

  std::string_view bytes() const { return bytes_; }
  // Columns first..last as they stand / trimmed, in the file's single-byte text.
  std::string_view roh(size_t first, size_t last) const { return columns(bytes_, first, last); }
  std::string_view bytesGetrimmt(size_t first, size_t last) const;
  // Columns first..last trimmed, as UTF-8.
  std::string text(size_t first, size_t last) const;
  bool leer(size_t first, size_t last) const { return isBlank(roh(first, last)); }

  // A main line ("01" in columns 11-12) whose IK begins with one of the prefixes.
  bool hauptzeile(std::initializer_list<std::string_view> praefixe) const;
  std::string ik() const { return text(1, 9); }      // trimmed columns 1-9
  std::string code() const { return text(3, 9); }    // the IK without its first two digits
  bool ohneVerweis() const { return leer(20, 28); }  // no referenced IK
  std::string verweis() const { return text(20, 28); }

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
FirmaWerte firmaWerteLesen();

// A lookup's answer names an office or cost bearer; one of blanks names none.
bool gefunden(std::string_view antwort);
// The §302 data office of an IK: Datenannahme302Suchen (only with `ersteSuche`), then
// Datenannahme302Suchen2, then Datenannahme302Suchen3, each while the answer names none.
std::string datenannahme302(const std::string& ik, const FirmaWerte& w, bool ersteSuche);

// ---- paths of the year ----
std::string jahrTabellenPfad(std::string_view tabelle);  // ...\Daten\<tabelle>
std::string arbeitsdateiPfad(std::string_view datei);    // ProgrammPfad + "temp\" + datei

// ---- the run ----
class NeuaufbauLauf {
 public:
  // Without the year's cost-bearer folder or any file in it shows "Kostenträgerdateien nicht
  // verfügbar" and touches nothing.
  NeuaufbauLauf();
  ~NeuaufbauLauf();
  NeuaufbauLauf(const NeuaufbauLauf&) = delete;
  NeuaufbauLauf& operator=(const NeuaufbauLauf&) = delete;

  bool begonnen() const { return begonnen_; }

  // Shows LabelWarten, points the file lists at the year's files and runs the three readers;
  // their notes go to the update list. False after a reader failed or when a basis whose tables
  // hold records brought no cost bearer (an error line says which): no table may be emptied.
  bool kostentraegerEinlesen();
  // Copies the templates of missing year tables from LeerDaten; a failed copy shows later as the
  // pass's missing table.
  void vorlagenKopieren(std::initializer_list<std::string_view> tabellen);

 private:
  const ui::OperationGuard vorgang_;
  bool begonnen_ = false;
};

// ---- a companion file, appended to pass by pass ----
// The file follows the tables of the passes that write it: it is written under a temporary name
// beside it (name + ".tmp") and takes its name when the first pass's table has committed, so a
// run in which no table commits leaves the file of the run before as it was; a pass whose table
// does not commit has its bytes cut off again.
//   named --markieren() (the first creates name.tmp with the opening bytes)--> marked
//   marked --anhaengen()...--> marked --zuruecknehmen()--> marked (cut back to the mark)
//   marked --festschreiben() (the first renames name.tmp to name)--> marked
//   any --schliessen()--> closed (a name.tmp that was never committed is deleted)
class Begleitdatei {
 public:
  Begleitdatei() = default;
  Begleitdatei(const Begleitdatei&) = delete;
  Begleitdatei& operator=(const Begleitdatei&) = delete;
  ~Begleitdatei() { (void)schliessen(); }

  // Names the file (path text) and the bytes it begins with; nothing is written yet.
  void vorsehen(std::string pfad, std::string kopf = {});
  bool vorgesehen() const { return !pfad_.empty(); }
  bool benannt() const { return benannt_; }
  // Sets the mark at the end of the file, where the bytes of the next pass begin.
  Status markieren();
  Status anhaengen(std::string_view bytes) { return datei_.write(bytes); }
  // Cuts the file back to the mark: the bytes appended since, also a part of them written before
  // a failure, are gone.
  Status zuruecknehmen();
  // The pass's table has committed: the file takes its name.
  Status festschreiben();
  Status schliessen();

 private:
  std::string temporaer() const { return pfad_ + ".tmp"; }

  std::string pfad_, kopf_;
  platform::File datei_;
  uint64_t marke_ = 0;
  bool benannt_ = false;  // renamed to its name
};

// ---- one table in one transaction ----
class TabelleImNeuaufbau {
 public:
  // Closes the component, points it at the year's table, opens it, starts the transaction and
  // empties the table.
  static Result<TabelleImNeuaufbau> beginnen(ui::TTable& komponente, std::string_view tabelle);

  TabelleImNeuaufbau(TabelleImNeuaufbau&& other) noexcept;
  TabelleImNeuaufbau& operator=(TabelleImNeuaufbau&&) = delete;
  // Without festschreiben() the old records come back and the component is closed.
  ~TabelleImNeuaufbau();

  ui::TTable& tabelle() const { return *komponente_; }
  // Appends a record with the values as text at positions 0, 1, ...
  Status anfuegen(std::span<const std::string> werte);
  // Commits; with schliessen the component is then refreshed and closed (also when the refresh
  // fails: the records are committed then, fest() tells).
  Status festschreiben(bool schliessen = true);
  bool fest() const { return fest_; }

 private:
  TabelleImNeuaufbau(ui::TTable& komponente, db::TransactionGuard guard)
      : komponente_(&komponente), guard_(std::move(guard)) {}
  ui::TTable* komponente_;
  db::TransactionGuard guard_;
  bool fest_ = false;
};

// Sets the fields at positions 0, 1, ... of the current record as text.
Status felderSetzen(db::TTable& tabelle, std::span<const std::string> werte);

// ---- one pass ----
struct Durchgang {
  std::string_view tabelle;       // "Kosttr.db"
  std::string_view arbeitsdatei;  // "Kosttr302.txt"
  std::string_view anzahlText;    // "Kostenträger 302 aktualisiert, Anzahl: "
};

// The cost-bearer rules a pass works under, and a pass of a rebuild with its rules' paragraph.
enum class Paragraf { P302, P300, P105 };
std::string_view paragrafText(Paragraf p);  // "302", "300", "105"
struct ParagrafDurchgang {
  Paragraf p;
  Durchgang d;
};

// What one pass does with its lines. The pass calls, in order: beginnen() once the table is
// emptied; for each line nimmt(), and for a line taken felder(), then nachSatz() with the
// record just posted; schreiben() before it commits its table, to append what can be taken
// back (the companion files); then zuruecknehmen() when schreiben() or the commit failed, or
// festschreiben() once the table is committed; nachAnzahl() after its count line. A failure
// before the commit ends the pass with its table as it was.
class DurchgangsRegeln {
 public:
  virtual ~DurchgangsRegeln() = default;
  virtual Status beginnen() { return okStatus(); }
  virtual bool nimmt(const Arbeitszeile& zeile) = 0;
  virtual std::vector<std::string> felder(const Arbeitszeile& zeile) = 0;
  virtual Status nachSatz(const Arbeitszeile&, db::TTable&) { return okStatus(); }
  virtual Status schreiben() { return okStatus(); }
  virtual Status zuruecknehmen() { return okStatus(); }
  virtual Status festschreiben() { return okStatus(); }
  virtual void nachAnzahl(int) {}

  // The settings of the year, read by the pass before its first line.
  FirmaWerte firma;
};

enum class DurchgangsErgebnis { Ok, TabelleFehlt, Fehler };

// Runs one pass through the component (the rebuild pattern's step 7). A missing year table is
// logged ("Datei nicht vorhanden! " and its path); a missing work file leaves the table empty
// without a count line; any other failure is logged as an error line.
DurchgangsErgebnis durchgang(ui::TTable& komponente, const Durchgang& d, DurchgangsRegeln& regeln);

// The passes of a rebuild in order through one component, each with the rules `regelnFuer`
// makes for it: a failed pass ends the rebuild (Fehler), a missing table does not (TabelleFehlt
// when no pass failed).
template <class Pass, class RegelnFuer>
DurchgangsErgebnis durchgaenge(ui::TTable& komponente, std::initializer_list<Pass> passes,
                               RegelnFuer&& regelnFuer) {
  DurchgangsErgebnis gesamt = DurchgangsErgebnis::Ok;
  for (const Pass& pass : passes) {
    auto regeln = regelnFuer(pass);
    const DurchgangsErgebnis e = durchgang(komponente, pass.d, regeln);
    if (e == DurchgangsErgebnis::Fehler) return e;
    if (e == DurchgangsErgebnis::TabelleFehlt) gesamt = e;
  }
  return gesamt;
}

// The error line of a failed step: "  FEHLER " + was + ": " + the error's text.
void fehlerProtokollieren(std::string_view was, const Error& fehler);

}  // namespace riviza::costbearer
