// The shell scenario fixture (see shell_fixture.h): the prefix with drive C:, the program folder
// with its templates, and the helpers that write and read the two settings files.
#include "shell_fixture.h"

#include <filesystem>

#include "app/allg_tools.h"
#include "db/leerdaten.h"
#include "platform/codec.h"
#include "platform/ini.h"

namespace riviza::test {

Shell::Shell() {
  resetGlobals();
  std::filesystem::create_directories(prefix / "drive_c");
  std::filesystem::create_directories(prefix / "dosdevices");
  std::filesystem::create_directory_symlink("../drive_c", prefix / "dosdevices" / "c:");
  programmVorlagen(programm);
  form = std::make_unique<TFormEinstellungen>();
}

Shell::~Shell() {
  form.reset();
  resetGlobals();
}

void Shell::neuesProgramm() {
  form.reset();
  resetGlobals();
  dialogs.clear();
  form = std::make_unique<TFormEinstellungen>();
}

void Shell::dakota4(std::string_view rivizaIni, bool zertifikat) {
  iniSchreiben(prefix, "drive_c/dakotale/System/Riviza.ini", rivizaIni);
  iniSchreiben(prefix, "drive_c/dakotale/System/annahmest.ini", "[ANNAHMESTELLEN]\r\n");
  if (zertifikat) iniSchreiben(prefix, "drive_c/dakotale/System/zertifikat.ini", "[ZERTIFIKAT]\r\n");
}

void Shell::dakotaRegistry(std::string_view bnswh, std::string_view dll) {
  auto escaped = [](std::string_view s) {
    std::string out;
    for (char c : s) out += c == '\\' ? std::string("\\\\") : std::string(1, c);
    return out;
  };
  std::string reg =
      "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n[Software\\\\ITSG\\\\Dakota] 1\n";
  if (!bnswh.empty()) reg += "\"BNSWH\"=\"" + escaped(bnswh) + "\"\n";
  if (!dll.empty()) reg += "\"DLL\"=\"" + escaped(dll) + "\"\n";
  prefix.write("system.reg", reg);
}

void Shell::iniSchreiben(const TempDir& dir, std::string_view rel, std::string_view utf8) {
  dir.write(rel, platform::fromUtf8(utf8));
}

void Shell::programmIni(std::string_view weitere) {
  iniSchreiben(programm, "Abrechng.ini",
               "[EINSTELLUNGEN]\r\nBüroWARE=" + daten.str() + "\r\n" + std::string(weitere));
}

void Shell::jahrOhneIni(std::string_view jahr) {
  const std::string ordner = "Abrechng/" + std::string(jahr);
  daten.mkdir(ordner + "/Daten");
  daten.mkdir(ordner + "/Kosttr");
}

void Shell::jahr(std::string_view jahr, std::string_view iniText) {
  jahrOhneIni(jahr);
  iniSchreiben(daten, "Abrechng/" + std::string(jahr) + "/Abrechng.ini", iniText);
}

void Shell::jahr(std::string_view j) {
  jahr(j, "[EINSTELLUNGEN]\r\nProgrammZugriff=\r\nVersion=" + DateiVersion("").substr(0, 3) + "\r\n");
}

void Shell::programmVorlagen(const TempDir& programm) {
  ASSERT_TRUE(db::writeLeerDaten(programm.str() + "/LeerDaten").ok());
  programm.write("Kosttr/AO05Q124.ke0", "UNH+00001+KOTR:02:001:KV'\r\nIDK+101111111+99+A'\r\n");
  programm.write("Kosttr/EK06Q124.ke0", "UNH+00001+KOTR:02:001:KV'\r\nIDK+102222222+99+B'\r\n");
}

void Shell::bereitZumSpeichern(std::optional<std::string> iniText) {
  dakota4();
  programmIni();
  if (iniText)
    jahr("2024", *iniText);
  else
    jahr("2024");
  daten.write("Abrechng/2024/Daten/ErfBeleg.db", "");
  daten.write("Abrechng/2024/Kosttr/AO05Q124.ke0", "");
  starten();
  form->EditOrdnerExport->setText(daten.str());
}

std::string Shell::wert(const std::string& pfadText, const char* abschnitt, const char* schluessel) {
  return platform::IniFile(pfadText).readString(abschnitt, schluessel, "-1");
}

std::string Shell::jahrWert(std::string_view jahr, const char* schluessel, const char* abschnitt) const {
  return wert(imDaten("Abrechng\\" + std::string(jahr) + "\\Abrechng.ini"), abschnitt, schluessel);
}

std::string Shell::programmWert(const char* schluessel, const char* abschnitt) const {
  return wert(imProgramm("Abrechng.ini"), abschnitt, schluessel);
}

}  // namespace riviza::test
