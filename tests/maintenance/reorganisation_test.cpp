// The reorganisation of a year whose tables an older program wrote: every record in the new
// structure at its positions, the conversions of the five special tables, the new fields empty,
// what only Daten had carried over, both backups, the year's Version and the golden REORG.LOG.
// With RIVIZA_UPDATE_GOLDEN=1 the test rewrites tests/maintenance/golden/reorg.log instead (then
// review the diff before committing).
#include <gtest/gtest.h>

#include "app/allg_tools.h"
#include "maintenance/reorganisation_tabellen.h"
#include "platform/paths.h"
#include "reorg_fixture.h"
#include "support/tools.h"

namespace riviza::test {
namespace {

// What a record of an older table becomes: its texts at the common positions (below n), empty
// beyond, then the fields the rules change.
std::vector<std::string> nachher(const Satz& alt, int felder, int n, const Satz& geaendert) {
  std::vector<std::string> neu(static_cast<size_t>(felder));
  for (const auto& [pos, text] : alt)
    if (pos < n) neu[static_cast<size_t>(pos)] = text;
  for (const auto& [pos, text] : geaendert) neu[static_cast<size_t>(pos)] = text;
  return neu;
}

struct AlteTabelle {
  const char* datei;  // as written into Daten
  db::TableStructure struktur;
  std::vector<Satz> saetze;
  const char* neuerName;  // the template's name
  int felderNeu, n;
  // Per old record: the changed fields, or none when the record is dropped.
  std::vector<std::optional<Satz>> aenderungen;
  std::vector<int> reihenfolge{};  // order of the new records when the key reorders them
};

// A structure with some fields replaced.
db::TableStructure aendern(db::TableStructure s, const std::vector<std::pair<int, db::FieldDef>>& felder) {
  for (const auto& [pos, feld] : felder) s.fields[static_cast<size_t>(pos)] = feld;
  return s;
}

std::vector<AlteTabelle> alteTabellen() {
  const db::TableStructure eigene{{{"Nr", db::FieldType::Alpha, 5}, {"Text", db::FieldType::Alpha, 20}}, 0};
  using Saetze = std::vector<Satz>;
  using Aenderungen = std::vector<std::optional<Satz>>;
  return {
      {"ErfPosition.DB", aelter("ErfPosition.DB", 30),
       Saetze{{{0, "4711"}, {2, "HM1"}, {4, "2"}, {10, "1"}},
              {{0, "4712"}, {2, "HM2"}, {10, "0"}},
              {{0, "4713"}},
              {{0, " "}, {2, "verwaist"}, {10, "1"}},
              {{0, "4714"}, {10, "x"}},
              {{0, "4715"}, {5, "12,5"}, {10, "2"}}},
       "ErfPosition.DB", 31, 30,
       Aenderungen{Satz{{30, "True"}}, Satz{{10, ""}, {30, "False"}}, Satz{{30, "False"}}, std::nullopt,
                   Satz{{10, ""}, {30, "False"}}, Satz{{30, "True"}}}},
      {"Leistungen.DB", aelter("Leistungen.DB", 19),
       Saetze{{{0, "L1"}, {1, "Massage"}, {2, "A1"}, {3, "1"}},
              {{0, "L2"}, {2, "A2"}},
              {{0, "L3"}, {2, "A3"}, {3, "0"}}},
       "Leistungen.DB", 20, 19,
       Aenderungen{Satz{{19, "True"}}, Satz{{19, "False"}}, Satz{{3, ""}, {19, "False"}}}},
      {"Patienten.DB", aelter("Patienten.DB", 30),
       Saetze{{{1, "Meier"}, {7, "Hauptstr. 1"}, {16, "15.03.1950"}, {17, "2412"}},
              {{12, "nur zwölf"}},
              {{2, "nur Feld 2"}, {16, "01.01.1990"}},
              {{1, "Schulz"}, {16, "01.12.2000"}, {26, "True"}}},
       "Patienten.DB", 34, 30,
       Aenderungen{Satz{{0, "1"}, {26, "False"}, {33, "315"}}, Satz{{0, "2"}, {26, "False"}, {33, "9999"}},
                   std::nullopt, Satz{{0, "3"}, {26, "True"}, {33, "1201"}}}},
      // An older structure with a wider text (4) and a date kept as text (6): the longer text is
      // cut and logged, a blank date text gives an empty date.
      {"ErfBeleg.DB",
       aendern(aelter("ErfBeleg.DB", 53), {{4, {"Versichertenstatus", db::FieldType::Alpha, 20}},
                                           {6, {"Verordnungsdatum", db::FieldType::Alpha, 10}}}),
       Saetze{{{0, "4711"}, {1, "15.03.2024"}, {6, "01.02.2024"}, {48, "True"}, {52, "False"}},
              {{0, "4712"}, {14, "99,95"}},
              {{0, "4713"}, {4, "Mitglied und Familie"}, {6, "   "}}},
       "ErfBeleg.DB", 58, 53,
       Aenderungen{Satz{{51, "False"}}, Satz{{48, "False"}, {51, "False"}, {52, "False"}},
                   Satz{{4, "Mitglied u"}, {6, ""}, {48, "False"}, {51, "False"}, {52, "False"}}}},
      {"Ann.DB", aelter("Ann.DB", 20),
       Saetze{{{0, "1234567"}, {1, "AOK Bayern"}},
              {{0, "123456789"}, {1, "BKK Nord"}},
              {{0, " 7654321"}, {1, "IKK Süd"}}},
       "Ann.DB", 27, 20, Aenderungen{Satz{{0, "101234567"}}, Satz{}, Satz{{0, "107654321"}}},
       std::vector<int>{0, 2, 1}},
      {"kosttr.db", db::structureOf(*db::findCatalogueTable("Kosttr.db")),
       Saetze{{{0, "101111111"}, {1, "AOK"}, {7, "AO"}}, {{0, "102222222"}, {1, "EK"}, {7, "EK"}}},
       "Kosttr.db", 8, 8, Aenderungen{Satz{}, Satz{}}},
      {"Eigene.DB", eigene, Saetze{{{0, "1"}, {1, "nur hier"}}}, "Eigene.DB", 2, 2, Aenderungen{Satz{}}},
  };
}

TEST_F(Reorg, OlderTablesArriveInTheNewStructuresWithTheirConversions) {
  const auto tabellen = alteTabellen();
  std::map<std::string, std::string> vorher;
  gestartet([&] {
    for (const AlteTabelle& t : tabellen) tabelleAnlegen(jahrDaten(), t.datei, t.struktur, t.saetze);
    daten.write("Abrechng/2024/Daten/notiz.txt", "Hallo");
    // A user's files whose extensions the old engine's index masks match, of no table's name.
    daten.write("Abrechng/2024/Daten/Rechnung.pdf", "%PDF");
    daten.write("Abrechng/2024/Daten/Liste.xlsx", "PK");
    daten.write("Abrechng/2024/Daten/Bilder/scan1.tif", "TIFF");
    for (const char* index : {"ErfBeleg.PX", "ErfPosition.XG0", "Patienten.YG0"})
      daten.write(std::string("Abrechng/2024/Daten/") + index, "Index");
    vorher = ordnerInhalt(datenOrdner());
  });
  vorher["AdrDlz.db"] =
      fingerabdruck(readNative(datenOrdner() / "AdrDlz.db"));  // the start-up's template copy
  vorher.erase("Bilder/scan1.tif");                            // the backups hold files, not sub-folders

  reorganisieren();
  ASSERT_EQ(texte(), std::vector<std::string>{"Datensicherung durchgeführt ?"});
  EXPECT_FALSE(globals().FehlerAufgetreten);

  for (const AlteTabelle& t : tabellen) {
    SCOPED_TRACE(t.datei);
    std::vector<std::vector<std::string>> erwartet;
    for (size_t i = 0; i < t.saetze.size(); ++i)
      if (t.aenderungen[i]) erwartet.push_back(nachher(t.saetze[i], t.felderNeu, t.n, *t.aenderungen[i]));
    if (!t.reihenfolge.empty()) {
      auto unsortiert = erwartet;
      for (size_t i = 0; i < t.reihenfolge.size(); ++i)
        erwartet[i] = unsortiert[static_cast<size_t>(t.reihenfolge[i])];
    }
    EXPECT_EQ(tabelleLesen(jahrDaten(), t.neuerName), erwartet);
  }
  // A table only in Daten went over byte for byte; the lower-case name took the template's.
  const auto jetzt = ordnerInhalt(datenOrdner());
  EXPECT_EQ(jetzt.at("Eigene.DB"), vorher.at("Eigene.DB"));
  EXPECT_EQ(jetzt.at("notiz.txt"), fingerabdruck("Hallo"));
  EXPECT_EQ(jetzt.at("Rechnung.pdf"), fingerabdruck("%PDF"));
  EXPECT_EQ(jetzt.at("Liste.xlsx"), fingerabdruck("PK"));
  EXPECT_EQ(jetzt.at("Bilder/scan1.tif"), fingerabdruck("TIFF"));
  for (const char* weg : {"kosttr.db", "ErfBeleg.PX", "ErfPosition.XG0", "Patienten.YG0"})
    EXPECT_FALSE(jetzt.count(weg)) << weg;
  EXPECT_TRUE(jetzt.count("Kosttr.db"));
  EXPECT_EQ(jetzt.size(), 22u + 5u);  // every template, Eigene.DB, the user's four files
  EXPECT_FALSE(daten.exists("Abrechng/2024/Daten_neu"));
  EXPECT_FALSE(daten.exists("Abrechng/2024/Daten_vorher"));

  // Both backups hold Daten as it was; the dated one the log too.
  EXPECT_EQ(ordnerInhalt(daten / "Abrechng/2024/Daten_alt"), vorher);
  EXPECT_EQ(ordnerInhalt(daten / "Abrechng/2024/20240315/103000/Daten"), vorher);
  EXPECT_EQ(daten.read("Abrechng/2024/20240315/103000/REORG.LOG"), programm.read("REORG.LOG"));

  EXPECT_EQ(jahrWert("2024", "Version"), DateiVersion("").substr(0, 3));
  compareGolden("tests/maintenance/golden/reorg.log", reorgLog());
  EXPECT_EQ(form->ListBoxReorg->itemIndex(), form->ListBoxReorg->items().count() - 1);
  EXPECT_FALSE(form->LabelWarten->visible());
  EXPECT_FALSE(form->LabelDbSatz->visible());
  // The service-centre table is open again, on the new file.
  EXPECT_TRUE(form->TableAdrDlz->active());
  EXPECT_EQ(form->TableAdrDlz->tableName(), "AdrDlz.DB");
}

// Each older table of the scenario above copied twice from the same Daten, in one statement and
// record by record: the same records and the same log lines (the cut texts, the VAT codes, the
// counts), and one statement wherever the rule has its computed form (the patients' counter
// goes record by record).
TEST_F(Reorg, TheCopyInOneStatementGivesWhatTheCopyRecordByRecordGives) {
  const auto tabellen = alteTabellen();
  gestartet([&] {
    for (const AlteTabelle& t : tabellen) tabelleAnlegen(jahrDaten(), t.datei, t.struktur, t.saetze);
  });
  struct Ergebnis {
    std::vector<std::string> log;
    std::map<std::string, std::vector<std::vector<std::string>>> tabellen;
    std::map<std::string, Kopierweg> wege;
  };
  auto kopieren = [&](Kopierweg weg, const char* ordner) {
    Ergebnis e;
    const std::filesystem::path ziel = daten / "Abrechng/2024" / ordner;
    std::filesystem::copy(programm / "LeerDaten", ziel);
    EXPECT_TRUE(form->TableAlt->setDatabaseName(jahrDaten()).ok());
    EXPECT_TRUE(form->TableNeu->setDatabaseName(platform::pathText(ziel)).ok());
    form->ListBoxReorg->items().clear();
    for (const AlteTabelle& t : tabellen) {
      if (!std::filesystem::exists(ziel / t.neuerName)) continue;
      const Result<Kopierweg> genommen = TabelleReorganisieren(t.neuerName, weg);
      EXPECT_TRUE(genommen.ok()) << t.neuerName << ": " << genommen.error().describe();
      if (genommen) e.wege[t.neuerName] = *genommen;
      e.tabellen[t.neuerName] = tabelleLesen(platform::pathText(ziel), t.neuerName);
    }
    for (const std::string& zeile : form->ListBoxReorg->items().lines()) e.log.push_back(zeile.substr(19));
    return e;
  };
  const Ergebnis einSchritt = kopieren(Kopierweg::EinSchritt, "Daten_ein");
  const Ergebnis satzweise = kopieren(Kopierweg::Satzweise, "Daten_satz");
  EXPECT_EQ(einSchritt.tabellen, satzweise.tabellen);
  EXPECT_EQ(einSchritt.log, satzweise.log);
  EXPECT_EQ(einSchritt.tabellen.size(), 6u);
  for (const auto& [datei, weg] : einSchritt.wege) {
    SCOPED_TRACE(datei);
    EXPECT_EQ(weg, datei == "Patienten.DB" ? Kopierweg::Satzweise : Kopierweg::EinSchritt);
    EXPECT_EQ(satzweise.wege.at(datei), Kopierweg::Satzweise);
  }
}

}  // namespace
}  // namespace riviza::test
