// The census over a year of V vouchers with three positions each (V = 10,000 and 100,000), the
// whole run of "Stat01" from the first voucher to the saved workbook, against SQLite computing
// the same rows in one statement (the first position of every voucher joined to it, the key
// built in SQL, INSERT OR IGNORE into a copy of Stat01.DB), alternately in the same run
// (support/peer.h). Counters: vouchers per second of both, ratio = sqlite's time / ours (above 1:
// ours is faster), and us_per_voucher, which stays flat from the small to the large year when the
// work is linear (the goal: 100,000 vouchers under 5 s). Every run checks the rows it left in
// Stat01.DB against the peer's.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "db/TTable.h"
#include "db/catalogue.h"
#include "db/table_file.h"
#include "forms/Riviza1.h"
#include "forms/globals.h"
#include "maintenance/statistik.h"
#include "office/application.h"
#include "platform/paths.h"
#include "support/bench_dir.h"
#include "support/peer.h"
#include "ui/dialogs.h"

namespace riviza {
namespace {

namespace fs = std::filesystem;

using Ordner = bench::BenchDir;

const char* const kHm[] = {"604503", "704505", "123456", "604504"};

// A table of the catalogue's structure with `n` records through the table component, in one
// transaction; `setzen(t, r)` writes record r's fields.
template <class Setzen>
bool fuellen(const fs::path& ordner, const char* datei, int n, Setzen setzen) {
  const std::string text = platform::pathText(ordner);
  if (!db::TTable::createTable(text, datei, db::structureOf(*db::findCatalogueTable(datei)))) return false;
  db::TTable t;
  if (!t.setDatabaseName(text) || !t.setTableName(datei) || !t.open()) return false;
  auto tx = t.startTransaction();
  for (int r = 0; tx && r < n; ++r)
    if (!t.append() || !setzen(t, r) || !t.post()) return false;
  return tx && tx->commit().ok();
}

// The source tables of one year, built once per size.
const fs::path& quelle(int belege) {
  static std::map<int, std::unique_ptr<Ordner>> schon;
  auto& q = schon[belege];
  if (!q) {
    q = std::make_unique<Ordner>();
    const bool gut =
        fuellen(q->path, "ErfBeleg.DB", belege,
                [belege](db::TTable& t, int r) {
                  const std::string tag = std::to_string(10 + r % 18);
                  return t.fields(0).setAsString("B" + std::to_string(1000000 + r)) &&
                         t.fields(1).setAsString(tag + ".0" + std::to_string(1 + r % 9) + ".2024") &&
                         t.fields(3).setAsString("A" + std::to_string(100000000 + r % (belege / 2))) &&
                         t.fields(4).setAsString("1" + std::to_string(r % 9)) &&
                         t.fields(6).setAsString("01.01.2024") &&
                         t.fields(19).setAsString(tag + ".0" + std::to_string(1 + r % 9) + "." +
                                                  std::to_string(1940 + r % 80)) &&
                         t.fields(56).setAsString(r % 2 ? "W" : "M");
                }) &&
        fuellen(q->path, "ErfPosition.DB", 3 * belege, [](db::TTable& t, int r) {
          return t.fields(0).setAsString("B" + std::to_string(1000000 + r / 3)) &&
                 t.fields(2).setAsString(kHm[(r / 3 + r % 3) % 4]);
        });
    if (!gut) q.reset();
  }
  static const fs::path kKeine;
  return q ? q->path : kKeine;
}

// The same rows as the census in one statement; the number of rows Stat01.DB then holds.
long long peer(const fs::path& quelle, const fs::path& stat01) {
  const std::string c = "coalesce(", e = ",'')";
  const std::string art =
      "CASE WHEN p.hm IN ('704505','704506') THEN 'F' WHEN p.hm IN ('604503','604504') "
      "THEN 'R' ELSE '' END";
  const std::string geschlecht =
      "CASE WHEN length(trim(b.f4)) > 1 AND substr(b.f4,2,1) IN ('1','3','5','7') "
      "THEN 'W' WHEN length(trim(b.f4)) > 1 AND substr(b.f4,2,1) IN ('2','4','6','8') "
      "THEN 'M' ELSE " +
      c + "b.f56" + e + " END";
  const std::string sql =
      "ATTACH '" + (quelle / "ErfBeleg.DB").string() + "' AS eb; ATTACH '" +
      (quelle / "ErfPosition.DB").string() + "' AS ep; BEGIN; INSERT OR IGNORE INTO records(" +
      db::columnList(8) + ") SELECT trim(substr(" + c + "b.f3" + e +
      "||'            ',1,max(12,length(b.f3)))||b.f1||" + art + "||" + geschlecht + "), " + art + ", " +
      geschlecht +
      ", b.f3, b.f4, b.f6, 2024 - CAST(substr(b.f19,7,4) AS INTEGER), b.f19 FROM eb.records b LEFT JOIN "
      "(SELECT f0 AS nr, f2 AS hm FROM ep.records WHERE rowid IN (SELECT min(rowid) FROM ep.records GROUP BY "
      "f0)) p "
      "ON p.nr = b.f0 WHERE trim(" +
      c + "b.f0" + e + ") <> ''; COMMIT;";
  sqlite3* con = nullptr;
  sqlite3_stmt* zaehlen = nullptr;
  long long zeilen = -1;
  if (sqlite3_open(stat01.string().c_str(), &con) == SQLITE_OK &&
      sqlite3_exec(con, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK &&
      sqlite3_prepare_v2(con, "SELECT count(*) FROM records", -1, &zaehlen, nullptr) == SQLITE_OK &&
      sqlite3_step(zaehlen) == SQLITE_ROW)
    zeilen = sqlite3_column_int64(zaehlen, 0);
  sqlite3_finalize(zaehlen);
  sqlite3_close(con);
  return zeilen;
}

long long anzahl(const std::string& ordner) {
  db::TTable t;
  if (!t.setDatabaseName(ordner) || !t.setTableName("Stat01.DB") || !t.open()) return -1;
  return t.recordCount();
}

void Bestandserhebung(benchmark::State& state) {
  const int belege = static_cast<int>(state.range(0));
  const fs::path& q = quelle(belege);
  if (q.empty()) return state.SkipWithError("source tables not built");
  Ordner wurzel;
  const fs::path jahr = wurzel.path / "Daten/Abrechng/2024/Daten",
                 peerTabelle = wurzel.path / "Peer/Stat01.DB";
  fs::create_directories(jahr);
  fs::create_directories(peerTabelle.parent_path());
  fs::create_directories(wurzel.path / "Programm");
  const std::string daten = platform::pathText(jahr);
  resetGlobals();
  Globals& g = globals();
  g.ProgrammPfad = (wurzel.path / "Programm").string() + "\\";
  g.DatenPfad = (wurzel.path / "Daten").string() + "\\";
  g.JahrPfad = "Abrechng\\2024\\";
  ui::ScriptedDialogs antworten;
  office::ScopedDocumentOpener nichtOeffnen([](const std::string&) { return okStatus(); });
  TFormEinstellungen form;
  form.EditOrdnerExport->setText(wurzel.path.string());
  const auto stat01Anlegen = [](const std::string& ordner) {
    return db::TTable::createTable(ordner, "Stat01.DB",
                                   db::structureOf(*db::findCatalogueTable("Stat01.DB")));
  };
  if (!stat01Anlegen(daten) ||
      !db::TTable::createTable(daten, "Firma.DB", db::structureOf(*db::findCatalogueTable("Firma.DB"))))
    return state.SkipWithError("tables");
  for (const char* datei : {"ErfBeleg.DB", "ErfPosition.DB"}) fs::copy_file(q / datei, jahr / datei);

  long long peerZeilen = 0;
  riviza::bench::compareWithPeer(
      state, belege, "vouchersps",
      {"ours",
       [&] {
         form.BitBtnStat01Click(*form.BitBtnStat01);
         return antworten.texts().empty();
       },
       [&] { return anzahl(daten) == peerZeilen; },
       [&] {
         // The first round's check needs the rows the peer finds.
         if (peerZeilen == 0 && stat01Anlegen(platform::pathText(peerTabelle.parent_path())))
           peerZeilen = peer(q, peerTabelle);
       }},
      {"sqlite", [&] { return peer(q, peerTabelle) == peerZeilen; }, [] { return true; },
       [&] {
         fs::remove(peerTabelle);
         (void)stat01Anlegen(platform::pathText(peerTabelle.parent_path()));
       }});
  if (state.counters.count("ours_vouchersps"))
    state.counters["us_per_voucher"] = 1e6 / state.counters["ours_vouchersps"];
}

BENCHMARK(Bestandserhebung)
    ->ArgName("vouchers")
    ->Arg(10000)
    ->Arg(100000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace riviza
