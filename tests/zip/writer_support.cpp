// Support of the writer tests. See writer_support.h.
#include "zip/writer_support.h"

#include <algorithm>
#include <random>

#include "platform/paths.h"
#include "zip/kvoUnZip.h"

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

Extracted ExtractAll(const fs::path& archive, const fs::path& dir, const std::string& password) {
  TUnZip u;
  u.CreateStoredDirs = true;
  if (!password.empty()) u.Passwords = {password};
  u.SetArchiveFile(Text(archive));
  u.SetExtractDir(Text(dir));
  u.FileSpec = {"*.*"};
  Extracted out;
  out.count = u.Extract();
  out.failures = u.Failures();
  return out;
}

std::vector<std::string> TreeOf(const fs::path& root) {
  std::vector<std::string> out;
  for (auto& e : fs::recursive_directory_iterator(root)) {
    std::string rel = e.path().lexically_relative(root).generic_string();
    out.push_back(e.is_directory() ? rel + "/" : rel);
  }
  std::sort(out.begin(), out.end());
  return out;
}

std::string CompareTrees(const fs::path& a, const fs::path& b) {
  const auto ta = TreeOf(a), tb = TreeOf(b);
  if (ta != tb) {
    std::string msg = "trees differ:";
    for (const auto& x : ta) msg += " " + x;
    msg += " |";
    for (const auto& x : tb) msg += " " + x;
    return msg;
  }
  for (const std::string& rel : ta)
    if (rel.back() != '/' && test::readNative(a / rel) != test::readNative(b / rel))
      return "content differs: " + rel;
  return {};
}

std::string TextBytes(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  static const char* kWords[] = {"Kostentraeger ", "Abrechnung ", "IK 123456789 ",
                                 "Datei\r\n",      "Leistung ",   "2024 "};
  std::string s;
  while (s.size() < size) s += kWords[random() % 6];
  s.resize(size);
  return s;
}

std::string RandomBytes(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string s(size, '\0');
  for (char& c : s) c = static_cast<char>(random());
  return s;
}

std::vector<std::string> FilesIn(const fs::path& dir) {
  std::vector<std::string> out;
  for (auto& e : fs::directory_iterator(dir))
    if (e.is_regular_file()) out.push_back(e.path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace riviza::zip::writertest
