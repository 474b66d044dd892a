// The filter index: an equality filter on the indexed field is answered through the index (one
// lookup per voucher instead of a scan of the table), selects the same records as without it,
// and the index is made once.
#include <gtest/gtest.h>

#include "db/filter.h"
#include "platform/paths.h"
#include "table_fixture.h"

namespace riviza::db::test {
namespace {

// SQLite's plan for the view of a filter, as the cursor selects it.
std::string plan(const std::string& file, const std::string& filterText, FilterOptions options = {}) {
  auto db = Database::open(file, false);
  EXPECT_TRUE(db.ok() && registerFilterFunctions(*db).ok());
  auto where = compileFilter(filterText, kosttrStructure(), options);
  EXPECT_TRUE(where.ok());
  auto st = Statement::prepare(*db, "EXPLAIN QUERY PLAN SELECT rowid FROM records WHERE " + where->whereSql);
  if (!st.ok()) return "prepare: " + st.error().message;
  std::string detail;
  while (st->step().valueOr(false)) detail += st->columnText(3) + ";";
  return detail;
}

TEST_F(TableTest, AnEqualityFilterUsesTheFilterIndex) {
  create("Pos.db", kosttrStructure());
  TTable t;
  openTable(t, "Pos.db");
  for (const char* ik : {"17", "1", "", "17", "1'7"}) appendRow(t, {ik, "x"});
  const std::string file = platform::nativePath(folder() + "\\Pos.db").string();
  EXPECT_EQ(plan(file, "IK = '17'").find("INDEX"), std::string::npos);

  ASSERT_TRUE(t.ensureFilterIndex("IK").ok());
  ASSERT_TRUE(t.ensureFilterIndex("ik").ok());  // made once; the name as the filters spell it
  EXPECT_EQ(t.ensureFilterIndex("Fehlt").error().code, kFieldNotFound);
  EXPECT_NE(plan(file, "IK = '17'").find("USING INDEX"), std::string::npos);
  // Prefix tests and the case-insensitive option cannot use it.
  EXPECT_EQ(plan(file, "IK = '1*'").find("INDEX"), std::string::npos);
  EXPECT_EQ(plan(file, "IK = '17'", {.caseInsensitive = true}).find("INDEX"), std::string::npos);

  const std::pair<const char*, std::vector<std::string>> faelle[] = {{"IK = '17'", {"17", "17"}},
                                                                     {"IK = '1'", {"1"}},
                                                                     {"IK = ''", {""}},
                                                                     {"IK = '1''7'", {"1'7"}},
                                                                     {"IK =", {}}};
  for (const auto& [filter, iks] : faelle) {
    SCOPED_TRACE(filter);
    ASSERT_TRUE(t.setFilter(filter).ok());
    ASSERT_TRUE(t.setFiltered(true).ok());
    EXPECT_EQ(column(t, 0), iks);
  }
  t.close();
  EXPECT_EQ(t.ensureFilterIndex("IK").error().code, kInactive);
}

}  // namespace
}  // namespace riviza::db::test
