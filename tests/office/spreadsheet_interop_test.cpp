// The layer against independent tools: what it writes, openpyxl reads back property by property
// and LibreOffice converts with the values shown; what openpyxl and LibreOffice write, its
// readers read as a user typed it.
#include <gtest/gtest.h>

#include "office_fixture.h"
#include "sheet_oracles.h"
#include "support/temp_dir.h"

namespace riviza::test {
namespace {

using namespace riviza::office;

class Interop : public OfficeTest {
 protected:
  TempDir dir;
};

TEST_F(Interop, OpenpyxlAndLibreOfficeReadWhatTheLayerWrites) {
  ASSERT_TRUE(sheet->setName("Liste"));
  ASSERT_TRUE(at("A1").setValue(std::string("=1+1")));
  ASSERT_TRUE(at("B1").setValue(1234.5));
  ASSERT_TRUE(at("C1").setValue(DateValue{45366}));
  ASSERT_TRUE(at("D1").setValue(true));
  ASSERT_TRUE(at("B2").setValue(0.25));
  ASSERT_TRUE(at("B3").setFormula("=SUM(B1:B2)"));
  // Before 1 March 1900 Excel's serials are one below ours; before 1900 it has none at all.
  ASSERT_TRUE(at("C3").setValue(DateValue{47}));  // 15.02.1900
  ASSERT_TRUE(at("C4").setValue(DateValue{1}));   // 31.12.1899
  ASSERT_TRUE(at("B1", "B3").setNumberFormat("#,##0.00"));
  ASSERT_TRUE(at("A1", "D1").setFont({.name = "Arial", .size = 8.0, .color = 0x0000FF, .bold = true}));
  ASSERT_TRUE(at("A2").setFont({.italic = true, .underline = true}));
  ASSERT_TRUE(at("A1", "B2").setInteriorColor(0xC0DCC0));
  ASSERT_TRUE(at("C2").setHorizontalAlignment(xlHAlignCenter));
  ASSERT_TRUE(at("C2").setWrapText(true));
  ASSERT_TRUE(at("C2").setOrientation(xlUpward));
  ASSERT_TRUE(at("A1").setColumnWidth(12));
  // The widest is B3's "1.234,75" in Calibri 11: 8.8 characters, stored as 67 pixels.
  ASSERT_TRUE(at("B1").autoFitColumns());
  ASSERT_TRUE(at("A5", "A7").groupRows());
  ASSERT_TRUE(at("A6").groupRows());
  ASSERT_TRUE(sheet->setSummaryRow(xlSummaryAbove));
  ASSERT_TRUE(sheet->setPrintGridlines(true));
  ASSERT_TRUE(sheet->setCenterHeader("Liste & Co"));
  // Line style and weight of Excel to the line kinds of the file, each on a left edge.
  const struct {
    int style, weight;
    const char* kind;
  } lines[] = {
      {xlContinuous, xlHairline, "hair"},
      {xlContinuous, xlThin, "thin"},
      {xlContinuous, xlMedium, "medium"},
      {xlContinuous, xlThick, "thick"},
      {xlDash, xlThin, "dashed"},
      {xlDash, xlMedium, "mediumDashed"},
      {xlDashDot, xlThin, "dashDot"},
      {xlDashDot, xlThick, "mediumDashDot"},
      {xlDashDotDot, xlThin, "dashDotDot"},
      {xlDashDotDot, xlMedium, "mediumDashDotDot"},
      {xlDot, xlThin, "dotted"},
      {xlDouble, xlThick, "double"},
      {xlSlantDashDot, xlMedium, "slantDashDot"},
  };
  for (size_t i = 0; i < std::size(lines); ++i)
    ASSERT_TRUE(
        at("F" + std::to_string(i + 1)).setBorder(xlEdgeLeft, {lines[i].style, lines[i].weight, 0xFF0000}));
  ASSERT_TRUE(at("H2", "I3").setBorder(xlInsideHorizontal, {xlContinuous, xlThin, {}}));
  auto second = *book->addWorksheet();
  ASSERT_TRUE(at("A1", "", second.get()).setValue(std::string("zweites Blatt")));
  auto saved = book->saveAs((dir / "liste.xlsx").string(), xlWorkbookDefault);
  ASSERT_TRUE(saved) << saved.error().describe();

  auto d = openpyxlDump(*saved);
  const std::pair<const char*, const char*> expected[] = {
      {"sheets", "Tabelle1|Liste"},
      {"Liste!A1.type", "s"},
      {"Liste!A1.value", "=1+1"},
      {"Liste!B1.type", "n"},
      {"Liste!B1.value", "1234.5"},
      {"Liste!C1.type", "d"},
      {"Liste!C1.value", "2024-03-15 00:00:00"},
      {"Liste!C1.format", "dd.mm.yyyy"},
      {"Liste!C3.type", "d"},
      {"Liste!C3.value", "1900-02-15 00:00:00"},
      {"Liste!C4.type", "s"},
      {"Liste!C4.value", "31.12.1899"},
      {"Liste!D1.type", "b"},
      {"Liste!D1.value", "True"},
      {"Liste!B3.type", "f"},
      {"Liste!B3.value", "=SUM(B1:B2)"},
      {"Liste!B3.cached", "1234.75"},
      {"Liste!B1.format", "#,##0.00"},
      {"Liste!A1.font", "Arial,8,b,,,FFFF0000"},
      {"Liste!A2.font", "Calibri,11,,i,u,-"},
      {"Liste!A1.fill", "FFC0DCC0"},
      {"Liste!C1.fill", "-"},
      {"Liste!C2.align", "center"},
      {"Liste!C2.wrap", "True"},
      {"Liste!C2.rotation", "90"},
      {"Liste!col.A.width", "12.7109"},
      {"Liste!col.B.width", "9.5703"},
      {"Liste!row.5.level", "1"},
      {"Liste!row.6.level", "2"},
      {"Liste!row.7.level", "1"},
      {"Liste.summaryBelow", "False"},
      {"Liste.gridlines", "True"},
      {"Liste.header", "Liste && Co"},
      {"Liste!H2.border", "-,-,thin:-,-"},
      {"Liste!I3.border", "-,thin:-,-,-"},
      {"Tabelle1!A1.value", "zweites Blatt"},
  };
  for (const auto& [key, value] : expected) {
    SCOPED_TRACE(key);
    EXPECT_EQ(d[key], value);
  }
  for (size_t i = 0; i < std::size(lines); ++i) {
    SCOPED_TRACE(lines[i].kind);
    EXPECT_EQ(d["Liste!F" + std::to_string(i + 1) + ".border"],
              std::string(lines[i].kind) + ":FF0000FF,-,-,-");
  }

  LibreOffice lo;
  auto csv = lo.csvSheets(*saved);
  ASSERT_EQ(csv["Liste"].size(), 4u) << "rows without values are not written";
  EXPECT_EQ(csv["Liste"][0], "=1+1;1,234.50;15.03.2024;TRUE");
  EXPECT_EQ(csv["Liste"][1], ";0.25;;");
  // LibreOffice counts without Excel's leap day of 1900 (its C3 reads 14.02.1900): openpyxl, which
  // reads serials as Excel and the file format do, is the oracle of C3.
  EXPECT_TRUE(csv["Liste"][2].starts_with(";1,234.75;")) << csv["Liste"][2];
  EXPECT_EQ(csv["Liste"][3], ";;31.12.1899;");
  EXPECT_EQ(csv["Tabelle1"], std::vector<std::string>{"zweites Blatt"});
}

TEST_F(Interop, ReadersTakeWhatOpenpyxlAndLibreOfficeWroteAsAUserTypedIt) {
  openpyxlWrite(R"py(ws = wb.active
ws.title = "Leistungen"
ws.append(["Schlüssel", "PZN", "Text", "Preis"])
ws.append(["ABC1", 1234567, "Gehhilfe für Ältere", 12.5])
ws.append(["abc2", "123456789", "Rollator", datetime.date(2024, 3, 15)])
ws.append([None, 7, "nach der Lücke", 0.1])
ws.append(["vor März 1900", 1, "", datetime.date(1900, 2, 15)])
ws["E2"] = "=SUM(D2:D2)"
wb.create_sheet("Zweites")["B2"] = True
)py",
                dir / "artImp.xlsx");
  LibreOffice lo;
  ASSERT_TRUE(lo.convert(dir / "artImp.xlsx", "xls", dir.path()));
  openpyxlWrite(R"py(wb.epoch = openpyxl.utils.datetime.CALENDAR_MAC_1904
wb.active["A1"] = datetime.date(2024, 3, 15))py",
                dir / "mac.xlsx");

  const struct {
    const char* cell;
    const char* text;
  } cells[] = {
      {"A1", "Schlüssel"},      {"B2", "1234567"},   {"C2", "Gehhilfe für Ältere"}, {"D2", "12,5"},
      {"A3", "abc2"},           {"B3", "123456789"}, {"D3", "15.03.2024"},          {"A4", ""},
      {"C4", "nach der Lücke"}, {"D4", "0,1"},       {"D5", "15.02.1900"},
  };
  for (const char* file : {"artImp.xlsx", "artImp.xls"}) {
    SCOPED_TRACE(file);
    auto book = app->openWorkbook((dir / file).string());
    ASSERT_TRUE(book) << book.error().describe();
    ASSERT_EQ((*book)->worksheetCount(), 2);
    auto s = (*book)->worksheet(1);
    EXPECT_EQ(s->name(), "Leistungen");
    EXPECT_EQ((*book)->worksheet(2)->name(), "Zweites");
    EXPECT_EQ(s->rowsCount(), std::string(file).ends_with(".xls") ? 65536 : 1048576);
    for (const auto& c : cells) {
      SCOPED_TRACE(c.cell);
      EXPECT_EQ(s->range(c.cell, c.cell)->text(), c.text);
    }
    // A formula whose result the reader does not get (openpyxl stores none, freexl hands none
    // over) stays a formula cell instead of reading as an empty one.
    EXPECT_EQ(s->range("E2", "E2")->formula(), std::string(file).ends_with(".xls") ? "=" : "=SUM(D2:D2)");
    EXPECT_EQ(s->range("D2", "D2")->formula(), "");
    (*book)->close();
  }
  auto mac = app->openWorkbook((dir / "mac.xlsx").string());
  ASSERT_TRUE(mac);
  EXPECT_EQ((*mac)->worksheet(1)->range("A1", "A1")->text(), "15.03.2024");
}

}  // namespace
}  // namespace riviza::test
