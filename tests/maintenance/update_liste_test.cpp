// The update list's log lines and UPDATE.LOG, through the hidden rebuild button.
#include "maintenance/update_liste.h"

#include <gtest/gtest.h>

#include "platform/files.h"
#include "shell_fixture.h"

namespace riviza::test {
namespace {

using UpdateListe = Shell;

TEST_F(UpdateListe, LinesCarryDateTimeAndOneSeparatorAndSaveAsWindows1252) {
  globals().Tagesdatum = "15.03.2024";
  UpdateProtokoll("  Download gestartet");
  UpdateProtokoll("Datei: kost.txt");
  UpdateProtokollOhneZeit("Verbunden");
  const auto& zeilen = form->ListBoxLiveUpdate->items().lines();
  ASSERT_EQ(zeilen.size(), 3u);
  EXPECT_EQ(zeilen[0], "15.03.2024 10:30:00  Download gestartet");
  EXPECT_EQ(zeilen[1], "15.03.2024 10:30:00  Datei: kost.txt");
  EXPECT_EQ(zeilen[2], "Verbunden");

  UpdateProtokoll("Kostenträger übernommen");
  ASSERT_TRUE(ListeSpeichern(form->ListBoxLiveUpdate->items(), imProgramm("UPDATE.LOG")).ok());
  auto datei = platform::readFile(imProgramm("UPDATE.LOG"));
  ASSERT_TRUE(datei.ok());
  EXPECT_EQ(datei.value(),
            "15.03.2024 10:30:00  Download gestartet\r\n15.03.2024 10:30:00  Datei: kost.txt\r\nVerbunden\r\n"
            "15.03.2024 10:30:00  Kostentr\xE4ger \xFC"
            "bernommen\r\n");

  // A list of more than a block (a reorganisation's line per record), lines beyond ASCII among
  // them, and a file that was longer before.
  ui::TStrings gross;
  std::string erwartet;
  for (int i = 0; i < 40000; ++i) {
    const std::string nummer = std::to_string(i);
    gross.add(i % 7 ? "MwStKz <1> -> Netto - Bel: <" + nummer + "> ErfPosition.DB" : "Größe " + nummer + " €");
    erwartet += i % 7 ? "MwStKz <1> -> Netto - Bel: <" + nummer + "> ErfPosition.DB\r\n"
                      : "Gr\xF6\xDF" "e " + nummer + " \x80\r\n";
  }
  ASSERT_TRUE(platform::writeFile(imProgramm("REORG.LOG"), std::string(3 << 20, 'x')).ok());
  ASSERT_TRUE(ListeSpeichern(gross, imProgramm("REORG.LOG")).ok());
  ASSERT_GT(erwartet.size(), size_t{1} << 20);
  EXPECT_TRUE(platform::readFile(imProgramm("REORG.LOG")).value() == erwartet);
}

}  // namespace
}  // namespace riviza::test
