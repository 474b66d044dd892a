// Test support: extraction with the engine's reader (TUnZip) as a caller meets it. ExtractAll
// sets the archive, the target folder and FileSpec "*.*" (the update's call profile), records
// every OnError code and returns the count and the failed entries; the caller's TUnZip keeps its
// other settings. The overload without a reader extracts folders too and takes a password, as a
// round trip of the writer wants it.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "zip/kvoUnZip.h"

namespace riviza::test {

struct ExtractRun {
  int count = 0;
  std::vector<int> errors;  // OnError codes in order
  std::vector<zip::TEntryFailure> failures;
};

ExtractRun ExtractAll(zip::TUnZip& unzip, const std::filesystem::path& archive,
                      const std::filesystem::path& dir);
ExtractRun ExtractAll(const std::filesystem::path& archive, const std::filesystem::path& dir,
                      const std::string& password = {});

}  // namespace riviza::test
