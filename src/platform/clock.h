// Date and time values, the injectable clock and the German formats (platform layer).
//
// The program forces German formats at start; here they are explicit routines and the process
// locale is never touched: dates "dd.MM.yyyy", times "hh:mm:ss", decimal comma, thousands ".".
// Time comes from one Clock that tests replace (ScopedClock) so that "today" is fixed; the pauses
// of poll loops go through the same clock, so that a test's clock lets a loop run its course
// without real time passing and counts the pauses.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace riviza::platform {

struct DateTime {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0, millisecond = 0;

  friend bool operator==(const DateTime&, const DateTime&) = default;
  friend auto operator<=>(const DateTime&, const DateTime&) = default;
};

bool isValidDate(int year, int month, int day);
int daysInMonth(int year, int month);
// Days since 1970-01-01 (proleptic Gregorian) and back.
int64_t daysFromCivil(int year, int month, int day);
DateTime civilFromDays(int64_t days);
// The Windows program's date-time number: days since 1899-12-30, time as the fraction.
double toDateTimeNumber(const DateTime& t);
DateTime fromDateTimeNumber(double value);
// Local time of a Unix time and back.
DateTime fromUnixTime(std::time_t t);
std::time_t toUnixTime(const DateTime& t);
int dayOfWeek(const DateTime& t);  // 1 = Sunday ... 7 = Saturday, as DayOfWeek

class Clock {
 public:
  virtual ~Clock() = default;
  virtual DateTime now() const = 0;
  // Lets ms milliseconds pass. The machine's clock sleeps; a clock that has no real time to
  // offer overrides it.
  virtual void sleep(int ms) const;
};

// The local time of the machine, unless a test installed another clock.
DateTime now();
DateTime today();  // now() without the time
const Clock& clock();
// A poll loop's pause, on the clock in use.
void sleepMs(int ms);

// Installs a clock for its lifetime.
class ScopedClock {
 public:
  explicit ScopedClock(const Clock& c);
  ~ScopedClock();
  ScopedClock(const ScopedClock&) = delete;
  ScopedClock& operator=(const ScopedClock&) = delete;

 private:
  const Clock* saved_;
};

// Stands still: a pause is recorded, not slept, and then onSleep runs (a test changes the world
// between two polls there).
class FixedClock : public Clock {
 public:
  explicit FixedClock(DateTime t) : t_(t) {}
  DateTime now() const override { return t_; }
  void sleep(int ms) const override;
  void set(DateTime t) { t_ = t; }
  // The pauses asked for so far, in milliseconds, in order.
  const std::vector<int>& sleeps() const { return sleeps_; }

  std::function<void(int ms)> onSleep;

 private:
  DateTime t_;
  mutable std::vector<int> sleeps_;
};

// ---- German formats ----
std::string formatDate(const DateTime& t);      // "dd.MM.yyyy"
std::string formatTime(const DateTime& t);      // "hh:mm:ss"
std::string formatDateTime(const DateTime& t);  // "dd.MM.yyyy hh:mm:ss"
// "yyyymmdd" and friends for file names and keys.
std::string formatCompactDate(const DateTime& t);
// StrToDate with the German short date: d.M.yy or dd.MM.yyyy (two-digit years: 00-49 -> 20xx,
// 50-99 -> 19xx, the Windows program's century window); "d.M" alone takes the current year.
// nullopt when not a valid date.
std::optional<DateTime> parseDate(std::string_view text);
std::optional<DateTime> parseTime(std::string_view text);  // h:m[:s]

// Format("%.Nf") with decimal comma, no grouping: 1234.5 -> "1234,50".
std::string formatFixed(double value, int decimals);
// FormatFloat with grouping: 1234.5 -> "1.234,50".
std::string formatGrouped(double value, int decimals);
// Currency: "1.234,50 €".
std::string formatCurrency(double value);
// StrToFloat with decimal comma (a "." is not accepted); blanks around are allowed.
std::optional<double> parseFloat(std::string_view text);
// StrToInt: optional sign and decimal digits, blanks around allowed; nullopt otherwise.
std::optional<long long> parseInt(std::string_view text);

// The shared log-line form: date, a blank, time, two blanks, the text.
std::string logLine(std::string_view text);

}  // namespace riviza::platform
