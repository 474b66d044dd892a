// The paths of an installation and year (domain core); see installation.h.
#include "app/installation.h"

namespace riviza {

std::string Installation::jahrIniPfad() const { return datenPfad + jahrPfad + "Abrechng.ini"; }
std::string Installation::jahrDatenPfad() const { return datenPfad + jahrPfad + "Daten"; }
std::string Installation::jahrKosttrPfad() const { return datenPfad + jahrPfad + "Kosttr"; }
std::string Installation::tempDatei(std::string_view datei) const {
  return programmPfad + "temp\\" + std::string(datei);
}

}  // namespace riviza
