// The one instance of the program's global state and the settings-file paths built from it
// (form library, application shell); see globals.h.
#include "forms/globals.h"

#include "app/vorgang.h"

namespace riviza {
namespace {
Globals gGlobals;
}
Globals& globals() { return gGlobals; }
void resetGlobals() { gGlobals = Globals{}; }

std::string programmIniPfad() { return gGlobals.ProgrammPfad + kAbrechngIni; }
Installation installation() { return {gGlobals.ProgrammPfad, gGlobals.DatenPfad, gGlobals.JahrPfad}; }
std::string jahrIniPfad() { return installation().jahrIniPfad(); }
std::string jahrDatenPfad() { return installation().jahrDatenPfad(); }
std::string jahrKosttrPfad() { return installation().jahrKosttrPfad(); }

std::string datenOrdnerDesJahres(const std::string& jahr) {
  return gGlobals.DatenPfad + "Abrechng\\" + jahr + "\\Daten";
}
}  // namespace riviza
