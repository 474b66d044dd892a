// Scenario set-up of the data-maintenance tests: a started program on the years 2023 and 2024
// with the catalogue's tables, service lists written as .xls by Python's xlwt and as Windows-1252
// text, and the service catalogue, the doctors and a folder read back as short texts.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "db/TTable.h"
#include "interop/interop_support.h"
#include "jahr_daten.h"
#include "platform/codec.h"

namespace riviza::test {

namespace fs = std::filesystem;

class Datenpflege : public JahrShell {
 protected:
  // Both years with empty tables, 2024 current; the import folder is Import in the data root.
  void gestartet() {
    jahrMitTabellen("2023");
    jahrMitTabellen("2024");
    daten.mkdir("Import");
    oeffnen();
    ASSERT_EQ(form->ComboBoxAktuellesJahr->text(), "2024");
    form->EditOrdnerImport->setText(imDaten("Import"));
  }

  // Writes an .xls with xlwt. `blaetter` is a Python list of sheets (name, rows); a row is a
  // list of cells: str (a text cell), int or float (a number cell), D(y, m, d) (a date cell shown
  // dd.mm.yyyy) or None (no cell).
  static void xlsSchreiben(const fs::path& datei, const std::string& blaetter) {
    const fs::path skript = datei.parent_path() / "xls_schreiben.py";
    writeNative(skript,
                "import sys, datetime, xlwt\n"
                "D = datetime.date\n"
                "blaetter = " +
                    blaetter +
                    "\n"
                    "wb = xlwt.Workbook(encoding='utf-8')\n"
                    "datum = xlwt.easyxf(num_format_str='DD.MM.YYYY')\n"
                    "for name, zeilen in blaetter:\n"
                    "    ws = wb.add_sheet(name)\n"
                    "    for r, zeile in enumerate(zeilen):\n"
                    "        for c, wert in enumerate(zeile):\n"
                    "            if wert is None: continue\n"
                    "            if isinstance(wert, datetime.date): ws.write(r, c, wert, datum)\n"
                    "            else: ws.write(r, c, wert)\n"
                    "wb.save(sys.argv[1])\n");
    const interop::RunResult r =
        interop::Run({"/usr/bin/python3", skript.string(), datei.string()}, datei.parent_path());
    ASSERT_NE(r.status, -1) << "tool missing: /usr/bin/python3";
    ASSERT_EQ(r.status, 0) << "python3-xlwt:\n" << r.output;
    fs::remove(skript);
  }
  // A text file from UTF-8, written as Windows-1252.
  void csvSchreiben(const std::string& rel, std::string_view utf8) {
    daten.write(rel, platform::fromUtf8(utf8));
  }

  // The service catalogue of a year, one record a line: key|PZN|text|field 11|field 3|field 19.
  // A record with a value in any other field ends in "|!" and the position.
  std::vector<std::string> leistungen(const std::string& jahr = "2024") const {
    std::vector<std::string> out;
    db::TTable t;
    if (!t.setDatabaseName(datenVon(jahr)).ok() || !t.setTableName("Leistungen.DB").ok() || !t.open().ok())
      return {"<Leistungen.DB fehlt>"};
    for (Status st = t.first(); st.ok() && !t.eof(); st = t.next()) {
      std::string zeile;
      for (int feld : {0, 18, 1, 11, 3, 19}) zeile += (feld ? "|" : "") + t.fields(feld).asString();
      for (int feld = 0; feld < t.fieldCount(); ++feld)
        if (!std::set<int>{0, 1, 3, 11, 18, 19}.contains(feld) && !t.fields(feld).isNull())
          zeile += "|!" + std::to_string(feld);
      out.push_back(zeile);
    }
    return out;
  }
  // Two services the imports must replace, or leave when they fail.
  void alteLeistungen(const std::string& jahr = "2024") {
    saetzeSchreiben(datenVon(jahr), "Leistungen.DB",
                    {{{"Schluessel", "alt-1"}, {"Leistungstext", "Alte Leistung"}},
                     {{"Schluessel", "alt-2"}, {"Pharmazentralnummer", "7654321"}}});
  }
  static std::vector<std::string> alteListe() { return {"alt-1||Alte Leistung|||", "alt-2|7654321||||"}; }
};

}  // namespace riviza::test
