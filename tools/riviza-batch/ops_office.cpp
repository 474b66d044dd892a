// riviza-batch and the spreadsheet layer (tool): without a desktop, a workbook the program shows
// the user (an export left visible, a print preview) is saved as always and named on stdout
// instead of being opened; see office/application.h.
#include <cstdio>

#include "office/application.h"

namespace riviza::batch {
namespace {

const bool kOpenerInstalled = [] {
  office::setDocumentOpener([](const std::string& path) {
    std::printf("Arbeitsmappe gespeichert: %s\n", path.c_str());
    std::fflush(stdout);
    return okStatus();
  });
  return true;
}();

}  // namespace
}  // namespace riviza::batch
