// Year tables of the scenario tests; see jahr_daten.h.
#include "jahr_daten.h"

#include <gtest/gtest.h>

#include "platform/files.h"

namespace riviza::test {

void leereTabellen(const std::string& programmOrdner, const std::string& datenOrdner) {
  ASSERT_TRUE(platform::forceDirectories(datenOrdner).ok());
  for (const platform::DirEntry& e : platform::listDirectory(programmOrdner + "\\LeerDaten", "*.db"))
    ASSERT_TRUE(
        platform::copyFile(programmOrdner + "\\LeerDaten\\" + e.name, datenOrdner + "\\" + e.name).ok());
}

namespace {

void oeffnen(db::TTable& t, const std::string& ordner, const std::string& name) {
  ASSERT_TRUE(t.setDatabaseName(ordner).ok());
  ASSERT_TRUE(t.setTableName(name).ok());
  Status st = t.open();
  ASSERT_TRUE(st.ok()) << st.error().describe();
}

void setzen(db::TTable& t, const std::string& feld, const std::string& text) {
  auto f = t.fieldByName(feld);
  ASSERT_TRUE(f.ok()) << feld;
  ASSERT_TRUE((*f)->setAsString(text).ok()) << feld << "=" << text;
}

}  // namespace

void belegeSchreiben(const std::string& datenOrdner, const std::vector<TestBeleg>& liste) {
  db::TTable belege, positionen;
  oeffnen(belege, datenOrdner, "ErfBeleg.DB");
  oeffnen(positionen, datenOrdner, "ErfPosition.DB");
  for (const TestBeleg& b : liste) {
    ASSERT_TRUE(belege.append().ok());
    setzen(belege, "BelegNummer", b.nummer);
    setzen(belege, "BelegDatum", b.datum);
    setzen(belege, "Verarbeitet", b.verarbeitet ? "1" : "0");
    ASSERT_TRUE(belege.post().ok());
    for (const std::string& artikel : b.positionen) {
      ASSERT_TRUE(positionen.append().ok());
      setzen(positionen, "BelegNummer", b.nummer);
      setzen(positionen, "HM Nummer", artikel);
      ASSERT_TRUE(positionen.post().ok());
    }
  }
}

void saetzeSchreiben(const std::string& datenOrdner, const std::string& tabelle,
                     const std::vector<Felder>& liste) {
  db::TTable t;
  oeffnen(t, datenOrdner, tabelle);
  for (const Felder& satz : liste) {
    ASSERT_TRUE(t.append().ok());
    for (const auto& [feld, text] : satz) setzen(t, feld, text);
    ASSERT_TRUE(t.post().ok());
  }
}

std::vector<std::string> saetze(const std::string& datenOrdner, const std::string& tabelle,
                                const std::vector<std::string>& felder) {
  std::vector<std::string> out;
  db::TTable t;
  if (t.setDatabaseName(datenOrdner).ok() && t.setTableName(tabelle).ok() && t.open().ok()) {
    for (Status st = t.first(); st.ok() && !t.eof(); st = t.next()) {
      std::string zeile;
      const size_t anzahl = felder.empty() ? static_cast<size_t>(t.fieldCount()) : felder.size();
      for (size_t i = 0; i < anzahl; ++i) {
        std::string text = "?";
        if (felder.empty()) {
          text = t.fields(static_cast<int>(i)).asString();
        } else if (auto f = t.fieldByName(felder[i]); f.ok()) {
          text = (*f)->asString();
        }
        zeile += (i ? "|" : "") + text;
      }
      out.push_back(zeile);
    }
  } else {
    out.push_back("<" + tabelle + " fehlt>");
  }
  return out;
}

std::vector<std::string> belege(const std::string& datenOrdner) {
  return saetze(datenOrdner, "ErfBeleg.DB", {"BelegNummer", "BelegDatum", "Verarbeitet"});
}

std::vector<std::string> positionen(const std::string& datenOrdner) {
  return saetze(datenOrdner, "ErfPosition.DB", {"BelegNummer", "HM Nummer"});
}

}  // namespace riviza::test
