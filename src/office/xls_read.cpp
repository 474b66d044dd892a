// Reading .xls workbooks through freexl (office layer); see file_formats.h.
//
// freexl gives each cell typed: integers and doubles become numbers, dates (text "YYYY-MM-DD",
// with " HH:MM:SS" for a date-time, or a time "HH:MM:SS") become date values, texts stay texts.
// A formula cell comes back empty: the library does not keep formula results. So that such a
// cell is not taken for an empty one, the cells holding a formula are found in the file itself
// (the FORMULA records of each sheet's BIFF stream inside the compound file) and become formula
// cells without a result, of the text "=" (their formula is not read). A file whose compound
// structure cannot be followed keeps freexl's reading.
#include <freexl.h>

#include <charconv>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "office/errors.h"
#include "office/file_formats.h"
#include "office/workbook.h"
#include "platform/clock.h"
#include "platform/files.h"
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

// ---- the formula cells, from the compound file and its BIFF records ----
//
// Compound file header (little-endian; MS-CFB):
// | offset | size | field                                             |
// |--------|------|---------------------------------------------------|
// | 0x00   | 8    | signature D0 CF 11 E0 A1 B1 1A E1                 |
// | 0x1E   | 2    | sector shift: 9 (512 bytes) or 12 (4096 bytes)    |
// | 0x2C   | 4    | number of FAT sectors                             |
// | 0x30   | 4    | first directory sector                            |
// | 0x38   | 4    | mini stream cutoff: smaller streams are mini ones |
// | 0x3C   | 4    | first mini FAT sector                             |
// | 0x44   | 4    | first DIFAT sector                                |
// | 0x4C   | 436  | the first 109 FAT sector numbers                  |
// Sector s starts at (s + 1) << shift. A directory entry is 128 bytes: 0x00 name (UTF-16LE),
// 0x40 its byte length, 0x42 type (2: stream, 5: root, whose stream is the mini stream), 0x74
// first sector, 0x78 size (4 bytes; a workbook's streams stay below 4 GiB). A BIFF record is
// type (2), size (2) and data: BOUNDSHEET 0x0085 (data 0..3: the offset of the sheet's BOF,
// sheets in order), BOF 0x0809 (0x0009, 0x0209, 0x0409 in older versions), FORMULA 0x0006
// (0x0206, 0x0406) with row (data 0..1) and column (2..3) from 0.

constexpr uint32_t kLastSector = 0xFFFFFFFA;  // numbers from here on end a chain
constexpr size_t kHeaderFatEntries = 109;
constexpr size_t kMiniSector = 64;
constexpr int kXlsColumns = 256;

struct Reader {
  std::string_view b;
  bool ok = true;
  uint32_t u32(size_t at) {
    if (at > b.size() || b.size() - at < 4) return ok = false, 0;
    return static_cast<uint32_t>(static_cast<unsigned char>(b[at])) |
           static_cast<uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
           static_cast<uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
  }
  uint16_t u16(size_t at) {
    if (at > b.size() || b.size() - at < 2) return ok = false, 0;
    const unsigned low = static_cast<unsigned char>(b[at]), high = static_cast<unsigned char>(b[at + 1]);
    return static_cast<uint16_t>(low | high << 8);
  }
};

// The sectors of a chain through `fat` (the FAT or the mini FAT), of `size` bytes each, sector s
// at (s + 1) * size of `file`; nullopt for a chain that leaves the file or the table, or loops.
// `bytes`: the stream's length, when known.
std::optional<std::string> chain(const std::vector<uint32_t>& fat, uint32_t first, size_t size,
                                 std::string_view file, std::optional<uint64_t> bytes) {
  std::string out;
  for (uint32_t s = first; s < kLastSector && (!bytes || out.size() < *bytes); s = fat[s]) {
    if (s >= fat.size() || out.size() / size > fat.size()) return std::nullopt;
    const size_t at = (static_cast<size_t>(s) + 1) * size;
    if (at >= file.size()) return std::nullopt;
    out.append(file.substr(at, size));
  }
  if (bytes) {
    if (out.size() < *bytes) return std::nullopt;
    out.resize(static_cast<size_t>(*bytes));
  }
  return out;
}

// The workbook stream ("Workbook", "Book" for BIFF5) of a compound file.
std::optional<std::string> workbookStream(std::string_view file) {
  Reader r{file};
  if (file.substr(0, 8) != std::string_view("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)) return std::nullopt;
  const uint16_t shift = r.u16(0x1E);
  if (shift != 9 && shift != 12) return std::nullopt;
  const size_t sector = size_t{1} << shift;
  const size_t perSector = sector / 4;
  // The FAT sectors: 109 in the header, the rest in the DIFAT chain (its last entry links on).
  std::vector<uint32_t> fatSectors;
  const uint32_t fatCount = r.u32(0x2C);
  for (size_t i = 0; i < kHeaderFatEntries && fatSectors.size() < fatCount; ++i)
    fatSectors.push_back(r.u32(0x4C + 4 * i));
  for (uint32_t d = r.u32(0x44); d < kLastSector && fatSectors.size() < fatCount && r.ok;) {
    const size_t at = (static_cast<size_t>(d) + 1) * sector;
    for (size_t i = 0; i + 1 < perSector && fatSectors.size() < fatCount; ++i)
      fatSectors.push_back(r.u32(at + 4 * i));
    d = r.u32(at + 4 * (perSector - 1));
    if (fatSectors.size() > file.size() / sector) return std::nullopt;  // a looping DIFAT
  }
  std::vector<uint32_t> fat;
  for (uint32_t s : fatSectors)
    for (size_t i = 0; i < perSector && r.ok; ++i)
      fat.push_back(r.u32((static_cast<size_t>(s) + 1) * sector + 4 * i));
  if (!r.ok) return std::nullopt;
  const auto directory = chain(fat, r.u32(0x30), sector, file, std::nullopt);
  if (!directory) return std::nullopt;
  Reader d{*directory};
  std::optional<std::pair<uint32_t, uint32_t>> root, book;  // first sector, size
  for (size_t at = 0; at + 128 <= directory->size(); at += 128) {
    std::string name;
    for (size_t i = 0; i + 2 < d.u16(at + 0x40) && i < 64; i += 2) name += static_cast<char>(d.u16(at + i));
    const uint8_t type = static_cast<uint8_t>((*directory)[at + 0x42]);
    const std::pair<uint32_t, uint32_t> where{d.u32(at + 0x74), d.u32(at + 0x78)};
    if (type == 5) root = where;
    if (type == 2 && (name == "Workbook" || name == "Book") && !book) book = where;
  }
  if (!book) return std::nullopt;
  if (book->second >= r.u32(0x38)) return chain(fat, book->first, sector, file, book->second);
  // A small stream (LibreOffice writes small workbooks so) lies in the mini stream, the root's
  // stream, in sectors of 64 bytes chained through the mini FAT.
  if (!root) return std::nullopt;
  const auto miniStream = chain(fat, root->first, sector, file, root->second);
  const auto miniFatBytes = chain(fat, r.u32(0x3C), sector, file, std::nullopt);
  if (!miniStream || !miniFatBytes) return std::nullopt;
  Reader m{*miniFatBytes};
  std::vector<uint32_t> miniFat;
  for (size_t at = 0; at + 4 <= miniFatBytes->size(); at += 4) miniFat.push_back(m.u32(at));
  // The mini stream's sector 0 starts at its byte 0: chain() counts from one sector in.
  return chain(miniFat, book->first, kMiniSector, std::string(kMiniSector, '\0') + *miniStream, book->second);
}

bool isOne(uint16_t type, std::initializer_list<uint16_t> types) {
  for (uint16_t t : types)
    if (type == t) return true;
  return false;
}

// The (row, column) of every FORMULA record, from 1, per sheet in BOUNDSHEET order.
std::vector<std::vector<std::pair<int, int>>> formulaCells(std::string_view stream) {
  Reader r{stream};
  std::vector<uint32_t> sheetAt;
  std::vector<std::vector<std::pair<int, int>>> cells;
  constexpr size_t kNoSheet = static_cast<size_t>(-1);
  size_t sheet = kNoSheet;  // the sheet whose records these are
  for (size_t at = 0; at + 4 <= stream.size();) {
    const uint16_t type = r.u16(at), size = r.u16(at + 2);
    const size_t data = at + 4;
    if (data + size > stream.size()) break;
    if (type == 0x0085 && size >= 4) {
      sheetAt.push_back(r.u32(data));
      cells.emplace_back();
    } else if (isOne(type, {0x0809, 0x0409, 0x0209, 0x0009})) {
      sheet = kNoSheet;
      for (size_t i = 0; i < sheetAt.size(); ++i)
        if (sheetAt[i] == at) sheet = i;
    } else if (sheet != kNoSheet && size >= 4 && isOne(type, {0x0006, 0x0206, 0x0406})) {
      cells[sheet].push_back({r.u16(data) + 1, r.u16(data + 2) + 1});
    }
    at = data + size;
  }
  return cells;
}

// Marks the formula cells freexl left empty on the sheets read.
void markFormulas(const std::filesystem::path& file, Workbook& into) {
  const auto bytes = platform::readFile(platform::pathText(file));
  if (!bytes) return;
  const auto stream = workbookStream(*bytes);
  if (!stream) return;
  const auto cells = formulaCells(*stream);
  for (size_t s = 0; s < cells.size() && s < static_cast<size_t>(into.worksheetCount()); ++s) {
    const std::shared_ptr<Worksheet> sheet = into.worksheet(static_cast<int>(s) + 1);
    for (const auto& [row, column] : cells[s]) {
      const Cell* cell = sheet->cell(row, column);
      if (row <= sheet->rowsCount() && column <= kXlsColumns && (!cell || cell->kind == CellKind::Empty))
        sheet->putFormula(row, column, "=");
    }
  }
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
  // freexl numbers the sheets in 16 bits: a count beyond that would wrap the index for ever.
  for (unsigned int s = 0; s < sheets && s <= 0xFFFF; ++s) {
    const auto index = static_cast<unsigned short>(s);
    const char* name = nullptr;
    if (int e = freexl_get_worksheet_name(xls.handle, index, &name); e != FREEXL_OK) return xlsError(file, e);
    if (int e = freexl_select_active_worksheet(xls.handle, index); e != FREEXL_OK) return xlsError(file, e);
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
  markFormulas(file, into);
  return okStatus();
}

}  // namespace riviza::office
