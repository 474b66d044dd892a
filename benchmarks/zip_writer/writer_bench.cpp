// Adding a generated tree of about 200 MB (text, binary records, random and mixed files of 16 KiB
// to 4 MiB in folders of 25) to a new archive: TZip beside Info-ZIP's zip -r -q, both at deflate
// level 1, 6 (TZip's dtDeflateN, the backup's level) and 9, in the same run. The counters give
// each archive's size; zip runs as a child process, so its time includes its start. WriteRatio
// times both at one level in the same run; after each run the archive must pass `unzip -tqq`
// (every entry decoded and its CRC checked by Info-ZIP) and hold one entry per file of the tree.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "platform/launcher.h"
#include "platform/paths.h"
#include "support/peer.h"
#include "support/zip_archive.h"
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

bool addWithTZip(const Tree& t, const fs::path& archive, int level) {
  riviza::zip::TZip z;
  z.SetArchiveFile(riviza::platform::pathText(archive));
  z.SetTempDir(riviza::platform::pathText(t.dir));
  z.DeflateType = typeOf(level);
  z.FileSpec = {riviza::platform::pathText(t.root) + "\\*.*"};
  return z.Compress() == t.files;
}

// The archive is sound by Info-ZIP's test and holds every file of the tree.
bool holdsTheTree(const Tree& t, const fs::path& archive) {
  if (!riviza::bench::toolRuns({"unzip", "-tqq", archive.string()})) return false;
  int files = 0;
  for (const auto& e : riviza::test::ParseZipFile(archive).entries) files += !e.name.ends_with("/");
  return files == t.files;
}

void WriteRatio(benchmark::State& state) {
  const Tree& t = tree();
  const int level = static_cast<int>(state.range(0));
  const fs::path ours = t.dir / "tzip.zip", peer = t.dir / "infozip.zip";
  const std::vector<std::string> zip{"zip", "-q", "-r", "-" + std::to_string(level), "infozip.zip", "tree"};
  riviza::bench::compareWithPeer(state, static_cast<double>(t.bytes) / 1e6, "MBps",
                                 {"ours", [&] { return addWithTZip(t, ours, level); },
                                  [&] { return holdsTheTree(t, ours); }, [&] { fs::remove(ours); }},
                                 {"zip",
                                  [&] {
                                    auto status =
                                        riviza::platform::runAndWait(zip, riviza::platform::pathText(t.dir));
                                    return status && *status == 0;
                                  },
                                  [&] { return holdsTheTree(t, peer); }, [&] { fs::remove(peer); }},
                                 2);
  state.counters["tree_MB"] = static_cast<double>(t.bytes) / 1e6;
  if (fs::exists(ours) && fs::exists(peer)) {
    state.counters["ours_archive_MB"] = static_cast<double>(fs::file_size(ours)) / 1e6;
    state.counters["zip_archive_MB"] = static_cast<double>(fs::file_size(peer)) / 1e6;
  }
}

BENCHMARK(WriteRatio)->Arg(1)->Arg(6)->Arg(9)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
