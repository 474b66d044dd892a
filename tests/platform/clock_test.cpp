#include "platform/clock.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <string>
#include <thread>

#include "platform/c_numbers.h"

namespace riviza::platform {
namespace {

// The process locale for the scope, as Qt sets it from a German environment.
class ScopedProcessLocale {
 public:
  explicit ScopedProcessLocale(const char* name) : saved_(std::setlocale(LC_ALL, nullptr)) {
    ok_ = std::setlocale(LC_ALL, name) != nullptr;
  }
  ~ScopedProcessLocale() { std::setlocale(LC_ALL, saved_.c_str()); }
  bool ok() const { return ok_; }

 private:
  std::string saved_;
  bool ok_ = false;
};

// Whatever locale the process runs under, the German formats are the program's own: "4,5" is
// 4.5 (the version check compares 5.1 with 5.2 so), and numbers are written with one comma.
TEST(GermanFormats, HoldUnderAGermanProcessLocale) {
  ScopedProcessLocale german("de_DE.UTF-8");
  ASSERT_TRUE(german.ok()) << "locale de_DE.UTF-8 missing (./test.sh generates it)";
  struct Case {
    const char* text;
    std::optional<double> value;
  };
  const Case cases[] = {{"4,5", 4.5},       {"5,1", 5.1},          {"+0,25", 0.25},
                        {"-1,5e2", -150.0}, {"4.5", std::nullopt}, {"1e999", std::nullopt}};
  for (const Case& c : cases) EXPECT_EQ(parseFloat(c.text), c.value) << c.text;
  EXPECT_LT(*parseFloat("5,1"), *parseFloat("5,2"));
  EXPECT_EQ(formatFixed(1234.5, 2), "1234,50");
  EXPECT_EQ(formatFixed(-2.125, 1), "-2,1");
  EXPECT_EQ(formatGrouped(1234567.891, 2), "1.234.567,89");
  EXPECT_EQ(formatCurrency(0.5), "0,50 €");
}

// A library that prints numbers with printf (the workbook writer's XML) gets "." inside the
// scope; outside it the German process locale stands, for this thread and the others.
TEST(GermanFormats, ScopedCNumbersGivesPrintfItsPointBack) {
  ScopedProcessLocale german("de_DE.UTF-8");
  ASSERT_TRUE(german.ok()) << "locale de_DE.UTF-8 missing (./test.sh generates it)";
  auto printed = [] {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2f", -12.5);
    return std::string(buffer);
  };
  EXPECT_EQ(printed(), "-12,50");
  {
    const ScopedCNumbers c;
    EXPECT_EQ(printed(), "-12.50");
    std::string other;
    std::thread([&] { other = printed(); }).join();
    EXPECT_EQ(other, "-12,50");
  }
  EXPECT_EQ(printed(), "-12,50");
}

TEST(GermanFormats, NumbersUseDecimalCommaAndDotGrouping) {
  EXPECT_EQ(formatFixed(1234.5, 2), "1234,50");
  EXPECT_EQ(formatFixed(-0.001, 2), "0,00");
  EXPECT_EQ(formatFixed(19, 0), "19");
  EXPECT_EQ(formatGrouped(1234567.891, 2), "1.234.567,89");
  EXPECT_EQ(formatGrouped(-999.5, 2), "-999,50");
  EXPECT_EQ(formatCurrency(1000), "1.000,00 €");
}

TEST(GermanFormats, ParseFloatTakesOnlyTheComma) {
  EXPECT_EQ(parseFloat(" 7,5 "), 7.5);
  EXPECT_EQ(parseFloat("-19"), -19.0);
  EXPECT_EQ(parseFloat("1,5e2"), 150.0);
  EXPECT_FALSE(parseFloat("1.5"));
  EXPECT_FALSE(parseFloat(""));
  EXPECT_FALSE(parseFloat(","));
  EXPECT_EQ(parseInt(" 42"), 42);
  EXPECT_FALSE(parseInt("4 2"));
  EXPECT_FALSE(parseInt("99999999999999999999"));
}

TEST(GermanFormats, Dates) {
  DateTime t{2024, 2, 29, 7, 5, 3};
  EXPECT_EQ(formatDate(t), "29.02.2024");
  EXPECT_EQ(formatTime(t), "07:05:03");
  EXPECT_EQ(parseDate("29.02.2024"), (DateTime{2024, 2, 29}));
  EXPECT_EQ(parseDate("1.3.24"), (DateTime{2024, 3, 1}));
  EXPECT_EQ(parseDate("1.3.99"), (DateTime{1999, 3, 1}));
  EXPECT_FALSE(parseDate("29.02.2023"));
  EXPECT_FALSE(parseDate("2024-02-29"));
  EXPECT_FALSE(parseDate("31.12.20245"));
  EXPECT_FALSE(parseDate("31.12."));
  EXPECT_FALSE(parseDate("7"));
  FixedClock fixed(DateTime{2025, 6, 1});
  ScopedClock scope(fixed);
  EXPECT_EQ(parseDate("1.2"), (DateTime{2025, 2, 1}));
  EXPECT_FALSE(parseDate("29.02"));  // 2025 has no 29 February
}

TEST(DateNumbers, MatchTheWindowsEpoch) {
  EXPECT_EQ(toDateTimeNumber(DateTime{1899, 12, 30}), 0.0);
  EXPECT_EQ(toDateTimeNumber(DateTime{2000, 1, 1}), 36526.0);
  EXPECT_EQ(fromDateTimeNumber(36526.5), (DateTime{2000, 1, 1, 12, 0, 0}));
  EXPECT_EQ(dayOfWeek(DateTime{2026, 12, 8}), 3);  // a Tuesday
}

TEST(Clock, InjectedClockFixesNowAndTheLogLine) {
  FixedClock fixed(DateTime{2025, 1, 2, 3, 4, 5});
  ScopedClock scope(fixed);
  EXPECT_EQ(today(), (DateTime{2025, 1, 2}));
  EXPECT_EQ(logLine("Aktualisierung beendet"), "02.01.2025 03:04:05  Aktualisierung beendet");
}

}  // namespace
}  // namespace riviza::platform
