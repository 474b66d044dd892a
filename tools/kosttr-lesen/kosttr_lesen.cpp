// kosttr-lesen YEARFOLDER PROGRAMFOLDER: runs the §300, §302 and §105 readers on the cost-bearer
// files of YEARFOLDER's Kosttr folder and leaves the work files and logs in PROGRAMFOLDER's Temp
// (created when missing). Prints one line per reader with its count, then the notes for the
// update list; a failed reader is reported on stderr and makes the exit status 1. A folder that
// does not exist is a usage error (exit status 2) and nothing is created. For tests and for
// checking a newly published set of cost-bearer files before it ships.
#include <cstdio>
#include <string>

#include "app/allg_tools.h"
#include "costbearer/abr_tools.h"
#include "forms/form_melder.h"
#include "platform/files.h"

namespace {

using Reader = riviza::KosttrLeseErgebnis (*)(std::string_view, std::string_view, std::string_view,
                                              riviza::Melder&);

struct Run {
  const char* label;
  Reader reader;
};

constexpr Run kRuns[] = {
    {"Kosttr300", riviza::Kosttr300Einlesen},
    {"Kosttr302", riviza::Kosttr302Einlesen},
    {"Kosttr105", riviza::Kosttr105Einlesen},
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: kosttr-lesen YEARFOLDER PROGRAMFOLDER\n");
    return 2;
  }
  for (int i : {1, 2})
    if (!riviza::platform::directoryExists(argv[i])) {
      std::fprintf(stderr, "kosttr-lesen: %s %s: no such folder\n", i == 1 ? "YEARFOLDER" : "PROGRAMFOLDER",
                   argv[i]);
      return 2;
    }
  std::string yearFolder = riviza::BackslashAnhaengen(argv[1]);
  std::string programFolder = riviza::BackslashAnhaengen(argv[2]);
  if (auto s = riviza::platform::forceDirectories(programFolder + "Temp"); !s) {
    std::fprintf(stderr, "%s\n", s.error().describe().c_str());
    return 1;
  }
  int status = 0;
  // A reader's message box (a full link table) goes through the dialogs service, as in the program.
  riviza::FormMelder melder;
  for (const Run& run : kRuns) {
    riviza::KosttrLeseErgebnis r = run.reader(programFolder, yearFolder, "", melder);
    std::printf("%s: %d\n", run.label, r.counter);
    for (const std::string& note : r.notes) std::printf("  %s\n", note.c_str());
    if (!r.ok()) {
      std::fprintf(stderr, "%s: %s\n", run.label, r.status.error().describe().c_str());
      status = 1;
    }
  }
  return status;
}
