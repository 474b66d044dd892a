// The file formats of the layer: .xlsx written through libxlsxwriter, CSV written as German
// Excel writes it, .xls read through freexl and .xlsx read through the zip reader and expat
// (office layer).
//
// Writers take the native path of a file that exists and may be overwritten (save_file.h gives
// them a fresh temporary one). Readers append the file's sheets to an empty workbook with their
// names and values: numbers, texts, flags, dates (cells whose format shows a date) and the last
// results of formulas. A formula whose result the reader does not get stays a formula cell
// (Range::formula), so that it is not taken for an empty cell: in an .xlsx one saved without its
// result, with its text; in an .xls every one (freexl keeps no results), of the text "=".
// Fonts, fills, borders, widths and the rest of the formatting of a read file are not kept.
#pragma once

#include <filesystem>
#include <string>

#include "platform/result.h"

namespace riviza::office {

class Workbook;
class Worksheet;

Status writeXlsx(const Workbook& book, const std::filesystem::path& file);
// The CSV bytes of one sheet: ";" between fields, fields holding ";", quotes or line breaks in
// quotes (quotes doubled), numbers with decimal comma, dates as their text, flags WAHR/FALSCH,
// formulas as their result; Windows-1252, CR LF after every row up to the last one used.
std::string csvBytes(const Worksheet& sheet);

Status readXls(const std::filesystem::path& file, Workbook& into);
Status readXlsx(const std::filesystem::path& file, Workbook& into);

}  // namespace riviza::office
