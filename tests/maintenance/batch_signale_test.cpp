// riviza-batch ended by a signal, run as a child on a fresh demo installation: the reader of its
// output goes away (SIGPIPE, `riviza-batch ... | head -1`), a logout, Ctrl+C, a closed terminal.
// Each closes it as "&Beenden" does: during an operation once the operation has ended (it runs to
// its end), while it waits for an update's download at once. Either way the year's lock is
// released, Temp is empty, the list is kept in UPDATE.LOG and the exit status is 1. The signal is
// sent at a point the child announces on its output, and the child goes on only when the test
// lets it: no wait in real time.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/codec.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "support/temp_dir.h"
#include "support/tools.h"
#include "update_server.h"

extern char** environ;

namespace riviza::test {
namespace {

namespace fs = std::filesystem;

// riviza-batch as a child: standard output on a pipe the test reads, standard error in a file.
class BatchKind {
 public:
  BatchKind(const std::vector<std::string>& argv, const fs::path& dir, const fs::path& fehler) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return;
    lesen_ = fds[0];
    posix_spawn_file_actions_t aktionen;
    posix_spawn_file_actions_init(&aktionen);
    posix_spawn_file_actions_adddup2(&aktionen, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&aktionen, STDERR_FILENO, fehler.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addchdir_np(&aktionen, dir.c_str());
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    if (::posix_spawn(&pid_, args[0], &aktionen, nullptr, args.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&aktionen);
    ::close(fds[1]);
  }
  ~BatchKind() {
    schliessen();
    if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
  }
  BatchKind(const BatchKind&) = delete;
  BatchKind& operator=(const BatchKind&) = delete;

  pid_t pid() const { return pid_; }
  // Reads the output until it holds `text`; false when it ended before.
  bool abwarten(const std::string& text) {
    char puffer[4096];
    for (;;) {
      if (ausgabe_.find(text) != std::string::npos) return true;
      const ssize_t n = ::read(lesen_, puffer, sizeof puffer);
      if (n <= 0) return false;
      ausgabe_.append(puffer, static_cast<size_t>(n));
    }
  }
  // The reader goes away.
  void schliessen() {
    if (lesen_ >= 0) ::close(lesen_);
    lesen_ = -1;
  }
  // The exit status (-1 when killed).
  int ende() {
    if (lesen_ >= 0) (void)abwarten("\x01");  // the rest of the output
    int status = 0;
    const pid_t pid = std::exchange(pid_, -1);
    return ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  const std::string& ausgabe() const { return ausgabe_; }

 private:
  pid_t pid_ = -1;
  int lesen_ = -1;
  std::string ausgabe_;
};

TEST(RivizaBatchSignale, ASignalClosesAsBeendenDoesOnceTheOperationHasEnded) {
  TempDir dir;
  ASSERT_EQ(runTool({RIVIZA_BINARY_DIR "/tools/demo/riviza-demo", (dir / "demo").string()}).status, 0);
  const fs::path programm = dir / "demo/Programm";
  const auto jahre = platform::listDirectory((dir / "demo/Daten/Abrechng").string());
  ASSERT_EQ(jahre.size(), 1u);
  const std::string jahrIni = (dir / "demo/Daten/Abrechng" / jahre[0].name / "Abrechng.ini").string();
  const fs::path run = dir.mkdir("run");
  fs::permissions(run, fs::perms::owner_all, fs::perm_options::replace);

  // BüroWARE's import after the rebuild: a wine that says it runs and then waits for the test.
  const fs::path freigabe = dir / "weiter";
  ASSERT_EQ(::mkfifo(freigabe.c_str(), 0600), 0);
  dir.write("bin/wine", "#!/bin/sh\necho \"wine: $*\"\nread x < \"" + freigabe.string() + "\"\n");
  fs::permissions(dir / "bin/wine", fs::perms::owner_all);
  dir.write("BueroWare/bwwin32.exe", "MZ");
  {
    platform::IniFile ini(jahrIni);
    for (const auto& [abschnitt, schluessel, wert] :
         std::vector<std::tuple<const char*, const char*, std::string>>{
             {"EINSTELLUNGEN", "Fachanwendung", "1"},
             {"EINSTELLUNGEN", "OrdnerFachanwendung", (dir / "BueroWare").string()},
             {"FIRMA", "BwBediener", "7"},
             {"FIRMA", "BwWorkflowKost", "42"},
             {"FIRMA", "FirmaDebitorenAbJN", "1"},
             {"FIRMA", "DebitorenAb", "100"}})
      ASSERT_TRUE(ini.writeString(abschnitt, schluessel, wert).ok());
  }
  const auto weiter = [&freigabe] { writeNative(freigabe, "\n"); };

  UpdateServer server;
  server.veroeffentlichen("kost.txt", "31.12.2098\r\n");
  server.regeln({{"kost.txt", R"({"release": "kost"})"}});
  ScopedEnv wine("WINEPREFIX", (dir / "demo/wineprefix").string());
  ScopedEnv laufzeit("XDG_RUNTIME_DIR", run.string());
  ScopedEnv pfad(
      "PATH", (dir / "bin").string() + ":" + (std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin"));

  struct Fall {
    const char* was;
    const char* operation;
    const char* zeile;  // the output that marks the point the signal comes at
    int signal;         // SIGPIPE: the test stops reading
    std::function<void()> weiter;
    std::vector<std::string> imProtokoll, nichtImProtokoll;
  };
  const std::vector<std::string> bisZumEnde = {"  ENDE BüroWARE-Import", "  Aktualisierung beendet"};
  const std::vector<Fall> faelle = {
      {"output gone during the rebuild", "kosttr-aktualisieren", "wine: ", SIGPIPE, weiter, bisZumEnde, {}},
      {"SIGTERM during the rebuild", "kosttr-aktualisieren", "wine: ", SIGTERM, weiter, bisZumEnde, {}},
      {"SIGINT during the rebuild", "kosttr-aktualisieren", "wine: ", SIGINT, weiter, bisZumEnde, {}},
      {"SIGHUP during the rebuild", "kosttr-aktualisieren", "wine: ", SIGHUP, weiter, bisZumEnde, {}},
      {"SIGTERM while the update waits for the server",
       "update-kosttr",
       "  Download gestartet\n",
       SIGTERM,
       nullptr,
       {"  Download gestartet"},
       {"Datei: "}},
  };
  for (const Fall& fall : faelle) {
    SCOPED_TRACE(fall.was);
    fs::remove(programm / "UPDATE.LOG");
    BatchKind kind({RIVIZA_BINARY_DIR "/tools/riviza-batch/riviza-batch", programm.string(), fall.operation},
                   programm, dir / "fehler.txt");
    ASSERT_GT(kind.pid(), 0);
    ASSERT_TRUE(kind.abwarten(fall.zeile)) << kind.ausgabe();
    ASSERT_EQ(platform::IniFile(jahrIni).readString("EINSTELLUNGEN", "ProgrammZugriff", "-1"), "1");
    if (fall.signal == SIGPIPE)
      kind.schliessen();
    else
      ASSERT_EQ(::kill(kind.pid(), fall.signal), 0);
    if (fall.weiter) fall.weiter();
    EXPECT_EQ(kind.ende(), 1) << kind.ausgabe();
    EXPECT_EQ(readNative(dir / "fehler.txt"),
              std::string("riviza-batch: durch das Signal SIG") + sigabbrev_np(fall.signal) + " beendet\n");
    EXPECT_EQ(platform::IniFile(jahrIni).readString("EINSTELLUNGEN", "ProgrammZugriff", "-1"), "");
    EXPECT_TRUE(fs::is_empty(programm / "Temp"));
    const std::string protokoll = platform::toUtf8(readNative(programm / "UPDATE.LOG"));
    for (const std::string& z : fall.imProtokoll) EXPECT_NE(protokoll.find(z), std::string::npos) << z;
    for (const std::string& z : fall.nichtImProtokoll) EXPECT_EQ(protokoll.find(z), std::string::npos) << z;
  }
  server.http.release("kost");
}

}  // namespace
}  // namespace riviza::test
