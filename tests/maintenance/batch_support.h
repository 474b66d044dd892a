// riviza-batch run on a test's program folder, for the tests of its operations.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "interop/interop_support.h"
#include "support/temp_dir.h"

namespace riviza::test {

// riviza-batch PROGRAMFOLDER args..., run in the program folder; "tool missing" when the build
// has no riviza-batch.
inline interop::RunResult rivizaBatch(const TempDir& programm, std::vector<std::string> args) {
  const std::string werkzeug = RIVIZA_BINARY_DIR "/tools/riviza-batch/riviza-batch";
  if (!std::filesystem::exists(werkzeug)) return {-1, "tool missing: " + werkzeug};
  args.insert(args.begin(), {werkzeug, programm.str()});
  return interop::Run(args, programm.path());
}

}  // namespace riviza::test
