// Formulas: moving their row references when rows are inserted, and the results of the simple
// formulas the exports write (office layer).
//
// The layer keeps formulas as text in Excel's English syntax ("=SUM(A2:A46)"). Inserting rows
// moves every reference to a row at or below the insertion, as a spreadsheet program does;
// references to other sheets move only when they name the sheet that grew. A file keeps each
// formula's last result beside it, and programs that do not recalculate on load (LibreOffice
// among them) show that result, so the writer stores the result of the formulas it can compute:
// SUM, MIN, MAX, AVERAGE and COUNT of numbers, cells and ranges of the same sheet, nested, and a
// plain reference or number. Other formulas are stored without a result.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace riviza::office {

class Worksheet;

// The formula with every row reference >= at moved down by count: unqualified references (unless
// qualifiedOnly) and references qualified with sheetName (ignoring case); "$" rows move too.
std::string shiftRowReferences(std::string_view formula, std::string_view sheetName, bool qualifiedOnly,
                               int at, int count);

// The result of a formula on `sheet`, when it is of the kinds above; nullopt otherwise.
std::optional<double> evaluateFormula(std::string_view formula, const Worksheet& sheet);

}  // namespace riviza::office
