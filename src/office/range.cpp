// Range: Excel's properties and methods on a rectangle of cells (office layer); see range.h.
#include "office/range.h"

#include <algorithm>

#include "office/errors.h"
#include "office/worksheet.h"

namespace riviza::office {
namespace {

constexpr uint32_t kUnmapped = 0xFFFFFFFF;
constexpr uint8_t kMaxOutlineLevel = 7;

Error badValue(std::string text) { return Error::make(kBadValue, std::move(text)); }

void applyBorder(BorderSide& side, const BorderChange& change) {
  if (change.lineStyle) side.lineStyle = *change.lineStyle;
  if (change.weight) side.weight = *change.weight;
  if (change.color) side.color = *change.color;
}

}  // namespace

Range::Range(std::shared_ptr<Worksheet> sheet, CellRef a, CellRef b)
    : sheet_(std::move(sheet)),
      first_{std::min(a.row, b.row), std::min(a.column, b.column)},
      last_{std::max(a.row, b.row), std::max(a.column, b.column)} {}

std::string Range::address() const { return a1Name(first_) + ":" + a1Name(last_); }

Status Range::usable(const char* call) const {
  if (sheet_->closed())
    return Error::make(kClosed, "Das Arbeitsblatt gehört zu keiner offenen Arbeitsmappe mehr");
  if (sheet_->logging()) sheet_->note("Range(" + address() + ")." + call);
  return okStatus();
}

template <class Change>
void Range::restyle(CellRef first, CellRef last, Change change) {
  Worksheet& ws = *sheet_;
  std::vector<uint32_t> mapped;  // old style number -> new one, as each old one is first met
  const auto restyled = [&](uint32_t style) {
    if (style >= mapped.size()) mapped.resize(style + 1, kUnmapped);
    if (mapped[style] == kUnmapped) {
      Style s = ws.styles_[style];
      change(s);
      mapped[style] = ws.styles_.intern(s);
    }
    return mapped[style];
  };
  // Whole columns: the columns take the style, and of the rows only the cells that exist (a
  // million empty cells would be written into the file, and its used range would reach its end).
  const bool wholeColumns = first.row == 1 && last.row == ws.rowsCount();
  if (wholeColumns) {
    for (int c = first.column; c <= last.column; ++c) ws.columnStyles_[c] = restyled(ws.columnStyle(c));
    last.row = std::min(last.row, ws.usedRows());
  }
  for (int r = first.row; r <= last.row; ++r) {
    if (!wholeColumns) ws.cellAt(r, last.column);
    auto& cells = ws.rows_[static_cast<size_t>(r - 1)].cells;
    const int lastColumn = std::min(last.column, static_cast<int>(cells.size()));
    for (int c = first.column; c <= lastColumn; ++c) {
      Cell& cell = cells[static_cast<size_t>(c - 1)];
      cell.style = restyled(cell.style);
    }
  }
  ws.touch();
}

Status Range::setValue(const CellValue& value) {
  RIVIZA_TRY(usable("Value"));
  for (int r = first_.row; r <= last_.row; ++r)
    for (int c = first_.column; c <= last_.column; ++c) sheet_->putValue(r, c, value);
  sheet_->touch();
  return okStatus();
}

Status Range::setValues(ValueBlock block) {
  RIVIZA_TRY(usable("Value"));
  const int rows = std::min(block.rows, last_.row - first_.row + 1);
  const int columns = std::min(block.columns, last_.column - first_.column + 1);
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < columns; ++c)
      sheet_->putValue(first_.row + r, first_.column + c, std::move(block.at(r, c)));
  sheet_->touch();
  return okStatus();
}

Status Range::setFormula(std::string formula) {
  RIVIZA_TRY(usable("Formula"));
  if (formula.empty() || formula[0] != '=') return setValue(CellValue{std::move(formula)});
  for (int r = first_.row; r <= last_.row; ++r)
    for (int c = first_.column; c <= last_.column; ++c) sheet_->putFormula(r, c, formula);
  sheet_->touch();
  return okStatus();
}

CellValue Range::value() const { return sheet_->value(first_.row, first_.column); }

std::string Range::text() const { return cellText(value()); }

std::string Range::formula() const {
  return sheet_->formula(first_.row, first_.column).value_or(std::string());
}

Status Range::setFont(const FontChange& change) {
  RIVIZA_TRY(usable("Font"));
  RIVIZA_TRY(checkFontChange(change));
  restyle(first_, last_, [&](Style& s) {
    if (change.name) s.fontName = *change.name;
    if (change.size) s.fontSize = *change.size;
    if (change.color) s.fontColor = *change.color;
    if (change.bold) s.bold = *change.bold;
    if (change.italic) s.italic = *change.italic;
    if (change.underline) s.underline = *change.underline;
  });
  return okStatus();
}

Status Range::setInteriorColor(XlColor color) {
  RIVIZA_TRY(usable("Interior.Color"));
  if (color > 0xFFFFFF) return badValue("Ungültige Hintergrundfarbe");
  restyle(first_, last_, [&](Style& s) { s.fill = color; });
  return okStatus();
}

Status Range::setBorder(int index, const BorderChange& change) {
  RIVIZA_TRY(usable("Borders"));
  RIVIZA_TRY(checkBorderChange(change));
  auto sideOf = [&](Side side) {
    return [&change, side](Style& s) { applyBorder(s.borders[side], change); };
  };
  switch (index) {
    case xlEdgeLeft:
      restyle(first_, {last_.row, first_.column}, sideOf(kLeft));
      break;
    case xlEdgeTop:
      restyle(first_, {first_.row, last_.column}, sideOf(kTop));
      break;
    case xlEdgeBottom:
      restyle({last_.row, first_.column}, last_, sideOf(kBottom));
      break;
    case xlEdgeRight:
      restyle({first_.row, last_.column}, last_, sideOf(kRight));
      break;
    case xlInsideVertical:
      if (last_.column > first_.column) {
        restyle(first_, {last_.row, last_.column - 1}, sideOf(kRight));
        restyle({first_.row, first_.column + 1}, last_, sideOf(kLeft));
      }
      break;
    case xlInsideHorizontal:
      if (last_.row > first_.row) {
        restyle(first_, {last_.row - 1, last_.column}, sideOf(kBottom));
        restyle({first_.row + 1, first_.column}, last_, sideOf(kTop));
      }
      break;
    default:
      return badValue("Ungültiger Rahmen " + std::to_string(index));
  }
  return okStatus();
}

Status Range::setHorizontalAlignment(int alignment) {
  RIVIZA_TRY(usable("HorizontalAlignment"));
  RIVIZA_TRY(checkHorizontalAlignment(alignment));
  restyle(first_, last_, [&](Style& s) { s.horizontalAlignment = alignment; });
  return okStatus();
}

Status Range::setWrapText(bool wrap) {
  RIVIZA_TRY(usable("WrapText"));
  restyle(first_, last_, [&](Style& s) { s.wrapText = wrap; });
  return okStatus();
}

Status Range::setOrientation(int orientation) {
  RIVIZA_TRY(usable("Orientation"));
  auto rotation = rotationOf(orientation);
  if (!rotation) return rotation.error();
  restyle(first_, last_, [&](Style& s) { s.rotation = *rotation; });
  return okStatus();
}

Status Range::setNumberFormat(std::string_view code) {
  RIVIZA_TRY(usable("NumberFormat"));
  RIVIZA_TRY(checkNumberFormat(code));
  restyle(first_, last_, [&](Style& s) { s.numberFormat = std::string(code); });
  return okStatus();
}

Status Range::setColumnWidth(double width) {
  RIVIZA_TRY(usable("ColumnWidth"));
  if (!(width >= 0 && width <= 255)) return badValue("Spaltenbreite außerhalb von 0 bis 255");
  for (int c = first_.column; c <= last_.column; ++c) sheet_->setColumnWidthRaw(c, width);
  sheet_->touch();
  return okStatus();
}

Status Range::autoFitColumns() {
  RIVIZA_TRY(usable("EntireColumn.AutoFit"));
  for (int c = first_.column; c <= last_.column; ++c)
    if (auto width = estimatedColumnWidth(*sheet_, c)) sheet_->setColumnWidthRaw(c, *width);
  sheet_->touch();
  return okStatus();
}

Status Range::insertRows() {
  RIVIZA_TRY(usable("EntireRow.Insert"));
  return sheet_->insertRows(first_.row, last_.row - first_.row + 1);
}

Status Range::groupRows() {
  RIVIZA_TRY(usable("Rows.Group"));
  for (int r = first_.row; r <= last_.row; ++r) {
    const Row* row = sheet_->row(r);
    if (row && row->level >= kMaxOutlineLevel) return badValue("Mehr als sieben Gliederungsebenen");
  }
  for (int r = first_.row; r <= last_.row; ++r) {
    const Row* row = sheet_->row(r);
    sheet_->setRowLevel(r, static_cast<uint8_t>((row ? row->level : 0) + 1));
  }
  sheet_->touch();
  return okStatus();
}

Status Range::clear() { return clearCells("Clear", false); }

Status Range::clearContents() { return clearCells("ClearContents", true); }

Status Range::clearCells(const char* call, bool keepStyle) {
  RIVIZA_TRY(usable(call));
  for (int r = first_.row; r <= std::min(last_.row, sheet_->usedRows()); ++r)
    for (int c = first_.column; c <= last_.column; ++c) sheet_->clearCell(r, c, keepStyle);
  sheet_->touch();
  return okStatus();
}

}  // namespace riviza::office
