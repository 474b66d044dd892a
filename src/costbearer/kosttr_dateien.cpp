// The year's cost-bearer files (form library, cost-bearer subsystem); see kosttr_dateien.h.
#include "costbearer/kosttr_dateien.h"

#include "app/Riviza1.h"
#include "app/globals.h"
#include "app/meldungen.h"
#include "platform/files.h"

namespace riviza::costbearer {

namespace pf = platform;

bool kostentraegerOrdnerDa() {
  if (pf::directoryExists(jahrKosttrPfad())) return true;
  meldung::fehlschlag("Kostenträgerdateien nicht verfügbar");
  return false;
}

void kostentraegerListenZeigen() {
  TFormEinstellungen& f = *FormEinstellungen;
  const std::string ordner = jahrKosttrPfad();
  struct Liste {
    ui::TFileListBox* box;
    const char* maske;
  };
  for (const Liste& l : {Liste{f.FileListBoxKost300, "??03*.ke?"}, Liste{f.FileListBoxKost302, "??05*.ke?"},
                         Liste{f.FileListBoxKost105, "??06*.ke?"}}) {
    l.box->setMask(l.maske);
    l.box->setDirectory(ordner);
  }
}

bool kostentraegerLesen(const std::function<bool(const KosttrLeseErgebnis&, std::string_view)>& ergebnis) {
  using Leser = KosttrLeseErgebnis (*)(std::string_view, std::string_view, std::string_view);
  struct Lauf {
    Leser lesen;
    const char* arbeitsdatei;
  };
  const Globals& g = globals();
  for (const Lauf& l : {Lauf{Kosttr300Einlesen, "Kosttr300.txt"}, Lauf{Kosttr302Einlesen, "Kosttr302.txt"},
                        Lauf{Kosttr105Einlesen, "Kosttr105.txt"}})
    if (!ergebnis(l.lesen(g.ProgrammPfad, g.DatenPfad, g.JahrPfad), l.arbeitsdatei)) return false;
  return true;
}

}  // namespace riviza::costbearer
