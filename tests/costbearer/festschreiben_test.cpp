// A rebuild is all or nothing: its tables, the companion tables it adds to (the branch offices
// of AdrDlz.DB, KasAdrAnn.db beside Kas.db), the BüroWARE files and the debtor number change
// together or not at all, whether a reader fails, a table's commit fails (writes into one table
// file fail as on a full disk, stoerung.h: SQLite writes the pages when the transaction commits),
// another program reads a companion table, or a companion file cannot be made. The error line
// names the table or file that failed; the next run writes what a run without failure writes.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>

#include "app/vorgang.h"
#include "db/TTable.h"
#include "fixtures.h"
#include "forms/update_tabellen.h"
#include "kosttr_jahr.h"
#include "platform/files.h"
#include "platform/paths.h"
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

TEST_F(Festschreiben, AFailedRunChangesNoTableFileOrNumber) {
  starten();
  bueroWare(true, "500");
  ASSERT_TRUE(KosttrAktualisieren());
  ASSERT_TRUE(KassenAktualisieren());
  ASSERT_TRUE(KassenAdrAnnAktualisieren());
  ASSERT_EQ(form->EditDebitorenAb->text(), "506");
  const auto ersterLauf = inhalte();
  const auto ersteTabellen = alleTabellen();
  zweigstelleEntfernen("3333331");

  const std::string kosttr105 = imProgramm("Temp\\Kosttr105.txt");
  const std::string daten = jahrOrdner("Daten\\");
  const std::string gezeigt = gezeigtImDaten("Abrechng/2024/Daten/");  // as the messages show it
  struct Fall {
    const char* name;
    std::function<bool()> lauf;
    std::function<void()> stoeren;  // makes the run fail, for its length
    std::string fehler;             // the beginning of the error line
  } faelle[] = {
      {"cost bearers, a reader fails", KosttrAktualisieren,
       [&] { programm.mkdir("Temp/Kosttr105.txt"); },  // the reader cannot write its work file
       "FEHLER Kostenträgerdateien nicht eingelesen"},
      {"funds, a reader fails", KassenAktualisieren, [&] { programm.mkdir("Temp/Kosttr105.txt"); },
       "FEHLER Kostenträgerdateien nicht eingelesen"},
      {"cost bearers, the §300 table's commit fails", KosttrAktualisieren, nullptr,
       "FEHLER nicht aktualisiert, unverändert: " + gezeigt + "Kosttr.db, " + gezeigt + "Kosttr300.db, " + gezeigt +
           "Kosttr105.db: "},
      {"funds, the §300 table's commit fails", KassenAktualisieren, nullptr,
       "FEHLER nicht aktualisiert, unverändert: " + gezeigt + "Kassen.db, " + gezeigt + "Kassen300.db, " + gezeigt +
           "AdrDlz.DB, " + gezeigt + "Kassen105.db: "},
      {"fund offices, another program reads KasAdrAnn.db", KassenAdrAnnAktualisieren, nullptr,
       "FEHLER nicht aktualisiert, unverändert: " + gezeigt + "Kas.db, " + gezeigt + "KasAdrAnn.db: "},
      {"cost bearers, IDB_ID0020.DAT cannot be made", KosttrAktualisieren, nullptr,
       "FEHLER " + gezeigtImProgramm("IDB_ID0020.DAT") + ": "},
  };
  for (const Fall& fall : faelle) {
    SCOPED_TRACE(fall.name);
    const auto vorher = alleTabellen();
    const auto dateienVorher = inhalte();
    form->ListBoxLiveUpdate->items().clear();
    if (platform::fileExists(kosttr105)) {
      ASSERT_TRUE(platform::deleteFile(kosttr105).ok());
    }
    const std::string name = fall.name;
    if (name.ends_with("commit fails")) {
      ScopedStoerung voll(Stoerung::TabelleVoll, name.starts_with("cost") ? "Kosttr300.db" : "Kassen300.db");
      EXPECT_FALSE(fall.lauf());
      EXPECT_GT(ScopedStoerung::verweigert(), 0);
    } else if (name.ends_with("reads KasAdrAnn.db")) {
      sqlite3* leser = nullptr;
      sqlite3_open(platform::nativePath(daten + "KasAdrAnn.db").c_str(), &leser);
      sqlite3_exec(leser, "BEGIN; SELECT count(*) FROM records;", nullptr, nullptr, nullptr);
      EXPECT_FALSE(fall.lauf());
      sqlite3_close(leser);
    } else if (name.ends_with("cannot be made")) {
      ScopedStoerung keinAnlegen(Stoerung::KeinAnlegen, "IDB_ID0020.DAT", EACCES);
      EXPECT_FALSE(fall.lauf());
    } else {
      fall.stoeren();
      EXPECT_FALSE(fall.lauf());
      ASSERT_TRUE(platform::removeDirectory(kosttr105).ok());
    }
    const auto& p = protokoll();
    EXPECT_TRUE(std::any_of(p.begin(), p.end(), [&](const std::string& z) { return z.starts_with(zeile(fall.fehler)); }))
        << testing::PrintToString(p);
    EXPECT_EQ(alleTabellen(), vorher);
    EXPECT_EQ(inhalte(), dateienVorher);
    for (const std::string& pfad : bwDateien()) EXPECT_FALSE(platform::pathExists(pfad + "~neu")) << pfad;
    EXPECT_FALSE(platform::pathExists(imProgramm(kVorgangsJournal)));
    EXPECT_EQ(form->EditDebitorenAb->text(), "506");
    EXPECT_EQ(jahrWert("2024", "DebitorenAb", "FIRMA"), "506");
    EXPECT_EQ(tabelle("AdrDlz.DB").size(), 1u);  // no branch office of a run that did not commit
  }
  // Nothing of the failures stays: the next runs write what the first ones wrote.
  form->EditDebitorenAb->setText("500");
  ASSERT_TRUE(KosttrAktualisieren());
  ASSERT_TRUE(KassenAktualisieren());
  ASSERT_TRUE(KassenAdrAnnAktualisieren());
  EXPECT_EQ(inhalte(), ersterLauf);
  EXPECT_EQ(alleTabellen(), ersteTabellen);
  EXPECT_EQ(tabelle("AdrDlz.DB").size(), 2u);
}

}  // namespace
}  // namespace riviza::test
