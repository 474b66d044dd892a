// riviza-batch import-leistungen, pzn8 and arztnummern on an installation: usage errors, the
// import's question answered both ways, the messages printed, the exit status, and the tables
// each run left behind.
#include "batch_support.h"
#include "datenpflege_fixture.h"

namespace riviza::test {
namespace {

using BatchDatenpflege = Datenpflege;

TEST_F(BatchDatenpflege, ImportPznAndDoctorNumbersFromTheCommandLine) {
  dakota4();
  programmIni();
  jahrMitTabellen("2024");
  alteLeistungen();
  saetzeSchreiben(datenVon("2024"), "Arzt.DB", {{{"Nummer", "0123456"}}, {{"Nummer", "12345678"}}});
  daten.mkdir("Import");
  xlsSchreiben(daten / "Import/liste.xls", "[('L', [['K', 'PZN'], ['Z-1', 1234567], ['Z-2', '12345678']])]");
  csvSchreiben("Import/liste.csv", "K\r\n1\tC-1\t7\r\n");
  const std::string xls = imDaten("Import\\liste.xls"), csv = imDaten("Import\\liste.csv");
  const std::string frage =
      "[Dialog] Datenimport Leistungen starten ?\n\nLeistungen werden gelöscht !\n\nBitte sichern Sie vorher "
      "Ihre Daten !";
  struct Fall {
    Zeilen args;
    int status;
    std::string ausgabe;  // a part of what is printed
    Zeilen leistungen;
  };
  const Zeilen importiert = {"z-1|1234567|||1|True", "z-2|12345678|||1|True"};
  const Fall faelle[] = {
      {Zeilen{"import-leistungen"}, 2, "DATEI (.xls oder .csv) erwartet", alteListe()},
      {Zeilen{"import-leistungen", imDaten("Import\\liste.txt")}, 2, "DATEI muss auf .xls oder .csv enden",
       alteListe()},
      {Zeilen{"import-leistungen", imDaten("Import\\fehlt.csv")}, 1, "[Meldung] Datei nicht vorhanden!\n",
       alteListe()},
      {Zeilen{"import-leistungen", csv, "--nein"}, 1, frage + " -> Abbrechen\n", alteListe()},
      {Zeilen{"import-leistungen", csv}, 0, frage + " -> Ja\n[Meldung] Leistungen importiert: 1\n",
       Zeilen{"c-1|7|||1|True"}},
      {Zeilen{"import-leistungen", xls}, 0, "[Meldung] Leistungen importiert: 2\n", importiert},
      {Zeilen{"pzn8", "x"}, 2, "keine Argumente erwartet", importiert},
      {Zeilen{"pzn8"}, 0, "[Meldung] PZN auf 8-stellig umgesetzt!\n",
       Zeilen{"z-1|01234567|||1|True", "z-2|12345678|||1|True"}},
      {Zeilen{"arztnummern"}, 0, "Umsetzung beendet, 2\n",
       Zeilen{"z-1|01234567|||1|True", "z-2|12345678|||1|True"}},
  };
  for (const Fall& f : faelle) {
    SCOPED_TRACE(f.args[0] + (f.args.size() > 1 ? " " + f.args[1] : ""));
    ausgabePruefen(rivizaBatch(programm, f.args), f.status, {f.ausgabe});
    EXPECT_EQ(leistungen(), f.leistungen);
  }
  EXPECT_EQ(saetze(datenVon("2024"), "Arzt.DB", {"Nummer"}), (Zeilen{"012345600", "12345678"}));
}

}  // namespace
}  // namespace riviza::test
