// Test oracles of the spreadsheet tests, shared by tests/office and tests/maintenance: openpyxl
// reading a workbook (xlsx_dump.py), LibreOffice converting one headless, and openpyxl writing
// the inputs the readers are tried on. A missing tool fails the test as "tool missing".
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "support/tools.h"

namespace riviza::test {

inline constexpr const char* kPython = "/usr/bin/python3";

inline bool haveOpenpyxl() { return runTool({kPython, "-c", "import openpyxl"}).status == 0; }
inline bool haveLibreOffice() { return runTool({"soffice", "--version"}).status == 0; }

// The workbook as openpyxl reads it: key -> value (see xlsx_dump.py for the keys).
inline std::map<std::string, std::string> openpyxlDump(const std::filesystem::path& workbook) {
  std::map<std::string, std::string> dump;
  if (!haveOpenpyxl()) {
    ADD_FAILURE() << "tool missing: python3-openpyxl";
    return dump;
  }
  const std::filesystem::path out = workbook.string() + ".dump";
  const ToolRun run = runTool({kPython, std::string(RIVIZA_SOURCE_DIR) + "/tests/office/xlsx_dump.py",
                               workbook.string(), out.string()});
  EXPECT_EQ(run.status, 0) << "openpyxl could not read " << workbook << ":\n" << run.output;
  std::ifstream in(out);
  for (std::string line; std::getline(in, line);) {
    const size_t tab = line.find('\t');
    if (tab != std::string::npos) dump[line.substr(0, tab)] = line.substr(tab + 1);
  }
  return dump;
}

// Writes a workbook with openpyxl: `code` runs with `wb` (a new openpyxl.Workbook), `datetime`
// and `openpyxl` at hand, then the workbook is saved to `target`.
inline void openpyxlWrite(const std::string& code, const std::filesystem::path& target) {
  ASSERT_TRUE(haveOpenpyxl()) << "tool missing: python3-openpyxl";
  const std::string script =
      "import datetime, openpyxl, sys\nwb = openpyxl.Workbook()\n" + code + "\nwb.save(sys.argv[1])\n";
  toolOutput({kPython, "-c", script, target.string()});
}

// LibreOffice headless, with its own profile folder, under the C locale (numbers with ".").
class LibreOffice {
 public:
  // Converts `input` with a filter ("xls", "csv:...") into `outDir`; true when it ran.
  bool convert(const std::filesystem::path& input, const std::string& filter,
               const std::filesystem::path& outDir) {
    if (!haveLibreOffice()) {
      ADD_FAILURE() << "tool missing: soffice (libreoffice-calc-nogui)";
      return false;
    }
    return runTool({"soffice", "-env:UserInstallation=file://" + profile_.str(), "--headless", "--convert-to",
                    filter, "--outdir", outDir.string(), input.string()},
                   {.env = {"LC_ALL=C.UTF-8"}})
               .status == 0;
  }

  // Every sheet of an .xlsx as CSV lines: ";" between fields, UTF-8, cells as shown.
  std::map<std::string, std::vector<std::string>> csvSheets(const std::filesystem::path& workbook) {
    std::map<std::string, std::vector<std::string>> sheets;
    const std::filesystem::path outDir = workbook.string() + ".csv.d";
    std::filesystem::create_directories(outDir);
    if (!convert(workbook, "csv:Text - txt - csv (StarCalc):59,34,76,1,,1033,false,true,true,false,false,-1",
                 outDir))
      return sheets;
    const std::string stem = workbook.stem().string() + "-";
    for (const auto& entry : std::filesystem::directory_iterator(outDir)) {
      std::string name = entry.path().stem().string();
      if (name.rfind(stem, 0) == 0) name.erase(0, stem.size());
      std::ifstream in(entry.path());
      for (std::string line; std::getline(in, line);) sheets[name].push_back(line);
    }
    return sheets;
  }

 private:
  TempDir profile_;
};

}  // namespace riviza::test
