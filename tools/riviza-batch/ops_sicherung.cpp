// riviza-batch operations of the backups and the billing-export clean-up (tool); see batch.h.
//
// A folder argument is path text as the program takes it ("D:\Sicherung" or a Linux path); a
// relative one counts from the program folder, which is the current folder while the tool runs.
#include <cstdio>

#include "batch.h"
#include "forms/globals.h"
#include "maintenance/abrdat_bereinigen.h"
#include "maintenance/datensicherung.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace riviza::batch {
namespace {

// The loaded values of EditZiel and EditKuerzel give way to the arguments for this run only;
// the tool saves no settings.
bool sicherung(Sitzung& s) {
  if (s.args.empty() || s.args.size() > 2) throw Nutzungsfehler("ZIELORDNER [KUERZEL] erwartet");
  s.form.EditZiel->setText(s.args[0]);
  if (s.args.size() == 2) s.form.EditKuerzel->setText(s.args[1]);
  return JahrSichern(s.form);
}

// DAKOTA 4 keeps its data apart, so the form hides the button; the tool follows it.
bool dakotaSicherung(Sitzung& s) {
  keineArgumente(s);
  if (!s.form.BitBtnDatensicherung->visible()) {
    std::printf("Datensicherung da&kota ist bei DAKOTA 4 nicht vorgesehen\n");
    return false;
  }
  return DakotaSichern(s.form);
}

bool abrDatBereinigen(Sitzung& s) {
  if (s.args.size() != 1) throw Nutzungsfehler("EXPORTORDNER erwartet");
  globals().ExportPfad = platform::includeTrailingBackslash(s.args[0]);
  if (!platform::fileExists(globals().ExportPfad + kAbrDat)) {
    std::printf("Datei nicht vorhanden: %s\n", platform::displayPath(globals().ExportPfad + kAbrDat).c_str());
    return false;
  }
  return AbrDatBereinigen();
}

}  // namespace

RIVIZA_BATCH_OPERATION("sicherung", "ZIELORDNER [KUERZEL]",
                       "sichert den Ordner des Abrechnungsjahres als ZIP-Archiv in ZIELORDNER (\"Start\" der "
                       "Datensicherung)",
                       sicherung);
RIVIZA_BATCH_OPERATION("dakota-sicherung", "",
                       "kopiert die drei DAKOTA-Ordner in den Ordner des Abrechnungsjahres (\"Datensicherung "
                       "da&kota\")",
                       dakotaSicherung);
RIVIZA_BATCH_OPERATION("abrdat-bereinigen", "EXPORTORDNER",
                       "schreibt ABR.NEU aus ABR.DAT in EXPORTORDNER (\"Bereinigen ABR.DAT\")",
                       abrDatBereinigen);

}  // namespace riviza::batch
