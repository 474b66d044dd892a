// Closing every open table of the program's forms and opening them again: a pending edit is
// posted first (or reported when it cannot be), the tables come back on their folder, name,
// mode and record, or on a new folder after a year switch, and a table whose file is gone is
// reported; a table the caller opens itself is left closed.
#include "forms/tabellen_pause.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "db/TTable.h"
#include "jahr_daten.h"
#include "shell_fixture.h"

namespace riviza::test {
namespace {

// Ann.DB (keyed on its first field) with the given keys, in the folder.
void annahmestellen(const std::string& ordner, std::initializer_list<const char*> iks) {
  std::vector<Felder> saetze;
  for (const char* ik : iks) saetze.push_back({{"Kostentraeger", ik}});
  saetzeSchreiben(ordner, "Ann.DB", saetze);
}

// The first field of record `satz` of Ann.DB, read through a table of its own.
std::string erstesFeld(const std::string& ordner, int satz) {
  return saetze(ordner, "Ann.DB", {"Kostentraeger"}).at(static_cast<size_t>(satz - 1));
}

TEST_F(Shell, EveryOpenTableClosesAndReopensOnItsRecordOrInTheNewYear) {
  dakota4();
  programmIni();
  jahr("2024");
  jahr("2025");
  for (const char* j : {"2024", "2025"})
    std::filesystem::copy_file(programm / "LeerDaten/Ann.DB",
                               daten / ("Abrechng/" + std::string(j) + "/Daten/Ann.DB"));
  const std::string alt = imDaten("Abrechng\\2024\\Daten"), neu = imDaten("Abrechng\\2025\\Daten");
  annahmestellen(alt, {"100000001", "100000002", "100000003"});
  annahmestellen(neu, {"200000001", "200000002", "200000003"});
  starten();
  ASSERT_TRUE(form->TableAdrDlz->active());
  db::TTable& ann = *form->TableAdrAnn;
  ASSERT_TRUE(ann.setDatabaseName(alt).ok() && ann.setTableName("Ann.DB").ok() &&
              ann.setExclusive(true).ok());
  ASSERT_TRUE(ann.open().ok() && ann.setRecNo(2).ok());
  ASSERT_TRUE(ann.edit().ok() && ann.fields(0).setAsString("100000009").ok());  // pending

  {
    TabellenPause pause;
    EXPECT_EQ(pause.anzahl(), 2);
    EXPECT_FALSE(ann.active());
    EXPECT_FALSE(form->TableAdrDlz->active());
    EXPECT_EQ(erstesFeld(alt, 3), "100000009");  // posted before the close; keyed, so it moved last
    // The year switch: tables of the old year's folder come back in the new one.
    EXPECT_EQ(pause.wiederOeffnen(alt + "\\", neu), std::vector<std::string>{});
    EXPECT_EQ(pause.wiederOeffnen(), std::vector<std::string>{});  // only once
  }
  EXPECT_TRUE(ann.active());
  EXPECT_TRUE(ann.exclusive());
  EXPECT_EQ(ann.databaseName(), neu);
  EXPECT_EQ(ann.recNo(), 3);  // the cursor followed the posted record to its place
  EXPECT_EQ(ann.fields(0).asString(), "200000003");
  EXPECT_EQ(form->TableAdrDlz->databaseName(), neu);

  // An edit that cannot be posted is dropped and said so; a table whose file went away is
  // reported; the destructor reopens what it closed.
  ASSERT_TRUE(ann.edit().ok() && ann.fields(0).setAsString("200000001").ok());  // the key of record 1
  std::vector<std::string> meldungen;
  {
    TabellenPause pause;
    std::filesystem::remove(daten / "Abrechng/2025/Daten/AdrDlz.db");
    meldungen = pause.wiederOeffnen();
  }
  ASSERT_EQ(meldungen.size(), 2u);
  EXPECT_TRUE(meldungen[0].starts_with("Änderung verworfen: TableAdrAnn (" +
                                       gezeigtImDaten("Abrechng/2025/Daten/Ann.DB): Schlüsselverletzung")))
      << meldungen[0];
  EXPECT_TRUE(
      meldungen[1].starts_with("Tabelle nicht geöffnet: TableAdrDlz (" +
                               gezeigtImDaten("Abrechng/2025/Daten/AdrDlz.DB): Tabelle nicht gefunden")))
      << meldungen[1];
  EXPECT_TRUE(ann.active());
  EXPECT_EQ(ann.fields(0).asString(), "200000003");
  EXPECT_FALSE(form->TableAdrDlz->active());
  {
    TabellenPause pause;
    EXPECT_EQ(pause.anzahl(), 1);
    EXPECT_FALSE(ann.active());
  }
  EXPECT_TRUE(ann.active());
  // A table its caller opens itself stays closed.
  {
    TabellenPause pause;
    pause.auslassen(*form->TableAdrAnn);
    EXPECT_EQ(pause.anzahl(), 0);
  }
  EXPECT_FALSE(ann.active());
}

}  // namespace
}  // namespace riviza::test
