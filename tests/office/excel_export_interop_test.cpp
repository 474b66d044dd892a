// A whole export as the user receives it: the print preview's file read back by openpyxl
// (fonts, fills, borders, number formats, widths, outline levels, page setup) and converted by
// LibreOffice with the values it shows.
#include <gtest/gtest.h>

#include "excel_export_fixture.h"
#include "office/sheet_oracles.h"

namespace riviza::test {
namespace {

TEST_F(ExcelExportTest, TheUserReceivesTheExportWithEveryFormat) {
  using db::FieldType;
  db::TTable& t = table({{{"Ort", FieldType::Alpha, 20},
                          {"Name", FieldType::Alpha, 20},
                          {"Betrag", FieldType::Money, 0},
                          {"Datum", FieldType::Date, 0}},
                         0},
                        {{"Berlin", "A", "1,5", "15.03.2024"},
                         {"Berlin", "B", "2,5", "15.03.2024"},
                         {"Köln", "C", "4", "15.03.2024"}});
  t.fields(2).setDisplayFormat("#,##0.00");
  ex.SetDataset(&t);
  ex.WorksheetName = "Kunden";
  ex.SetHeaderText({"Kundenliste"});
  ex.SetFontHeader(TFont{"Arial", 14, clWindowText, fsBold});
  ex.BorderHeader.BackColor = 0x00FFFF;  // $BBGGRR: yellow
  ex.FontTitles().Style = fsBold;
  ex.FontTitles().Alignment = haCenter;
  ex.BorderTitles = {0xFFFFFF, 0x0000FF, bwMedium, blContinuous};  // red lines
  ex.FontData().Size = 10;
  ex.BorderData = {0xFFFFFF, 0, bwThin, blDot};
  ex.FontSummary().Style = fsItalic;
  ex.SummarySelection = ssGiven;
  ex.SetSummaryFields({"betrag"});
  ex.SetFooterText({"Ende"});
  ex.StyleColumnWidth = cwOwnerWidth;
  ex.ColumnWidth = 15;
  ex.SetGroupFields({"Ort"});
  ex.ExportDataset();
  ex.PrintPreviewWorksheet(true);
  ex.DisconnectExcel();
  ASSERT_EQ(opened.size(), 1u);

  auto d = openpyxlDump(opened[0]);
  const std::pair<const char*, const char*> expected[] = {
      {"sheets", "Kunden"},
      {"Kunden!A1.value", "Kundenliste"},
      {"Kunden!A1.font", "Arial,14,b,,,FF000000"},
      {"Kunden!A1.fill", "FFFFFF00"},
      {"Kunden!B2.value", "Name"},
      {"Kunden!B2.font", "MS Sans Serif,8,b,,,FF000000"},
      {"Kunden!B2.align", "center"},
      {"Kunden!B2.border", "medium:FFFF0000,medium:FFFF0000,medium:FFFF0000,medium:FFFF0000"},
      {"Kunden!A3.value", "Berlin"},
      {"Kunden!A4.value", "None"},
      {"Kunden!B4.value", "A"},
      {"Kunden!C4.type", "n"},
      {"Kunden!C4.value", "1.5"},
      {"Kunden!C4.format", "#,##0.00"},
      {"Kunden!C4.font", "MS Sans Serif,10,,,,FF000000"},
      {"Kunden!C4.border", "dotted:FF000000,dotted:FF000000,dotted:FF000000,dotted:FF000000"},
      {"Kunden!D4.type", "d"},
      {"Kunden!D4.format", "dd.mm.yyyy"},
      {"Kunden!B4.format", "@"},
      {"Kunden!col.B.format", "@"},  // the whole column: a value typed below stays a text
      {"Kunden!col.C.format", "#,##0.00"},
      {"Kunden.maxRow", "9"},  // no styled empty rows down to row 9999
      {"Kunden!A6.value", "Köln"},
      {"Kunden!C8.value", "=SUM(C4:C7)"},
      {"Kunden!C8.cached", "8"},
      {"Kunden!C8.font", "MS Sans Serif,8,,i,,FF000000"},
      {"Kunden!A9.value", "Ende"},
      {"Kunden!col.A.width", "15.7109"},
      {"Kunden!col.D.width", "15.7109"},
      {"Kunden!row.4.level", "1"},
      {"Kunden!row.5.level", "1"},
      {"Kunden!row.7.level", "1"},
      {"Kunden.summaryBelow", "False"},
      {"Kunden.gridlines", "True"},
      {"Kunden.header", "Kunden"},
  };
  for (const auto& [key, value] : expected) {
    SCOPED_TRACE(key);
    EXPECT_EQ(d[key], value);
  }
  EXPECT_EQ(d.count("Kunden!row.6.level"), 0u) << "group headers stay outside their groups";

  LibreOffice lo;
  EXPECT_EQ(lo.csvSheets(opened[0])["Kunden"],
            (std::vector<std::string>{"Kundenliste;;;", "Ort;Name;Betrag;Datum", "Berlin;;;",
                                      ";A;1.50;15.03.2024", ";B;2.50;15.03.2024", "Köln;;;",
                                      ";C;4.00;15.03.2024", ";;8.00;", "Ende;;;"}));
}

}  // namespace
}  // namespace riviza::test
