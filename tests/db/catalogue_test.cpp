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
// the catalogue. A line is "table@position" and the fields from that position on, "|" between
// them, each as its name and its type letter, with the size after an Alpha's letter ("A30"). "*"
// leaves the size or the whole type open; "-" as the name marks a position that is used but not
// named (its type and size are still fixed).
constexpr const char* kNamedFields = R"(
Ann.DB@0 Kostentraeger A9|NameKostentraeger A30|Rechnungen300 A9|NameRechnungen300 A30
Ann.DB@4 Verordnungen300 A9|NameVerordnungen300 A30|ImageDateien A9|NameImageDateien A30
Ann.DB@8 Rechnungen302 A9|NameRechnungen302 A30|Verordnungen302 A9|NameVerordnungen302 A30
Ann.DB@12 Kostenvoranschläge A9|Name Kostenvoranschläge A30|Rechnungen300Pat A9|NameRechnungen300Pat A30
Ann.DB@16 Verordnungen300Pat A9|NameVerordnungen300Pat A30|ImageDateienPat A9|NameImageDateienPat A30
Ann.DB@20 Debitor A10|NettoTage A3|SkontoTage A3|Skonto% N|FaktorImages N|Rechnung mit PaketNr. L
Ann.DB@26 SaRe mit PaketNr. L
AdrAnn.DB@0 Ik A9|Name A30|Name2 A30|Strasse A30|Plz A8|Ort A30|IkTatsaechlich A9
AdrDlz.DB@0 DlzId A9|Name A30|Name2 A30|Strasse A30|Plz A8|Ort A30|Telefon A20|Ansprechpartner A20
AdrDlz.DB@8 DruckDlz L
Le.DB@0 Nummer A9|Suchen A10|Name A30|Name2 A30|Strasse A30|PlzOrt A40|SteuerNummer A20|NettoTage A2
Le.DB@8 SkontoTage A2|SkontoProzent A5|Bank A30|KontoNummer A20|Blz A20|LfdBelNr N|UstAusweisen L
Le.DB@15 UstBefreiung L|AbrechnungsCode A2|IBAN A40|BIC A20
Kosttr.db@0 IK A9|Kurz A30|Name1 A30|Name2 A30|Strasse A30|Plz A8|Ort A30|Art A5
Kassen.db@0 IK A9|Kurz A30|Name1 A30|Name2 A30|Strasse A30|Plz A8|Ort A30|Art A5|Kostenträger A9
Kas.db@0 KasIk A9|Art A5|KasDatei A3|KasKurz A30|KostIk A9|KostKurz A30|AnKostvorIk A9|AnKostvorKurz A30
Kas.db@8 AnRechIk A9|AnRechKurz A30|AnVerordIk A9|AnVerordKurz A30|AnImageIk A9|AnImageKurz A30
Kas.db@14 AnDatOhneIk A9|AnDatOhneKurz A30|AnDatMitIk A9|AnDatMitKurz A30
KasAdrAnn.db@0 Ik A9|KurzName A30|Name1 A30|Name2 A30|Name3 A30|Strasse A30|Plz A8|Ort A30|KassenArt A5
KasAdrAnn.db@9 KassenDatei A3
ErfBeleg.DB@0 BelegNummer A*|BelegDatum D
ErfBeleg.DB@3 KV Nummer A*|Versichertenstatus A*
ErfBeleg.DB@6 Verordnungsdatum *
ErfBeleg.DB@14 GesBrutto *|GesZuzahlung *|PauschalerZuzahlbetrag *
ErfBeleg.DB@19 Geburtsdatum *
ErfBeleg.DB@48 Erledigt L
ErfBeleg.DB@51 KassenNrDrucken L|KeineDatenannahme L
ErfBeleg.DB@56 MaenWeiblich *
ErfPosition.DB@0 BelegNummer *
ErfPosition.DB@2 HM Nummer A*
ErfPosition.DB@4 Anzahl *|Einzelbetrag *
ErfPosition.DB@9 Zuzahlung *|MwSt Kennzeichen A*|MwSt Satz *
ErfPosition.DB@13 GesNetto *|KzZUZ A*|KzZuzahlberechnung A*
ErfPosition.DB@17 BetragEigenanteil *|Versorgungszeitraum A*
ErfPosition.DB@20 GesBrutto *|Pharmazentralnummer A*
ErfPosition.DB@23 PosNr *
ErfPosition.DB@30 NettoJN L
Patienten.DB@0 - +|- A*
Patienten.DB@7 - A*|- A*
Patienten.DB@11 - A*|- A*
Patienten.DB@16 - D
Patienten.DB@26 - L
Patienten.DB@33 - S
Leistungen.DB@0 - A*|- A*|- A*|- A*
Leistungen.DB@11 - A*
Leistungen.DB@16 - A*|- A*|- A8|- L
Stat01.DB@0 Schluessel A*
Stat01.DB@6 - *
Arzt.DB@0 Nummer A*
)";

// Our choices for fields named without a position, and the positions they got.
constexpr const char* kChosen = R"(
ErfBeleg.DB@57 Verarbeitet S
ErfPosition.DB@16 PauschalerZuzahlbetrag $
Patienten.DB@17 GueltigBis I
)";

struct Expected {
  std::string table, name, type, size;
  int position;
};

std::vector<Expected> parse(const char* text) {
  std::vector<Expected> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    const size_t at = line.find('@'), blank = line.find(' ', at);
    if (at == std::string::npos || blank == std::string::npos) continue;
    int position = std::stoi(line.substr(at + 1, blank - at - 1));
    std::istringstream fields(line.substr(blank + 1));
    for (std::string field; std::getline(fields, field, '|'); ++position) {
      const size_t split = field.rfind(' ');
      const std::string kind = field.substr(split + 1);
      const std::string size = kind.size() > 1 ? kind.substr(1) : kind == "*" ? "*" : "0";
      out.push_back({line.substr(0, at), field.substr(0, split), kind.substr(0, 1), size, position});
    }
  }
  EXPECT_GT(out.size(), 0u);
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
