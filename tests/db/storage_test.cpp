// The table file: foreign files, locks between processes, keys, transactions, emptying, and
// what observers hear.
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>

#include "db/TTable.h"
#include "platform/clock.h"
#include "platform/text.h"
#include "support/tools.h"
#include "table_fixture.h"

namespace riviza::db::test {
namespace {

using riviza::test::readNative;

class Storage : public TableTest {};

TEST_F(Storage, AForeignFileIsRefusedAndLeftAsItWasAMissingOneNotCreated) {
  const std::string paradox = std::string("\x00\x08\x00\x00\x02\x03\x00\x10", 8) + std::string(300, 'P');
  dir_.write("Ann.DB", paradox);
  std::string other = (dir_ / "Other.db").string();
  riviza::test::toolOutput({"sqlite3", other, "CREATE TABLE x(a); INSERT INTO x VALUES(1);"});
  std::string otherBefore = readNative(other);
  dir_.write("Leer.db", "");

  for (const char* name : {"Ann.DB", "Other.db", "Leer.db"}) {
    TTable t;
    ASSERT_TRUE(t.setDatabaseName(folder()).ok());
    ASSERT_TRUE(t.setTableName(name).ok());
    Status st = t.open();
    ASSERT_FALSE(st.ok()) << name;
    EXPECT_EQ(st.error().code, kNotOurTable) << name;
    EXPECT_NE(st.error().message.find("keine Tabelle"), std::string::npos);
    EXPECT_FALSE(t.emptyTable().ok()) << name;
    EXPECT_FALSE(TTable::createTable(folder(), name, kosttrStructure()).ok()) << name;
  }
  EXPECT_EQ(dir_.read("Ann.DB"), paradox);
  EXPECT_EQ(readNative(other), otherBefore);
  EXPECT_EQ(dir_.read("Leer.db"), "");
  // A missing table is not created by opening.
  TTable t;
  ASSERT_TRUE(t.setDatabaseName(folder()).ok());
  ASSERT_TRUE(t.setTableName("Fehlt.db").ok());
  EXPECT_EQ(t.open().error().code, kTableNotFound);
  EXPECT_FALSE(dir_.exists("Fehlt.db"));
  EXPECT_FALSE(t.active());
}

TEST_F(Storage, StructureIsReadBackFromTheFile) {
  create("Mixed.db", mixedStructure());
  auto s = readTableStructure(dir_ / "Mixed.db");
  ASSERT_TRUE(s.ok());
  EXPECT_EQ(*s, mixedStructure());
  TableStructure bad{{{"A", FieldType::Alpha, 0}}, 0};
  EXPECT_EQ(TTable::createTable(folder(), "Bad.db", bad).error().code, kBadStructure);
  EXPECT_FALSE(dir_.exists("Bad.db"));
}

TEST_F(Storage, KeyViolationIsAnErrorAndTheRecordStaysInInsert) {
  create("Mixed.db", mixedStructure());
  TTable t;
  openTable(t, "Mixed.db");
  for (const char* id : {"B", "C", "A"}) appendRow(t, {id});
  EXPECT_EQ(column(t, 0), (std::vector<std::string>{"A", "B", "C"}));  // key order
  ASSERT_TRUE(t.append().ok());
  ASSERT_TRUE(t.fields(0).setAsString("B").ok());
  Status st = t.post();
  ASSERT_FALSE(st.ok());
  EXPECT_TRUE(isKeyViolation(st.error()));
  EXPECT_EQ(t.state(), TableState::Insert);
  ASSERT_TRUE(t.fields(0).setAsString("D").ok());
  ASSERT_TRUE(t.post().ok());
  EXPECT_EQ(t.recNo(), 4);
  // Changing a key moves the record to its new place.
  ASSERT_TRUE(t.first().ok());
  editRow(t, 0, "E");
  EXPECT_EQ(t.recNo(), 4);
  EXPECT_EQ(column(t, 0), (std::vector<std::string>{"B", "C", "D", "E"}));
  t.assertInvariants();
}

// Runs `child` in a forked process and returns its exit code.
template <class F>
int inChildProcess(F child) {
  pid_t pid = fork();
  if (pid == 0) _exit(child());
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(Storage, ExclusiveOpenRefusesASecondProcessBothWays) {
  create("ErfBeleg.DB", kosttrStructure());
  auto openInChild = [this](bool exclusive) {
    return inChildProcess([&] {
      TTable t;
      (void)t.setDatabaseName(folder());
      (void)t.setTableName("ErfBeleg.DB");
      (void)t.setExclusive(exclusive);
      Status st = t.open();
      return st.ok() ? 0 : st.error().code == kTableLocked ? 1 : 2;
    });
  };
  {
    TTable mine;
    ASSERT_TRUE(mine.setExclusive(true).ok());
    openTable(mine, "ErfBeleg.DB");
    EXPECT_EQ(openInChild(false), 1);
    EXPECT_EQ(openInChild(true), 1);
    TTable again;  // a second cursor of the same process is refused as well
    ASSERT_TRUE(again.setDatabaseName(folder()).ok());
    ASSERT_TRUE(again.setTableName("ErfBeleg.DB").ok());
    EXPECT_EQ(again.open().error().code, kTableLocked);
    EXPECT_EQ(again.emptyTable().error().code, kTableLocked);
  }
  {
    TTable shared;
    openTable(shared, "ErfBeleg.DB");
    EXPECT_EQ(openInChild(true), 1);
    EXPECT_EQ(openInChild(false), 0);
  }
  EXPECT_EQ(openInChild(true), 0);  // released on close
}

// A write another program's transaction holds off is waited for on the clock, then refused with
// a German reason whatever LANG says (sqlite3_errmsg would speak English). The read-only table
// is riviza-batch's case (tests/maintenance), run by a user without write access.
TEST_F(Storage, AWriteAnotherProgramHoldsOffIsRefusedAfterFiveSecondsInGerman) {
  create("Leistungen.DB", kosttrStructure());
  sqlite3* andere = nullptr;  // another program's write transaction
  ASSERT_EQ(sqlite3_open((dir_ / "Leistungen.DB").c_str(), &andere), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(andere, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
  platform::FixedClock uhr({2024, 3, 15, 10, 30, 0});
  platform::ScopedClock mitUhr(uhr);
  TTable t;
  openTable(t, "Leistungen.DB");
  ASSERT_TRUE(t.append().ok() && t.fields(0).setAsString("123").ok());
  const Status st = t.post();
  ASSERT_FALSE(st.ok());
  EXPECT_EQ(st.error().message, "Tabelle: Datenbank ist gesperrt (SQLite 5)");
  int gewartet = 0;
  for (int ms : uhr.sleeps()) gewartet += ms;
  EXPECT_EQ(gewartet, 5000);
  sqlite3_close(andere);
}

TEST_F(Storage, BulkRewriteRollsBackUnlessCommitted) {
  create("Kosttr.db", kosttrStructure());
  TTable t;
  openTable(t, "Kosttr.db");
  for (const char* ik : {"1", "2"}) appendRow(t, {ik});
  {
    auto tx = t.startTransaction();
    ASSERT_TRUE(tx.ok());
    ASSERT_TRUE(t.emptyTable().ok());
    appendRow(t, {"9"});
    EXPECT_EQ(t.startTransaction().error().code, kTransactionState);
  }  // failure path: no commit
  EXPECT_FALSE(t.inTransaction());
  // The record the cursor stood on is gone: it stands at that place among the restored ones.
  EXPECT_EQ(t.recNo(), 1);
  EXPECT_EQ(t.fields(0).asString(), "1");
  EXPECT_FALSE(t.bof() || t.eof());
  EXPECT_EQ(column(t, 0), (std::vector<std::string>{"1", "2"}));
  t.assertInvariants();
  {
    // A guard that is handed another one ends the transaction it held, as its destructor would.
    TransactionGuard held;
    auto tx = t.startTransaction();
    ASSERT_TRUE(tx.ok());
    held = std::move(*tx);
    ASSERT_TRUE(t.emptyTable().ok());
    held = TransactionGuard();
    EXPECT_FALSE(t.inTransaction());
    EXPECT_EQ(column(t, 0), (std::vector<std::string>{"1", "2"}));
  }
  {
    auto tx = t.startTransaction();
    ASSERT_TRUE(tx.ok());
    ASSERT_TRUE(t.emptyTable().ok());
    appendRow(t, {"9"});
    ASSERT_TRUE(tx->commit().ok());
  }
  TTable other;
  openTable(other, "Kosttr.db");
  EXPECT_EQ(column(other, 0), (std::vector<std::string>{"9"}));
  // Rollback journal, no WAL: between transactions a table is its one file.
  std::vector<std::string> files;
  for (const auto& e : std::filesystem::directory_iterator(dir_.path())) files.push_back(e.path().filename());
  EXPECT_EQ(files, (std::vector<std::string>{"Kosttr.db"}));
}

// The copy in one statement stores what a record-by-record copy (assign, the flag rule, the
// blank test, a blank text left empty) stores, in the source's key order, converting types and
// cutting texts as the assignment does; a value that does not convert fails the copy as it fails
// the record, and what it cannot do in one statement it refuses; a failed copy appends nothing.
TEST_F(Storage, AppendFromStoresWhatTheRecordByRecordCopyStores) {
  const TableStructure alt{{{"Id", FieldType::Alpha, 9},
                            {"Betrag", FieldType::Money, 0},
                            {"Kurz", FieldType::Short, 0},
                            {"Flag", FieldType::Logical, 0},
                            {"Datum", FieldType::Date, 0},
                            {"Notiz", FieldType::Memo, 0}},
                           1};
  TableStructure neu = alt;
  neu.fields[0].size = 12;
  neu.fields.push_back({"Neu", FieldType::Logical, 0});
  neu.keyFieldCount = 0;
  create("Alt.db", alt);
  TTable quelle;
  openTable(quelle, "Alt.db");
  appendRow(quelle, {"3", "1,5", "7", "True", "15.03.2024", "01.02.2024"});
  appendRow(quelle, {"1"});
  appendRow(quelle, {" ", "9"});
  appendRow(quelle, {"2", "2", "", "False", "", "   "});
  appendRow(quelle, {"Ärger übe", "2,25", "-3"});
  // What `each` is told of the records written (record number in the source's key order, two
  // stored values as text), against what the record-by-record copy reads of each.
  std::vector<std::string> gesehen, einzelnGelesen;
  RecordCopy kopie{{0, 1, 2, 3, 4, 5}, {3, 6, 9}, {0}};
  kopie.watched = {1, 0};
  kopie.each = [&](int recNo, std::span<const Value> v) {
    gesehen.push_back(std::to_string(recNo) + " " + fieldText(FieldType::Money, v[0]) + " " +
                      fieldText(FieldType::Alpha, v[1]));
    return okStatus();
  };
  auto leerLeer = kopie;
  leerLeer.blankTextLeavesEmpty = true;

  auto mit = [&](std::vector<std::pair<int, FieldDef>> felder) {
    TableStructure s = neu;
    for (const auto& [pos, feld] : felder) s.fields[static_cast<size_t>(pos)] = feld;
    return s;
  };
  struct Fall {
    const char* was;
    TableStructure ziel;
    RecordCopy kopie;
    int code;  // 0: copied
  };
  const Fall faelle[] = {
      {"gleich", neu, kopie, 0},
      {"kürzer", mit({{0, {"Id", FieldType::Alpha, 5}}, {5, {"Notiz", FieldType::Alpha, 4}}}), kopie, 0},
      {"andere Typen",
       mit({{1, {"Betrag", FieldType::Number, 0}},
            {2, {"Kurz", FieldType::Alpha, 3}},
            {4, {"Datum", FieldType::Alpha, 10}},
            {5, {"Notiz", FieldType::Alpha, 30}}}),
       kopie, 0},
      {"Ganzzahl als Betrag", mit({{2, {"Kurz", FieldType::Money, 0}}}), kopie, 0},
      {"Text als Datum, leer bleibt leer", mit({{5, {"Notiz", FieldType::Date, 0}}}), leerLeer, 0},
      {"Text als Datum", mit({{5, {"Notiz", FieldType::Date, 0}}}), kopie, kConversion},
      {"Betrag als Ganzzahl", mit({{1, {"Betrag", FieldType::Short, 0}}}), kopie, kConversion},
  };
  int nr = 0;
  for (const Fall& fall : faelle) {
    SCOPED_TRACE(fall.was);
    const std::string name = std::to_string(++nr);
    create("Neu" + name + ".db", fall.ziel);
    create("Einzeln" + name + ".db", fall.ziel);
    TTable bulk, einzeln;
    openTable(bulk, "Neu" + name + ".db");
    openTable(einzeln, "Einzeln" + name + ".db");
    gesehen.clear();
    einzelnGelesen.clear();
    auto n = bulk.appendFrom(quelle, fall.kopie);
    Status einzelnSt;
    for (Status st = quelle.first(); st && einzelnSt && !quelle.eof(); st = quelle.next()) {
      if (platform::trim(quelle.fields(0).asString()).empty()) continue;
      einzelnGelesen.push_back(std::to_string(quelle.recNo()) + " " + quelle.fields(1).asString() + " " +
                        quelle.fields(0).asString());
      ASSERT_TRUE(einzeln.append().ok());
      for (int i = 0; i < 6 && einzelnSt; ++i) {
        const bool leer = fall.kopie.blankTextLeavesEmpty && isTextType(quelle.fields(i).dataType()) &&
                          !isTextType(einzeln.fields(i).dataType()) &&
                          platform::trim(quelle.fields(i).asString()).empty();
        einzelnSt = leer ? einzeln.fields(i).clear() : einzeln.fields(i).assign(quelle.fields(i));
      }
      for (int i : {3, 6})
        if (einzelnSt && !einzeln.fields(i).asBoolean()) einzelnSt = einzeln.fields(i).setAsBoolean(false);
      if (einzelnSt) einzelnSt = einzeln.post();
    }
    if (fall.code) {
      ASSERT_FALSE(einzelnSt.ok());
      EXPECT_EQ(einzelnSt.error().code, fall.code);
      ASSERT_FALSE(n.ok());
      EXPECT_EQ(n.error().code, fall.code);
      EXPECT_EQ(n.error().message, einzelnSt.error().message);
      EXPECT_TRUE(bulk.isEmpty());
      EXPECT_FALSE(bulk.inTransaction());
      EXPECT_TRUE(gesehen.empty());
      continue;
    }
    EXPECT_EQ(gesehen, einzelnGelesen);
    ASSERT_TRUE(einzelnSt.ok()) << einzelnSt.error().describe();
    ASSERT_TRUE(n.ok()) << n.error().describe();
    EXPECT_EQ(*n, 4);
    EXPECT_EQ(bulk.recordCount(), einzeln.recordCount());
    ASSERT_TRUE(bulk.first().ok() && einzeln.first().ok());
    for (; !bulk.eof() && !einzeln.eof(); (void)bulk.next(), (void)einzeln.next())
      for (int i = 0; i < 7; ++i) EXPECT_EQ(bulk.fields(i).value(), einzeln.fields(i).value()) << i;
    bulk.assertInvariants();
  }
  {
    TTable gleich, kuerzer;
    openTable(gleich, "Neu1.db");
    EXPECT_EQ(column(gleich, 0), (std::vector<std::string>{"1", "2", "3", "Ärger übe"}));
    EXPECT_EQ(column(gleich, 3), (std::vector<std::string>{"False", "False", "True", "False"}));
    openTable(kuerzer, "Neu2.db");
    EXPECT_EQ(column(kuerzer, 0), (std::vector<std::string>{"1", "2", "3", "Ärger"}));
    EXPECT_EQ(column(kuerzer, 5), (std::vector<std::string>{"", "   ", "01.0", ""}));
  }

  // Refused, nothing written: a counter, a flag that is no logical field, a blank test on a
  // number, a computed flag.
  auto zaehler = neu;
  zaehler.fields[6] = {"Nr", FieldType::AutoInc, 0};
  RecordCopy berechneteFlagge{{0}, {6}, {}};
  berechneteFlagge.computed.push_back(
      {6, {3}, [](std::span<const Value>) -> Result<Value> { return Value(1LL); }});
  const std::pair<TableStructure, RecordCopy> abgelehnt[] = {
      {zaehler, {{0}, {}, {}}}, {neu, {{0}, {1}, {}}}, {neu, {{0}, {}, {1}}}, {neu, berechneteFlagge}};
  for (const auto& [struktur, k] : abgelehnt) {
    const std::string name = "Abgelehnt" + std::to_string(++nr) + ".db";
    create(name, struktur);
    TTable t;
    openTable(t, name);
    auto r = t.appendFrom(quelle, k);
    ASSERT_FALSE(r.ok()) << name;
    EXPECT_EQ(r.error().code, kNotInOneStatement) << name;
    EXPECT_TRUE(t.isEmpty()) << name;
  }

  // Two equal keys: nothing appended, no transaction left, and the next copy goes through.
  TableStructure verschluesselt = neu, ohneSchluessel = alt;
  verschluesselt.keyFieldCount = 1;
  ohneSchluessel.keyFieldCount = 0;
  create("Schl.db", verschluesselt);
  create("Doppelt.db", ohneSchluessel);
  TTable doppelt, schl;
  openTable(doppelt, "Doppelt.db");
  appendRow(doppelt, {"1"});
  appendRow(doppelt, {"1"});
  openTable(schl, "Schl.db");
  auto r = schl.appendFrom(doppelt, {{0}, {}, {}});
  ASSERT_FALSE(r.ok());
  EXPECT_EQ(r.error().code, kKeyViolation);
  EXPECT_TRUE(schl.isEmpty());
  EXPECT_FALSE(schl.inTransaction());
  r = schl.appendFrom(quelle, kopie);
  ASSERT_TRUE(r.ok()) << r.error().describe();
  EXPECT_EQ(*r, 4);

  // The source is only read: another writer holding it neither stalls nor fails the copy, and a
  // source in a transaction of its own (whose copy would see what it has not committed) is
  // refused.
  TTable schreiber, gelesen;
  openTable(schreiber, "Alt.db");
  create("Gelesen.db", neu);
  openTable(gelesen, "Gelesen.db");
  {
    auto laufend = schreiber.startTransaction();
    ASSERT_TRUE(laufend.ok());
    r = gelesen.appendFrom(quelle, kopie);
    ASSERT_TRUE(r.ok()) << r.error().describe();
    EXPECT_EQ(*r, 4);
    r = gelesen.appendFrom(schreiber, kopie);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().code, kNotInOneStatement);
  }
}

// A computed position gets its function's value for every record, for a source field of a few
// values as for one of a value per record, and a failing function fails the copy with its own
// error.
TEST_F(Storage, AComputedPositionHoldsItsFunctionsValueForEveryRecord) {
  const TableStructure s{
      {{"Code", FieldType::Number, 0}, {"Nr", FieldType::LongInt, 0}, {"Text", FieldType::Alpha, 20}}, 0};
  create("Quelle.db", s);
  TTable quelle;
  openTable(quelle, "Quelle.db");
  const char* codes[] = {"1", "7", "0", "2,5", ""};
  for (int i = 0; i < 20; ++i) appendRow(quelle, {codes[i % 5], std::to_string(i)});
  auto text = [](std::span<const Value> v) -> Result<Value> {
    if (isNull(v[0])) return Value(std::string("leer"));
    return Value(formatFloatText(std::get<double>(v[0])));
  };
  RecordCopy kopie{{0, 1}, {}, {}};
  kopie.computed.push_back({2, {0, 1}, [text](std::span<const Value> v) -> Result<Value> {
                              auto t = text(v);
                              return Value(std::get<std::string>(*t) + "/" +
                                           std::to_string(std::get<long long>(v[1])));
                            }});
  create("Ziel.db", s);
  TTable ziel;
  openTable(ziel, "Ziel.db");
  auto n = ziel.appendFrom(quelle, kopie);
  ASSERT_TRUE(n.ok()) << n.error().describe();
  std::vector<std::string> erwartet;
  const char* texte[] = {"1", "7", "0", "2,5", "leer"};
  for (int i = 0; i < 20; ++i) erwartet.push_back(std::string(texte[i % 5]) + "/" + std::to_string(i));
  EXPECT_EQ(column(ziel, 2), erwartet);

  RecordCopy scheitert{{0}, {}, {}};
  scheitert.computed.push_back({2, {1}, [](std::span<const Value> v) -> Result<Value> {
                                  if (std::get<long long>(v[0]) == 13)
                                    return Error::make(kConversion, "13 geht nicht");
                                  return Value(std::string("ok"));
                                }});
  create("Leer.db", s);
  TTable leer;
  openTable(leer, "Leer.db");
  auto r = leer.appendFrom(quelle, scheitert);
  ASSERT_FALSE(r.ok());
  EXPECT_EQ(r.error().code, kConversion);
  EXPECT_EQ(r.error().message, "13 geht nicht");
  EXPECT_TRUE(leer.isEmpty());
}

TEST_F(Storage, EmptyingAClosedTableAndRebuildingIndexes) {
  create("Mixed.db", mixedStructure());
  TTable t;
  openTable(t, "Mixed.db");
  appendRow(t, {"A"});
  ASSERT_TRUE(t.rebuildIndexes().ok());
  t.close();
  EXPECT_EQ(t.fieldCount(), 0);
  ASSERT_TRUE(t.emptyTable().ok());
  ASSERT_TRUE(t.open().ok());
  EXPECT_TRUE(t.isEmpty());
  EXPECT_EQ(t.rebuildIndexes().ok(), true);
  // Emptying a table that has no records, open or closed, leaves its file as it was.
  const std::string before = readNative(dir_ / "Mixed.db");
  ASSERT_TRUE(t.emptyTable().ok());
  t.close();
  ASSERT_TRUE(t.emptyTable().ok());
  EXPECT_EQ(readNative(dir_ / "Mixed.db"), before);
}

// The integrity check reads the whole file without writing it: a sound table passes and keeps
// its bytes; a table whose last page (record or index data) was zeroed is SQLITE_CORRUPT.
TEST_F(Storage, IntegrityCheckFindsADamagedPageAndWritesNothing) {
  create("Mixed.db", mixedStructure());
  {
    TTable t;
    openTable(t, "Mixed.db");
    auto tx = t.startTransaction();
    ASSERT_TRUE(tx.ok());
    for (int i = 0; i < 400; ++i) appendRow(t, {"K" + std::to_string(100000 + i), "1,5", "2", "3", "4"});
    ASSERT_TRUE(tx->commit().ok());
  }
  const std::string datei = dir_.str() + "/Mixed.db";
  const std::string vorher = riviza::test::readNative(datei);
  {
    TTable t;
    openTable(t, "Mixed.db");
    Status st = t.checkIntegrity();
    EXPECT_TRUE(st.ok()) << st.error().describe();
  }
  EXPECT_EQ(riviza::test::readNative(datei), vorher);

  std::string beschaedigt = vorher;
  ASSERT_GT(beschaedigt.size(), 4u * 4096u);
  std::fill(beschaedigt.end() - 4096, beschaedigt.end(), '\0');
  riviza::test::writeNative(datei, beschaedigt);
  TTable t;
  openTable(t, "Mixed.db");
  Status st = t.checkIntegrity();
  ASSERT_FALSE(st.ok());
  EXPECT_EQ(st.error().code, SQLITE_CORRUPT);
  EXPECT_EQ(st.error().message, "Tabelle beschädigt: " + datei);
}

TEST_F(Storage, NamesChangeOnlyWhileClosed) {
  create("Kosttr.db", kosttrStructure());
  TTable t;
  openTable(t, "Kosttr.db");
  EXPECT_FALSE(t.setTableName("Other.db").ok());
  EXPECT_FALSE(t.setDatabaseName("x").ok());
  EXPECT_FALSE(t.setExclusive(true).ok());
  EXPECT_EQ(t.tableName(), "Kosttr.db");
}

struct Recorder : TableObserver {
  std::vector<std::string> events;
  void tableStateChanged(TTable& t) override {
    static const char* names[] = {"Inactive", "Browse", "Edit", "Insert"};
    events.push_back(std::string("state:") + names[static_cast<int>(t.state())]);
  }
  void tableRecordChanged(TTable&) override { events.push_back("record"); }
  void tableDataChanged(TTable&) override { events.push_back("data"); }
  void tableFieldChanged(TTable&, int i) override { events.push_back("field:" + std::to_string(i)); }
  void tableUpdateRecord(TTable&) override { events.push_back("update"); }
  void tableDestroyed(TTable&) override { events.push_back("destroyed"); }
};

TEST_F(Storage, ObserversHearMovesStatesAndFieldChanges) {
  create("Kosttr.db", kosttrStructure());
  Recorder r;
  {
    TTable t;
    t.addObserver(&r);
    openTable(t, "Kosttr.db");
    appendRow(t, {"1"});
    ASSERT_TRUE(t.first().ok());
    EXPECT_EQ(r.events, (std::vector<std::string>{"state:Browse", "data", "state:Insert", "record", "field:0",
                                                  "update", "state:Browse", "data", "record"}));
    r.events.clear();
    t.disableControls();
    appendRow(t, {"2"});
    ASSERT_TRUE(t.first().ok());
    EXPECT_EQ(r.events, (std::vector<std::string>{"update"}));
    t.enableControls();
    EXPECT_EQ(r.events, (std::vector<std::string>{"update", "data"}));
    r.events.clear();
  }
  EXPECT_EQ(r.events, (std::vector<std::string>{"state:Inactive", "data", "destroyed"}));
}

}  // namespace
}  // namespace riviza::db::test
