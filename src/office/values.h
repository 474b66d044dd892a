// Cell values, the constants of Excel's automation interface that the layer takes, and the text
// of a value as a German user would have typed it (office layer).
//
// Values are typed: a number, a text, a flag or a date. A text is always a text cell, whatever
// it starts with ("=1+1" stays text); formulas are set through Range::setFormula only. A date is
// kept as Excel keeps it, the days since 30.12.1899 with the time of day as the fraction, so
// that dates sort, subtract and sum as numbers. Colours are Excel's values, 0x00BBGGRR (the
// order of the Windows colour), and become RGB only in the file writers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

namespace riviza::office {

using XlColor = std::uint32_t;  // 0x00BBGGRR

struct DateValue {
  double serial = 0;  // days since 30.12.1899; the fraction is the time of day
  friend bool operator==(const DateValue&, const DateValue&) = default;
};

// Empty, number, text, flag or date.
using CellValue = std::variant<std::monostate, double, std::string, bool, DateValue>;

// A date as the files store it: Excel's calendar counts a 29 February 1900 that never was, so
// before 1 March 1900 its serial numbers are one below the days since 30.12.1899 (written as
// they stand, such dates came back one day late). None for a day Excel cannot hold, before
// 01.01.1900; a time of day alone (below 1) is kept as it is.
std::optional<double> excelSerial(const DateValue& value);
// The date of a serial number of Excel's 1900 date system.
DateValue fromExcelSerial(double serial);

// The constants of Excel's object model that the layer accepts, with Excel's own values, so a
// caller translating an Excel program keeps its numbers. Other values are refused as Excel
// refuses them (kBadValue).
inline constexpr int xlHAlignGeneral = 1;
inline constexpr int xlHAlignLeft = -4131;
inline constexpr int xlHAlignRight = -4152;
inline constexpr int xlHAlignCenter = -4108;

inline constexpr int xlContinuous = 1;
inline constexpr int xlDash = -4115;
inline constexpr int xlDashDot = 4;
inline constexpr int xlDashDotDot = 5;
inline constexpr int xlDot = -4118;
inline constexpr int xlDouble = -4119;
inline constexpr int xlSlantDashDot = 13;
inline constexpr int xlLineStyleNone = -4142;

inline constexpr int xlHairline = 1;
inline constexpr int xlThin = 2;
inline constexpr int xlMedium = -4138;
inline constexpr int xlThick = 4;

// Borders(index): the four edges of a range and the lines between its cells.
inline constexpr int xlEdgeLeft = 7;
inline constexpr int xlEdgeTop = 8;
inline constexpr int xlEdgeBottom = 9;
inline constexpr int xlEdgeRight = 10;
inline constexpr int xlInsideVertical = 11;
inline constexpr int xlInsideHorizontal = 12;

// Orientation: degrees from -90 to 90, or one of these.
inline constexpr int xlHorizontal = -4128;
inline constexpr int xlUpward = -4171;
inline constexpr int xlDownward = -4170;
inline constexpr int xlVertical = -4166;

// Outline.SummaryRow and Outline.SummaryColumn.
inline constexpr int xlSummaryAbove = 0;
inline constexpr int xlSummaryBelow = 1;
inline constexpr int xlSummaryOnLeft = -4131;
inline constexpr int xlSummaryOnRight = 1;
inline constexpr int xlRight = -4152;  // what Excel programs often pass for "on the right"

// SaveAs file formats.
inline constexpr int xlCSV = 6;
inline constexpr int xlExcel9795 = 43;
inline constexpr int xlOpenXMLWorkbook = 51;
inline constexpr int xlWorkbookDefault = 51;
inline constexpr int xlExcel8 = 56;
inline constexpr int xlWorkbookNormal = -4143;

// A number as German text: up to 15 significant digits, decimal comma, no grouping, an exponent
// as "E20" ("1234567", "12,5", "1E20"), as the program's FloatToStr writes it.
std::string germanNumberText(double value);

// The text of a value as a user typed it: numbers as above, dates "dd.mm.yyyy" (with
// " hh:mm:ss" when they carry a time; a time alone "hh:mm:ss"), flags "WAHR" / "FALSCH", the
// empty value as "".
std::string cellText(const CellValue& value);

}  // namespace riviza::office
