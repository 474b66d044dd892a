// Installation: the installation and billing year a domain routine works on (domain core), as
// one value the caller passes in instead of the program's global state: the program folder, the
// data root and the current year's path, with the folders and files every subsystem derives
// from them.
//
// Folder texts keep the Windows program's form ("\" separators; programmPfad and datenPfad end
// in "\", jahrPfad is relative to datenPfad: "Abrechng\<year>\", or "Abrechng\" in the flat
// layout). The derived paths are built the way the start-up and the save build them, so a
// routine given the value of the running program finds the same files as before.
#pragma once

#include <string>
#include <string_view>

namespace riviza {

struct Installation {
  std::string programmPfad;
  std::string datenPfad;
  std::string jahrPfad;

  std::string jahrIniPfad() const;     // datenPfad + jahrPfad + "Abrechng.ini"
  std::string jahrDatenPfad() const;   // ... + "Daten", without trailing "\"
  std::string jahrKosttrPfad() const;  // ... + "Kosttr", without trailing "\"
  // A work file in the program folder's Temp: programmPfad + "temp\" + datei.
  std::string tempDatei(std::string_view datei) const;
};

}  // namespace riviza
