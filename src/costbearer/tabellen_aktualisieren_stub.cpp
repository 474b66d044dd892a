// Stand-in for the table rebuilds until they are built (form library); see
// tabellen_aktualisieren.h. Each says so in the update list and fails.
#include "costbearer/tabellen_aktualisieren.h"

#include "maintenance/update_liste.h"

namespace riviza {

bool KosttrAktualisieren() {
  UpdateProtokoll("Kostenträgertabellen: nicht verfügbar");
  return false;
}

bool KassenAktualisieren() {
  UpdateProtokoll("Kassentabellen: nicht verfügbar");
  return false;
}

bool KassenAdrAnnAktualisieren() {
  UpdateProtokoll("Kassen-Annahmestellen: nicht verfügbar");
  return false;
}

}  // namespace riviza
