// Reading .xlsx workbooks: the package unpacked by the zip reader into a private temporary
// folder, its parts parsed with expat (office layer); see file_formats.h.
//
// The parts are found as the package format says: _rels/.rels names the workbook part, the
// workbook's relationships name its sheets, shared strings and styles. Element names are
// compared without their namespace prefix. The styles are read only to tell which cells show a
// date. A part that is missing or malformed, a shared-string index or a cell position out of
// range make the whole read fail (kBadFile), naming the part.
#include <expat.h>
#include <stdlib.h>

#include <algorithm>
#include <charconv>
#include <functional>
#include <limits>
#include <map>
#include <vector>

#include "office/a1.h"
#include "office/errors.h"
#include "office/file_formats.h"
#include "office/style.h"
#include "office/workbook.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "zip/kvoUnZip.h"

namespace riviza::office {
namespace {

namespace fs = std::filesystem;

// What a workbook may unpack to: its parts deflate about 10 to 1, a sheet of repeated rows some
// 50 to 1, so 200 times the file and never more than 1 GiB (deflate reaches 1000 to 1 on
// nothing but repeats).
constexpr uint32_t kMaxUnpackedRatio = 200;
constexpr uint64_t kMaxUnpackedBytes = 1ull << 30;
constexpr double kDays1904 = 1462;  // 01.01.1904 in the 1900 date system

using Attributes = const XML_Char**;

std::string_view localName(const XML_Char* name) {
  std::string_view n(name);
  const size_t colon = n.rfind(':');
  return colon == std::string_view::npos ? n : n.substr(colon + 1);
}

const char* attribute(Attributes attrs, std::string_view name) {
  for (int i = 0; attrs[i]; i += 2)
    if (localName(attrs[i]) == name) return attrs[i + 1];
  return nullptr;
}

// A whole decimal attribute; none for text that is no number or does not fit an int (atoi
// would wrap "4294967297" to 1).
std::optional<int> wholeNumber(const char* text) {
  const auto v = text ? platform::parseInt(text) : std::nullopt;
  if (!v || *v < std::numeric_limits<int>::min() || *v > std::numeric_limits<int>::max()) return std::nullopt;
  return static_cast<int>(*v);
}

// An expat parse of one part, fed from the file in blocks.
struct XmlHandler {
  std::function<void(std::string_view, Attributes)> start;
  std::function<void(std::string_view)> end;
  std::function<void(std::string_view)> text;
};

Error badPart(const std::string& part, const std::string& why) {
  return Error::make(kBadFile, "Die Arbeitsmappe ist beschädigt (" + part + "): " + why);
}

// A part name stays inside the unpacked package: relative, without "." or ".." segments. An
// absolute target ("//tmp/x.xml" resolves to "/tmp/x.xml") would otherwise replace the root.
bool imPaket(const std::string& part) {
  const std::string wrapped = "/" + part + "/";
  return !part.empty() && part.front() != '/' && wrapped.find("/../") == std::string::npos &&
         wrapped.find("/./") == std::string::npos;
}

Status parseXml(const fs::path& root, const std::string& part, XmlHandler& h) {
  if (!imPaket(part)) return badPart(part, "Verweis aus dem Paket hinaus");
  auto file = platform::File::openNative((root / part).string(), platform::File::Mode::Read);
  if (!file) return badPart(part, "Teil fehlt");
  std::unique_ptr<XML_ParserStruct, decltype(&XML_ParserFree)> parser(XML_ParserCreate("UTF-8"),
                                                                      XML_ParserFree);
  XML_SetUserData(parser.get(), &h);
  XML_SetElementHandler(
      parser.get(),
      [](void* data, const XML_Char* name, const XML_Char** attrs) {
        auto* self = static_cast<XmlHandler*>(data);
        if (self->start) self->start(localName(name), attrs);
      },
      [](void* data, const XML_Char* name) {
        auto* self = static_cast<XmlHandler*>(data);
        if (self->end) self->end(localName(name));
      });
  XML_SetCharacterDataHandler(parser.get(), [](void* data, const XML_Char* s, int len) {
    auto* self = static_cast<XmlHandler*>(data);
    if (self->text) self->text(std::string_view(s, static_cast<size_t>(len)));
  });
  char buffer[1 << 16];
  for (;;) {
    auto got = file->read(buffer, sizeof buffer);
    if (!got) return got.error();
    const bool last = *got == 0;
    if (XML_Parse(parser.get(), buffer, static_cast<int>(*got), last) == XML_STATUS_ERROR)
      return badPart(part, std::string(XML_ErrorString(XML_GetErrorCode(parser.get()))) + " in Zeile " +
                               std::to_string(XML_GetCurrentLineNumber(parser.get())));
    if (last) return okStatus();
  }
}

// The relationships of a part: id -> target, and type suffix -> target, targets resolved
// against the part's folder.
struct Relationships {
  std::map<std::string, std::string> byId;
  std::map<std::string, std::string> byType;  // the type's last path segment
};

std::string resolve(const std::string& folder, std::string target) {
  if (!target.empty() && target[0] == '/') return target.substr(1);
  std::string path = folder;
  while (target.rfind("../", 0) == 0) {
    target.erase(0, 3);
    const size_t slash = path.find_last_of('/', path.size() >= 2 ? path.size() - 2 : 0);
    path = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  }
  return path + target;
}

Result<Relationships> readRelationships(const fs::path& root, const std::string& part) {
  const size_t slash = part.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "" : part.substr(0, slash + 1);
  const std::string relsPart = folder + "_rels/" + part.substr(folder.size()) + ".rels";
  Relationships rels;
  XmlHandler h;
  h.start = [&](std::string_view name, Attributes attrs) {
    if (name != "Relationship") return;
    const char* id = attribute(attrs, "Id");
    const char* type = attribute(attrs, "Type");
    const char* target = attribute(attrs, "Target");
    if (!target) return;
    const std::string resolved = resolve(folder, target);
    if (id) rels.byId[id] = resolved;
    if (type) {
      std::string_view t(type);
      rels.byType[std::string(t.substr(t.find_last_of('/') + 1))] = resolved;
    }
  };
  RIVIZA_TRY(parseXml(root, relsPart, h));
  return rels;
}

// Shared strings: the text of each <si>, runs joined, phonetic runs left out.
Result<std::vector<std::string>> readSharedStrings(const fs::path& root, const std::string& part) {
  std::vector<std::string> strings;
  bool inText = false;
  int phonetic = 0;
  XmlHandler h;
  h.start = [&](std::string_view name, Attributes) {
    if (name == "si") strings.emplace_back();
    if (name == "rPh") ++phonetic;
    if (name == "t") inText = phonetic == 0 && !strings.empty();
  };
  h.end = [&](std::string_view name) {
    if (name == "rPh") --phonetic;
    if (name == "t") inText = false;
  };
  h.text = [&](std::string_view s) {
    if (inText) strings.back().append(s);
  };
  RIVIZA_TRY(parseXml(root, part, h));
  return strings;
}

// For each cell format (xf) of the styles part: whether it shows a date.
Result<std::vector<bool>> readDateStyles(const fs::path& root, const std::string& part) {
  std::map<int, std::string> custom;
  std::vector<int> xfFormats;
  bool inCellXfs = false;
  XmlHandler h;
  h.start = [&](std::string_view name, Attributes attrs) {
    if (name == "numFmt") {
      const char* id = attribute(attrs, "numFmtId");
      const char* code = attribute(attrs, "formatCode");
      if (auto n = wholeNumber(id); n && code) custom[*n] = code;
    } else if (name == "cellXfs") {
      inCellXfs = true;
    } else if (name == "xf" && inCellXfs) {
      const char* id = attribute(attrs, "numFmtId");
      xfFormats.push_back(wholeNumber(id).value_or(0));
    }
  };
  h.end = [&](std::string_view name) {
    if (name == "cellXfs") inCellXfs = false;
  };
  RIVIZA_TRY(parseXml(root, part, h));
  std::vector<bool> dates;
  for (int id : xfFormats) {
    auto it = custom.find(id);
    dates.push_back(it != custom.end() ? isDateFormat(it->second) : isBuiltInDateFormat(id));
  }
  return dates;
}

std::optional<double> parseNumber(std::string_view s) {
  double v = 0;
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || p != s.data() + s.size()) return std::nullopt;
  return v;
}

// "2024-03-15" or "2024-03-15T10:30:00" (the t="d" cells of some writers).
std::optional<double> isoDate(std::string_view s) {
  platform::DateTime t;
  if (s.size() < 10 || s[4] != '-' || s[7] != '-') return std::nullopt;
  auto num = [&](size_t at, size_t len) { return parseNumber(s.substr(at, len)).value_or(-1); };
  t.year = static_cast<int>(num(0, 4)), t.month = static_cast<int>(num(5, 2)),
  t.day = static_cast<int>(num(8, 2));
  if (!platform::isValidDate(t.year, t.month, t.day)) return std::nullopt;
  if (s.size() >= 19)
    t.hour = static_cast<int>(num(11, 2)), t.minute = static_cast<int>(num(14, 2)),
    t.second = static_cast<int>(num(17, 2));
  return platform::toDateTimeNumber(t);
}

struct SheetContext {
  const std::vector<std::string>& strings;
  const std::vector<bool>& dateStyles;
  bool date1904 = false;
};

// What a <c> element of a sheet says of its cell.
struct CellText {
  std::string type;                    // the t attribute, "n" when absent
  std::string value;                   // <v>
  std::string inlineText;              // <is><t>
  bool isDate = false;                 // its style shows a date
  std::optional<std::string> formula;  // <f>, empty for a shared formula's other cells
};

// The cell's value by its type; empty for an empty or unreadable value, an error for a text index
// outside the shared strings.
Result<CellValue> cellValue(const CellText& c, const SheetContext& ctx, const std::string& part) {
  if (c.type == "s") {
    auto index = parseNumber(c.value);
    if (!index || *index < 0 || *index >= static_cast<double>(ctx.strings.size()))
      return badPart(part, "ungültiger Textverweis " + c.value);
    return CellValue{ctx.strings[static_cast<size_t>(*index)]};
  }
  if (c.type == "inlineStr") return CellValue{c.inlineText};
  if (c.type == "str" || c.type == "e") return c.value.empty() ? CellValue{} : CellValue{c.value};
  if (c.type == "b") return CellValue{c.value == "1"};
  if (c.type == "d") {
    auto d = isoDate(c.value);
    return d ? CellValue{DateValue{*d}} : CellValue{};
  }
  auto d = parseNumber(c.value);
  if (!d) return CellValue{};
  if (c.isDate) return CellValue{ctx.date1904 ? DateValue{*d + kDays1904} : fromExcelSerial(*d)};
  return CellValue{*d};
}

Status readSheet(const fs::path& root, const std::string& part, const SheetContext& ctx, Worksheet& sheet) {
  int row = 0, column = 0;
  CellText cell;
  bool inValue = false, inInline = false, inCell = false, inFormula = false;
  std::optional<Error> failure;
  XmlHandler h;
  h.start = [&](std::string_view name, Attributes attrs) {
    if (name == "row") {
      const char* r = attribute(attrs, "r");
      // A number that is none or out of range names no row: its cells are refused below.
      row = r ? wholeNumber(r).value_or(0) : row + 1;
      column = 0;
    } else if (name == "c") {
      inCell = true;
      const char* r = attribute(attrs, "r");
      auto ref = r ? parseA1(r) : std::nullopt;
      if (ref)
        row = ref->row, column = ref->column;
      else
        ++column;
      const char* t = attribute(attrs, "t");
      const size_t style = static_cast<size_t>(std::max(0, wholeNumber(attribute(attrs, "s")).value_or(0)));
      cell = {t ? t : "n", "", "", style < ctx.dateStyles.size() && ctx.dateStyles[style], std::nullopt};
    } else if (name == "v" && inCell) {
      inValue = true;
    } else if (name == "t" && inCell) {
      inInline = true;
    } else if (name == "f" && inCell) {
      inFormula = true;
      cell.formula.emplace();
    }
  };
  h.text = [&](std::string_view s) {
    if (inValue) cell.value.append(s);
    if (inInline) cell.inlineText.append(s);
    if (inFormula) cell.formula->append(s);
  };
  h.end = [&](std::string_view name) {
    if (name == "v") inValue = false;
    if (name == "t") inInline = false;
    if (name == "f") inFormula = false;
    if (name != "c" || failure) return;
    inCell = false;
    if (row < 1 || row > sheet.rowsCount() || column < 1 || column > kMaxColumns) {
      failure = badPart(part, "Zelle außerhalb des Tabellenblatts");
      return;
    }
    Result<CellValue> v = cellValue(cell, ctx, part);
    if (!v)
      failure = v.error();
    else if (!std::holds_alternative<std::monostate>(*v))
      sheet.putValue(row, column, std::move(*v));
    else if (cell.formula)  // a formula whose result the file does not keep
      sheet.putFormula(row, column, "=" + *cell.formula);
  };
  RIVIZA_TRY(parseXml(root, part, h));
  if (failure) return *failure;
  return okStatus();
}

// A private folder removed with everything in it.
struct TempFolder {
  fs::path path;
  ~TempFolder() {
    std::error_code ec;
    if (!path.empty()) fs::remove_all(path, ec);
  }
};

// The package unpacked into a new private folder; what cannot be unpacked shows as a missing part.
Status unpack(const fs::path& file, TempFolder& temp) {
  std::error_code ec;
  const fs::path tmp = fs::temp_directory_path(ec);
  if (ec) return platform::errnoError(ec.value(), "Temporären Ordner finden", "");
  const fs::path archive = fs::absolute(file, ec);
  if (ec) return platform::errnoError(ec.value(), "Arbeitsmappe finden", platform::pathText(file));
  std::string pattern = (tmp / "riviza-xlsx-XXXXXX").string();
  if (!mkdtemp(pattern.data())) return platform::errnoError(errno, "Temporären Ordner anlegen", pattern);
  temp.path = pattern;
  zip::TUnZip unzip;
  unzip.FileSpec = {"*"};
  unzip.ExtractLimitBytes = kMaxUnpackedBytes;
  unzip.ExtractLimitRatio = kMaxUnpackedRatio;
  unzip.SetArchiveFile(platform::pathText(archive));
  unzip.SetExtractDir(platform::pathText(temp.path));
  unzip.Extract();
  return okStatus();
}

}  // namespace

Status readXlsx(const fs::path& file, Workbook& into) {
  TempFolder temp;
  RIVIZA_TRY(unpack(file, temp));
  const fs::path& root = temp.path;

  auto packageRels = readRelationships(root, "");
  if (!packageRels) return packageRels.error();
  auto workbookPart = packageRels->byType.find("officeDocument");
  if (workbookPart == packageRels->byType.end()) return badPart("_rels/.rels", "keine Arbeitsmappe");
  const std::string bookPart = workbookPart->second;
  auto bookRels = readRelationships(root, bookPart);
  if (!bookRels) return bookRels.error();

  std::vector<std::string> strings;
  if (auto it = bookRels->byType.find("sharedStrings"); it != bookRels->byType.end()) {
    auto read = readSharedStrings(root, it->second);
    if (!read) return read.error();
    strings = std::move(*read);
  }
  std::vector<bool> dateStyles;
  if (auto it = bookRels->byType.find("styles"); it != bookRels->byType.end()) {
    auto read = readDateStyles(root, it->second);
    if (!read) return read.error();
    dateStyles = std::move(*read);
  }

  std::vector<std::pair<std::string, std::string>> sheets;  // name, part
  SheetContext ctx{strings, dateStyles};
  XmlHandler h;
  h.start = [&](std::string_view name, Attributes attrs) {
    if (name == "workbookPr") {
      const char* d = attribute(attrs, "date1904");
      ctx.date1904 = d && (std::string_view(d) == "1" || std::string_view(d) == "true");
    } else if (name == "sheet") {
      const char* sheetName = attribute(attrs, "name");
      const char* id = attribute(attrs, "id");
      auto target = id ? bookRels->byId.find(id) : bookRels->byId.end();
      if (sheetName && target != bookRels->byId.end()) sheets.emplace_back(sheetName, target->second);
    }
  };
  RIVIZA_TRY(parseXml(root, bookPart, h));
  for (const auto& [name, part] : sheets) RIVIZA_TRY(readSheet(root, part, ctx, *into.appendWorksheet(name)));
  return okStatus();
}

}  // namespace riviza::office
