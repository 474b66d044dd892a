// The loopback SFTP, FTP and proxy servers of the tests (test support); see transfer_servers.h.
#include "support/transfer_servers.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace riviza::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kPython = "/usr/bin/python3";

std::string script() { return std::string(RIVIZA_SOURCE_DIR) + "/tests/support/transfer_fixture.py"; }

std::string readAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

const char* modeName(TransferServer::Art art) {
  switch (art) {
    case TransferServer::Art::Sftp:
      return "sftp";
    case TransferServer::Art::Ftp:
      return "ftp";
    case TransferServer::Art::Proxy:
      return "proxy";
    case TransferServer::Art::Stumm:
      return "silent";
  }
  return "";
}

// Starts the fixture with `input` on its standard input (then closed) and its standard error in
// `errFile`.
pid_t spawn(const std::vector<std::string>& argv, const std::string& input, const fs::path& errFile) {
  int in[2];
  if (::pipe2(in, O_CLOEXEC) != 0) throw std::runtime_error("transfer server: pipe");
  const int err = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(in[0], 0);
    if (err >= 0) ::dup2(err, 2);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  ::close(in[0]);
  if (err >= 0) ::close(err);
  if (pid < 0) {
    ::close(in[1]);
    throw std::runtime_error("transfer server: fork");
  }
  const std::string line = input + "\n";
  (void)!::write(in[1], line.data(), line.size());
  ::close(in[1]);
  return pid;
}

}  // namespace

TransferServer::TransferServer(Art art, fs::path root, const std::string& user, const std::string& password)
    : art_(art), root_(std::move(root)) {
  if (::access(kPython, X_OK) != 0) throw std::runtime_error("tool missing: /usr/bin/python3");
  static std::atomic<int> counter{0};
  control_ = fs::temp_directory_path() /
             ("riviza-transfer-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
  fs::create_directories(control_);
  std::vector<std::string> argv{kPython, script(), modeName(art)};
  if (art == Art::Sftp || art == Art::Ftp) {
    fs::create_directories(root_);
    argv.insert(argv.end(), {root_.string(), control_.string(), user});
  } else {
    argv.push_back(control_.string());
  }
  pid_ = spawn(argv, password, control_ / "stderr");
  // The server writes its port once it listens; until then it is starting (or has failed).
  const fs::path portFile = control_ / "port";
  while (!fs::exists(portFile)) {
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      const std::string err = readAll(control_ / "stderr");
      const bool missing = err.find("ModuleNotFoundError") != std::string::npos;
      throw std::runtime_error(std::string(missing ? "tool missing: " : "") + modeName(art) +
                               " server ended at start: " + err);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  port_ = std::stoi(readAll(portFile));
}

TransferServer::~TransferServer() {
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
  }
  std::error_code ec;
  fs::remove_all(control_, ec);
}

std::string TransferServer::fingerprint() const { return readAll(control_ / "fingerprint"); }

void TransferServer::setRules(const std::string& json) const {
  const fs::path tmp = control_ / "rules.json.tmp";
  std::ofstream(tmp, std::ios::binary) << json;
  fs::rename(tmp, control_ / "rules.json");
}

fs::path TransferServer::logFile() const {
  switch (art_) {
    case Art::Sftp:
      return control_ / "requests.log";
    case Art::Ftp:
      return control_ / "commands.log";
    default:
      return control_ / "proxy.log";
  }
}

std::vector<std::string> TransferServer::log() const {
  std::vector<std::string> out;
  std::istringstream in(readAll(logFile()));
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

void TransferServer::clearLog() const {
  std::error_code ec;
  fs::remove(logFile(), ec);
}

}  // namespace riviza::test
