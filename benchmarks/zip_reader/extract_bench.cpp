// Whole-archive extraction: TUnZip beside `unzip -o` and `7zz x` on one generated archive of
// about 200 MB (30 files of 10 MB, 40 % text of a small vocabulary and 60 % random bytes, zipped
// by Info-ZIP zip at its default level), made once at start-up in the temporary folder. Each
// run extracts into an empty folder; the work counted is the uncompressed total, so the figures
// read as MB/s of output. ExtractRatio times TUnZip against one tool in the same run and checks
// every extracted file's size and CRC-32 (zlib's) after each run of either.
#include <benchmark/benchmark.h>
#include <unistd.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/launcher.h"
#include "platform/paths.h"
#include "support/peer.h"
#include "zip/kvoUnZip.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFiles = 30;
constexpr size_t kFileBytes = 10u << 20;

bool run(const std::vector<std::string>& argv, const fs::path& dir) {
  auto status = riviza::platform::runAndWait(argv, riviza::platform::pathText(dir));
  return status && *status == 0;
}

uint32_t crcOf(std::string_view bytes) {
  return static_cast<uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

struct Workload {
  fs::path root, archive;
  uint64_t uncompressed = 0;
  std::vector<std::pair<size_t, uint32_t>> files;  // size and CRC of file0.bin, file1.bin, ...

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
      files.emplace_back(bytes.size(), crcOf(bytes));
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
  fs::path target() const { return root / "out"; }
  void freshTarget() const {
    fs::remove_all(target());
    fs::create_directories(target());
  }
  // Every file extracted whole: the right count, sizes and CRCs.
  bool extractedWhole() const {
    const fs::path data = target() / "data";
    std::error_code ec;
    if (std::distance(fs::directory_iterator(data, ec), fs::directory_iterator()) != kFiles) return false;
    for (int f = 0; f < kFiles; ++f) {
      std::ifstream in(data / ("file" + std::to_string(f) + ".bin"), std::ios::binary);
      const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      if (std::make_pair(bytes.size(), crcOf(bytes)) != files[static_cast<size_t>(f)]) return false;
    }
    return true;
  }
};

Workload& workload() {
  static Workload w;
  return w;
}

bool extractWithTUnZip(const Workload& w) {
  riviza::zip::TUnZip unzip;
  unzip.SetArchiveFile(riviza::platform::pathText(w.archive));
  unzip.SetExtractDir(riviza::platform::pathText(w.target()));
  unzip.FileSpec = {"*.*"};
  return unzip.Extract() == kFiles && unzip.Failures().empty();
}

enum class Peer { Unzip, SevenZip };

void ExtractRatio(benchmark::State& state, Peer which) {
  Workload& w = workload();
  const std::vector<std::string> peer =
      which == Peer::Unzip
          ? std::vector<std::string>{"unzip", "-o", "-qq", w.archive.string(), "-d", w.target().string()}
          : std::vector<std::string>{
                "7zz", "x", "-y", "-bd", "-bso0", "-o" + w.target().string(), w.archive.string()};
  const auto prepare = [&] { w.freshTarget(); };
  const auto whole = [&] { return w.extractedWhole(); };
  riviza::bench::compareWithPeer(state, static_cast<double>(w.uncompressed) / 1e6, "MBps",
                                 {"ours", [&] { return extractWithTUnZip(w); }, whole, prepare},
                                 {peer[0], [&] { return riviza::bench::toolRuns(peer); }, whole, prepare}, 2);
  state.counters["archive_MB"] = static_cast<double>(fs::file_size(w.archive)) / 1e6;
}

BENCHMARK_CAPTURE(ExtractRatio, unzip, Peer::Unzip)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(ExtractRatio, 7zz, Peer::SevenZip)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
