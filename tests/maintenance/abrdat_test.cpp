// AbrDatBereinigen: ABR.NEU byte for byte from ABR.DAT in the export folder. The golden pair
// tests/maintenance/golden/abr.dat and abr.neu (Windows-1252) holds a header, K lines, long, short,
// cut and exactly 245-byte P lines with umlaut bytes, lower-case kinds, other kinds, an empty
// line, an LF line and a last line without line end; abr.neu was written line by line by hand.
// With RIVIZA_UPDATE_GOLDEN=1 the test rewrites abr.neu from the routine instead (then review
// the diff). Also: no ABR.DAT (silence, ABR.NEU untouched), an empty and a header-only file, an
// existing ABR.NEU replaced, and an ABR.NEU that cannot be written.
#include <optional>

#include "maintenance/abrdat_bereinigen.h"
#include "reorg_fixture.h"
#include "support/tools.h"

namespace riviza::test {
namespace {

namespace fs = std::filesystem;

const fs::path kGolden = fs::path(RIVIZA_SOURCE_DIR) / "tests/maintenance/golden";

class AbrDat : public Shell {};

TEST_F(AbrDat, AbrNeuKeepsHeaderAndKLinesAndGivesPLinesTheFixedPeriod) {
  globals().ExportPfad = imDaten("Export\\");
  struct Fall {
    const char* was;
    std::optional<std::string> abrDat;  // none: no file
    std::optional<std::string> abrNeu;  // expected (for no ABR.DAT the old file stays); none: abr.neu
    bool erstellt;
  };
  const Fall faelle[] = {
      {"no ABR.DAT", std::nullopt, "alter Inhalt", false},
      {"empty file", "", "", true},
      {"header only", "KOPF\r\n", "KOPF\r\n", true},
      {"header without line end", "KOPF", "KOPF\r\n", true},
      {"golden", readNative(kGolden / "abr.dat"), std::nullopt, true},
  };
  for (const Fall& f : faelle) {
    SCOPED_TRACE(f.was);
    dialogs.clear();
    fs::remove_all(daten / "Export");
    daten.write("Export/ABR.NEU", "alter Inhalt");
    if (f.abrDat) daten.write("Export/ABR.DAT", *f.abrDat);

    EXPECT_EQ(AbrDatBereinigen(), f.erstellt);

    if (f.abrNeu) {
      EXPECT_EQ(daten.read("Export/ABR.NEU"), *f.abrNeu);
    } else {
      compareGolden("tests/maintenance/golden/abr.neu", daten.read("Export/ABR.NEU"));
    }
    EXPECT_EQ(texte(), f.erstellt ? std::vector<std::string>{"Datei erstellt!"} : std::vector<std::string>{});
    if (f.abrDat) {
      EXPECT_EQ(daten.read("Export/ABR.DAT"), *f.abrDat);
    }
  }
}

TEST_F(AbrDat, AnAbrNeuThatCannotBeWrittenIsAnErrorNotASuccess) {
  globals().ExportPfad = imDaten("Export\\");
  daten.write("Export/ABR.DAT", "KOPF\r\nK;1\r\n");
  daten.mkdir("Export/ABR.NEU");  // a folder of that name
  EXPECT_FALSE(AbrDatBereinigen());
  ASSERT_EQ(dialogs.transcript().size(), 1u);
  EXPECT_EQ(dialogs.transcript()[0].caption, "Fehler !");
  EXPECT_TRUE(dialogs.transcript()[0].text.starts_with(
      "Fehler beim Schreiben: " + gezeigtImDaten("Export/ABR.NEU") + "\nÖffnen " +
      gezeigtImDaten("Export/ABR.NEU") + ": Ist ein Ordner (errno 21)"))
      << dialogs.transcript()[0].text;
  EXPECT_TRUE(fs::is_directory(daten / "Export/ABR.NEU"));
}

}  // namespace
}  // namespace riviza::test
