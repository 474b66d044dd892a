// CRC-32 throughput: the engine's chosen routine, its slicing-by-8 fallback, and zlib's crc32 on
// the same buffers, from one page to 16 MiB. Crc32Ratio times both over the same 64 MiB and
// reports ours / zlib (above 1: ours is faster).
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <chrono>
#include <random>
#include <vector>

#include "zip/kvoCrc.h"

namespace riviza::zip {
namespace {

const std::vector<uint8_t>& corpus() {
  static const std::vector<uint8_t> data = [] {
    std::vector<uint8_t> d(64u << 20);
    std::mt19937_64 rng(1);
    for (auto& b : d) b = static_cast<uint8_t>(rng());
    return d;
  }();
  return data;
}

void BM_Crc32Engine(benchmark::State& state) {
  const auto& d = corpus();
  const size_t n = static_cast<size_t>(state.range(0));
  for (auto _ : state) {
    uint32_t reg = kCrcSeed;
    Crc32Update(d.data(), n, reg);
    benchmark::DoNotOptimize(reg);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(n));
  state.SetLabel(std::string(Crc32Implementation()));
}

void BM_Crc32Slicing8(benchmark::State& state) {
  const auto& d = corpus();
  const size_t n = static_cast<size_t>(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(Crc32Slicing8(d.data(), n, kCrcSeed));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(n));
}

void BM_Crc32Zlib(benchmark::State& state) {
  const auto& d = corpus();
  const size_t n = static_cast<size_t>(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(crc32(0, d.data(), static_cast<uInt>(n)));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(n));
}

template <class F>
double gigabytesPerSecond(F&& f, const std::vector<uint8_t>& d) {
  auto start = std::chrono::steady_clock::now();
  constexpr int kRounds = 8;
  for (int i = 0; i < kRounds; ++i) benchmark::DoNotOptimize(f(d));
  std::chrono::duration<double> s = std::chrono::steady_clock::now() - start;
  return static_cast<double>(d.size()) * kRounds / s.count() / 1e9;
}

void BM_Crc32Ratio(benchmark::State& state) {
  const auto& d = corpus();
  double ours = 0, zlib = 0;
  for (auto _ : state) {
    ours = gigabytesPerSecond(
        [](const std::vector<uint8_t>& v) {
          uint32_t reg = kCrcSeed;
          Crc32Update(v.data(), v.size(), reg);
          return reg;
        },
        d);
    zlib = gigabytesPerSecond(
        [](const std::vector<uint8_t>& v) { return crc32(0, v.data(), static_cast<uInt>(v.size())); }, d);
  }
  state.counters["ours_GBps"] = ours;
  state.counters["zlib_GBps"] = zlib;
  state.counters["ratio"] = ours / zlib;
}

BENCHMARK(BM_Crc32Engine)->Arg(4096)->Arg(65536)->Arg(1 << 20)->Arg(16 << 20);
BENCHMARK(BM_Crc32Slicing8)->Arg(65536)->Arg(1 << 20);
BENCHMARK(BM_Crc32Zlib)->Arg(4096)->Arg(65536)->Arg(1 << 20)->Arg(16 << 20);
BENCHMARK(BM_Crc32Ratio)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace riviza::zip
