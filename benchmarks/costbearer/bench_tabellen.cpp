// The three table rebuilds of a real set (the published cost-bearer files of the test data)
// beside the plain run of the three readers that each rebuild starts with, the peer measured in
// the same run. BM_NeuaufbauGegenEinlesen reports both times per set and their ratio (the
// rebuilds' speed / the readers' alone, at most 1: the rebuilds include the readers); the goal is
// readers and all rebuilds of a real set under one second. The rebuilt tables are checked
// after each run.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "costbearer/abr_tools.h"
#include "db/TTable.h"
#include "db/leerdaten.h"
#include "forms/Riviza1.h"
#include "forms/globals.h"
#include "forms/update_tabellen.h"
#include "platform/clock.h"
#include "platform/files.h"

namespace fs = std::filesystem;

namespace {

// A program folder and a year 2025 with the template tables and the published files; the form
// and the global folders point at them. Removed at the end of the process.
struct Installation {
  fs::path root;
  std::unique_ptr<riviza::TFormEinstellungen> form;

  Installation() {
    std::string tmpl = (fs::temp_directory_path() / "riviza-bench-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) std::abort();
    root = tmpl;
    const fs::path jahr = root / "daten/Abrechng/2025";
    fs::create_directories(root / "prog/Temp");
    fs::create_directories(jahr / "Kosttr");
    if (!riviza::db::writeLeerDaten((root / "prog/LeerDaten").string()).ok()) std::abort();
    fs::copy(root / "prog/LeerDaten", jahr / "Daten", fs::copy_options::recursive);
    for (const auto& e : fs::directory_iterator(fs::path(RIVIZA_TESTDATA) / "kosttr"))
      fs::copy_file(e.path(), jahr / "Kosttr" / e.path().filename());
    if (!riviza::platform::writeFile((jahr / "Abrechng.ini").string(),
                                     "[FIRMA]\r\nBundesland=02\r\nAbrechnungscode302=21\r\n")
             .ok())
      std::abort();
    riviza::Globals& g = riviza::globals();
    g.ProgrammPfad = (root / "prog").string() + "\\";
    g.DatenPfad = (root / "daten").string() + "\\";
    g.JahrPfad = "Abrechng\\2025\\";
    g.Tagesdatum = riviza::platform::formatDate(riviza::platform::today());
    form = std::make_unique<riviza::TFormEinstellungen>();
  }
  ~Installation() {
    form.reset();
    std::error_code ec;
    fs::remove_all(root, ec);
  }
  int saetze(const char* tabelle) const {
    riviza::db::TTable t;
    if (!t.setDatabaseName((root / "daten/Abrechng/2025/Daten").string()).ok() || !t.setTableName(tabelle).ok() ||
        !t.open().ok())
      return -1;
    return t.recordCount();
  }
};

Installation& installation() {
  static Installation i;
  return i;
}

void einlesen() {
  const riviza::Globals& g = riviza::globals();
  for (auto leser : {riviza::Kosttr300Einlesen, riviza::Kosttr302Einlesen, riviza::Kosttr105Einlesen}) {
    riviza::ListenMelder melder;
    riviza::KosttrLeseErgebnis r = leser(g.ProgrammPfad, g.DatenPfad, g.JahrPfad, melder);
    benchmark::DoNotOptimize(r.counter);
  }
}

bool neuaufbauen() {
  const bool ok = riviza::KosttrAktualisieren() && riviza::KassenAktualisieren() && riviza::KassenAdrAnnAktualisieren();
  installation().form->ListBoxLiveUpdate->items().clear();
  return ok;
}

template <class F>
double sekunden(F&& f) {
  const auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_Einlesen(benchmark::State& state) {
  installation();
  for (auto _ : state) einlesen();
}
BENCHMARK(BM_Einlesen)->Unit(benchmark::kMillisecond);

void BM_Neuaufbau(benchmark::State& state) {
  const Installation& i = installation();
  for (auto _ : state)
    if (!neuaufbauen()) state.SkipWithError("a rebuild failed");
  if (i.saetze("Kosttr.db") <= 0 || i.saetze("Kosttr105.db") <= 0 || i.saetze("Kas.db") <= 0)
    state.SkipWithError("the rebuilt tables are empty");
  state.counters["Kosttr"] = i.saetze("Kosttr.db");
  state.counters["Kosttr105"] = i.saetze("Kosttr105.db");
  state.counters["KasAdrAnn"] = i.saetze("KasAdrAnn.db");
}
BENCHMARK(BM_Neuaufbau)->Unit(benchmark::kMillisecond);

void BM_NeuaufbauGegenEinlesen(benchmark::State& state) {
  installation();
  double leser = 0, alle = 0;
  bool ok = true;
  for (auto _ : state) {
    leser = sekunden(einlesen);
    alle = sekunden([&] { ok = neuaufbauen() && ok; });
  }
  if (!ok) state.SkipWithError("a rebuild failed");
  state.counters["readers_s"] = leser;
  state.counters["rebuilds_s"] = alle;
  state.counters["ratio"] = leser / alle;
}
BENCHMARK(BM_NeuaufbauGegenEinlesen)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
