// A real HTTP server on loopback for tests and benchmarks: Python's http.server with the
// fixture handler of http_fixture.py, started by the constructor on a free port and stopped by
// the destructor; and the zip packages it serves (test support).
//
// Failures to start throw std::runtime_error (a test fails, a benchmark ends), with "tool
// missing" when /usr/bin/python3 is not there. No gtest here, so benchmarks can use it too.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/launcher.h"

namespace riviza::test {

class HttpServer {
 public:
  // Serves the files under root; its control files live in a folder of their own beside it.
  explicit HttpServer(std::filesystem::path root);
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  int port() const { return port_; }
  // "127.0.0.1:PORT", the value for RIVIZA_UPDATE_SERVER.
  std::string hostPort() const { return "127.0.0.1:" + std::to_string(port_); }
  const std::filesystem::path& root() const { return root_; }

  // Replaces the answering rules (http_fixture.py): a JSON object from path to rule.
  void setRules(std::string_view json) const;
  // Lets the requests held by a "release" rule of that name go on.
  void release(std::string_view name) const;
  // Every request so far, as logged: request line, headers, blank line, body.
  std::vector<std::string> requests() const;

 private:
  std::filesystem::path root_;
  std::filesystem::path control_;
  platform::Process process_;
  int port_ = 0;
};

// Writes a zip archive with each (name, bytes) entry deflated under exactly that name.
void makeZip(const std::filesystem::path& out,
             const std::vector<std::pair<std::string, std::string>>& entries);

}  // namespace riviza::test
