// Test support: extraction with the engine's reader; see zip_extract.h.
#include "support/zip_extract.h"

#include "platform/paths.h"

namespace riviza::test {

ExtractRun ExtractAll(zip::TUnZip& unzip, const std::filesystem::path& archive,
                      const std::filesystem::path& dir) {
  ExtractRun run;
  unzip.OnError = [&run](const std::string&, const std::string&, const std::string&, int code) {
    run.errors.push_back(code);
  };
  unzip.SetArchiveFile(platform::pathText(archive));
  unzip.SetExtractDir(platform::pathText(dir));
  unzip.FileSpec = {"*.*"};
  run.count = unzip.Extract();
  run.failures = unzip.Failures();
  unzip.OnError = nullptr;
  return run;
}

ExtractRun ExtractAll(const std::filesystem::path& archive, const std::filesystem::path& dir,
                      const std::string& password) {
  zip::TUnZip unzip;
  unzip.CreateStoredDirs = true;
  if (!password.empty()) unzip.Passwords = {password};
  return ExtractAll(unzip, archive, dir);
}

}  // namespace riviza::test
