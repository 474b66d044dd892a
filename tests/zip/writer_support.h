// Support of the writer tests: a TZip set up for a folder of a test (its own temporary folder,
// every error code recorded); the shared archive, extraction and tree helpers of tests/support
// under the names the writer tests use.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "support/trees.h"
#include "support/zip_archive.h"
#include "support/zip_extract.h"
#include "zip/kvoBase.h"
#include "zip/kvoZip.h"

namespace riviza::zip::writertest {

namespace fs = std::filesystem;

using test::BuildZip;
using test::CompareTrees;
using test::ExtractAll;
using test::FilesIn;
using test::ParseZip;
using test::RandomBytes;
using test::TextBytes;

std::string Text(const fs::path& native);

// A writer for `archive`, taking everything below `source` (recursed, empty folders kept), with
// the temporary archive in `temp`; every reported code is appended to `errors`.
void SetUpZip(TZip& zip, const fs::path& archive, const fs::path& source, const fs::path& temp,
              std::vector<int>& errors);

}  // namespace riviza::zip::writertest
