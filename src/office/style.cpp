// Cell styles and the checks of their property values (office layer); see style.h.
#include "office/style.h"

#include <cmath>
#include <functional>

#include "office/errors.h"
#include "platform/clock.h"

namespace riviza::office {
namespace {

void combine(size_t& seed, size_t v) { seed ^= v + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2); }

size_t hashColor(const std::optional<XlColor>& c) { return c ? *c + 1 : 0; }

Error badValue(std::string what) { return Error::make(kBadValue, std::move(what)); }

}  // namespace

size_t StyleHash::operator()(const Style& s) const {
  size_t h = std::hash<std::string>{}(s.fontName);
  combine(h, std::hash<double>{}(s.fontSize));
  combine(h, hashColor(s.fontColor));
  combine(h, (s.bold ? 1u : 0u) | (s.italic ? 2u : 0u) | (s.underline ? 4u : 0u) | (s.wrapText ? 8u : 0u));
  combine(h, hashColor(s.fill));
  for (const BorderSide& b : s.borders) {
    combine(h, static_cast<size_t>(b.lineStyle) + 5000);
    combine(h, static_cast<size_t>(b.weight) + 5000);
    combine(h, hashColor(b.color));
  }
  combine(h, static_cast<size_t>(s.horizontalAlignment) + 5000);
  combine(h, static_cast<size_t>(s.rotation) + 1000);
  combine(h, std::hash<std::string>{}(s.numberFormat));
  return h;
}

StyleTable::StyleTable() { intern(Style{}); }

uint32_t StyleTable::intern(const Style& style) {
  auto [it, added] = index_.try_emplace(style, static_cast<uint32_t>(styles_.size()));
  if (added) styles_.push_back(style);
  return it->second;
}

Status checkFontChange(const FontChange& change) {
  if (change.name && change.name->empty()) return badValue("Leerer Schriftname");
  if (change.size && !(*change.size >= 1 && *change.size <= 409))
    return badValue("Schriftgröße außerhalb von 1 bis 409");
  if (change.color && *change.color > 0xFFFFFF) return badValue("Ungültige Schriftfarbe");
  return okStatus();
}

Status checkBorderChange(const BorderChange& change) {
  if (change.lineStyle) {
    switch (*change.lineStyle) {
      case xlContinuous:
      case xlDash:
      case xlDashDot:
      case xlDashDotDot:
      case xlDot:
      case xlDouble:
      case xlSlantDashDot:
      case xlLineStyleNone:
        break;
      default:
        return badValue("Ungültige Linienart " + std::to_string(*change.lineStyle));
    }
  }
  if (change.weight) {
    switch (*change.weight) {
      case xlHairline:
      case xlThin:
      case xlMedium:
      case xlThick:
        break;
      default:
        return badValue("Ungültige Linienstärke " + std::to_string(*change.weight));
    }
  }
  if (change.color && *change.color > 0xFFFFFF) return badValue("Ungültige Rahmenfarbe");
  return okStatus();
}

Status checkHorizontalAlignment(int alignment) {
  switch (alignment) {
    case xlHAlignGeneral:
    case xlHAlignLeft:
    case xlHAlignRight:
    case xlHAlignCenter:
      return okStatus();
    default:
      return badValue("Ungültige Ausrichtung " + std::to_string(alignment));
  }
}

Result<int> rotationOf(int orientation) {
  switch (orientation) {
    case xlHorizontal:
      return 0;
    case xlUpward:
      return 90;
    case xlDownward:
      return -90;
    case xlVertical:
      return 270;
    default:
      if (orientation >= -90 && orientation <= 90) return orientation;
      return badValue("Ungültige Textrichtung " + std::to_string(orientation));
  }
}

Status checkNumberFormat(std::string_view code) {
  if (code.empty()) return badValue("Leeres Zahlenformat");
  int sections = 1;
  for (size_t i = 0; i < code.size(); ++i) {
    const char c = code[i];
    if (c == '"' || c == '[') {
      const size_t close = code.find(c == '"' ? '"' : ']', i + 1);
      if (close == std::string_view::npos)
        return badValue("Zahlenformat nicht abgeschlossen: " + std::string(code));
      i = close;
    } else if (c == '\\' || c == '_' || c == '*') {
      if (++i >= code.size()) return badValue("Zahlenformat endet mitten im Zeichen: " + std::string(code));
    } else if (c == ';' && ++sections > 4) {
      return badValue("Zahlenformat mit mehr als vier Abschnitten: " + std::string(code));
    }
  }
  return okStatus();
}

bool isDateFormat(std::string_view code) {
  for (size_t i = 0; i < code.size(); ++i) {
    const char c = code[i];
    if (c == '"' || c == '[') {
      const size_t close = code.find(c == '"' ? '"' : ']', i + 1);
      if (close == std::string_view::npos) return false;
      i = close;
    } else if (c == '\\' || c == '_' || c == '*') {
      ++i;
    } else if (c == ';') {
      return false;  // the first section decides
    } else {
      switch (c) {
        case 'd':
        case 'D':
        case 'm':
        case 'M':
        case 'y':
        case 'Y':
        case 'h':
        case 'H':
        case 's':
        case 'S':
          return true;
        default:
          break;
      }
    }
  }
  return false;
}

bool isBuiltInDateFormat(int numFmtId) {
  return (numFmtId >= 14 && numFmtId <= 22) || (numFmtId >= 45 && numFmtId <= 47);
}

std::string formatNumber(double value, std::string_view code) {
  if (code == "General" || code == "@") return germanNumberText(value);
  std::string before, after, placeholders;
  bool seenNumber = false;
  for (size_t i = 0; i < code.size(); ++i) {
    const char c = code[i];
    if (c == ';') break;
    std::string literal;
    if (c == '"') {
      const size_t close = std::min(code.find('"', i + 1), code.size());
      literal = std::string(code.substr(i + 1, close - i - 1));
      i = close;
    } else if (c == '[') {
      i = std::min(code.find(']', i + 1), code.size());
      continue;
    } else if ((c == '\\' || c == '_' || c == '*') && i + 1 < code.size()) {
      literal = c == '\\' ? std::string(1, code[i + 1]) : std::string(c == '_' ? " " : "");
      ++i;
    } else if (c == '0' || c == '#' || c == '?' || c == '.' || c == ',' || c == '%') {
      placeholders += c;
      seenNumber = true;
      continue;
    } else {
      literal = std::string(1, c);
    }
    (seenNumber ? after : before) += literal;
  }
  const size_t point = placeholders.find('.');
  int decimals = 0;
  if (point != std::string::npos)
    for (size_t i = point + 1; i < placeholders.size() && placeholders[i] != '%' && placeholders[i] != ',';
         ++i)
      ++decimals;
  const bool percent = placeholders.find('%') != std::string::npos;
  const bool grouped = placeholders.substr(0, point).find(',') != std::string::npos;
  if (percent) value *= 100;
  std::string digits =
      grouped ? platform::formatGrouped(value, decimals) : platform::formatFixed(value, decimals);
  return before + digits + (percent ? "%" : "") + after;
}

std::string defaultDateFormat(DateValue value) {
  const double day = std::floor(value.serial);
  const bool hasTime = std::abs(value.serial - day) * 86400.0 >= 0.5;
  if (!hasTime) return "dd.mm.yyyy";
  return day == 0 ? "hh:mm:ss" : "dd.mm.yyyy hh:mm:ss";
}

}  // namespace riviza::office
