// Reading .xls workbooks through freexl (office layer); see file_formats.h.
//
// freexl gives each cell typed: integers and doubles become numbers, dates (text "YYYY-MM-DD",
// with " HH:MM:SS" for a date-time, or a time "HH:MM:SS") become date values, texts stay texts.
// A formula cell comes back empty: the library does not keep formula results.
#include <freexl.h>

#include <charconv>
#include <memory>

#include "office/errors.h"
#include "office/file_formats.h"
#include "office/workbook.h"
#include "platform/clock.h"
#include "platform/paths.h"

namespace riviza::office {
namespace {

struct XlsHandle {
  const void* handle = nullptr;
  ~XlsHandle() {
    if (handle) freexl_close(handle);
  }
};

Error xlsError(const std::filesystem::path& file, int code) {
  return Error::make(kBadFile, "Die Arbeitsmappe " + platform::userPath(file) + " kann nicht gelesen werden (freexl " +
                                   std::to_string(code) + ")");
}

int number(std::string_view text, size_t at, size_t len) {
  int v = 0;
  if (at + len > text.size()) return -1;
  auto [p, ec] = std::from_chars(text.data() + at, text.data() + at + len, v);
  return ec == std::errc() && p == text.data() + at + len ? v : -1;
}

// "YYYY-MM-DD", "YYYY-MM-DD HH:MM:SS" or "HH:MM:SS" as a date value; the text when it is none.
CellValue dateValue(std::string_view text) {
  platform::DateTime t;
  size_t timeAt = std::string_view::npos;
  if (text.size() >= 10 && text[4] == '-' && text[7] == '-') {
    t.year = number(text, 0, 4), t.month = number(text, 5, 2), t.day = number(text, 8, 2);
    if (!platform::isValidDate(t.year, t.month, t.day)) return std::string(text);
    if (text.size() >= 19) timeAt = 11;
  } else if (text.size() >= 8 && text[2] == ':') {
    timeAt = 0;
  }
  if (timeAt != std::string_view::npos) {
    t.hour = number(text, timeAt, 2), t.minute = number(text, timeAt + 3, 2),
    t.second = number(text, timeAt + 6, 2);
    if (t.hour < 0 || t.minute < 0 || t.second < 0) return std::string(text);
  }
  return DateValue{platform::toDateTimeNumber(t)};
}

}  // namespace

Status readXls(const std::filesystem::path& file, Workbook& into) {
  XlsHandle xls;
  if (int e = freexl_open(file.c_str(), &xls.handle); e != FREEXL_OK) {
    xls.handle = nullptr;
    return xlsError(file, e);
  }
  unsigned int sheets = 0;
  if (int e = freexl_get_info(xls.handle, FREEXL_BIFF_SHEET_COUNT, &sheets); e != FREEXL_OK)
    return xlsError(file, e);
  for (unsigned short s = 0; s < sheets; ++s) {
    const char* name = nullptr;
    if (int e = freexl_get_worksheet_name(xls.handle, s, &name); e != FREEXL_OK) return xlsError(file, e);
    if (int e = freexl_select_active_worksheet(xls.handle, s); e != FREEXL_OK) return xlsError(file, e);
    unsigned int rows = 0;
    unsigned short columns = 0;
    if (int e = freexl_worksheet_dimensions(xls.handle, &rows, &columns); e != FREEXL_OK)
      return xlsError(file, e);
    auto sheet = into.appendWorksheet(name ? name : "");
    if (rows > static_cast<unsigned>(sheet->rowsCount())) return xlsError(file, FREEXL_ILLEGAL_CELL_ROW_COL);
    for (unsigned int r = 0; r < rows; ++r)
      for (unsigned short c = 0; c < columns; ++c) {
        FreeXL_CellValue cell;
        if (int e = freexl_get_cell_value(xls.handle, r, c, &cell); e != FREEXL_OK) return xlsError(file, e);
        const int row = static_cast<int>(r) + 1, column = c + 1;
        switch (cell.type) {
          case FREEXL_CELL_INT:
            sheet->putValue(row, column, static_cast<double>(cell.value.int_value));
            break;
          case FREEXL_CELL_DOUBLE:
            sheet->putValue(row, column, cell.value.double_value);
            break;
          case FREEXL_CELL_TEXT:
          case FREEXL_CELL_SST_TEXT:
            sheet->putValue(row, column, std::string(cell.value.text_value));
            break;
          case FREEXL_CELL_DATE:
          case FREEXL_CELL_DATETIME:
          case FREEXL_CELL_TIME:
            sheet->putValue(row, column, dateValue(cell.value.text_value));
            break;
          default:
            break;
        }
      }
  }
  return okStatus();
}

}  // namespace riviza::office
