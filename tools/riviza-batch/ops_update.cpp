// riviza-batch operations of the online update (tool); see batch.h.
//
// The HTTP road is a chain of events that other threads set off; the tool has no event loop of
// its own, so an operation presses the button, ends its operation (the chain's events are
// operations of their own) and then lets messages run until its chain has ended or a signal
// closed the form. Questions are answered by --ja / --nein like every other.
#include "batch.h"
#include "maintenance/update_online.h"
#include "platform/pump.h"

namespace riviza::batch {
namespace {

bool updateAusfuehren(Sitzung& s, UpdateArt art) {
  keineArgumente(s);
  (art == UpdateArt::Programm ? s.form.BitBtnLiveUpdate : s.form.BitBtnKost)->click();
  s.vorgang.reset();
  while (UpdateKetteAktiv(art) && s.form.visible()) platform::waitForMessages();
  switch (UpdateZustand(art).ergebnis) {
    case UpdateErgebnis::KeinNeues:
    case UpdateErgebnis::Installiert:
    case UpdateErgebnis::Abgebrochen:
      return true;
    default:
      return false;
  }
}

bool kosttrUpdate(Sitzung& s) { return updateAusfuehren(s, UpdateArt::Kosttr); }
bool programmUpdate(Sitzung& s) { return updateAusfuehren(s, UpdateArt::Programm); }

}  // namespace

RIVIZA_BATCH_OPERATION("update-kosttr", "",
                       "holt neue Kostenträgerdateien vom Update-Server und baut die Tabellen neu auf "
                       "(\"K&ostenträgerdateien\")",
                       kosttrUpdate);
RIVIZA_BATCH_OPERATION("update-programm", "",
                       "holt ein neues Programmupdate vom Update-Server, entpackt es und startet sein "
                       "Setup-Programm (\"&Programme\"); das Programm schließt dabei",
                       programmUpdate);

}  // namespace riviza::batch
