// Support of the writer tests: a TZip set up for a folder of a test (its own temporary folder,
// every error code recorded), extraction with the engine's reader into a folder, and the
// comparison of the extracted files with their sources.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "zip/kvoBase.h"
#include "zip/kvoZip.h"

namespace riviza::zip::writertest {

namespace fs = std::filesystem;

std::string Text(const fs::path& native);

// A writer for `archive`, taking everything below `source` (recursed, empty folders kept), with
// the temporary archive in `temp`; every reported code is appended to `errors`.
void SetUpZip(TZip& zip, const fs::path& archive, const fs::path& source, const fs::path& temp,
              std::vector<int>& errors);

struct Extracted {
  int count = 0;
  std::vector<TEntryFailure> failures;
};
// Extracts every entry (folders too) with TUnZip into `dir`.
Extracted ExtractAll(const fs::path& archive, const fs::path& dir, const std::string& password = {});

// Files and folders below `root`, as relative "/" paths with a trailing "/" for folders, sorted.
std::vector<std::string> TreeOf(const fs::path& root);
// Empty when every file below `a` has an equal file below `b` and the trees list alike.
std::string CompareTrees(const fs::path& a, const fs::path& b);

// Deterministic bytes: text that deflates well, or random bytes that do not.
std::string TextBytes(size_t size, unsigned seed = 1);
std::string RandomBytes(size_t size, unsigned seed = 1);

// Regular files directly in a folder (temporary leftovers show here).
std::vector<std::string> FilesIn(const fs::path& dir);

}  // namespace riviza::zip::writertest
