// Running a program of the build from a test; see werkzeug.h.
#include "support/werkzeug.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

extern char** environ;

namespace riviza::test {

WerkzeugLauf werkzeugAusfuehren(const std::vector<std::string>& argv) {
  WerkzeugLauf lauf;
  if (argv.empty() || !std::filesystem::exists(argv[0])) {
    lauf.ausgabe = "tool missing: " + (argv.empty() ? std::string() : argv[0]);
    return lauf;
  }
  int rohr[2];
  if (::pipe(rohr) != 0) return lauf;
  posix_spawn_file_actions_t aktionen;
  posix_spawn_file_actions_init(&aktionen);
  posix_spawn_file_actions_adddup2(&aktionen, rohr[1], 1);
  posix_spawn_file_actions_adddup2(&aktionen, rohr[1], 2);
  posix_spawn_file_actions_addclose(&aktionen, rohr[0]);
  posix_spawn_file_actions_addclose(&aktionen, rohr[1]);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = -1;
  const int gestartet = posix_spawn(&pid, args[0], &aktionen, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&aktionen);
  ::close(rohr[1]);
  char puffer[4096];
  for (ssize_t n; (n = ::read(rohr[0], puffer, sizeof puffer)) > 0;)
    lauf.ausgabe.append(puffer, static_cast<size_t>(n));
  ::close(rohr[0]);
  int w = 0;
  if (gestartet == 0 && ::waitpid(pid, &w, 0) == pid && WIFEXITED(w)) lauf.status = WEXITSTATUS(w);
  return lauf;
}

}  // namespace riviza::test
