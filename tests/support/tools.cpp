// Test support: outside programs run by the tests; see tools.h.
#include "support/tools.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <sstream>

#include "support/temp_dir.h"

namespace riviza::test {
namespace {

namespace fs = std::filesystem;

bool executable(const fs::path& p) {
  return !p.empty() && ::access(p.c_str(), X_OK) == 0 && !fs::is_directory(p);
}

// Reads both pipes until both are closed; poll keeps a child that fills one pipe from blocking
// while the other is read.
void drain(int outFd, int errFd, std::string& out, std::string& err) {
  pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
  std::string* sinks[2] = {&out, &err};
  char buffer[65536];
  for (int open = (outFd >= 0) + (errFd >= 0); open > 0;) {
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        sinks[i]->append(buffer, static_cast<size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        ::close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
}

std::string commandLine(const std::vector<std::string>& argv) {
  std::string line;
  for (const std::string& a : argv) line += (line.empty() ? "" : " ") + a;
  return line;
}

}  // namespace

fs::path findTool(const std::string& name) {
  if (name.find('/') != std::string::npos) return executable(name) ? fs::path(name) : fs::path();
  const char* path = std::getenv("PATH");
  std::istringstream folders(path ? path : "");
  for (std::string folder; std::getline(folders, folder, ':');)
    if (const fs::path candidate = fs::path(folder.empty() ? "." : folder) / name; executable(candidate))
      return candidate;
  return {};
}

ToolRun runTool(const std::vector<std::string>& argv, const ToolOptions& options) {
  ToolRun run;
  const fs::path program = argv.empty() ? fs::path() : findTool(argv[0]);
  if (program.empty()) {
    run.missing = true;
    run.output = "tool missing: " + (argv.empty() ? std::string("(none)") : argv[0]);
    ADD_FAILURE() << run.output;
    return run;
  }
  int out[2], err[2];
  if (::pipe2(out, O_CLOEXEC) != 0) return run;
  if (::pipe2(err, O_CLOEXEC) != 0) {
    ::close(out[0]), ::close(out[1]);
    return run;
  }
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (!options.dir.empty() && ::chdir(options.dir.c_str()) != 0) ::_exit(127);
    const int in = ::open(options.stdinFile.empty() ? "/dev/null" : options.stdinFile.c_str(), O_RDONLY);
    const int sink = options.stdoutFile.empty()
                         ? out[1]
                         : ::open(options.stdoutFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || sink < 0) ::_exit(127);
    ::dup2(in, 0);
    ::dup2(sink, 1);
    ::dup2(options.stderrApart ? err[1] : sink, 2);
    for (const std::string& e : options.env) ::putenv(const_cast<char*>(e.c_str()));
    ::execv(program.c_str(), args.data());
    ::_exit(127);
  }
  ::close(out[1]);
  ::close(err[1]);
  drain(out[0], err[0], run.output, run.errors);
  int status = 0;
  while (pid > 0 && ::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (pid > 0) run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return run;
}

std::string toolOutput(const std::vector<std::string>& argv, const ToolOptions& options, bool warningsOk) {
  const ToolRun run = runTool(argv, options);
  if (!run.missing) {
    EXPECT_TRUE(run.status == 0 || (warningsOk && run.status == 1))
        << commandLine(argv) << ": exit status " << run.status << "\n"
        << run.output << run.errors;
  }
  return run.output;
}

void compareGolden(const std::string& golden, const std::string& actual) {
  const fs::path datei = fs::path(RIVIZA_SOURCE_DIR) / golden;
  if (const char* update = std::getenv("RIVIZA_UPDATE_GOLDEN"); update && std::string(update) == "1") {
    fs::create_directories(datei.parent_path());
    return writeNative(datei, actual);
  }
  ASSERT_TRUE(fs::exists(datei)) << datei << " missing; run with RIVIZA_UPDATE_GOLDEN=1";
  EXPECT_EQ(actual, readNative(datei)) << datei << " (RIVIZA_UPDATE_GOLDEN=1 rewrites it)";
}

}  // namespace riviza::test
