// Scenario set-up of the reorganisation tests: a started program on a year 2024 whose Daten
// holds tables of older structures (the catalogue's structures cut short), helpers that write
// and read records by position, and snapshots of whole folders to compare byte for byte.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "db/TTable.h"
#include "db/catalogue.h"
#include "platform/codec.h"
#include "shell_fixture.h"
#include "support/trees.h"

namespace riviza::test {

// A record as position -> text; positions not named stay empty.
using Satz = std::map<int, std::string>;

// The catalogue's structure of a table cut to its first `felder` fields (an older program's).
inline db::TableStructure aelter(const char* datei, int felder) {
  db::TableStructure s = db::structureOf(*db::findCatalogueTable(datei));
  s.fields.resize(static_cast<size_t>(felder));
  s.keyFieldCount = std::min(s.keyFieldCount, felder);
  return s;
}

inline void tabelleAnlegen(const std::string& ordner, const std::string& datei, const db::TableStructure& s,
                           const std::vector<Satz>& saetze) {
  ASSERT_TRUE(db::TTable::createTable(ordner, datei, s).ok()) << datei;
  db::TTable t;
  ASSERT_TRUE(t.setDatabaseName(ordner).ok() && t.setTableName(datei).ok() && t.open().ok()) << datei;
  for (const Satz& satz : saetze) {
    ASSERT_TRUE(t.append().ok());
    for (const auto& [pos, text] : satz)
      ASSERT_TRUE(t.fields(pos).setAsString(text).ok()) << datei << " " << pos;
    ASSERT_TRUE(t.post().ok()) << datei;
  }
}

// Every record's field texts, in the table's order; one row {"<error>"} when it cannot be opened.
inline std::vector<std::vector<std::string>> tabelleLesen(const std::string& ordner,
                                                          const std::string& datei) {
  db::TTable t;
  if (!t.setDatabaseName(ordner).ok() || !t.setTableName(datei).ok() || !t.open().ok()) return {{"<error>"}};
  std::vector<std::vector<std::string>> saetze;
  for (Status st = t.first(); st && !t.eof(); st = t.next()) {
    std::vector<std::string> felder;
    for (int i = 0; i < t.fieldCount(); ++i) felder.push_back(t.fields(i).asString());
    saetze.push_back(std::move(felder));
  }
  return saetze;
}

// A file's bytes and the files below a folder in a form that compares and reads short.
inline std::string fingerabdruck(const std::string& bytes) { return Fingerprint(bytes); }
inline std::map<std::string, std::string> ordnerInhalt(const std::filesystem::path& ordner) {
  return TreeContents(ordner, false);
}

class Reorg : public Shell {
 public:
  // The year's Daten as path text and as native path.
  std::string jahrDaten() const { return imDaten("Abrechng\\2024\\Daten"); }
  std::filesystem::path datenOrdner() const { return daten / "Abrechng/2024/Daten"; }

  // DAKOTA, the program folder and the year 2024 of the program's own version, its Daten filled
  // by `fuellen`, then the start-up (which opens the service-centre table) with no messages.
  template <class F>
  void gestartet(F fuellen) {
    dakota4();
    programmIni();
    jahr("2024");
    fuellen();
    starten();
    ASSERT_EQ(texte(), std::vector<std::string>{});
    ASSERT_TRUE(form->TableAdrDlz->active());
  }
  void gestartet() {
    gestartet([] {});
  }

  // A fresh case of a table-driven test: no year folders, fresh templates, no REORG.LOG, fresh
  // global state, an empty transcript and a new form.
  void neuerFall() {
    std::filesystem::remove_all(daten / "Abrechng");
    std::filesystem::remove_all(programm / "LeerDaten");
    std::filesystem::remove(programm / "REORG.LOG");
    programmVorlagen(programm);
    neuesProgramm();
  }

  // The reorganisation from its tab, answering the backup question with `antwort`.
  void reorganisieren(ui::DlgResult antwort = ui::DlgResult::Yes) {
    dialogs.answer(antwort);
    form->BitBtnReorg->click();
  }

  // REORG.LOG as the program folder holds it, with the data root as "<DATEN>" and every time of
  // day as "hh:mm:ss".
  std::string reorgLog() const {
    std::string log = platform::toUtf8(programm.read("REORG.LOG"));
    for (size_t p; (p = log.find(daten.str())) != std::string::npos;)
      log.replace(p, daten.str().size(), "<DATEN>");
    for (size_t zeile = 0; zeile < log.size(); zeile = log.find('\n', zeile) + 1) {
      if (log.size() > zeile + 19 && log[zeile + 13] == ':' && log[zeile + 16] == ':')
        log.replace(zeile + 11, 8, "hh:mm:ss");
      if (log.find('\n', zeile) == std::string::npos) break;
    }
    return log;
  }
};

}  // namespace riviza::test
