// Filters: the texts the logic builds, values that must not change a filter's meaning, errors.
#include "db/filter.h"

#include "db/TTable.h"
#include "table_fixture.h"

namespace riviza::db::test {
namespace {

using Strings = std::vector<std::string>;

TableStructure searchStructure() {
  return {{{"Ik", FieldType::Alpha, 9},
           {"Name", FieldType::Alpha, 30},
           {"Nummer", FieldType::Alpha, 10},
           {"GueltigBis", FieldType::LongInt, 0},
           {"Verarbeitet", FieldType::Short, 0},
           {"Datum", FieldType::Date, 0}},
          0};
}

class Filters : public TableTest {
 protected:
  void SetUp() override { anlegen("Suche.db"); }

  // The five records below in a new table `name`, open on t_.
  void anlegen(const std::string& name) {
    create(name, searchStructure());
    openTable(t_, name);
    appendRow(t_, {"101234567", "AOK Bayern", "17", "902", "0", "01.02.2024"});
    appendRow(t_, {"102345678", "aok Nord", "170", "903", "1", "15.03.2024"});
    appendRow(t_, {"103456789", "BKK O'Brien", "17", "1001", "0"});
    appendRow(t_, {"104567890", "50% Rabatt*"});
    appendRow(t_, {"105678901", "Ärztekasse", "18", "2403", "0"});
  }

  Strings selected(const std::string& filter, bool caseInsensitive) {
    EXPECT_TRUE(t_.setFiltered(false).ok());
    EXPECT_TRUE(t_.setFilterOptions({caseInsensitive}).ok());
    EXPECT_TRUE(t_.setFilter(filter).ok());
    Status st = t_.setFiltered(true);
    EXPECT_TRUE(st.ok()) << filter << ": " << (st.ok() ? "" : st.error().describe());
    Strings iks;
    for (const std::string& ik : column(t_, 0)) iks.push_back(ik.substr(2, 1));
    return iks;
  }

  TTable t_;
};

struct FilterCase {
  const char* filter;
  bool caseInsensitive;
  Strings rows;  // third digit of the IK of each selected record
};

TEST_F(Filters, SelectTheRecordsTheTextMeans) {
  for (const FilterCase& c : {
           FilterCase{"", false, {"1", "2", "3", "4", "5"}},
           FilterCase{"Name = 'aok*'", true, {"1", "2"}},
           FilterCase{"Name = 'aok*'", false, {"2"}},
           FilterCase{"name = 'AOK Bayern'", false, {"1"}},
           FilterCase{"Name = 'aok bayern'", false, {}},
           FilterCase{"Name = 'aok bayern'", true, {"1"}},
           FilterCase{"Ik = '1012*'OR Name = 'bkk*'", true, {"1", "3"}},
           FilterCase{"Ik = '1*'AND Name = 'a*'", true, {"1", "2"}},
           FilterCase{"Name = 'BKK O''Brien'", false, {"3"}},
           FilterCase{"Name = 'BKK O''*'", false, {"3"}},
           FilterCase{"Name = '50%*'", false, {"4"}},
           FilterCase{"Name = '50% Rabatt**'", false, {"4"}},
           FilterCase{"Name = '50% Rab**'", false, {}},  // "**" is a "*", not the prefix mark
           FilterCase{"Name = '50% Rabatt***'", false, {"4"}},
           FilterCase{"Name < 'b*'", true, {"1", "2", "4"}},  // an order: the "*" is a character
           FilterCase{"Name = '5_*'", false, {}},
           FilterCase{"Name = '*'", false, {"1", "2", "3", "4", "5"}},
           FilterCase{"Name = 'ärzte*'", true, {"5"}},
           FilterCase{"Name = 'Ä*'", true, {"5"}},
           FilterCase{"Name = 'ÄRZTEKASSE*'", true, {"5"}},
           FilterCase{"Name = 'Ärztekasse und mehr*'", true, {}},
           FilterCase{"Name = 'aok bayern*'", true, {"1"}},
           FilterCase{"Name = 'aok bayern*'", false, {}},
           FilterCase{"Name <> 'ä*'", true, {"1", "2", "3", "4"}},
           FilterCase{"Nummer = '1*'", false, {"1", "2", "3", "5"}},
           FilterCase{"Nummer = '*'", true, {"1", "2", "3", "4", "5"}},
           FilterCase{"Name <> 'a*'", true, {"3", "4", "5"}},
           FilterCase{"Nummer = 17", false, {"1", "3"}},
           FilterCase{"Nummer =17", false, {"1", "3"}},
           FilterCase{"Nummer =", false, {}},
           FilterCase{"Nummer = ''", false, {"4"}},
           FilterCase{"GueltigBis < 903", false, {"1"}},
           FilterCase{"GueltigBis >= 1001", false, {"3", "5"}},
           FilterCase{"GueltigBis = ''", false, {"4"}},
           FilterCase{"Verarbeitet = 0", false, {"1", "3", "5"}},
           FilterCase{"Verarbeitet = 0 AND Nummer = 17", false, {"1", "3"}},
           FilterCase{"Verarbeitet = 0 and (Nummer = 17 or Nummer = 18)", false, {"1", "3", "5"}},
           FilterCase{"Name = 'x' OR Verarbeitet = 1 AND Nummer = 170", false, {"2"}},
           FilterCase{"Datum < '01.03.2024'", false, {"1"}},
       }) {
    EXPECT_EQ(selected(c.filter, c.caseInsensitive), c.rows) << c.filter;
  }
}

TEST_F(Filters, ASearchOrALookupBuiltFromUserTextKeepsItsMeaning) {
  // The search edits append "*" to whatever was typed and quote it.
  for (const auto& [typed, rows] : std::vector<std::pair<std::string, Strings>>{
           {"O'B", {}}, {"BKK O'", {"3"}}, {"50%", {"4"}}, {"%", {}}, {"*", {}}, {"aok", {"1", "2"}}}) {
    std::string q = quoteFilterValue(typed, true);
    EXPECT_EQ(selected("Ik = " + q + "OR Name = " + q, true), rows) << typed;
  }
  // The exact lookups quote it as it is: a trailing "*" is a character too.
  for (const auto& [typed, rows] : std::vector<std::pair<std::string, Strings>>{
           {"10123456*", {}}, {"50% Rab*", {}}, {"50% Rabatt*", {"4"}}, {"BKK O'Brien", {"3"}}}) {
    std::string q = quoteFilterValue(typed);
    EXPECT_EQ(selected("Ik = " + q + "OR Name = " + q, true), rows) << typed;
  }
}

TEST(FilterCompiler, RejectsWhatItDoesNotKnow) {
  for (const char* text : {"Name = AOK", "Fehlt = 'x'", "Name = 'offen", "Name 'x'",
                           "GueltigBis < 'abc'", "GueltigBis = 'x*'", "Name = 'x' OR",
                           "Name = 'x' AND AND Nummer = 1", "(Name = 'x'", "Name = 'x')",
                           "Name == 'x'", "Name = 'x'; DROP TABLE records", "Verarbeitet = 2x"}) {
    auto c = compileFilter(text, searchStructure(), {});
    ASSERT_FALSE(c.ok()) << text;
    EXPECT_EQ(c.error().code, kFilterSyntax) << text;
  }
}

TEST(FilterCompiler, ValuesAreBoundNeverSpliced) {
  auto c = compileFilter("Name = 'a'' OR 1=1 --*'", searchStructure(), {true});
  ASSERT_TRUE(c.ok());
  EXPECT_EQ(c->whereSql.find("1=1"), std::string::npos);
  ASSERT_EQ(c->params.size(), 2u);
  EXPECT_EQ(std::get<std::string>(c->params[1]), "a' or 1=1 --");
}

TEST_F(Filters, AnUnknownFilterIsAnErrorAndLeavesTheOldOne) {
  ASSERT_TRUE(t_.setFilter("Nummer = 17").ok());
  ASSERT_TRUE(t_.setFiltered(true).ok());
  EXPECT_EQ(t_.recordCount(), 2);
  Status st = t_.setFilter("Nummer = siebzehn");
  ASSERT_FALSE(st.ok());
  EXPECT_EQ(st.error().code, kFilterSyntax);
  EXPECT_EQ(t_.filter(), "Nummer = 17");
  EXPECT_EQ(t_.recordCount(), 2);

  ASSERT_TRUE(t_.setFiltered(false).ok());
  ASSERT_TRUE(t_.setFilter("Unbekannt = 1").ok());  // kept until it is switched on
  EXPECT_FALSE(t_.setFiltered(true).ok());
  EXPECT_FALSE(t_.filtered());
  EXPECT_EQ(t_.recordCount(), 5);
}

TEST_F(Filters, ANewFilterStandsOnItsFirstRecordAndNewRecordsFollowIt) {
  ASSERT_TRUE(t_.last().ok());
  ASSERT_TRUE(t_.setFilter("Verarbeitet = 0").ok());
  ASSERT_TRUE(t_.setFiltered(true).ok());
  EXPECT_EQ(t_.recNo(), 1);
  EXPECT_TRUE(t_.bof());
  appendRow(t_, {"106000000", "Neu", "", "", "0"});
  EXPECT_EQ(t_.recordCount(), 4);
  EXPECT_EQ(t_.fields(1).asString(), "Neu");
  appendRow(t_, {"107000000", "Anders", "", "", "1"});  // does not pass: not shown
  EXPECT_EQ(t_.recordCount(), 4);
}

// A posted edit leaves the view only when the record no longer passes; an edit of fields the
// filter does not read keeps the record and the cursor on it, whatever else it changes.
TEST_F(Filters, AnEditedRecordLeavesTheViewOnlyWhenItNoLongerPasses) {
  struct Fall {
    const char* filter;
    int feld;
    const char* wert;
    Strings danach;     // third digit of the IK of each record shown after the post
    const char* steht;  // the IK's third digit of the record the cursor stands on
  };
  const Fall faelle[] = {
      {"Verarbeitet = 0", 1, "Umbenannt", {"1", "3", "5"}, "1"},
      {"Verarbeitet = 0", 4, "0", {"1", "3", "5"}, "1"},
      {"Verarbeitet = 0", 4, "1", {"3", "5"}, "3"},
      {"Nummer = '17'", 2, "170", {"3"}, "3"},
      {"Nummer = '17'", 2, "17", {"1", "3"}, "1"},
      {"Name = 'AOK*' OR Verarbeitet = 0", 1, "BKK", {"1", "3", "5"}, "1"},
      {"Name = 'AOK*' AND Verarbeitet = 0", 1, "BKK", {}, ""},
  };
  int nummer = 0;
  for (const Fall& f : faelle) {
    SCOPED_TRACE(std::string(f.filter) + " / " + std::to_string(f.feld) + " := " + f.wert);
    t_.close();
    anlegen("Fall" + std::to_string(++nummer) + ".db");
    ASSERT_TRUE(t_.setFilter(f.filter).ok());
    ASSERT_TRUE(t_.setFiltered(true).ok());
    ASSERT_TRUE(t_.edit().ok());
    ASSERT_TRUE(t_.fields(f.feld).setAsString(f.wert).ok());
    ASSERT_TRUE(t_.post().ok());
    const std::string steht = t_.isEmpty() ? "" : t_.fields(0).asString().substr(2, 1);
    EXPECT_EQ(steht, f.steht);
    Strings danach;
    for (const std::string& ik : column(t_, 0)) danach.push_back(ik.substr(2, 1));
    EXPECT_EQ(danach, f.danach);
  }
}

}  // namespace
}  // namespace riviza::db::test
