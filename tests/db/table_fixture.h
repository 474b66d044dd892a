// Shared set-up of the table tests: a temporary folder, structures to create, and helpers that
// append rows and read a column back, so each test states only what it checks.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "db/TTable.h"
#include "support/temp_dir.h"

namespace riviza::db::test {

// The cost-bearer table's structure: eight text fields.
inline TableStructure kosttrStructure() {
  return {{{"IK", FieldType::Alpha, 9},
           {"Kurz", FieldType::Alpha, 30},
           {"Name1", FieldType::Alpha, 30},
           {"Name2", FieldType::Alpha, 30},
           {"Strasse", FieldType::Alpha, 30},
           {"Plz", FieldType::Alpha, 8},
           {"Ort", FieldType::Alpha, 30},
           {"Art", FieldType::Alpha, 5}},
          0};
}

// One field of every type, keyed on the first.
inline TableStructure mixedStructure() {
  return {{{"Id", FieldType::Alpha, 9},
           {"Betrag", FieldType::Money, 0},
           {"Anzahl", FieldType::Number, 0},
           {"Kurz", FieldType::Short, 0},
           {"Lang", FieldType::LongInt, 0},
           {"Zaehler", FieldType::AutoInc, 0},
           {"Flag", FieldType::Logical, 0},
           {"Datum", FieldType::Date, 0},
           {"Zeit", FieldType::Time, 0},
           {"Notiz", FieldType::Memo, 0}},
          1};
}

class TableTest : public ::testing::Test {
 protected:
  std::string folder() const { return dir_.str(); }

  void create(const std::string& name, const TableStructure& s) {
    Status st = TTable::createTable(folder(), name, s);
    ASSERT_TRUE(st.ok()) << st.error().describe();
  }

  void openTable(TTable& t, const std::string& name) {
    ASSERT_TRUE(t.setDatabaseName(folder()).ok());
    ASSERT_TRUE(t.setTableName(name).ok());
    Status st = t.open();
    ASSERT_TRUE(st.ok()) << st.error().describe();
  }

  // Appends one record, setting fields 0.. as text.
  static void appendRow(TTable& t, std::initializer_list<std::string> texts) {
    ASSERT_TRUE(t.append().ok());
    int i = 0;
    for (const std::string& s : texts) {
      Status st = t.fields(i++).setAsString(s);
      ASSERT_TRUE(st.ok()) << st.error().describe();
    }
    Status st = t.post();
    ASSERT_TRUE(st.ok()) << st.error().describe();
  }

  // Edits one field of the current record as text and posts the change.
  static void editRow(TTable& t, int field, const std::string& text) {
    ASSERT_TRUE(t.edit().ok());
    ASSERT_TRUE(t.fields(field).setAsString(text).ok());
    Status st = t.post();
    ASSERT_TRUE(st.ok()) << st.error().describe();
  }

  // The text of one field for every record of the view, from the first.
  static std::vector<std::string> column(TTable& t, int field) {
    std::vector<std::string> out;
    EXPECT_TRUE(t.first().ok());
    while (!t.eof()) {
      out.push_back(t.fields(field).asString());
      EXPECT_TRUE(t.next().ok());
    }
    return out;
  }

  riviza::test::TempDir dir_;
};

}  // namespace riviza::db::test
