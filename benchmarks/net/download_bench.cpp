// Download throughput on loopback: THttpDownload to a file against `curl -o` fetching the same
// 200 MB file from the same server in the same run, alternating; ratio = ours / curl (above 1:
// ours is faster). Both outputs are checked for their size.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "net/HttpDownload.h"
#include "net/curl_util.h"
#include "platform/launcher.h"
#include "platform/pump.h"
#include "support/http_server.h"

namespace riviza {
namespace {

namespace fs = std::filesystem;

constexpr uintmax_t kBytes = 200u << 20;

struct Bench {
  Bench() {
    std::string tmpl = (fs::temp_directory_path() / "riviza-bench-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp");
    dir = tmpl;
    fs::create_directories(dir / "www");
    std::vector<char> block(1 << 20);
    std::mt19937_64 rng(7);
    std::ofstream out(dir / "www" / "gross.bin", std::ios::binary);
    for (uintmax_t done = 0; done < kBytes; done += block.size()) {
      for (char& c : block) c = static_cast<char>(rng());
      out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
    out.close();
    server = std::make_unique<test::HttpServer>(dir / "www");
    ::setenv(net::kUpdateServerVariable, server->hostPort().c_str(), 1);
  }
  ~Bench() {
    server.reset();
    fs::remove_all(dir);
  }
  fs::path dir;
  std::unique_ptr<test::HttpServer> server;
};

Bench& bench() {
  static Bench b;
  return b;
}

double seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double ours(const fs::path& target) {
  fs::remove(target);
  const auto start = std::chrono::steady_clock::now();
  net::THttpDownload d;
  bool ok = false;
  d.OnDoneFile = [&](net::THttpDownload&, const std::string&, int64_t) { ok = true; };
  d.URL = "www.orvel-tessaro.example/gross.bin";
  d.FileName = target.string();
  d.WaitThread = true;
  d.StartDownloadToFile();
  const double s = seconds(start);
  if (!ok || fs::file_size(target) != kBytes) throw std::runtime_error("download failed");
  return s;
}

double curl(const fs::path& target) {
  fs::remove(target);
  const std::string url = "http://" + bench().server->hostPort() + "/gross.bin";
  const auto start = std::chrono::steady_clock::now();
  auto status = platform::runAndWait({"curl", "-s", "-o", target.string(), url});
  const double s = seconds(start);
  if (!status || *status != 0 || fs::file_size(target) != kBytes) throw std::runtime_error("curl failed");
  return s;
}

void BM_DownloadRatio(benchmark::State& state) {
  Bench& b = bench();
  double oursSeconds = 0, curlSeconds = 0;
  int rounds = 0;
  for (auto _ : state) {
    curlSeconds += curl(b.dir / "curl.bin");
    oursSeconds += ours(b.dir / "ours.bin");
    ++rounds;
  }
  const double mb = static_cast<double>(kBytes) / 1e6 * rounds;
  state.counters["ours_MBps"] = mb / oursSeconds;
  state.counters["curl_MBps"] = mb / curlSeconds;
  state.counters["ratio"] = curlSeconds / oursSeconds;
}

BENCHMARK(BM_DownloadRatio)->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace riviza
