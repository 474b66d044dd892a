// The loopback HTTP server and the zip maker of the tests (test support); see http_server.h.
#include "support/http_server.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "support/zip_archive.h"

namespace riviza::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kPython = "/usr/bin/python3";

std::string script() { return std::string(RIVIZA_SOURCE_DIR) + "/tests/support/http_fixture.py"; }

void needPython() {
  if (::access(kPython, X_OK) != 0) throw std::runtime_error("tool missing: /usr/bin/python3");
}

std::string readAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

}  // namespace

HttpServer::HttpServer(fs::path root) : root_(std::move(root)) {
  needPython();
  control_ = root_.parent_path() / (root_.filename().string() + ".control");
  fs::create_directories(root_);
  fs::create_directories(control_);
  auto started = platform::startProcess({kPython, script(), "serve", root_.string(), control_.string()});
  if (!started) throw std::runtime_error("http server: " + started.error().message);
  process_ = std::move(*started);
  // The server writes its port once it listens; until then it is starting (or has failed).
  const fs::path portFile = control_ / "port";
  while (!fs::exists(portFile)) {
    if (auto code = process_.poll())
      throw std::runtime_error("http server ended at start with status " + std::to_string(*code));
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  port_ = std::stoi(readAll(portFile));
}

HttpServer::~HttpServer() {
  if (process_.pid() > 0) {
    ::kill(process_.pid(), SIGTERM);
    (void)process_.wait();
  }
  std::error_code ec;
  fs::remove_all(control_, ec);
}

void HttpServer::setRules(std::string_view json) const {
  const fs::path tmp = control_ / "rules.json.tmp";
  std::ofstream(tmp, std::ios::binary) << json;
  fs::rename(tmp, control_ / "rules.json");
}

void HttpServer::release(std::string_view name) const {
  std::ofstream(control_ / std::string(name)) << "frei";
}

std::vector<std::string> HttpServer::requests() const {
  std::vector<std::string> out;
  const std::string log = readAll(control_ / "requests.log");
  size_t at = 0;
  for (size_t end; (end = log.find("\n----\n", at)) != std::string::npos; at = end + 6)
    out.push_back(log.substr(at, end - at));
  return out;
}

void makeZip(const fs::path& out, const std::vector<std::pair<std::string, std::string>>& entries) {
  std::vector<ZipEntrySpec> specs;
  for (const auto& [name, bytes] : entries) {
    // Names beyond ASCII in UTF-8 under flag bit 11, as servers' packers write them today; the
    // date is the fixtures' clock, 15.03.2024 10:30:00.
    const bool utf8 = std::any_of(name.begin(), name.end(), [](char c) { return c & 0x80; });
    specs.emplace_back(name, bytes, 8, utf8 ? 0x0800 : 0, 0x20, 0x586F53C0u);
  }
  WriteZip(out, specs);
}

}  // namespace riviza::test
