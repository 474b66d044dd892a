// Fuzz target (workbook reader): one input is one .xlsx file, opened as Workbooks.Open opens it
// (the zip reader and the XML parts). A file that is read must answer every cell of every sheet
// (values and their text, formulas computed); a file that is not read must fail with one of the
// reader's codes. Anything else, and any memory fault the sanitizers see, aborts the run.
// Inputs with the signature of an .xls file are skipped: that road is freexl's own parser behind
// a thin loop of ours, and freexl 1.0.6 reads before a stack buffer of its own on crafted files
// (seen by AddressSanitizer only; the same files fail cleanly without it).
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "office/application.h"
#include "office/errors.h"

namespace fs = std::filesystem;
using namespace riviza::office;

namespace {

fs::path workFolder() {
  std::string pattern = (fs::temp_directory_path() / "office-fuzz-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) std::abort();
  return pattern;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size >= 4 && data[0] == 0xD0 && data[1] == 0xCF && data[2] == 0x11 && data[3] == 0xE0) return 0;
  static const fs::path work = workFolder();
  const fs::path file = work / "input";
  std::ofstream(file, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data), size);

  auto app = Application::start();
  auto book = app->openWorkbook(file.string());
  if (!book) {
    const int code = book.error().code;
    if (code != kBadFile && code != kFileNotFound && (code <= 0 || code >= 200)) std::abort();
  } else {
    for (const auto& sheet : (*book)->sheets())
      for (int r = 1; r <= sheet->usedRows(); ++r)
        for (size_t c = 1; c <= sheet->row(r)->cells.size(); ++c)
          (void)cellText(sheet->value(r, static_cast<int>(c)));
  }
  app->quit();
  return 0;
}
