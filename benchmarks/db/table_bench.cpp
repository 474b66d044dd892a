// Rows per second of the table component against plain SQLite on the same file layout:
// 100,000 appends of the cost-bearer table's structure in one transaction, and a scan of them
// with a case-insensitive prefix filter (one record in ten passes); and every record edited once.
// Each TTable benchmark also reports ours_s, peer_s and ratio = ours / peer: the fastest of its
// own runs against the fastest of three runs of the same work through prepared SQLite
// statements, measured in the same process right after it.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "db/TTable.h"
#include "db/catalogue.h"

namespace {

namespace fs = std::filesystem;
using namespace riviza::db;
using riviza::Status;

constexpr int kRows = 100000;

struct Folder {
  Folder() {
    std::string tmpl = (fs::temp_directory_path() / "riviza-bench-XXXXXX").string();
    path = mkdtemp(tmpl.data());
  }
  ~Folder() { fs::remove_all(path); }
  fs::path path;
};

std::string shortName(int i) { return (i % 10 == 0 ? "AOK Bezirk " : "BKK Betrieb ") + std::to_string(i); }

// A fresh, empty Kosttr.db in `folder`, opened.
void openFresh(TTable& t, const Folder& folder) {
  t.close();
  fs::remove(folder.path / "Kosttr.db");
  (void)TTable::createTable(folder.path.string(), "Kosttr.db", structureOf(*findCatalogueTable("Kosttr.db")));
  (void)t.setDatabaseName(folder.path.string());
  (void)t.setTableName("Kosttr.db");
  (void)t.open();
}

double seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The fastest of three runs of `run` (which returns the seconds of its timed part).
template <class Run>
double fastestOfThree(Run run) {
  double best = run();
  for (int i = 0; i < 2; ++i) best = std::min(best, run());
  return best;
}

void report(benchmark::State& state, double ours, double peer) {
  state.counters["ours_s"] = ours;
  state.counters["peer_s"] = peer;
  state.counters["ratio"] = ours / peer;
}

// The peers: the same work on a table file of the same layout with SQLite's own calls, the
// statements prepared before the clock starts.
struct Raw {
  Raw(const Folder& folder, std::initializer_list<const char*> sqls) {
    sqlite3_open((folder.path / "Kosttr.db").c_str(), &db);
    for (const char* sql : sqls) {
      sqlite3_stmt* st = nullptr;
      sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
      statements.push_back(st);
    }
  }
  ~Raw() {
    for (sqlite3_stmt* st : statements) sqlite3_finalize(st);
    sqlite3_close(db);
  }
  // Seconds of `work`, inside one write transaction when `transaction`.
  template <class Work>
  double timed(bool transaction, Work work) {
    const auto start = std::chrono::steady_clock::now();
    if (transaction) sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    work(statements);
    if (transaction) sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    return seconds(start);
  }
  sqlite3* db = nullptr;
  std::vector<sqlite3_stmt*> statements;
};

double sqliteAppend(const Folder& folder) {
  TTable t;
  openFresh(t, folder);
  t.close();
  Raw raw(folder, {"INSERT INTO records VALUES(?,?,?,?,?,?,?,?)"});
  return raw.timed(true, [](const std::vector<sqlite3_stmt*>& st) {
    for (int i = 0; i < kRows; ++i) {
      std::string ik = std::to_string(1000000 + i), kurz = shortName(i);
      const char* values[] = {
          ik.c_str(), kurz.c_str(), "Name eins der Kasse", "Name zwei", "Hauptstraße 1", "80333",
          "München",  "AO"};
      for (int c = 0; c < 8; ++c) sqlite3_bind_text(st[0], c + 1, values[c], -1, SQLITE_TRANSIENT);
      sqlite3_step(st[0]);
      sqlite3_reset(st[0]);
    }
  });
}

// Reads the record ids in order, then updates one field of each by id.
double sqliteEditAll(const Folder& folder) {
  Raw raw(folder, {"SELECT rowid FROM records ORDER BY rowid", "UPDATE records SET f3=? WHERE rowid=?"});
  return raw.timed(true, [](const std::vector<sqlite3_stmt*>& st) {
    std::vector<long long> rowids;
    while (sqlite3_step(st[0]) == SQLITE_ROW) rowids.push_back(sqlite3_column_int64(st[0], 0));
    sqlite3_reset(st[0]);
    for (long long id : rowids) {
      sqlite3_bind_text(st[1], 1, "Name zwei peer", -1, SQLITE_STATIC);
      sqlite3_bind_int64(st[1], 2, id);
      sqlite3_step(st[1]);
      sqlite3_reset(st[1]);
    }
  });
}

double sqlitePrefixScan(const Folder& folder) {
  Raw raw(folder, {"SELECT * FROM records WHERE lower(f1) LIKE 'aok%' ORDER BY rowid"});
  long long seen = 0;
  const double s = raw.timed(false, [&](const std::vector<sqlite3_stmt*>& st) {
    while (sqlite3_step(st[0]) == SQLITE_ROW) seen += sqlite3_column_bytes(st[0], 0);
  });
  benchmark::DoNotOptimize(seen);
  return s;
}

Status fill(TTable& t) {
  auto tx = t.startTransaction();
  if (!tx) return tx.error();
  for (int i = 0; i < kRows; ++i) {
    RIVIZA_TRY(t.append());
    RIVIZA_TRY(t.fields(0).setAsString(std::to_string(1000000 + i)));
    RIVIZA_TRY(t.fields(1).setAsString(shortName(i)));
    RIVIZA_TRY(t.fields(2).setAsString("Name eins der Kasse"));
    RIVIZA_TRY(t.fields(3).setAsString("Name zwei"));
    RIVIZA_TRY(t.fields(4).setAsString("Hauptstraße 1"));
    RIVIZA_TRY(t.fields(5).setAsString("80333"));
    RIVIZA_TRY(t.fields(6).setAsString("München"));
    RIVIZA_TRY(t.fields(7).setAsString("AO"));
    RIVIZA_TRY(t.post());
  }
  return tx->commit();
}

void TTableAppend100k(benchmark::State& state) {
  Folder folder;
  TTable t;
  double ours = 1e9;
  for (auto _ : state) {
    state.PauseTiming();
    openFresh(t, folder);
    state.ResumeTiming();
    const auto start = std::chrono::steady_clock::now();
    Status st = fill(t);
    ours = std::min(ours, seconds(start));
    if (!st) state.SkipWithError(st.error().message.c_str());
  }
  state.SetItemsProcessed(state.iterations() * kRows);
  t.close();  // the loop is over: what follows is not timed
  report(state, ours, fastestOfThree([&] { return sqliteAppend(folder); }));
}

// A fresh table holding the 100,000 records, open on `t`.
void openFilled(TTable& t, const Folder& folder, benchmark::State& state) {
  openFresh(t, folder);
  if (!fill(t)) state.SkipWithError("fill");
}

void TTablePrefixScan(benchmark::State& state) {
  Folder folder;
  TTable t;
  openFilled(t, folder, state);
  (void)t.setFilterOptions({true});
  long long seen = 0;
  double ours = 1e9;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    (void)t.setFiltered(false);
    (void)t.setFilter("Kurz = 'aok*'");
    (void)t.setFiltered(true);
    for (Status st = t.first(); st && !t.eof(); st = t.next()) seen += t.fields(0).asString().size();
    ours = std::min(ours, seconds(start));
  }
  if (t.recordCount() != kRows / 10) state.SkipWithError("wrong count");
  benchmark::DoNotOptimize(seen);
  state.SetItemsProcessed(state.iterations() * kRows);
  t.close();  // the loop is over: what follows is not timed
  report(state, ours, fastestOfThree([&] { return sqlitePrefixScan(folder); }));
}

// Every record edited and posted in one transaction, as the bulk rewrites do: stays linear in
// the number of records.
void TTableEditAll100k(benchmark::State& state) {
  Folder folder;
  TTable t;
  openFilled(t, folder, state);
  int round = 0;
  double ours = 1e9;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    std::string text = "Name zwei " + std::to_string(round++);
    auto tx = t.startTransaction();
    if (!tx) state.SkipWithError("transaction");
    for (Status st = t.first(); st && !t.eof(); st = t.next()) {
      (void)t.edit();
      (void)t.fields(3).setAsString(text);
      (void)t.post();
    }
    if (!tx || !tx->commit()) state.SkipWithError("commit");
    ours = std::min(ours, seconds(start));
  }
  state.SetItemsProcessed(state.iterations() * kRows);
  t.close();  // the loop is over: what follows is not timed
  report(state, ours, fastestOfThree([&] { return sqliteEditAll(folder); }));
}

// The peers on their own, for their rows per second.
void SqliteAppend100k(benchmark::State& state) {
  Folder folder;
  for (auto _ : state) state.SetIterationTime(sqliteAppend(folder));
  state.SetItemsProcessed(state.iterations() * kRows);
}

void SqlitePrefixScan(benchmark::State& state) {
  Folder folder;
  TTable t;
  openFilled(t, folder, state);
  t.close();
  for (auto _ : state) state.SetIterationTime(sqlitePrefixScan(folder));
  state.SetItemsProcessed(state.iterations() * kRows);
}

BENCHMARK(TTableAppend100k)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(SqliteAppend100k)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(TTableEditAll100k)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(TTablePrefixScan)->Unit(benchmark::kMillisecond);
BENCHMARK(SqlitePrefixScan)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
