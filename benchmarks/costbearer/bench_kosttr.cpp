// Benchmarks of the cost-bearer readers and lookups on a generated year folder ten times the size
// of a real quarter's files: §302 (??05, 142 KB real), §105 (??06, 234 KB real) and §300 (??03,
// taken as large as the §302 set), about 5.2 MB in all, shaped like the published files (IDK, VDT,
// FKT, a run of VKG links, NAM, ANS, UEM, DFU per message; ISO-8859-1 with umlauts, LF line ends).
// BM_ReadYear runs the three readers with their file writes and table loads; its counter
// per_real_set is the time per real-size set (a tenth of one iteration). BM_Lookups compares the
// index with the scan on the loaded §302 table, the peer measured in the same run; LookupRatio
// times both on the same 500 IKs and checks that they give the same answers. No outside program
// reads these files, so the reader's own peer is that scan.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "costbearer/abr_tools.h"
#include "costbearer/kosttr_lookups.h"
#include "platform/codec.h"
#include "support/peer.h"

namespace fs = std::filesystem;

namespace {

constexpr int kScale = 10;

struct KindSet {
  const char* digits;  // the two digits of the mask
  size_t realBytes;    // size of one real quarter's files of this kind
};
constexpr KindSet kKinds[] = {{"03", 142075}, {"05", 142075}, {"06", 233950}};

std::string bearer(std::mt19937& rng, int n) {
  char ik[16];
  std::snprintf(ik, sizeof ik, "1%08d", n);
  std::string s = "UNH+" + std::to_string(n) + "+KOTR:02:001:KV'\n";
  s += std::string("IDK+") + ik + "+" + (n % 5 ? "99" : "04") + "+Betriebskrankenkasse Nr. " + std::to_string(n) + "'\n";
  s += "VDT+19970401'\nFKT+02'\n";
  int links = 2 + static_cast<int>(rng() % 12);
  for (int l = 0; l < links; ++l) {
    char vkg[64];
    std::snprintf(vkg, sizeof vkg, "VKG+0%c+1%08u+5++%s++%02u++%s'\n", "2239"[rng() % 4],
                  static_cast<unsigned>(rng() % 100000000), l % 3 ? "07" : "28", static_cast<unsigned>(rng() % 17),
                  l % 2 ? "00" : "99");
    s += vkg;
  }
  s += "NAM+01+Krankenkasse Müller+Geschäftsstelle Süd'\n";
  s += "ANS+1+35387+Gießen+Luisenstraße " + std::to_string(n % 200) + "'\n";
  if (n % 4 == 0) s += "ANS+3+35386+Gießen'\n";
  s += "UEM+1+00+I8'\nDFU+01+070++0000+2400+1+da@dta.aok.de'\n";
  s += "UNT+000011+" + std::to_string(n) + "'\n";
  return s;
}

// A year folder with the generated files; removed at the end of the process.
struct Year {
  fs::path root;
  size_t totalBytes = 0;

  Year() {
    std::string tmpl = (fs::temp_directory_path() / "riviza-bench-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) std::abort();
    root = tmpl;
    fs::create_directories(root / "Kosttr");
    fs::create_directories(root / "prog" / "Temp");
    std::mt19937 rng(42);
    int n = 0;
    for (const KindSet& k : kKinds) {
      for (const char* prefix : {"AO", "BK", "EK"}) {
        std::string text;
        while (text.size() < k.realBytes * kScale / 3) text += bearer(rng, ++n);
        text = riviza::platform::fromUtf8(text, riviza::platform::CodePage::Latin1);
        std::ofstream(root / "Kosttr" / (std::string(prefix) + k.digits + "Q425.ke0"), std::ios::binary) << text;
        totalBytes += text.size();
      }
    }
  }
  ~Year() {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
  std::string prog() const { return root.string() + "/prog\\"; }
  std::string daten() const { return root.string() + "\\"; }
};

const Year& year() {
  static Year y;
  return y;
}

void BM_ReadYear(benchmark::State& state) {
  const Year& y = year();
  for (auto _ : state) {
    for (auto reader : {riviza::Kosttr300Einlesen, riviza::Kosttr302Einlesen, riviza::Kosttr105Einlesen}) {
      riviza::ListenMelder melder;
      riviza::KosttrLeseErgebnis r = reader(y.prog(), y.daten(), "", melder);
      if (!r.ok()) state.SkipWithError(r.status.error().describe().c_str());
      benchmark::DoNotOptimize(r.counter);
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * y.totalBytes));
  state.counters["input_MB"] = static_cast<double>(y.totalBytes) / 1e6;
  // Seconds per real-size set: a tenth of an iteration.
  state.counters["per_real_set"] =
      benchmark::Counter(kScale, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ReadYear)->Unit(benchmark::kMillisecond);

// One priority search and one decryption search for every IK of the §302 table.
void BM_Lookups(benchmark::State& state) {
  namespace cb = riviza::costbearer;
  const Year& y = year();
  riviza::ListenMelder melder;
  (void)riviza::Kosttr302Einlesen(y.prog(), y.daten(), "", melder);
  cb::KosttrTabelle table = riviza::Kosttr302Tabelle();
  table.setSearch(state.range(0) ? cb::Search::Scan : cb::Search::Index);
  std::vector<std::string> iks;
  for (size_t i = 0; i < table.scanLength(); ++i)
    if (table.entry(i).substr(10, 2) == "01") iks.emplace_back(table.entry(i).substr(0, 9));
  if (state.range(0)) iks.resize(std::min<size_t>(iks.size(), 500));  // the scan is quadratic over the set
  cb::OfficeQuery q{"01", "", "21"};
  for (auto _ : state)
    for (const std::string& ik : iks) {
      benchmark::DoNotOptimize(cb::prioritySearch(table, ik, " 03", "", q));
      benchmark::DoNotOptimize(cb::firstLinkSearch(table, ik, cb::FirstLinkRule::Entschluesselung, q));
    }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * iks.size() * 2));
  state.SetLabel(state.range(0) ? "scan" : "index");
}
BENCHMARK(BM_Lookups)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void LookupRatio(benchmark::State& state) {
  namespace cb = riviza::costbearer;
  const Year& y = year();
  riviza::ListenMelder melder;
  (void)riviza::Kosttr302Einlesen(y.prog(), y.daten(), "", melder);
  cb::KosttrTabelle table = riviza::Kosttr302Tabelle();
  std::vector<std::string> iks;
  for (size_t i = 0; i < table.scanLength() && iks.size() < 500; ++i)
    if (table.entry(i).substr(10, 2) == "01") iks.emplace_back(table.entry(i).substr(0, 9));
  const cb::OfficeQuery q{"01", "", "21"};
  const auto lookAll = [&](cb::Search search, std::vector<std::string>& answers) {
    table.setSearch(search);
    answers.clear();
    for (const std::string& ik : iks) {
      answers.push_back(cb::prioritySearch(table, ik, " 03", "", q));
      answers.push_back(cb::firstLinkSearch(table, ik, cb::FirstLinkRule::Entschluesselung, q));
    }
    return true;
  };
  std::vector<std::string> byIndex, byScan;
  riviza::bench::compareWithPeer(
      state, static_cast<double>(iks.size() * 2), "lookupsps",
      {"ours", [&] { return lookAll(cb::Search::Index, byIndex); },
       [&] {
         // Some lookups find a partner: an index that finds nothing is no index.
         return iks.size() == 500 &&
                std::count(byIndex.begin(), byIndex.end(), "") < static_cast<long>(byIndex.size());
       }},
      {"scan", [&] { return lookAll(cb::Search::Scan, byScan); }, [&] { return byScan == byIndex; }});
}
BENCHMARK(LookupRatio)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
