// Legacy decoders: unshrink, unreduce (factor 4) and explode (8 KiB window, three trees) on text
// of 1, 4 and 16 MiB from the test suite's reference encoders. Linear decoders keep the same
// MB/s at every size.
#include <benchmark/benchmark.h>

#include <map>

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
