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

namespace {

// A line of ASCII, most of any log, is the same bytes in Windows-1252: one pass that the compiler
// does many bytes at a time, where the conversion looks at each byte on its own.
bool nurAscii(std::string_view zeile) {
  unsigned char bits = 0;
  for (const char c : zeile) bits |= static_cast<unsigned char>(c);
  return bits < 0x80;
}

}  // namespace

Status ListeSpeichern(const ui::TStrings& zeilen, std::string_view pfadText) {
  // Written a block at a time: a reorganisation log can hold a line per record, and the whole
  // text and its converted copy at once were two buffers of its size to fill and fault in.
  constexpr size_t kBlockBytes = size_t{1} << 20;
  auto datei = platform::File::open(pfadText, platform::File::Mode::Create);
  if (!datei) return datei.error();
  std::string block;
  block.reserve(kBlockBytes + 4096);
  for (const std::string& zeile : zeilen.lines()) {
    if (nurAscii(zeile))
      block.append(zeile);
    else
      block.append(platform::fromUtf8(zeile));
    block.append("\r\n");
    if (block.size() >= kBlockBytes) {
      RIVIZA_TRY(datei->write(block));
      block.clear();
    }
  }
  RIVIZA_TRY(datei->write(block));
  return datei->close();
}

}  // namespace riviza
