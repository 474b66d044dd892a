// The table rebuilds of a cost-bearer installation (form library, maintenance).
#pragma once

#include "costbearer/tabellen_aktualisieren.h"

namespace riviza {

// The three rebuilds in the operation `n`, each between its beginning and end lines in the
// update list (the fund-office rebuild only when the year has Kas.db and KasAdrAnn.db), without
// a closing line and without the commit: the steps a cost-bearer installation and "&Tabelle
// Kostenträger" share. False when a rebuild failed (n.fehler when nothing may be committed).
bool KosttrTabellenNeuAufbauen(costbearer::Neuaufbau& n);

// The three rebuilds in one operation of their own, committed together, then
// "  Aktualisierung beendet": what "&Tabelle Kostenträger" does. False when a rebuild failed;
// the tables, files and debtor number are then all as they were.
bool KostentraegerTabellenAktualisieren();

}  // namespace riviza
