// riviza-leerdaten FOLDER: writes the template folder LeerDaten (the empty tables of the
// catalogue and the template Abrechng.ini) to FOLDER, replacing what was there. Run by the
// build; the folder is generated, not edited by hand.
#include <filesystem>
#include <iostream>

#include "db/leerdaten.h"

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  if (argc != 2) {
    std::cerr << "usage: riviza-leerdaten FOLDER\n";
    return 2;
  }
  fs::path target = fs::absolute(argv[1]);
  fs::path work = target;
  work += ".new";
  std::error_code ec;
  fs::remove_all(work, ec);
  riviza::Status st = riviza::db::writeLeerDaten(work.string());
  if (!st) {
    std::cerr << "riviza-leerdaten: " << st.error().describe() << "\n";
    return 1;
  }
  // Built aside and swapped in, so an interrupted build never leaves half a template folder.
  fs::remove_all(target, ec);
  fs::rename(work, target, ec);
  if (ec) {
    std::cerr << "riviza-leerdaten: " << ec.message() << "\n";
    return 1;
  }
  return 0;
}
