// Worksheet: the cells of one sheet with their values and styles, its column widths, row outline
// levels, outline and page settings (office layer).
//
// Rows are kept densely from row 1 to the last row used, each with its cells from column 1 to
// its last cell used; a cell holds a typed value (texts and formulas in the sheet's text pool)
// and a style number of the sheet's StyleTable. A whole column styled at once keeps the style
// as the column's (a cell made later in it takes that style), not in a million empty cells.
// Callers work through Range (range.h), which is Excel's Range; the storage calls below are for
// ranges and the file formats.
//
// Life: a worksheet belongs to its workbook. Closing the workbook (or quitting the application)
// closes the sheet: every later call fails with kClosed, as Excel's objects fail once Excel let
// go of them; a caller holding a closed sheet holds no dangling pointer.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "office/a1.h"
#include "office/style.h"
#include "office/values.h"
#include "platform/result.h"

namespace riviza::office {

class Range;
class Workbook;

enum class CellKind : uint8_t { Empty, Number, Text, Boolean, Date, Formula };

inline constexpr uint32_t kNoText = 0xFFFFFFFF;

struct Cell {
  double number = 0;        // Number and Date; Boolean as 0 or 1
  uint32_t text = kNoText;  // Text and Formula (with its "="): index into the sheet's texts
  uint32_t style = 0;       // index into the sheet's StyleTable
  CellKind kind = CellKind::Empty;
};

struct Row {
  std::vector<Cell> cells;  // column 1 at index 0
  uint8_t level = 0;        // outline level, 0..7
};

struct Outline {
  int summaryRow = xlSummaryBelow;
  int summaryColumn = xlSummaryOnRight;
};

struct PageSetup {
  bool printGridlines = false;
  std::string centerHeader;
};

// A sheet name as Excel accepts it: each of []:*?/\ and a leading or trailing apostrophe
// replaced by "_", cut to 31 characters. Empty stays empty (and is refused by setName).
std::string validSheetName(std::string_view name);

class Worksheet : public std::enable_shared_from_this<Worksheet> {
 public:
  Worksheet(Workbook* book, std::string name, int maxRows);
  Worksheet(const Worksheet&) = delete;
  Worksheet& operator=(const Worksheet&) = delete;

  // ---- Excel's worksheet ----
  const std::string& name() const { return name_; }
  // Name := the valid form of `name`; kSheetName when another sheet of the workbook has it
  // (ignoring case), kBadValue when empty.
  Status setName(std::string_view name);
  // Range(first, last): the cells between two A1 names (any two corners).
  Result<Range> range(std::string_view first, std::string_view last);
  int rowsCount() const { return maxRows_; }  // Rows.Count: 1,048,576 (65,536 for an .xls)
  const Outline& outline() const { return outline_; }
  Status setSummaryRow(int summaryRow);        // xlSummaryAbove, xlSummaryBelow
  Status setSummaryColumn(int summaryColumn);  // xlSummaryOnLeft, xlSummaryOnRight (or xlRight)
  const PageSetup& pageSetup() const { return pageSetup_; }
  Status setPrintGridlines(bool on);
  Status setCenterHeader(std::string text);
  // PrintPreview: the workbook is shown to the user at once (Application::presentWorkbook).
  Result<std::string> printPreview();
  // SaveAs: the workbook (.xlsx) or this sheet (CSV); see Workbook::saveAs.
  Result<std::string> saveAs(std::string_view pathText, int fileFormat = xlWorkbookDefault);
  std::shared_ptr<Workbook> parent() const;
  bool closed() const { return book_ == nullptr; }

  // ---- storage, for ranges and the file formats ----
  int usedRows() const { return static_cast<int>(rows_.size()); }
  const Row* row(int r) const {
    return r >= 1 && r <= usedRows() ? &rows_[static_cast<size_t>(r - 1)] : nullptr;
  }
  const Cell* cell(int r, int c) const;
  std::string_view text(uint32_t index) const { return texts_[index]; }
  const StyleTable& styles() const { return styles_; }
  const Style& styleOf(int r, int c) const;
  const std::map<int, double>& columnWidths() const { return widths_; }
  // The style numbers of the columns styled as a whole; 0 (the default) for the others.
  const std::map<int, uint32_t>& columnStyles() const { return columnStyles_; }
  uint32_t columnStyle(int c) const;
  // The value of a cell; a formula cell gives its result where the layer can compute it
  // (formula.h), else the empty value.
  CellValue value(int r, int c) const;
  std::optional<std::string> formula(int r, int c) const;

  // Writes a value (a date into a "General" cell also gets a date format, as Excel does on
  // entry), a formula, a style number, a width or an outline level; the reader and the ranges
  // check positions before.
  void putValue(int r, int c, CellValue value);
  void putFormula(int r, int c, std::string formula);
  void putStyle(int r, int c, uint32_t style);
  void clearCell(int r, int c, bool keepStyle);
  uint32_t internStyle(const Style& s) { return styles_.intern(s); }
  void setColumnWidthRaw(int c, double width) { widths_[c] = width; }
  void setRowLevel(int r, uint8_t level);
  // Inserts `count` empty rows above row `at`; see Range::insertRows.
  Status insertRows(int at, int count);
  // Moves row references of this sheet's formulas (or, with qualifiedOnly, only references that
  // name sheet `sheetName`) for rows inserted at `at`.
  void shiftFormulaRows(std::string_view sheetName, bool qualifiedOnly, int at, int count);

  // Marks the workbook changed (it is shown again on the next presentation).
  void touch();
  // The application's call log, when a test installed one.
  bool logging() const;
  void note(const std::string& call) const;

 private:
  friend class Workbook;
  friend class Range;
  Cell& cellAt(int r, int c);
  uint32_t storeText(std::string text);
  void releaseText(Cell& cell);
  void forgetFormula(int r, int c);

  Workbook* book_;
  std::string name_;
  int maxRows_;
  std::vector<Row> rows_;
  std::vector<std::string> texts_;
  std::vector<uint32_t> freeTexts_;
  std::vector<CellRef> formulaCells_;  // where the formulas are, for moving their references
  StyleTable styles_;
  std::map<int, double> widths_;
  std::map<int, uint32_t> columnStyles_;
  Outline outline_;
  PageSetup pageSetup_;
};

}  // namespace riviza::office
