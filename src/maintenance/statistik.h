// The census statistics "Bestandserhebung" of the Datenpflege tab's "Statistik" group (form
// library, maintenance).
//
// Stat01Erstellen reads every voucher of the current year (ErfBeleg.DB) with its first position
// (ErfPosition.DB) and writes one row per insured person, voucher date, kind and sex into the
// work table Stat01.DB, emptied first:
//   kind   "R" (rehabilitation sport: 604503, 604504) or "F" (functional training: 704505,
//          704506) from the first position's HM Nummer, else empty;
//   sex    "W" for a status whose second character is 1, 3, 5 or 7, "M" for 2, 4, 6 or 8 (a
//          status of more than one character after trimming), else MaenWeiblich as stored;
//   age    completed years on the day of the run, 0 for a birth date that is no date.
// A row whose sex stays empty is also listed in ProgrammPfad + "stat01.txt" (rewritten every run,
// "BelegDatum;BelegNummer;HM Nummer;kind", CR LF) and in ListBoxStat01; a row that cannot be
// added is listed as "Fehler: <key> BEL: <number>" and the run goes on. LabelDbSatz shows the
// voucher number, LabelStat01 "new rows / rows without sex". Then BestandserhebungExcel counts
// the rows by age band, kind and sex into the worksheet "Bestandserhebung" of a new workbook
// that is left to the user; the counts are numbers, the date of the run a date.
//
// Both return the failure that ends the run (a table that cannot be opened or read, stat01.txt
// that cannot be written, the export component's failure); the caller shows it and closes the
// cursors (excel_lauf.h). ListBoxStat01 is never cleared: its lines accumulate over runs.
#pragma once

#include "platform/result.h"

namespace riviza {

Status Stat01Erstellen();
Status BestandserhebungExcel();

}  // namespace riviza
