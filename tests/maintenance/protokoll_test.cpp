// The log viewers: REORG.LOG in the program's text window, decoded from Windows-1252 with plain
// line breaks, or the note that the file is missing; and each of the three log buttons showing
// its own file of the program folder under its caption.
#include <gtest/gtest.h>

#include <optional>

#include "reorg_fixture.h"

namespace riviza::test {
namespace {

TEST_F(Reorg, TheLogButtonShowsReorgLogOrSaysItIsMissing) {
  gestartet();
  const std::string pfad = imProgramm("REORG.LOG");
  struct Case {
    const char* name;
    std::optional<std::string> bytes;  // none: no file
    std::string text;
  } cases[] = {
      {"missing", std::nullopt, "Die Datei " + pfad + " ist nicht vorhanden."},
      {"Windows-1252 with CR LF",
       "15.03.2024 10:30:00  Dateien gel\xF6scht: D:\\Abrechng\\2024\\Daten_alt\r\n"
       "15.03.2024 10:30:00  Reorganisation beendet\r\n",
       "15.03.2024 10:30:00  Dateien gelöscht: D:\\Abrechng\\2024\\Daten_alt\n"
       "15.03.2024 10:30:00  Reorganisation beendet\n"},
      {"empty", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(programm / "REORG.LOG");
    if (c.bytes) programm.write("REORG.LOG", *c.bytes);
    dialogs.clear();
    form->BitBtnFehler->click();
    ASSERT_EQ(dialogs.transcript().size(), 1u);
    const ui::DialogShown& shown = dialogs.transcript()[0];
    EXPECT_EQ(shown.kind, ui::DialogShown::Kind::TextViewer);
    EXPECT_EQ(shown.caption, "Protokoll Reorganisation - " + pfad);
    EXPECT_EQ(shown.text, c.text);
  }
}

TEST_F(Reorg, EachLogButtonShowsItsOwnFileUnderItsCaption) {
  gestartet();
  programm.write("ABR.LOG", "Abrechnung M\xE4rz\r\n");
  programm.write("ABR.ERR", "Fehler in Zeile 3\r\n");
  programm.write("REORG.LOG", "Reorganisation beendet\r\n");
  struct Case {
    TBitBtn* button;
    std::string caption, title, text;
  } cases[] = {
      {form->BitBtnProtokoll, "Lo&gdatei", "Logdatei - " + imProgramm("ABR.LOG"), "Abrechnung März\n"},
      {form->BitBtn2, "&Fehlerdatei", "Fehlerdatei - " + imProgramm("ABR.ERR"), "Fehler in Zeile 3\n"},
      {form->BitBtnFehler, "Pr&otokoll Reorganisation",
       "Protokoll Reorganisation - " + imProgramm("REORG.LOG"), "Reorganisation beendet\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption);
    EXPECT_EQ(c.button->caption(), c.caption);
    dialogs.clear();
    c.button->click();
    ASSERT_EQ(dialogs.transcript().size(), 1u);
    EXPECT_EQ(dialogs.transcript()[0].kind, ui::DialogShown::Kind::TextViewer);
    EXPECT_EQ(dialogs.transcript()[0].caption, c.title);
    EXPECT_EQ(dialogs.transcript()[0].text, c.text);
  }
}

}  // namespace
}  // namespace riviza::test
