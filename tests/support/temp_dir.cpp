// Test support: the temporary folder, the scoped current folder and environment, and the
// shared test data (see temp_dir.h).
#include "support/temp_dir.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace fs = std::filesystem;

namespace riviza::test {

TempDir::TempDir() {
  std::string tmpl = (fs::temp_directory_path() / "riviza-test-XXXXXX").string();
  if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
  path_ = tmpl;
}

TempDir::~TempDir() {
  std::error_code ec;
  // Tests may leave read-only files behind; make everything writable before removing.
  for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path_, ec);
}

fs::path TempDir::write(std::string_view rel, std::string_view bytes) const {
  fs::path p = path_ / std::string(rel);
  fs::create_directories(p.parent_path());
  writeNative(p, bytes);
  return p;
}

fs::path TempDir::mkdir(std::string_view rel) const {
  fs::path p = path_ / std::string(rel);
  fs::create_directories(p);
  return p;
}

std::string TempDir::read(std::string_view rel) const { return readNative(path_ / std::string(rel)); }

bool TempDir::exists(std::string_view rel) const { return fs::exists(path_ / std::string(rel)); }

std::string readNative(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + p.string());
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void writeNative(const fs::path& p, std::string_view bytes) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("cannot write " + p.string());
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

ScopedCurrentDir::ScopedCurrentDir(const fs::path& dir) : saved_(fs::current_path()) { fs::current_path(dir); }
ScopedCurrentDir::~ScopedCurrentDir() {
  std::error_code ec;
  fs::current_path(saved_, ec);
}

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : name_(name) {
  const char* old = std::getenv(name);
  had_ = old != nullptr;
  if (had_) saved_ = old;
  ::setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
  if (had_)
    ::setenv(name_.c_str(), saved_.c_str(), 1);
  else
    ::unsetenv(name_.c_str());
}

fs::path testData(std::string_view rel) {
  const fs::path base = RIVIZA_TESTDATA;
  fs::path p = rel.empty() ? base : base / std::string(rel);
  if (!fs::exists(p))
    throw std::runtime_error("test data missing: " + p.string() + " (see tests/data/SOURCES.md)");
  return p;
}

}  // namespace riviza::test
