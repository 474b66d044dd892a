// layer-check: the include check of the layers (tool, run by CTest as the test `layers`).
//
//   layer-check ROOT RULES
//
// Reads the rules cmake/Layers.cmake derives from the link lists (one line per place: "PLACE
// TARGET: FOLDER..."), scans every source file under ROOT/src and ROOT/tools and reports each
// #include "FOLDER/..." whose FOLDER is a folder of ROOT/src that the file's place may not
// include, with file, line and the arrow, and each source file no target builds (its arrows are
// unknown). A file's place is the file itself when the rules name it, else its nearest folder
// they name; a place whose target is "-" is not built in this configuration and passes
// unchecked. Only the quoted form is read: <net/if.h> is a system header, not our src/net.
// Exit status 0 when every include is allowed, 1 when one is not, 2 for a usage error or rules
// that cannot be read, or a check that broke off.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Rule {
  std::string target;
  std::set<std::string> allowed;  // folders of src/
};

using Rules = std::map<std::string, Rule>;  // place (folder or file, relative to the root) -> rule

bool readRules(const fs::path& file, Rules& rules) {
  std::ifstream in(file);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    const size_t colon = line.find(':');
    const size_t space = line.find(' ');
    if (colon == std::string::npos || space == std::string::npos || space > colon) return false;
    Rule& rule = rules[line.substr(0, space)];
    rule.target = line.substr(space + 1, colon - space - 1);
    std::string rest = line.substr(colon + 1);
    for (size_t at = 0; at < rest.size();) {
      const size_t end = std::min(rest.find(' ', at), rest.size());
      if (end > at) rule.allowed.insert(rest.substr(at, end - at));
      at = end + 1;
    }
  }
  return true;
}

// The rule of a file: its own, else that of its nearest folder with one.
const Rule* ruleOf(const Rules& rules, const std::string& file) {
  for (fs::path place = file; !place.empty() && place != place.parent_path(); place = place.parent_path())
    if (auto it = rules.find(place.generic_string()); it != rules.end()) return &it->second;
  return nullptr;
}

std::string joined(const std::set<std::string>& names) {
  std::string text;
  for (const std::string& n : names) text += (text.empty() ? "" : ", ") + n;
  return text;
}

// "app" for src/app/x.h, "tools/kvozip" for tools/kvozip/x.cpp: how an arrow names its start.
std::string layerOf(const std::string& file) {
  const fs::path p(file);
  auto it = p.begin();
  const std::string top = it->string();
  const std::string second = ++it != p.end() ? it->string() : "";
  return top == "src" ? second : top + "/" + second;
}

bool isSource(const fs::path& p) {
  static const std::set<std::string> kExtensions{".h", ".hpp", ".c", ".cc", ".cpp"};
  return kExtensions.count(p.extension().string()) > 0;
}

int check(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "Aufruf: layer-check QUELLORDNER REGELDATEI\n");
    return 2;
  }
  const fs::path root = argv[1];
  Rules rules;
  if (!readRules(argv[2], rules)) {
    std::fprintf(stderr, "Regeldatei nicht lesbar: %s\n", argv[2]);
    return 2;
  }
  std::error_code ec;
  std::set<std::string> layers;  // the folders an include may name
  for (const auto& entry : fs::directory_iterator(root / "src", ec))
    if (entry.is_directory()) layers.insert(entry.path().filename().string());
  if (ec || layers.empty()) {
    std::fprintf(stderr, "Kein Ordner src in %s\n", root.string().c_str());
    return 2;
  }

  std::vector<std::string> files;
  fs::path scanning;
  try {
    for (const char* top : {"src", "tools"}) {
      scanning = root / top;
      if (!fs::is_directory(scanning)) continue;
      for (const auto& entry : fs::recursive_directory_iterator(root / top))
        if (entry.is_regular_file() && isSource(entry.path()))
          files.push_back(fs::relative(entry.path(), root).generic_string());
    }
  } catch (const fs::filesystem_error& e) {
    // A tree the check cannot read whole would pass unchecked files.
    const fs::path where = e.path1().empty() ? scanning : e.path1();
    std::fprintf(stderr, "Ordner nicht ganz lesbar: %s\n", where.string().c_str());
    return 2;
  }
  std::sort(files.begin(), files.end());

  static const std::regex kInclude(R"(^\s*#\s*include\s*"([^"/]+)/[^"]*")");
  int faults = 0, includes = 0;
  for (const std::string& file : files) {
    const Rule* rule = ruleOf(rules, file);
    if (!rule) {
      std::printf("%s: kein Ziel des Builds baut Quellen in %s, seine Pfeile sind unbekannt\n", file.c_str(),
                  fs::path(file).parent_path().generic_string().c_str());
      ++faults;
      continue;
    }
    if (rule->target == "-") continue;
    std::ifstream in(root / file);
    if (!in) {
      std::printf("%s: nicht lesbar\n", file.c_str());
      ++faults;
      continue;
    }
    std::string line;
    std::smatch m;
    for (int number = 1; std::getline(in, line); ++number) {
      if (!std::regex_search(line, m, kInclude) || !layers.count(m[1].str())) continue;
      ++includes;
      if (rule->allowed.count(m[1].str())) continue;
      const std::string include = m[0].str().substr(m[0].str().find('"'));
      std::printf("%s:%d: #include %s: %s -> %s ist nicht erlaubt (%s darf %s)\n", file.c_str(), number,
                  include.c_str(), layerOf(file).c_str(), m[1].str().c_str(), rule->target.c_str(),
                  joined(rule->allowed).c_str());
      ++faults;
    }
  }
  if (faults) {
    std::printf("Schichtenprüfung: %d Fehler in %zu Dateien\n", faults, files.size());
    return 1;
  }
  std::printf("Schichten in Ordnung: %zu Dateien, %d Includes geprüft\n", files.size(), includes);
  return 0;
}

}  // namespace

// Anything the check throws (a file it cannot walk, no memory) is a check not done, never a pass.
int main(int argc, char** argv) {
  try {
    return check(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "layer-check abgebrochen: %s\n", e.what());
    return 2;
  }
}
