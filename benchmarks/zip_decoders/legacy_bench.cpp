// Legacy decoders: unshrink, unreduce (factor 4) and explode (8 KiB window, three trees) on text
// of 1, 4 and 16 MiB from the test suite's reference encoders. Linear decoders keep the same
// MB/s at every size. LegacyRatio times a decoder against the outside tool that decodes its
// method, on 16 MiB zipped: unshrink against `7zz t`, explode against `unzip -tqq` (both decode
// and check the CRC; their times include their start and reading the archive). Neither tool
// decodes reduced entries, so unreduce has no peer.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>

#include "support/peer.h"
#include "support/zip_archive.h"
#include "zip/decoders_encoders.h"
#include "zip/decoders_support.h"

namespace {

using riviza::test::Bytes;

enum class Method { Unshrink, Unreduce, Explode };

struct Sample {
  Bytes plain;
  Bytes compressed;
};

const Sample& sample(Method method, size_t size) {
  static std::map<std::pair<Method, size_t>, Sample> cache;
  auto key = std::make_pair(method, size);
  if (auto it = cache.find(key); it != cache.end()) return it->second;
  std::mt19937_64 rng(7);
  Sample s;
  s.plain = riviza::test::generateData(riviza::test::DataKind::Text, size, rng);
  switch (method) {
    case Method::Unshrink:
      s.compressed = riviza::test::shrinkEncode(s.plain);
      break;
    case Method::Unreduce:
      s.compressed = riviza::test::reduceEncode(s.plain, 4);
      break;
    case Method::Explode:
      s.compressed = riviza::test::implodeEncode(s.plain, {});
      break;
  }
  return cache.emplace(key, std::move(s)).first->second;
}

void runLegacy(benchmark::State& state, Method method) {
  const size_t size = static_cast<size_t>(state.range(0)) << 20;
  const Sample& s = sample(method, size);
  const uint16_t zipMethod = method == Method::Unshrink ? 1 : method == Method::Unreduce ? 5 : 6;
  const uint16_t flags = method == Method::Explode ? 6 : 0;
  for (auto _ : state) {
    const auto d = riviza::test::decodeWithFrame(zipMethod, flags, s.compressed, s.compressed.size(), size);
    if (!d.status.ok() || d.output.size() != size) state.SkipWithError("decoding failed");
    benchmark::DoNotOptimize(d.output.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

void LegacyRatio(benchmark::State& state, Method method) {
  const size_t size = size_t{16} << 20;
  const Sample& s = sample(method, size);
  const uint16_t zipMethod = method == Method::Unshrink ? 1 : 6;
  const uint16_t flags = method == Method::Explode ? 6 : 0;
  const auto dir =
      std::filesystem::temp_directory_path() / ("riviza_legacy_bench_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::string zip = (dir / "legacy.zip").string();
  riviza::test::ZipEntrySpec entry("legacy.txt", riviza::test::asString(s.plain), zipMethod, flags);
  entry.packed = riviza::test::asString(s.compressed);
  riviza::test::WriteZip(zip, {entry});
  riviza::test::FrameDecoded decoded;
  const std::vector<std::string> peer = method == Method::Unshrink
                                            ? std::vector<std::string>{"7zz", "t", zip}
                                            : std::vector<std::string>{"unzip", "-tqq", zip};
  riviza::bench::compareWithPeer(state, static_cast<double>(size) / 1e6, "MBps",
                                 {"ours",
                                  [&] {
                                    decoded = riviza::test::decodeWithFrame(zipMethod, flags, s.compressed,
                                                                            s.compressed.size(), size);
                                    return decoded.status.ok();
                                  },
                                  [&] { return decoded.output == s.plain; }},
                                 {peer[0], [&] { return riviza::bench::toolRuns(peer); }});
  std::filesystem::remove_all(dir);
}

BENCHMARK_CAPTURE(LegacyRatio, Unshrink, Method::Unshrink)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LegacyRatio, Explode, Method::Explode)->Iterations(1)->Unit(benchmark::kMillisecond);

BENCHMARK_CAPTURE(runLegacy, Unshrink, Method::Unshrink)
    ->Arg(1)
    ->Arg(4)
    ->Arg(16)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(runLegacy, Unreduce, Method::Unreduce)
    ->Arg(1)
    ->Arg(4)
    ->Arg(16)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(runLegacy, Explode, Method::Explode)
    ->Arg(1)
    ->Arg(4)
    ->Arg(16)
    ->Unit(benchmark::kMillisecond);

}  // namespace
