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
}

}  // namespace
}  // namespace riviza::test
