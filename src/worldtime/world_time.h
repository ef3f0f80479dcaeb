// A city's local time and date from the UTC clock, its fixed zone offset and its yearly
// DST rules: whether DST is in effect, the next transition, and the texts of both.
#pragma once

#include <optional>
#include <string>

#include "cities/place.h"
#include "platform/clock.h"
#include "worldtime/calendar.h"
#include "worldtime/dst_rule.h"

namespace orx {

// A rule evaluated for one year. A computed day past the end of its month has rolled
// over into the next month (and past December into January of the next year).
struct Transition {
  int month = 1;         // 1..12
  int day = 1;           // 1..31
  int weekday = 0;       // 0 = Sunday .. 6 = Saturday
  int year = 0;
  int hour = 0;          // 0..23 for rules with minutes below 1440
  int minute = 0;
  int minuteOfYear = 0;  // minutes since 1 January 00:00 of the evaluated year, local
};

struct RuleEvaluation {
  Transition transition;
  // (now's minute of the year + offset) - transition's minute of the year: >= 0 once
  // the transition has happened.
  int difference = 0;
};

// A local wall-clock time, kept apart from the UTC platform::SystemTime it came from.
struct LocalDateTime {
  int year = 0;
  int month = 1;    // 1..12
  int day = 1;      // 1..31
  int weekday = 0;  // 0 = Sunday .. 6 = Saturday
  int hour = 0;     // 0..23
  int minute = 0;   // 0..59
  bool daylight = false;
};

// True when the rule's words are well formed (month 1..12; fixed day 1..31 or weekday
// 1..7 and week 1..5). A date word of 0 is not a rule.
bool IsValidDstRule(DstRule rule);

// The rule in now's year, with the difference at `offsetMinutes` east of UTC; nothing for
// a malformed rule. `leap` is the leap flag of now's year.
std::optional<RuleEvaluation> EvaluateDstRule(const platform::SystemTime& now, bool leap,
                                              DstRule rule, int offsetMinutes);

// True when DST is in effect at the place now. With `nextTransitionText`, writes
// "DST begins ..." / "DST ends ..." for the next transition, or "No DST observed".
// A place with either date word 0, or a malformed rule, observes no DST.
bool DstStatus(const platform::SystemTime& now, const Place& place,
               std::string* nextTransitionText);

// The place's local date and time now, DST included.
LocalDateTime CityLocalDateTime(const platform::SystemTime& now, const Place& place);

// Fills whichever texts are given and returns the DST flag. The date text is written
// only together with the time text; the DST text is the next-transition text.
bool CityLocalTime(const platform::SystemTime& now, const Place& place, TimeFormat format,
                   std::string* timeText, std::string* dateText, std::string* dstText);

}  // namespace orx
