// The import files of the accounting program BüroWARE and its import run (cost-bearer domain):
// the debtor list IDB_ID0020.DAT, the debtor master file Kosttr.dta and the list Kosttr.tab,
// written while the cost-bearer tables are rebuilt, then bwwin32.exe.
//
// All files are Windows-1252 with CR LF. IDB_ID0020.DAT begins with an empty line, then one
// record of 488 columns per debtor (values padded, never cut):
// | columns | width | content                                  |
// |---------|-------|------------------------------------------|
// | 1-9     | 9     | IK ("10" + code; §105: the IK itself)    |
// | 10-39   | 30    | short name                               |
// | 40-69   | 30    | name 1                                   |
// | 70-99   | 30    | name 2                                   |
// | 100-129 | 30    | street                                   |
// | 130-137 | 8     | postcode                                 |
// | 138-167 | 30    | town                                     |
// | 168-267 | 100   | blanks                                   |
// | 268-272 | 5     | kind                                     |
// | 273-275 | 3     | "302", "300" or "105"                    |
// | 276-284 | 9     | blanks                                   |
// | 285-292 | 8     | debtor number                            |
// | 293-488 | 196   | blanks                                   |
// Kosttr.dta holds one line per debtor: the byte 0xFE, then tag 0xFE value pairs joined by 0xFE
// (28 pairs; 27 with the newer address tags in the §302 pass). The .tab lists end every field
// with a tab.
//
// The debtor number of the settings is normalised once, before anything is written (a
// fraction gives its whole part, a text that is no number or a negative one 10000); one of more
// than 8 digits refuses the run. Both files carry the same number, and each debtor advances it
// by one; the number stored is the first one not handed out, also when it has outgrown the 8
// digits (no further debtor is written then, and the next run is refused). The files follow
// the tables (Begleitdatei): they are staged in the run's operation when the first pass that
// has its table begins, each pass appends its lines, and the operation renames them into place
// when it commits the tables, with the advanced number in the year's settings (a staged copy).
// A run that fails, or finds none of its tables, leaves the files and the number of the run
// before. The import runs only after the commit. The number the settings show afterwards comes
// back in Neuaufbau::debitorenAb. Passwords of the command line never appear in a log line.
//
//   constructed --nummerVorbereiten()--> ready (refused: nothing may be written)
//   ready --oeffnen()--> named; per pass: durchgangBeginnen() (stages the files) --satz()...-->
//     durchgangSchreiben()
//   any --abschliessen()--> closed: number staged, the import and the number shown after the commit
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "costbearer/tabellen_neuaufbau.h"

namespace riviza::costbearer {

// A line of a .tab list: each field followed by a tab, then CR LF (single-byte text).
std::string tabZeile(std::span<const std::string_view> felder);

// BüroWARE is the chosen application and its folder is set: the .tab lists are written.
bool bueroWareGewaehlt(const DebitorenEinstellungen& e);
// BüroWARE's folder + "\Import", created with its parents in the operation (gone again when it
// does not commit); the folder text or the error.
Result<std::string> importOrdnerAnlegen(Vorgang& v, const DebitorenEinstellungen& e);

// BüroWARE's program in its folder, which imports the files.
inline constexpr const char* kBueroWareProgramm = "bwwin32.exe";
// The stand-in of an empty password on the import command line, and the fixed password of
// operator "000" (BüroWARE's installation defaults).
inline constexpr std::string_view kBwOhneKennwort = "---";
inline constexpr std::string_view kBwKennwort000 = "krt30217";

// The BüroWARE import run (bwwin32.exe) on the files a rebuild wrote; an error after its error
// line. Nothing runs unless BüroWARE is chosen with its folder, operator and workflow.
[[nodiscard]] Status bueroWareImportieren(const DebitorenEinstellungen& e, Melder& m);

class DebitorenExport {
 public:
  // Works in the run `n`, with its settings.
  explicit DebitorenExport(Neuaufbau& n);
  DebitorenExport(const DebitorenExport&) = delete;
  DebitorenExport& operator=(const DebitorenExport&) = delete;

  // Normalises the debtor number when debtors are written (the settings show it from here on).
  // False, after a message box, when the number has more than 8 digits: nothing may be written
  // then.
  bool nummerVorbereiten();
  // Names IDB_ID0020.DAT (with its empty line), Kosttr.dta and, for BüroWARE, Kosttr.tab, whose
  // import folder is created here; the files are written by the passes.
  Status oeffnen();

  // The companion of one pass (see DurchgangsRegeln).
  Status durchgangBeginnen(Basis b);
  Status satz(Basis b, const Arbeitszeile& zeile, db::TTable& gebucht);
  Status durchgangSchreiben();

  // Closes the files and stages the advanced number; after the operation's commit the settings
  // show it and the import runs when BüroWARE is set up for it. An error when something failed
  // or no further debtor could be numbered (an error line says what; a failure that must keep
  // the operation from committing sets n.fehler).
  Status abschliessen();

 private:
  Result<bool> schonAls302(const Arbeitszeile& zeile);
  std::string dtaZeile(Basis b, db::TTable& gebucht) const;
  void nummerAnzeigen(long long n);

  Neuaufbau& n_;
  const DebitorenEinstellungen& e_;
  bool tabListe_;                    // Kosttr.tab
  std::optional<long long> nummer_;  // the first of the run; none when the settings' number is blank
  long long naechste_ = 0;           // the first not handed out
  bool erschoepft_ = false;          // the number outgrew 8 digits
  bool nummerGeaendert_ = false;     // the settings' text is not the number stored
  // The files with the lines of the pass that runs.
  struct Datei {
    Begleitdatei datei;
    std::string puffer;
  };
  Datei idb_, dta_, tab_;
};

}  // namespace riviza::costbearer
