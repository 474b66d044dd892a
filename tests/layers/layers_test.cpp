// The include check through its callers: a small tree configured with CMake, whose link lists
// give the rules (cmake/Layers.cmake), then layer-check over it. Each case is a tree and what the
// check prints about it; the trees are the shapes the real one has or will have (one library
// over several folders, a folder split into a library of its own, links passed on or kept
// private, a program beside its library, a tool, a folder no target builds or the configuration
// leaves out).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "support/temp_dir.h"
#include "support/tools.h"

namespace riviza::test {
namespace {

namespace fs = std::filesystem;

const fs::path kLayerCheck = fs::path(RIVIZA_BINARY_DIR) / "tools" / "layer-check" / "layer-check";

struct Tree {
  std::string folders;  // add_subdirectory(...) lines; `unbuilt` may name UNBUILT places
  std::vector<std::pair<std::string, std::string>> files;  // path -> content
};

// Configures `tree` (its rules land in the build folder) and runs the check over it.
ToolRun checkTree(const TempDir& dir, const Tree& tree) {
  dir.write("CMakeLists.txt",
            "cmake_minimum_required(VERSION 3.25)\nproject(probe LANGUAGES CXX)\n"
            "include(" RIVIZA_SOURCE_DIR "/cmake/Layers.cmake)\n" +
                tree.folders +
                "riviza_write_layer_rules(${CMAKE_BINARY_DIR}/layers.txt ROOTS src tools "
                "${unbuilt})\n");
  for (const auto& [path, content] : tree.files) dir.write(path, content);
  const std::string build = (dir / "build").string();
  const ToolRun configured = runTool({RIVIZA_CMAKE, "-S", dir.str(), "-B", build});
  EXPECT_EQ(configured.status, 0) << configured.output;
  return runTool({kLayerCheck.string(), dir.str(), build + "/layers.txt"});
}

const std::string kUnten = "add_subdirectory(src/unten)\n";
const std::string kOben = "add_subdirectory(src/oben)\n";
const std::pair<std::string, std::string> kUntenLib{"src/unten/CMakeLists.txt",
                                                    "add_library(unten STATIC u.cpp)\n"};
const std::pair<std::string, std::string> kObenH{"src/oben/o.h", "#pragma once\n"};
const std::pair<std::string, std::string> kUntenH{"src/unten/u.h", "#pragma once\n"};

TEST(Layers, TheLinkListsAreTheAllowedArrows) {
  struct Case {
    const char* what;
    Tree tree;
    int status;
    std::string output;
  };
  const std::vector<Case> cases = {
      {"one library over two folders: each includes the other",
       {kUnten + kOben,
        {kUntenLib,
         {"src/oben/CMakeLists.txt", "target_sources(unten PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/o.cpp)\n"},
         {"src/unten/u.cpp", "#include \"unten/u.h\"\n#include \"oben/o.h\"\n"},
         {"src/oben/o.cpp", "#include \"unten/u.h\"\n"},
         kObenH,
         kUntenH}},
       0,
       "Schichten in Ordnung: 4 Dateien, 3 Includes geprüft\n"},
      {"the same folders split into two libraries: the lower one may not include the upper",
       {kUnten + kOben,
        {kUntenLib,
         {"src/oben/CMakeLists.txt",
          "add_library(oben STATIC o.cpp)\ntarget_link_libraries(oben PUBLIC unten)\n"},
         {"src/unten/u.cpp", "#include \"unten/u.h\"\n#include \"oben/o.h\"\n"},
         {"src/oben/o.cpp", "#include \"unten/u.h\"\n"},
         kObenH,
         kUntenH}},
       1,
       "src/unten/u.cpp:2: #include \"oben/o.h\": unten -> oben ist nicht erlaubt (unten darf unten)\n"
       "Schichtenprüfung: 1 Fehler in 4 Dateien\n"},
      {"a library passes on what it links publicly",
       {kUnten + "add_subdirectory(src/mitte)\n" + kOben,
        {kUntenLib,
         {"src/mitte/CMakeLists.txt",
          "add_library(mitte STATIC m.cpp)\ntarget_link_libraries(mitte PUBLIC unten)\n"},
         {"src/mitte/m.cpp", "#include \"unten/u.h\"\n"},
         {"src/oben/CMakeLists.txt",
          "add_library(oben STATIC o.cpp)\ntarget_link_libraries(oben PUBLIC mitte)\n"},
         {"src/oben/o.cpp", "#include \"mitte/m.h\"\n#include \"unten/u.h\"\n"},
         {"src/unten/u.cpp", ""}}},
       0,
       "Schichten in Ordnung: 3 Dateien, 3 Includes geprüft\n"},
      {"what a library links privately its users may not include",
       {kUnten + "add_subdirectory(src/mitte)\n" + kOben,
        {kUntenLib,
         {"src/mitte/CMakeLists.txt",
          "add_library(mitte STATIC m.cpp)\ntarget_link_libraries(mitte PRIVATE unten)\n"},
         {"src/mitte/m.cpp", "#include \"unten/u.h\"\n"},
         {"src/oben/CMakeLists.txt",
          "add_library(oben STATIC o.cpp)\ntarget_link_libraries(oben PUBLIC mitte)\n"},
         {"src/oben/o.cpp", "#include \"mitte/m.h\"\n#include \"unten/u.h\"\n"},
         {"src/unten/u.cpp", ""}}},
       1,
       "src/oben/o.cpp:2: #include \"unten/u.h\": oben -> unten ist nicht erlaubt (oben darf mitte, oben)\n"
       "Schichtenprüfung: 1 Fehler in 3 Dateien\n"},
      {"a program beside its library reaches more than the library's files",
       {kUnten + "add_subdirectory(src/fenster)\n",
        {kUntenLib,
         {"src/fenster/CMakeLists.txt",
          "add_library(fenster STATIC f.cpp)\nadd_executable(prog main.cpp)\n"
          "target_link_libraries(prog PRIVATE fenster unten)\n"},
         {"src/fenster/main.cpp", "#include \"fenster/f.h\"\n#include \"unten/u.h\"\n"},
         {"src/fenster/f.h", "#pragma once\n#include \"unten/u.h\"\n"},
         {"src/fenster/f.cpp", "#include \"fenster/f.h\"\n"},
         {"src/unten/u.cpp", ""}}},
       1,
       "src/fenster/f.h:2: #include \"unten/u.h\": fenster -> unten ist nicht erlaubt (fenster darf "
       "fenster)\n"
       "Schichtenprüfung: 1 Fehler in 4 Dateien\n"},
      {"a tool reaches what it links",
       {kUnten + kOben + "add_subdirectory(tools/werkzeug)\n",
        {kUntenLib,
         {"src/oben/CMakeLists.txt", "add_library(oben STATIC o.cpp)\n"},
         {"tools/werkzeug/CMakeLists.txt",
          "add_executable(werkzeug w.cpp)\ntarget_link_libraries(werkzeug PRIVATE unten)\n"},
         {"tools/werkzeug/w.cpp", "#include \"w.h\"\n#include \"unten/u.h\"\n#include \"oben/o.h\"\n"},
         {"src/oben/o.cpp", ""},
         {"src/unten/u.cpp", ""}}},
       1,
       "tools/werkzeug/w.cpp:3: #include \"oben/o.h\": tools/werkzeug -> oben ist nicht erlaubt (werkzeug "
       "darf unten)\n"
       "Schichtenprüfung: 1 Fehler in 3 Dateien\n"},
      {"a folder no target builds has no arrows",
       {kUnten, {kUntenLib, {"src/unten/u.cpp", ""}, {"src/lose/l.h", "#include \"unten/u.h\"\n"}}},
       1,
       "src/lose/l.h: kein Ziel des Builds baut Quellen in src/lose, seine Pfeile sind unbekannt\n"
       "Schichtenprüfung: 1 Fehler in 2 Dateien\n"},
      {"a folder the configuration leaves out passes unchecked",
       {kUnten + "set(unbuilt UNBUILT src/fenster)\n",
        {kUntenLib, {"src/unten/u.cpp", ""}, {"src/fenster/f.cpp", "#include \"unten/u.h\"\n"}}},
       0,
       "Schichten in Ordnung: 2 Dateien, 0 Includes geprüft\n"},
      {"only a quoted include of a folder of src/ is an arrow",
       {kUnten + kOben,
        {kUntenLib,
         {"src/oben/CMakeLists.txt",
          "add_library(oben STATIC o.cpp)\ntarget_link_libraries(oben PUBLIC unten)\n"},
         {"src/oben/o.cpp", ""},
         {"src/unten/u.cpp",
          "// #include \"oben/o.h\"\n#include <oben/o.h>\n#include \"fremd/f.h\"\n  #  include \"oben/o.h\" "
          "// x\n"}}},
       1,
       "src/unten/u.cpp:4: #include \"oben/o.h\": unten -> oben ist nicht erlaubt (unten darf unten)\n"
       "Schichtenprüfung: 1 Fehler in 2 Dateien\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const TempDir dir;
    const ToolRun run = checkTree(dir, c.tree);
    EXPECT_EQ(run.output, c.output);
    EXPECT_EQ(run.status, c.status);
  }
}

}  // namespace
}  // namespace riviza::test
