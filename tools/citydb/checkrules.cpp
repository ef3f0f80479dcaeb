// checkrules: compares the local times the program computes for every city of
// cities.bin with the IANA data, as `zdump -i` prints it, over the coming years.
//
//   checkrules CITIES.BIN ZONES.TXT [--from YEAR] [--years N]
//
// ZONES.TXT is written by build.js (--zones-out): the record offset and zone of every
// city. Each distinct (zone offset, DST words) of a zone's cities is read back through
// the program's own reader and evaluated with its own rule code at every transition
// (one minute before and at the instant), halfway between transitions, and on 1 January
// and 1 July of every year. Exits with 1 on any difference outside the allow-list below.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "cities/city_database.h"
#include "platform/clock.h"
#include "worldtime/world_time.h"

namespace {

// Zones and years whose real transitions the yearly words cannot express: differences
// in years firstYear..lastYear are expected.
struct Allowed {
  const char* zone;
  int firstYear;
  int lastYear;
};
constexpr Allowed kAllowList[] = {
    // Morocco suspends its +01 during Ramadan, a date of the lunar calendar.
    {"Africa/Casablanca", 0, 9999},
    {"Africa/El_Aaiun", 0, 9999},
    // Palestine moved its transitions around Ramadan until 2025, and tzdata predicts
    // that it will again once Ramadan reaches October (from 2036).
    {"Asia/Gaza", 0, 2025},
    {"Asia/Gaza", 2036, 9999},
    {"Asia/Hebron", 0, 2025},
    {"Asia/Hebron", 2036, 9999},
};

bool IsAllowed(const std::string& zone, int year) {
  for (const Allowed& a : kAllowList) {
    if (zone == a.zone && year >= a.firstYear && year <= a.lastYear) return true;
  }
  return false;
}

struct ZoneData {
  int initialOffset = 0;                       // minutes east of UTC at the range start
  std::vector<std::pair<long long, int>> changes;  // (UTC minute since 1970, new offset)
};

long long DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const long long yoe = y - era * 400;
  const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

orx::platform::SystemTime TimeOfMinute(long long minute) {
  long long days = minute / 1440;
  long long rest = minute % 1440;
  if (rest < 0) {
    rest += 1440;
    --days;
  }
  const long long z = days + 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const long long doe = z - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  orx::platform::SystemTime t;
  t.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  t.year = static_cast<int>(yoe + era * 400 + (t.month <= 2));
  t.dayOfWeek = static_cast<int>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
  t.hour = static_cast<int>(rest / 60);
  t.minute = static_cast<int>(rest % 60);
  return t;
}

// "+01", "-0230", "+053000" -> minutes east of UTC.
bool ParseOffset(const std::string& s, int& minutes) {
  if (s.size() < 3 || (s[0] != '+' && s[0] != '-')) return false;
  const int h = std::atoi(s.substr(1, 2).c_str());
  const int m = s.size() >= 5 ? std::atoi(s.substr(3, 2).c_str()) : 0;
  minutes = (s[0] == '-' ? -1 : 1) * (h * 60 + m);
  return true;
}

std::map<std::string, ZoneData> RunZdump(const std::set<std::string>& zones, int from, int to) {
  std::string command = "zdump -i -c " + std::to_string(from) + "," + std::to_string(to);
  for (const std::string& z : zones) command += " " + z;
  std::map<std::string, ZoneData> result;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  char line[256];
  ZoneData* current = nullptr;
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    std::string text(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    if (text.rfind("TZ=\"", 0) == 0) {
      current = &result[text.substr(4, text.size() - 5)];
      continue;
    }
    if (current == nullptr || text.empty()) continue;
    std::vector<std::string> f;
    std::stringstream fields(text);
    std::string field;
    while (std::getline(fields, field, '\t')) f.push_back(field);
    if (f.size() < 3) continue;
    int offset = 0;
    if (!ParseOffset(f[2], offset)) continue;
    if (f[0] == "-") {
      current->initialOffset = offset;
      continue;
    }
    int y = 0, mo = 0, d = 0;
    if (std::sscanf(f[0].c_str(), "%d-%d-%d", &y, &mo, &d) != 3) continue;
    const int hh = std::atoi(f[1].substr(0, 2).c_str());
    const int mm = f[1].size() >= 4 ? std::atoi(f[1].substr(2, 2).c_str()) : 0;
    const long long local = DaysFromCivil(y, mo, d) * 1440 + hh * 60 + mm;
    current->changes.emplace_back(local - offset, offset);
  }
  pclose(pipe);
  return result;
}

int ProgramOffset(const orx::Place& place, long long minute) {
  const orx::platform::SystemTime now = TimeOfMinute(minute);
  return place.zoneOffset + (orx::DstStatus(now, place, nullptr) ? 60 : 0);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: checkrules CITIES.BIN ZONES.TXT [--from YEAR] [--years N]\n");
    return 2;
  }
  const std::time_t nowSeconds = std::time(nullptr);
  int from = std::gmtime(&nowSeconds)->tm_year + 1900;
  int years = 10;
  for (int i = 3; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--from") == 0) from = std::atoi(argv[i + 1]);
    if (std::strcmp(argv[i], "--years") == 0) years = std::atoi(argv[i + 1]);
  }
  const int to = from + years;

  orx::CityDatabase db;
  const orx::CityDatabaseOpenResult open = orx::OpenCityDatabase(db, argv[1]);
  if (!open.ok()) {
    std::fprintf(stderr, "checkrules: %s\n", open.message.c_str());
    return 1;
  }

  // zone -> the distinct (offset, DST words) of its cities, with one city as example
  using Words = std::tuple<int, int, int, int, int>;
  std::map<std::string, std::map<Words, orx::Place>> variants;
  std::ifstream zonesFile(argv[2]);
  std::string line;
  int cities = 0;
  while (std::getline(zonesFile, line)) {
    const size_t tab = line.find('\t');
    if (tab == std::string::npos) continue;
    const uint32_t offset = static_cast<uint32_t>(std::stoul(line.substr(0, tab)));
    const uint8_t* record = orx::FindCityRecord(db, offset);
    if (record == nullptr) {
      std::fprintf(stderr, "checkrules: no record at offset %u\n", offset);
      return 1;
    }
    orx::Place place;
    orx::PlaceFromRecord(db, record, place);
    const Words w{place.zoneOffset, place.dstStart.date, place.dstStart.time, place.dstEnd.date, place.dstEnd.time};
    variants[line.substr(tab + 1)].emplace(w, place);
    ++cities;
  }
  std::set<std::string> zones;
  for (const auto& [zone, v] : variants) zones.insert(zone);
  const std::map<std::string, ZoneData> iana = RunZdump(zones, from, to);

  const long long start = DaysFromCivil(from, 1, 1) * 1440;
  const long long end = DaysFromCivil(to, 1, 1) * 1440;
  int samples = 0, failures = 0, allowedDifferences = 0;
  for (const auto& [zone, places] : variants) {
    const auto it = iana.find(zone);
    if (it == iana.end()) {
      std::fprintf(stderr, "checkrules: zdump knows no zone %s\n", zone.c_str());
      return 1;
    }
    const ZoneData& data = it->second;
    // (instant, expected offset): around every transition, between them, and twice a year.
    std::vector<std::pair<long long, int>> checks;
    int offset = data.initialOffset;
    long long previous = start;
    for (const auto& [instant, next] : data.changes) {
      checks.emplace_back((previous + instant) / 2, offset);
      checks.emplace_back(instant - 1, offset);
      checks.emplace_back(instant, next);
      offset = next;
      previous = instant;
    }
    checks.emplace_back((previous + end) / 2, offset);
    for (int y = from; y < to; ++y) {
      for (int month : {1, 7}) {
        const long long t = DaysFromCivil(y, month, 1) * 1440;
        int expected = data.initialOffset;
        for (const auto& [instant, next] : data.changes) {
          if (instant <= t) expected = next;
        }
        checks.emplace_back(t, expected);
      }
    }
    for (const auto& [words, place] : places) {
      int differences = 0;
      long long firstBad = 0;
      int firstExpected = 0, firstGot = 0;
      for (const auto& [instant, expected] : checks) {
        ++samples;
        const int got = ProgramOffset(place, instant);
        if (got == expected) continue;
        if (IsAllowed(zone, TimeOfMinute(instant).year)) {
          ++allowedDifferences;
          continue;
        }
        if (differences++ == 0) {
          firstBad = instant;
          firstExpected = expected;
          firstGot = got;
        }
      }
      if (differences > 0) {
        const orx::platform::SystemTime t = TimeOfMinute(firstBad);
        std::fprintf(stderr,
                     "checkrules: %s (%s): %d differences, first at %04d-%02d-%02d %02d:%02d UTC: "
                     "IANA %+d min, program %+d min\n",
                     zone.c_str(), place.name, differences, t.year, t.month, t.day, t.hour, t.minute,
                     firstExpected, firstGot);
        ++failures;
      }
    }
  }
  std::fflush(stderr);
  std::printf("checkrules: %d cities, %zu zones, %d samples from %d to %d: %d allowed differences "
              "(Morocco, Palestine), %d zones wrong\n",
              cities, zones.size(), samples, from, to - 1, allowedDifferences, failures);
  return failures == 0 ? 0 : 1;
}
