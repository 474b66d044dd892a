// Range: a rectangle of cells of one worksheet, addressed by two A1 names, with the properties
// and methods of Excel's Range that the exports and imports use (office layer).
//
// Every setter applies to each cell of the rectangle (Value := x fills them all) and creates the
// cells it formats; a refused value (kBadValue) changes nothing. Reading (value, text, formula)
// looks at the top-left cell. Columns and rows of a range stand for the entire columns and rows
// where Excel says EntireColumn / EntireRow.
//
//   Excel                          here
//   Value := x / := array          setValue(x) / setValues(block)
//   Formula := "=SUM(A1:A9)"       setFormula(...)
//   Font.Name, .Size, .Color,      setFont(FontChange{...})
//     .Bold, .Italic, .Underline
//   Interior.Color                 setInteriorColor(color)
//   Borders(i).LineStyle, .Weight, setBorder(i, BorderChange{...})
//     .Color / .ColorIndex
//   HorizontalAlignment, WrapText, setHorizontalAlignment, setWrapText, setOrientation,
//     Orientation, NumberFormat      setNumberFormat
//   ColumnWidth                    setColumnWidth (characters of the default font, 0..255)
//   EntireColumn.AutoFit           autoFitColumns (estimated from the text in each cell's font)
//   EntireRow.Insert               insertRows (as many rows as the range has, above it)
//   Rows.Group                     groupRows (outline level + 1, at most 7)
//   Clear, ClearContents           clear, clearContents
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "office/a1.h"
#include "office/style.h"
#include "office/values.h"
#include "platform/result.h"

namespace riviza::office {

class Worksheet;

// A block of values for one assignment, row by row.
struct ValueBlock {
  ValueBlock() = default;
  ValueBlock(int rows, int columns)
      : rows(rows), columns(columns), values(static_cast<size_t>(rows) * columns) {}
  CellValue& at(int row, int column) { return values[static_cast<size_t>(row) * columns + column]; }
  int rows = 0, columns = 0;
  std::vector<CellValue> values;
};

class Range {
 public:
  Range(std::shared_ptr<Worksheet> sheet, CellRef a, CellRef b);

  int firstRow() const { return first_.row; }
  int firstColumn() const { return first_.column; }
  int lastRow() const { return last_.row; }
  int lastColumn() const { return last_.column; }
  std::string address() const;  // "A1:C5"
  Worksheet& worksheet() const { return *sheet_; }

  Status setValue(const CellValue& value);
  // The block from the top-left cell; cells of the range outside the block stay as they are,
  // values of the block outside the range are dropped.
  Status setValues(ValueBlock block);
  // The same formula text in each cell.
  Status setFormula(std::string formula);
  CellValue value() const;
  std::string text() const;     // cellText of value()
  std::string formula() const;  // empty when the cell holds no formula

  Status setFont(const FontChange& change);
  Status setInteriorColor(XlColor color);
  Status setBorder(int index, const BorderChange& change);
  Status setHorizontalAlignment(int alignment);
  Status setWrapText(bool wrap);
  Status setOrientation(int orientation);
  Status setNumberFormat(std::string_view code);
  Status setColumnWidth(double width);
  Status autoFitColumns();
  Status insertRows();
  Status groupRows();
  Status clear();
  Status clearContents();

 private:
  Status usable(const char* call) const;
  Status clearCells(const char* call, bool keepStyle);
  // Gives every cell of the rectangle (first..last) the style `change` makes of its own.
  template <class Change>
  void restyle(CellRef first, CellRef last, Change change);

  std::shared_ptr<Worksheet> sheet_;
  CellRef first_, last_;
};

// The width a column needs for its text, in characters of the default font, from the text of
// each cell as shown in its font and number format (autofit.cpp); nullopt for an empty column.
std::optional<double> estimatedColumnWidth(const Worksheet& sheet, int column);

}  // namespace riviza::office
