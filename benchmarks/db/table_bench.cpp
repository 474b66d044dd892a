// Rows per second of the table component against plain SQLite on the same file layout:
// 100,000 appends of the cost-bearer table's structure in one transaction, and a scan of them
// with a case-insensitive prefix filter (one record in ten passes); and every record edited once.
// AppendRatio and ScanRatio time the table against SQLite in one run each and check that both
// stored, or found, the same records.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "db/TTable.h"
#include "db/catalogue.h"
#include "support/bench_dir.h"
#include "support/peer.h"

namespace {

namespace fs = std::filesystem;
using namespace riviza::db;
using riviza::Status;

constexpr int kRows = 100000;

using Folder = riviza::bench::BenchDir;

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
  for (auto _ : state) {
    state.PauseTiming();
    openFresh(t, folder);
    state.ResumeTiming();
    Status st = fill(t);
    if (!st) state.SkipWithError(st.error().message.c_str());
  }
  state.SetItemsProcessed(state.iterations() * kRows);
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
  for (auto _ : state) {
    (void)t.setFiltered(false);
    (void)t.setFilter("Kurz = 'aok*'");
    (void)t.setFiltered(true);
    for (Status st = t.first(); st && !t.eof(); st = t.next()) seen += t.fields(0).asString().size();
  }
  if (t.recordCount() != kRows / 10) state.SkipWithError("wrong count");
  benchmark::DoNotOptimize(seen);
  state.SetItemsProcessed(state.iterations() * kRows);
}

// Every record edited and posted in one transaction, as the bulk rewrites do: stays linear in
// the number of records.
void TTableEditAll100k(benchmark::State& state) {
  Folder folder;
  TTable t;
  openFilled(t, folder, state);
  int round = 0;
  for (auto _ : state) {
    std::string text = "Name zwei " + std::to_string(round++);
    auto tx = t.startTransaction();
    if (!tx) state.SkipWithError("transaction");
    for (Status st = t.first(); st && !t.eof(); st = t.next()) {
      (void)t.edit();
      (void)t.fields(3).setAsString(text);
      (void)t.post();
    }
    if (!tx || !tx->commit()) state.SkipWithError("commit");
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}

// The peer: the same file layout written and read with prepared SQLite statements directly.
bool sqliteInsertAll(sqlite3* db, sqlite3_stmt* ins) {
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  for (int i = 0; i < kRows; ++i) {
    std::string ik = std::to_string(1000000 + i), kurz = shortName(i);
    const char* values[] = {
        ik.c_str(), kurz.c_str(), "Name eins der Kasse", "Name zwei", "Hauptstraße 1", "80333",
        "München",  "AO"};
    for (int c = 0; c < 8; ++c) sqlite3_bind_text(ins, c + 1, values[c], -1, SQLITE_TRANSIENT);
    if (sqlite3_step(ins) != SQLITE_DONE) return false;
    sqlite3_reset(ins);
  }
  return sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
}

void SqliteAppend100k(benchmark::State& state) {
  Folder folder;
  for (auto _ : state) {
    state.PauseTiming();
    TTable t;
    openFresh(t, folder);
    t.close();
    sqlite3* db = nullptr;
    sqlite3_open((folder.path / "Kosttr.db").c_str(), &db);
    sqlite3_stmt* ins = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO records VALUES(?,?,?,?,?,?,?,?)", -1, &ins, nullptr);
    state.ResumeTiming();
    if (!sqliteInsertAll(db, ins)) state.SkipWithError("insert");
    state.PauseTiming();
    sqlite3_finalize(ins);
    sqlite3_close(db);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}

void SqlitePrefixScan(benchmark::State& state) {
  Folder folder;
  TTable t;
  openFilled(t, folder, state);
  t.close();
  sqlite3* db = nullptr;
  sqlite3_open((folder.path / "Kosttr.db").c_str(), &db);
  sqlite3_stmt* sel = nullptr;
  sqlite3_prepare_v2(db, "SELECT * FROM records WHERE lower(f1) LIKE 'aok%' ORDER BY rowid", -1, &sel,
                     nullptr);
  long long seen = 0;
  for (auto _ : state) {
    while (sqlite3_step(sel) == SQLITE_ROW) seen += sqlite3_column_bytes(sel, 0);
    sqlite3_reset(sel);
  }
  benchmark::DoNotOptimize(seen);
  sqlite3_finalize(sel);
  sqlite3_close(db);
  state.SetItemsProcessed(state.iterations() * kRows);
}

// The records of Kosttr.db in `folder` as SQLite reads them: count, and a digest of every value
// of every record in order.
struct Stored {
  long long count = -1;
  size_t digest = 0;
  bool operator==(const Stored&) const = default;
};
Stored storedIn(const Folder& folder) {
  Stored s;
  sqlite3* db = nullptr;
  sqlite3_open_v2((folder.path / "Kosttr.db").c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* sel = nullptr;
  sqlite3_prepare_v2(db, "SELECT f0,f1,f2,f3,f4,f5,f6,f7 FROM records ORDER BY rowid", -1, &sel, nullptr);
  s.count = 0;
  std::string row;
  while (sqlite3_step(sel) == SQLITE_ROW) {
    row.clear();
    for (int c = 0; c < 8; ++c) {
      const unsigned char* text = sqlite3_column_text(sel, c);
      row += text ? reinterpret_cast<const char*>(text) : "\x01null";
      row += '\t';
    }
    s.digest = s.digest * 31 + std::hash<std::string>{}(row);
    ++s.count;
  }
  sqlite3_finalize(sel);
  sqlite3_close(db);
  return s;
}

// 100,000 appends in one transaction, ours and SQLite's own, on a fresh file each: both files
// must hold the same records.
void AppendRatio(benchmark::State& state) {
  Folder folder;
  TTable t;
  Stored ours, peer;
  sqlite3* db = nullptr;
  sqlite3_stmt* ins = nullptr;
  riviza::bench::compareWithPeer(state, kRows, "rowsps",
                                 {"ours", [&] { return fill(t).ok(); },
                                  [&] {
                                    t.close();
                                    ours = storedIn(folder);
                                    return ours.count == kRows;
                                  },
                                  [&] { openFresh(t, folder); }},
                                 {"sqlite", [&] { return sqliteInsertAll(db, ins); },
                                  [&] {
                                    sqlite3_finalize(ins);
                                    sqlite3_close(db);
                                    peer = storedIn(folder);
                                    return peer == ours;
                                  },
                                  [&] {
                                    openFresh(t, folder);
                                    t.close();
                                    sqlite3_open((folder.path / "Kosttr.db").c_str(), &db);
                                    sqlite3_prepare_v2(db, "INSERT INTO records VALUES(?,?,?,?,?,?,?,?)", -1,
                                                       &ins, nullptr);
                                  }},
                                 2);
}

// The case-insensitive prefix scan, ours through the filter and SQLite's own LIKE: both must
// find the same tenth of the records.
void ScanRatio(benchmark::State& state) {
  Folder folder;
  TTable t;
  openFilled(t, folder, state);
  (void)t.setFilterOptions({true});
  std::vector<std::string> oursFound, peerFound;
  sqlite3* db = nullptr;
  sqlite3_open_v2((folder.path / "Kosttr.db").c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* sel = nullptr;
  sqlite3_prepare_v2(db, "SELECT f0 FROM records WHERE lower(f1) LIKE 'aok%' ORDER BY rowid", -1, &sel,
                     nullptr);
  riviza::bench::compareWithPeer(
      state, kRows, "rowsps",
      {"ours",
       [&] {
         oursFound.clear();
         (void)t.setFiltered(false);
         (void)t.setFilter("Kurz = 'aok*'");
         (void)t.setFiltered(true);
         for (Status st = t.first(); st && !t.eof(); st = t.next())
           oursFound.push_back(t.fields(0).asString());
         return true;
       },
       [&] { return oursFound.size() == kRows / 10; }},
      {"sqlite",
       [&] {
         peerFound.clear();
         while (sqlite3_step(sel) == SQLITE_ROW)
           peerFound.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(sel, 0)));
         return sqlite3_reset(sel) == SQLITE_OK;
       },
       [&] { return peerFound == oursFound; }});
  sqlite3_finalize(sel);
  sqlite3_close(db);
}

BENCHMARK(AppendRatio)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(ScanRatio)->Iterations(1)->Unit(benchmark::kMillisecond);

BENCHMARK(TTableAppend100k)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(SqliteAppend100k)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(TTableEditAll100k)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(TTablePrefixScan)->Unit(benchmark::kMillisecond);
BENCHMARK(SqlitePrefixScan)->Unit(benchmark::kMillisecond);

}  // namespace
