// riviza-batch run on a test's program folder, for the tests of its operations, and the check of
// a run's exit status and printed lines.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "support/temp_dir.h"
#include "support/tools.h"

namespace riviza::test {

// riviza-batch PROGRAMFOLDER args..., run in the program folder unless `options` names another
// folder; a build without riviza-batch fails the test as "tool missing".
inline ToolRun rivizaBatch(const std::filesystem::path& programm, std::vector<std::string> args,
                           ToolOptions options = {}) {
  args.insert(args.begin(), {RIVIZA_BINARY_DIR "/tools/riviza-batch/riviza-batch", programm.string()});
  if (options.dir.empty()) options.dir = programm;
  return runTool(args, options);
}
inline ToolRun rivizaBatch(const TempDir& programm, std::vector<std::string> args) {
  return rivizaBatch(programm.path(), std::move(args));
}

// The run ended with `status` and printed each of `teile`.
inline void ausgabePruefen(const ToolRun& r, int status, const std::vector<std::string>& teile) {
  EXPECT_EQ(r.status, status) << r.output;
  for (const std::string& t : teile) EXPECT_NE(r.output.find(t), std::string::npos) << t << "\n" << r.output;
}

}  // namespace riviza::test
