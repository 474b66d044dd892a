// TExcelExport's connection: the running instance, the visible workbook handed to the user in
// the export folder, workbooks discarded without a prompt, an existing sheet written again,
// saving, print preview, background colours, and the exceptions of the component.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "excel_export_fixture.h"
#include "office/errors.h"
#include "office/file_formats.h"

namespace riviza::test {
namespace {

using office::CellValue;

std::vector<std::string> filesIn(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  if (std::filesystem::is_directory(folder))
    for (const auto& e : std::filesystem::directory_iterator(folder))
      names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST_F(ExcelExportTest, InvisibleExportsAreDiscardedVisibleOnesSavedAndOpenedForTheUser) {
  db::TTable& t = liste(3);
  ex.SetDataset(&t);
  ex.ExcelVisible = false;
  ex.ExportDataset();
  ex.DisconnectExcel();
  EXPECT_FALSE(ex.Connected());
  EXPECT_EQ(office::Application::running(), nullptr) << "no instance remains";
  EXPECT_TRUE(opened.empty());
  EXPECT_TRUE(filesIn(exportDir()).empty());

  ex.ExcelVisible = true;
  ex.WorksheetName = "Patienten";
  ex.ExportDataset();
  ASSERT_TRUE(ex.Worksheet()->range("Q1", "Q1")->setValue(std::string("Gültig bis")));
  ex.DisconnectExcel();
  const auto saved = exportDir() / "Patienten_20240315_103000.xlsx";
  EXPECT_EQ(opened, std::vector<std::string>{saved.string()});
  struct stat st {};
  ASSERT_EQ(::stat(saved.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  ASSERT_TRUE(office::Application::running()) << "the user has it now";
  auto back = std::make_shared<office::Workbook>(nullptr, office::kMaxRows);
  ASSERT_TRUE(office::readXlsx(saved, *back));
  auto sheet = back->findWorksheet("Patienten");
  ASSERT_TRUE(sheet);
  EXPECT_EQ(sheet->range("A4", "A4")->text(), "Kunde 3");
  EXPECT_EQ(sheet->range("Q1", "Q1")->text(), "Gültig bis") << "cells the caller wrote before the end";

  // Into the same sheet of the running instance; its name is found ignoring case and kept.
  ex.ConnectTo = ctNewWorksheet;
  ex.WorksheetName = "PATIENTEN";
  ex.SetBeginRowTitles(10);
  ex.ExportDataset();
  EXPECT_EQ(ex.Workbook()->worksheetCount(), 1);
  EXPECT_EQ(ex.Worksheet()->name(), "Patienten");
  EXPECT_EQ(text("A4") + "|" + text("A10") + "|" + text("A13"), "Kunde 3|Name|Kunde 3");
  ex.DisconnectExcel();
  EXPECT_EQ(opened.back(), (exportDir() / "Patienten_20240315_103000_2.xlsx").string());

  ex.ConnectTo = ctNewWorkbook;
  ex.WorksheetName.clear();
  ex.ConnectExcel();
  EXPECT_EQ(ex.Worksheet()->name(), "Table1") << "the dataset component's name";
  EXPECT_EQ(office::Application::running()->workbookCount(), 2);
  ex.DisconnectExcel();
  EXPECT_EQ(opened.back(), (exportDir() / "Table1_20240315_103000.xlsx").string())
      << "shown as Excel shows it";
  EXPECT_EQ(opened.size(), 3u);
}

TEST_F(ExcelExportTest, AnExistingWorkbookIsOpenedAndItsSheetFound) {
  db::TTable& t = liste(2);
  ex.SetDataset(&t);
  ex.ExcelVisible = false;
  ex.WorksheetName = "Daten";
  ex.ExportDataset();
  ex.SaveWorksheetAs((daten.path() / "vorher.xlsx").string(), 0);
  ex.DisconnectExcel();

  const struct {
    const char* sheet;
    int sheets;
  } rows[] = {{"daten", 1}, {"Neu", 2}};
  for (const auto& r : rows) {
    SCOPED_TRACE(r.sheet);
    ex.Filename = "  " + (daten.path() / "vorher.xlsx").string() + " ";
    ex.WorksheetName = r.sheet;
    ex.SetBeginRowTitles(5);
    ex.ExportDataset();
    EXPECT_EQ(ex.Workbook()->worksheetCount(), r.sheets);
    EXPECT_EQ(ex.Worksheet()->name(), r.sheet == std::string("daten") ? "Daten" : "Neu");
    EXPECT_EQ(text("A5"), "Name");
    EXPECT_EQ(text("A1"), r.sheets == 1 ? "Name" : "") << "the old cells of the sheet stay";
    ex.DisconnectExcel();
  }
}

TEST_F(ExcelExportTest, SaveKindsAndPrintPreview) {
  db::TTable& t = liste(2);
  ex.SetDataset(&t);
  ex.ExcelVisible = false;
  ex.WorksheetName = "Liste";
  ex.ExportDataset();
  const auto dir = daten.path() / "Ablage";
  std::filesystem::create_directories(dir);
  ex.SaveWorksheetAs((dir / "null.xlsx").string(), 0);
  ex.SaveWorksheetAs((dir / "eins.xlsx").string(), 1);
  ex.SaveWorksheetAs((dir / "zwei.csv").string(), 2);
  ex.SaveWorksheetAs((dir / "drei.xls").string(), 3);
  ex.SaveWorksheetAs((dir / "null.xlsx").string(), 0);  // again: alerts are off, it is replaced
  EXPECT_EQ(filesIn(dir), (std::vector<std::string>{"drei.xlsx", "null.xlsx", "zwei.csv"}));
  EXPECT_EQ(daten.read("Ablage/zwei.csv"),
            "Name;Betrag;Anzahl;Datum;Aktiv;Notiz\r\nKunde 1;1,5;1;15.03.2024;WAHR;=1+1\r\n"
            "Kunde 2;2,5;2;15.03.2024;FALSCH;=1+1\r\n");

  ex.PrintPreviewWorksheet(true);
  EXPECT_TRUE(ex.ExcelVisible);
  EXPECT_TRUE(ex.Application()->visible());
  EXPECT_TRUE(ex.Worksheet()->pageSetup().printGridlines);
  EXPECT_EQ(ex.Worksheet()->pageSetup().centerHeader, "Liste");
  EXPECT_EQ(opened, std::vector<std::string>{(exportDir() / "Liste_20240315_103000.xlsx").string()});
  ex.DisconnectExcel();
  EXPECT_EQ(opened.size(), 1u) << "unchanged since the preview: not shown twice";
}

TEST_F(ExcelExportTest, CellColoursComeFromTheEventOverTheDataBackground) {
  const struct {
    TColor back;
    const char* b2;  // fills of B2 (1,5) and B3 (-2,5)
    const char* b3;
  } rows[] = {{0xFFFFFF, "-", "0000FF"}, {0xFF0000, "FF0000", "0000FF"}};
  for (const auto& r : rows) {
    SCOPED_TRACE(r.back);
    db::TTable& t = table(listeStructure(), {{"a", "1,5"}, {"b", "-2,5"}});
    hidden(t);
    ex.BorderData.BackColor = r.back;
    ex.OnGetCellBackgroundColorEvent = [](TComponent&, db::TField* f, TColor& c) {
      if (f && f->fieldName() == "Betrag" && f->asFloat().valueOr(0) < 0) c = 0xFF0000;  // $BBGGRR: blue
    };
    ex.ExportDataset();
    auto fill = [&](const char* a1) {
      auto f = style(a1).fill;
      char buf[8];
      std::snprintf(buf, sizeof buf, "%06X", f ? *f : 0);
      return f ? std::string(buf) : std::string("-");
    };
    EXPECT_EQ(fill("B2"), r.b2);
    EXPECT_EQ(fill("B3"), r.b3 == std::string("0000FF") ? "FF0000" : r.b3);
    ex.DisconnectExcel();
    ex.OnGetCellBackgroundColorEvent = nullptr;
  }
}

TEST_F(ExcelExportTest, FailuresRaiseTheComponentsExceptionsAndRestoreTheDataset) {
  db::TTable& t = liste(3);
  const struct {
    const char* what;
    std::function<void()> call;
    std::string message;
  } rows[] = {
      {"no dataset", [&] { ex.SetDataset(nullptr), ex.ExportDataset(); }, "No dataset connected"},
      {"closed dataset", [&] { t.close(), ex.SetDataset(&t), ex.ExportDataset(); }, "Dataset not active"},
      {"missing file", [&] { ex.Filename = "/nirgends/liste.xlsx", ex.ConnectExcel(); },
       "File /nirgends/liste.xlsx does not exists"},
      {"no workbook for a sheet", [&] { ex.ConnectTo = ctNewWorksheet, ex.ConnectExcel(); },
       "No active workbook or no active Excel"},
      {"save unconnected", [&] { ex.SaveWorksheetAs("x.xlsx", 0); }, "No active workbook or no active Excel"},
      {"preview unconnected", [&] { ex.PrintPreviewWorksheet(false); },
       "No active workbook or no active Excel"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    ex.ResetFormatting();
    if (auto app = office::Application::running()) app->quit();
    try {
      r.call();
      ADD_FAILURE() << "no exception";
    } catch (const EExcelExport& e) {
      EXPECT_EQ(e.what(), r.message);
    }
    EXPECT_FALSE(ex.Connected());
  }

  // A refused value after the data: the component stays connected, the table where it was.
  liste(5);
  ex.ResetFormatting();
  ex.SetDataset(form->Table1);
  ASSERT_TRUE(form->Table1->setRecNo(3).ok());
  ex.StyleColumnWidth = cwOwnerWidth;
  ex.ColumnWidth = 300;
  try {
    ex.ExportDataset();
    ADD_FAILURE() << "no exception";
  } catch (const EExcelAutomation& e) {
    EXPECT_EQ(e.code, office::kBadValue);
  }
  EXPECT_TRUE(ex.Connected());
  EXPECT_EQ(form->Table1->recNo(), 3);
  EXPECT_FALSE(form->Table1->controlsDisabled());
  EXPECT_EQ(form->cursor(), ui::TCursor::crDefault);
  ex.DisconnectExcel();
}

TEST_F(ExcelExportTest, TheDatasetIsForgottenWhenItsComponentGoesAway) {
  TExcelExport e(nullptr, "Probe");
  {
    ui::TTable gone(nullptr, "Weg");
    e.SetDataset(&gone);
    EXPECT_EQ(e.Dataset(), &gone);
  }
  EXPECT_EQ(e.Dataset(), nullptr);
}

TEST_F(ExcelExportTest, CustomRowsAreGroupedByTheirFirstFields) {
  const std::vector<std::pair<std::string, double>> rows = {{"Nord", 1}, {"Nord", 2}, {"Süd", 3}};
  size_t at = 0;
  ex.DataPipe = dpCustom;
  ex.WorksheetName = "Regionen";
  ex.ExcelVisible = false;
  ex.SetGroupFields({"Region"});
  ex.GroupOptions.BorderRange = bsCell;
  ex.OnGetFieldCount = [](TComponent&, int& n) { n = 2; };
  ex.OnGetFieldName = [](TComponent&, int i, std::string& s) { s = i ? "Wert" : "Region"; };
  ex.OnGetFieldDataType = [](TComponent&, int i, TFieldType& t) { t = i ? ftFloat : ftString; };
  ex.OnGotoFirstRecord = [&](TComponent&) { at = 0; };
  ex.OnGotoNextRecord = [&](TComponent&) { ++at; };
  ex.OnGetEOF = [&](TComponent&, bool& eof) { eof = at >= rows.size(); };
  ex.OnGetFieldValue = [&](TComponent&, int i, Variant& v) {
    if (i == 0)
      v = rows[at].first;
    else
      v = rows[at].second;
  };
  ex.FontGroup().Style = fsBold;
  ex.ExportDataset();
  EXPECT_EQ(rowTexts(6, 2), (std::vector<std::string>{"Region|Wert", "Nord|", "|1", "|2", "Süd|", "|3"}));
  EXPECT_TRUE(style("A2").bold);
  EXPECT_FALSE(style("B2").bold) << "bsCell formats the header cell only";
  EXPECT_EQ(level(3) + level(4) + level(6), 3);
  ex.DisconnectExcel();
}

}  // namespace
}  // namespace riviza::test
