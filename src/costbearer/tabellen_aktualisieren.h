// The rebuilds of the year's cost-bearer and fund tables from the cost-bearer files (form
// library, cost-bearer tables).
//
// Each runs on the main thread on FormEinstellungen and the global folders, reports to message
// boxes and the update list, and returns false when any step failed or was refused (a message
// box or an error line says which). Every table is rebuilt in a transaction of its own: one
// whose rebuild failed is as it was before. Only one rebuild runs at a time; a call while
// another runs is refused. The update routines and the hidden rebuild buttons of the update tab
// call them.
#pragma once

namespace riviza {

// Kosttr.db, Kosttr300.db, Kosttr105.db, and the debtor export when the year asks for it.
bool KosttrAktualisieren();
// Kassen.db, Kassen300.db, Kassen105.db, the fund lists and the branch offices in AdrDlz.DB.
bool KassenAktualisieren();
// Kas.db and KasAdrAnn.db.
bool KassenAdrAnnAktualisieren();

}  // namespace riviza
