// The program itself (build's riviza) on a fresh demo installation under Qt's offscreen
// platform, ended by the signals of a logout, Ctrl+C, a closed terminal and a reader of its output
// that went away: each closes it as "&Beenden" does, so the year's lock is released, Temp is
// emptied and the exit status is 0.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/ini.h"
#include "support/temp_dir.h"
#include "support/tools.h"

extern char** environ;

namespace riviza::test {
namespace {

namespace fs = std::filesystem;

pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env, const fs::path& dir) {
  std::vector<char*> args, vars;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  for (const auto& v : env) vars.push_back(const_cast<char*>(v.c_str()));
  for (char** e = environ; *e; ++e) vars.push_back(*e);  // the first of a name wins
  vars.push_back(nullptr);
  const fs::path saved = fs::current_path();
  fs::current_path(dir);
  pid_t pid = -1;
  if (::posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), vars.data()) != 0) pid = -1;
  fs::current_path(saved);
  return pid;
}

int waitFor(pid_t pid) {
  int status = 0;
  return ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(EndSignals, CloseTheProgramAsBeendenDoes) {
  for (int signal : {SIGTERM, SIGINT, SIGHUP, SIGPIPE}) {
    SCOPED_TRACE(strsignal(signal));
    TempDir dir;
    ASSERT_EQ(runTool({RIVIZA_DEMO_TOOL, (dir / "demo").string()}, {.dir = dir.path()}).status, 0);
    const fs::path run = dir.mkdir("run");
    fs::permissions(run, fs::perms::owner_all, fs::perm_options::replace);
    const fs::path programm = dir / "demo/Programm";
    const std::string jahr = std::to_string(platform::today().year);
    platform::IniFile jahrIni((dir / "demo/Daten/Abrechng" / jahr / "Abrechng.ini").string());
    const pid_t pid = spawn({RIVIZA_PROGRAM},
                            {"WINEPREFIX=" + (dir / "demo/wineprefix").string(),
                             "XDG_RUNTIME_DIR=" + run.string(), "QT_QPA_PLATFORM=offscreen"},
                            programm);
    ASSERT_GT(pid, 0);
    // The start-up has run once it took the year's lock (while the program lives).
    int status = 0;
    while (jahrIni.readString("EINSTELLUNGEN", "ProgrammZugriff", "-1") != "1") {
      ASSERT_EQ(::waitpid(pid, &status, WNOHANG), 0) << "the program ended before its start-up";
      ::usleep(10000);
    }
    test::writeNative(programm / "Temp" / "Arbeitsdatei.txt", "x");
    ASSERT_EQ(::kill(pid, signal), 0);
    EXPECT_EQ(waitFor(pid), 0);
    EXPECT_EQ(jahrIni.readString("EINSTELLUNGEN", "ProgrammZugriff", "-1"), "");
    EXPECT_TRUE(fs::is_empty(programm / "Temp"));
  }
}

}  // namespace
}  // namespace riviza::test
