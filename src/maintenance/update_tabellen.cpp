// The update tab's hidden rebuild buttons (form library, maintenance): the table rebuilds
// without a download, with the update list's beginning and end lines; see update_tabellen.h.
#include "maintenance/update_tabellen.h"

#include "app/Riviza1.h"
#include "app/globals.h"
#include "costbearer/tabellen_aktualisieren.h"
#include "maintenance/update_liste.h"
#include "platform/files.h"
#include "platform/pump.h"

namespace riviza {

bool KosttrTabellenNeuAufbauen() {
  bool ok = true;
  UpdateProtokoll("  Beginn -> Kostenträgerdatei wird aktualisiert ...");
  ok = KosttrAktualisieren() && ok;
  UpdateProtokoll("  Ende   -> Kostenträgerdatei aktualisiert");
  platform::processMessages();
  UpdateProtokoll("  Beginn -> Kassendatei wird aktualisiert ...");
  ok = KassenAktualisieren() && ok;
  UpdateProtokoll("  Ende   -> Kassendatei aktualisiert");
  const std::string daten = jahrDatenPfad() + "\\";
  if (platform::fileExists(daten + "Kas.db") && platform::fileExists(daten + "KasAdrAnn.db")) {
    platform::processMessages();
    UpdateProtokoll("  Beginn -> Kassendatei302 wird aktualisiert ...");
    ok = KassenAdrAnnAktualisieren() && ok;
    UpdateProtokoll("  Ende   -> Kassendatei302 aktualisiert");
  }
  return ok;
}

bool KostentraegerTabellenAktualisieren() {
  const bool ok = KosttrTabellenNeuAufbauen();
  platform::processMessages();
  UpdateProtokoll("  Aktualisierung beendet");
  return ok;
}

void TFormEinstellungen::BitBtnTabelleKostentraegerClick(TComponent&) { KostentraegerTabellenAktualisieren(); }

void TFormEinstellungen::BitBtnKassenClick(TComponent&) {
  UpdateProtokoll("  Beginn -> Kassen lesen ...");
  KassenAktualisieren();
  UpdateProtokoll("  Ende   -> Kassen lesen aktualisiert");
  platform::processMessages();
}

void TFormEinstellungen::BitBtnImpKosttrClick(TComponent&) {
  KassenAktualisieren();
  KosttrAktualisieren();
}

}  // namespace riviza
