// The year's cost-bearer files (form library, cost-bearer subsystem); see kosttr_dateien.h.
#include "costbearer/kosttr_dateien.h"

#include "app/Riviza1.h"
#include "app/globals.h"
#include "app/meldungen.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace riviza::costbearer {

namespace pf = platform;

bool kostentraegerOrdnerDa() { return kostentraegerOrdnerDa(jahrKosttrPfad()); }

bool kostentraegerOrdnerDa(const std::string& ordner) {
  if (pf::directoryExists(ordner)) return true;
  meldung::fehlschlag("Kostenträgerdateien nicht verfügbar");
  return false;
}

void kostentraegerListenZeigen() { kostentraegerListenZeigen(jahrKosttrPfad()); }

void kostentraegerListenZeigen(const std::string& ordner) {
  TFormEinstellungen& f = *FormEinstellungen;
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

bool kostentraegerLesen(const LeseErgebnis& ergebnis) { return kostentraegerLesen(jahrKosttrPfad(), ergebnis); }

bool kostentraegerLesen(const std::string& ordner, const LeseErgebnis& ergebnis) {
  using Leser = KosttrLeseErgebnis (*)(std::string_view, std::string_view, std::string_view);
  struct Lauf {
    Leser lesen;
    const char* arbeitsdatei;
  };
  // The readers build their folder as data root + year path + "Kosttr".
  const std::string ueber = pf::extractFilePath(ordner);
  for (const Lauf& l : {Lauf{Kosttr300Einlesen, "Kosttr300.txt"}, Lauf{Kosttr302Einlesen, "Kosttr302.txt"},
                        Lauf{Kosttr105Einlesen, "Kosttr105.txt"}})
    if (!ergebnis(l.lesen(globals().ProgrammPfad, ueber, ""), l.arbeitsdatei)) return false;
  return true;
}

}  // namespace riviza::costbearer
