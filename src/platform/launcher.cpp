#include "platform/launcher.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <signal.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "platform/codec.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace fs = std::filesystem;

namespace riviza::platform {
namespace {

bool isWindowsProgram(std::string_view name) {
  std::string ext = toLowerAscii(extractFileExt(name));
  return ext == ".exe" || ext == ".com" || ext == ".bat" || ext == ".cmd";
}

std::string searchPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string_view rest = path ? path : "/usr/bin:/bin";
  while (!rest.empty()) {
    size_t colon = rest.find(':');
    std::string dir(rest.substr(0, colon));
    rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    if (dir.empty()) dir = ".";
    fs::path candidate = fs::path(dir) / name;
    if (::access(candidate.c_str(), X_OK) == 0 && !fs::is_directory(candidate)) return candidate.string();
  }
  return {};
}

// A Windows executable image begins with the DOS header's "MZ"; anything else (an empty or cut
// download, an error page saved under the name) is refused as Windows refuses it, before wine
// is asked to load it.
bool isExecutableImage(const std::string& path) {
  char magic[2] = {};
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const ssize_t n = ::read(fd, magic, sizeof magic);
  ::close(fd);
  return n == 2 && magic[0] == 'M' && magic[1] == 'Z';
}

int exitCodeOf(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

}  // namespace

ResolvedProgram resolveProgram(std::string_view programText, std::string_view folderText) {
  ResolvedProgram r;
  r.windowsProgram = isWindowsProgram(programText);
  bool hasFolder = programText.find_first_of("\\/:") != std::string_view::npos;
  if (hasFolder) {
    fs::path p = nativePath(programText);
    if (fs::is_regular_file(p)) r.path = p.string();
    return r;
  }
  if (!folderText.empty()) {
    fs::path p = nativePath(includeTrailingBackslash(folderText) + std::string(programText));
    if (fs::is_regular_file(p)) {
      r.path = p.string();
      return r;
    }
  }
  r.path = searchPath(std::string(programText));
  return r;
}

Result<Process> startProcess(const std::vector<std::string>& argvText, std::string_view folderText) {
  if (argvText.empty()) return Error::make(EINVAL, "Kein Programm angegeben");
  ResolvedProgram prog = resolveProgram(argvText[0], folderText);
  if (prog.path.empty()) return errnoError(ENOENT, "Programm starten", argvText[0]);

  std::vector<std::string> args;
  if (prog.windowsProgram) {
    if (toLowerAscii(extractFileExt(prog.path)) == ".exe" && !isExecutableImage(prog.path))
      return errnoError(ENOEXEC, "start", argvText[0]);
    std::string wine = searchPath("wine");
    if (wine.empty())
      return Error::make(ENOENT,
                         "Programm starten " + displayPath(argvText[0]) + ": wine ist nicht installiert");
    args.push_back(wine);
    std::string ext = toLowerAscii(extractFileExt(argvText[0]));
    if (ext == ".bat" || ext == ".cmd") {
      args.push_back("cmd");
      args.push_back("/c");
    }
  }
  args.push_back(prog.path);
  args.insert(args.end(), argvText.begin() + 1, argvText.end());

  // Everything the child needs is prepared before fork: only async-signal-safe calls after it.
  std::vector<char*> cargv;
  cargv.reserve(args.size() + 1);
  for (auto& a : args) cargv.push_back(a.data());
  cargv.push_back(nullptr);
  std::string cwd = folderText.empty() ? std::string() : nativePath(folderText).string();

  int pipefd[2];
  if (::pipe2(pipefd, O_CLOEXEC) != 0) return errnoError(errno, "Programm starten", "");
  pid_t pid = ::fork();
  if (pid < 0) {
    int err = errno;
    ::close(pipefd[0]);
    ::close(pipefd[1]);
    return errnoError(err, "Programm starten", argvText[0]);
  }
  if (pid == 0) {
    ::close(pipefd[0]);
    if (!cwd.empty() && ::chdir(cwd.c_str()) != 0) {
      int err = errno;
      (void)!::write(pipefd[1], &err, sizeof err);
      ::_exit(127);
    }
    ::execv(cargv[0], cargv.data());
    int err = errno;
    (void)!::write(pipefd[1], &err, sizeof err);
    ::_exit(127);
  }
  ::close(pipefd[1]);
  int childErr = 0;
  ssize_t n;
  do {
    n = ::read(pipefd[0], &childErr, sizeof childErr);
  } while (n < 0 && errno == EINTR);
  ::close(pipefd[0]);
  if (n == static_cast<ssize_t>(sizeof childErr)) {
    int status;
    ::waitpid(pid, &status, 0);
    return errnoError(childErr, "Programm starten", argvText[0]);
  }
  return Process(pid);
}

Result<int> runAndWait(const std::vector<std::string>& argv, std::string_view folderText) {
  auto p = startProcess(argv, folderText);
  if (!p) return p.error();
  return p->wait();
}

Process::~Process() {
  if (pid_ > 0) {
    pid_t pid = pid_;
    if (::waitpid(pid, nullptr, WNOHANG) == 0) std::thread([pid] { ::waitpid(pid, nullptr, 0); }).detach();
  }
}

Process::Process(Process&& other) noexcept : pid_(other.pid_) { other.pid_ = -1; }

Process& Process::operator=(Process&& other) noexcept {
  if (this != &other) {
    std::swap(pid_, other.pid_);
  }
  return *this;
}

Result<int> Process::wait() {
  if (pid_ <= 0) return Error::make(ECHILD, "Kein Programm gestartet");
  int status;
  pid_t r;
  do {
    r = ::waitpid(pid_, &status, 0);
  } while (r < 0 && errno == EINTR);
  if (r < 0) return errnoError(errno, "Auf das Programm warten", "");
  pid_ = -1;
  return exitCodeOf(status);
}

std::optional<int> Process::poll() {
  if (pid_ <= 0) return std::nullopt;
  int status;
  pid_t r = ::waitpid(pid_, &status, WNOHANG);
  if (r == pid_) {
    pid_ = -1;
    return exitCodeOf(status);
  }
  if (r < 0) {
    pid_ = -1;
    return -1;
  }
  return std::nullopt;
}

std::vector<std::string> splitCommandLine(std::string_view s) {
  std::vector<std::string> out;
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    if (i >= s.size()) break;
    std::string arg;
    bool quoted = false;
    while (i < s.size() && (quoted || (s[i] != ' ' && s[i] != '\t'))) {
      if (s[i] == '\\') {
        size_t slashes = 0;
        while (i < s.size() && s[i] == '\\') ++slashes, ++i;
        if (i < s.size() && s[i] == '"') {
          arg.append(slashes / 2, '\\');
          if (slashes % 2) {
            arg += '"';
            ++i;
          }
        } else {
          arg.append(slashes, '\\');
        }
      } else if (s[i] == '"') {
        quoted = !quoted;
        ++i;
      } else {
        arg += s[i++];
      }
    }
    out.push_back(std::move(arg));
  }
  return out;
}

Result<Process> openDocument(std::string_view pathText) {
  std::string opener = searchPath("xdg-open");
  if (opener.empty())
    return Error::make(ENOENT, "Kein Programm zum Öffnen von " + displayPath(pathText) +
                                   " gefunden (xdg-open ist nicht installiert)");
  return startProcess({opener, nativePath(pathText).string()});
}

}  // namespace riviza::platform
