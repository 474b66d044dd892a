// Test support: gtest printers for the project's value types, so that a failed comparison reads
// as text ("15.03.2024 10:30:00.000", "DlgResult::Yes", "{fsReadOnly, fsArchive}", "R7C2", an
// Error's text and place) and never as "4-byte object <06-00 00-00>". gtest finds a printer by
// argument-dependent lookup, so each is declared in its type's namespace and must be seen by the
// test source: the build force-includes this header into every test source (tests/CMakeLists.txt,
// riviza_testsupport), and a new test needs nothing to get them. Only the value types' headers
// are included and every printer is inline, so no test program links a layer it does not use.
// Enums of every riviza namespace print their enumerator's name, read from the compiler's
// text of a template instance (__PRETTY_FUNCTION__, which GCC and clang both spell
// "... V = riviza::ui::DlgResult::Yes ..."), so a new enum needs no table here.
#pragma once

#include <gtest/gtest-printers.h>

#include <array>
#include <charconv>
#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "db/structure.h"
#include "office/a1.h"
#include "office/values.h"
#include "platform/clock.h"
#include "platform/result.h"
#include "zip/kvoTypes.h"

namespace riviza::test::printing {

template <class T>
constexpr std::string_view typeText() {
  return __PRETTY_FUNCTION__;
}
template <auto V>
constexpr std::string_view valueText() {
  return __PRETTY_FUNCTION__;
}

// What the compiler's text says the template argument is: after the first " = ", up to ";" or "]".
constexpr std::string_view argumentOf(std::string_view pretty) {
  const size_t start = pretty.find(" = ") + 3;
  return pretty.substr(start, pretty.find_first_of(";]", start) - start);
}

// "riviza::ui::DialogShown::Kind" -> "DialogShown::Kind": namespaces here are lower case, types not.
constexpr std::string_view withoutNamespaces(std::string_view name) {
  while (!name.empty() && name[0] >= 'a' && name[0] <= 'z' && name.find("::") != std::string_view::npos)
    name.remove_prefix(name.find("::") + 2);
  return name;
}

// The enumerator's name, empty for a value no enumerator has (the compiler spells it "(E)9").
template <auto V>
constexpr std::string_view enumeratorName() {
  const std::string_view text = argumentOf(valueText<V>());
  if (text.empty() || text[0] == '(') return {};
  return text.substr(text.rfind("::") == std::string_view::npos ? 0 : text.rfind("::") + 2);
}

// Names of the values 0..N-1. N stays within the enum's range of values: the instances are made
// at compile time, where a value outside that range is not a value of the type.
template <class E, size_t... I>
constexpr std::array<std::string_view, sizeof...(I)> enumeratorNames(std::index_sequence<I...>) {
  return {enumeratorName<static_cast<E>(I)>()...};
}
template <class E, size_t N>
inline constexpr auto kEnumeratorNames = enumeratorNames<E>(std::make_index_sequence<N>{});

template <class E, size_t N>
std::string_view nameOf(E value) {
  const auto n = static_cast<long long>(static_cast<std::underlying_type_t<E>>(value));
  return n >= 0 && n < static_cast<long long>(N) ? kEnumeratorNames<E, N>[static_cast<size_t>(n)]
                                                 : std::string_view{};
}

template <class E>
concept ScopedEnum = std::is_enum_v<E> && !std::is_convertible_v<E, std::underlying_type_t<E>>;
// An unscoped enum over a byte has a fixed underlying type (compilers give the others int), and
// gtest would print its values as characters.
template <class E>
concept ByteEnum = std::is_enum_v<E> && std::is_convertible_v<E, std::underlying_type_t<E>> &&
                   sizeof(std::underlying_type_t<E>) == 1;
template <class E>
concept NamedEnum = ScopedEnum<E> || ByteEnum<E>;

// Scoped enums "Type::Name", unscoped ones "name" as the code spells them; "Type(9)" for a value
// without a name.
template <NamedEnum E>
void printEnum(E value, std::ostream* os) {
  const std::string_view type = withoutNamespaces(argumentOf(typeText<E>()));
  const std::string_view name = nameOf<E, 64>(value);
  if (name.empty())
    *os << type << "(" << static_cast<long long>(static_cast<std::underlying_type_t<E>>(value)) << ")";
  else if (ScopedEnum<E>)
    *os << type << "::" << name;
  else
    *os << name;
}

inline void twoDigits(std::ostream* os, int n) {
  *os << static_cast<char>('0' + n / 10 % 10) << static_cast<char>('0' + n % 10);
}

}  // namespace riviza::test::printing

// Every namespace whose scoped enums tests compare gets the generic enum printer. Its signature is
// gtest's own fallback's, so that being more constrained is what makes it the one chosen.
#define RIVIZA_TEST_ENUM_PRINTER                    \
  template <::riviza::test::printing::NamedEnum E>  \
  void PrintTo(const E& value, std::ostream* os) {  \
    ::riviza::test::printing::printEnum(value, os); \
  }

namespace riviza {
RIVIZA_TEST_ENUM_PRINTER

inline void PrintTo(const Error& e, std::ostream* os) { *os << "Error " << e.describe(); }

inline void PrintTo(const Status& s, std::ostream* os) {
  if (s.ok())
    *os << "ok";
  else
    PrintTo(s.error(), os);
}

template <class T>
void PrintTo(const Result<T>& r, std::ostream* os) {
  if (r.ok())
    *os << "ok: " << ::testing::PrintToString(r.value());
  else
    PrintTo(r.error(), os);
}
}  // namespace riviza

namespace riviza::platform {
RIVIZA_TEST_ENUM_PRINTER

// "dd.MM.yyyy hh:mm:ss.zzz", digits by hand: the printer must not depend on the code it checks.
inline void PrintTo(const DateTime& t, std::ostream* os) {
  using test::printing::twoDigits;
  twoDigits(os, t.day), *os << '.', twoDigits(os, t.month), *os << '.';
  twoDigits(os, t.year / 100), twoDigits(os, t.year % 100), *os << ' ';
  twoDigits(os, t.hour), *os << ':', twoDigits(os, t.minute), *os << ':', twoDigits(os, t.second);
  *os << '.' << static_cast<char>('0' + t.millisecond / 100 % 10), twoDigits(os, t.millisecond % 100);
}
}  // namespace riviza::platform

namespace riviza::db {
RIVIZA_TEST_ENUM_PRINTER

// "Nummer Alpha(9)".
inline void PrintTo(const FieldDef& f, std::ostream* os) {
  *os << f.name << ' ';
  PrintTo(f.type, os);
  if (f.size) *os << '(' << f.size << ')';
}

// "{key 1: Nummer Alpha(9), Name Alpha(30)}".
inline void PrintTo(const TableStructure& s, std::ostream* os) {
  *os << "{key " << s.keyFieldCount << ':';
  for (size_t i = 0; i < s.fields.size(); ++i) {
    *os << (i ? ", " : " ");
    PrintTo(s.fields[i], os);
  }
  *os << '}';
}
}  // namespace riviza::db

namespace riviza::zip {
RIVIZA_TEST_ENUM_PRINTER

// "{fsReadOnly, fsArchive}"; a bit without an attribute's name as its ordinal.
inline void PrintTo(const TkvoFileAttributes& a, std::ostream* os) {
  *os << '{';
  const char* separator = "";
  for (unsigned bit = 0; bit < 16; ++bit) {
    const auto attribute = static_cast<TkvoFileAttribute>(bit);
    if (!a.contains(attribute)) continue;
    const std::string_view name = test::printing::nameOf<TkvoFileAttribute, 16>(attribute);
    *os << separator;
    if (name.empty())
      *os << "bit " << bit;
    else
      *os << name;
    separator = ", ";
  }
  *os << '}';
}
}  // namespace riviza::zip

namespace riviza::ui {
RIVIZA_TEST_ENUM_PRINTER
}
namespace riviza::costbearer {
RIVIZA_TEST_ENUM_PRINTER
}
namespace riviza::masterdata {
RIVIZA_TEST_ENUM_PRINTER
}
namespace riviza::maintenance {
RIVIZA_TEST_ENUM_PRINTER
}
namespace riviza::net {
RIVIZA_TEST_ENUM_PRINTER
}
namespace riviza::office {
RIVIZA_TEST_ENUM_PRINTER

// Excel's own other notation, "R7C2" for B7: no column letters, which the code under test makes.
inline void PrintTo(const CellRef& c, std::ostream* os) { *os << 'R' << c.row << 'C' << c.column; }

// "date serial 45366.4375" (days since 30.12.1899), every digit that tells two serials apart.
inline void PrintTo(const DateValue& d, std::ostream* os) {
  char digits[32];
  *os << "date serial "
      << std::string_view(digits, std::to_chars(digits, digits + sizeof digits, d.serial).ptr);
}
}  // namespace riviza::office

#undef RIVIZA_TEST_ENUM_PRINTER
