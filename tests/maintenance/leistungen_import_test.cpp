// ImportLeistungenXls and ImportLeistungenCsv on a started program: a workbook written by
// Python's xlwt (text, number and date cells, a second sheet, rows after an empty A) and a
// Windows-1252 text file (heading, apostrophes, short, long and empty lines, LF and CR LF, no
// end at the last line) replace the catalogue record by record with the values worked out by
// hand; the count runs in LabelDbSatz; a list that cannot be read, a table without the imported
// positions and a record the table refuses leave the old catalogue, with a message.
#include "maintenance/leistungen_import.h"

#include <fcntl.h>

#include <cerrno>
#include <functional>

#include "datenpflege_fixture.h"
#include "db/catalogue.h"
#include "office/application.h"
#include "platform/pump.h"
#include "platform/syscalls.h"

namespace riviza::test {
namespace {

using Zeilen = std::vector<std::string>;

class LeistungenImport : public Datenpflege {};

TEST_F(LeistungenImport, EachListReplacesTheCatalogueFieldByField) {
  gestartet();
  xlsSchreiben(daten / "Import/artImp.xls",
               "[('Leistungen', ["
               "  ['Schlüssel', 'PZN', 'Text', 'Preis'],"
               "  ['AB-100', 1234567, 'Gehhilfe mit Größe', 12.5],"
               "  ['  x-2  ', '123456789', ' Text mit Blanks ', D(2024, 3, 15)],"
               "  ['ÄRZTE', 12345678901, 'Zahl als Text', '7'],"
               "  ['kurz', None, None, None],"
               "  [None, 'ohne Schlüssel', 'endet hier', None],"
               "  ['nach-leer', '1', 'nicht gelesen', None]]),"
               " ('Zweites', [['k'], ['zweites-blatt']])]");
  csvSchreiben("Import/artImp.csv",
               "Nr\tSchlüssel\tPZN\tText\tPreis\r\n"
               "1\tAB-'7'\t01234567\tBandage für Knie\t9,95\r\n"
               "2\tKurz\r\n"
               "\r\n"
               "3\tX1\t123456789\tO'Brien Stütze\t1\tEXTRA\n"
               "Erster Teil\t\t\t\t'\r\n"
               "4\tLetzte\t7\tEnde\t2");
  struct Fall {
    const char* datei;
    bool (*import)(const std::string&);
    Zeilen liste;
  };
  const Fall faelle[] = {
      {"artImp.xls",
       ImportLeistungenXls,
       {"ab-100|1234567|Gehhilfe mit Größe|12,5|1|True", "x-2|12345678|Text mit Blanks|15.03.2024|1|True",
        "ärzte|12345678|Zahl als Text|7|1|True", "kurz||||1|True"}},
      {"artImp.csv",
       ImportLeistungenCsv,
       {"ab-7|01234567|Bandage für Knie|9,95|1|True", "kurz||||1|True", "||||1|True",
        "x1|12345678|OBrien Stütze|1|1|True", "||||1|True", "letzte|7|Ende|2|1|True"}},
  };
  for (const Fall& fall : faelle) {
    SCOPED_TRACE(fall.datei);
    alteLeistungen();
    Zeilen zaehler;
    platform::setMessagePump([&] {
      if (zaehler.empty() || zaehler.back() != form->LabelDbSatz->caption())
        zaehler.push_back(form->LabelDbSatz->caption());
    });
    EXPECT_TRUE(fall.import(imDaten("Import\\") + fall.datei));
    platform::setMessagePump({});
    EXPECT_EQ(leistungen(), fall.liste);
    Zeilen erwartet{"0"};
    for (size_t i = 1; i <= fall.liste.size(); ++i) erwartet.push_back(std::to_string(i));
    EXPECT_EQ(zaehler, erwartet);
    EXPECT_EQ(texte(), Zeilen{});
    EXPECT_FALSE(form->Table1->active());
    EXPECT_EQ(office::Application::running(), nullptr);
    EXPECT_EQ(leistungen("2023"), Zeilen{});
  }
}

TEST_F(LeistungenImport, AWorkbookWhoseA2IsEmptyLeavesAnEmptyCatalogue) {
  gestartet();
  alteLeistungen();
  xlsSchreiben(daten / "Import/artImp.xls", "[('Leistungen', [['Schlüssel'], [None, '1234567'], ['a3']])]");
  EXPECT_TRUE(ImportLeistungenXls(imDaten("Import\\artImp.xls")));
  EXPECT_EQ(leistungen(), Zeilen{});
  EXPECT_EQ(form->LabelDbSatz->caption(), "0");
}

// Creating the named file fails as an unreadable file would (stat still finds it).
std::string gUnlesbar;
int oeffnenUnlesbar(const char* path, int flags, mode_t mode) {
  if (!gUnlesbar.empty() && std::string_view(path).ends_with(gUnlesbar)) {
    errno = EIO;
    return -1;
  }
  return platform::realSysCalls().open(path, flags, mode);
}

// A Leistungen.DB made from the catalogue's, changed by `aendern`.
void leistungenTabelle(const std::string& ordner, void (*aendern)(db::TableStructure&)) {
  ASSERT_TRUE(platform::deleteFile(ordner + "\\Leistungen.DB").ok());
  db::TableStructure s = db::structureOf(*db::findCatalogueTable("Leistungen.DB"));
  aendern(s);
  ASSERT_TRUE(db::TTable::createTable(ordner, "Leistungen.DB", s).ok());
}

TEST_F(LeistungenImport, AFailedImportLeavesTheOldCatalogueAndSaysWhy) {
  gestartet();
  struct Fall {
    const char* was;
    std::string datei;
    std::function<void()> vorher;
    bool (*import)(const std::string&);
    std::string meldung;  // the start of the message; empty: none
  };
  const std::string xls = imDaten("Import\\artImp.xls"), csv = imDaten("Import\\artImp.csv");
  const std::string tabelle = datenVon("2024") + "\\Leistungen.DB";
  const Fall faelle[] = {
      {"no workbook", xls, [&] { daten.write("Import/artImp.xls", "Schlüssel;PZN\r\n"); },
       ImportLeistungenXls,
       "Leistungen nicht importiert: " + xls + " kann nicht gelesen werden.\nDie Datei " + xls +
           " ist keine Excel-Arbeitsmappe"},
      {"unreadable text file", csv, [&] { csvSchreiben("Import/artImp.csv", "K\r\n1\ta\r\n"); },
       ImportLeistungenCsv, "Leistungen nicht importiert: " + csv + " kann nicht gelesen werden.\n"},
      {"a table of 19 fields", csv,
       [&] {
         csvSchreiben("Import/artImp.csv", "K\r\n1\ta\r\n");
         leistungenTabelle(datenVon("2024"), [](db::TableStructure& s) { s.fields.pop_back(); });
       },
       ImportLeistungenCsv,
       "Leistungen nicht importiert: " + tabelle +
           " hat 19 Felder, der Import schreibt bis Feld 20.\nBitte zuerst die Tabellen reorganisieren."},
      {"a refused record", csv,
       [&] {
         csvSchreiben("Import/artImp.csv", "K\r\n1\ta\tb\tc\t9,95\r\n2\tx\ty\tz\tneun\r\n3\tq\r\n");
         leistungenTabelle(datenVon("2024"), [](db::TableStructure& s) {
           s.fields[11] = {"Preis", db::FieldType::Number, 0};
         });
       },
       ImportLeistungenCsv, "Leistungen nicht importiert: Satz 2 wird von Leistungen.DB nicht angenommen.\n"},
      {"no Leistungen.DB", csv,
       [&] {
         csvSchreiben("Import/artImp.csv", "K\r\n1\ta\r\n");
         ASSERT_TRUE(platform::deleteFile(tabelle).ok());
       },
       ImportLeistungenCsv, ""},
      {"no list", imDaten("Import\\fehlt.csv"), [] {}, ImportLeistungenCsv, ""},
  };
  for (const Fall& fall : faelle) {
    SCOPED_TRACE(fall.was);
    dialogs.clear();
    leereTabellen(programm.str(), datenVon("2024"));
    fall.vorher();
    const bool tabelleDa = platform::fileExists(tabelle);
    if (tabelleDa) alteLeistungen();
    {
      gUnlesbar = std::string(fall.was) == "unreadable text file" ? "artImp.csv" : "";
      platform::SysCalls calls = platform::realSysCalls();
      calls.open = oeffnenUnlesbar;
      platform::ScopedSysCalls unlesbar(calls);
      EXPECT_FALSE(fall.import(fall.datei));
      gUnlesbar.clear();
    }
    if (fall.meldung.empty()) {
      EXPECT_EQ(texte(), Zeilen{});
    } else {
      ASSERT_EQ(dialogs.transcript().size(), 1u);
      EXPECT_EQ(dialogs.transcript()[0].caption, "Fehler !");
      EXPECT_TRUE(dialogs.transcript()[0].text.starts_with(fall.meldung)) << dialogs.transcript()[0].text;
      EXPECT_TRUE(dialogs.transcript()[0].text.ends_with("\n\nDie bisherigen Leistungen bleiben erhalten."));
    }
    EXPECT_EQ(platform::fileExists(tabelle), tabelleDa);
    if (tabelleDa) {
      EXPECT_EQ(saetze(datenVon("2024"), "Leistungen.DB", {"Schluessel"}), (Zeilen{"alt-1", "alt-2"}));
    }
    EXPECT_FALSE(form->Table1->active());
    EXPECT_EQ(office::Application::running(), nullptr);
  }
}

}  // namespace
}  // namespace riviza::test
