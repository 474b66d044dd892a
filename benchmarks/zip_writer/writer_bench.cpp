// Adding a generated tree of about 200 MB (text, binary records, random and mixed files of 16 KiB
// to 4 MiB in folders of 25) to a new archive: TZip beside Info-ZIP's zip -r -q, both at deflate
// level 1, 6 (TZip's dtDeflateN, the backup's level) and 9, in the same run. The counters give
// each archive's size; zip runs as a child process, so its time includes its start.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "platform/launcher.h"
#include "platform/paths.h"
#include "zip/decoders_support.h"
#include "zip/kvoZip.h"

namespace {

namespace fs = std::filesystem;
using riviza::test::DataKind;

constexpr uint64_t kTreeBytes = 200ull << 20;

struct Tree {
  fs::path dir, root;
  uint64_t bytes = 0;
  int files = 0;
};

Tree makeTree() {
  Tree t;
  t.dir = fs::temp_directory_path() / ("riviza_zipwriter_bench_" + std::to_string(getpid()));
  t.root = t.dir / "tree";
  std::mt19937_64 rng(2024);
  const DataKind kinds[] = {DataKind::Text,   DataKind::Text,  DataKind::Binary, DataKind::Text,
                            DataKind::Binary, DataKind::Mixed, DataKind::Text,   DataKind::Binary,
                            DataKind::Random, DataKind::Text};
  while (t.bytes < kTreeBytes) {
    const fs::path folder = t.root / ("ordner" + std::to_string(t.files / 25));
    if (t.files % 25 == 0) fs::create_directories(folder);
    const size_t size = size_t{16384} << (rng() % 9);  // 16 KiB .. 4 MiB
    const auto data = riviza::test::generateData(kinds[t.files % 10], size, rng);
    std::ofstream(folder / ("datei" + std::to_string(t.files) + ".dat"), std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    t.bytes += size;
    ++t.files;
  }
  std::atexit([] {
    fs::remove_all(fs::temp_directory_path() / ("riviza_zipwriter_bench_" + std::to_string(getpid())));
  });
  return t;
}

const Tree& tree() {
  static const Tree t = makeTree();
  return t;
}

riviza::zip::TDeflateType typeOf(int level) {
  return level == 1   ? riviza::zip::dtDeflateF
         : level == 9 ? riviza::zip::dtDeflateX
                      : riviza::zip::dtDeflateN;
}

void report(benchmark::State& state, const fs::path& archive) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * tree().bytes));
  state.counters["archive_MB"] = static_cast<double>(fs::file_size(archive)) / 1e6;
  state.counters["tree_MB"] = static_cast<double>(tree().bytes) / 1e6;
}

void BM_TZipAdd(benchmark::State& state) {
  const Tree& t = tree();
  const fs::path archive = t.dir / "tzip.zip";
  for (auto _ : state) {
    fs::remove(archive);
    riviza::zip::TZip z;
    z.SetArchiveFile(riviza::platform::pathText(archive));
    z.SetTempDir(riviza::platform::pathText(t.dir));
    z.DeflateType = typeOf(static_cast<int>(state.range(0)));
    z.FileSpec = {riviza::platform::pathText(t.root) + "\\*.*"};
    if (z.Compress() != t.files) state.SkipWithError("not every file archived");
  }
  report(state, archive);
}

void BM_InfoZip(benchmark::State& state) {
  const Tree& t = tree();
  const fs::path archive = t.dir / "infozip.zip";
  const std::vector<std::string> argv{"zip",         "-q",  "-r", "-" + std::to_string(state.range(0)),
                                      "infozip.zip", "tree"};
  for (auto _ : state) {
    fs::remove(archive);
    auto status = riviza::platform::runAndWait(argv, riviza::platform::pathText(t.dir));
    if (!status || *status != 0) state.SkipWithError("zip failed");
  }
  report(state, archive);
}

BENCHMARK(BM_TZipAdd)->Arg(1)->Arg(6)->Arg(9)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_InfoZip)->Arg(1)->Arg(6)->Arg(9)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
