// Scenario set-up of the backup tests: a started program on a year 2024 with tables, cost-bearer
// files, a folder and a file with umlauts, hidden files, a link to a folder of the year, empty
// folders and files of the stored types; DAKOTA's three folders in the Wine prefix; a private
// temporary folder for the zip engine; and the outside tools that judge an archive.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "shell_fixture.h"
#include "support/tools.h"
#include "support/trees.h"

namespace riviza::test {

namespace fs = std::filesystem;

// Text of `n` bytes that deflates well but not to nothing: numbered table-like records.
inline std::string tabellenText(size_t n, int saat) {
  std::string s;
  for (int i = 0; s.size() < n; ++i)
    s += std::to_string(100000000 + saat * 7919 + i * 31) + ";Müller;Hauptstraße " + std::to_string(i % 97) +
         ";" + std::to_string(i % 13) + "\r\n";
  s.resize(n);
  return s;
}

class Sicherung : public Shell {
 protected:
  // The year 2024 (and an untouched 2023) with DAKOTA 4 or DAKOTA from the registry, and the
  // target folder Sicherung in the data root.
  void anlegen(bool dakotaAusRegistry = false) {
    if (dakotaAusRegistry)
      dakotaRegistry("C:\\dakotale\\Benutzer\\", "C:\\Programme\\Dakotale\\dll");
    else
      dakota4();
    programmIni();
    jahr("2023");
    jahr("2024");
    const std::string j = "Abrechng/2024/";
    daten.write(j + "Daten/Ann.db", tabellenText(60000, 1));
    daten.write(j + "Daten/ErfPosition.db", tabellenText(250000, 2));
    daten.write(j + "Kosttr/AO05Q124.ke0", tabellenText(40000, 3));
    daten.write(j + "Prüfung/Übersicht für Ärzte.txt", "Umlaute im Namen\r\n");
    daten.write(j + "Daten/.notiz", "versteckt\r\n");
    daten.write(j + ".ordner/x.txt", "in einem versteckten Ordner\r\n");
    fs::create_directory_symlink("Prüfung", daten / (j + "Verweis"));
    daten.write(j + "Update/kost.ZIP", tabellenText(5000, 4));
    daten.write(j + "Update/alt.gz", tabellenText(5000, 5));
    daten.write(j + "Update/paket.Tar", tabellenText(5000, 6));
    daten.mkdir(j + "Temp");
    daten.mkdir(j + "Leer/Unter");
    daten.mkdir("Sicherung");
  }
  // The same, started.
  void gestartet(bool dakotaAusRegistry = false) {
    anlegen(dakotaAusRegistry);
    starten();
    ASSERT_EQ(globals().JahrPfad, "Abrechng\\2024\\");
    dialogs.clear();
  }

  fs::path jahrOrdner() const { return daten / "Abrechng/2024"; }
  fs::path sicherungOrdner() const { return daten / "Sicherung"; }

  // The names in a folder (not below it).
  static std::vector<std::string> dateienIn(const fs::path& ordner) {
    std::vector<std::string> namen;
    if (fs::exists(ordner))
      for (const auto& e : fs::directory_iterator(ordner)) namen.push_back(e.path().filename().string());
    std::sort(namen.begin(), namen.end());
    return namen;
  }

  // An outside tool's run; the test fails, naming the tool, when it is missing or fails.
  static std::string werkzeug(const std::vector<std::string>& argv, const fs::path& ordner) {
    return toolOutput(argv, {.dir = ordner});
  }

  // Python's zipfile: tests every entry and lists "name method" per line, in archive order.
  static std::string pythonListe(const fs::path& archiv) {
    return werkzeug({"/usr/bin/python3", "-c",
                     "import sys, zipfile\n"
                     "z = zipfile.ZipFile(sys.argv[1])\n"
                     "assert z.testzip() is None\n"
                     "for i in z.infolist(): print(i.filename, i.compress_type)\n",
                     archiv.string()},
                    archiv.parent_path());
  }

  TempDir systemTemp;
  ScopedEnv tmp{"TMPDIR", systemTemp.str()};
};

}  // namespace riviza::test
