// Local time, DST state and next-transition texts, of hand-encoded rules and of the
// shipped cities, against zdump of the IANA tzdata (tests/data/worldtime/README.md).
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <map>
#include <string>

#include "cities/city_database.h"
#include "cities/city_record.h"
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

// "2026-03-29T01:00..." (seconds ignored: the rules work in whole minutes).
platform::SystemTime Utc(const std::string& iso) {
  return Utc(std::stoi(iso.substr(0, 4)), std::stoi(iso.substr(5, 2)), std::stoi(iso.substr(8, 2)),
             std::stoi(iso.substr(11, 2)), std::stoi(iso.substr(14, 2)));
}

std::string Stamp(int year, int month, int day, int hour, int minute) {
  return FormatText("%04d-%02d-%02dT%02d:%02d", year, month, day, hour, minute);
}

// Checks local time, weekday, DST flag and next-transition text of each zone's place
// against every row of the zdump table for that zone; returns the rows checked.
int CompareWithZdump(const std::map<std::string, Place>& places) {
  const auto rows = test::ReadReferenceTable("worldtime/local_times.csv");
  EXPECT_GT(rows.size(), 8000u);
  // A transition's text shows the wall-clock time just before the change; the table
  // has a row at every change, so the row before it holds the old offset.
  std::map<std::string, std::vector<std::pair<std::string, std::string>>> changes;
  for (size_t i = 1; i < rows.size(); ++i) {
    const auto &a = rows[i - 1], &b = rows[i];
    if (a.at("zone") != b.at("zone") || a.at("gmtoff_min") == b.at("gmtoff_min")) continue;
    const int before = std::stoi(a.at("gmtoff_min"));
    const auto ms = platform::ParseUtcInstant(b.at("utc"));
    const auto t = platform::SystemTimeFromMillis(*ms + int64_t{before} * 60000);
    changes[b.at("zone")].emplace_back(
        b.at("utc").substr(0, 16),
        FormatText("DST %s %s, %s %d%s, %04d at %02d:%02d",
                   std::stoi(b.at("gmtoff_min")) > before ? "begins" : "ends", kWeekdayNames[t.dayOfWeek],
                   kMonthNames[t.month - 1], t.day, OrdinalSuffix(t.day), t.year, t.hour, t.minute));
  }

  int checked = 0, failures = 0;
  for (const auto& row : rows) {
    const auto place = places.find(row.at("zone"));
    if (place == places.end()) continue;
    const platform::SystemTime now = Utc(row.at("utc"));
    const LocalDateTime local = CityLocalDateTime(now, place->second);
    const std::string got = Stamp(local.year, local.month, local.day, local.hour, local.minute);
    const bool daylight = std::stoi(row.at("gmtoff_min")) - place->second.zoneOffset == 60;
    std::string text, expectedText = place->second.dstStart.date ? "" : "No DST observed";
    for (const auto& [utc, changeText] : changes[row.at("zone")]) {
      if (expectedText.empty() && utc > row.at("utc").substr(0, 16)) expectedText = changeText;
    }
    const bool dst = DstStatus(now, place->second, &text);
    ++checked;
    if ((got != row.at("local").substr(0, 16) || dst != daylight || local.daylight != daylight ||
         local.weekday != Utc(row.at("local")).dayOfWeek || (!expectedText.empty() && text != expectedText)) &&
        ++failures <= 20) {
      ADD_FAILURE() << row.at("zone") << " at " << row.at("utc") << ": " << got << (dst ? " daylight" : "")
                    << " \"" << text << "\"; zdump " << row.at("local") << " offset " << row.at("gmtoff_min")
                    << " \"" << expectedText << "\"";
    }
  }
  std::printf("local time and DST: %d instants in %zu zones, %d differences from zdump\n", checked,
              places.size(), failures);
  EXPECT_EQ(failures, 0);
  return checked;
}

TEST(CityLocalTime, HandEncodedRulesAgreeWithZdump) {
  std::map<std::string, Place> places;
  for (const auto& [zone, rules] : Zones()) {
    Place& p = places[zone];
    p.zoneOffset = static_cast<int16_t>(rules.offset);
    p.dstStart = rules.start;
    p.dstEnd = rules.end;
  }
  EXPECT_GT(CompareWithZdump(places), 8000);
}

// The offsets and DST words of the shipped cities.bin, for one large city of most zones
// of the table.
TEST(CityLocalTime, ShippedCitiesAgreeWithZdump) {
  const std::map<std::string, const char*> cityOfZone = {
      {"Europe/London", "London"}, {"Europe/Dublin", "Dublin"}, {"Europe/Berlin", "Berlin"},
      {"Europe/Chisinau", "Chisinau"}, {"Atlantic/Azores", "Ponta Delgada"},
      {"America/New_York", "New York City"}, {"America/Los_Angeles", "Los Angeles"},
      {"America/St_Johns", "St. John's"}, {"America/Havana", "Havana"}, {"America/Nuuk", "Nuuk"},
      {"America/Santiago", "Santiago"}, {"America/Sao_Paulo", "S\xE3o Paulo"},
      {"America/Mexico_City", "Mexico City"}, {"Australia/Sydney", "Sydney"},
      {"Australia/Adelaide", "Adelaide"}, {"Australia/Brisbane", "Brisbane"},
      {"Pacific/Auckland", "Auckland"}, {"Pacific/Pago_Pago", "Pago Pago"}, {"Africa/Cairo", "Cairo"},
      {"Asia/Jerusalem", "Jerusalem"}, {"Asia/Gaza", "Gaza"}, {"Asia/Tokyo", "Tokyo"},
      {"Asia/Kolkata", "Kolkata"}, {"Asia/Kathmandu", "Kathmandu"}, {"Asia/Tehran", "Tehran"}};
  CityDatabase db;
  ASSERT_TRUE(OpenCityDatabase(db, std::filesystem::path(ORRELUX_SOURCE_DIR) / "data/cities.bin").ok());
  std::map<std::string, Place> places;
  for (const auto& [zone, name] : cityOfZone) {
    const uint8_t* best = nullptr;
    ForEachCityRecord(db, [&](CityKey r) {
      if (std::strcmp(RecordName(r), name) == 0 && (!best || RecordPopulation(r) > RecordPopulation(best))) best = r;
      return true;
    });
    ASSERT_NE(best, nullptr) << name;
    PlaceFromRecord(db, best, places[zone]);
  }
  EXPECT_GT(CompareWithZdump(places), 7000);
  CloseCityDatabase(db);
}

TEST(CityLocalTime, CalendarEdges) {
  Place p;
  std::string time, date, dst;
  // 1 March 2004 00:30 UTC at one hour west: the leap day before.
  p.zoneOffset = -60;
  EXPECT_FALSE(CityLocalTime(Utc(2004, 3, 1, 0, 30), p, TimeFormat::TwentyFourHour, &time, &date, &dst));
  EXPECT_EQ(time + "|" + date + "|" + dst, "23:30  (Standard)|Sun, Feb 29th, 2004|No DST observed");
  // 31 December 23:30 UTC at one hour east: New Year.
  p.zoneOffset = 60;
  CityLocalTime(Utc(2026, 12, 31, 23, 30), p, TimeFormat::TwelveHour, &time, &date, nullptr);
  EXPECT_EQ(time + "|" + date, "12:30 am (Standard)|Fri, Jan 1st, 2027");
  CityLocalTime(Utc(2026, 12, 31, 23, 30), p, TimeFormat::Hhmm, &time, nullptr, nullptr);
  EXPECT_EQ(time, "0030  (Standard)");
  // Offsets far outside the real range (a damaged file) still give a valid date.
  p.zoneOffset = -32768;
  const LocalDateTime far = CityLocalDateTime(Utc(2026, 1, 1, 0, 0), p);
  EXPECT_EQ(Stamp(far.year, far.month, far.day, far.hour, far.minute), "2025-12-09T05:52");
}

TEST(DstStatus, RuleForms) {
  std::string text;
  // Only one of the two date words set: no DST at all.
  Place half;
  half.dstStart = {OnWeekday(4, 1, kSun), At(2, 0)};
  EXPECT_FALSE(DstStatus(Utc(2004, 7, 1, 12, 0), half, &text));
  EXPECT_EQ(text, "No DST observed");

  // Fixed dates carry their real weekday; a day past the month's end rolls over
  // (30 February is 2 March, or 1 March in a leap year).
  Place fixed;
  fixed.dstStart = {OnDay(5, 1), At(0, 0)};
  fixed.dstEnd = {OnDay(9, 3), At(1, 30)};
  EXPECT_FALSE(DstStatus(Utc(2026, 2, 10, 0, 0), fixed, &text));
  EXPECT_EQ(text, "DST begins Fri, May 1st, 2026 at 00:00");
  EXPECT_TRUE(DstStatus(Utc(2026, 6, 10, 0, 0), fixed, &text));
  EXPECT_EQ(text, "DST ends Thu, Sep 3rd, 2026 at 01:30");
  fixed.dstStart = {OnDay(2, 30), At(0, 0)};
  DstStatus(Utc(2026, 1, 10, 0, 0), fixed, &text);
  EXPECT_EQ(text, "DST begins Mon, Mar 2nd, 2026 at 00:00");
  DstStatus(Utc(2028, 1, 10, 0, 0), fixed, &text);
  EXPECT_EQ(text, "DST begins Wed, Mar 1st, 2028 at 00:00");

  // Malformed words (month 0 or 13, weekday 0, week 0) mean no DST rather than a table
  // read out of range.
  for (uint16_t bad : {0x0100, 0x010D, 0x8000 | 1 << 11 | 3, 0x8000 | 1 << 8 | 3}) {
    Place broken = fixed;
    broken.dstStart.date = bad;
    EXPECT_FALSE(DstStatus(Utc(2026, 7, 1, 0, 0), broken, &text)) << bad;
    EXPECT_EQ(text, "No DST observed");
  }
}

}  // namespace
}  // namespace orx
