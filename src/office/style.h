// Cell styles: font, fill, borders, alignment and number format of a cell, kept once per
// worksheet in a table of distinct styles (office layer).
//
// A worksheet stores a style number per cell; formatting a range derives each cell's new style
// from its old one, and StyleTable::intern() gives equal styles one number, so a sheet of a
// million cells has a handful of styles and the writer one format each. Style 0 is the default
// (Calibri 11, no fill, no borders, "General"). Borders keep Excel's line style and weight
// constants; the writers map them to the file format's line kinds.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "office/values.h"
#include "platform/result.h"

namespace riviza::office {

struct BorderSide {
  int lineStyle = xlLineStyleNone;
  int weight = xlThin;
  std::optional<XlColor> color;  // none: automatic
  friend bool operator==(const BorderSide&, const BorderSide&) = default;
};

enum Side { kLeft = 0, kTop = 1, kBottom = 2, kRight = 3 };

struct Style {
  std::string fontName = "Calibri";
  double fontSize = 11;
  std::optional<XlColor> fontColor;  // none: automatic
  bool bold = false, italic = false, underline = false;
  std::optional<XlColor> fill;          // solid background; none: no fill
  std::array<BorderSide, 4> borders{};  // by Side
  int horizontalAlignment = xlHAlignGeneral;
  bool wrapText = false;
  int rotation = 0;  // degrees -90..90; 270: letters stacked (xlVertical)
  std::string numberFormat = "General";
  friend bool operator==(const Style&, const Style&) = default;
};

struct StyleHash {
  size_t operator()(const Style& s) const;
};

class StyleTable {
 public:
  StyleTable();
  // The number of an equal style, adding it when new.
  uint32_t intern(const Style& style);
  const Style& operator[](uint32_t id) const { return styles_[id]; }
  size_t size() const { return styles_.size(); }

 private:
  std::vector<Style> styles_;
  std::unordered_map<Style, uint32_t, StyleHash> index_;
};

// Font properties to change; unset ones stay as they are (Range.Font.Name = ... one by one).
struct FontChange {
  std::optional<std::string> name{};
  std::optional<double> size{};
  std::optional<XlColor> color{};
  std::optional<bool> bold{}, italic{}, underline{};
};

// Borders(index).LineStyle, .Weight and .Color (or .ColorIndex as a colour value).
struct BorderChange {
  std::optional<int> lineStyle{};
  std::optional<int> weight{};
  std::optional<XlColor> color{};
};

// Checks a value as Excel's property would: kBadValue with a German text when refused.
Status checkFontChange(const FontChange& change);
Status checkBorderChange(const BorderChange& change);
Status checkHorizontalAlignment(int alignment);
// Orientation (degrees -90..90 or an xl constant) to the stored rotation.
Result<int> rotationOf(int orientation);
// A number format code: at most four sections, quotes and brackets closed.
Status checkNumberFormat(std::string_view code);

// A format code that shows a date or a time (d, m, y, h or s outside quotes and brackets), and
// the built-in date formats of the file format by number (14-22, 45-47).
bool isDateFormat(std::string_view code);
bool isBuiltInDateFormat(int numFmtId);

// A number as its format code shows it in German (decimal comma, "." grouping): the decimals and
// grouping of the first section, "%", and the literal text before and after the digits.
// "General" and "@" give germanNumberText. Dates are not formatted here.
std::string formatNumber(double value, std::string_view code);

// The format a date or time gets when it is entered into a "General" cell, as Excel gives it.
std::string defaultDateFormat(DateValue value);

}  // namespace riviza::office
