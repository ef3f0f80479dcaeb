#include "worldtime/calendar.h"

#include <cstdarg>
#include <cstdio>

namespace orx {

TimeFormat TimeFormatFromSetting(int value) {
  switch (value) {
    case 0: return TimeFormat::TwelveHour;
    case 2: return TimeFormat::Hhmm;
    default: return TimeFormat::TwentyFourHour;
  }
}

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int month, int year) {
  if (month < 1 || month > 12) return 31;
  return kDaysInMonth[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
}

const char* OrdinalSuffix(int day) {
  switch (day) {
    case 1: case 21: case 31: return "st";
    case 2: case 22: return "nd";
    case 3: case 23: return "rd";
    default: return "th";
  }
}

const char* TwelveHourAdjust(int& hour, TimeFormat format) {
  if (format != TimeFormat::TwelveHour) return "";
  if (hour >= 12) {
    if (hour != 12) hour -= 12;
    return "pm";
  }
  if (hour == 0) hour = 12;
  return "am";
}

std::string FormatText(const char* format, ...) {
  char buffer[100];
  va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  if (n < 0) return {};
  return buffer;
}

}  // namespace orx
