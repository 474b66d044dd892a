// The table rebuilds of a cost-bearer installation (form library, maintenance).
#pragma once

namespace riviza {

// The three rebuilds, each between its beginning and end lines in the update list (the
// fund-office rebuild only when the year has Kas.db and KasAdrAnn.db), without a closing line:
// the steps a cost-bearer installation and "&Tabelle Kostenträger" share. False when a rebuild
// failed.
bool KosttrTabellenNeuAufbauen();

// KosttrTabellenNeuAufbauen, then "  Aktualisierung beendet": what "&Tabelle Kostenträger"
// does. False when a rebuild failed.
bool KostentraegerTabellenAktualisieren();

}  // namespace riviza
