// Scenario set-up of the data-maintenance tests: the years 2023 and 2024 with the catalogue's
// tables, service lists written as .xls by Python's xlwt and as Windows-1252 text, the service
// catalogue read back as short texts, and what the dialogs showed in one line each.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "jahr_daten.h"
#include "platform/codec.h"
#include "support/tools.h"

namespace riviza::test {

namespace fs = std::filesystem;

class Datenpflege : public JahrShell {
 protected:
  // Both years with empty tables, started on 2024; the import folder is Import in the data root.
  void gestartet() {
    jahrMitTabellen("2023");
    jahrMitTabellen("2024");
    daten.mkdir("Import");
    oeffnen();
    form->EditOrdnerImport->setText(imDaten("Import"));
  }
  // An .xls by xlwt from a Python list of sheets (name, rows); a cell is a str (text), an int or
  // float (number), D(y, m, d) (a date shown dd.mm.yyyy) or None (no cell).
  static void xlsSchreiben(const fs::path& datei, const std::string& blaetter) {
    const ToolRun r =
        runTool({"/usr/bin/python3", "-c",
                 "import sys, datetime, xlwt\nD = datetime.date\nwb = xlwt.Workbook(encoding='utf-8')\n"
                 "for name, zeilen in " +
                     blaetter +
                     ":\n  ws = wb.add_sheet(name)\n"
                     "  for r, z in enumerate(zeilen):\n    for c, w in enumerate(z):\n"
                     "      if isinstance(w, datetime.date): ws.write(r, c, w, "
                     "xlwt.easyxf(num_format_str='DD.MM.YYYY'))\n"
                     "      elif w is not None: ws.write(r, c, w)\nwb.save(sys.argv[1])\n",
                 datei.string()},
                {.dir = datei.parent_path()});
    ASSERT_EQ(r.status, 0) << "python3-xlwt:\n" << r.output;
  }
  void csvSchreiben(const std::string& rel, std::string_view utf8) {
    daten.write(rel, platform::fromUtf8(utf8));
  }

  // The catalogue of a year, one record a line: key|PZN|text|field 11|field 3|field 19, and "|!"
  // with the position of any other field that holds a value.
  Zeilen leistungen(const std::string& jahr = "2024") const {
    Zeilen out;
    db::TTable t;
    if (!t.setDatabaseName(datenVon(jahr)).ok() || !t.setTableName("Leistungen.DB").ok() || !t.open().ok())
      return {"<Leistungen.DB fehlt>"};
    for (Status st = t.first(); st.ok() && !t.eof(); st = t.next()) {
      std::string zeile;
      for (int feld : {0, 18, 1, 11, 3, 19}) zeile += (feld ? "|" : "") + t.fields(feld).asString();
      for (int feld : {2, 4, 5, 6, 7, 8, 9, 10, 12, 13, 14, 15, 16, 17})
        if (!t.fields(feld).isNull()) zeile += "|!" + std::to_string(feld);
      out.push_back(zeile);
    }
    return out;
  }
  // Two services an import replaces, or leaves when it fails.
  void alteLeistungen() {
    saetzeSchreiben(datenVon("2024"), "Leistungen.DB",
                    {{{"Schluessel", "alt-1"}, {"Leistungstext", "Alte Leistung"}},
                     {{"Schluessel", "alt-2"}, {"Pharmazentralnummer", "7654321"}}});
  }
  static Zeilen alteListe() { return {"alt-1||Alte Leistung|||", "alt-2|7654321||||"}; }

  // Each dialog shown: "?YC " / "?YN " and the question, or the caption (none for a plain
  // message) and the text.
  Zeilen gezeigt() const {
    Zeilen out;
    for (const ui::DialogShown& d : dialogs.transcript())
      out.push_back(d.kind == ui::DialogShown::Kind::MessageDlg
                        ? (d.buttons == ui::DlgButtons::YesCancel ? "?YC " : "?YN ") + d.text
                        : (d.caption.empty() ? "" : d.caption + " ") + d.text);
    return out;
  }
};

}  // namespace riviza::test
