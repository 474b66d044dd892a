// The reorganisation of the year tables (form library, maintenance).
//
// The start-up calls DatenReorganisieren when the year's recorded program version is older than
// the program's; the reorganisation tab's "Star&t" calls it too. It rebuilds every table of the
// current year's Daten from the templates of the program folder's LeerDaten, after two backups
// (a dated folder and Daten_alt), and writes the year's Version when it succeeded. It reports
// through ListBoxReorg, REORG.LOG in the program folder, message boxes and FehlerAufgetreten;
// a failure leaves the year's tables as they were.
#pragma once

#include <optional>

namespace riviza {

void DatenReorganisieren();

// The start-up's reorganisation: DatenReorganisieren, remembered for reorganisationBeimStart().
void DatenReorganisierenBeimStart();
// Whether the last start-up ran the reorganisation, and then whether it ended with
// "Reorganisation beendet" (a caller that wants one after the start takes this one's outcome
// instead of reorganising the year a second time).
std::optional<bool> reorganisationBeimStart();
// Forgets the start-up's reorganisation (a new start-up begins).
void reorganisationBeimStartVergessen();

}  // namespace riviza
