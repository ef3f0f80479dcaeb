#include "worldtime/world_time.h"

#include <cstdio>

namespace orx {
namespace {

constexpr int kMinutesPerDay = 1440;

int Mod7(int x) { return ((x % 7) + 7) % 7; }

// Day of the year, 1-based, of a day of a month of now's year (the day may run past the
// month's end).
int DayOfYear(bool leap, int month, int day) { return kDaysBeforeMonth[leap ? 1 : 0][month - 1] + day; }

// Weekday of a day of now's year, counted from now's own weekday.
int WeekdayOf(const platform::SystemTime& now, bool leap, int month, int day) {
  const int nowDay = DayOfYear(leap, now.month, now.day);
  return Mod7(now.dayOfWeek + DayOfYear(leap, month, day) - nowDay);
}

struct DateWord {
  bool weekdayForm = false;
  int month = 0;
  int day = 0;      // fixed form
  int weekday = 0;  // weekday form, 1 = Sunday .. 7 = Saturday
  int week = 0;     // weekday form, 1..4, 5 = last
};

DateWord Decode(uint16_t word) {
  DateWord d;
  d.weekdayForm = (word & 0x8000) != 0;
  d.month = word & 0xFF;
  if (d.weekdayForm) {
    d.weekday = (word >> 8) & 0x7;
    d.week = (word >> 11) & 0x7;
  } else {
    d.day = (word >> 8) & 0x7F;
  }
  return d;
}

bool IsValid(const DateWord& d) {
  if (d.month < 1 || d.month > 12) return false;
  if (!d.weekdayForm) return d.day >= 1 && d.day <= 31;
  return d.weekday >= 1 && d.weekday <= 7 && d.week >= 1 && d.week <= 5;
}

// Month and day of a day of the year; days past the year's end fall into the next year.
void SetCalendarDate(Transition& t, int year, bool leap, int dayOfYear) {
  const int yearLength = leap ? 366 : 365;
  if (dayOfYear > yearLength) {
    ++year;
    dayOfYear -= yearLength;
    leap = IsLeapYear(year);
  }
  int month = 12;
  while (month > 1 && kDaysBeforeMonth[leap ? 1 : 0][month - 1] >= dayOfYear) --month;
  t.year = year;
  t.month = month;
  t.day = dayOfYear - kDaysBeforeMonth[leap ? 1 : 0][month - 1];
}

// The system time of 1 January 00:00 of the year after now's.
platform::SystemTime NewYearAfter(const platform::SystemTime& now) {
  const bool leap = IsLeapYear(now.year);
  const int daysLeft = (leap ? 366 : 365) - DayOfYear(leap, now.month, now.day) + 1;
  platform::SystemTime next;
  next.year = now.year + 1;
  next.month = 1;
  next.day = 1;
  next.dayOfWeek = Mod7(now.dayOfWeek + daysLeft);
  next.hour = 0;
  next.minute = 0;
  next.second = 0;
  return next;
}

std::string TransitionText(bool begins, const Transition& t) {
  return FormatText(begins ? "DST begins %s, %s %d%s, %04d at %02d:%02d"
                           : "DST ends %s, %s %d%s, %04d at %02d:%02d",
                    kWeekdayNames[t.weekday], kMonthNames[t.month - 1], t.day, OrdinalSuffix(t.day),
                    t.year, t.hour, t.minute);
}

void StepBackOneDay(LocalDateTime& d) {
  d.weekday = d.weekday == 0 ? 6 : d.weekday - 1;
  if (--d.day > 0) return;
  if (--d.month == 0) {
    d.month = 12;
    --d.year;
  }
  d.day = DaysInMonth(d.month, d.year);
}

void StepForwardOneDay(LocalDateTime& d) {
  d.weekday = d.weekday == 6 ? 0 : d.weekday + 1;
  if (++d.day <= DaysInMonth(d.month, d.year)) return;
  d.day = 1;
  if (++d.month == 13) {
    d.month = 1;
    ++d.year;
  }
}

}  // namespace

bool IsValidDstRule(DstRule rule) { return rule.date != 0 && IsValid(Decode(rule.date)); }

std::optional<RuleEvaluation> EvaluateDstRule(const platform::SystemTime& now, bool leap,
                                              DstRule rule, int offsetMinutes) {
  const DateWord word = Decode(rule.date);
  if (rule.date == 0 || !IsValid(word)) return std::nullopt;
  if (now.month < 1 || now.month > 12) return std::nullopt;
  const int minutes = rule.time & 0x7FF;

  Transition t;
  int day = 0;
  if (!word.weekdayForm) {
    day = word.day;
    t.weekday = WeekdayOf(now, leap, word.month, day);
  } else if (word.week <= 4) {
    const int wd = word.weekday - 1;
    const int first = (rule.time >> 11) == 0 ? 1 : rule.time >> 11;
    day = first + Mod7(wd - WeekdayOf(now, leap, word.month, first)) + (word.week - 1) * 7;
    t.weekday = wd;
  } else {
    const int wd = word.weekday - 1;
    const int last = kDaysInMonth[word.month - 1] + (word.month == 2 && leap ? 1 : 0);
    day = last - Mod7(WeekdayOf(now, leap, word.month, last) - wd);
    t.weekday = wd;
  }

  // The minute of the year counts on through the month's end, so a rule day such as
  // October 32 is 1 November in the arithmetic as in the text.
  const int dayOfYear = DayOfYear(leap, word.month, day);
  SetCalendarDate(t, now.year, leap, dayOfYear);
  t.hour = minutes / 60;
  t.minute = minutes % 60;
  t.minuteOfYear = (dayOfYear - 1) * kMinutesPerDay + minutes;

  RuleEvaluation result;
  result.transition = t;
  const int nowMinute = (DayOfYear(leap, now.month, now.day) - 1) * kMinutesPerDay +
                        now.hour * 60 + now.minute + offsetMinutes;
  result.difference = nowMinute - t.minuteOfYear;
  return result;
}

bool DstStatus(const platform::SystemTime& now, const Place& place,
               std::string* nextTransitionText) {
  const auto noDst = [&] {
    if (nextTransitionText) *nextTransitionText = "No DST observed";
    return false;
  };
  if (place.dstStart.date == 0 || place.dstEnd.date == 0) return noDst();

  const bool leap = IsLeapYear(now.year);
  const auto start = EvaluateDstRule(now, leap, place.dstStart, place.zoneOffset);
  const auto end = EvaluateDstRule(now, leap, place.dstEnd, place.zoneOffset + 60);
  if (!start || !end) return noDst();

  const int rs = start->difference;
  const int re = end->difference;
  bool dst = false;
  bool nextIsEnd = false;
  bool nextYear = false;
  if (end->transition.minuteOfYear >= start->transition.minuteOfYear) {
    // Northern order: daylight time between start and end of the same year.
    dst = rs >= 0 && re < 0;
    nextIsEnd = dst;
    nextYear = re >= 0;
  } else {
    // Southern order: daylight time over the turn of the year.
    dst = !(rs < 0 && re >= 0);
    nextIsEnd = dst;
    nextYear = dst && rs >= 0;
  }

  if (nextTransitionText) {
    const DstRule& rule = nextIsEnd ? place.dstEnd : place.dstStart;
    const int offset = place.zoneOffset + (nextIsEnd ? 60 : 0);
    Transition next = nextIsEnd ? end->transition : start->transition;
    if (nextYear) {
      const platform::SystemTime newYear = NewYearAfter(now);
      if (const auto again = EvaluateDstRule(newYear, IsLeapYear(newYear.year), rule, offset)) {
        next = again->transition;
      }
    }
    *nextTransitionText = TransitionText(!nextIsEnd, next);
  }
  return dst;
}

LocalDateTime CityLocalDateTime(const platform::SystemTime& now, const Place& place) {
  LocalDateTime local;
  local.year = now.year;
  local.month = now.month;
  local.day = now.day;
  local.weekday = now.dayOfWeek;
  int minutes = now.hour * 60 + now.minute + place.zoneOffset;
  // Offsets read from a file may be far outside +-14 hours; step as often as needed.
  while (minutes < 0) {
    minutes += kMinutesPerDay;
    StepBackOneDay(local);
  }
  local.daylight = DstStatus(now, place, nullptr);
  if (local.daylight) minutes += 60;
  while (minutes >= kMinutesPerDay) {
    minutes -= kMinutesPerDay;
    StepForwardOneDay(local);
  }
  local.hour = minutes / 60;
  local.minute = minutes % 60;
  return local;
}

bool CityLocalTime(const platform::SystemTime& now, const Place& place, TimeFormat format,
                   std::string* timeText, std::string* dateText, std::string* dstText) {
  const bool dst = DstStatus(now, place, dstText);
  if (!timeText) return dst;

  const LocalDateTime local = CityLocalDateTime(now, place);
  int hour = local.hour;
  const char* suffix = TwelveHourAdjust(hour, format);
  char zone[24];
  std::snprintf(zone, sizeof zone, "%s%s", suffix, dst ? " (Daylight)" : " (Standard)");
  *timeText = FormatText(format == TimeFormat::Hhmm ? "%02d%02d %s" : "%02d:%02d %s", hour,
                         local.minute, zone);
  if (dateText) {
    *dateText = FormatText("%s, %s %d%s, %04d", kWeekdayNames[local.weekday],
                           kMonthNames[local.month - 1], local.day, OrdinalSuffix(local.day),
                           local.year);
  }
  return dst;
}

}  // namespace orx
