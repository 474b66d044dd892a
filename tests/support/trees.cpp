// Test support: folder trees; see trees.h.
#include "support/trees.h"

#include <algorithm>
#include <random>

#include "support/temp_dir.h"

namespace riviza::test {

namespace fs = std::filesystem;

std::string Fingerprint(const std::string& bytes) {
  uint64_t h = 0xcbf29ce484222325ull;
  for (unsigned char c : bytes) h = (h ^ c) * 0x100000001b3ull;
  return std::to_string(bytes.size()) + " bytes, " + std::to_string(h);
}

std::map<std::string, std::string> TreeContents(const fs::path& root, bool withFolders) {
  std::map<std::string, std::string> contents;
  if (!fs::exists(root)) return contents;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    const std::string rel = e.path().lexically_relative(root).generic_string();
    if (e.is_directory()) {
      if (withFolders) contents[rel + "/"] = "";
    } else {
      contents[rel] = Fingerprint(readNative(e.path()));
    }
  }
  return contents;
}

std::string CompareTrees(const fs::path& a, const fs::path& b) {
  const auto left = TreeContents(a), right = TreeContents(b);
  std::string differences;
  auto side = [](const std::map<std::string, std::string>& tree, const std::string& path) {
    const auto it = tree.find(path);
    return it == tree.end()     ? std::string("missing")
           : it->second.empty() ? std::string("folder")
                                : it->second;
  };
  std::vector<std::string> paths;
  for (const auto& [path, print] : left) paths.push_back(path);
  for (const auto& [path, print] : right) paths.push_back(path);
  std::sort(paths.begin(), paths.end());
  paths.erase(std::unique(paths.begin(), paths.end()), paths.end());
  for (const std::string& path : paths)
    if (side(left, path) != side(right, path))
      differences += path + ": " + side(left, path) + " | " + side(right, path) + "\n";
  return differences;
}

size_t CountFiles(const fs::path& root) {
  size_t n = 0;
  for (const auto& e : fs::recursive_directory_iterator(root)) n += e.is_regular_file();
  return n;
}

std::vector<std::string> FilesIn(const fs::path& dir) {
  std::vector<std::string> out;
  for (const auto& e : fs::directory_iterator(dir))
    if (e.is_regular_file()) out.push_back(e.path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
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

void MakeTree(const fs::path& root, unsigned seed) {
  auto write = [&](const fs::path& rel, const std::string& bytes) {
    fs::create_directories((root / rel).parent_path());
    writeNative(root / rel, bytes);
  };
  std::string text;
  for (int i = 0; text.size() < 150000; ++i)
    text += "Zeile " + std::to_string(i * 7 % 1000) + " der Kostentraegerdatei\n";
  write("Kosttr/AO05Q425.ke0", text);
  write("Kosttr/leer.txt", "");
  write("Kosttr/eins.txt", "1");
  write("Update/Setup.exe", RandomBytes(300000, seed));
  write("Update/sub/deeper/data.bin", RandomBytes(70000, seed + 1) + text.substr(0, 50000));
  write("README", "no extension\n");
  fs::create_directories(root / "Leer");
}

}  // namespace riviza::test
