// The reorganisation log's viewer: REORG.LOG in the program's text window, decoded from
// Windows-1252 with plain line breaks, or the note that the file is missing.
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

}  // namespace
}  // namespace riviza::test
