// The zip backup of a billing year of about 200 MB ("Start" in "Datensicherung", the whole
// handler) against Info-ZIP's `zip -r -6` of the same folder, measured in the same run. The
// generated year holds SQLite tables of voucher, position, patient and service records (numbers,
// dates, names, amounts), cost-bearer files of segment lines, log text, a dated reorganisation
// backup of two tables, downloaded packages that do not compress (".ZIP", stored by both), and
// empty folders. Counters: MB, ours_s, peer_s, ratio = our speed / zip's (above 1: ours is
// faster; goal: at least 3 on eight cores), and size_ratio = our archive / zip's (goal: at most
// 1.01). Every run checks the count the backup
// reports and that the archive exists; the last archive of each side is tested with unzip -tqq.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "forms/Riviza1.h"
#include "forms/globals.h"
#include "maintenance/datensicherung.h"
#include "platform/launcher.h"
#include "platform/paths.h"
#include "support/bench_dir.h"
#include "ui/dialogs.h"

namespace riviza {
namespace {

namespace fs = std::filesystem;

using Ordner = bench::BenchDir;

const char* const kNamen[] = {"Müller", "Schmidt", "Schneider", "Fischer",  "Weber",   "Meyer",
                              "Wagner", "Becker",  "Schulz",    "Hoffmann", "Schäfer", "Koch"};
const char* const kOrte[] = {"Berlin", "Hamburg", "München", "Köln", "Frankfurt", "Stuttgart", "Düsseldorf"};

std::string zweistellig(unsigned n) { return (n < 10 ? "0" : "") + std::to_string(n); }

std::string datum(std::mt19937& rng) {
  return zweistellig(1 + rng() % 28) + "." + zweistellig(1 + rng() % 12) + ".2024";
}

// An SQLite table of `zeilen` records with `felder` columns of vouchers, positions or patients.
bool tabelle(const fs::path& datei, int zeilen, int felder, unsigned saat) {
  sqlite3* con = nullptr;
  if (sqlite3_open(datei.c_str(), &con) != SQLITE_OK) return false;
  std::string sql = "CREATE TABLE records(", ins = "INSERT INTO records VALUES(";
  for (int f = 0; f < felder; ++f) {
    sql += (f ? ",f" : "f") + std::to_string(f);
    ins += f ? ",?" : "?";
  }
  sql += ");";
  ins += ")";
  sqlite3_stmt* st = nullptr;
  bool gut = sqlite3_exec(con, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK &&
             sqlite3_prepare_v2(con, ins.c_str(), -1, &st, nullptr) == SQLITE_OK &&
             sqlite3_exec(con, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK;
  std::mt19937 rng(saat);
  for (int r = 0; gut && r < zeilen; ++r) {
    for (int f = 0; f < felder; ++f) {
      std::string t;
      switch (f % 7) {
        case 0:
          t = "B" + std::to_string(1000000 + r / 4);
          break;
        case 1:
          t = datum(rng);
          break;
        case 2:
          t = kNamen[rng() % 12];
          break;
        case 3:
          t = std::to_string(100000000 + rng() % 900000);
          break;
        case 4:
          sqlite3_bind_double(st, f + 1, (rng() % 100000) / 100.0);
          continue;
        case 5:
          t = kOrte[rng() % 7];
          break;
        default:
          sqlite3_bind_int(st, f + 1, static_cast<int>(rng() % 10));
          continue;
      }
      sqlite3_bind_text(st, f + 1, t.c_str(), -1, SQLITE_TRANSIENT);
    }
    gut = sqlite3_step(st) == SQLITE_DONE && sqlite3_reset(st) == SQLITE_OK;
  }
  gut = gut && sqlite3_exec(con, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
  sqlite3_finalize(st);
  sqlite3_close(con);
  return gut;
}

// Text files of segment or log lines, and packages of random bytes.
void textDatei(const fs::path& datei, size_t bytes, unsigned saat, bool segmente) {
  std::mt19937 rng(saat);
  std::ofstream out(datei, std::ios::binary);
  for (size_t n = 0; n < bytes;) {
    std::string zeile = segmente ? "IDK+" + std::to_string(100000000 + rng() % 900000) + "+99+" +
                                       kNamen[rng() % 12] + " Krankenkasse'\r\nNAM+01+" + kOrte[rng() % 7] +
                                       "+Hauptstraße " + std::to_string(rng() % 200) + "'\r\n"
                                 : datum(rng) + " 10:" + std::to_string(10 + rng() % 50) +
                                       ":00  Beleg übertragen: " + kNamen[rng() % 12] + " " +
                                       std::to_string(rng() % 100000) + "\r\n";
    out << zeile;
    n += zeile.size();
  }
}
void paket(const fs::path& datei, size_t bytes, unsigned saat) {
  std::mt19937_64 rng(saat);
  std::string s(bytes, '\0');
  for (char& c : s) c = static_cast<char>(rng());
  std::ofstream(datei, std::ios::binary) << s;
}

// The year folder, built once per run: about 200 MB.
struct Jahr {
  Ordner wurzel;
  fs::path ordner = wurzel.path / "Daten/Abrechng/2024";
  uint64_t bytes = 0;
  bool gut = true;
  Jahr() {
    for (const char* o : {"Daten", "Kosttr", "20240301/101500/Daten", "Temp", "Export/leer", "Update"})
      fs::create_directories(ordner / o);
    std::ofstream(ordner / "Abrechng.ini") << "[EINSTELLUNGEN]\r\nVersion=4.5\r\n";
    gut = tabelle(ordner / "Daten/ErfPosition.db", 400000, 24, 1) &&
          tabelle(ordner / "Daten/ErfBeleg.db", 100000, 40, 2) &&
          tabelle(ordner / "Daten/Patienten.db", 60000, 30, 3) &&
          tabelle(ordner / "Daten/Leistungen.db", 20000, 20, 4) &&
          tabelle(ordner / "20240301/101500/Daten/ErfBeleg.db", 80000, 40, 5) &&
          tabelle(ordner / "20240301/101500/Daten/Patienten.db", 40000, 30, 6);
    for (int i = 0; i < 12; ++i)
      textDatei(ordner / "Kosttr" / ("AO05Q" + std::to_string(100 + i) + ".ke0"), 1500000, 10 + i, true);
    textDatei(ordner / "Export/ABR.LOG", 6000000, 30, false);
    paket(ordner / "Update/kost.ZIP", 3000000, 40);
    paket(ordner / "Update/update.ZIP", 2000000, 41);
    for (const auto& e : fs::recursive_directory_iterator(ordner))
      if (e.is_regular_file()) bytes += e.file_size();
  }
};

double sekunden(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

uint64_t archivGroesse(const fs::path& ordner) {
  uint64_t n = 0;
  for (const auto& e : fs::directory_iterator(ordner)) n += e.file_size();
  return n;
}

void ZipSicherung(benchmark::State& state) {
  static Jahr jahr;
  if (!jahr.gut) return state.SkipWithError("year tables not built");
  const fs::path ziel = jahr.wurzel.path / "Sicherung", peer = jahr.wurzel.path / "Peer";
  resetGlobals();
  Globals& g = globals();
  g.ProgrammPfad = jahr.wurzel.path.string() + "\\";
  g.DatenPfad = (jahr.wurzel.path / "Daten").string() + "\\";
  g.JahrPfad = "Abrechng\\2024\\";
  ui::ScriptedDialogs meldungen;
  TFormEinstellungen form;
  form.EditZiel->setText(platform::pathText(ziel));
  form.EditKuerzel->setText("BM");
  double unsere = 0, andere = 0;
  uint64_t unsereGroesse = 0, andereGroesse = 0;
  for (auto _ : state) {
    fs::remove_all(ziel);
    fs::remove_all(peer);
    fs::create_directories(ziel);
    fs::create_directories(peer);
    meldungen.clear();

    auto start = std::chrono::steady_clock::now();
    const bool ok = JahrSichern(form);
    unsere += sekunden(std::chrono::steady_clock::now() - start);
    if (!ok || meldungen.texts().empty() || !meldungen.texts()[0].starts_with("Archivierte Dateien: "))
      return state.SkipWithError("the backup failed");

    start = std::chrono::steady_clock::now();
    auto rc = platform::runAndWait({"zip", "-r", "-6", "-q", (peer / "peer.zip").string(), "."},
                                   platform::pathText(jahr.ordner));
    andere += sekunden(std::chrono::steady_clock::now() - start);
    if (!rc || *rc != 0) return state.SkipWithError("zip missing or failed");
    unsereGroesse = archivGroesse(ziel);
    andereGroesse = archivGroesse(peer);
  }
  for (const fs::path& o : {ziel, peer})
    for (const auto& e : fs::directory_iterator(o)) {
      auto rc = platform::runAndWait({"unzip", "-tqq", e.path().string()});
      if (!rc || *rc != 0) return state.SkipWithError("an archive fails unzip -t");
    }
  const double laeufe = static_cast<double>(state.iterations());
  state.counters["MB"] = static_cast<double>(jahr.bytes) / 1e6;
  state.counters["ours_s"] = unsere / laeufe;
  state.counters["peer_s"] = andere / laeufe;
  state.counters["ratio"] = andere / unsere;
  state.counters["size_ratio"] = static_cast<double>(unsereGroesse) / static_cast<double>(andereGroesse);
}

BENCHMARK(ZipSicherung)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace riviza
