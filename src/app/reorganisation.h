// The reorganisation of the year tables (form library; the routine lives in src/maintenance).
//
// The start-up calls DatenReorganisieren when the year's recorded program version is older than
// the program's; the reorganisation tab's "Star&t" calls it too. It rebuilds every table of the
// current year's Daten from the templates of the program folder's LeerDaten, after two backups
// (a dated folder and Daten_alt), and writes the year's Version when it succeeded. It reports
// through ListBoxReorg, REORG.LOG in the program folder, message boxes and FehlerAufgetreten;
// a failure leaves the year's tables as they were.
#pragma once

namespace riviza {

void DatenReorganisieren();

}  // namespace riviza
