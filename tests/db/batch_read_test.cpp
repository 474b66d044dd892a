// Records read a batch at a time: a scan sees what reading each record on its own sees, across
// batch borders, with keys, filters, jumps and bookmarks, with writes of its own during the scan,
// and with what another cursor or another program commits between two moves. The single-record
// read (recordTexts) and the sqlite3 shell are the references.
#include <algorithm>
#include <cstdio>
#include <optional>

#include "db/TTable.h"
#include "support/tools.h"
#include "table_fixture.h"

namespace riviza::db::test {
namespace {

using Strings = std::vector<std::string>;

// The sqlite3 shell's answer to a query on a table file, one line per row.
std::string shell(const std::string& file, const std::string& sql) {
  return riviza::test::toolOutput({"sqlite3", file, sql});
}

std::string number(int i) {
  std::string s = std::to_string(i);
  return std::string(5 - s.size(), '0') + s;
}

class BatchRead : public TableTest {
 protected:
  static Strings current(TTable& t) {
    Strings s;
    for (int i = 0; i < t.fieldCount(); ++i) s.push_back(t.fields(i).asString());
    return s;
  }
  static Strings single(TTable& t) { return t.recordTexts(t.recNo()).value(); }

  // Appends a record of the keyed structure (its counter field 5 is the table's own).
  static void appendKeyed(TTable& t, const Strings& texts) {
    ASSERT_TRUE(t.append().ok());
    for (size_t i = 0; i < texts.size(); ++i) {
      if (i == 5) continue;
      ASSERT_TRUE(t.fields(static_cast<int>(i)).setAsString(texts[i]).ok()) << i;
    }
    Status st = t.post();
    ASSERT_TRUE(st.ok()) << st.error().describe();
  }

  // The unkeyed cost-bearer table with `n` records ("00000".. in IK, "a"/"b"/"c" names) less
  // every seventh, so that record ids have gaps; and the keyed one of every type with all `n`
  // keys added in a scattered order, so that key order is not record order.
  void fill(TTable& plain, TTable& keyed, int n, const std::string& prefix = "") {
    create(prefix + "Plain.db", kosttrStructure());
    create(prefix + "Keyed.db", mixedStructure());
    openTable(plain, prefix + "Plain.db");
    openTable(keyed, prefix + "Keyed.db");
    auto plainGuard = plain.startTransaction();
    auto keyedGuard = keyed.startTransaction();
    for (int i = 0; i < n; ++i) {
      appendRow(plain, {number(i), std::string(1, "abc"[i % 3]) + number(i), i % 2 ? "" : "zwei"});
      const int k = i * 37 % n;  // n is prime: every key once
      appendKeyed(keyed, {"K" + number(k), std::to_string(k) + ",5", "", std::to_string(k % 100),
                          std::to_string(k), "", k % 2 ? "True" : "", "01.02.2024", "", "Notiz"});
    }
    ASSERT_TRUE(plain.first().ok());
    while (!plain.eof()) {
      const bool drop = std::stoi(plain.fields(0).asString()) % 7 == 0;
      ASSERT_TRUE(drop ? plain.deleteRecord().ok() : plain.next().ok());
    }
    ASSERT_TRUE(plainGuard->commit().ok());
    ASSERT_TRUE(keyedGuard->commit().ok());
  }

  // Every record of the view forward, then backward, then at jumps, each checked against its
  // single read; the IKs in view order.
  Strings walk(TTable& t) {
    Strings iks;
    for (Status st = t.first(); st && !t.eof(); st = t.next()) {
      EXPECT_EQ(current(t), single(t)) << "forward at " << t.recNo();
      iks.push_back(t.fields(0).asString());
    }
    int back = 0;
    for (Status st = t.last(); st && !t.bof(); st = t.prior(), ++back)
      EXPECT_EQ(current(t), single(t)) << "backward at " << t.recNo();
    EXPECT_EQ(back, t.recordCount());
    const int n = t.recordCount();
    for (int jump : {n / 2, 1, n, n / 3, n / 3 + 1, n / 3 - 1, n / 3 + 70}) {
      EXPECT_TRUE(t.setRecNo(jump).ok());
      EXPECT_EQ(current(t), single(t)) << "jump to " << jump;
    }
    return iks;
  }
};

TEST_F(BatchRead, ScansSeeWhatSingleReadsSeeWithKeysAndFilters) {
  TTable plain, keyed;
  fill(plain, keyed, 331);
  const std::string file = (dir_ / "Plain.db").string();
  struct Case {
    TTable* table;
    std::string filter, sql;  // the filter and the shell's query for the IKs it selects
  };
  for (const Case& c : {
           Case{&plain, "", "SELECT f0 FROM records ORDER BY rowid"},
           Case{&plain, "Kurz = 'a*' OR Kurz = 'b*'", "SELECT f0 FROM records WHERE f1 NOT LIKE 'c%'"},
           Case{&plain, "Kurz = 'c*'", "SELECT f0 FROM records WHERE f1 LIKE 'c%'"},
           Case{&plain, "Name1 = 'zwei'", "SELECT f0 FROM records WHERE f2 = 'zwei'"},
           Case{&plain, "IK = '00001' OR IK = '00005' OR IK = '00009'",
                "SELECT f0 FROM records WHERE f0 IN ('00001', '00005', '00009')"},
           Case{&keyed, "", ""},
           Case{&keyed, "Flag = 1", ""},
       }) {
    SCOPED_TRACE(c.filter + (c.table == &keyed ? " (keyed)" : ""));
    ASSERT_TRUE(c.table->setFilter(c.filter).ok());
    ASSERT_TRUE(c.table->setFiltered(!c.filter.empty()).ok());
    const Strings iks = walk(*c.table);
    // A scan of two fields reads what the walk read, in its order, and leaves the cursor.
    ASSERT_TRUE(c.table->setRecNo(2).ok());
    Strings scanned;
    const int last = c.table->fieldCount() - 1;
    ASSERT_TRUE(
        c.table
            ->scanValues({last, 0},
                         [&](const TTable::ValueRow& v) {
                           EXPECT_EQ(
                               fieldText(c.table->structure().fields[static_cast<size_t>(last)].type, v[0]),
                               c.table->recordTexts(static_cast<int>(scanned.size()) + 1).value().back());
                           scanned.push_back(fieldText(FieldType::Alpha, v[1]));
                           return okStatus();
                         })
            .ok());
    EXPECT_EQ(scanned, iks);
    EXPECT_EQ(c.table->recNo(), 2);
    if (!c.sql.empty()) {
      std::string expected;
      for (const std::string& ik : iks) expected += ik + "\n";
      EXPECT_EQ(expected, shell(file, c.sql));
    } else {
      EXPECT_EQ(iks.size(), c.filter.empty() ? 331u : 165u);
      EXPECT_TRUE(std::is_sorted(iks.begin(), iks.end()));
    }
  }
  // More different filters than the connection keeps prepared, and back to the first.
  for (int terms = 1; terms <= 20; ++terms) {
    std::string filter = "IK = '00001'";
    for (int k = 2; k <= terms; ++k) filter += " OR IK = '" + number(k) + "'";
    ASSERT_TRUE(plain.setFilter(filter).ok());
    EXPECT_EQ(plain.recordCount(), terms - (terms >= 7) - (terms >= 14)) << filter;
  }
  ASSERT_TRUE(plain.setFilter("Kurz = 'c*'").ok());
  EXPECT_EQ(std::to_string(plain.recordCount()) + "\n",
            shell(file, "SELECT count(*) FROM records WHERE f1 LIKE 'c%'"));
}

// Inside the table's own transaction and outside it: what the cursor itself writes shows at the
// next move, also where a new record takes the id of a deleted one or moves the view.
TEST_F(BatchRead, OwnWritesDuringAScanShowAtOnce) {
  for (bool inTransaction : {true, false}) {
    SCOPED_TRACE(inTransaction ? "in a transaction" : "without one");
    TTable plain, keyed;
    fill(plain, keyed, 211, inTransaction ? "T" : "");
    for (TTable* t : {&plain, &keyed}) {
      const int records = t->recordCount();
      const int text = t == &plain ? 2 : 9;  // a text field of each structure
      std::optional<TransactionGuard> guard;
      if (inTransaction) guard.emplace(std::move(t->startTransaction().value()));
      auto same = [t](const char* step) { EXPECT_EQ(current(*t), single(*t)) << step; };
      ASSERT_TRUE(t->first().ok());
      for (int i = 0; i < 70; ++i) ASSERT_TRUE(t->next().ok());
      const int here = t->recNo();
      ASSERT_TRUE(t->setRecNo(here + 3).ok());
      editRow(*t, text, "geändert");
      ASSERT_TRUE(t->setRecNo(here).ok());
      for (int i = 0; i < 3; ++i) ASSERT_TRUE(t->next().ok());
      EXPECT_EQ(t->fields(text).asString(), "geändert");
      same("edited ahead");
      // A record that goes before the cursor (keyed: every later record moves one place on
      // while the batch read ahead still holds them) or to the end (plain).
      appendKeyed(*t, {"A0000", "1"});
      ASSERT_TRUE(t->setRecNo(here + 5).ok());
      same("after an insert");
      ASSERT_TRUE(t->deleteRecord().ok());
      same("after a delete");
      ASSERT_TRUE(t->next().ok());
      same("next after a delete");
      // The last record's id freed and taken again by the next new record.
      ASSERT_TRUE(t->last().ok());
      const std::string lastIk = t->fields(0).asString();
      ASSERT_TRUE(t->deleteRecord().ok());
      appendKeyed(*t, {"Z9999", "9"});
      ASSERT_TRUE(t->first().ok());
      ASSERT_TRUE(t->last().ok());
      EXPECT_EQ(t->fields(0).asString(), "Z9999");
      same("a reused record id");
      if (guard) {
        ASSERT_TRUE(guard->commit().ok());
      }
      EXPECT_EQ(static_cast<int>(walk(*t).size()), records);  // one added, one deleted, one replaced
    }
  }
}

// Another cursor of this program and another program (the sqlite3 shell) change the records
// ahead of a scan whose batch already holds them: the next move shows their change.
TEST_F(BatchRead, OthersCommitsShowAtTheNextMove) {
  TTable t, other;
  TTable unused;
  fill(t, unused, 211);
  openTable(other, "Plain.db");
  ASSERT_TRUE(t.first().ok());
  for (int i = 0; i < 70; ++i) ASSERT_TRUE(t.next().ok());
  const int here = t.recNo();
  const std::string file = (dir_ / "Plain.db").string();

  ASSERT_TRUE(other.setRecNo(here + 1).ok());
  editRow(other, 2, "vom Nachbarn");
  ASSERT_TRUE(t.next().ok());
  EXPECT_EQ(t.fields(2).asString(), "vom Nachbarn");

  const std::string ik = t.recordTexts(here + 2).value()[0];
  shell(file, "UPDATE records SET f2 = 'von der Shell' WHERE f0 = '" + ik + "'");
  ASSERT_TRUE(t.next().ok());
  EXPECT_EQ(t.fields(2).asString(), "von der Shell");

  // The record under the cursor changed: edit starts from the stored values.
  ASSERT_TRUE(other.setRecNo(t.recNo()).ok());
  editRow(other, 3, "neu");
  ASSERT_TRUE(t.edit().ok());
  EXPECT_EQ(t.fields(3).asString(), "neu");
  t.cancel();

  // Between transactions of its own, with and without writes (a bulk routine's transaction
  // per voucher): the next record is already read ahead when the neighbour changes it.
  for (bool writes : {true, false}) {
    SCOPED_TRACE(writes ? "after a transaction that wrote" : "after one that did not");
    ASSERT_TRUE(t.next().ok());
    auto guard = t.startTransaction();
    ASSERT_TRUE(guard.ok());
    if (writes) {
      editRow(t, 3, "eigen");
    }
    ASSERT_TRUE(guard->commit().ok());
    ASSERT_TRUE(other.setRecNo(t.recNo() + 1).ok());
    editRow(other, 2, writes ? "danach" : "auch danach");
    ASSERT_TRUE(t.next().ok());
    EXPECT_EQ(t.fields(2).asString(), writes ? "danach" : "auch danach");
  }

  ASSERT_TRUE(other.setRecNo(t.recNo() + 1).ok());
  ASSERT_TRUE(other.deleteRecord().ok());
  Status gone = t.next();
  ASSERT_FALSE(gone.ok());
  EXPECT_EQ(gone.error().code, kRecordGone);
}

// Values bound for one record never leak into the next: empty fields after filled ones (also
// after a refused post) are stored as null, in inserts and updates.
TEST_F(BatchRead, EmptyFieldsAfterFilledOnesAreStoredAsNull) {
  create("Keyed.db", mixedStructure());
  TTable t;
  openTable(t, "Keyed.db");
  auto guard = t.startTransaction();
  ASSERT_TRUE(guard.ok());
  appendKeyed(t, {"A", "1,5", "2", "3", "4", "", "True", "01.02.2024", "10:00:00", "Notiz"});
  ASSERT_TRUE(t.append().ok());
  ASSERT_TRUE(t.fields(0).setAsString("A").ok());
  ASSERT_TRUE(t.fields(1).setAsString("7").ok());
  EXPECT_EQ(t.post().error().code, kKeyViolation);
  t.cancel();
  appendKeyed(t, {"B"});
  appendKeyed(t, {"C", "1,5", "2", "3", "4", "", "False", "01.02.2024", "10:00:00", "Notiz"});
  ASSERT_TRUE(t.edit().ok());
  for (int i : {1, 2, 3, 4, 6, 7, 8, 9}) ASSERT_TRUE(t.fields(i).clear().ok());
  ASSERT_TRUE(t.post().ok());
  ASSERT_TRUE(guard->commit().ok());
  EXPECT_EQ(
      shell((dir_ / "Keyed.db").string(),
            "SELECT f0, quote(f1), quote(f2), quote(f6), quote(f7), quote(f9) FROM records ORDER BY f0"),
      "A|1.5|2.0|1|'2024-02-01'|'Notiz'\nB|NULL|NULL|NULL|NULL|NULL\nC|NULL|NULL|NULL|NULL|NULL\n");
}

}  // namespace
}  // namespace riviza::db::test
