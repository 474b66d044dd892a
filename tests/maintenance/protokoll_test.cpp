// The log viewers: each of the three log buttons showing its own file of the program folder
// under its caption in the program's text window, decoded from Windows-1252 with plain line
// breaks, or the note that the file is missing.
#include <gtest/gtest.h>

#include <optional>

#include "reorg_fixture.h"

namespace riviza::test {
namespace {

TEST_F(Reorg, EachLogButtonShowsItsOwnFileUnderItsCaptionOrSaysItIsMissing) {
  gestartet();
  const std::string reorg = gezeigtImProgramm("REORG.LOG");
  const std::string reorgTitel = "Protokoll Reorganisation - " + reorg;
  struct Case {
    const char* name;
    TBitBtn* button;
    std::string caption, datei;
    std::optional<std::string> bytes;  // none: no file
    std::string title, text;
  } cases[] = {
      {"ABR.LOG", form->BitBtnProtokoll, "Lo&gdatei", "ABR.LOG", "Abrechnung M\xE4rz\r\n",
       "Logdatei - " + gezeigtImProgramm("ABR.LOG"), "Abrechnung März\n"},
      {"ABR.ERR", form->BitBtn2, "&Fehlerdatei", "ABR.ERR", "Fehler in Zeile 3\r\n",
       "Fehlerdatei - " + gezeigtImProgramm("ABR.ERR"), "Fehler in Zeile 3\n"},
      {"REORG.LOG missing", form->BitBtnFehler, "Pr&otokoll Reorganisation", "REORG.LOG", std::nullopt,
       reorgTitel, "Die Datei " + reorg + " ist nicht vorhanden."},
      {"REORG.LOG, Windows-1252 with CR LF", form->BitBtnFehler, "Pr&otokoll Reorganisation", "REORG.LOG",
       "15.03.2024 10:30:00  Dateien gel\xF6scht: D:\\Abrechng\\2024\\Daten_alt\r\n"
       "15.03.2024 10:30:00  Reorganisation beendet\r\n",
       reorgTitel,
       "15.03.2024 10:30:00  Dateien gelöscht: D:\\Abrechng\\2024\\Daten_alt\n"
       "15.03.2024 10:30:00  Reorganisation beendet\n"},
      {"REORG.LOG empty", form->BitBtnFehler, "Pr&otokoll Reorganisation", "REORG.LOG", "", reorgTitel, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.button->caption(), c.caption);
    std::filesystem::remove(programm / c.datei);
    if (c.bytes) programm.write(c.datei, *c.bytes);
    dialogs.clear();
    c.button->click();
    ASSERT_EQ(dialogs.transcript().size(), 1u);
    const ui::DialogShown& shown = dialogs.transcript()[0];
    EXPECT_EQ(shown.kind, ui::DialogShown::Kind::TextViewer);
    EXPECT_EQ(shown.caption, c.title);
    EXPECT_EQ(shown.text, c.text);
  }
}

}  // namespace
}  // namespace riviza::test
