// Registry, named mutexes and the launcher: the parts of the platform layer that stand in for
// Windows services with other processes and the Wine prefix.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/launcher.h"
#include "platform/mutex.h"
#include "platform/registry.h"
#include "support/temp_dir.h"

namespace riviza::platform {
namespace {

using test::ScopedEnv;
using test::TempDir;

const char* kSystemReg =
    "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win32\n\n"
    "[Software\\\\ITSG\\\\Dakota] 1700000000\n#time=1d9\n"
    "\"BNSWH\"=\"C:\\\\dakotale\\\\daten\\\\\"\n\"DLL\"=\"C:\\\\dakotale\\\\dakota.dll\"\n"
    "\"Zahl\"=dword:0000001f\n\"Euro\"=\"\\x20ac \\\"q\\\"\"\n@=\"standard\"\n\n"
    "[Software\\\\Other] 1700000000\n\"BNSWH\"=\"falsch\"\n";

TEST(Registry, ReadsValuesOfTheWinePrefix) {
  TempDir prefix;
  prefix.write("system.reg", kSystemReg);
  ScopedEnv env("WINEPREFIX", prefix.str());
  auto read = [](const char* key, const char* value) {
    return readRegistryValue(RegistryRoot::LocalMachine, key, value);
  };
  EXPECT_EQ(read("SOFTWARE\\ITSG\\Dakota", "BNSWH"), "C:\\dakotale\\daten\\");
  EXPECT_EQ(read("software\\itsg\\dakota", "dll"), "C:\\dakotale\\dakota.dll");
  EXPECT_EQ(read("SOFTWARE\\ITSG\\Dakota", "Zahl"), "31");
  EXPECT_EQ(read("SOFTWARE\\ITSG\\Dakota", "Euro"), "€ \"q\"");
  EXPECT_EQ(read("SOFTWARE\\ITSG\\Dakota", ""), "standard");
  EXPECT_FALSE(read("SOFTWARE\\ITSG\\Dakota", "Fehlt"));
  EXPECT_FALSE(read("SOFTWARE\\ITSG", "BNSWH"));
  ScopedEnv none("WINEPREFIX", prefix.str() + "/missing");
  EXPECT_FALSE(read("SOFTWARE\\ITSG\\Dakota", "BNSWH"));
}

TEST(NamedMutex, ASecondProcessCannotTakeAHeldMutex) {
  TempDir rt;
  ScopedEnv env("XDG_RUNTIME_DIR", rt.str());
  auto held = NamedMutex::create("Riviza");
  ASSERT_TRUE(held.ok());
  auto childResult = [] {
    pid_t pid = fork();
    if (pid == 0) {
      auto m = NamedMutex::create("Riviza");
      _exit(!m.ok() && m.error().code == NamedMutex::kAlreadyExists ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WEXITSTATUS(status);
  };
  EXPECT_EQ(childResult(), 0);
  held->release();
  pid_t pid = fork();
  if (pid == 0) _exit(NamedMutex::create("Riviza").ok() ? 0 : 1);
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_TRUE(NamedMutex::create("Vuzaroded").ok());
}

TEST(Launcher, ExitCodesAndFailedStarts) {
  TempDir dir;
  dir.write("prog.sh", "#!/bin/sh\necho \"$1\" > out.txt\nexit 7\n");
  ::chmod((dir / "prog.sh").c_str(), 0755);
  dir.write("plain.txt", "not a program");
  auto code = runAndWait({"PROG.SH", "a b"}, dir.str());  // found in the working folder, any case
  ASSERT_TRUE(code.ok()) << code.error().describe();
  EXPECT_EQ(*code, 7);
  EXPECT_EQ(dir.read("out.txt"), "a b\n");
  EXPECT_FALSE(runAndWait({"missing-program-xyz"}).ok());
  EXPECT_FALSE(runAndWait({dir.str() + "/plain.txt"}).ok());  // exec fails: a failed start
  // A Windows program runs through wine; without wine, or when its file is no executable image
  // (not "MZ": a download cut short, an error page), it does not start.
  dir.write("bin/wine", "#!/bin/sh\necho \"$*\" > wine.txt\n");
  ::chmod((dir / "bin/wine").c_str(), 0755);
  struct Fall {
    const char* was;
    std::string pfad, inhalt;
    int fehler;  // 0: started
  } faelle[] = {
      {"with wine", (dir / "bin").string(), "MZ", 0},
      {"no wine", "/nonexistent", "MZ", ENOENT},
      {"no executable image", (dir / "bin").string(), "<html>", ENOEXEC},
      {"empty", (dir / "bin").string(), "", ENOEXEC},
  };
  for (const Fall& f : faelle) {
    SCOPED_TRACE(f.was);
    ScopedEnv pfad("PATH", f.pfad);
    dir.write("setup.exe", f.inhalt);
    std::filesystem::remove(dir / "wine.txt");
    auto lauf = runAndWait({"setup.exe"}, dir.str());
    EXPECT_EQ(lauf ? 0 : lauf.error().code, f.fehler);
    EXPECT_EQ(dir.exists("wine.txt") ? dir.read("wine.txt") : "",
              f.fehler ? "" : (dir / "setup.exe").string() + "\n");
  }
}

TEST(Launcher, WindowsCommandLineSplitting) {
  struct Case {
    const char* line;
    std::vector<std::string> args;
  } cases[] = {
      {"xcopy /E /Y a b", {"xcopy", "/E", "/Y", "a", "b"}},
      {"  \"C:\\Program Files\\x.exe\"  -p", {"C:\\Program Files\\x.exe", "-p"}},
      {"a\\\\\"b c\" d", {"a\\b c", "d"}},
      {"say \\\"hi\\\"", {"say", "\"hi\""}},
      {"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(splitCommandLine(c.line), c.args) << c.line;
}

}  // namespace
}  // namespace riviza::platform
