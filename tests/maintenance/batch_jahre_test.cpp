// riviza-batch jahr-wechseln, zusammenfuehren, bewegungen-loeschen and neues-jahr on an
// installation of two years, one road: usage errors, a year another program holds, the
// messages printed, the questions answered both ways, the exit status, and the years, tables
// and locks each run left behind.
#include "batch_support.h"
#include "jahr_daten.h"
#include "platform/ini.h"

namespace riviza::test {
namespace {

class BatchJahre : public JahrShell {
 public:
  void lauf(const Zeilen& args, int status, const Zeilen& teile = {}) {
    SCOPED_TRACE(args[0] + (args.size() > 1 ? " " + args[1] : ""));
    ausgabePruefen(rivizaBatch(programm, args), status, teile);
  }
  void jahrSetzen(const std::string& j, const char* schluessel, const std::string& wert) {
    ASSERT_TRUE(platform::IniFile(imDaten("Abrechng\\" + j + "\\Abrechng.ini"))
                    .writeString("EINSTELLUNGEN", schluessel, wert)
                    .ok());
  }
};

TEST_F(BatchJahre, TheYearOperationsFromTheCommandLine) {
  dakota4();
  programmIni();
  for (const char* j : {"2023", "2024"}) {
    jahrMitTabellen(j);
    jahrSetzen(j, "Export", imDaten());  // the save before a new year wants an export folder
  }
  belegeSchreiben(datenVon("2023"), {{"17", "03.03.2023", true, {"N1"}},
                                     {"18", "20.04.2023", false, {"N2"}},
                                     {"5", "10.12.2022", true, {"X"}}});
  belegeSchreiben(datenVon("2024"),
                  {{"20", "10.02.2024", false, {"B1"}}, {"21", "20.06.2024", false, {"C1"}}});

  lauf({"jahr-wechseln", "23"}, 2, {"Jahr vierstellig angeben: 23"});
  lauf({"jahr-wechseln", "2022"}, 1, {"Abrechnungsjahr 2022 nicht vorhanden\n"});
  lauf({"jahr-wechseln", "2023"}, 0);
  EXPECT_EQ(programmWert("AktuellesJahr"), "2023");
  EXPECT_EQ(jahrWert("2023", "ProgrammZugriff"), "");
  // Into a year another program holds: said so, and its lock stays.
  jahrSetzen("2024", "ProgrammZugriff", "1");
  lauf({"jahr-wechseln", "2024"}, 1, {"Eines der Abrechnungsprogramme bereits in Nutzung"});
  EXPECT_EQ(programmWert("AktuellesJahr"), "2024");
  EXPECT_EQ(jahrWert("2024", "ProgrammZugriff"), "1");
  jahrSetzen("2024", "ProgrammZugriff", "");

  lauf({"zusammenfuehren", "2023", "2022"}, 1, {"[FEHLER] In diese Jahren gibt es keine Daten!\n"});
  lauf({"zusammenfuehren", "2023", "2024", "3", "--nein"}, 1,
       {"[Dialog] Datensicherung durchgeführt ?\n\n" + gezeigtImDaten("Abrechng") + " -> Nein\n"});
  EXPECT_EQ(belege(datenVon("2024")), (Zeilen{"20|10.02.2024|0", "21|20.06.2024|0"}));
  lauf({"zusammenfuehren", "2023", "2024", "13"}, 1,
       {"[FEHLER] Monat <<13>> ungültig, bitte 1 bis 12 eingeben!\n"});
  lauf({"zusammenfuehren", "2023", "2024", "3"}, 0,
       {"Beleg: 17  für: 03.2023\n",
        "[Hinweis !] Bewegungsdaten erfolgreich zusamenngeführt\n\n1 Beleg übernommen\n",
        "[Hinweis !] Abrechnungsdaten erfolgreich zusamenngeführt\n"});
  EXPECT_EQ(belege(datenVon("2024")), (Zeilen{"20|10.02.2024|0", "21|20.06.2024|0", "17|03.03.2023|1"}));
  EXPECT_EQ(positionen(datenVon("2024")), (Zeilen{"20|B1", "21|C1", "17|N1"}));

  lauf({"bewegungen-loeschen", "2023"}, 0,
       {"Beleg: 17  für: 2023\n", "Beleg: 18  für: 2023\n",
        "[Hinweis !] Bewegungsdaten gelöscht\n\n2 Belege gelöscht\n"});
  EXPECT_EQ(belege(datenVon("2023")), Zeilen{"5|10.12.2022|1"});
  EXPECT_EQ(positionen(datenVon("2023")), Zeilen{"5|X"});
  EXPECT_EQ(jahrWert("2023", "ProgrammZugriff"), "");

  // A new year is not built from the tables of a year another program holds (the Windows
  // program built it, and the tool said 1 for a year it had made).
  jahrSetzen("2024", "ProgrammZugriff", "1");
  ASSERT_TRUE(platform::IniFile(imProgramm("Abrechng.ini"))
                  .writeString("EINSTELLUNGEN", "AktuellesJahr", "2023")
                  .ok());
  lauf({"neues-jahr", "--offene-belege"}, 1, {"Eines der Abrechnungsprogramme bereits in Nutzung"});
  EXPECT_FALSE(daten.exists("Abrechng/2025"));
  EXPECT_EQ(jahrWert("2024", "ProgrammZugriff"), "1");
  jahrSetzen("2024", "ProgrammZugriff", "");

  lauf({"neues-jahr", "--ab", "01.06.2024"}, 2, {"--ab nur mit --offene-belege"});
  lauf({"neues-jahr"}, 1, {"Alle Belege sind noch nicht abgerechnet!"});
  lauf({"neues-jahr", "--offene-belege", "--ab", "01.06.2024", "--nein"}, 1,
       {"[Dialog] Datensicherung durchgeführt ?\n\n" + gezeigtImDaten("Abrechng") + " -> Nein\n"});
  EXPECT_FALSE(daten.exists("Abrechng/2025"));
  lauf({"neues-jahr", "--offene-belege", "--ab", "01.06.2024"}, 0,
       {"[Hinweis !] Neuen Abrechnungszeitraum: 2025\n\nVerarbeitung beendet\n"});
  EXPECT_EQ(belege(datenVon("2025")), Zeilen{"21|20.06.2024|0"});
  EXPECT_EQ(positionen(datenVon("2025")), Zeilen{"21|C1"});
  EXPECT_EQ(programmWert("AktuellesJahr"), "2025");
  EXPECT_EQ(jahrWert("2024", "ProgrammZugriff"), "");
  EXPECT_EQ(jahrWert("2025", "ProgrammZugriff"), "");
}

}  // namespace
}  // namespace riviza::test
