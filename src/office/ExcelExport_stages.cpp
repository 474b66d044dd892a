// TExcelExport::ExportDataset and its stages: header, titles and field list, number formats,
// data in blocks, summary, column widths, groups, footer (office layer).
//
// Each stage addresses the sheet through ranges named by two cells, as the component always
// did, and works through ExportSource, so the dataset and the custom pipe share every line.
// Mended: the number formats go to the exported columns as a whole, not to the cells from the
// first data row to row 9999 (the file then held ten thousand styled empty rows and its used
// range ended there); the titles and header lines above are texts, which no format changes.
#include <algorithm>
#include <cmath>

#include "office/ExcelExport.h"
#include "office/ExcelExport_source.h"
#include "platform/codec.h"
#include "platform/text.h"
#include "ui/form.h"

namespace riviza {
namespace {

constexpr TColor kWhite = 0xFFFFFF;

int roundHalfEven(double v) { return static_cast<int>(std::nearbyint(v)); }

const char* functionName(TSummaryCalculation c) {
  switch (c) {
    case scMIN:
      return "MIN";
    case scMAX:
      return "MAX";
    default:
      return "SUM";
  }
}

// The hour-glass on the owning form for a scope.
class HourGlass {
 public:
  explicit HourGlass(TComponent* owner) : form_(dynamic_cast<ui::TForm*>(owner)) {
    if (form_) saved_ = form_->cursor(), form_->setCursor(ui::TCursor::crHourGlass);
  }
  ~HourGlass() {
    if (form_) form_->setCursor(saved_);
  }
  HourGlass(const HourGlass&) = delete;
  HourGlass& operator=(const HourGlass&) = delete;

 private:
  ui::TForm* form_;
  ui::TCursor saved_ = ui::TCursor::crDefault;
};

}  // namespace

void TExcelExport::ExportDataset() {
  HourGlass hourGlass(owner());
  if (DataPipe == dpDataSet) {
    if (!dataset_) throw ENoDatasetConnected();
    if (!dataset_->active()) throw EDatasetNotActive();
  }
  ConnectExcel();
  auto source = makeSource();
  writeLines(headerText_, beginRowHeader_, fontHeader_, BorderHeader);
  writeTitles(*source);
  if (DataPipe == dpDataSet) setNumberFormats(*source);
  writeData(*source);
  writeSummary();
  setColumnWidths();
  writeGroups(*source);
  writeLines(footerText_, footerRow_, fontFooter_, BorderFooter);
  excel_->setScreenUpdating(ExcelVisible);
  if (ExcelVisible) excel_->setVisible(true);
  assertInvariants();
}

void TExcelExport::writeLines(const ui::TStrings& lines, int firstRow, const TxlFont& font,
                              const TCellBorder& border) {
  const int n = lines.count();
  if (n == 0) return;
  office::ValueBlock block(n, 1);
  for (int i = 0; i < n; ++i) block.at(i, 0) = lines[i];
  const int column = beginColumnHeader_;
  throwOnFailure(range(firstRow, column, firstRow + n - 1, column).setValues(std::move(block)));
  throwOnFailure(formatRange(font, border, firstRow, column, firstRow + n - 1, column, false));
}

void TExcelExport::writeTitles(ExportSource& source) {
  exportFields_.clear();
  const std::optional<int> count = source.fieldCount();
  if (!count) return;
  const double fd = fontData_.Size / 10.0;
  const double ft = fontTitles_.Size / 10.0;
  for (int i = 0; i < *count; ++i) {
    const bool visible = source.visible(i);
    const TFieldType type = source.type(i);
    if (!isExportedType(type) || (VisibleFieldsOnly && !visible)) continue;
    exportFields_.push_back({source.name(i), i, type});
    if (!showTitles_) continue;
    const int column = lastExportColumn();
    std::string title = source.displayName(i);
    if (title.empty()) title = exportFields_.back().name;
    throwOnFailure(cell(beginRowTitles_, column).setValue(title));
    const double d = source.displayWidth(i);
    std::optional<int> width;
    switch (StyleColumnWidth) {
      case cwFieldDisplayWidth:
        width = roundHalfEven(d * fd);
        break;
      case cwFieldDataSize:
        width = roundHalfEven((type == ftDateTime ? 16 : source.dataSize(i)) * fd);
        break;
      case cwEnhAutoFit: {
        const double needed = (static_cast<double>(platform::utf8Length(title)) + 1) * ft;
        width = d * fd >= needed ? roundHalfEven(d * fd) : roundHalfEven(needed) + 1;
        break;
      }
      default:
        break;
    }
    if (width) throwOnFailure(cell(beginRowTitles_, column).setColumnWidth(*width));
  }
  if (showTitles_ && !exportFields_.empty())
    throwOnFailure(formatRange(fontTitles_, BorderTitles, beginRowTitles_, beginColumnData_, beginRowTitles_,
                               lastExportColumn(), false));
}

void TExcelExport::setNumberFormats(ExportSource& source) {
  for (size_t k = 0; k < exportFields_.size(); ++k) {
    const ExportField& f = exportFields_[k];
    const int column = beginColumnData_ + static_cast<int>(k);
    office::Range area = range(1, column, worksheet_->rowsCount(), column);
    if (f.type == ftString) {
      throwOnFailure(area.setNumberFormat("@"));
    } else if (isNumericType(f.type)) {
      // The field's own format code as it stands: codes of the file format do not depend on
      // the locale, so its "." and "," are already the decimal point and the grouping.
      const std::string format = source.displayFormat(f.index);
      if (!format.empty() && !area.setNumberFormat(format).ok())
        throwOnFailure(area.setNumberFormat(isDecimalType(f.type) ? "0.00" : "0"));
    }
  }
}

void TExcelExport::writeData(ExportSource& source) {
  const int columns = static_cast<int>(exportFields_.size());
  const int rowsPerBlock = std::max(1, BlockOfRecords);  // a block of 0 rows never fills
  const bool painting = static_cast<bool>(OnGetCellBackgroundColorEvent);
  office::ValueBlock block(rowsPerBlock, columns);
  std::vector<TColor> colours(painting ? block.values.size() : 0, BorderData.BackColor);
  int blockRow = beginRowData_, filled = 0;
  recordCount_ = 0;

  auto flush = [&] {
    if (filled == 0 || columns == 0) return;
    throwOnFailure(range(blockRow, beginColumnData_, blockRow + filled - 1, lastExportColumn())
                       .setValues(std::move(block)));
    block = office::ValueBlock(rowsPerBlock, columns);
    for (int r = 0; painting && r < filled; ++r)
      for (int c = 0; c < columns; ++c) {
        const TColor colour = colours[static_cast<size_t>(r) * columns + c];
        if (BorderData.BackColor == kWhite && colour == kWhite) continue;
        throwOnFailure(cell(blockRow + r, beginColumnData_ + c).setInteriorColor(xlColorOf(colour)));
      }
    blockRow += filled;
    filled = 0;
  };

  {
    auto held = source.hold();
    for (source.first(); !source.eof();) {
      ++recordCount_;
      for (int c = 0; c < columns; ++c) {
        const int index = exportFields_[static_cast<size_t>(c)].index;
        block.at(filled, c) = source.value(index);
        if (!painting) continue;
        TColor& colour = colours[static_cast<size_t>(filled) * columns + c];
        colour = BorderData.BackColor;
        if (DataPipe == dpDataSet) OnGetCellBackgroundColorEvent(*this, source.field(index), colour);
      }
      ++filled;
      if (recordCount_ % rowsPerBlock == 0) flush();
      source.next();
      if (OnExportRecords) OnExportRecords(*this, recordCount_);
    }
    flush();
  }
  lastDataRow_ = beginRowData_ + recordCount_ - 1;
  footerRow_ = lastDataRow_ + 1;
  if (recordCount_ > 0 && columns > 0)
    throwOnFailure(formatRange(fontData_, BorderData, beginRowData_, beginColumnData_, lastDataRow_,
                               lastExportColumn(), true));
}

void TExcelExport::writeSummary() {
  // With no records there is nothing to sum: no summary row, the footer follows the titles.
  if (SummarySelection == ssNone || recordCount_ == 0 || exportFields_.empty()) return;
  const int row = beginRowData_ + recordCount_;
  for (size_t k = 0; k < exportFields_.size(); ++k) {
    const ExportField& f = exportFields_[k];
    const bool selected = SummarySelection == ssValues
                              ? isSummedValueType(f.type)
                              : summaryFields_.indexOf(platform::toUpperAscii(f.name)) >= 0;
    if (!selected) continue;
    const std::string letters = ColumnLetters(beginColumnData_ + static_cast<int>(k));
    std::string formula = "=";
    formula.append(functionName(SummaryCalculation)).append("(").append(letters);
    formula.append(std::to_string(beginRowData_)).append(":").append(letters);
    formula.append(std::to_string(lastDataRow_)).append(")");
    throwOnFailure(cell(row, beginColumnData_ + static_cast<int>(k)).setFormula(formula));
  }
  throwOnFailure(
      formatRange(fontSummary_, BorderSummary, row, beginColumnData_, row, lastExportColumn(), false));
  footerRow_ = row + 1;
}

void TExcelExport::setColumnWidths() {
  if (exportFields_.empty()) return;
  office::Range columns = range(beginRowData_, beginColumnData_, beginRowData_, lastExportColumn());
  if (StyleColumnWidth == cwOwnerWidth) throwOnFailure(columns.setColumnWidth(ColumnWidth));
  if (StyleColumnWidth == cwAutoFit) throwOnFailure(columns.autoFitColumns());
}

}  // namespace riviza
