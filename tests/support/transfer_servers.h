// Real SFTP, FTP and proxy servers on loopback for tests (test support): the modes of
// transfer_fixture.py, started by the constructor on a free port and stopped by the destructor.
//
// The account's password goes to the server through a pipe, so it shows neither in the process
// list nor in a file. Failures to start throw std::runtime_error, with "tool missing" when /usr/bin/python3
// or one of its packages is not there. No gtest here.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace riviza::test {

class TransferServer {
 public:
  enum class Art { Sftp, Ftp, Proxy, Stumm };

  // Sftp and Ftp serve `root` (created) to the one account; Proxy and Stumm ignore the three.
  TransferServer(Art art, std::filesystem::path root, const std::string& user = {},
                 const std::string& password = {});
  ~TransferServer();
  TransferServer(const TransferServer&) = delete;
  TransferServer& operator=(const TransferServer&) = delete;

  int port() const { return port_; }
  // "127.0.0.1:PORT", the value for RIVIZA_UPDATE_SERVER.
  std::string hostPort() const { return "127.0.0.1:" + std::to_string(port_); }
  const std::filesystem::path& root() const { return root_; }
  pid_t pid() const { return pid_; }

  // SFTP: the host key's fingerprint, "SHA256:..." as ssh-keygen shows it.
  std::string fingerprint() const;
  // SFTP: the rules of transfer_fixture.py as a JSON object (path -> rule).
  void setRules(const std::string& json) const;
  // The server's log, one entry per line: SFTP "open PATH", FTP the commands, proxy the request
  // lines.
  std::vector<std::string> log() const;
  void clearLog() const;

 private:
  std::filesystem::path logFile() const;

  Art art_;
  std::filesystem::path root_;
  std::filesystem::path control_;
  pid_t pid_ = -1;
  int port_ = 0;
};

}  // namespace riviza::test
