// The workbook model: cell names, typed values and their text, formulas and inserted rows,
// sheet names, ranges refusing what Excel refuses, and borders of a block.
#include <gtest/gtest.h>

#include "office/a1.h"
#include "office/errors.h"
#include "office/formula.h"
#include "office_fixture.h"

namespace riviza::test {
namespace {

using namespace riviza::office;

TEST(A1Names, ColumnLettersAndCellNamesOfTheWholeSheet) {
  const struct {
    int column;
    const char* letters;
  } columns[] = {{1, "A"},    {26, "Z"},    {27, "AA"},     {52, "AZ"}, {53, "BA"},
                 {702, "ZZ"}, {703, "AAA"}, {16384, "XFD"}, {0, ""},    {16385, ""}};
  for (const auto& c : columns) {
    SCOPED_TRACE(c.column);
    EXPECT_EQ(columnName(c.column), c.letters);
    if (*c.letters) {
      EXPECT_EQ(columnNumber(c.letters), c.column);
    }
  }
  const struct {
    const char* name;
    std::optional<CellRef> cell;
  } names[] = {{"B7", CellRef{7, 2}},      {"$b$7", CellRef{7, 2}}, {"XFD1048576", CellRef{1048576, 16384}},
               {"aa10", CellRef{10, 27}},  {"XFE1", std::nullopt},  {"A0", std::nullopt},
               {"A1048577", std::nullopt}, {"7B", std::nullopt},    {"A", std::nullopt},
               {"", std::nullopt},         {"A1B", std::nullopt},   {"A01", std::nullopt}};
  for (const auto& n : names) {
    SCOPED_TRACE(n.name);
    EXPECT_EQ(parseA1(n.name), n.cell);
  }
}

TEST(CellText, ValuesReadAsAGermanUserTypedThem) {
  const struct {
    CellValue value;
    const char* text;
  } rows[] = {
      {1234567.0, "1234567"},
      {12.5, "12,5"},
      {-0.25, "-0,25"},
      {1e20, "1E20"},
      {1.5e-7, "1,5E-7"},
      {0.1 + 0.2, "0,3"},
      {DateValue{45366}, "15.03.2024"},
      {DateValue{45366.4375}, "15.03.2024 10:30:00"},
      {DateValue{0.5}, "12:00:00"},
      {true, "WAHR"},
      {false, "FALSCH"},
      {std::string("0123"), "0123"},
      {CellValue{}, ""},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.text);
    EXPECT_EQ(cellText(r.value), r.text);
  }
}

class Model : public OfficeTest {};

TEST_F(Model, TextStaysTextAndDatesEnteredIntoGeneralCellsGetADateFormat) {
  ASSERT_TRUE(at("A1").setValue(std::string("=1+1")));
  EXPECT_EQ(value("A1"), CellValue(std::string("=1+1")));
  EXPECT_EQ(at("A1").formula(), "");
  ASSERT_TRUE(at("B1").setValue(DateValue{45366}));
  ASSERT_TRUE(at("B2").setValue(DateValue{45366.5}));
  ASSERT_TRUE(at("C1").setNumberFormat("0.00"));
  ASSERT_TRUE(at("C1").setValue(DateValue{45366}));
  EXPECT_EQ(style("B1").numberFormat, "dd.mm.yyyy");
  EXPECT_EQ(style("B2").numberFormat, "dd.mm.yyyy hh:mm:ss");
  EXPECT_EQ(style("C1").numberFormat, "0.00");
  ASSERT_TRUE(at("D1", "E2").setValue(7.0));  // a value fills the whole range
  EXPECT_EQ(value("E2"), CellValue(7.0));
  ValueBlock block(2, 2);
  block.at(0, 0) = 1.0, block.at(1, 1) = std::string("x");
  ASSERT_TRUE(at("D1", "F1").setValues(block));  // only the overlap is written
  EXPECT_EQ(value("D1"), CellValue(1.0));
  EXPECT_EQ(value("E1"), CellValue());
  EXPECT_EQ(value("D2"), CellValue(7.0));
}

TEST(Formulas, InsertedRowsMoveTheReferencesASpreadsheetMoves) {
  const struct {
    const char* before;
    const char* sheet;
    bool qualifiedOnly;
    const char* after;  // rows inserted: 2 at row 10
  } rows[] = {
      {"=SUM(A2:A46)", "Tab", false, "=SUM(A2:A48)"},
      {"=SUM(A10:B12)", "Tab", false, "=SUM(A12:B14)"},
      {"=A9+B10", "Tab", false, "=A9+B12"},
      {"=$A$10*A$20", "Tab", false, "=$A$12*A$22"},
      {"=\"A10\"&A10", "Tab", false, "=\"A10\"&A12"},
      {"=LOG10(A10)", "Tab", false, "=LOG10(A12)"},
      {"=SUM(3:11)", "Tab", false, "=SUM(3:13)"},
      {"='Mein Blatt'!A10+A10", "mein blatt", true, "='Mein Blatt'!A12+A10"},
      {"=Tab!A10:B12+Other!A10", "Tab", true, "=Tab!A12:B14+Other!A10"},
      {"=Other!A10", "Tab", false, "=Other!A10"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.before);
    EXPECT_EQ(shiftRowReferences(r.before, r.sheet, r.qualifiedOnly, 10, 2), r.after);
  }
}

TEST_F(Model, FormulasGiveTheResultsTheWriterStores) {
  for (const char* a1 : {"A1", "A2", "A3"})
    ASSERT_TRUE(at(a1).setValue(static_cast<double>(a1[1] - '0') * 10));
  ASSERT_TRUE(at("A4").setValue(std::string("Text")));
  ASSERT_TRUE(at("B1").setValue(DateValue{2}));
  const struct {
    const char* formula;
    std::optional<double> result;
  } rows[] = {
      {"=SUM(A1:A4)", 60},
      {"=MIN(A1:A4)", 10},
      {"=MAX(A1:A3,B1)", 30},
      {"=AVERAGE(A1:A3)", 20},
      {"=COUNT(A1:B4)", 4},
      {"=SUM(A1,5,SUM(A2:A3))", 65},
      {"=A2", 20},
      {"=C9", 0},
      {"=MAX(C1:C9)", 0},
      {"=A4", std::nullopt},
      {"=ROUND(A1,0)", std::nullopt},
      {"=Other!A1", std::nullopt},
      {"=AVERAGE(C1:C3)", std::nullopt},
      {"=SUM(A1:A3", std::nullopt},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.formula);
    EXPECT_EQ(evaluateFormula(r.formula, *sheet), r.result);
  }
}

TEST_F(Model, InsertingRowsMovesCellsFormulasStylesAndLevels) {
  auto other = *book->addWorksheet();
  for (int r = 1; r <= 5; ++r) ASSERT_TRUE(at("A" + std::to_string(r)).setValue(static_cast<double>(r)));
  ASSERT_TRUE(at("A1", "B2").setFont({.bold = true}));
  ASSERT_TRUE(at("A3", "A5").groupRows());
  ASSERT_TRUE(at("A7").setFormula("=SUM(A1:A5)"));
  ASSERT_TRUE(at("A1", "", other.get()).setFormula("=Tabelle1!A4"));

  ASSERT_TRUE(at("C3", "C4").insertRows());  // two rows above row 3

  EXPECT_EQ(value("A2"), CellValue(2.0));
  EXPECT_EQ(value("A3"), CellValue());
  EXPECT_EQ(value("A5"), CellValue(3.0));
  EXPECT_EQ(at("A9").formula(), "=SUM(A1:A7)");
  EXPECT_EQ(value("A9"), CellValue(15.0));
  EXPECT_EQ(at("A1", "", other.get()).formula(), "=Tabelle1!A6");
  EXPECT_TRUE(style("B3").bold) << "inserted rows take the formats of the row above";
  EXPECT_EQ(sheet->row(3)->level, 0) << "between an ungrouped row and a grouped one";
  EXPECT_EQ(sheet->row(5)->level, 1);
  EXPECT_EQ(sheet->row(7)->level, 1);
}

TEST_F(Model, SheetNamesAreMadeValidAndFoundIgnoringCase) {
  const struct {
    const char* asked;
    const char* given;
  } rows[] = {
      {"Patienten", "Patienten"},
      {"A/B:C*D?E[F]G\\H", "A_B_C_D_E_F_G_H"},
      {"'Zitat'", "_Zitat_"},
      {"Bestandserhebung der Sportvereine 2024", "Bestandserhebung der Sportverei"},
      {"Größenänderungen über dreißig Zeichen", "Größenänderungen über dreißig Z"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.asked);
    ASSERT_TRUE(sheet->setName(r.asked));
    EXPECT_EQ(sheet->name(), r.given);
    EXPECT_EQ(book->findWorksheet(r.asked), sheet);
  }
  ASSERT_TRUE(sheet->setName("Patienten"));
  EXPECT_EQ(book->findWorksheet("PATIENTEN"), sheet);
  auto second = *book->addWorksheet();
  EXPECT_EQ(second->name(), "Tabelle1") << "the first sheet no longer holds that name";
  EXPECT_EQ(book->activeSheet(), second);
  EXPECT_EQ(book->worksheet(1), second) << "added before the active sheet";
  Status taken = second->setName("patienten");
  ASSERT_FALSE(taken);
  EXPECT_EQ(taken.error().code, kSheetName);
  EXPECT_EQ(second->setName("").error().code, kBadValue);
  EXPECT_EQ(second->name(), "Tabelle1");
}

TEST_F(Model, RangesRefuseWhatExcelRefusesAndChangeNothing) {
  ASSERT_TRUE(at("A1").setValue(1.0));
  const uint32_t before = sheet->cell(1, 1)->style;
  const struct {
    const char* what;
    std::function<Status()> call;
  } rows[] = {
      {"border index 13",
       [&] {
         return at("A1").setBorder(13, {xlContinuous, {}, {}});
       }},
      {"line style 99",
       [&] {
         return at("A1").setBorder(xlEdgeTop, {99, {}, {}});
       }},
      {"weight 3",
       [&] {
         return at("A1").setBorder(xlEdgeTop, {xlContinuous, 3, {}});
       }},
      {"orientation 91", [&] { return at("A1").setOrientation(91); }},
      {"alignment 5", [&] { return at("A1").setHorizontalAlignment(5); }},
      {"fill colour", [&] { return at("A1").setInteriorColor(0x1000000); }},
      {"font size 0", [&] { return at("A1").setFont({.size = 0.0}); }},
      {"empty font name", [&] { return at("A1").setFont({.name = std::string()}); }},
      {"width 256", [&] { return at("A1").setColumnWidth(256); }},
      {"open quote", [&] { return at("A1").setNumberFormat("0.0\""); }},
      {"open bracket", [&] { return at("A1").setNumberFormat("[Red"); }},
      {"five sections", [&] { return at("A1").setNumberFormat("0;0;0;@;0"); }},
      {"summary row 2", [&] { return sheet->setSummaryRow(2); }},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    Status s = r.call();
    ASSERT_FALSE(s);
    EXPECT_EQ(s.error().code, kBadValue);
  }
  EXPECT_EQ(sheet->cell(1, 1)->style, before);
  EXPECT_TRUE(sheet->columnWidths().empty());
  EXPECT_EQ(sheet->range("A1", "B0").error().code, kBadCellName);
  for (int level = 1; level <= 7; ++level) ASSERT_TRUE(at("A2", "A3").groupRows()) << level;
  EXPECT_EQ(at("A2").groupRows().error().code, kBadValue) << "an eighth level";
}

TEST_F(Model, BordersOfABlockGoToItsEdgesAndBetweenItsCells) {
  // B2:D4; each index sets the sides below on the corner and middle cells.
  const struct {
    int index;
    const char* b2;  // sides of B2: l t b r
    const char* c3;
    const char* d4;
  } rows[] = {
      {xlEdgeLeft, "l", "", ""},  {xlEdgeTop, "t", "", ""},           {xlEdgeBottom, "", "", "b"},
      {xlEdgeRight, "", "", "r"}, {xlInsideVertical, "r", "lr", "l"}, {xlInsideHorizontal, "b", "tb", "t"},
  };
  auto sides = [&](const std::string& a1) {
    std::string s;
    const Style& st = style(a1);
    for (auto [side, letter] : {std::pair{kLeft, 'l'}, {kTop, 't'}, {kBottom, 'b'}, {kRight, 'r'}})
      if (st.borders[side].lineStyle != xlLineStyleNone) s += letter;
    return s;
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.index);
    ASSERT_TRUE(at("A1", "E5").clear());
    ASSERT_TRUE(at("B2", "D4").setBorder(r.index, {xlContinuous, xlThin, 0x0000FF}));
    EXPECT_EQ(sides("B2"), r.b2);
    EXPECT_EQ(sides("C3"), r.c3);
    EXPECT_EQ(sides("D4"), r.d4);
    EXPECT_EQ(sides("A1") + sides("E5"), "");
  }
}

TEST_F(Model, ClearRemovesFormatsClearContentsKeepsThem) {
  ASSERT_TRUE(at("A1", "A2").setValue(std::string("x")));
  ASSERT_TRUE(at("A1", "A2").setFont({.italic = true}));
  ASSERT_TRUE(at("A1").clear());
  ASSERT_TRUE(at("A2").clearContents());
  EXPECT_EQ(value("A1"), CellValue());
  EXPECT_FALSE(style("A1").italic);
  EXPECT_EQ(value("A2"), CellValue());
  EXPECT_TRUE(style("A2").italic);
}

TEST_F(Model, AutoFitMeasuresTheTextAsItsFontAndFormatShowIt) {
  ASSERT_TRUE(at("A1").setValue(std::string("abcdefghij")));  // 10 characters, Calibri 11
  ASSERT_TRUE(at("B1").setValue(std::string("abcdefghij")));
  ASSERT_TRUE(at("B1").setFont({.size = 22.0}));
  ASSERT_TRUE(at("C1").setValue(1234567.5));
  ASSERT_TRUE(at("C1").setNumberFormat("#,##0.00 \"EUR\""));               // "1.234.567,50 EUR": 16
  ASSERT_TRUE(at("D1").setValue(std::string("kurz\nein längerer Satz")));  // 17 on the longest line
  ASSERT_TRUE(at("A1", "E1").autoFitColumns());
  const auto& w = sheet->columnWidths();
  EXPECT_DOUBLE_EQ(w.at(1), 10.8);
  EXPECT_DOUBLE_EQ(w.at(2), 20.8);
  EXPECT_DOUBLE_EQ(w.at(3), 16.8);
  EXPECT_DOUBLE_EQ(w.at(4), 17.8);
  EXPECT_EQ(w.count(5), 0u) << "an empty column keeps its width";
}

TEST_F(Model, ClosedWorkbooksAndQuitApplicationsRefuseEveryCall) {
  auto kept = sheet;
  book->close();
  EXPECT_EQ(app->workbookCount(), 0);
  EXPECT_EQ(app->activeWorkbook(), nullptr);
  EXPECT_EQ(kept->range("A1", "A1").error().code, kClosed);
  EXPECT_EQ(kept->setName("x").error().code, kClosed);

  EXPECT_EQ(Application::running(), app);
  EXPECT_EQ(Application::connect(), app);
  auto second = Application::start();
  EXPECT_EQ(Application::connect(), second) << "the newest started one is the running one";
  second->quit();
  EXPECT_EQ(Application::running(), nullptr);
  EXPECT_EQ(second->addWorkbook().error().code, kClosed);
}

}  // namespace
}  // namespace riviza::test
