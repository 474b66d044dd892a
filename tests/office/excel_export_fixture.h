// Set-up of the Excel export tests: a form holding ExcelExport1 and Table1 as the settings form
// does, a table file filled from text rows, the export folder in a temporary data folder, a fixed
// clock, a spy for opened workbooks, and the exported sheet's cells by A1 name or as rows of texts.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "db/TTable.h"
#include "office/ExcelExport.h"
#include "office/a1.h"
#include "office/office_fixture.h"
#include "platform/clock.h"
#include "support/temp_dir.h"
#include "ui/data.h"
#include "ui/design.h"
#include "ui/form.h"

namespace riviza::test {

// The form the component and its table sit on, as on the settings form.
// clang-format off
#define EXPORT_FORM_COMPONENTS(X) \
  X(ui::TTable, Table1, nullptr) \
  X(TExcelExport, ExcelExport1, nullptr)

class ExportForm : public ui::TForm {
 public:
  ExportForm() : TForm(nullptr, "FormExport") { EXPORT_FORM_COMPONENTS(RIVIZA_CREATE_COMPONENT) }
  EXPORT_FORM_COMPONENTS(RIVIZA_DECLARE_COMPONENT)
};
// clang-format on

class ExcelExportTest : public WorkbookSpy, public ::testing::Test {
 protected:
  ExcelExportTest() : ex(*form->ExcelExport1) { ex.ExportFolder = exportDir().string(); }

  std::filesystem::path exportDir() const { return daten.path() / "Export"; }

  // Name, amount, count, date, flag and memo; rows given as field texts.
  static db::TableStructure listeStructure() {
    using db::FieldType;
    return {{{"Name", FieldType::Alpha, 30},
             {"Betrag", FieldType::Money, 0},
             {"Anzahl", FieldType::Short, 0},
             {"Datum", FieldType::Date, 0},
             {"Aktiv", FieldType::Logical, 0},
             {"Notiz", FieldType::Memo, 0}},
            0};
  }

  // Creates `file` in the data root (anew) with the rows and opens it through Table1.
  db::TTable& table(const db::TableStructure& s, const std::vector<std::vector<std::string>>& rows,
                    const std::string& file = "Liste.db") {
    db::TTable& t = *form->Table1;
    t.close();
    std::filesystem::remove(daten.path() / file);
    EXPECT_TRUE(db::TTable::createTable(daten.str(), file, s).ok());
    EXPECT_TRUE(t.setDatabaseName(daten.str()).ok());
    EXPECT_TRUE(t.setTableName(file).ok());
    EXPECT_TRUE(t.open().ok());
    for (const auto& row : rows) {
      EXPECT_TRUE(t.append().ok());
      for (size_t i = 0; i < row.size(); ++i)
        EXPECT_TRUE(t.fields(static_cast<int>(i)).setAsString(row[i]).ok());
      EXPECT_TRUE(t.post().ok());
    }
    EXPECT_TRUE(t.first().ok());
    return t;
  }

  // `n` records of listeStructure: "Kunde i", i * 1,5, i, 15.03.2024, i odd, "=1+1".
  db::TTable& liste(int n) {
    std::vector<std::vector<std::string>> rows;
    for (int i = 1; i <= n; ++i)
      rows.push_back({"Kunde " + std::to_string(i), std::to_string(i) + ",5", std::to_string(i), "15.03.2024",
                      i % 2 ? "True" : "False", "=1+1"});
    return table(listeStructure(), rows);
  }

  // Formatting reset, `t` as the dataset, no workbook handed to the user.
  void hidden(db::TTable& t) {
    ex.ResetFormatting();
    ex.SetDataset(&t);
    ex.ExcelVisible = false;
  }

  office::Range at(const std::string& first, const std::string& last = "") {
    auto r = ex.Worksheet()->range(first, last.empty() ? first : last);
    EXPECT_TRUE(r.ok());
    return *r;
  }
  std::string text(const std::string& a1) { return at(a1).text(); }
  office::CellValue value(const std::string& a1) { return at(a1).value(); }
  const office::Style& style(const std::string& a1) {
    auto ref = office::parseA1(a1);
    return ex.Worksheet()->styleOf(ref->row, ref->column);
  }
  // Rows 1 to `rows` over the first `columns` columns as shown, one "A|B|..." text per row.
  std::vector<std::string> rowTexts(int rows, int columns) {
    std::vector<std::string> out;
    for (int r = 1; r <= rows; ++r) {
      std::string line;
      for (int c = 1; c <= columns; ++c) line += (c > 1 ? "|" : "") + text(office::a1Name({r, c}));
      out.push_back(line);
    }
    return out;
  }
  int level(int row) {
    const office::Row* r = ex.Worksheet()->row(row);
    return r ? r->level : 0;
  }

  TempDir daten;
  platform::FixedClock uhr{{2024, 3, 15, 10, 30, 0}};
  platform::ScopedClock uhrAktiv{uhr};
  std::unique_ptr<ExportForm> form = std::make_unique<ExportForm>();
  TExcelExport& ex;
};

}  // namespace riviza::test
