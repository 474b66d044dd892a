// Whole-archive extraction: TUnZip beside `unzip -o` and `7zz x` on one generated archive of
// about 200 MB (30 files of 10 MB, 40 % text of a small vocabulary and 60 % random bytes, zipped
// by Info-ZIP zip at its default level), made once at start-up in the temporary folder. Each
// iteration extracts into an empty folder; the bytes counted are the uncompressed total, so the
// figures read as MB/s of output.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/launcher.h"
#include "platform/paths.h"
#include "zip/kvoUnZip.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFiles = 30;
constexpr size_t kFileBytes = 10u << 20;

bool run(const std::vector<std::string>& argv, const fs::path& dir) {
  auto status = riviza::platform::runAndWait(argv, riviza::platform::pathText(dir));
  return status && *status == 0;
}

struct Workload {
  fs::path root, archive;
  uint64_t uncompressed = 0;

  Workload() {
    root = fs::temp_directory_path() / ("kvo-bench-" + std::to_string(::getpid()));
    fs::create_directories(root / "src" / "data");
    std::mt19937_64 rng(42);
    const std::vector<std::string> words{"Kostentraeger", "Abrechnung", "Leistung", "Verordnung",
                                         "Patient",       "Betrag",     "Datum",    "IK",
                                         "Kasse",         "Position",   "Menge",    "Preis"};
    for (int f = 0; f < kFiles; ++f) {
      std::string bytes;
      bytes.reserve(kFileBytes);
      while (bytes.size() < kFileBytes * 2 / 5)
        bytes += words[rng() % words.size()] + (rng() % 8 ? " " : "\n");
      while (bytes.size() < kFileBytes) {
        const uint64_t v = rng();
        bytes.append(reinterpret_cast<const char*>(&v), sizeof v);
      }
      std::ofstream(root / "src" / "data" / ("file" + std::to_string(f) + ".bin"), std::ios::binary) << bytes;
      uncompressed += bytes.size();
    }
    archive = root / "bench.zip";
    if (!run({"zip", "-q", "-r", archive.string(), "data"}, root / "src"))
      throw std::runtime_error("zip failed");
    fs::remove_all(root / "src");
  }
  ~Workload() {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
  fs::path freshTarget() {
    const fs::path target = root / "out";
    fs::remove_all(target);
    fs::create_directories(target);
    return target;
  }
};

Workload& workload() {
  static Workload w;
  return w;
}

template <class Extract>
void measure(benchmark::State& state, Extract extract) {
  Workload& w = workload();
  for (auto _ : state) {
    state.PauseTiming();
    const fs::path target = w.freshTarget();
    state.ResumeTiming();
    if (!extract(w, target)) state.SkipWithError("extraction failed");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * w.uncompressed));
  state.counters["archive_MB"] = static_cast<double>(fs::file_size(w.archive)) / 1e6;
}

void BM_TUnZip(benchmark::State& state) {
  measure(state, [](Workload& w, const fs::path& target) {
    riviza::zip::TUnZip unzip;
    unzip.SetArchiveFile(riviza::platform::pathText(w.archive));
    unzip.SetExtractDir(riviza::platform::pathText(target));
    unzip.FileSpec = {"*.*"};
    return unzip.Extract() == kFiles && unzip.Failures().empty();
  });
}

void BM_Unzip(benchmark::State& state) {
  measure(state, [](Workload& w, const fs::path& target) {
    return run({"unzip", "-o", "-qq", w.archive.string(), "-d", target.string()}, w.root);
  });
}

void BM_SevenZip(benchmark::State& state) {
  measure(state, [](Workload& w, const fs::path& target) {
    return run({"7zz", "x", "-y", "-bd", "-bso0", "-o" + target.string(), w.archive.string()}, w.root);
  });
}

BENCHMARK(BM_TUnZip)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_Unzip)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_SevenZip)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

}  // namespace
