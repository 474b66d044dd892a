// riviza-batch operations of the cost-bearer tables (tool); see batch.h.
#include "batch.h"
#include "forms/update_tabellen.h"

namespace riviza::batch {
namespace {

bool kosttrAktualisieren(Sitzung& s) {
  keineArgumente(s);
  return KostentraegerTabellenAktualisieren();
}

}  // namespace

RIVIZA_BATCH_OPERATION(
    "kosttr-aktualisieren", "",
    "baut Kostenträger-, Kassen- und Annahmestellentabellen neu auf (\"&Tabelle Kostenträger\")",
    kosttrAktualisieren);

}  // namespace riviza::batch
