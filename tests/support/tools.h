// Test support: the one way tests run a program outside their own process (unzip, 7zz, zip,
// Python, sqlite3, LibreOffice, bsdtar, diff, and the project's own command-line tools). The
// program is started with an argument list (never a shell), in a folder of the test's choice,
// with an optional standard input file, standard output file and extra environment. A program
// that cannot be found fails the test with "tool missing: NAME" before anything is compared, so
// a machine without the tool never reports "bytes differ" instead. Also the comparison with a
// reviewed golden file, which the tests update only on an explicit switch.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace riviza::test {

struct ToolOptions {
  std::filesystem::path dir = {};         // working folder; empty: the test's current folder
  std::filesystem::path stdinFile = {};   // empty: /dev/null
  std::filesystem::path stdoutFile = {};  // standard output (and error) into this file, not `output`
  bool stderrApart = false;               // standard error into `errors`
  std::vector<std::string> env = {};      // "NAME=value" added to the environment
};

struct ToolRun {
  int status = -1;     // exit status; 128 + signal when killed; -1 when it could not start
  std::string output;  // standard output (and standard error unless kept apart)
  std::string errors;  // standard error with `stderrApart`
  bool missing = false;
};

// The program's full path: argv[0] itself when it names a path, else found along PATH.
std::filesystem::path findTool(const std::string& name);

// Runs argv and waits for it. A missing program adds the test failure "tool missing: NAME".
ToolRun runTool(const std::vector<std::string>& argv, const ToolOptions& options = {});

// runTool that must succeed (exit status 0, or 1 too with `warningsOk`): its output; a failure
// names the program, its arguments and what it printed.
std::string toolOutput(const std::vector<std::string>& argv, const ToolOptions& options = {},
                       bool warningsOk = false);

// `actual` against the golden file `golden`, a path of the source tree ("tests/FOLDER/golden/...");
// with RIVIZA_UPDATE_GOLDEN=1 the file (and its folder) is written from `actual` instead: then
// review the diff before committing.
void compareGolden(const std::string& golden, const std::string& actual);

}  // namespace riviza::test
