// The table exports of the Datenpflege tab's "Patienten" group (form library, maintenance):
// the year's patients, optionally only those whose card expires before the picked month, and
// the year's cost-bearer table, each into a new workbook "Patienten" through ExcelExport1.
//
// The month filter compares GueltigBis (yyMM as a number) with the key of the picked date,
// "GueltigBis < 2403" for 15.03.2024; it is removed when the export ends, whatever happened
// (excel_lauf.h). The title "Gültig bis" goes over the column the export gave the field
// GueltigBis, so it lands on that column wherever the table's structure puts it; the
// cost-bearer table has no such column and gets no such title.
#include <string>

#include "forms/Riviza1.h"
#include "forms/Riviza1_tabellen.h"
#include "forms/globals.h"
#include "maintenance/excel_lauf.h"
#include "platform/clock.h"

namespace riviza {

namespace {

namespace pf = platform;

// Characters 9-10 (the year) and 4-5 (the month) of a date text "dd.MM.yyyy": "2403" for
// 15.03.2024; empty for an empty text.
std::string monatsSchluessel(const std::string& datum) {
  const auto teil = [&](size_t ab) { return ab < datum.size() ? datum.substr(ab, 2) : std::string(); };
  return teil(8) + teil(3);
}

// The filter of the picked month; empty (every patient) when no month was picked.
std::string monatsFilter(const std::string& datum) {
  const auto monat = pf::parseInt(monatsSchluessel(datum));
  return monat ? "GueltigBis < " + std::to_string(*monat) : std::string();
}

void gueltigBisTitel(TExcelExport& ex) {
  const int spalte = ex.ColumnOfField("GueltigBis");
  if (spalte == 0 || !ex.ShowTitles()) return;
  zelleSchreiben(ex, TExcelExport::ColumnLetters(spalte) + std::to_string(ex.BeginRowTitles()),
                 std::string("Gültig bis"));
}

Status tabelleExportieren(const char* datei, const std::string& filter, bool mitGueltigBis) {
  db::TTable& t = *FormEinstellungen->Table1;
  RIVIZA_TRY(tabelleOeffnen(t, jahrDatenPfad(), datei, filter));
  return tabelleNachExcel(t, "Patienten", [mitGueltigBis](TExcelExport& ex) {
    if (mitGueltigBis) gueltigBisTitel(ex);
  });
}

}  // namespace

void TFormEinstellungen::DateTimePicker1Change(TComponent&) {
  EditGueltigBis->setText(pf::formatDate(DateTimePicker1->date()));
}

void TFormEinstellungen::BitBtnPatientenExpClick(TComponent&) {
  excelLauf({Table1}, [this] {
    return tabelleExportieren("Patienten.DB", monatsFilter(EditGueltigBis->text()), true);
  });
}

void TFormEinstellungen::BitBtnKosttrClick(TComponent&) {
  excelLauf({Table1}, [] { return tabelleExportieren("Kosttr.DB", "", false); });
}

}  // namespace riviza
