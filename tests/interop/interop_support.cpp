// Support of the interop tests. See interop_support.h.
#include "interop/interop_support.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <random>

namespace riviza::interop {

RunResult Run(const std::vector<std::string>& argv, const std::filesystem::path& dir,
              const std::filesystem::path& stdinFile, const std::filesystem::path& stdoutFile) {
  RunResult result;
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return result;
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::chdir(dir.c_str()) != 0) ::_exit(127);
    int in = stdinFile.empty() ? ::open("/dev/null", O_RDONLY) : ::open(stdinFile.c_str(), O_RDONLY);
    int out =
        stdoutFile.empty() ? pipeFds[1] : ::open(stdoutFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0) ::_exit(127);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(pipeFds[1], 2);
    ::close(pipeFds[0]);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execvp(args[0], args.data());
    ::_exit(127);
  }
  ::close(pipeFds[1]);
  char buffer[4096];
  for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) result.output.append(buffer, n);
  ::close(pipeFds[0]);
  int status = 0;
  if (pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) result.status = WEXITSTATUS(status);
  return result;
}

void MakeTree(const std::filesystem::path& root, unsigned seed) {
  std::mt19937 random(seed);
  auto write = [&](const std::filesystem::path& rel, const std::string& bytes) {
    std::filesystem::create_directories((root / rel).parent_path());
    std::ofstream(root / rel, std::ios::binary) << bytes;
  };
  auto randomBytes = [&](size_t n) {
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(random());
    return s;
  };
  std::string text;
  for (int i = 0; text.size() < 150000; ++i)
    text += "Zeile " + std::to_string(i * 7 % 1000) + " der Kostentraegerdatei\n";
  write("Kosttr/AO05Q425.ke0", text);
  write("Kosttr/leer.txt", "");
  write("Kosttr/eins.txt", "1");
  write("Update/Setup.exe", randomBytes(300000));
  write("Update/sub/deeper/data.bin", randomBytes(70000) + text.substr(0, 50000));
  write("README", "no extension\n");
  std::filesystem::create_directories(root / "Leer");
}

std::string DiffTrees(const std::filesystem::path& a, const std::filesystem::path& b) {
  RunResult r = Run({"diff", "-r", a.string(), b.string()}, a.parent_path());
  return r.status == 0 ? std::string() : "diff status " + std::to_string(r.status) + "\n" + r.output;
}

}  // namespace riviza::interop
