// AES entry encryption throughput: counter-mode AES-256 with HMAC-SHA1 over the ciphertext (what
// every AE-2 byte costs), by the engine's context, and the same work measured by `openssl speed`
// in the same run: one call for aes-256-ctr and one for hmac(sha1), combined as the serial cost
// of both (1 / (1/aes + 1/hmac)). OpensslRatio reports ours / openssl.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "zip/kvoAesEntryCrypt.h"

namespace riviza::zip {
namespace {

TAesEntryCrypt makeContext() {
  static const uint8_t salt[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  TAesEntryCrypt ctx;
  (void)ctx.Init("benchmark password", emAES2_256, salt);
  return ctx;
}

void BM_AesCtrHmacEncrypt(benchmark::State& state) {
  std::vector<uint8_t> buf(static_cast<size_t>(state.range(0)), 0x5A);
  TAesEntryCrypt ctx = makeContext();
  for (auto _ : state) {
    ctx.EncryptData(buf.data(), buf.size());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

void BM_AesCtrHmacDecrypt(benchmark::State& state) {
  std::vector<uint8_t> buf(static_cast<size_t>(state.range(0)), 0x5A);
  TAesEntryCrypt ctx = makeContext();
  for (auto _ : state) {
    ctx.DecryptData(buf.data(), buf.size());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

// Counter mode alone (the chosen path, or with `portable` the fallback) and SHA-1 alone: the two
// halves of the entry cost.
void ctrOnly(benchmark::State& state, bool portable) {
  static const uint8_t key[32] = {7};
  TAesBlock aes;
  aes.SetKey(key, sizeof key);
  aes.usePortable(portable);
  std::vector<uint8_t> buf(static_cast<size_t>(state.range(0)));
  uint64_t counter = 0;
  for (auto _ : state) {
    aes.CtrXor(buf.data(), buf.size() / 16, counter);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
void BM_AesCtr(benchmark::State& state) { ctrOnly(state, false); }
void BM_AesCtrPortable(benchmark::State& state) { ctrOnly(state, true); }

void BM_Sha1(benchmark::State& state) {
  std::vector<uint8_t> buf(static_cast<size_t>(state.range(0)), 1);
  for (auto _ : state) benchmark::DoNotOptimize(Sha1Of(buf.data(), buf.size()));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

void BM_KeyDerivation1000(benchmark::State& state) {
  static const uint8_t salt[16] = {};
  for (auto _ : state) {
    TAesEntryCrypt ctx;
    benchmark::DoNotOptimize(ctx.Init("password", emAES2_256, salt));
  }
}

// "type 16384 bytes / NAME  123456.78k": the figure in kB/s of the last line.
double opensslKilobytes(const std::string& args) {
  std::string cmd = "openssl speed " + args + " -bytes 16384 -seconds 1 2>/dev/null";
  FILE* pipe = ::popen(cmd.c_str(), "r");
  if (pipe == nullptr) return 0;
  char line[512];
  double value = 0;
  while (fgets(line, sizeof line, pipe) != nullptr) {
    std::string s(line);
    size_t k = s.rfind('k');
    size_t blank = s.find_last_of(' ', k);
    if (k != std::string::npos && blank != std::string::npos && k > blank + 1 &&
        s.find("bytes") == std::string::npos)
      value = std::strtod(s.substr(blank + 1, k - blank - 1).c_str(), nullptr);
  }
  ::pclose(pipe);
  return value;
}

void BM_OpensslRatio(benchmark::State& state) {
  double ours = 0, aes = 0, hmac = 0;
  for (auto _ : state) {
    std::vector<uint8_t> buf(16384, 0x5A);
    TAesEntryCrypt ctx = makeContext();
    const int rounds = 40000;  // 655 MB
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i) ctx.EncryptData(buf.data(), buf.size());
    std::chrono::duration<double> s = std::chrono::steady_clock::now() - start;
    ours = 16384.0 * rounds / s.count() / 1e6;
    aes = opensslKilobytes("-evp aes-256-ctr") / 1e3;
    hmac = opensslKilobytes("-hmac sha1") / 1e3;
  }
  double combined = aes > 0 && hmac > 0 ? 1.0 / (1.0 / aes + 1.0 / hmac) : 0;
  state.counters["ours_MBps"] = ours;
  state.counters["openssl_aes256ctr_MBps"] = aes;
  state.counters["openssl_hmacsha1_MBps"] = hmac;
  state.counters["openssl_combined_MBps"] = combined;
  state.counters["ratio"] = combined > 0 ? ours / combined : 0;
}

BENCHMARK(BM_AesCtrHmacEncrypt)->Arg(16384)->Arg(1 << 20);
BENCHMARK(BM_AesCtrHmacDecrypt)->Arg(1 << 20);
BENCHMARK(BM_AesCtr)->Arg(1 << 20);
BENCHMARK(BM_AesCtrPortable)->Arg(1 << 16);
BENCHMARK(BM_Sha1)->Arg(1 << 20);
BENCHMARK(BM_KeyDerivation1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpensslRatio)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace riviza::zip
