// The log viewers and the three log buttons (form library, maintenance); see
// protokoll_anzeigen.h. Each button shows its file of the program folder under its own caption.
#include "maintenance/protokoll_anzeigen.h"

#include <string>

#include "forms/Riviza1.h"
#include "forms/globals.h"
#include "platform/codec.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "ui/dialogs.h"

namespace riviza {

namespace {

std::string ohneWagenruecklauf(std::string text) {
  std::erase(text, '\r');
  return text;
}

// A caption as a title: the accelerator's "&" is not shown.
std::string ohneKuerzel(std::string caption) {
  std::erase(caption, '&');
  return caption;
}

void protokollKnopf(const TButton& knopf, const char* datei) {
  ProtokollAnzeigen(globals().ProgrammPfad + datei, ohneKuerzel(knopf.caption()));
}

}  // namespace

void ProtokollAnzeigen(std::string_view pfad, std::string_view titel) {
  const std::string datei(pfad);
  const std::string gezeigt = platform::displayPath(datei);
  std::string text;
  if (!platform::fileExists(datei)) {
    text = "Die Datei " + gezeigt + " ist nicht vorhanden.";
  } else if (auto inhalt = platform::readFile(datei); !inhalt) {
    text = "Die Datei " + gezeigt + " kann nicht gelesen werden:\n" + inhalt.error().message;
  } else {
    text = ohneWagenruecklauf(platform::toUtf8(*inhalt));
  }
  ui::dialogs().showText(std::string(titel) + " - " + gezeigt, text);
}

void TFormEinstellungen::BitBtnFehlerClick(TComponent&) { protokollKnopf(*BitBtnFehler, kReorgLog); }

void TFormEinstellungen::BitBtnProtokollClick(TComponent&) { protokollKnopf(*BitBtnProtokoll, kAbrLog); }

void TFormEinstellungen::BitBtn2Click(TComponent&) { protokollKnopf(*BitBtn2, kAbrErr); }

}  // namespace riviza
