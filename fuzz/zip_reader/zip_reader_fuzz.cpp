// Fuzz target (zip reader): one input is one archive file. It is detected, listed, tested and
// extracted with every entry selected, a password to try and folders created, into a folder
// four levels below the work folder; anything that appears in the work folder beside the input
// and that target (an entry that escaped) aborts the run, as does any memory fault the
// sanitizers see.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/paths.h"
#include "zip/kvoUnZip.h"

namespace fs = std::filesystem;

namespace {

fs::path workFolder() {
  std::string pattern = (fs::temp_directory_path() / "kvo-fuzz-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) std::abort();
  return pattern;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const fs::path work = workFolder();
  const fs::path archive = work / "input.zip";
  const fs::path nest = work / "a";
  const fs::path target = nest / "b" / "c" / "out";
  std::error_code ec;
  fs::remove_all(nest, ec);
  fs::create_directories(target);
  std::ofstream(archive, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data), size);

  riviza::zip::TUnZip unzip;
  unzip.Passwords = {"password"};
  unzip.FileSpec = {"*.*"};
  unzip.CreateStoredDirs = true;
  unzip.OnNextVolume = [](std::string&, const std::string&, bool, bool& cancel) { cancel = true; };
  unzip.SetArchiveFile(riviza::platform::pathText(archive));
  (void)unzip.ListEntries();
  (void)unzip.Test();
  unzip.SetExtractDir(riviza::platform::pathText(target));
  (void)unzip.Extract();

  for (const auto& e : fs::recursive_directory_iterator(work, ec)) {
    const fs::path& p = e.path();
    const bool allowed = p == archive || p == nest || p == nest / "b" || p == nest / "b" / "c" ||
                         p.string().starts_with(target.string());
    if (!allowed) std::abort();
  }
  return 0;
}
