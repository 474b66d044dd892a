// riviza-batch operations of the data-maintenance tools (tool); see batch.h.
//
//   import-leistungen DATEI   the service list DATEI (.xls or .csv) into the current year
//   pzn8                      seven-character PZN of the current year widened to eight
//   arztnummern               seven-digit doctor numbers of the current year made nine-digit
//
// Each runs the routine of its button with the button's question and messages; the import
// takes the file named instead of the import folder's artImp file. A relative DATEI counts from
// the program folder, the current folder while the tool runs.
#include <cstdio>
#include <string>

#include "batch.h"
#include "maintenance/datenpflege.h"
#include "platform/codec.h"

namespace riviza::batch {
namespace {

bool importLeistungen(Sitzung& s) {
  if (s.args.size() != 1) throw Nutzungsfehler("DATEI (.xls oder .csv) erwartet");
  const std::string& datei = s.args[0];
  const std::string endung = platform::toLowerAscii(datei.size() >= 4 ? datei.substr(datei.size() - 4) : "");
  if (endung != ".xls" && endung != ".csv")
    throw Nutzungsfehler("DATEI muss auf .xls oder .csv enden: " + datei);
  return LeistungenImportieren(datei, endung == ".xls" ? LeistungsListe::Xls : LeistungsListe::Csv);
}

bool pzn8(Sitzung& s) {
  keineArgumente(s);
  return PznAchtstellig();
}

// The button's group never shows, so its label is printed here.
bool arztnummern(Sitzung& s) {
  keineArgumente(s);
  if (!ArztNummernUmsetzen()) {
    std::printf("Arzt.DB nicht umgesetzt\n");
    return false;
  }
  std::printf("%s\n", s.form.LabelUmsetzungBeendet->caption().c_str());
  return true;
}

}  // namespace

RIVIZA_BATCH_OPERATION("import-leistungen", "DATEI",
                       "ersetzt die Leistungen des aktuellen Jahres durch die Liste DATEI (.xls oder .csv; "
                       "\"<Import>\\ArtImp.xls\" und \"<Import>\\ArtImp.csv\")",
                       importLeistungen);
RIVIZA_BATCH_OPERATION("pzn8", "", "setzt die 7-stelligen PZN der Leistungen auf 8 Stellen (\"PZN8\")", pzn8);
RIVIZA_BATCH_OPERATION("arztnummern", "",
                       "macht aus 7-stelligen Arzt-Nr. 9-stellige Betriebsstätten-Nr. (\"Arzt-Nr. in "
                       "Bertriebsstätten-Nr.\")",
                       arztnummern);

}  // namespace riviza::batch
