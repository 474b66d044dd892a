// The log-line form and the list files (form library, maintenance); see update_liste.h.
#include "maintenance/update_liste.h"

#include "forms/Riviza1.h"
#include "forms/globals.h"
#include "platform/clock.h"
#include "platform/codec.h"
#include "platform/files.h"

namespace riviza {

std::string LogZeile(std::string_view meldung) {
  std::string zeile = globals().Tagesdatum + " " + platform::formatTime(platform::now());
  if (!meldung.starts_with("  ")) zeile += "  ";
  zeile += meldung;
  return zeile;
}

void UpdateProtokoll(std::string_view meldung) { UpdateProtokollOhneZeit(LogZeile(meldung)); }

void UpdateProtokollOhneZeit(std::string_view meldung) {
  FormEinstellungen->ListBoxLiveUpdate->items().add(std::string(meldung));
}

Status ListeSpeichern(const ui::TStrings& zeilen, std::string_view pfadText) {
  // One conversion of the whole text: a reorganisation log can hold a line per record.
  size_t laenge = 0;
  for (const std::string& zeile : zeilen.lines()) laenge += zeile.size() + 2;
  std::string text;
  text.reserve(laenge);
  for (const std::string& zeile : zeilen.lines()) text.append(zeile).append("\r\n");
  return platform::writeFile(pfadText, platform::fromUtf8(text));
}

}  // namespace riviza
