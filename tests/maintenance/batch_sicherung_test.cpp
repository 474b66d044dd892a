// riviza-batch sicherung, dakota-sicherung and abrdat-bereinigen on an installation: the
// messages printed, the exit status telling success from failure, and what each left on disk
// (the archive under the name pattern of the real clock, its stamp, ABR.NEU); the DAKOTA copy is
// refused under DAKOTA 4, whose button the form hides.
#include <regex>

#include "batch_support.h"
#include "sicherung_fixture.h"

namespace riviza::test {
namespace {

class BatchSicherung : public Sicherung {
 protected:
  std::string stempel() const { return jahrWert("2024", "LetzteDatensicherung", "DASI"); }
};

TEST_F(BatchSicherung, OperationsPrintTheirMessagesAndTellTheOutcome) {
  anlegen();
  daten.write("Export/ABR.DAT", "KOPF\r\nK;1\r\np;2\r\nP;3\r\n");
  struct Fall {
    std::vector<std::string> args;
    int status;
    std::string ausgabe;  // a part of what is printed
  };
  const Fall faelle[] = {
      {{"sicherung"}, 2, "ZIELORDNER [KUERZEL] erwartet"},
      {{"sicherung", imDaten("Fehlt")}, 1, "Datensicherung fehlgeschlagen: " + gezeigtImDaten("Fehlt/_2024_")},
      {{"sicherung", imDaten("Sicherung"), "AB"}, 0, "[Meldung] Archivierte Dateien: 15\n"},
      {{"dakota-sicherung"}, 1, "Datensicherung da&kota ist bei DAKOTA 4 nicht vorgesehen\n"},
      {{"abrdat-bereinigen", imDaten("Leer")},
       1,
       "Datei nicht vorhanden: " + gezeigtImDaten("Leer/ABR.DAT") + "\n"},
      {{"abrdat-bereinigen", imDaten("Export")}, 0, "[Meldung] Datei erstellt!\n"},
  };
  for (const Fall& f : faelle) {
    SCOPED_TRACE(f.args[0] + (f.args.size() > 1 ? " " + f.args[1] : ""));
    const std::string vorher = stempel();
    ausgabePruefen(rivizaBatch(programm, f.args), f.status, {f.ausgabe});
    if (f.args[0] == "sicherung" && f.status != 0) {
      EXPECT_EQ(stempel(), vorher);
    }
  }
  const std::vector<std::string> archive = dateienIn(sicherungOrdner());
  ASSERT_EQ(archive.size(), 1u);
  EXPECT_TRUE(std::regex_match(archive[0], std::regex(R"(AB_2024_\d\d-\d\d-\d\d_\d{6}\.ZIP)"))) << archive[0];
  EXPECT_TRUE(std::regex_match(stempel(), std::regex(R"(\d\d\.\d\d\.\d{4})"))) << stempel();
  werkzeug({"unzip", "-tq", (sicherungOrdner() / archive[0]).string()}, daten.path());
  EXPECT_EQ(daten.read("Export/ABR.NEU"), "KOPF\r\nK;1\r\nP;320110301;20110331\r\n");
  EXPECT_FALSE(fs::exists(daten / "Leer/ABR.NEU"));

  // A target inside the year folder: the archive is no file of the year, an earlier one is.
  daten.write("Abrechng/2024/Sicherung/CD_2024_24-01-02_101010.ZIP", "an older backup");
  ausgabePruefen(rivizaBatch(programm, {"sicherung", imDaten("Abrechng\\2024\\Sicherung"), "CD"}), 0,
                 {"[Meldung] Archivierte Dateien: 16\n"});
  EXPECT_EQ(dateienIn(jahrOrdner() / "Sicherung").size(), 2u);
}

}  // namespace
}  // namespace riviza::test
