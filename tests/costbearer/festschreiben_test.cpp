// What a rebuild writes beside its tables follows the tables it commits: a run that commits
// nothing (a reader fails) leaves the BüroWARE files of the run before; a pass whose table does
// not commit leaves no lines in those files, hands out no debtor number and adds no branch
// office to AdrDlz.DB. The commit is made to fail by writes into one table's file that fail as on a
// full disk (stoerung.h): SQLite writes a table's pages when the transaction commits, so the
// emptied and refilled table never reaches the disk.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>

#include "costbearer/tabellen_aktualisieren.h"
#include "db/TTable.h"
#include "fixtures.h"
#include "kosttr_jahr.h"
#include "platform/files.h"
#include "platform/text.h"
#include "stoerung.h"

namespace riviza::test {
namespace {

class Festschreiben : public KosttrJahr {
 protected:
  std::map<std::string, std::string> inhalte() const {
    std::map<std::string, std::string> out;
    for (const std::string& pfad : bwDateien()) out[pfad] = platform::readFile(pfad).valueOr("<fehlt>");
    return out;
  }
  // Takes the branch office out of AdrDlz.DB again, so that a run that adds it shows.
  void zweigstelleEntfernen(const char* id) {
    db::TTable dlz;
    ASSERT_TRUE(dlz.setDatabaseName(jahrOrdner("Daten")).ok());
    ASSERT_TRUE(dlz.setTableName("AdrDlz.DB").ok());
    ASSERT_TRUE(dlz.open().ok());
    ASSERT_TRUE(dlz.setFilter(std::string("DlzId = '") + id + "'").ok());
    ASSERT_TRUE(dlz.setFiltered(true).ok());
    ASSERT_EQ(dlz.recordCount(), 1);
    ASSERT_TRUE(dlz.deleteRecord().ok());
  }
};

TEST_F(Festschreiben, TheFilesNumberAndBranchOfficesOfARunFollowTheTablesItCommits) {
  starten();
  bueroWare(true, "500");
  ASSERT_TRUE(KosttrAktualisieren());
  ASSERT_TRUE(KassenAktualisieren());
  ASSERT_EQ(form->EditDebitorenAb->text(), "506");
  const auto ersterLauf = inhalte();
  zweigstelleEntfernen("3333331");

  const std::string kosttr105 = imProgramm("Temp\\Kosttr105.txt");
  struct Fall {
    const char* name;
    std::function<bool()> lauf;
    const char* volleTabelle;  // whose commit fails (the run's second pass); none: a reader fails
    // Lines of the files the run leaves; a file not named is as it was before the run.
    std::map<std::string, size_t> zeilen;
    const char* nummer;
  } faelle[] = {
      {"cost bearers, a reader fails", KosttrAktualisieren, nullptr, {}, "506"},
      {"funds, a reader fails", KassenAktualisieren, nullptr, {}, "506"},
      // IDB_ID0020.DAT begins with an empty line; the §302 pass hands out two numbers.
      {"cost bearers, the §300 table does not commit",
       KosttrAktualisieren,
       "Kosttr300.db",
       {{bwDateien()[0], 3}, {bwDateien()[1], 2}, {bwDateien()[2], 2}},
       "508"},
      {"funds, the §300 table does not commit",
       KassenAktualisieren,
       "Kassen300.db",
       {{bwDateien()[3], 3}},
       "508"},
  };
  for (const Fall& fall : faelle) {
    SCOPED_TRACE(fall.name);
    const auto vorher = alleTabellen();
    const auto dateienVorher = inhalte();
    form->ListBoxLiveUpdate->items().clear();
    if (fall.volleTabelle) {
      ScopedStoerung voll(Stoerung::TabelleVoll, fall.volleTabelle);
      EXPECT_FALSE(fall.lauf());
      EXPECT_GT(ScopedStoerung::verweigert(), 0);
    } else {
      if (platform::fileExists(kosttr105)) {
        ASSERT_TRUE(platform::deleteFile(kosttr105).ok());
      }
      programm.mkdir("Temp/Kosttr105.txt");  // the reader cannot write its work file
      EXPECT_FALSE(fall.lauf());
      ASSERT_TRUE(platform::removeDirectory(kosttr105).ok());
    }
    const std::string fehler =
        zeile(fall.volleTabelle ? "FEHLER " + jahrOrdner("Daten\\") + fall.volleTabelle + ": "
                                : std::string("FEHLER Kostenträgerdateien nicht eingelesen"));
    const auto& p = protokoll();
    EXPECT_TRUE(std::any_of(p.begin(), p.end(), [&](const std::string& z) { return z.starts_with(fehler); }))
        << testing::PrintToString(p);
    if (fall.volleTabelle) {
      const auto nachher = alleTabellen();
      const size_t i = std::find(std::begin(kTabellen), std::end(kTabellen), std::string(fall.volleTabelle)) -
                       std::begin(kTabellen);
      EXPECT_EQ(nachher[i], vorher[i]);
    } else {
      EXPECT_EQ(alleTabellen(), vorher);
    }
    for (const auto& [pfad, inhalt] : inhalte()) {
      SCOPED_TRACE(pfad);
      if (auto z = fall.zeilen.find(pfad); z != fall.zeilen.end())
        EXPECT_EQ(crlfLines(inhalt).size(), z->second);
      else
        EXPECT_EQ(inhalt, dateienVorher.at(pfad));
      EXPECT_FALSE(platform::pathExists(pfad + ".tmp"));
    }
    EXPECT_EQ(form->EditDebitorenAb->text(), fall.nummer);
    EXPECT_EQ(jahrWert("2024", "DebitorenAb", "FIRMA"), fall.nummer);
    EXPECT_EQ(tabelle("AdrDlz.DB").size(), 1u);  // no branch office of a pass that did not commit
  }
  // Nothing of the failures stays: the next runs write what the first ones wrote.
  form->EditDebitorenAb->setText("500");
  ASSERT_TRUE(KosttrAktualisieren());
  ASSERT_TRUE(KassenAktualisieren());
  EXPECT_EQ(inhalte(), ersterLauf);
  EXPECT_EQ(tabelle("AdrDlz.DB").size(), 2u);
}

}  // namespace
}  // namespace riviza::test
