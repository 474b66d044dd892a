// ImportLeistungenXls and ImportLeistungenCsv: a workbook written by xlwt (text, number and date
// cells, a second sheet, rows after an empty A) and a Windows-1252 text file (heading,
// apostrophes, short, long and empty lines, LF and CR LF, no end at the last line) replace the
// catalogue with the records worked out by hand; a list that cannot be read, a table without the
// imported positions and a record the table refuses leave the old catalogue, with a message.
#include "maintenance/leistungen_import.h"

#include <fcntl.h>

#include <cerrno>
#include <functional>

#include "datenpflege_fixture.h"
#include "db/catalogue.h"
#include "office/application.h"
#include "platform/syscalls.h"
#include "support/trees.h"

namespace riviza::test {
namespace {

class LeistungenImport : public Datenpflege {};

TEST_F(LeistungenImport, EachListReplacesTheCatalogueFieldByField) {
  gestartet();
  xlsSchreiben(daten / "Import/artImp.xls",
               "[('Leistungen', [['Schlüssel', 'PZN', 'Text', 'Preis'],"
               "  ['AB-100', 1234567, 'Gehhilfe mit Größe', 12.5],"
               "  ['  x-2  ', '123456789', ' Text mit Blanks ', D(2024, 3, 15)],"
               "  ['ÄRZTE', 12345678901, 'Zahl als Text', '7'], ['kurz'],"
               "  [None, 'ohne Schlüssel'], ['nach-leer', '1']]), ('Zweites', [['k'], ['zweites-blatt']])]");
  xlsSchreiben(daten / "Import/leer.xls",
               "[('L', [['Schlüssel', 'PZN', 'Text', 'Preis'], [None, '1234567'], ['a3']])]");
  csvSchreiben(
      "Import/artImp.csv",
      "Nr\tSchlüssel\tPZN\tText\tPreis\r\n1\tAB-'7'\t01234567\tBandage für Knie\t9,95\r\n2\tKurz\r\n\r\n"
      "3\tX1\t123456789\tO'Brien Stütze\t1\tEXTRA\nErster Teil\t\t\t\t'\r\n4\tLetzte\t7\tEnde\t2");
  daten.write("Import/bom.csv",
              "\xEF\xBB\xBFNr\tSchlüssel\tPZN\tText\tPreis\r\n1\tÄ-1\t1234567\tGröße M\t9,95\r\n");
  const std::pair<const char*, Zeilen> faelle[] = {
      {"artImp.xls",
       {"ab-100|1234567|Gehhilfe mit Größe|12,5|1|True", "x-2|12345678|Text mit Blanks|15.03.2024|1|True",
        "ärzte|12345678|Zahl als Text|7|1|True", "kurz||||1|True"}},
      {"leer.xls", {}},
      {"artImp.csv",
       {"ab-7|01234567|Bandage für Knie|9,95|1|True", "kurz||||1|True", "||||1|True",
        "x1|12345678|OBrien Stütze|1|1|True", "||||1|True", "letzte|7|Ende|2|1|True"}},
      {"bom.csv", {"ä-1|1234567|Größe M|9,95|1|True"}},  // UTF-8 behind its byte-order mark
  };
  for (const auto& [datei, liste] : faelle) {
    SCOPED_TRACE(datei);
    alteLeistungen();
    const std::string pfad = imDaten("Import\\") + datei;
    EXPECT_TRUE(pfad.ends_with(".xls") ? ImportLeistungenXls(pfad) : ImportLeistungenCsv(pfad));
    EXPECT_EQ(leistungen(), liste);
    EXPECT_EQ(form->LabelDbSatz->caption(), std::to_string(liste.size()));
    EXPECT_EQ(gezeigt(), Zeilen{});
    EXPECT_FALSE(form->Table1->active());
    EXPECT_EQ(office::Application::running(), nullptr);
    EXPECT_EQ(leistungen("2023"), Zeilen{});
  }
}

// Opening a file of this name fails (stat still finds it), as an unreadable file does.
std::string gUnlesbar;
int unlesbarOeffnen(const char* path, int flags, mode_t mode) {
  if (!gUnlesbar.empty() && std::string_view(path).ends_with(gUnlesbar)) return errno = EIO, -1;
  return platform::realSysCalls().open(path, flags, mode);
}

// Leistungen.DB made anew from the catalogue's structure, changed by `aendern`.
void leistungenTabelle(const std::string& ordner, const std::function<void(db::TableStructure&)>& aendern) {
  ASSERT_TRUE(platform::deleteFile(ordner + "\\Leistungen.DB").ok());
  db::TableStructure s = db::structureOf(*db::findCatalogueTable("Leistungen.DB"));
  aendern(s);
  ASSERT_TRUE(db::TTable::createTable(ordner, "Leistungen.DB", s).ok());
}

TEST_F(LeistungenImport, AFailedImportLeavesTheOldCatalogueAndSaysWhy) {
  gestartet();
  const std::string xls = imDaten("Import\\artImp.xls"), csv = imDaten("Import\\artImp.csv");
  const std::string tabelle = datenVon("2024") + "\\Leistungen.DB";
  const std::string nicht = "Fehler ! Leistungen nicht importiert: ";
  const std::string xlsGezeigt = gezeigtImDaten("Import/artImp.xls"),
                    csvGezeigt = gezeigtImDaten("Import/artImp.csv");
  struct Fall {
    const char* was;
    std::string datei, csvText;
    std::function<void()> vorher;
    std::string meldung;  // the start of the message; empty: none
  } faelle[] = {
      {"no workbook", xls, "", [&] { daten.write("Import/artImp.xls", "Schlüssel;PZN\r\n"); },
       nicht + xlsGezeigt + " kann nicht gelesen werden.\nDie Datei " + xlsGezeigt +
           " ist keine Excel-Arbeitsmappe"},
      {"unreadable", csv, "K\r\n1\ta\r\n", [] { gUnlesbar = "artImp.csv"; },
       nicht + csvGezeigt + " kann nicht gelesen werden.\nÖffnen " + csvGezeigt +
           ": Ein-/Ausgabefehler des Datenträgers (errno 5)"},
      {"19 fields", csv, "Nr\tK\tP\tT\tX\r\n1\ta\r\n",
       [&] { leistungenTabelle(datenVon("2024"), [](db::TableStructure& s) { s.fields.pop_back(); }); },
       nicht + gezeigtImDaten("Abrechng/2024/Daten/Leistungen.DB") +
           " hat 19 Felder, der Import schreibt bis Feld 20.\nBitte zuerst die Tabellen reorganisieren."},
      {"refused record", csv, "Nr\tK\tP\tT\tX\r\n1\ta\tb\tc\t9,95\r\n2\tx\ty\tz\tneun\r\n3\tq\r\n",
       [&] {
         leistungenTabelle(datenVon("2024"), [](db::TableStructure& s) {
           s.fields[11] = {"Preis", db::FieldType::Number, 0};
         });
       },
       nicht + "Satz 2 wird von Leistungen.DB nicht angenommen.\n"},
      // Lists of the wrong shape, refused whole before the catalogue is touched.
      {"semicolons", csv, "Nr;Schlüssel;PZN;Text;Preis\r\n1;AB-1;1234567;Gehhilfe;9,95\r\n", [] {},
       nicht + csvGezeigt +
           " ist keine Leistungsliste der erwarteten Form.\nDie Überschrift (Zeile 1) hat 1 Spalte, "
           "erwartet werden 5, durch Tabulatoren getrennt; die Liste ist mit Semikolons getrennt."},
      {"lines of three parts", csv, "Nr\tSchlüssel\tPZN\r\n1\tAB-1\t1234567\r\n", [] {},
       nicht + csvGezeigt +
           " ist keine Leistungsliste der erwarteten Form.\nDie Überschrift (Zeile 1) hat 3 Spalten, "
           "erwartet werden 5, durch Tabulatoren getrennt."},
      {"a row without tabs", csv, "Nr\tSchlüssel\tPZN\tText\tPreis\r\n1\tAB-1\t1\tx\t2\r\n\r\n2;AB-2;7\r\n",
       [] {},
       nicht + csvGezeigt +
           " ist keine Leistungsliste der erwarteten Form.\nZeile 4 hat keine durch Tabulatoren "
           "getrennten Spalten."},
      {"2,000 random bytes", csv, "", [&] { daten.write("Import/artImp.csv", RandomBytes(2000, 3)); },
       nicht + csvGezeigt + " ist keine Leistungsliste der erwarteten Form.\nZeile 1 enthält Steuerzeichen"},
      {"a byte-order mark before bytes that are no UTF-8", csv, "",
       [&] { daten.write("Import/artImp.csv", "\xEF\xBB\xBFNr\tK\tP\tT\tX\r\n1\tM\xFC\r\n"); },
       nicht + csvGezeigt +
           " ist keine Leistungsliste der erwarteten Form.\nDie Datei beginnt mit der Kennung für UTF-8, "
           "ist aber kein gültiges UTF-8."},
      {"a workbook of two columns", xls, "",
       [&] { xlsSchreiben(daten / "Import/artImp.xls", "[('L', [['K', 'PZN'], ['Z-1', 1234567]])]"); },
       nicht + xlsGezeigt +
           " ist keine Leistungsliste der erwarteten Form.\nDas erste Tabellenblatt hat 2 Spalten, "
           "erwartet werden die Spalten A bis D."},
      {"a formula in column A", xls, "",
       [&] {
         xlsSchreiben(
             daten / "Import/artImp.xls",
             "[('L', [['K', 'PZN', 'Text', 'Preis'], ['Z-1', '1'], [xlwt.Formula('\"Z\"&\"-2\"'), '2'], "
             "['Z-3', '3']])]");
       },
       nicht + xlsGezeigt +
           " ist keine Leistungsliste der erwarteten Form.\nZelle A3 (Zeile 3) enthält eine Formel ohne "
           "gespeicherten Wert. Bitte die Liste mit Werten statt Formeln speichern."},
      {"a formula in column C", xls, "",
       [&] {
         xlsSchreiben(daten / "Import/artImp.xls",
                      "[('L', [['K', 'PZN', 'Text', 'Preis'], ['Z-1', '1', xlwt.Formula('1+2'), 4]])]");
       },
       nicht + xlsGezeigt +
           " ist keine Leistungsliste der erwarteten Form.\nZelle C2 (Zeile 2) enthält eine Formel"},
      {"no Leistungen.DB", csv, "K\r\n1\ta\r\n", [&] { ASSERT_TRUE(platform::deleteFile(tabelle).ok()); },
       ""},
      {"no list", imDaten("Import\\fehlt.csv"), "", [] {}, ""},
  };
  platform::SysCalls calls = platform::realSysCalls();
  calls.open = unlesbarOeffnen;
  const platform::ScopedSysCalls unlesbar(calls);
  for (const Fall& fall : faelle) {
    SCOPED_TRACE(fall.was);
    dialogs.clear();
    leereTabellen(programm.str(), datenVon("2024"));
    csvSchreiben("Import/artImp.csv", fall.csvText);
    fall.vorher();
    const bool tabelleDa = platform::fileExists(tabelle);
    if (tabelleDa) alteLeistungen();
    EXPECT_FALSE(fall.datei.ends_with(".xls") ? ImportLeistungenXls(fall.datei)
                                              : ImportLeistungenCsv(fall.datei));
    gUnlesbar.clear();
    if (fall.meldung.empty()) {
      EXPECT_EQ(gezeigt(), Zeilen{});
    } else {
      ASSERT_EQ(gezeigt().size(), 1u);
      EXPECT_TRUE(gezeigt()[0].starts_with(fall.meldung)) << gezeigt()[0];
      EXPECT_TRUE(gezeigt()[0].ends_with("\n\nDie bisherigen Leistungen bleiben erhalten."));
    }
    EXPECT_EQ(platform::fileExists(tabelle), tabelleDa);
    EXPECT_EQ(saetze(datenVon("2024"), "Leistungen.DB", {"Schluessel"}),
              (tabelleDa ? Zeilen{"alt-1", "alt-2"} : Zeilen{"<Leistungen.DB fehlt>"}));
    EXPECT_FALSE(form->Table1->active());
    EXPECT_EQ(office::Application::running(), nullptr);
  }
}

}  // namespace
}  // namespace riviza::test
