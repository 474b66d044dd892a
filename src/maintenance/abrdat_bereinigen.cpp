// AbrDatBereinigen (form library, maintenance); see abrdat_bereinigen.h.
//
// Used layout of a P line (1-based byte columns):
//   1         "P"
//   2..228    kept
//   229..245  the billing period "yyyymmdd;yyyymmdd" (17 bytes), replaced
//   246..     kept
// A shorter P line keeps what it has of columns 1..228 and ends with the period.
#include "maintenance/abrdat_bereinigen.h"

#include <string>
#include <string_view>

#include "app/meldungen.h"
#include "forms/globals.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "ui/dialogs.h"

namespace riviza {

namespace {

namespace pf = platform;

constexpr size_t kVorZeitraum = 228;   // bytes kept in front of the period
constexpr size_t kNachZeitraum = 245;  // bytes up to the end of the period
constexpr std::string_view kZeitraum = "20110301;20110331";
static_assert(kNachZeitraum - kVorZeitraum == kZeitraum.size());

std::string bereinigt(std::string_view abrDat) {
  std::string neu;
  if (abrDat.empty()) return neu;
  std::string_view rest = abrDat;
  neu.append(pf::nextLine(rest)).append("\r\n");
  while (!rest.empty()) {
    const std::string_view zeile = pf::nextLine(rest);
    if (zeile.starts_with('K')) {
      neu.append(zeile);
    } else if (zeile.starts_with('P')) {
      neu.append(zeile.substr(0, kVorZeitraum)).append(kZeitraum);
      if (zeile.size() > kNachZeitraum) neu.append(zeile.substr(kNachZeitraum));
    } else {
      continue;
    }
    neu.append("\r\n");
  }
  return neu;
}

}  // namespace

bool AbrDatBereinigen() {
  const std::string quelle = globals().ExportPfad + kAbrDat;
  const std::string ziel = globals().ExportPfad + "ABR.NEU";
  if (!pf::fileExists(quelle)) return false;
  const auto inhalt = pf::readFile(quelle);
  if (!inhalt) {
    meldung::fehlerBox("Fehler beim Lesen: " + pf::displayPath(quelle) + "\n" + inhalt.error().message);
    return false;
  }
  if (Status st = pf::writeFile(ziel, bereinigt(*inhalt)); !st) {
    (void)pf::deleteFile(ziel);
    meldung::fehlerBox("Fehler beim Schreiben: " + pf::displayPath(ziel) + "\n" + st.error().message);
    return false;
  }
  ui::dialogs().showMessage("Datei erstellt!");
  return true;
}

}  // namespace riviza
