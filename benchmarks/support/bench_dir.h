// Benchmark support: a fresh temporary folder, removed with everything in it at the end (every
// benchmark area). The benchmarks have their own main, so they cannot take the tests' TempDir
// with its gtest support library.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>

namespace riviza::bench {

class BenchDir {
 public:
  BenchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "riviza-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp: no temporary folder");
    path = pattern;
  }
  ~BenchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  BenchDir(const BenchDir&) = delete;
  BenchDir& operator=(const BenchDir&) = delete;

  std::filesystem::path path;
};

}  // namespace riviza::bench
