// riviza-batch operation of the reorganisation tab (tool); see batch.h.
#include "app/globals.h"
#include "app/reorganisation.h"
#include "batch.h"

namespace riviza::batch {
namespace {

// The routine reports through its list and FehlerAufgetreten; it succeeded when it ended with
// its closing line and without an error.
bool reorganisieren(Sitzung& s) {
  keineArgumente(s);
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
