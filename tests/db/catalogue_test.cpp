// The catalogue against the fields the program's routines name, and the LeerDaten templates
// generated from it.
#include "db/catalogue.h"

#include <sstream>

#include "db/TTable.h"
#include "db/leerdaten.h"
#include "platform/codec.h"
#include "table_fixture.h"

namespace riviza::db::test {
namespace {

// Every field a routine names, written down from the routines' descriptions, independently of
// the catalogue: table | position | name | type letter | size (Alpha only). "-" as the name
// marks a position that is used but not named (its type and size are still fixed).
constexpr const char* kNamedFields = R"(
Ann.DB|0|Kostentraeger|A|9
Ann.DB|1|NameKostentraeger|A|30
Ann.DB|2|Rechnungen300|A|9
Ann.DB|3|NameRechnungen300|A|30
Ann.DB|4|Verordnungen300|A|9
Ann.DB|5|NameVerordnungen300|A|30
Ann.DB|6|ImageDateien|A|9
Ann.DB|7|NameImageDateien|A|30
Ann.DB|8|Rechnungen302|A|9
Ann.DB|9|NameRechnungen302|A|30
Ann.DB|10|Verordnungen302|A|9
Ann.DB|11|NameVerordnungen302|A|30
Ann.DB|12|Kostenvoranschläge|A|9
Ann.DB|13|Name Kostenvoranschläge|A|30
Ann.DB|14|Rechnungen300Pat|A|9
Ann.DB|15|NameRechnungen300Pat|A|30
Ann.DB|16|Verordnungen300Pat|A|9
Ann.DB|17|NameVerordnungen300Pat|A|30
Ann.DB|18|ImageDateienPat|A|9
Ann.DB|19|NameImageDateienPat|A|30
Ann.DB|20|Debitor|A|10
Ann.DB|21|NettoTage|A|3
Ann.DB|22|SkontoTage|A|3
Ann.DB|23|Skonto%|N|0
Ann.DB|24|FaktorImages|N|0
Ann.DB|25|Rechnung mit PaketNr.|L|0
Ann.DB|26|SaRe mit PaketNr.|L|0
AdrAnn.DB|0|Ik|A|9
AdrAnn.DB|1|Name|A|30
AdrAnn.DB|2|Name2|A|30
AdrAnn.DB|3|Strasse|A|30
AdrAnn.DB|4|Plz|A|8
AdrAnn.DB|5|Ort|A|30
AdrAnn.DB|6|IkTatsaechlich|A|9
AdrDlz.DB|0|DlzId|A|9
AdrDlz.DB|1|Name|A|30
AdrDlz.DB|2|Name2|A|30
AdrDlz.DB|3|Strasse|A|30
AdrDlz.DB|4|Plz|A|8
AdrDlz.DB|5|Ort|A|30
AdrDlz.DB|6|Telefon|A|20
AdrDlz.DB|7|Ansprechpartner|A|20
AdrDlz.DB|8|DruckDlz|L|0
Le.DB|0|Nummer|A|9
Le.DB|1|Suchen|A|10
Le.DB|2|Name|A|30
Le.DB|3|Name2|A|30
Le.DB|4|Strasse|A|30
Le.DB|5|PlzOrt|A|40
Le.DB|6|SteuerNummer|A|20
Le.DB|7|NettoTage|A|2
Le.DB|8|SkontoTage|A|2
Le.DB|9|SkontoProzent|A|5
Le.DB|10|Bank|A|30
Le.DB|11|KontoNummer|A|20
Le.DB|12|Blz|A|20
Le.DB|13|LfdBelNr|N|0
Le.DB|14|UstAusweisen|L|0
Le.DB|15|UstBefreiung|L|0
Le.DB|16|AbrechnungsCode|A|2
Le.DB|17|IBAN|A|40
Le.DB|18|BIC|A|20
Kosttr.db|0|IK|A|9
Kosttr.db|1|Kurz|A|30
Kosttr.db|2|Name1|A|30
Kosttr.db|3|Name2|A|30
Kosttr.db|4|Strasse|A|30
Kosttr.db|5|Plz|A|8
Kosttr.db|6|Ort|A|30
Kosttr.db|7|Art|A|5
Kassen.db|0|IK|A|9
Kassen.db|1|Kurz|A|30
Kassen.db|2|Name1|A|30
Kassen.db|3|Name2|A|30
Kassen.db|4|Strasse|A|30
Kassen.db|5|Plz|A|8
Kassen.db|6|Ort|A|30
Kassen.db|7|Art|A|5
Kassen.db|8|Kostenträger|A|9
Kas.db|0|KasIk|A|9
Kas.db|1|Art|A|5
Kas.db|2|KasDatei|A|3
Kas.db|3|KasKurz|A|30
Kas.db|4|KostIk|A|9
Kas.db|5|KostKurz|A|30
Kas.db|6|AnKostvorIk|A|9
Kas.db|7|AnKostvorKurz|A|30
Kas.db|8|AnRechIk|A|9
Kas.db|9|AnRechKurz|A|30
Kas.db|10|AnVerordIk|A|9
Kas.db|11|AnVerordKurz|A|30
Kas.db|12|AnImageIk|A|9
Kas.db|13|AnImageKurz|A|30
Kas.db|14|AnDatOhneIk|A|9
Kas.db|15|AnDatOhneKurz|A|30
Kas.db|16|AnDatMitIk|A|9
Kas.db|17|AnDatMitKurz|A|30
KasAdrAnn.db|0|Ik|A|9
KasAdrAnn.db|1|KurzName|A|30
KasAdrAnn.db|2|Name1|A|30
KasAdrAnn.db|3|Name2|A|30
KasAdrAnn.db|4|Name3|A|30
KasAdrAnn.db|5|Strasse|A|30
KasAdrAnn.db|6|Plz|A|8
KasAdrAnn.db|7|Ort|A|30
KasAdrAnn.db|8|KassenArt|A|5
KasAdrAnn.db|9|KassenDatei|A|3
ErfBeleg.DB|0|BelegNummer|A|*
ErfBeleg.DB|1|BelegDatum|D|0
ErfBeleg.DB|3|KV Nummer|A|*
ErfBeleg.DB|4|Versichertenstatus|A|*
ErfBeleg.DB|6|Verordnungsdatum|*|*
ErfBeleg.DB|14|GesBrutto|*|*
ErfBeleg.DB|15|GesZuzahlung|*|*
ErfBeleg.DB|16|PauschalerZuzahlbetrag|*|*
ErfBeleg.DB|19|Geburtsdatum|*|*
ErfBeleg.DB|48|Erledigt|L|0
ErfBeleg.DB|51|KassenNrDrucken|L|0
ErfBeleg.DB|52|KeineDatenannahme|L|0
ErfBeleg.DB|56|MaenWeiblich|*|*
ErfPosition.DB|0|BelegNummer|*|*
ErfPosition.DB|2|HM Nummer|A|*
ErfPosition.DB|4|Anzahl|*|*
ErfPosition.DB|5|Einzelbetrag|*|*
ErfPosition.DB|9|Zuzahlung|*|*
ErfPosition.DB|10|MwSt Kennzeichen|A|*
ErfPosition.DB|11|MwSt Satz|*|*
ErfPosition.DB|13|GesNetto|*|*
ErfPosition.DB|14|KzZUZ|A|*
ErfPosition.DB|15|KzZuzahlberechnung|A|*
ErfPosition.DB|17|BetragEigenanteil|*|*
ErfPosition.DB|18|Versorgungszeitraum|A|*
ErfPosition.DB|20|GesBrutto|*|*
ErfPosition.DB|21|Pharmazentralnummer|A|*
ErfPosition.DB|23|PosNr|*|*
ErfPosition.DB|30|NettoJN|L|0
Patienten.DB|0|-|+|0
Patienten.DB|1|-|A|*
Patienten.DB|7|-|A|*
Patienten.DB|8|-|A|*
Patienten.DB|11|-|A|*
Patienten.DB|12|-|A|*
Patienten.DB|16|-|D|0
Patienten.DB|26|-|L|0
Patienten.DB|33|-|S|0
Leistungen.DB|0|-|A|*
Leistungen.DB|1|-|A|*
Leistungen.DB|2|-|A|*
Leistungen.DB|3|-|A|*
Leistungen.DB|11|-|A|*
Leistungen.DB|16|-|A|*
Leistungen.DB|17|-|A|*
Leistungen.DB|18|-|A|8
Leistungen.DB|19|-|L|0
Stat01.DB|0|Schluessel|A|*
Stat01.DB|6|-|*|*
Arzt.DB|0|Nummer|A|*
)";

// Our choices for fields named without a position, and the positions they got.
constexpr const char* kChosen = R"(
ErfBeleg.DB|57|Verarbeitet|S|0
ErfPosition.DB|16|PauschalerZuzahlbetrag|$|0
Patienten.DB|17|GueltigBis|I|0
)";

struct Expected {
  std::string table, name, type, size;
  int position;
};

std::vector<Expected> parse(const char* text) {
  std::vector<Expected> out;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    std::vector<std::string> parts;
    std::istringstream cells(line);
    for (std::string cell; std::getline(cells, cell, '|');) parts.push_back(cell);
    EXPECT_EQ(parts.size(), 5u) << line;
    if (parts.size() == 5) out.push_back({parts[0], parts[2], parts[3], parts[4], std::stoi(parts[1])});
  }
  return out;
}

void checkAgainstCatalogue(const std::vector<Expected>& list) {
  for (const Expected& e : list) {
    const CatalogueTable* t = findCatalogueTable(e.table);
    ASSERT_NE(t, nullptr) << e.table;
    EXPECT_EQ(t->fileName, e.table) << "spelling";
    TableStructure s = structureOf(*t);
    ASSERT_LT(e.position, static_cast<int>(s.fields.size())) << e.table << " " << e.position;
    const FieldDef& f = s.fields[static_cast<size_t>(e.position)];
    std::string where = e.table + " " + std::to_string(e.position);
    if (e.name != "-") {
      EXPECT_EQ(f.name, e.name) << where;
    }
    if (e.type != "*") {
      EXPECT_EQ(std::string(1, typeLetter(f.type)), e.type) << where;
    }
    if (e.size != "*") {
      EXPECT_EQ(f.size, std::stoi(e.size)) << where;
    }
  }
}

TEST(Catalogue, EveryNamedFieldSitsWhereTheRoutinesAddressIt) {
  checkAgainstCatalogue(parse(kNamedFields));
  checkAgainstCatalogue(parse(kChosen));
}

TEST(Catalogue, HoldsEveryTableUnderItsExactName) {
  std::vector<std::string> names;
  for (const CatalogueTable& t : catalogue()) names.push_back(t.fileName);
  EXPECT_EQ(names, (std::vector<std::string>{
                       "Ann.DB", "AdrAnn.DB", "AdrDlz.DB", "Le.DB", "Kosttr.db", "Kosttr300.db",
                       "Kosttr105.db", "Kassen.db", "Kassen300.db", "Kassen105.db", "Kas.db",
                       "KasAdrAnn.db", "ErfBeleg.DB", "ErfPosition.DB", "Aufstellung.DB",
                       "ImageAufstellung.DB", "Patienten.DB", "Leistungen.DB", "Stat01.DB",
                       "Stat02.DB", "Firma.DB", "Arzt.DB"}));
  EXPECT_EQ(findCatalogueTable("kosttr.DB"), findCatalogueTable("Kosttr.db"));
  EXPECT_EQ(findCatalogueTable("Unbekannt.db"), nullptr);
}

TEST(Catalogue, StructuresAreSoundAndTablesFilledAlikeAreAlike) {
  for (const CatalogueTable& t : catalogue()) {
    Status st = validateStructure(structureOf(t));
    EXPECT_TRUE(st.ok()) << t.fileName << ": " << (st.ok() ? "" : st.error().message);
    for (const CatalogueField& f : t.named) {
      EXPECT_LT(f.position, t.fieldCount) << t.fileName;
      EXPECT_NE(std::string(f.fixedBy), "") << t.fileName << " " << f.position;
    }
  }
  for (const auto& [a, b] : std::vector<std::pair<const char*, const char*>>{
           {"Kosttr.db", "Kosttr300.db"}, {"Kosttr.db", "Kosttr105.db"},
           {"Kassen.db", "Kassen300.db"}, {"Kassen.db", "Kassen105.db"}, {"Stat01.DB", "Stat02.DB"}})
    EXPECT_EQ(structureOf(*findCatalogueTable(a)), structureOf(*findCatalogueTable(b))) << b;
  // The reorganisation's conversions for older structures key on these field counts.
  EXPECT_EQ(findCatalogueTable("ErfPosition.DB")->fieldCount, 31);
  EXPECT_EQ(findCatalogueTable("Leistungen.DB")->fieldCount, 20);
  EXPECT_LE(findCatalogueTable("Firma.DB")->fieldCount, 26);
}

class LeerDaten : public TableTest {};

TEST_F(LeerDaten, TemplatesOpenWithTheCatalogueStructureAndAreNeverOverwritten) {
  ASSERT_TRUE(writeLeerDaten(folder() + "/LeerDaten").ok());
  for (const CatalogueTable& t : catalogue()) {
    TTable table;
    openTable(table, std::string("LeerDaten/") + t.fileName);
    EXPECT_TRUE(table.isEmpty()) << t.fileName;
    EXPECT_EQ(table.structure(), structureOf(t)) << t.fileName;
  }
  EXPECT_EQ(dir_.read("LeerDaten/Abrechng.ini"),
            "[EINSTELLUNGEN]\r\nProgrammZugriff=\r\n[FIRMA]\r\nMwSt1=19\r\nMwSt2=7\r\n");
  EXPECT_EQ(writeLeerDaten(folder() + "/LeerDaten").error().code, kTableExists);
}

TEST(LeerDatenBuild, TheBuildTreeHoldsTheGeneratedFolder) {
  std::filesystem::path folder = std::filesystem::path(RIVIZA_BINARY_DIR) / "LeerDaten";
  for (const CatalogueTable& t : catalogue()) {
    auto s = readTableStructure(folder / t.fileName);
    ASSERT_TRUE(s.ok()) << t.fileName;
    EXPECT_EQ(*s, structureOf(t)) << t.fileName;
  }
  EXPECT_TRUE(std::filesystem::exists(folder / "Abrechng.ini"));
}

}  // namespace
}  // namespace riviza::db::test
