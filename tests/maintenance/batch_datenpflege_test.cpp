// riviza-batch import-leistungen, pzn8 and arztnummern on an installation: usage errors, the
// import's question answered both ways, the messages printed, the exit status, and the tables
// each run left behind.
#include <unistd.h>

#include <functional>

#include "batch_support.h"
#include "datenpflege_fixture.h"
#include "platform/ini.h"

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
  // Lists of two and three columns are refused; those of the expected four import.
  xlsSchreiben(daten / "Import/liste.xls", "[('L', [['K', 'PZN'], ['Z-1', 1234567], ['Z-2', '12345678']])]");
  csvSchreiben("Import/liste.csv", "K\r\n1\tC-1\t7\r\n");
  xlsSchreiben(daten / "Import/liste4.xls",
               "[('L', [['K', 'PZN', 'Text', 'Preis'], ['Z-1', 1234567], ['Z-2', '12345678']])]");
  csvSchreiben("Import/liste5.csv", "Nr\tK\tPZN\tText\tPreis\r\n1\tC-1\t7\r\n");
  const std::string xls = imDaten("Import\\liste.xls"), csv = imDaten("Import\\liste.csv");
  const std::string xls4 = imDaten("Import\\liste4.xls"), csv5 = imDaten("Import\\liste5.csv");
  const std::string nicht = "[Fehler !] Leistungen nicht importiert: ";
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
      {Zeilen{"import-leistungen", csv}, 1,
       frage + " -> Ja\n" + nicht + gezeigtImDaten("Import/liste.csv") +
           " ist keine Leistungsliste der erwarteten Form.\nDie Überschrift (Zeile 1) hat 1 Spalte",
       alteListe()},
      {Zeilen{"import-leistungen", xls}, 1,
       nicht + gezeigtImDaten("Import/liste.xls") + " ist keine Leistungsliste der erwarteten Form.\nDas erste Tabellenblatt hat 2 Spalten",
       alteListe()},
      {Zeilen{"import-leistungen", csv5}, 0, frage + " -> Ja\n[Meldung] Leistungen importiert: 1\n",
       Zeilen{"c-1|7|||1|True"}},
      {Zeilen{"import-leistungen", xls4}, 0, "[Meldung] Leistungen importiert: 2\n", importiert},
      {Zeilen{"pzn8", "x"}, 2, "keine Argumente erwartet", importiert},
      {Zeilen{"pzn8"}, 0, "[Meldung] PZN auf 8-stellig umgesetzt!\n",
       Zeilen{"z-1|01234567|||1|True", "z-2|12345678|||1|True"}},
      {Zeilen{"arztnummern"}, 0, "Umsetzung beendet, 2\n",
       Zeilen{"z-1|01234567|||1|True", "z-2|12345678|||1|True"}},
  };
  for (const Fall& f : faelle) {
    SCOPED_TRACE(f.args[0] + (f.args.size() > 1 ? " " + f.args[1] : ""));
    const ToolRun r = rivizaBatch(programm, f.args);
    ausgabePruefen(r, f.status, {f.ausgabe});
    if (f.status != 0) {
      EXPECT_EQ(r.output.find("Leistungen importiert"), std::string::npos) << r.output;
    }
    EXPECT_EQ(leistungen(), f.leistungen);
  }
  EXPECT_EQ(saetze(datenVon("2024"), "Arzt.DB", {"Nummer"}), (Zeilen{"012345600", "12345678"}));
}

// What the tool prints of a table another program holds, a table the user may not write and an
// export folder that is a file: the same German text under the C and the German locale (the
// system's own texts would follow LANG and speak English), paths with "/" only.
TEST_F(BatchDatenpflege, FailuresOfTablesAndFoldersReadGermanInEveryLanguage) {
  dakota4();
  programmIni();
  jahrMitTabellen("2024");
  alteLeistungen();
  csvSchreiben("Import/liste.csv", "Nr\tK\tPZN\tText\tPreis\r\n1\tC-1\t7\r\n");
  daten.write("Export.txt", "eine Datei, kein Ordner");
  ASSERT_TRUE(platform::IniFile(imDaten("Abrechng\\2024\\Abrechng.ini"))
                  .writeString("EINSTELLUNGEN", "Export", imDaten("Export.txt"))
                  .ok());
  const std::string tabelle = gezeigtImDaten("Abrechng/2024/Daten/Leistungen.DB");
  const std::string nicht = "[Fehler !] Leistungen nicht importiert: ";
  const std::string erhalten = "\n\nDie bisherigen Leistungen bleiben erhalten.\n";
  // The user without write access: root may write any file, so the run goes to nobody then.
  const bool root = geteuid() == 0;
  const auto ohneSchreibrecht = [&](Zeilen args) {
    for (const TempDir* d : {&prefix, &programm, &daten, &runtime}) {
      fs::permissions(d->path(), fs::perms::all, fs::perm_options::add);
      for (const auto& e : fs::recursive_directory_iterator(d->path()))
        fs::permissions(e.path(), fs::perms::all, fs::perm_options::add);
    }
    fs::permissions(daten / "Abrechng/2024/Daten/Leistungen.DB",
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read,
                    fs::perm_options::replace);
    if (root) args.insert(args.begin(), {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
    return args;
  };
  struct Fall {
    const char* was;
    bool gehalten;                   // another program holds Leistungen.DB exclusively meanwhile
    std::function<Zeilen()> aufruf;  // the command line, riviza-batch first
    std::string ausgabe;
  };
  const std::string batch = RIVIZA_BINARY_DIR "/tools/riviza-batch/riviza-batch";
  const Fall faelle[] = {
      {"a table another program holds", true,
       [&] {
         return Zeilen{batch, programm.str(), "import-leistungen", imDaten("Import\\liste.csv")};
       },
       nicht + tabelle + " kann nicht geöffnet werden.\nTabelle ist exklusiv gesperrt: " + tabelle +
           erhalten},
      {"an export folder that is a file", false,
       [&] {
         return Zeilen{batch, programm.str(), "export-patienten"};
       },
       "[Fehler] Ordner anlegen " + gezeigtImDaten("Export.txt") + ": Ist kein Ordner (errno 20)\n"},
      {"a table the user may not write", false,
       [&] {
         return ohneSchreibrecht({batch, programm.str(), "import-leistungen", imDaten("Import\\liste.csv")});
       },
       nicht +
           "Leistungen.DB kann nicht geschrieben werden.\nTabelle: Tabelle ist schreibgeschützt (SQLite 8)" +
           erhalten},
  };
  db::TTable andere;  // another program's exclusive hold on the table
  ASSERT_TRUE(andere.setDatabaseName(datenVon("2024")).ok() && andere.setTableName("Leistungen.DB").ok());
  for (const Fall& f : faelle) {
    for (const char* sprache : {"C.UTF-8", "de_DE.UTF-8"}) {
      SCOPED_TRACE(std::string(f.was) + " " + sprache);
      if (f.gehalten) {
        ASSERT_TRUE(andere.setExclusive(true).ok() && andere.open().ok());
      }
      const ToolRun r =
          runTool(f.aufruf(), {.dir = programm.path(),
                               .env = {std::string("LANG=") + sprache, std::string("LC_ALL=") + sprache}});
      andere.close();
      ausgabePruefen(r, 1, {f.ausgabe});
      EXPECT_EQ(leistungen(), alteListe());
    }
  }
}

}  // namespace
}  // namespace riviza::test
