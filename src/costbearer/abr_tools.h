// abr_tools: the cost-bearer files of a billing year, their work files and the lookups by IK
// (cost-bearer domain).
//
// Three readers turn the §300, §302 and §105 cost-bearer files of a year's Kosttr folder into
// the work files Kosttr300.txt, Kosttr302.txt, Kosttr105.txt and their logs kost300.log,
// kost302.log, kost105.log in the program folder's Temp (fixed columns, Windows-1252, CR LF; the
// layouts are in work_lines.h), and load each work file into its in-memory table. Every other
// question about a cost bearer is one of the lookups below over those tables.
//
// Invariants: a table is replaced whole by each run of its reader; a run that fails (a link
// buffer over its capacity, a file that cannot be read or written) leaves its table and its work
// file empty and says so in its result, so that no partial table ever looks complete. Lookups
// take and give UTF-8, are blank ("") when nothing is found, never read beyond a table's
// entries, and change nothing. Main thread only: the tables are the unit's.
//
// The readers take the folders as arguments: the shell passes its ProgrammPfad, DatenPfad and
// JahrPfad (program folder and data root ending in "\", year path relative to the data root).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/melder.h"
#include "costbearer/column_text.h"
#include "costbearer/kosttr_reader.h"
#include "costbearer/kosttr_tabelle.h"
#include "platform/result.h"

namespace riviza {

// What a reader run reports. `counter` is the run's running counter (the integer result of the
// Windows program; 0 after a failure). `notes` are lines for the update list (VDT segments
// passed over, cost bearers without UNT), UTF-8.
struct [[nodiscard]] KosttrLeseErgebnis {
  int counter = 0;
  Status status;
  std::vector<std::string> notes;
  int kostentraeger = 0;  // valid cost bearers, the main lines of the work file
  bool ok() const { return status.ok(); }
};

// The readers. Each file's frame is checked before its lines are read (interchange.h): a damaged
// file fails the run with costbearer::kDamaged, its name and line. Of each kind the newest file
// is read first and stands (kosttr_reader.h). A run that hits a link buffer's capacity shows,
// through the Melder, the message box "Annahmenstellen MIT/OHNE/PAPIER Tabellengröße
// überschritten!  " with the three counters and fails with costbearer::kTableSizeExceeded; I/O
// failures come back as the platform's errors.
KosttrLeseErgebnis Kosttr300Einlesen(std::string_view programmPfad, std::string_view datenPfad,
                                     std::string_view jahrPfad, Melder& melder);
KosttrLeseErgebnis Kosttr302Einlesen(std::string_view programmPfad, std::string_view datenPfad,
                                     std::string_view jahrPfad, Melder& melder);
KosttrLeseErgebnis Kosttr105Einlesen(std::string_view programmPfad, std::string_view datenPfad,
                                     std::string_view jahrPfad, Melder& melder);

// The run of the reader of `basis` over the files in `ordner` (a folder text ending in "\"),
// with its checks and order, but without writing a file, loading a table or showing a message:
// what a run on those files would give. An update checks its staging folder with it.
KosttrLeseErgebnis KosttrDateienPruefen(costbearer::Basis basis, std::string_view ordner);

// The in-memory tables (unit-level state, filled only by their readers).
const costbearer::KosttrTabelle& Kosttr300Tabelle();
const costbearer::KosttrTabelle& Kosttr302Tabelle();
const costbearer::KosttrTabelle& Kosttr105Tabelle();

// ---- lookups by IK (9 characters) ----
// Address block: main-line columns 50-211 (block positions 1-30 short name, 31-60 name 1, 61-65
// PLZ, 66-90 town, 91-120 street, 121-122 kind, 123-132 paper office, 133-162 name 2); the long
// block adds 163-192 name 3. Kept in the work-file encoding: take fields with text()/trimmed().
using costbearer::FixedColumns;
FixedColumns Kosttr300Adresse(std::string_view ik, std::string_view kassenart);  // kind unused
FixedColumns Kosttr302Adresse(std::string_view ik, std::string_view kassenart);  // kind unused
// Blank kind: the first main line; otherwise the first whose kind equals it.
FixedColumns Kosttr302AdresseLang(std::string_view ik, std::string_view kassenart);
FixedColumns Kosttr105Adresse(std::string_view ik);

std::string Kosttr300Papierannahme(std::string_view ik);  // columns 172-180
std::string Kosttr300Verweis(std::string_view ik);        // columns 20-28
std::string Kosttr302Verweis(std::string_view ik);
// The kind of the first main line whose kind is not "AB".
std::string Kosttr300Kassenart(std::string_view ik);
std::string Kosttr302Kassenart(std::string_view ik);
std::string Kosttr105Kassenart(std::string_view ik);
// The IK itself when a main line of it has institution type "04".
std::string Kosttr300Art04(std::string_view ik);

// Office searches; region, KV district and provider group are Bundesland, KvBezirk and
// Abrechnungscode302 of the year's settings ("" when unset). All answer a partner IK or "".
std::string Datenannahme300Suchen(std::string_view ik, std::string_view code);
std::string PapierannahmeSuchen21(std::string_view ik, std::string_view gruppe, std::string_view region);
std::string PapierannahmeSuchen26(std::string_view ik, std::string_view gruppe, std::string_view region);
std::string PapierannahmeSuchen27(std::string_view ik, std::string_view gruppe, std::string_view region);
std::string Datenannahme302Suchen(std::string_view ik, std::string_view region, std::string_view kvBezirk,
                                  std::string_view gruppe);
std::string Datenannahme302Suchen2(std::string_view ik, std::string_view region, std::string_view kvBezirk,
                                   std::string_view gruppe);
std::string Datenannahme302Suchen3(std::string_view ik, std::string_view region, std::string_view kvBezirk,
                                   std::string_view gruppe);
std::string Entschluesselung302Suchen(std::string_view ik, std::string_view region, std::string_view kvBezirk,
                                      std::string_view gruppe);
std::string Entschluesselung302Suchen99(std::string_view ik, std::string_view region,
                                        std::string_view kvBezirk, std::string_view gruppe);

// The text is a date under the German short date format ("dd.MM.yyyy", also d.M.yy).
bool IstDatum(std::string_view text);

}  // namespace riviza
