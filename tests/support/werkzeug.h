// Test support: a program of the build (riviza-batch, riviza-demo, ...) run to its end with an
// argument list and the test's environment, its output caught, for the end-to-end tests of the
// tools. The argument list never passes through a shell, so a path with blanks or quotes is one
// argument.
#pragma once

#include <string>
#include <vector>

namespace riviza::test {

struct WerkzeugLauf {
  int status = -1;      // the exit status; -1 when the program could not run or was killed
  std::string ausgabe;  // stdout and stderr, interleaved as written
};

// Runs argv[0] (a path) with the arguments and waits for it. A program that does not exist
// gives status -1 and "tool missing: " with its path, so that a test fails saying so.
WerkzeugLauf werkzeugAusfuehren(const std::vector<std::string>& argv);

}  // namespace riviza::test
