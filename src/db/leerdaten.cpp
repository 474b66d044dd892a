// The template folder `LeerDaten` (db layer); see leerdaten.h.
#include "db/leerdaten.h"

#include "db/TTable.h"
#include "db/catalogue.h"
#include "platform/codec.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace riviza::db {

std::string_view leerDatenIniText() {
  return "[EINSTELLUNGEN]\r\n"
         "ProgrammZugriff=\r\n"
         "[FIRMA]\r\n"
         "MwSt1=19\r\n"
         "MwSt2=7\r\n";
}

Status writeLeerDaten(std::string_view folderText) {
  RIVIZA_TRY(platform::forceDirectories(folderText));
  for (const CatalogueTable& t : catalogue())
    RIVIZA_TRY(TTable::createTable(folderText, t.fileName, structureOf(t)));
  std::string ini = platform::includeTrailingBackslash(folderText) + std::string(kLeerDatenIniName);
  return platform::writeFile(ini, platform::fromUtf8(leerDatenIniText()));
}

}  // namespace riviza::db
