// Column widths estimated from the text of the cells, for EntireColumn.AutoFit (office layer).
//
// Excel measures the rendered text; without the fonts at hand the layer estimates: a character
// of a font of size s is s/11 of the default font's digit (the unit of column widths), bold
// text a tenth wider, plus the cell's margins. Numbers and dates are measured as their format
// shows them (formatNumber); rotated text needs only its line height.
#include <algorithm>
#include <cmath>

#include "office/range.h"
#include "office/worksheet.h"
#include "platform/clock.h"
#include "platform/codec.h"

namespace riviza::office {
namespace {

constexpr double kMarginChars = 0.8;
constexpr double kLineHeightChars = 1.6;
constexpr double kMaxWidth = 255;

std::string shownText(const Worksheet& sheet, const Cell& cell, int r, int c) {
  const std::string& format = sheet.styles()[cell.style].numberFormat;
  switch (cell.kind) {
    case CellKind::Text:
      return std::string(sheet.text(cell.text));
    case CellKind::Boolean:
      return cell.number != 0 ? "WAHR" : "FALSCH";
    case CellKind::Date:
      return cellText(DateValue{cell.number});
    case CellKind::Number:
      return formatNumber(cell.number, format);
    case CellKind::Formula: {
      const CellValue v = sheet.value(r, c);
      return std::holds_alternative<double>(v) ? formatNumber(std::get<double>(v), format) : std::string();
    }
    case CellKind::Empty:
      break;
  }
  return {};
}

size_t longestLine(std::string_view text) {
  size_t longest = 0;
  for (size_t from = 0; from <= text.size();) {
    size_t end = std::min(text.find('\n', from), text.size());
    longest = std::max(longest, platform::utf8Length(text.substr(from, end - from)));
    from = end + 1;
  }
  return longest;
}

}  // namespace

std::optional<double> estimatedColumnWidth(const Worksheet& sheet, int column) {
  std::optional<double> width;
  for (int r = 1; r <= sheet.usedRows(); ++r) {
    const Cell* cell = sheet.cell(r, column);
    if (!cell || cell->kind == CellKind::Empty) continue;
    const Style& style = sheet.styles()[cell->style];
    const double scale = style.fontSize / 11.0 * (style.bold ? 1.1 : 1.0);
    const double chars = style.rotation != 0
                             ? kLineHeightChars
                             : static_cast<double>(longestLine(shownText(sheet, *cell, r, column)));
    const double w = std::min(kMaxWidth, chars * scale + kMarginChars);
    width = std::max(width.value_or(0), w);
  }
  if (width) width = std::round(*width * 100) / 100;
  return width;
}

}  // namespace riviza::office
