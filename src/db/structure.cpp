// Field types and structures (db layer); see structure.h.
#include "db/structure.h"

#include <array>

#include "platform/text.h"

namespace riviza::db {
namespace {

struct TypeInfo {
  FieldType type;
  char letter;
};

constexpr std::array<TypeInfo, 10> kTypes{{
    {FieldType::Alpha, 'A'},
    {FieldType::Number, 'N'},
    {FieldType::Money, '$'},
    {FieldType::Short, 'S'},
    {FieldType::LongInt, 'I'},
    {FieldType::AutoInc, '+'},
    {FieldType::Logical, 'L'},
    {FieldType::Date, 'D'},
    {FieldType::Time, 'T'},
    {FieldType::Memo, 'M'},
}};

const TypeInfo& info(FieldType t) { return kTypes[static_cast<size_t>(t)]; }

}  // namespace

char typeLetter(FieldType t) { return info(t).letter; }

std::optional<FieldType> typeFromLetter(char letter) {
  for (const TypeInfo& i : kTypes)
    if (i.letter == letter) return i.type;
  return std::nullopt;
}

bool isTextType(FieldType t) { return t == FieldType::Alpha || t == FieldType::Memo; }
bool isIntegerType(FieldType t) {
  return t == FieldType::Short || t == FieldType::LongInt || t == FieldType::AutoInc;
}
bool isFloatType(FieldType t) { return t == FieldType::Number || t == FieldType::Money; }

std::string storedDate(const platform::DateTime& d) {
  return platform::zeroPadded(d.year, 4) + "-" + platform::zeroPadded(d.month, 2) + "-" +
         platform::zeroPadded(d.day, 2);
}

std::optional<platform::DateTime> dateFromStored(const std::string& s) {
  // Read per date field of every record a scan touches: the digits by hand, where sscanf parsed
  // its format text each time. Stored dates are always "yyyy-mm-dd".
  const auto digits = [&s](size_t from, size_t count, int& out) {
    out = 0;
    for (size_t i = from; i < from + count; ++i) {
      if (s[i] < '0' || s[i] > '9') return false;
      out = out * 10 + (s[i] - '0');
    }
    return true;
  };
  int y = 0, m = 0, d = 0;
  if (s.size() != 10 || s[4] != '-' || s[7] != '-' || !digits(0, 4, y) || !digits(5, 2, m) ||
      !digits(8, 2, d) || !platform::isValidDate(y, m, d))
    return std::nullopt;
  platform::DateTime t;
  t.year = y, t.month = m, t.day = d;
  return t;
}

int compareValues(const Value& a, const Value& b) {
  auto rank = [](const Value& v) {
    return isNull(v) ? 0 : std::holds_alternative<std::string>(v) ? 2 : 1;
  };
  int ra = rank(a), rb = rank(b);
  if (ra != rb) return ra < rb ? -1 : 1;
  if (ra == 0) return 0;
  if (ra == 2) {
    int c = std::get<std::string>(a).compare(std::get<std::string>(b));
    return c < 0 ? -1 : c > 0 ? 1 : 0;
  }
  auto num = [](const Value& v) {
    if (const auto* i = std::get_if<long long>(&v)) return static_cast<double>(*i);
    return std::get<double>(v);
  };
  double x = num(a), y = num(b);
  return x < y ? -1 : x > y ? 1 : 0;
}

}  // namespace riviza::db
