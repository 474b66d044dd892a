#include "platform/clock.h"

#include <sys/time.h>

#include <charconv>
#include <chrono>
#include <cmath>
#include <thread>

#include "platform/text.h"

namespace riviza::platform {
namespace {

class SystemClock : public Clock {
 public:
  DateTime now() const override {
    struct timeval tv;
    gettimeofday(&tv, nullptr);
    DateTime t = fromUnixTime(tv.tv_sec);
    t.millisecond = static_cast<int>(tv.tv_usec / 1000);
    return t;
  }
};

const SystemClock kSystemClock;
const Clock* gClock = &kSystemClock;

}  // namespace

bool isValidDate(int y, int m, int d) {
  return y >= 1 && y <= 9999 && m >= 1 && m <= 12 && d >= 1 && d <= daysInMonth(y, m);
}

int daysInMonth(int y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (m == 2 && ((y % 4 == 0 && y % 100 != 0) || y % 400 == 0)) return 29;
  return kDays[(m - 1) % 12];
}

// Howard Hinnant's civil-date algorithms.
int64_t daysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

DateTime civilFromDays(int64_t z) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t y = static_cast<int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  DateTime t;
  t.year = static_cast<int>(y + (m <= 2));
  t.month = static_cast<int>(m);
  t.day = static_cast<int>(d);
  return t;
}

namespace {
const int64_t kEpochOffset = daysFromCivil(1899, 12, 30);  // negative
}

double toDateTimeNumber(const DateTime& t) {
  double days = static_cast<double>(daysFromCivil(t.year, t.month, t.day) - kEpochOffset);
  double frac = (t.hour * 3600000.0 + t.minute * 60000.0 + t.second * 1000.0 + t.millisecond) / 86400000.0;
  return days + frac;
}

DateTime fromDateTimeNumber(double v) {
  double whole = std::floor(v);
  DateTime t = civilFromDays(static_cast<int64_t>(whole) + kEpochOffset);
  auto ms = static_cast<int64_t>(std::llround((v - whole) * 86400000.0));
  if (ms >= 86400000) ms = 86399999;
  t.hour = static_cast<int>(ms / 3600000);
  t.minute = static_cast<int>(ms / 60000 % 60);
  t.second = static_cast<int>(ms / 1000 % 60);
  t.millisecond = static_cast<int>(ms % 1000);
  return t;
}

DateTime fromUnixTime(std::time_t tt) {
  struct tm tm;
  localtime_r(&tt, &tm);
  DateTime t;
  t.year = tm.tm_year + 1900;
  t.month = tm.tm_mon + 1;
  t.day = tm.tm_mday;
  t.hour = tm.tm_hour;
  t.minute = tm.tm_min;
  t.second = tm.tm_sec;
  return t;
}

std::time_t toUnixTime(const DateTime& t) {
  struct tm tm = {};
  tm.tm_year = t.year - 1900;
  tm.tm_mon = t.month - 1;
  tm.tm_mday = t.day;
  tm.tm_hour = t.hour;
  tm.tm_min = t.minute;
  tm.tm_sec = t.second;
  tm.tm_isdst = -1;
  return mktime(&tm);
}

int dayOfWeek(const DateTime& t) {
  int64_t days = daysFromCivil(t.year, t.month, t.day);  // 1970-01-01 was a Thursday (5)
  return static_cast<int>(((days % 7) + 7 + 4) % 7) + 1;
}

DateTime now() { return gClock->now(); }

DateTime today() {
  DateTime t = now();
  t.hour = t.minute = t.second = t.millisecond = 0;
  return t;
}

const Clock& clock() { return *gClock; }

void Clock::sleep(int ms) const { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

void sleepMs(int ms) { gClock->sleep(ms); }

void FixedClock::sleep(int ms) const {
  sleeps_.push_back(ms);
  if (onSleep) onSleep(ms);
}

ScopedClock::ScopedClock(const Clock& c) : saved_(gClock) { gClock = &c; }
ScopedClock::~ScopedClock() { gClock = saved_; }

std::string formatDate(const DateTime& t) {
  return zeroPadded(t.day, 2) + "." + zeroPadded(t.month, 2) + "." + zeroPadded(t.year, 4);
}

std::string formatTime(const DateTime& t) {
  return zeroPadded(t.hour, 2) + ":" + zeroPadded(t.minute, 2) + ":" + zeroPadded(t.second, 2);
}

std::string formatDateTime(const DateTime& t) { return formatDate(t) + " " + formatTime(t); }

std::string formatCompactDate(const DateTime& t) {
  return zeroPadded(t.year, 4) + zeroPadded(t.month, 2) + zeroPadded(t.day, 2);
}

namespace {
// Splits "a.b.c" style text into up to three unsigned numbers; counts digits of each.
bool splitNumbers(std::string_view s, char sep, int (&val)[3], int (&digits)[3], int& count) {
  count = 0;
  size_t i = 0;
  while (true) {
    if (count == 3) return false;
    int v = 0, n = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
      if (n < 6) v = v * 10 + (s[i] - '0');
      ++n, ++i;
    }
    if (n == 0) return false;
    val[count] = v;
    digits[count] = n;
    ++count;
    if (i == s.size()) return true;
    if (s[i] != sep) return false;
    ++i;
  }
}
}  // namespace

std::optional<DateTime> parseDate(std::string_view text) {
  text = trimView(text);
  int v[3], d[3], n;
  if (!splitNumbers(text, '.', v, d, n) || n < 2) return std::nullopt;
  if (d[0] > 2 || d[1] > 2 || (n == 3 && d[2] > 4)) return std::nullopt;
  // Day and month alone take the current year, as the runtime's date conversion does.
  int year = n == 3 ? v[2] : now().year;
  if (n == 3 && d[2] <= 2) year += year < 50 ? 2000 : 1900;
  if (!isValidDate(year, v[1], v[0])) return std::nullopt;
  DateTime t;
  t.year = year;
  t.month = v[1];
  t.day = v[0];
  return t;
}

std::optional<DateTime> parseTime(std::string_view text) {
  text = trimView(text);
  int v[3] = {0, 0, 0}, d[3], n;
  if (!splitNumbers(text, ':', v, d, n) || n < 2) return std::nullopt;
  if (v[0] > 23 || v[1] > 59 || (n == 3 && v[2] > 59)) return std::nullopt;
  DateTime t;
  t.hour = v[0];
  t.minute = v[1];
  t.second = n == 3 ? v[2] : 0;
  return t;
}

// Through to_chars and from_chars: the C library's number conversions follow the process
// locale, which Qt takes from the environment (a German one writes a comma and stops reading at
// the point).
std::string formatFixed(double value, int decimals) {
  char buf[400];  // the largest double in full, with its decimals
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
  std::string s(buf, ec == std::errc() ? end : buf);
  for (char& c : s)
    if (c == '.') c = ',';
  if (s == "-0" || (s.size() > 1 && s[0] == '-' && s.find_first_not_of("0,", 1) == std::string::npos))
    s.erase(0, 1);  // no "-0,00"
  return s;
}

std::string formatGrouped(double value, int decimals) {
  std::string s = formatFixed(value, decimals);
  bool negative = !s.empty() && s[0] == '-';
  if (negative) s.erase(0, 1);
  size_t comma = s.find(',');
  std::string intPart = s.substr(0, comma), frac = comma == std::string::npos ? "" : s.substr(comma);
  std::string grouped;
  for (size_t i = 0; i < intPart.size(); ++i) {
    if (i > 0 && (intPart.size() - i) % 3 == 0) grouped += '.';
    grouped += intPart[i];
  }
  return (negative ? "-" : "") + grouped + frac;
}

std::string formatCurrency(double value) { return formatGrouped(value, 2) + " €"; }

std::optional<double> parseFloat(std::string_view text) {
  text = trimView(text);
  if (text.empty()) return std::nullopt;
  std::string c;
  size_t i = 0;
  if (text[i] == '+' || text[i] == '-') c += text[i++];
  bool digits = false;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') c += text[i++], digits = true;
  if (i < text.size() && text[i] == ',') {
    c += '.';
    ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') c += text[i++], digits = true;
  }
  if (!digits) return std::nullopt;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    c += 'e';
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) c += text[i++];
    bool expDigits = false;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') c += text[i++], expDigits = true;
    if (!expDigits) return std::nullopt;
  }
  if (i != text.size()) return std::nullopt;
  double value = 0;
  const auto [end, ec] = std::from_chars(c.data() + (c[0] == '+' ? 1 : 0), c.data() + c.size(), value);
  if (ec != std::errc() || end != c.data() + c.size()) return std::nullopt;  // also beyond a double
  return value;
}

std::optional<long long> parseInt(std::string_view text) {
  text = trimView(text);
  if (text.empty()) return std::nullopt;
  size_t i = 0;
  bool negative = false;
  if (text[0] == '+' || text[0] == '-') negative = text[i++] == '-';
  if (i == text.size()) return std::nullopt;
  long long v = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    if (v > (9223372036854775807LL - 9) / 10) return std::nullopt;
    v = v * 10 + (text[i] - '0');
  }
  return negative ? -v : v;
}

std::string logLine(std::string_view text) {
  DateTime t = now();
  return formatDate(t) + " " + formatTime(t) + "  " + std::string(text);
}

}  // namespace riviza::platform
