// The service-list import of a text file of 100,000 lines (ImportLeistungenCsv: reading,
// Windows-1252 decoding, splitting, the emptying and the refill of Leistungen.DB in one
// transaction) against the sqlite3 shell loading the same file with .import (tab mode, a new
// table named by the heading) in the same run. Counters: rows, ours_s, peer_s, ratio = our speed
// / the peer's (above 1: ours is faster; at least 1/3 is the goal) and us_per_row. Every run
// checks the record counts both left.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <chrono>
#include <filesystem>
#include <string>

#include "db/TTable.h"
#include "db/leerdaten.h"
#include "forms/Riviza1.h"
#include "forms/globals.h"
#include "maintenance/leistungen_import.h"
#include "platform/codec.h"
#include "platform/files.h"
#include "platform/launcher.h"
#include "platform/paths.h"
#include "support/bench_dir.h"
#include "ui/dialogs.h"

namespace riviza {
namespace {

namespace fs = std::filesystem;

using Ordner = bench::BenchDir;

// A service list as offices keep them: a heading, then number, key, PZN, text and price, with
// umlauts and now and then an apostrophe.
std::string liste(int zeilen) {
  std::string text = "Nr\tSchlüssel\tPZN\tBezeichnung\tPreis\r\n";
  for (int i = 0; i < zeilen; ++i) {
    const std::string n = std::to_string(i);
    text += n + "\tHM-" + n + (i % 50 ? "" : "'") + "\t" + std::to_string(1000000 + i % 9000000) +
            "\tGehhilfe Größe " + std::to_string(i % 7) + " für Übungen\t" + std::to_string(i % 300) +
            ",50\r\n";
  }
  return platform::fromUtf8(text);
}

int anzahl(const std::string& ordner, const char* datei) {
  db::TTable t;
  if (!t.setDatabaseName(ordner) || !t.setTableName(datei) || !t.open()) return -1;
  return t.recordCount();
}

long long peerZeilen(const fs::path& datei) {
  sqlite3* con = nullptr;
  sqlite3_stmt* st = nullptr;
  long long n = -1;
  if (sqlite3_open(datei.c_str(), &con) == SQLITE_OK &&
      sqlite3_prepare_v2(con, "SELECT count(*) FROM leistungen", -1, &st, nullptr) == SQLITE_OK &&
      sqlite3_step(st) == SQLITE_ROW)
    n = sqlite3_column_int64(st, 0);
  sqlite3_finalize(st);
  sqlite3_close(con);
  return n;
}

double sekunden(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

void LeistungenImportCsv(benchmark::State& state) {
  const int zeilen = static_cast<int>(state.range(0));
  Ordner wurzel;
  const fs::path programm = wurzel.path / "Programm", daten = wurzel.path / "Daten/Abrechng/2024/Daten";
  const fs::path datei = wurzel.path / "artImp.csv", peer = wurzel.path / "peer.db";
  if (!db::writeLeerDaten((programm / "LeerDaten").string())) return state.SkipWithError("LeerDaten");
  fs::create_directories(daten);
  fs::copy_file(programm / "LeerDaten/Leistungen.DB", daten / "Leistungen.DB");
  if (!platform::writeFile(platform::pathText(datei), liste(zeilen))) return state.SkipWithError("list");
  resetGlobals();
  globals().DatenPfad = (wurzel.path / "Daten").string() + "\\";
  ui::ScriptedDialogs meldungen;
  TFormEinstellungen form;
  form.ComboBoxAktuellesJahr->setText("2024");
  double unsere = 0, andere = 0;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    const bool importiert = ImportLeistungenCsv(platform::pathText(datei));
    unsere += sekunden(std::chrono::steady_clock::now() - start);
    if (!importiert || anzahl(platform::pathText(daten), "Leistungen.DB") != zeilen)
      return state.SkipWithError("the import lacks records");

    fs::remove(peer);
    start = std::chrono::steady_clock::now();
    auto rc = platform::runAndWait(
        {"sqlite3", "-cmd", ".mode tabs", peer.string(), ".import " + datei.string() + " leistungen"});
    andere += sekunden(std::chrono::steady_clock::now() - start);
    if (!rc || *rc != 0) return state.SkipWithError("sqlite3 shell missing or failed");
    if (peerZeilen(peer) != zeilen) return state.SkipWithError("the shell's table lacks records");
  }
  const double laeufe = static_cast<double>(state.iterations());
  state.counters["rows"] = zeilen;
  state.counters["ours_s"] = unsere / laeufe;
  state.counters["peer_s"] = andere / laeufe;
  state.counters["ratio"] = andere / unsere;
  state.counters["us_per_row"] = unsere / laeufe / zeilen * 1e6;
}

BENCHMARK(LeistungenImportCsv)->ArgName("lines")->Arg(100000)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace riviza
