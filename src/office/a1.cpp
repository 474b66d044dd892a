// A1 cell names (office layer); see a1.h.
#include "office/a1.h"

namespace riviza::office {

std::string columnName(int column) {
  if (column < 1 || column > kMaxColumns) return {};
  std::string letters;
  for (int n = column; n > 0; n = (n - 1) / 26)
    letters.insert(letters.begin(), static_cast<char>('A' + (n - 1) % 26));
  return letters;
}

std::optional<int> columnNumber(std::string_view letters) {
  if (letters.empty() || letters.size() > 3) return std::nullopt;
  int n = 0;
  for (char c : letters) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c < 'A' || c > 'Z') return std::nullopt;
    n = n * 26 + (c - 'A' + 1);
  }
  if (n > kMaxColumns) return std::nullopt;
  return n;
}

std::string a1Name(CellRef cell) { return columnName(cell.column) + std::to_string(cell.row); }

std::optional<CellRef> parseA1(std::string_view name) {
  size_t pos = 0;
  if (pos < name.size() && name[pos] == '$') ++pos;
  const size_t lettersStart = pos;
  while (pos < name.size() &&
         ((name[pos] >= 'A' && name[pos] <= 'Z') || (name[pos] >= 'a' && name[pos] <= 'z')))
    ++pos;
  auto column = columnNumber(name.substr(lettersStart, pos - lettersStart));
  if (!column) return std::nullopt;
  if (pos < name.size() && name[pos] == '$') ++pos;
  if (pos == name.size() || name[pos] == '0' || name.size() - pos > 7) return std::nullopt;
  long row = 0;
  for (; pos < name.size(); ++pos) {
    if (name[pos] < '0' || name[pos] > '9') return std::nullopt;
    row = row * 10 + (name[pos] - '0');
  }
  if (row < 1 || row > kMaxRows) return std::nullopt;
  return CellRef{static_cast<int>(row), *column};
}

}  // namespace riviza::office
