// The one instance of the program's global state and the settings-file paths built from it
// (form library, application shell); see globals.h.
#include "app/globals.h"

namespace riviza {
namespace {
Globals gGlobals;
}
Globals& globals() { return gGlobals; }
void resetGlobals() { gGlobals = Globals{}; }

std::string programmIniPfad() { return gGlobals.ProgrammPfad + kAbrechngIni; }
std::string jahrIniPfad() { return gGlobals.DatenPfad + gGlobals.JahrPfad + kAbrechngIni; }
std::string jahrDatenPfad() { return gGlobals.DatenPfad + gGlobals.JahrPfad + "Daten"; }
std::string jahrKosttrPfad() { return gGlobals.DatenPfad + gGlobals.JahrPfad + "Kosttr"; }
std::string datenOrdnerDesJahres(const std::string& jahr) {
  return gGlobals.DatenPfad + "Abrechng\\" + jahr + "\\Daten";
}
}  // namespace riviza
