// Local time, DST state and next-transition texts against zdump of the IANA tzdata
// (tests/data/worldtime/README.md), and the calendar edge cases of the texts.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <string>

#include "support/reference_table.h"
#include "worldtime/world_time.h"

namespace orx {
namespace {

// Rule words: weekday form (week 5 = last; weekday 1 = Sunday .. 7 = Saturday), fixed
// form, and a time word with an optional first eligible day.
constexpr uint16_t OnWeekday(int month, int week, int weekday) {
  return static_cast<uint16_t>(0x8000 | week << 11 | weekday << 8 | month);
}
constexpr uint16_t OnDay(int month, int day) { return static_cast<uint16_t>(day << 8 | month); }
constexpr uint16_t At(int hour, int minute, int firstDay = 0) {
  return static_cast<uint16_t>(firstDay << 11 | (hour * 60 + minute));
}
constexpr int kSun = 1, kFri = 6, kSat = 7, kLast = 5;

struct ZoneRules {
  int offset;
  DstRule start, end;
};

// The zones of the reference table, encoded by hand from their tzdata rules.
const std::map<std::string, ZoneRules>& Zones() {
  static const std::map<std::string, ZoneRules> zones = {
      {"Europe/London", {0, {OnWeekday(3, kLast, kSun), At(1, 0)}, {OnWeekday(10, kLast, kSun), At(2, 0)}}},
      // Negative DST in the data, so winter counts as standard time here.
      {"Europe/Dublin", {0, {OnWeekday(3, kLast, kSun), At(1, 0)}, {OnWeekday(10, kLast, kSun), At(2, 0)}}},
      {"Europe/Berlin", {60, {OnWeekday(3, kLast, kSun), At(2, 0)}, {OnWeekday(10, kLast, kSun), At(3, 0)}}},
      {"Europe/Chisinau", {120, {OnWeekday(3, kLast, kSun), At(2, 0)}, {OnWeekday(10, kLast, kSun), At(3, 0)}}},
      {"Atlantic/Azores", {-60, {OnWeekday(3, kLast, kSun), At(0, 0)}, {OnWeekday(10, kLast, kSun), At(1, 0)}}},
      {"America/New_York", {-300, {OnWeekday(3, 2, kSun), At(2, 0)}, {OnWeekday(11, 1, kSun), At(2, 0)}}},
      {"America/Los_Angeles", {-480, {OnWeekday(3, 2, kSun), At(2, 0)}, {OnWeekday(11, 1, kSun), At(2, 0)}}},
      {"America/St_Johns", {-210, {OnWeekday(3, 2, kSun), At(2, 0)}, {OnWeekday(11, 1, kSun), At(2, 0)}}},
      {"America/Havana", {-300, {OnWeekday(3, 2, kSun), At(0, 0)}, {OnWeekday(11, 1, kSun), At(1, 0)}}},
      // The Saturday before the last Sunday of March at 23:00.
      {"America/Nuuk", {-120, {OnWeekday(3, 1, kSat), At(23, 0, 24)}, {OnWeekday(10, kLast, kSun), At(0, 0)}}},
      // The Sunday after the first Saturday, at 00:00.
      {"America/Santiago", {-240, {OnWeekday(9, 1, kSun), At(0, 0, 2)}, {OnWeekday(4, 1, kSun), At(0, 0, 2)}}},
      {"America/Sao_Paulo", {-180, {}, {}}},
      {"America/Mexico_City", {-360, {}, {}}},
      {"Australia/Sydney", {600, {OnWeekday(10, 1, kSun), At(2, 0)}, {OnWeekday(4, 1, kSun), At(3, 0)}}},
      {"Australia/Adelaide", {570, {OnWeekday(10, 1, kSun), At(2, 0)}, {OnWeekday(4, 1, kSun), At(3, 0)}}},
      {"Australia/Brisbane", {600, {}, {}}},
      {"Pacific/Auckland", {720, {OnWeekday(9, kLast, kSun), At(2, 0)}, {OnWeekday(4, 1, kSun), At(3, 0)}}},
      {"Pacific/Chatham", {765, {OnWeekday(9, kLast, kSun), At(2, 45)}, {OnWeekday(4, 1, kSun), At(3, 45)}}},
      {"Pacific/Kiritimati", {840, {}, {}}},
      {"Pacific/Pago_Pago", {-660, {}, {}}},
      // Ends the day after the last Thursday of October: Friday on or after the 26th,
      // which is 1 November in 2030.
      {"Africa/Cairo", {120, {OnWeekday(4, kLast, kFri), At(0, 0)}, {OnWeekday(10, 1, kFri), At(0, 0, 26)}}},
      {"Asia/Jerusalem", {120, {OnWeekday(3, 1, kFri), At(2, 0, 23)}, {OnWeekday(10, kLast, kSun), At(2, 0)}}},
      {"Asia/Gaza", {120, {OnWeekday(3, 1, kSat), At(2, 0, 24)}, {OnWeekday(10, 1, kSat), At(2, 0, 24)}}},
      {"Asia/Tokyo", {540, {}, {}}},
      {"Asia/Kolkata", {330, {}, {}}},
      {"Asia/Kathmandu", {345, {}, {}}},
      {"Asia/Tehran", {210, {}, {}}},
  };
  return zones;
}

Place PlaceOf(const ZoneRules& rules) {
  Place p;
  p.name = "Somewhere";
  p.zoneOffset = static_cast<int16_t>(rules.offset);
  p.dstStart = rules.start;
  p.dstEnd = rules.end;
  return p;
}

platform::SystemTime Utc(int year, int month, int day, int hour, int minute) {
  platform::SystemTime t;
  t.year = year;
  t.month = month;
  t.day = day;
  t.hour = hour;
  t.minute = minute;
  const auto days = std::chrono::sys_days(std::chrono::year_month_day(
      std::chrono::year(year), std::chrono::month(month), std::chrono::day(day)));
  t.dayOfWeek = static_cast<int>(std::chrono::weekday(days).c_encoding());
  return t;
}

platform::SystemTime Utc(const std::string& iso) {
  return Utc(std::stoi(iso.substr(0, 4)), std::stoi(iso.substr(5, 2)), std::stoi(iso.substr(8, 2)),
             std::stoi(iso.substr(11, 2)), std::stoi(iso.substr(14, 2)));
}

// The text of a transition whose wall-clock time just before the change is `local`.
std::string ExpectedTransitionText(bool begins, const std::string& local) {
  const platform::SystemTime t = Utc(local);
  return FormatText("DST %s %s, %s %d%s, %04d at %02d:%02d", begins ? "begins" : "ends",
                    kWeekdayNames[t.dayOfWeek], kMonthNames[t.month - 1], t.day,
                    OrdinalSuffix(t.day), t.year, t.hour, t.minute);
}

std::string AddMinutes(const std::string& iso, int minutes) {
  const auto ms = platform::ParseUtcInstant(iso.substr(0, 19) + "Z");
  const auto t = platform::SystemTimeFromMillis(*ms + int64_t{minutes} * 60000);
  return FormatText("%04d-%02d-%02dT%02d:%02d", t.year, t.month, t.day, t.hour, t.minute);
}

TEST(CityLocalTime, AgreesWithZdump) {
  const auto rows = test::ReadReferenceTable("worldtime/local_times.csv");
  ASSERT_GT(rows.size(), 8000u);

  // The transitions of each zone: rows whose offset differs from the row before.
  struct Change {
    std::string utc;
    bool begins;
    std::string text;
  };
  std::map<std::string, std::vector<Change>> changes;
  for (size_t i = 1; i < rows.size(); ++i) {
    const auto& a = rows[i - 1];
    const auto& b = rows[i];
    if (a.at("zone") != b.at("zone") || a.at("gmtoff_min") == b.at("gmtoff_min")) continue;
    const int before = std::stoi(a.at("gmtoff_min")), after = std::stoi(b.at("gmtoff_min"));
    changes[b.at("zone")].push_back(
        {b.at("utc"), after > before, ExpectedTransitionText(after > before, AddMinutes(b.at("utc"), before))});
  }

  int checked = 0, texts = 0, failures = 0;
  for (const auto& row : rows) {
    const auto zone = Zones().find(row.at("zone"));
    ASSERT_NE(zone, Zones().end()) << row.at("zone");
    const Place place = PlaceOf(zone->second);
    const platform::SystemTime now = Utc(row.at("utc"));

    const LocalDateTime local = CityLocalDateTime(now, place);
    const std::string got = FormatText("%04d-%02d-%02dT%02d:%02d", local.year, local.month,
                                       local.day, local.hour, local.minute);
    const bool daylight = std::stoi(row.at("gmtoff_min")) - zone->second.offset == 60;
    const platform::SystemTime expectedDay = Utc(row.at("local"));
    std::string text;
    const bool dst = DstStatus(now, place, &text);
    ++checked;

    std::string expectedText = "No DST observed";
    if (zone->second.start.date != 0) {
      expectedText.clear();
      for (const Change& c : changes[row.at("zone")]) {
        if (c.utc.substr(0, 16) > row.at("utc").substr(0, 16)) {
          expectedText = c.text;
          break;
        }
      }
    }
    if (!expectedText.empty()) ++texts;
    const bool ok = got == row.at("local").substr(0, 16) && local.daylight == daylight &&
                    dst == daylight && local.weekday == expectedDay.dayOfWeek &&
                    (expectedText.empty() || text == expectedText);
    if (!ok && ++failures <= 20) {
      ADD_FAILURE() << row.at("zone") << " at " << row.at("utc") << ": got " << got
                    << (local.daylight ? " daylight" : " standard") << " weekday " << local.weekday
                    << " \"" << text << "\", zdump " << row.at("local") << " offset "
                    << row.at("gmtoff_min") << " \"" << expectedText << "\"";
    }
  }
  std::printf("local time and DST: %d instants in %zu zones, %d next-transition texts, %d differences\n",
              checked, Zones().size(), texts, failures);
  EXPECT_EQ(failures, 0);
}

TEST(CityLocalTime, DateSteppingAndTexts) {
  Place p;
  p.name = "Somewhere";
  std::string time, date, dst;

  // 1 March 2004 00:30 UTC at one hour west: the leap day before.
  p.zoneOffset = -60;
  EXPECT_FALSE(CityLocalTime(Utc(2004, 3, 1, 0, 30), p, TimeFormat::TwentyFourHour, &time, &date, &dst));
  EXPECT_EQ(time, "23:30  (Standard)");
  EXPECT_EQ(date, "Sun, Feb 29th, 2004");
  EXPECT_EQ(dst, "No DST observed");

  // 31 December 23:30 UTC at one hour east: New Year, in all three formats.
  p.zoneOffset = 60;
  CityLocalTime(Utc(2026, 12, 31, 23, 30), p, TimeFormat::TwelveHour, &time, &date, nullptr);
  EXPECT_EQ(time, "12:30 am (Standard)");
  EXPECT_EQ(date, "Fri, Jan 1st, 2027");
  CityLocalTime(Utc(2026, 12, 31, 23, 30), p, TimeFormat::Hhmm, &time, nullptr, nullptr);
  EXPECT_EQ(time, "0030  (Standard)");

  p.zoneOffset = 0;
  CityLocalTime(Utc(2026, 6, 2, 14, 5), p, TimeFormat::TwelveHour, &time, nullptr, nullptr);
  EXPECT_EQ(time, "02:05 pm (Standard)");
  CityLocalTime(Utc(2026, 6, 2, 12, 0), p, TimeFormat::TwelveHour, &time, nullptr, nullptr);
  EXPECT_EQ(time, "12:00 pm (Standard)");

  // A date text is only written together with the time text.
  date = "untouched";
  CityLocalTime(Utc(2026, 6, 2, 12, 0), p, TimeFormat::TwelveHour, nullptr, &date, nullptr);
  EXPECT_EQ(date, "untouched");

  // Offsets far outside the real range (a damaged file) still give a valid date.
  p.zoneOffset = -32768;
  const LocalDateTime far = CityLocalDateTime(Utc(2026, 1, 1, 0, 0), p);
  EXPECT_EQ(far.year, 2025);
  EXPECT_EQ(far.month, 12);
  EXPECT_GE(far.day, 1);
  EXPECT_LT(far.hour, 24);
}

TEST(DstStatus, RuleForms) {
  // First Sunday of April at 02:00 to last Sunday of October (the 2004 US rules).
  Place p;
  p.zoneOffset = -300;
  p.dstStart = {OnWeekday(4, 1, kSun), At(2, 0)};
  p.dstEnd = {OnWeekday(10, kLast, kSun), At(2, 0)};
  std::string text;
  EXPECT_FALSE(DstStatus(Utc(2004, 1, 15, 12, 0), p, &text));
  EXPECT_EQ(text, "DST begins Sun, Apr 4th, 2004 at 02:00");
  // After the end the next start is 2005's, on another day of the month.
  EXPECT_FALSE(DstStatus(Utc(2004, 11, 15, 12, 0), p, &text));
  EXPECT_EQ(text, "DST begins Sun, Apr 3rd, 2005 at 02:00");

  // Only one of the two date words set: no DST at all.
  Place half = p;
  half.dstEnd.date = 0;
  EXPECT_FALSE(DstStatus(Utc(2004, 7, 1, 12, 0), half, &text));
  EXPECT_EQ(text, "No DST observed");

  // Fixed dates carry their real weekday: 1 May 2026 is a Friday, 3 Sep 2026 a Thursday.
  Place fixed;
  fixed.dstStart = {OnDay(5, 1), At(0, 0)};
  fixed.dstEnd = {OnDay(9, 3), At(1, 30)};
  EXPECT_FALSE(DstStatus(Utc(2026, 2, 10, 0, 0), fixed, &text));
  EXPECT_EQ(text, "DST begins Fri, May 1st, 2026 at 00:00");
  EXPECT_TRUE(DstStatus(Utc(2026, 6, 10, 0, 0), fixed, &text));
  EXPECT_EQ(text, "DST ends Thu, Sep 3rd, 2026 at 01:30");
  // A fixed day past the month's end rolls over: 30 February is 2 March (1 March in a
  // leap year).
  fixed.dstStart = {OnDay(2, 30), At(0, 0)};
  DstStatus(Utc(2026, 1, 10, 0, 0), fixed, &text);
  EXPECT_EQ(text, "DST begins Mon, Mar 2nd, 2026 at 00:00");
  DstStatus(Utc(2028, 1, 10, 0, 0), fixed, &text);
  EXPECT_EQ(text, "DST begins Wed, Mar 1st, 2028 at 00:00");

  // A December rule whose day runs past the year's end lands in January.
  Place december;
  december.dstStart = {OnWeekday(3, 1, kSun), At(2, 0)};
  december.dstEnd = {OnWeekday(12, 1, kSat), At(2, 0, 31)};  // Saturday on or after Dec 31
  DstStatus(Utc(2026, 7, 1, 0, 0), december, &text);
  EXPECT_EQ(text, "DST ends Sat, Jan 2nd, 2027 at 02:00");

  // Malformed words (month 0 or 13, weekday 0, week 0) mean no DST rather than a table
  // read out of range.
  for (uint16_t bad : {uint16_t(0x0100), uint16_t(0x010D), uint16_t(OnWeekday(3, 1, 0)),
                       uint16_t(0x8000 | 1 << 8 | 3)}) {
    Place broken = p;
    broken.dstStart.date = bad;
    EXPECT_FALSE(DstStatus(Utc(2026, 7, 1, 0, 0), broken, &text)) << bad;
    EXPECT_EQ(text, "No DST observed");
  }
}

}  // namespace
}  // namespace orx
