// Support of the writer tests. See writer_support.h.
#include "zip/writer_support.h"

#include "platform/paths.h"

namespace riviza::zip::writertest {

std::string Text(const fs::path& native) { return platform::pathText(native); }

void SetUpZip(TZip& zip, const fs::path& archive, const fs::path& source, const fs::path& temp,
              std::vector<int>& errors) {
  zip.OnError = [&errors](const std::string&, const std::string&, const std::string&, int code) {
    errors.push_back(code);
  };
  zip.SetArchiveFile(Text(archive));
  zip.SetTempDir(Text(temp));
  zip.StoreEmptySubDirs = true;
  zip.SetAttribute(fsDirectory, true);
  zip.FileSpec = {Text(source) + "\\*.*"};
}

}  // namespace riviza::zip::writertest
