// The .xlsx writer over libxlsxwriter, and the CSV writer (office layer); see file_formats.h.
//
// libxlsxwriter runs in its constant-memory mode: each row goes to a temporary file as soon as
// the next one starts, so the writer walks the model row by row and adds nothing in memory
// beside it. Each style number of a sheet becomes one libxlsxwriter format, made when first
// used. Formulas carry their result where formula.h computes it, otherwise an empty text result
// (a program that does not recalculate shows nothing rather than a wrong 0).
#include <xlsxwriter.h>

#include <cmath>
#include <map>
#include <memory>
#include <vector>

#include "office/errors.h"
#include "office/file_formats.h"
#include "office/formula.h"
#include "office/workbook.h"
#include "platform/c_numbers.h"
#include "platform/codec.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace riviza::office {
namespace {

constexpr size_t kMaxCellChars = 32767;
constexpr size_t kMaxHeaderBytes = 255;

lxw_color_t rgbOf(XlColor bgr) {
  const lxw_color_t rgb = ((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF);
  return rgb == 0 ? static_cast<lxw_color_t>(LXW_COLOR_BLACK) : rgb;
}

uint8_t borderKind(const BorderSide& b) {
  const bool heavy = b.weight == xlMedium || b.weight == xlThick;
  switch (b.lineStyle) {
    case xlContinuous:
      switch (b.weight) {
        case xlHairline:
          return LXW_BORDER_HAIR;
        case xlMedium:
          return LXW_BORDER_MEDIUM;
        case xlThick:
          return LXW_BORDER_THICK;
        default:
          return LXW_BORDER_THIN;
      }
    case xlDash:
      return heavy ? LXW_BORDER_MEDIUM_DASHED : LXW_BORDER_DASHED;
    case xlDashDot:
      return heavy ? LXW_BORDER_MEDIUM_DASH_DOT : LXW_BORDER_DASH_DOT;
    case xlDashDotDot:
      return heavy ? LXW_BORDER_MEDIUM_DASH_DOT_DOT : LXW_BORDER_DASH_DOT_DOT;
    case xlDot:
      return LXW_BORDER_DOTTED;
    case xlDouble:
      return LXW_BORDER_DOUBLE;
    case xlSlantDashDot:
      return LXW_BORDER_SLANT_DASH_DOT;
    default:
      return LXW_BORDER_NONE;
  }
}

void applyStyle(lxw_format* f, const Style& s) {
  format_set_font_name(f, s.fontName.c_str());
  format_set_font_size(f, s.fontSize);
  if (s.fontColor) format_set_font_color(f, rgbOf(*s.fontColor));
  if (s.bold) format_set_bold(f);
  if (s.italic) format_set_italic(f);
  if (s.underline) format_set_underline(f, LXW_UNDERLINE_SINGLE);
  if (s.fill) {
    format_set_pattern(f, LXW_PATTERN_SOLID);
    format_set_bg_color(f, rgbOf(*s.fill));
  }
  using SetSide = void (*)(lxw_format*, uint8_t);
  using SetColor = void (*)(lxw_format*, lxw_color_t);
  static constexpr SetSide kSide[4] = {format_set_left, format_set_top, format_set_bottom, format_set_right};
  static constexpr SetColor kColor[4] = {format_set_left_color, format_set_top_color, format_set_bottom_color,
                                         format_set_right_color};
  for (int i = 0; i < 4; ++i) {
    const BorderSide& b = s.borders[static_cast<size_t>(i)];
    const uint8_t kind = borderKind(b);
    if (kind == LXW_BORDER_NONE) continue;
    kSide[i](f, kind);
    if (b.color) kColor[i](f, rgbOf(*b.color));
  }
  switch (s.horizontalAlignment) {
    case xlHAlignLeft:
      format_set_align(f, LXW_ALIGN_LEFT);
      break;
    case xlHAlignCenter:
      format_set_align(f, LXW_ALIGN_CENTER);
      break;
    case xlHAlignRight:
      format_set_align(f, LXW_ALIGN_RIGHT);
      break;
    default:
      break;
  }
  if (s.wrapText) format_set_text_wrap(f);
  if (s.rotation != 0) format_set_rotation(f, static_cast<int16_t>(s.rotation));
  if (s.numberFormat != "General") format_set_num_format(f, s.numberFormat.c_str());
}

// Cut to Excel's cell limit, at a character boundary.
std::string cellString(std::string_view text) {
  if (text.size() <= kMaxCellChars) return std::string(text);
  size_t pos = 0;
  for (size_t n = 0; n < kMaxCellChars && pos < text.size(); ++n) platform::nextCodePoint(text, pos);
  return std::string(text.substr(0, pos));
}

std::string headerText(std::string_view center) {
  std::string out = "&C";
  for (char c : center) {
    if (out.size() + 2 > kMaxHeaderBytes) break;
    out += c;
    if (c == '&') out += '&';
  }
  return out;
}

class SheetWriter {
 public:
  SheetWriter(lxw_workbook* wb, lxw_worksheet* ws, const Worksheet& sheet)
      : wb_(wb), ws_(ws), sheet_(sheet) {}

  lxw_error write() {
    const Outline& o = sheet_.outline();
    worksheet_outline_settings(ws_, 1, o.summaryRow == xlSummaryBelow, o.summaryColumn == xlSummaryOnRight,
                               0);
    worksheet_gridlines(
        ws_, sheet_.pageSetup().printGridlines ? LXW_SHOW_ALL_GRIDLINES : LXW_SHOW_SCREEN_GRIDLINES);
    if (!sheet_.pageSetup().centerHeader.empty())
      if (lxw_error e = worksheet_set_header(ws_, headerText(sheet_.pageSetup().centerHeader).c_str()))
        return e;
    // A column's width and its style (of a column formatted as a whole) go into one entry.
    std::map<int, double> columns;
    for (const auto& [column, style] : sheet_.columnStyles()) columns[column] = LXW_DEF_COL_WIDTH;
    for (const auto& [column, width] : sheet_.columnWidths()) columns[column] = width;
    for (const auto& [column, width] : columns)
      if (lxw_error e = worksheet_set_column(ws_, static_cast<lxw_col_t>(column - 1),
                                             static_cast<lxw_col_t>(column - 1), width,
                                             format(sheet_.columnStyle(column))))
        return e;
    for (int r = 1; r <= sheet_.usedRows(); ++r)
      if (lxw_error e = writeRow(r)) return e;
    return LXW_NO_ERROR;
  }

 private:
  lxw_format* format(uint32_t style) {
    if (style == 0) return nullptr;
    if (style >= formats_.size()) formats_.resize(style + 1, nullptr);
    if (!formats_[style]) {
      formats_[style] = workbook_add_format(wb_);
      applyStyle(formats_[style], sheet_.styles()[style]);
    }
    return formats_[style];
  }

  lxw_error writeRow(int r) {
    const Row& row = *sheet_.row(r);
    const auto rowIndex = static_cast<lxw_row_t>(r - 1);
    if (row.level > 0) {
      lxw_row_col_options options{0, row.level, 0};
      if (lxw_error e = worksheet_set_row_opt(ws_, rowIndex, LXW_DEF_ROW_HEIGHT, nullptr, &options)) return e;
    }
    for (size_t c = 0; c < row.cells.size(); ++c)
      if (lxw_error e = writeCell(rowIndex, static_cast<lxw_col_t>(c), row.cells[c])) return e;
    return LXW_NO_ERROR;
  }

  lxw_error writeCell(lxw_row_t row, lxw_col_t col, const Cell& cell) {
    lxw_format* f = format(cell.style);
    switch (cell.kind) {
      case CellKind::Empty:
        return f ? worksheet_write_blank(ws_, row, col, f) : LXW_NO_ERROR;
      case CellKind::Number:
        if (!std::isfinite(cell.number)) return worksheet_write_blank(ws_, row, col, f);
        return worksheet_write_number(ws_, row, col, cell.number, f);
      case CellKind::Date: {
        if (!std::isfinite(cell.number)) return worksheet_write_blank(ws_, row, col, f);
        // A day before Excel's first one stays readable as the text the user would have typed.
        const DateValue date{cell.number};
        if (const auto serial = excelSerial(date)) return worksheet_write_number(ws_, row, col, *serial, f);
        return worksheet_write_string(ws_, row, col, cellText(date).c_str(), f);
      }
      case CellKind::Text: {
        const std::string text = cellString(sheet_.text(cell.text));
        return text.empty() ? worksheet_write_blank(ws_, row, col, f)
                            : worksheet_write_string(ws_, row, col, text.c_str(), f);
      }
      case CellKind::Boolean:
        return worksheet_write_boolean(ws_, row, col, cell.number != 0, f);
      case CellKind::Formula: {
        const std::string formula(sheet_.text(cell.text));
        if (auto result = evaluateFormula(formula, sheet_))
          return worksheet_write_formula_num(ws_, row, col, formula.c_str(), f, *result);
        return worksheet_write_formula_str(ws_, row, col, formula.c_str(), f, "");
      }
    }
    return LXW_NO_ERROR;
  }

  lxw_workbook* wb_;
  lxw_worksheet* ws_;
  const Worksheet& sheet_;
  std::vector<lxw_format*> formats_;
};

// The writer's failures as the user reads them (lxw_strerror speaks English): mostly the file
// system's, seen through the writer's temporary files and its zip packing.
constexpr platform::CodeText kWriterTexts[] = {
    {LXW_ERROR_MEMORY_MALLOC_FAILED, "Nicht genügend Arbeitsspeicher"},
    {LXW_ERROR_CREATING_XLSX_FILE, "Die Datei kann nicht angelegt werden"},
    {LXW_ERROR_CREATING_TMPFILE, "Eine temporäre Datei kann nicht angelegt werden"},
    {LXW_ERROR_READING_TMPFILE, "Eine temporäre Datei kann nicht gelesen werden"},
    {LXW_ERROR_ZIP_FILE_OPERATION, "Die Datei kann nicht gepackt werden"},
    {LXW_ERROR_ZIP_FILE_ADD, "Die Datei kann nicht gepackt werden"},
    {LXW_ERROR_ZIP_CLOSE, "Die Datei kann nicht abgeschlossen werden"},
};

Error writeError(lxw_error e, const std::filesystem::path& file) {
  return Error::make(kWriteFailed, "Die Arbeitsmappe " + platform::userPath(file) +
                                       " konnte nicht geschrieben werden: " +
                                       platform::textOfCode(kWriterTexts, e, "Fehler beim Schreiben") +
                                       " (libxlsxwriter " + std::to_string(static_cast<int>(e)) + ")");
}

}  // namespace

Status writeXlsx(const Workbook& book, const std::filesystem::path& file) {
  const platform::ScopedCNumbers cNumbers;  // the library prints numbers with printf
  lxw_workbook_options options{};
  options.constant_memory = LXW_TRUE;
  options.use_zip64 = LXW_TRUE;
  lxw_workbook* wb = workbook_new_opt(file.c_str(), &options);
  if (!wb) return writeError(LXW_ERROR_MEMORY_MALLOC_FAILED, file);
  lxw_error failure = LXW_NO_ERROR;
  const auto active = book.activeSheet();
  for (const auto& sheet : book.sheets()) {
    lxw_worksheet* ws = workbook_add_worksheet(wb, sheet->name().c_str());
    if (!ws) {
      failure = LXW_ERROR_SHEETNAME_ALREADY_USED;
      break;
    }
    if (sheet == active) worksheet_activate(ws);
    if ((failure = SheetWriter(wb, ws, *sheet).write()) != LXW_NO_ERROR) break;
  }
  const lxw_error closed = workbook_close(wb);  // frees wb, also after a failure
  if (failure == LXW_NO_ERROR) failure = closed;
  if (failure != LXW_NO_ERROR) return writeError(failure, file);
  return okStatus();
}

std::string csvBytes(const Worksheet& sheet) {
  int lastRow = 0, lastColumn = 0;
  for (int r = 1; r <= sheet.usedRows(); ++r) {
    const Row& row = *sheet.row(r);
    for (size_t c = row.cells.size(); c > 0; --c)
      if (row.cells[c - 1].kind != CellKind::Empty) {
        lastRow = r;
        lastColumn = std::max(lastColumn, static_cast<int>(c));
        break;
      }
  }
  std::string out;
  for (int r = 1; r <= lastRow; ++r) {
    for (int c = 1; c <= lastColumn; ++c) {
      if (c > 1) out += ';';
      const CellValue v = sheet.value(r, c);
      std::string field = std::holds_alternative<double>(v)
                              ? formatNumber(std::get<double>(v), sheet.styleOf(r, c).numberFormat)
                              : cellText(v);
      if (field.find_first_of(";\"\r\n") != std::string::npos) {
        std::string quoted = "\"";
        for (char ch : field) quoted += ch == '"' ? std::string("\"\"") : std::string(1, ch);
        field = quoted + "\"";
      }
      out += platform::fromUtf8(field);
    }
    out += "\r\n";
  }
  return out;
}

}  // namespace riviza::office
