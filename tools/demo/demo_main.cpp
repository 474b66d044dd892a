// riviza-demo DIR: builds the demo installation that ./run.sh starts the program on (a tool of
// its own, on the platform layer).
//
//   DIR/wineprefix   a Wine-style prefix: drive C: with DAKOTA 4's settings files under
//                    C:\dakotale\System (so the start-up finds DAKOTA), drive D: = DIR/Daten
//   DIR/Programm     the program folder: Abrechng.ini naming the data root D:\ and the current
//                    year, LeerDaten (a copy of the build's generated templates), Kosttr with
//                    synthetic cost-bearer files, Temp and Update
//   DIR/Daten        the data root: Abrechng\<calendar year>\ with its Abrechng.ini, the tables
//                    in Daten (the cost-bearer, fund and office tables rebuilt from the
//                    cost-bearer files in Kosttr, the others empty); Export and Sicherung
// Everything is built in DIR.new and renamed to DIR at the end, so an interrupted run leaves no
// half installation behind; an existing DIR is refused. All names, numbers and addresses are
// invented; the institution codes use the unassigned range 1099xxxxx. The tables are rebuilt
// by the settings form's own routine, as its hidden "&Tabelle Kostenträger" does: the demo has
// no update server to bring them, and the funds tab of a first look would stay empty.
#include <array>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "app/allg_tools.h"
#include "forms/Riviza1.h"
#include "forms/globals.h"
#include "forms/update_tabellen.h"
#include "platform/clock.h"
#include "platform/codec.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "ui/form.h"

namespace {

namespace fs = std::filesystem;
namespace pf = riviza::platform;

struct Kasse {
  const char* ik;
  const char* name;
  const char* abteilung;
  const char* plz;
  const char* ort;
  const char* strasse;
};

// One file of cost bearers of one kind (03: pharmacies, 05: other providers, 06: care), one
// message per cost bearer, each sending its data to the first entry, the data acceptance
// office, for every provider group and region.
std::string kostentraegerDatei(const std::string& name, const std::vector<Kasse>& kassen) {
  std::vector<std::string> zeilen = {"UNA:+,? '",
                                     "UNB+UNOC:3+109900001+999999999+20240101:1030+00001++" + name + "'"};
  int nr = 0;
  for (const Kasse& k : kassen) {
    std::string ref = std::to_string(++nr);
    ref.insert(0, 5 - ref.size(), '0');
    std::vector<std::string> m = {
        std::string("IDK+") + k.ik + "+99+" + k.name + "'",
        "VDT+20240101'",
        nr == 1 ? "FKT+02'" : "FKT+01'",
    };
    if (nr > 1) {
      m.push_back(std::string("VKG+01+") + k.ik + "+5++07++++00'");
      m.push_back(std::string("VKG+02+") + kassen.front().ik + "+5++07++01++00'");
      m.push_back(std::string("VKG+03+") + kassen.front().ik + "+5++07++++99'");
    }
    m.push_back(std::string("NAM+01+") + k.name + "+" + k.abteilung + "'");
    m.push_back(std::string("ANS+1+") + k.plz + "+" + k.ort + "+" + k.strasse + "'");
    zeilen.push_back(std::string("UNH+") + ref + "+KOTR:02:001:KV'");
    zeilen.insert(zeilen.end(), m.begin(), m.end());
    std::string unt = std::to_string(m.size() + 2);
    unt.insert(0, 6 - unt.size(), '0');
    unt.insert(0, "UNT+").append("+").append(ref).append("'");
    zeilen.push_back(std::move(unt));
  }
  zeilen.push_back("UNZ+" + std::to_string(kassen.size()) + "+00001'");
  std::string text;
  for (const std::string& z : zeilen) text += z + "\r\n";
  return pf::fromUtf8(text, pf::CodePage::Latin1);
}

struct Datei {
  std::string name;
  std::string bytes;
};

std::vector<Datei> kostentraegerDateien() {
  const Kasse annahme = {"109900001", "Demo Datenannahme", "Datenannahmestelle",
                         "20095",     "Hamburg",           "Annahmeweg 1"};
  return {
      {"AO05Q124.ke0",
       kostentraegerDatei(
           "AO05Q124.ke0",
           {annahme,
            {"109900017", "Demo-Kasse Nord", "Leistungsabrechnung", "24103", "Kiel", "Förde 12"},
            {"109900028", "Demo-Kasse Süd", "Abrechnung Heilmittel", "80331", "München", "Marienstraße 3"}})},
      {"EK05Q124.ke0",
       kostentraegerDatei("EK05Q124.ke0", {annahme,
                                           {"109900039", "Demo-Ersatzkasse", "Rechnungsprüfung", "10117",
                                            "Berlin", "Lindenallee 40"}})},
      {"AO03Q124.ke0", kostentraegerDatei("AO03Q124.ke0", {annahme,
                                                           {"109900051", "Demo-Kasse West", "Arzneimittel",
                                                            "50667", "Köln", "Domplatz 5"}})},
      {"AO06Q124.ke0", kostentraegerDatei("AO06Q124.ke0", {annahme,
                                                           {"109900040", "Demo-Pflegekasse Nord", "Pflege",
                                                            "24103", "Kiel", "Förde 14"}})},
  };
}

bool ok(const riviza::Status& st, const std::string& was) {
  if (!st.ok()) std::cerr << "riviza-demo: " << was << ": " << st.error().describe() << "\n";
  return st.ok();
}

bool iniSchreiben(const std::string& pfad, const std::vector<std::array<const char*, 3>>& werte,
                  const std::string& jahr) {
  pf::IniFile ini(pfad);
  for (const auto& [abschnitt, schluessel, wert] : werte) {
    std::string w = wert;
    if (w == "<JAHR>") w = jahr;
    if (!ok(ini.writeString(abschnitt, schluessel, w), pfad)) return false;
  }
  return true;
}

bool prefixAnlegen(const fs::path& dir) {
  const std::string system = (dir / "wineprefix/drive_c/dakotale/System").string();
  std::error_code ec;
  fs::create_directories(dir / "wineprefix/dosdevices", ec);
  fs::create_directories(dir / "wineprefix/drive_c/dakotale/Benutzer", ec);
  fs::create_directory_symlink("../drive_c", dir / "wineprefix/dosdevices/c:", ec);
  if (!ec) fs::create_directory_symlink("../../Daten", dir / "wineprefix/dosdevices/d:", ec);
  if (ec) {
    std::cerr << "riviza-demo: " << ec.message() << "\n";
    return false;
  }
  return ok(pf::forceDirectories(system), system) &&
         iniSchreiben(system + "/Riviza.ini", {{"PFADE", "BENUTZERPFAD", "C:\\dakotale\\Benutzer"}}, "") &&
         iniSchreiben(system + "/annahmest.ini", {{"ANNAHMESTELLEN", "Anzahl", "1"}}, "");
}

bool programmOrdnerAnlegen(const fs::path& dir, const std::string& jahr) {
  const std::string programm = (dir / "Programm").string();
  for (const char* sub : {"Temp", "Update", "Kosttr"})
    if (!ok(pf::forceDirectories(programm + "/" + sub), programm)) return false;
  if (!ok(pf::copyTree(RIVIZA_LEERDATEN_DIR, programm + "/LeerDaten"), "LeerDaten")) return false;
  for (const Datei& d : kostentraegerDateien())
    if (!ok(pf::writeFile(programm + "/Kosttr/" + d.name, d.bytes), d.name)) return false;
  const std::string ini = programm + "/Abrechng.ini";
  if (!iniSchreiben(ini,
                    {{"EINSTELLUNGEN", "BüroWARE", "D:\\"},
                     {"EINSTELLUNGEN", "AktuellesJahr", "<JAHR>"},
                     {"EINSTELLUNGEN", "UpdateDatum", "01.01.2024"},
                     {"EINSTELLUNGEN", "KosttrDatum", ""},
                     {"ANMELDUNG", "BenutzerVerwenden", ""},
                     {"ANMELDUNG", "AnmeldenUeberNetUseBat", ""}},
                    jahr))
    return false;
  // It would hold the share password: readable by its owner only, as the program keeps it.
  std::error_code ec;
  fs::permissions(ini, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::replace, ec);
  return true;
}

bool jahrAnlegen(const fs::path& dir, const std::string& jahr) {
  const std::string ordner = (dir / "Daten/Abrechng" / jahr).string();
  for (const char* sub : {"Daten", "Kosttr"})
    if (!ok(pf::forceDirectories(ordner + "/" + sub), ordner)) return false;
  for (const char* sub : {"Export", "Sicherung"})
    if (!ok(pf::forceDirectories((dir / "Daten" / sub).string()), sub)) return false;
  if (!ok(pf::copyTree(RIVIZA_LEERDATEN_DIR, ordner + "/Daten"), "Daten")) return false;
  if (!ok(pf::renamePath(ordner + "/Daten/Abrechng.ini", ordner + "/Abrechng.ini"), "Abrechng.ini"))
    return false;
  for (const Datei& d : kostentraegerDateien())
    if (!ok(pf::writeFile(ordner + "/Kosttr/" + d.name, d.bytes), d.name)) return false;
  const std::string version = std::string(RIVIZA_VERSION_TEXT).substr(0, 3);
  return iniSchreiben(ordner + "/Abrechng.ini",
                      {{"EINSTELLUNGEN", "Version", version.c_str()},
                       {"EINSTELLUNGEN", "KosttrDatum", "01.01.2024"},
                       {"EINSTELLUNGEN", "Export", "D:\\Export"},
                       {"EINSTELLUNGEN", "Fachanwendung", "0"},
                       {"EINSTELLUNGEN", "E-Mail", "0"},
                       {"EINSTELLUNGEN", "DatenimportAuto", "1"},
                       {"EINSTELLUNGEN", "Feldtrenner", ";"},
                       {"EINSTELLUNGEN", "Testdaten", "1"},
                       {"EINSTELLUNGEN", "DruckNichtAnbieten", "1"},
                       {"EINSTELLUNGEN", "AnzDruckBegleitzettel", "1"},
                       {"EINSTELLUNGEN", "AnzDruckZusammenstellung", "1"},
                       {"FIRMA", "emailAdresse", "abrechnung@praxis-muster.example"},
                       {"FIRMA", "LeKuerzel", "PM"},
                       {"FIRMA", "Mandant", "01"},
                       {"FIRMA", "DruckSortierung", "1"},
                       {"FIRMA", "Bundesland", "02"},
                       {"FIRMA", "Abrechnungscode302", "21"},
                       {"ABRECHNUNGSSTELLE_LE", "LE1", "109912345"},
                       {"ABRECHNUNGSSTELLE_LE", "Name1", "Physiotherapie Muster"},
                       {"ABRECHNUNGSSTELLE_LE_RENR", "109912345", "1001"},
                       {"DASI", "Ziel", "D:\\Sicherung"},
                       {"DASI", "Kuerzel", "PM"}},
                      jahr);
}

// The year's tables from its cost-bearer files, through a form of its own (no start-up: the
// folders are the new installation's, by their Linux paths); Temp is left empty, as the
// program's close leaves it.
bool tabellenAufbauen(const fs::path& dir, const std::string& jahr) {
  riviza::ui::TApplication application;
  application.createForm<riviza::TFormEinstellungen>();
  riviza::Globals& g = riviza::globals();
  g.ProgrammPfad = (dir / "Programm").string() + "\\";
  g.DatenPfad = (dir / "Daten").string() + "\\";
  g.JahrPfad = "Abrechng\\" + jahr + "\\";
  const bool aufgebaut = riviza::KostentraegerTabellenAktualisieren();
  riviza::DateienLoeschen(g.ProgrammPfad + "Temp\\", "*.*");
  if (!aufgebaut) std::cerr << "riviza-demo: die Kostenträgertabellen wurden nicht aufgebaut\n";
  return aufgebaut;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: riviza-demo DIR\n";
    return 2;
  }
  const fs::path ziel = fs::absolute(argv[1]);
  std::error_code ec;
  if (fs::exists(ziel, ec)) {
    std::cerr << "riviza-demo: " << ziel.string() << " exists already\n";
    return 1;
  }
  fs::path neu = ziel;
  neu += ".new";
  fs::remove_all(neu, ec);
  const std::string jahr = std::to_string(pf::today().year);
  if (!prefixAnlegen(neu) || !programmOrdnerAnlegen(neu, jahr) || !jahrAnlegen(neu, jahr) ||
      !tabellenAufbauen(neu, jahr))
    return 1;
  fs::rename(neu, ziel, ec);
  if (ec) {
    std::cerr << "riviza-demo: " << ec.message() << "\n";
    return 1;
  }
  std::cout << "Demo installation in " << ziel.string() << " (billing year " << jahr << ")\n";
  return 0;
}
