// Support of the interop tests: outside programs run with an argument list (no shell), optional
// standard input and output files; generated source trees; and diff -r between two folders.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace riviza::interop {

struct RunResult {
  int status = -1;     // exit status, -1 when the program could not be started
  std::string output;  // standard output and error, when not sent to a file
};

// Runs argv[0] (searched in PATH) in `dir`; stdinFile / stdoutFile empty: none / captured.
RunResult Run(const std::vector<std::string>& argv, const std::filesystem::path& dir,
              const std::filesystem::path& stdinFile = {}, const std::filesystem::path& stdoutFile = {});

// A tree of folders with text, binary, empty and compressible files (deterministic by seed).
void MakeTree(const std::filesystem::path& root, unsigned seed);

// diff -r; its output when the folders differ, empty when they agree.
std::string DiffTrees(const std::filesystem::path& a, const std::filesystem::path& b);

}  // namespace riviza::interop
