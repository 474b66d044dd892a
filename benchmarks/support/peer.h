// Benchmark support: a measurement of ours beside its peer in the same run (every benchmark area).
//
// compareWithPeer runs ours and the peer alternately, `rounds` times each, and keeps each one's
// best wall time: a busy machine slows both alike and one slow round does not count. Every run's
// output is checked after it, untimed; a wrong output fails the benchmark rather than timing
// garbage. Counters: ours_<unit> and <peer>_<unit> (work per second) and ratio = ours / peer
// speed (above 1: ours is faster). Run it with ->Iterations(1): the rounds are inside.
// toolRuns runs an outside tool (7zz, unzip, zip) as a peer: its exit status is its verdict.
#pragma once

#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace riviza::bench {

struct Contender {
  std::string name;
  std::function<bool()> run;                          // the timed work; false: it failed
  std::function<bool()> check = [] { return true; };  // its output, untimed
  std::function<void()> prepare = [] {};              // before each run, untimed
};

inline void compareWithPeer(benchmark::State& state, double work, const std::string& unit, Contender ours,
                            Contender peer, int rounds = 3) {
  double best[2] = {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity()};
  Contender* contenders[2] = {&ours, &peer};
  std::string failed;
  for (auto _ : state) {
    for (int r = 0; r < rounds && failed.empty(); ++r)
      for (int i = 0; i < 2 && failed.empty(); ++i) {
        Contender& c = *contenders[i];
        c.prepare();
        const auto start = std::chrono::steady_clock::now();
        const bool ran = c.run();
        const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
        if (!ran || !c.check()) failed = c.name + (ran ? ": wrong output" : ": failed");
        best[i] = std::min(best[i], seconds.count());
      }
    if (!failed.empty()) {
      state.SkipWithError(failed.c_str());
      break;
    }
  }
  if (!failed.empty()) return;
  state.counters["ours_" + unit] = work / best[0];
  state.counters[peer.name + "_" + unit] = work / best[1];
  state.counters["ratio"] = best[1] / best[0];
}

// Runs argv (no shell) with standard output and error sent to /dev/null; true when it exits 0.
inline bool toolRuns(const std::vector<std::string>& argv) {
  const pid_t pid = ::fork();
  if (pid < 0) return false;
  if (pid == 0) {
    if (!std::freopen("/dev/null", "w", stdout) || !std::freopen("/dev/null", "w", stderr)) ::_exit(127);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execvp(args[0], args.data());
    ::_exit(127);
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace riviza::bench
