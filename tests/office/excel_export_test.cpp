// TExcelExport over a table of its form: the property rules, the blocks of rows and typed
// values, header, titles, summary and footer rows, hidden and Blob fields, number formats,
// column widths and the outline groups.
#include <gtest/gtest.h>

#include <functional>

#include "excel_export_fixture.h"

namespace riviza::test {
namespace {

using office::CellValue;
using office::DateValue;

TEST_F(ExcelExportTest, PropertyRulesKeepHeaderTitlesAndDataApart) {
  const struct {
    const char* what;
    std::function<void(TExcelExport&)> steps;
    int header, titles, data;
  } rows[] = {
      {"defaults", [](TExcelExport&) {}, 1, 1, 2},
      {"three header lines",
       [](TExcelExport& e) {
         e.SetHeaderText({"a", "b", "c"});
       },
       1, 4, 5},
      {"header row without lines", [](TExcelExport& e) { e.SetBeginRowHeader(5); }, 1, 1, 2},
      {"header row 0", [](TExcelExport& e) { e.SetHeaderText({"a"}), e.SetBeginRowHeader(0); }, 1, 2, 3},
      {"header moved down",
       [](TExcelExport& e) {
         e.SetHeaderText({"a", "b"}), e.SetBeginRowHeader(3);
       },
       3, 5, 6},
      {"titles into the header",
       [](TExcelExport& e) {
         e.SetHeaderText({"a", "b"}), e.SetBeginRowTitles(1);
       },
       1, 3, 4},
      {"titles below the data", [](TExcelExport& e) { e.SetBeginRowTitles(7); }, 1, 7, 8},
      {"data onto the titles", [](TExcelExport& e) { e.SetBeginRowData(1); }, 1, 1, 2},
      {"data onto the titles without titles",
       [](TExcelExport& e) { e.SetShowTitles(false), e.SetBeginRowData(1); }, 1, 1, 1},
      {"titles switched on again",
       [](TExcelExport& e) { e.SetShowTitles(false), e.SetBeginRowData(1), e.SetShowTitles(true); }, 1, 1, 2},
      {"header lines removed",
       [](TExcelExport& e) { e.SetHeaderText({"a"}), e.SetBeginRowHeader(4), e.SetHeaderText({}); }, 1, 5, 6},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    TExcelExport e(nullptr, "Probe");
    r.steps(e);
    EXPECT_EQ(e.BeginRowHeader(), r.header);
    EXPECT_EQ(e.BeginRowTitles(), r.titles);
    EXPECT_EQ(e.BeginRowData(), r.data);
  }

  TExcelExport e(nullptr, "Probe");
  e.SetBeginColumnHeader(0), e.SetBeginColumnData(-3);
  EXPECT_EQ(e.BeginColumnHeader() + e.BeginColumnData(), 2);
  e.SetSummaryFields({"betrag", "Größe"});
  EXPECT_EQ(e.SummaryFields().lines(), (std::vector<std::string>{"BETRAG", "GRößE"}));
  e.FontData().Alignment = haRight;
  e.SetFontData(TFont{"Arial", 10, 0xFF, fsBold});
  EXPECT_EQ(e.FontData().Name, "Arial");
  EXPECT_EQ(e.FontData().Alignment, haRight) << "assigning copies only the font";
  e.DataPipe = dpCustom, e.Filename = "x.xlsx", e.ExcelVisible = false, e.BorderData.LineStyle = blDot;
  e.ResetFormatting();
  EXPECT_EQ(e.FontData().Name, "MS Sans Serif");
  EXPECT_EQ(e.FontData().Alignment, haGeneral);
  EXPECT_EQ(e.BorderData.LineStyle, blNone);
  EXPECT_TRUE(e.Filename.empty() && e.ExcelVisible && e.SummaryFields().empty());
  EXPECT_EQ(e.DataPipe, dpCustom) << "the pipe is not formatting";
}

TEST_F(ExcelExportTest, ColumnLettersStopAtZZ) {
  const std::pair<int, const char*> rows[] = {{-1, "A"},  {0, "A"},   {1, "A"},    {26, "Z"},   {27, "AA"},
                                              {52, "AZ"}, {53, "BA"}, {702, "ZZ"}, {703, "ZZ"}, {5000, "ZZ"}};
  for (const auto& [column, letters] : rows) {
    SCOPED_TRACE(column);
    EXPECT_EQ(TExcelExport::ColumnLetters(column), letters);
  }
}

TEST_F(ExcelExportTest, RecordsGoInBlocksOfTwentyWithTypedValues) {
  const struct {
    int records;
    int blockOfRecords;
    std::vector<std::string> blocks;
    int lastRow;
  } rows[] = {
      {45, 20, {"A2:F21", "A22:F41", "A42:F46"}, 46},
      {40, 20, {"A2:F21", "A22:F41"}, 41},
      {0, 20, {}, 1},
      {3, 0, {"A2:F2", "A3:F3", "A4:F4"}, 4},  // no block of 0 rows: one record at a time
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.records);
    db::TTable& t = liste(r.records);
    hidden(t);
    ex.BlockOfRecords = r.blockOfRecords;
    ex.ConnectExcel();
    std::vector<std::string> log;
    ex.Application()->callLog = &log;
    std::vector<int> counted;
    ex.OnExportRecords = [&](TComponent&, int n) { counted.push_back(n); };
    ex.ExportDataset();

    std::vector<std::string> blocks;  // the value assignments below the titles
    for (const std::string& call : log) {
      const std::string address = call.substr(call.find('(') + 1, call.find(')') - call.find('(') - 1);
      if (call.ends_with(".Value") && office::parseA1(address.substr(0, address.find(':')))->row >= 2)
        blocks.push_back(address);
    }
    EXPECT_EQ(blocks, r.blocks);
    EXPECT_EQ(ex.LastDataRow(), r.lastRow);
    EXPECT_EQ(ex.FooterRow(), r.lastRow + 1);
    EXPECT_EQ(static_cast<int>(counted.size()), r.records);
    EXPECT_EQ(ex.Worksheet()->name(), "Table1");
    if (r.records > 0) {
      EXPECT_EQ(value("A" + std::to_string(r.lastRow)),
                CellValue(std::string("Kunde ") + std::to_string(r.records)));
      EXPECT_EQ(value("B2"), CellValue(1.5));
      EXPECT_EQ(value("C3"), CellValue(2.0));
      EXPECT_EQ(value("D2"), CellValue(DateValue{45366}));
      EXPECT_EQ(value("E2"), CellValue(true));
      EXPECT_EQ(value("E3"), CellValue(false));
      EXPECT_EQ(value("F2"), CellValue(std::string("=1+1"))) << "a text is never a formula";
      EXPECT_EQ(at("F2").formula(), "");
    }
    EXPECT_EQ(t.recNo(), r.records ? 1 : 0) << "the position is restored";
    EXPECT_FALSE(t.controlsDisabled());
    ex.DisconnectExcel();
  }
}

TEST_F(ExcelExportTest, HeaderLinesMoveTitlesAndDataAndTheSummaryAndFooterFollow) {
  const struct {
    TSummarySelection selection;
    std::vector<std::string> given;
    TSummaryCalculation calculation;
    const char* b8;  // the summary cells of Betrag, Anzahl and Datum
    const char* c8;
    const char* d8;
    double betrag;
  } rows[] = {
      {ssGiven, {"betrag"}, scSUM, "=SUM(B5:B7)", "", "", 7.5},
      {ssValues, {}, scMAX, "=MAX(B5:B7)", "=MAX(C5:C7)", "", 3.5},
      {ssValues, {}, scMIN, "=MIN(B5:B7)", "=MIN(C5:C7)", "", 1.5},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.b8);
    db::TTable& t = liste(3);
    hidden(t);
    ex.SetHeaderText({"Kundenliste", "=Stand", "März"});
    ex.SetFooterText({"Ende", "der Liste"});
    ex.SummarySelection = r.selection;
    ex.SetSummaryFields(r.given);
    ex.SummaryCalculation = r.calculation;
    ex.ExportDataset();
    EXPECT_EQ(text("A1") + "|" + text("A2") + "|" + text("A3"), "Kundenliste|=Stand|März");
    EXPECT_EQ(text("A4") + "|" + text("B4") + "|" + text("F4"), "Name|Betrag|Notiz");
    EXPECT_EQ(text("A5") + "|" + text("A7"), "Kunde 1|Kunde 3");
    EXPECT_EQ(at("B8").formula(), r.b8);
    EXPECT_EQ(at("C8").formula(), r.c8);
    EXPECT_EQ(at("D8").formula(), r.d8) << "dates are not summed";
    EXPECT_EQ(value("B8"), CellValue(r.betrag));
    EXPECT_EQ(text("A9") + "|" + text("A10"), "Ende|der Liste");
    EXPECT_EQ(ex.FooterRow(), 9);
    ex.DisconnectExcel();
  }
}

TEST_F(ExcelExportTest, HiddenFieldsFollowVisibleFieldsOnlyAndBlobsAreNeverExported) {
  for (bool visibleOnly : {true, false}) {
    SCOPED_TRACE(visibleOnly);
    db::TTable& t = liste(2);
    t.fields(1).setVisible(false);
    t.fields(0).setDisplayLabel("Kunde");
    hidden(t);
    ex.VisibleFieldsOnly = visibleOnly;
    ex.ExportDataset();
    EXPECT_EQ(text("A1") + "|" + text("B1"), visibleOnly ? "Kunde|Anzahl" : "Kunde|Betrag");
    EXPECT_EQ(text("B2"), visibleOnly ? "1" : "1,5");
    ex.DisconnectExcel();
  }

  // The custom pipe: a text, a Blob, a graphic and a number field, two records.
  const std::vector<std::pair<std::string, TFieldType>> fields = {
      {"Text", ftString}, {"Daten", ftBlob}, {"Bild", ftGraphic}, {"Zahl", ftInteger}};
  int record = 0;
  ex.ResetFormatting();
  ex.DataPipe = dpCustom;
  ex.WorksheetName = "Eigen";
  ex.ExcelVisible = false;
  ex.OnGetFieldCount = [&](TComponent&, int& n) { n = static_cast<int>(fields.size()); };
  ex.OnGetFieldName = [&](TComponent&, int i, std::string& s) { s = fields[static_cast<size_t>(i)].first; };
  ex.OnGetFieldDataType = [&](TComponent&, int i, TFieldType& t) {
    t = fields[static_cast<size_t>(i)].second;
  };
  ex.OnGotoFirstRecord = [&](TComponent&) { record = 1; };
  ex.OnGotoNextRecord = [&](TComponent&) { ++record; };
  ex.OnGetEOF = [&](TComponent&, bool& eof) { eof = record > 2; };
  ex.OnGetFieldValue = [&](TComponent&, int i, Variant& v) {
    if (i == 0) v = std::string("Zeile ") + std::to_string(record);
    if (i == 3) v = static_cast<long long>(record * 100);
  };
  ex.ExportDataset();
  EXPECT_EQ(ex.Worksheet()->name(), "Eigen");
  EXPECT_EQ(text("A1") + "|" + text("B1") + "|" + text("C1"), "Text|Zahl|");
  EXPECT_EQ(value("A3"), CellValue(std::string("Zeile 2")));
  EXPECT_EQ(value("B3"), CellValue(200.0));
  ex.DisconnectExcel();
  ex.DataPipe = dpDataSet;
}

TEST_F(ExcelExportTest, NumberFormatsKeepTheFieldsCodesAndFallBackWhenRefused) {
  using db::FieldType;
  db::TTable& t = table({{{"Name", FieldType::Alpha, 10},
                          {"Betrag", FieldType::Money, 0},
                          {"Anzahl", FieldType::Short, 0},
                          {"Preis", FieldType::Number, 0},
                          {"Datum", FieldType::Date, 0}},
                         0},
                        {{"0815", "1234,5", "3", "2,25", "01.02.2024"}});
  t.fields(1).setDisplayFormat("#,##0.00 €");
  t.fields(2).setDisplayFormat("0.0\"");  // an open quote: refused
  t.fields(3).setDisplayFormat("[Red");   // an open bracket: refused
  ex.SetDataset(&t);
  ex.ExcelVisible = false;
  ex.ExportDataset();
  const std::pair<const char*, const char*> rows[] = {
      {"A2", "@"},
      {"B2", "#,##0.00 €"},
      {"C2", "0"},
      {"D2", "0.00"},
      {"E2", "dd.mm.yyyy"},
      {"B9999", "#,##0.00 €"},
      {"B100000", "#,##0.00 €"},
      {"F2", "General"},
  };
  for (const auto& [cell, format] : rows) {
    SCOPED_TRACE(cell);
    EXPECT_EQ(style(cell).numberFormat, format);
  }
  // The formats belong to the columns: the sheet holds the title and the one record only.
  EXPECT_EQ(ex.Worksheet()->usedRows(), 2);
  EXPECT_EQ(value("A2"), CellValue(std::string("0815")));
  ex.DisconnectExcel();
}

TEST_F(ExcelExportTest, ColumnWidthStylesSizeTheExportedColumns) {
  const struct {
    TStyleColumnWidth style;
    int dataSize;                // FontData's size
    int betragWidth;             // Betrag's DisplayWidth
    std::optional<double> a, b;  // widths of Name (DisplayWidth 30) and Betrag
  } rows[] = {
      {cwDefault, 8, 10, std::nullopt, std::nullopt},
      {cwFieldDisplayWidth, 8, 10, 24, 8},  // 30 * 0,8; 10 * 0,8
      {cwFieldDisplayWidth, 5, 5, 15, 2},   // 2,5 rounds to even
      {cwFieldDisplayWidth, 5, 7, 15, 4},   // 3,5 rounds to even
      {cwFieldDataSize, 8, 10, 25, 6},      // (30 + 1) * 0,8; 8 * 0,8
      {cwEnhAutoFit, 8, 10, 24, 8},         // wide enough for its title
      {cwEnhAutoFit, 8, 3, 24, 7},          // 2,4 < (6 + 1) * 0,8 = 5,6: 6 + 1
      {cwOwnerWidth, 8, 10, 13, 13},
      {cwAutoFit, 8, 10, 14.62, 5.16},  // 19 and 6 ("Betrag") characters of size 8
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(std::to_string(r.style) + "/" + std::to_string(r.dataSize) + "/" +
                 std::to_string(r.betragWidth));
    db::TTable& t = table(listeStructure(), {{"Müller-Lüdenscheidt", "1,5"}});
    t.fields(1).setDisplayWidth(r.betragWidth);
    hidden(t);
    ex.StyleColumnWidth = r.style;
    ex.ColumnWidth = 13;
    ex.FontData().Size = r.dataSize;
    ex.ExportDataset();
    const auto& widths = ex.Worksheet()->columnWidths();
    auto width = [&](int c) { return widths.count(c) ? std::optional<double>(widths.at(c)) : std::nullopt; };
    EXPECT_EQ(width(1), r.a);
    EXPECT_EQ(width(2), r.b);
    ex.DisconnectExcel();
  }
}

TEST_F(ExcelExportTest, GroupsFindTheirColumnsAmongTheExportedFields) {
  using db::FieldType;
  // A hidden field in front of the group fields: the groups stay in the columns of Ort and Name.
  db::TTable& t = table({{{"Intern", FieldType::Alpha, 5},
                          {"Ort", FieldType::Alpha, 20},
                          {"Name", FieldType::Alpha, 20},
                          {"Betrag", FieldType::Money, 0}},
                         0},
                        {{"x", "Berlin", "A", "1"},
                         {"x", "Berlin", "A", "2"},
                         {"x", "Berlin", "B", "4"},
                         {"x", "Köln", "C", "8"}});
  t.fields(0).setVisible(false);
  ex.SetDataset(&t);
  ex.ExcelVisible = false;
  ex.SetGroupFields({"Ort", "Name"});
  ex.SummarySelection = ssGiven;
  ex.SetSummaryFields({"Betrag"});
  ex.ExportDataset();

  // Rows: 2 Berlin, 3 A, 4-5 data, 6 B, 7 data, 8 Köln, 9 C, 10 data, 11 the summary.
  EXPECT_EQ(rowTexts(11, 3), (std::vector<std::string>{"Ort|Name|Betrag", "Berlin||", "|A|", "||1", "||2",
                                                       "|B|", "||4", "Köln||", "|C|", "||8", "||15"}));
  EXPECT_EQ(at("C11").formula(), "=SUM(C4:C10)") << "moved by each inserted row, as a spreadsheet moves it";
  const int levels[] = {0, 0, 0, 1, 2, 2, 1, 2, 0, 1, 2, 0};
  for (int row = 1; row <= 11; ++row) EXPECT_EQ(level(row), levels[row]) << "row " << row;
  EXPECT_EQ(ex.FooterRow(), 12);
  EXPECT_EQ(ex.Worksheet()->outline().summaryRow, office::xlSummaryAbove);
  EXPECT_EQ(style("A2").fontSize, 8) << "the outer level's headers";
  EXPECT_EQ(style("C2").fontSize, 8) << "across the row";
  EXPECT_EQ(style("B3").fontSize, 6) << "each level two points smaller";
  EXPECT_EQ(ex.FontGroup().Size, 4);
  EXPECT_EQ(t.recNo(), 1);

  ex.DisconnectExcel();
  ex.SetGroupFields({"Fehlt"});
  ex.ExcelVisible = false;
  EXPECT_THROW(ex.ExportDataset(), EExcelExport);
  EXPECT_FALSE(t.controlsDisabled());
  ex.DisconnectExcel();
}

}  // namespace
}  // namespace riviza::test
