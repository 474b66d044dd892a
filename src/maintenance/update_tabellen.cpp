// The update tab's hidden rebuild buttons (form library, maintenance): the table rebuilds
// without a download, with the update list's beginning and end lines; see update_tabellen.h.
#include "maintenance/update_tabellen.h"

#include "app/Riviza1.h"
#include "app/globals.h"
#include "costbearer/tabellen_aktualisieren.h"
#include "costbearer/tabellen_neuaufbau.h"
#include "maintenance/update_liste.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/pump.h"

namespace riviza {

namespace {

// One rebuild between its beginning and end lines in the update list; whether it succeeded.
template <class Neuaufbau>
bool zwischenZeilen(std::string_view beginn, Neuaufbau&& neuaufbau, std::string_view ende) {
  UpdateProtokoll(beginn);
  const bool ok = neuaufbau();
  UpdateProtokoll(ende);
  return ok;
}

}  // namespace

bool KosttrTabellenNeuAufbauen(costbearer::Neuaufbau& n) {
  bool ok = zwischenZeilen(
      "  Beginn -> Kostenträgerdatei wird aktualisiert ...", [&] { return KosttrAktualisierenIm(n); },
      "  Ende   -> Kostenträgerdatei aktualisiert");
  platform::processMessages();
  // A rebuild that failed has made the operation one that changes nothing: the others need not run.
  if (n.fehler) return false;
  ok = zwischenZeilen("  Beginn -> Kassendatei wird aktualisiert ...", [&] { return KassenAktualisierenIm(n); },
                      "  Ende   -> Kassendatei aktualisiert") &&
       ok;
  if (n.fehler) return false;
  const std::string daten = jahrDatenPfad() + "\\";
  if (platform::fileExists(daten + "Kas.db") && platform::fileExists(daten + "KasAdrAnn.db")) {
    platform::processMessages();
    ok = zwischenZeilen("  Beginn -> Kassendatei302 wird aktualisiert ...",
                        [&] { return KassenAdrAnnAktualisierenIm(n); }, "  Ende   -> Kassendatei302 aktualisiert") &&
         ok;
  }
  return ok;
}

bool KostentraegerTabellenAktualisieren() {
  const bool ok = costbearer::imEigenenVorgang("Kostenträger- und Kassentabellen " + platform::displayPath(jahrDatenPfad()),
                                               KosttrTabellenNeuAufbauen);
  platform::processMessages();
  UpdateProtokoll("  Aktualisierung beendet");
  return ok;
}

void TFormEinstellungen::BitBtnTabelleKostentraegerClick(TComponent&) {
  KostentraegerTabellenAktualisieren();
}

void TFormEinstellungen::BitBtnKassenClick(TComponent&) {
  (void)zwischenZeilen("  Beginn -> Kassen lesen ...", KassenAktualisieren,
                       "  Ende   -> Kassen lesen aktualisiert");
  platform::processMessages();
}

void TFormEinstellungen::BitBtnImpKosttrClick(TComponent&) {
  KassenAktualisieren();
  KosttrAktualisieren();
}

}  // namespace riviza
