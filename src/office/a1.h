// A1 cell names: column letters and row numbers of a worksheet (office layer).
//
// Rows count from 1 to 1,048,576 and columns from 1 ("A") to 16,384 ("XFD"), the size of an
// .xlsx sheet. A name may carry "$" before its letters and its digits and may be written in small
// letters; it names a cell only when both parts lie on the sheet.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace riviza::office {

inline constexpr int kMaxRows = 1048576;
inline constexpr int kMaxColumns = 16384;

struct CellRef {
  int row = 1;
  int column = 1;
  friend bool operator==(const CellRef&, const CellRef&) = default;
};

// "A" for 1, "Z" for 26, "AA" for 27, "XFD" for 16,384; empty outside 1..16,384.
std::string columnName(int column);
// The column number of letters ("aa" as "AA"), nullopt when they name no column of the sheet.
std::optional<int> columnNumber(std::string_view letters);
// "B7" for row 7, column 2.
std::string a1Name(CellRef cell);
// The cell of "B7", "$B$7", "b7"; nullopt for anything else.
std::optional<CellRef> parseA1(std::string_view name);

}  // namespace riviza::office
