// riviza-batch run on a test's program folder, for the tests of its operations.
#pragma once

#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "support/tools.h"

namespace riviza::test {

// riviza-batch PROGRAMFOLDER args..., run in the program folder; a build without riviza-batch
// fails the test as "tool missing".
inline ToolRun rivizaBatch(const TempDir& programm, std::vector<std::string> args) {
  args.insert(args.begin(), {RIVIZA_BINARY_DIR "/tools/riviza-batch/riviza-batch", programm.str()});
  return runTool(args, {.dir = programm.path()});
}

}  // namespace riviza::test
