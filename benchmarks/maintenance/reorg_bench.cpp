// The reorganisation of a year with P positions and P/4 vouchers (P = 50,000 and 200,000), the
// whole routine from the question to the exchange of the folders, against the sqlite3 shell
// copying the same rows into the same templates (ATTACH and INSERT ... SELECT, one shell per
// table) in the same run. Two cases: tables of the current structure (plain copies), and a
// positions table of the older 30 fields (the VAT conversion and one log line per record).
// Counters: rows, ours_s, peer_s (each one's best of the runs, as bench::compareWithPeer keeps
// them: a busy machine slows both alike and one slow run does not count), ratio = our speed /
// the peer's (above 1: ours is faster; the goal is at least 0.67), and us_per_row, which stays
// flat from the small to the large year when the work is linear. Every run checks the record
// counts it left.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <limits>
#include <map>
#include <string>

#include "db/TTable.h"
#include "db/catalogue.h"
#include "db/leerdaten.h"
#include "forms/Riviza1.h"
#include "forms/globals.h"
#include "maintenance/reorganisation.h"
#include "platform/launcher.h"
#include "platform/paths.h"
#include "support/bench_dir.h"
#include "ui/dialogs.h"

namespace riviza {
namespace {

namespace fs = std::filesystem;

using Ordner = bench::BenchDir;

bool ok(int rc) { return rc == SQLITE_OK || rc == SQLITE_DONE || rc == SQLITE_ROW; }

// A table of the catalogue's structure cut to `felder` fields, with `n` records written straight
// through SQLite; `wert(record, field)` gives each value (null for the placeholders left empty).
template <class Wert>
bool tabelleFuellen(const fs::path& ordner, const char* datei, int felder, int n, Wert wert) {
  db::TableStructure s = db::structureOf(*db::findCatalogueTable(datei));
  s.fields.resize(static_cast<size_t>(felder));
  if (!db::TTable::createTable(ordner.string(), datei, s)) return false;
  sqlite3* con = nullptr;
  if (sqlite3_open((ordner / datei).c_str(), &con) != SQLITE_OK) return false;
  std::string sql = "INSERT INTO records(" + db::columnList(felder) + ") VALUES(";
  for (int i = 0; i < felder; ++i) sql += i ? ",?" : "?";
  sql += ")";
  sqlite3_stmt* ins = nullptr;
  bool gut = ok(sqlite3_prepare_v2(con, sql.c_str(), -1, &ins, nullptr)) &&
             ok(sqlite3_exec(con, "BEGIN", nullptr, nullptr, nullptr));
  for (int r = 0; gut && r < n; ++r) {
    for (int f = 0; f < felder; ++f) {
      const db::Value v = wert(r, f);
      if (const auto* t = std::get_if<std::string>(&v))
        sqlite3_bind_text(ins, f + 1, t->c_str(), -1, SQLITE_TRANSIENT);
      else if (const auto* i = std::get_if<long long>(&v))
        sqlite3_bind_int64(ins, f + 1, *i);
      else if (const auto* d = std::get_if<double>(&v))
        sqlite3_bind_double(ins, f + 1, *d);
      else
        sqlite3_bind_null(ins, f + 1);
    }
    gut = ok(sqlite3_step(ins)) && ok(sqlite3_reset(ins));
  }
  gut = gut && ok(sqlite3_exec(con, "COMMIT", nullptr, nullptr, nullptr));
  sqlite3_finalize(ins);
  sqlite3_close(con);
  return gut;
}

std::string belegNummer(int r) { return "B" + std::to_string(1000000 + r); }

db::Value position(int r, int f) {
  switch (f) {
    case 0:
      return belegNummer(r / 4);
    case 2:
      return "HM" + std::to_string(r % 977);
    case 4:
      return 1.0 + r % 3;
    case 5:
      return 12.5 + r % 10;
    case 10:
      return std::string(r % 2 ? "1" : "0");
    case 11:
      return 19.0;
    case 13:
    case 20:
      return 37.5;
    case 18:
      return std::string("01.03.2024-31.03.2024");
    case 21:
      return std::to_string(10000000 + r);
    case 23:
      return static_cast<long long>(r % 4 + 1);
    default:
      return f < 30 && f % 3 == 0 ? db::Value(std::string("Text ") + std::to_string(f)) : db::Value();
  }
}

db::Value beleg(int r, int f) {
  switch (f) {
    case 0:
      return belegNummer(r);
    case 1:
    case 6:
      return std::string("2024-03-15");
    case 3:
      return "A" + std::to_string(100000000 + r);
    case 4:
      return std::string("1000");
    case 14:
    case 15:
    case 16:
      return 150.0;
    case 19:
      return std::string("15.03.1950");
    case 48:
    case 51:
      return static_cast<long long>(r % 2);
    case 56:
      return std::string(r % 2 ? "W" : "M");
    case 57:
      return 0LL;
    default:
      return f % 4 == 0 ? db::Value(std::string("Feld ") + std::to_string(f)) : db::Value();
  }
}

// The source tables of one case, built once per run.
struct Quelle {
  Ordner ordner;
  int positionen = 0, belege = 0;
};
const Quelle& quelle(int positionen, bool aelter) {
  static std::map<std::pair<int, bool>, std::unique_ptr<Quelle>> schon;
  auto& q = schon[{positionen, aelter}];
  if (!q) {
    q = std::make_unique<Quelle>();
    q->positionen = positionen;
    q->belege = positionen / 4;
    if (!tabelleFuellen(q->ordner.path, "ErfPosition.DB", aelter ? 30 : 31, positionen, position) ||
        !tabelleFuellen(q->ordner.path, "ErfBeleg.DB", 58, q->belege, beleg))
      q->positionen = -1;
  }
  return *q;
}

int anzahl(const std::string& ordner, const char* datei) {
  db::TTable t;
  if (!t.setDatabaseName(ordner) || !t.setTableName(datei) || !t.open()) return -1;
  return t.recordCount();
}

double sekunden(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

void Reorganisation(benchmark::State& state) {
  const int positionen = static_cast<int>(state.range(0));
  const bool aelter = state.range(1) != 0;
  const Quelle& q = quelle(positionen, aelter);
  if (q.positionen < 0) return state.SkipWithError("source tables not built");
  Ordner wurzel;
  const fs::path programm = wurzel.path / "Programm", jahr = wurzel.path / "Daten/Abrechng/2024";
  const fs::path peer = wurzel.path / "Peer";
  if (!db::writeLeerDaten((programm / "LeerDaten").string())) return state.SkipWithError("LeerDaten");
  fs::create_directories(jahr);
  fs::create_directories(peer);
  resetGlobals();
  Globals& g = globals();
  g.ProgrammPfad = programm.string() + "\\";
  g.DatenPfad = (wurzel.path / "Daten").string() + "\\";
  g.JahrPfad = "Abrechng\\2024\\";
  g.Tagesdatum = "15.03.2024";
  ui::ScriptedDialogs antworten;  // Yes to the backup question
  TFormEinstellungen form;
  double unsere = std::numeric_limits<double>::infinity(), andere = unsere;
  for (auto _ : state) {
    fs::remove_all(jahr);
    fs::create_directories(jahr / "Daten");
    for (const char* datei : {"ErfPosition.DB", "ErfBeleg.DB"}) {
      fs::copy_file(q.ordner.path / datei, jahr / "Daten" / datei);
      fs::copy_file(programm / "LeerDaten" / datei, peer / datei, fs::copy_options::overwrite_existing);
    }
    const std::string daten = platform::pathText(jahr / "Daten");

    auto start = std::chrono::steady_clock::now();
    DatenReorganisieren();
    unsere = std::min(unsere, sekunden(std::chrono::steady_clock::now() - start));
    if (anzahl(daten, "ErfPosition.DB") != positionen || anzahl(daten, "ErfBeleg.DB") != q.belege)
      return state.SkipWithError("reorganised tables lack records");

    start = std::chrono::steady_clock::now();
    for (auto [datei, felder] :
         {std::pair{"ErfPosition.DB", aelter ? 30 : 31}, std::pair{"ErfBeleg.DB", 58}}) {
      const std::string spalten = db::columnList(felder);
      const std::string sql = "ATTACH '" + (q.ordner.path / datei).string() +
                              "' AS alt; BEGIN; INSERT INTO records(" + spalten + ") SELECT " + spalten +
                              " FROM alt.records; COMMIT;";
      auto rc = platform::runAndWait({"sqlite3", (peer / datei).string(), sql});
      if (!rc || *rc != 0) return state.SkipWithError("sqlite3 shell missing or failed");
    }
    andere = std::min(andere, sekunden(std::chrono::steady_clock::now() - start));
    if (anzahl(platform::pathText(peer), "ErfPosition.DB") != positionen)
      return state.SkipWithError("the shell's copy lacks records");
  }
  const double zeilen = positionen + q.belege;
  state.counters["rows"] = zeilen;
  state.counters["ours_s"] = unsere;
  state.counters["peer_s"] = andere;
  state.counters["ratio"] = andere / unsere;
  state.counters["us_per_row"] = unsere / zeilen * 1e6;
}

BENCHMARK(Reorganisation)
    ->ArgNames({"positions", "older"})
    ->Args({50000, 0})
    ->Args({200000, 0})
    ->Args({50000, 1})
    ->Args({200000, 1})
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace riviza
