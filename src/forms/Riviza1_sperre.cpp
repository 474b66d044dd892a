// The operation's program-access locks (form library, application shell); see Riviza1_sperre.h.
#include "forms/Riviza1_sperre.h"

#include <filesystem>

#include "app/meldungen.h"
#include "forms/Riviza1_start.h"
#include "forms/globals.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/paths.h"

namespace riviza {

namespace pf = platform;

namespace {

constexpr const char* kEinst = "EINSTELLUNGEN";
constexpr const char* kProgrammZugriff = "ProgrammZugriff";

// Two path texts that name one file (spelling, separators and case may differ).
bool gleicheDatei(const std::string& a, const std::string& b) {
  std::error_code ec;
  return std::filesystem::equivalent(pf::nativePath(a), pf::nativePath(b), ec);
}

}  // namespace

std::string jahresIniVonDaten(const std::string& datenOrdner) {
  return pf::extractFilePath(pf::excludeTrailingBackslash(datenOrdner)) + kAbrechngIni;
}

bool VorgangsSperre::nehmen(const std::string& datenOrdner) {
  const std::string ini = jahresIniVonDaten(datenOrdner);
  if (!pf::fileExists(ini)) return true;
  for (const Genommen& g : genommen_)
    if (gleicheDatei(g.ini, ini)) return true;
  pf::IniFile datei(ini);
  const std::string vorher = datei.readString(kEinst, kProgrammZugriff, "-1");
  const bool aktuellesJahr = gleicheDatei(ini, jahrIniPfad());
  // In the current year a "1" is this program's own lock, unless the start or the switch found
  // it held by another program.
  if (aktuellesJahr ? globals().JahrInNutzung : vorher == "1") {
    programmZugriffBelegtMelden();
    return false;
  }
  // A "1" that did not reach the file protects nothing: the operation must not run on it.
  if (Status st = datei.writeString(kEinst, kProgrammZugriff, "1"); !st) {
    meldung::fehler("Programmzugriff nicht gesetzt: " + platform::displayPath(ini) + "\n\n" +
                    st.error().message);
    return false;
  }
  genommen_.push_back({ini, vorher});
  return true;
}

VorgangsSperre::~VorgangsSperre() {
  for (auto it = genommen_.rbegin(); it != genommen_.rend(); ++it) {
    if (!pf::fileExists(it->ini)) continue;  // moved away with its year
    pf::IniFile datei(it->ini);
    if (datei.readString(kEinst, kProgrammZugriff, "-1") != "1") continue;
    if (it->vorher == "-1")
      (void)datei.deleteKey(kEinst, kProgrammZugriff);
    else
      (void)datei.writeString(kEinst, kProgrammZugriff, it->vorher);
  }
}

}  // namespace riviza
