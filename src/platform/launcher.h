// Starting outside programs: the one launcher (platform layer).
//
// Programs start from an argv list, never through a shell string. argv[0] is path text: a name
// without folder is looked for in the working folder first (ignoring case), then on PATH. A
// Windows program (.exe, .com, .bat, .cmd) runs through wine when wine is on PATH, otherwise its
// start fails the way a failed start is reported on Windows; so does an .exe whose file is no
// executable image (it does not begin with "MZ"), ENOEXEC. A failed exec is seen by the
// caller as a failed start (reported back over a close-on-exec pipe), not as exit code 127.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

#include "platform/result.h"

namespace riviza::platform {

// A started child. Move-only; waiting reaps it. A child never waited for is reaped in the
// background when the object dies, so no zombie stays behind.
class Process {
 public:
  Process() = default;
  ~Process();
  Process(Process&& other) noexcept;
  Process& operator=(Process&& other) noexcept;
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  pid_t pid() const { return pid_; }
  // Blocks until the child ends; its exit code (128 + signal when killed).
  Result<int> wait();
  // The exit code when the child has ended, nullopt while it runs.
  std::optional<int> poll();

 private:
  friend Result<Process> startProcess(const std::vector<std::string>&, std::string_view);
  explicit Process(pid_t pid) : pid_(pid) {}
  pid_t pid_ = -1;
};

Result<Process> startProcess(const std::vector<std::string>& argv, std::string_view workingFolderText = "");
// Starts and waits; the exit code.
Result<int> runAndWait(const std::vector<std::string>& argv, std::string_view workingFolderText = "");

// Splits a Windows command line into arguments (blanks separate; double quotes group; a
// backslash before a quote escapes it), the way the C runtime of a Windows program does.
std::vector<std::string> splitCommandLine(std::string_view commandLine);

// The native program argv[0] resolves to (empty when not found), and whether it needs wine.
struct ResolvedProgram {
  std::string path;
  bool windowsProgram = false;
};
ResolvedProgram resolveProgram(std::string_view programText, std::string_view workingFolderText);

// Opens a document with the desktop's default program (xdg-open); the caller may wait for the
// opener or let it go.
Result<Process> openDocument(std::string_view pathText);

}  // namespace riviza::platform
