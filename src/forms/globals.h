// The program's global state: folders, dates, flags and the DAKOTA values that the start-up
// sets and every subsystem reads (form library, application shell).
//
// One instance per process, as in the Windows program; reached through globals(). All folder
// texts keep the Windows program's form ("\" separators, folders ending in "\"). Tests call
// resetGlobals() to start from the values a fresh process has.
#pragma once

#include <string>

#include "app/installation.h"

namespace riviza {

struct Globals {
  std::string ProgrammPfad;      // current folder at start, with trailing "\"
  std::string StartPfad;         // the same without the trailing "\"
  std::string ProgrammPfadKurz;  // short forms (the paths themselves on Linux)
  std::string StartPfadKurz;
  std::string DatenPfadKurz;
  std::string DatenPfad;   // data root, with trailing "\"; holds Abrechng\<year>\ .
  std::string JahrPfad;    // "Abrechng\<year>\" or "Abrechng\" (flat layout), relative to DatenPfad
  std::string ExportPfad;  // export folder with trailing "\"
  std::string Tagesdatum;  // today, "dd.MM.yyyy"
  std::string StandUpdateDatum = "01.01.2000";
  std::string StandKosttrDatum = "01.01.2000";
  std::string DownloadDatum;
  std::string AnmLaufwerk, AnmComputername, AnmFreigabename, AnmBenutzername, AnmKennwort;
  std::string DakotaBenutzerPfad;
  std::string DakotaProgrammPfad;
  bool Dakota4 = false;
  bool Dakota4Zertifikat = false;
  bool FehlerAufgetreten = false;
  bool JahrInNutzung = false;
  std::string WinScpAufruf;
  std::string WinScpVerbindung;
  double ZahlWert = 0;
};

Globals& globals();
void resetGlobals();

// The installation and year the program works on now, the value domain routines take.
Installation installation();

// The two settings files and the year's folders, as the start-up and the save build them:
// ProgrammPfad + "Abrechng.ini", DatenPfad + JahrPfad + "Abrechng.ini", + "Daten", + "Kosttr".
std::string programmIniPfad();
std::string jahrIniPfad();
std::string jahrDatenPfad();   // without trailing "\"
std::string jahrKosttrPfad();  // without trailing "\"
// The Daten folder of a listed year, current or not: DatenPfad + "Abrechng\" + jahr + "\Daten".
std::string datenOrdnerDesJahres(const std::string& jahr);

// File names fixed program-wide.
inline constexpr const char* kAbrechngIni = "Abrechng.ini";
inline constexpr const char* kAbrDat = "ABR.DAT";
inline constexpr const char* kAbrLog = "ABR.LOG";
inline constexpr const char* kAbrErr = "ABR.ERR";
inline constexpr const char* kReorgLog = "REORG.LOG";
inline constexpr const char* kUpdateLog = "UPDATE.LOG";
inline constexpr const char* kDakotaRivizaIni = "C:\\dakotale\\System\\Riviza.ini";
inline constexpr const char* kDakotaAnnahmestIni = "C:\\dakotale\\System\\annahmest.ini";
inline constexpr const char* kDakotaZertifikatIni = "C:\\dakotale\\System\\zertifikat.ini";

// The maker's update account on its file server, shared by the SFTP and the FTP road: the user
// is the product's name, the password a fixed text of 32 letters and digits. Never logged.
inline constexpr const char* kUpdateKontoBenutzer = "Riviza";
inline constexpr const char* kUpdateKontoKennwort = "q7Rz2LwK9mVb4XtN8pHc3JfD6sGa5YeU";
inline constexpr const char* kUpdateKontoHost = "sftp.orvel-tessaro.example";

}  // namespace riviza
