// riviza-batch operation of the reorganisation tab (tool); see batch.h.
#include "batch.h"
#include "forms/globals.h"
#include "maintenance/reorganisation.h"

namespace riviza::batch {
namespace {

// The routine reports through its list and FehlerAufgetreten; it succeeded when it ended with
// its closing line and without an error. A year of an older program was reorganised by the
// start-up already: its outcome is the operation's (a second run would replace the first's
// backup Daten_alt with the new tables).
bool reorganisieren(Sitzung& s) {
  keineArgumente(s);
  if (const std::optional<bool> beimStart = reorganisationBeimStart()) return *beimStart;
  globals().FehlerAufgetreten = false;
  const int zeilenVorher = s.form.ListBoxReorg->items().count();
  DatenReorganisieren();
  const auto& zeilen = s.form.ListBoxReorg->items();
  return !globals().FehlerAufgetreten && zeilen.count() > zeilenVorher &&
         zeilen[zeilen.count() - 1].ends_with("  Reorganisation beendet");
}

}  // namespace

RIVIZA_BATCH_OPERATION("reorganisieren", "",
                       "baut die Tabellen des Abrechnungsjahres aus LeerDaten neu auf, nach zwei Sicherungen "
                       "(\"Star&t\" der Reorganisation)",
                       reorganisieren);

}  // namespace riviza::batch
