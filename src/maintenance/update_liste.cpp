// The log-line form and the list files (form library, maintenance); see update_liste.h.
#include "maintenance/update_liste.h"

#include "app/Riviza1.h"
#include "app/globals.h"
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
  std::string text;
  for (const std::string& zeile : zeilen.lines()) text += platform::fromUtf8(zeile) + "\r\n";
  return platform::writeFile(pfadText, text);
}

}  // namespace riviza
