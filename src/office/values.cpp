// The German text of cell values (office layer); see values.h.
#include "office/values.h"

#include <charconv>
#include <cmath>

#include "platform/clock.h"

namespace riviza::office {

std::string germanNumberText(double value) {
  if (value == 0 || !std::isfinite(value)) return "0";
  char buf[64];
  auto end = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15).ptr;
  std::string out;
  for (const char* p = buf; p < end; ++p) {
    if (*p == '.') {
      out += ',';
    } else if (*p == 'e') {
      out += 'E';
      ++p;
      if (p < end && *p == '-') out += '-';
      if (p < end && (*p == '-' || *p == '+')) ++p;
      while (p + 1 < end && *p == '0') ++p;
      out.append(p, static_cast<size_t>(end - p));
      break;
    } else {
      out += *p;
    }
  }
  return out;
}

namespace {

constexpr double kFirstOfMarch1900 = 61;  // the same number in both calendars
constexpr double kFirstOfJanuary1900 = 2;

}  // namespace

std::optional<double> excelSerial(const DateValue& value) {
  if (value.serial >= kFirstOfMarch1900 || (value.serial >= 0 && value.serial < 1)) return value.serial;
  if (value.serial < kFirstOfJanuary1900) return std::nullopt;
  return value.serial - 1;
}

DateValue fromExcelSerial(double serial) {
  return DateValue{serial >= 1 && serial < kFirstOfMarch1900 - 1 ? serial + 1 : serial};
}

std::string cellText(const CellValue& value) {
  struct Text {
    std::string operator()(std::monostate) const { return {}; }
    std::string operator()(double d) const { return germanNumberText(d); }
    std::string operator()(const std::string& s) const { return s; }
    std::string operator()(bool b) const { return b ? "WAHR" : "FALSCH"; }
    std::string operator()(DateValue d) const {
      const platform::DateTime t = platform::fromDateTimeNumber(d.serial);
      const bool hasTime = t.hour || t.minute || t.second;
      if (std::floor(d.serial) == 0 && hasTime) return platform::formatTime(t);
      return hasTime ? platform::formatDateTime(t) : platform::formatDate(t);
    }
  };
  return std::visit(Text{}, value);
}

}  // namespace riviza::office
