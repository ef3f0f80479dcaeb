#include "platform/clock.h"

#include <atomic>
#include <chrono>

namespace orx::platform {
namespace {

int64_t SystemNowMillis() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }
int64_t FloorMod(int64_t a, int64_t b) { return a - FloorDiv(a, b) * b; }

// Days since 1970-01-01 of a proleptic Gregorian date (month 1..12).
int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = FloorDiv(y, 400);
  const int64_t yoe = y - era * 400;                                // 0..399
  const int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;  // 0..365
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;         // 0..146096
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int64_t& y, int& m, int& d) {
  z += 719468;
  const int64_t era = FloorDiv(z, 146097);
  const int64_t doe = z - era * 146097;                                // 0..146096
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;  // 0..399
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);         // 0..365
  const int64_t mp = (5 * doy + 2) / 153;                              // 0..11, from March
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = yoe + era * 400 + (m <= 2);
}

bool IsLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeapYear(y) ? 29 : kDays[m - 1];
}

// A cursor over the text being parsed; every Read fails without moving on a mismatch.
struct Cursor {
  std::string_view s;
  size_t i = 0;

  bool AtEnd() const { return i >= s.size(); }
  bool Accept(char c) {
    if (i < s.size() && s[i] == c) return ++i, true;
    return false;
  }
  // Exactly `digits` decimal digits.
  bool ReadNumber(int digits, int& value) {
    if (s.size() - i < static_cast<size_t>(digits)) return false;
    int v = 0;
    for (int k = 0; k < digits; ++k) {
      const char c = s[i + k];
      if (c < '0' || c > '9') return false;
      v = v * 10 + (c - '0');
    }
    i += digits;
    value = v;
    return true;
  }
};

std::atomic<Clock*> g_installedClock{nullptr};

}  // namespace

SystemClock::SystemClock(std::optional<int64_t> startUtcMillis) {
  if (startUtcMillis) offsetMillis_ = *startUtcMillis - SystemNowMillis();
}

int64_t SystemClock::UtcMillis() const { return SystemNowMillis() + offsetMillis_; }

uint32_t SystemClock::TickCount() const {
  using namespace std::chrono;
  return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

Clock& CurrentClock() {
  static SystemClock systemClock;
  Clock* installed = g_installedClock.load(std::memory_order_acquire);
  return installed ? *installed : systemClock;
}

void InstallClock(Clock* clock) { g_installedClock.store(clock, std::memory_order_release); }

SystemTime GetSystemTime() { return SystemTimeFromMillis(CurrentClock().UtcMillis()); }
uint32_t GetTickCount() { return CurrentClock().TickCount(); }

SystemTime SystemTimeFromMillis(int64_t utcMillis) {
  constexpr int64_t kDayMs = 86'400'000;
  const int64_t days = FloorDiv(utcMillis, kDayMs);
  const int64_t msOfDay = FloorMod(utcMillis, kDayMs);
  SystemTime t;
  int64_t year;
  CivilFromDays(days, year, t.month, t.day);
  t.year = static_cast<int>(year);
  t.dayOfWeek = static_cast<int>(FloorMod(days + 4, 7));  // 1970-01-01 was a Thursday
  t.hour = static_cast<int>(msOfDay / 3'600'000);
  t.minute = static_cast<int>(msOfDay / 60'000 % 60);
  t.second = static_cast<int>(msOfDay / 1000 % 60);
  t.milliseconds = static_cast<int>(msOfDay % 1000);
  return t;
}

int64_t MillisFromSystemTime(const SystemTime& t) {
  // Months outside 1..12 carry into the year; the other fields are plain offsets.
  const int64_t monthIndex = static_cast<int64_t>(t.month) - 1;
  const int64_t year = t.year + FloorDiv(monthIndex, 12);
  const int month = static_cast<int>(FloorMod(monthIndex, 12)) + 1;
  const int64_t days = DaysFromCivil(year, month, 1) + t.day - 1;
  return ((days * 24 + t.hour) * 60 + t.minute) * 60'000 + static_cast<int64_t>(t.second) * 1000 +
         t.milliseconds;
}

std::optional<int64_t> ParseUtcInstant(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\n' ||
                           text.back() == '\r'))
    text.remove_suffix(1);

  Cursor c{text};
  SystemTime t;
  if (!c.ReadNumber(4, t.year) || !c.Accept('-') || !c.ReadNumber(2, t.month) || !c.Accept('-') ||
      !c.ReadNumber(2, t.day))
    return std::nullopt;
  if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > DaysInMonth(t.year, t.month))
    return std::nullopt;

  if (!c.AtEnd()) {
    if (!(c.Accept('T') || c.Accept('t') || c.Accept(' '))) return std::nullopt;
    if (!c.ReadNumber(2, t.hour) || !c.Accept(':') || !c.ReadNumber(2, t.minute)) return std::nullopt;
    if (c.Accept(':')) {
      if (!c.ReadNumber(2, t.second)) return std::nullopt;
      if (c.Accept('.') || c.Accept(',')) {
        // Fractions of a second: milliseconds kept, finer digits ignored.
        int digits = 0, ms = 0, digit;
        while (c.ReadNumber(1, digit)) {
          if (digits < 3) ms = ms * 10 + digit;
          ++digits;
        }
        if (digits == 0) return std::nullopt;
        for (int k = digits; k < 3; ++k) ms *= 10;
        t.milliseconds = ms;
      }
    }
    if (t.hour > 23 || t.minute > 59 || t.second > 59) return std::nullopt;
  }

  int64_t offsetMinutes = 0;
  if (c.Accept('Z') || c.Accept('z')) {
  } else if (!c.AtEnd()) {
    int sign;
    if (c.Accept('+')) {
      sign = 1;
    } else if (c.Accept('-')) {
      sign = -1;
    } else {
      return std::nullopt;
    }
    int oh, om = 0;
    if (!c.ReadNumber(2, oh)) return std::nullopt;
    if (c.Accept(':')) {
      if (!c.ReadNumber(2, om)) return std::nullopt;
    } else if (!c.AtEnd() && !c.ReadNumber(2, om)) {
      return std::nullopt;
    }
    if (oh > 23 || om > 59) return std::nullopt;
    offsetMinutes = sign * (oh * 60 + om);
  }
  if (!c.AtEnd()) return std::nullopt;
  // A local time at +hh:mm is that much ahead of UTC.
  return MillisFromSystemTime(t) - offsetMinutes * 60'000;
}

}  // namespace orx::platform
