// The committed data/cities.bin: its content as tools/citydb promises it, and snapping
// and the list builders on the real 118,486 cities against plain brute-force searches.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "cities/city_database.h"
#include "cities/city_lists.h"
#include "cities/snap.h"
#include "gfx/fold.h"
#include "support/city_file.h"

namespace orx {
namespace {

class RealCitiesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    db_ = new CityDatabase;
    const CityDatabaseOpenResult r = OpenCityDatabase(*db_, test::RealCityFilePath());
    ASSERT_TRUE(r.ok()) << r.message;
    ForEachCityRecord(*db_, [](CityKey k) {
      records_.push_back(k);
      return true;
    });
  }
  static void TearDownTestSuite() {
    delete db_;
    records_.clear();
  }
  // The most populous city of that exact name.
  static Place City(const char* name) {
    Place p;
    for (CityKey k : records_) {
      if (std::strcmp(RecordName(k), name) == 0) {
        PlaceFromRecord(*db_, k, p);
        break;
      }
    }
    return p;
  }

  static CityDatabase* db_;
  static std::vector<CityKey> records_;  // file order
};
CityDatabase* RealCitiesTest::db_ = nullptr;
std::vector<CityKey> RealCitiesTest::records_;

bool DrawableName(const char* name) {
  static const std::string extra = "\x8A\x8C\x8E\x9A\x9C\x9E\x9F";
  if (*name == '\0') return false;
  for (const char* p = name; *p != '\0'; ++p) {
    const uint8_t c = static_cast<uint8_t>(*p);
    const bool ok = (c >= 0x20 && c < 0x7F) || (c >= 0xC0 && c != 0xD7 && c != 0xF7) ||
                    extra.find(static_cast<char>(c)) != std::string::npos;
    if (!ok) return false;
  }
  return true;
}

TEST_F(RealCitiesTest, ContentAsBuilt) {
  EXPECT_EQ(std::memcmp(db_->base(), "ORXC", 4), 0);
  ASSERT_EQ(records_.size(), 118486u);
  EXPECT_EQ(db_->byLongitude.size(), 118486);
  for (size_t i = 1; i < records_.size(); ++i) {
    ASSERT_GE(RecordPopulation(records_[i - 1]), RecordPopulation(records_[i])) << i;  // largest first
    ASSERT_TRUE(DrawableName(RecordName(records_[i]))) << i;
    ASSERT_EQ(RecordLength(records_[i]) % 2, 0);
  }
  const std::vector<const char*> countries = CountryNames(*db_);
  ASSERT_EQ(countries.size(), 250u);
  for (size_t i = 1; i < countries.size(); ++i) EXPECT_LT(CompareFolded(countries[i - 1], countries[i]), 0);

  const Place london = City("London");
  EXPECT_STREQ(CountryName(*db_, london.country), "United Kingdom");
  EXPECT_STREQ(ServiceNameOfCountry(*db_, "United Kingdom"), "GB");
  EXPECT_EQ(london.zoneOffset, 0);
  EXPECT_EQ(london.dstStart.date, 0xA903);  // last Sunday of March, 01:00
  EXPECT_EQ(london.dstStart.time, 60);
  EXPECT_EQ(london.dstEnd.date, 0xA90A);    // last Sunday of October, 02:00 daylight
  EXPECT_EQ(london.dstEnd.time, 120);
  const Place dublin = City("Dublin");      // negative DST turned round
  EXPECT_EQ(dublin.dstStart.date, london.dstStart.date);
  EXPECT_EQ(dublin.dstEnd.time, london.dstEnd.time);
  const Place cairo = City("Cairo");        // Friday on or after 26 October, 00:00
  EXPECT_EQ(cairo.zoneOffset, 120);
  EXPECT_EQ(cairo.dstEnd.date, 0x8E0A);
  EXPECT_EQ(cairo.dstEnd.time, 26 << 11);
  EXPECT_EQ(cairo.flags & kPlaceMarker6, kPlaceMarker6);  // capital
  const Place sydney = City("Sydney");      // southern: starts in October
  EXPECT_EQ(sydney.zoneOffset, 600);
  EXPECT_EQ(sydney.dstStart.date & 0xFF, 10);
  EXPECT_EQ(sydney.dstEnd.date & 0xFF, 4);
  EXPECT_EQ(City("Kathmandu").zoneOffset, 345);
  EXPECT_EQ(City("Tokyo").dstStart.date, 0);
  EXPECT_EQ(City("Casablanca").zoneOffset, 60);  // no annual rule: +01 all year
  EXPECT_EQ(City("Casablanca").dstStart.date, 0);
  EXPECT_EQ(City("Shanghai").population, 0xC000 | 223);  // 22,315,474 in tenths of a million
}

// Brute force over every record: the nearest in the square (ties: smaller longitude, then
// file order) and the most populous (ties: larger longitude, then later in file order).
struct Brute {
  CityKey nearest = nullptr, populous = nullptr;
};
Brute BruteSnap(const std::vector<CityKey>& records, int lat, int lon, int radius) {
  Brute b;
  long long bestD = 0;
  for (CityKey k : records) {
    const int dLat = RecordLatitude(k) - lat, dLon = RecordLongitude(k) - lon;
    if (std::abs(dLat) >= radius || std::abs(dLon) >= radius) continue;
    const long long d = 1LL * dLat * dLat + 1LL * dLon * dLon;
    if (b.nearest == nullptr || d < bestD ||
        (d == bestD && RecordLongitude(k) < RecordLongitude(b.nearest))) {
      b.nearest = k;
      bestD = d;
    }
    if (b.populous == nullptr || RecordPopulation(k) > RecordPopulation(b.populous) ||
        (RecordPopulation(k) == RecordPopulation(b.populous) && RecordLongitude(k) >= RecordLongitude(b.populous))) {
      b.populous = k;
    }
  }
  return b;
}

TEST_F(RealCitiesTest, SnapToDatabaseAgreesWithBruteForce) {
  std::mt19937 rng(2026);
  int found = 0;
  for (int i = 0; i < 400; ++i) {
    int lat, lon;
    if (i % 2 == 0) {  // near a city, where the choice is hard
      CityKey k = records_[rng() % records_.size()];
      lat = std::clamp(RecordLatitude(k) + static_cast<int>(rng() % 121) - 60, -5400, 5400);
      lon = std::clamp(RecordLongitude(k) + static_cast<int>(rng() % 121) - 60, -10800, 10800);
    } else {
      lat = static_cast<int>(rng() % 10801) - 5400;
      lon = static_cast<int>(rng() % 21601) - 10800;
    }
    for (int radius : {10, 60, 200}) {
      const Brute b = BruteSnap(records_, lat, lon, radius);
      for (bool populous : {false, true}) {
        Place p;
        const bool hit = SnapToDatabase(*db_, lat, lon, radius, populous, p);
        const CityKey want = populous ? b.populous : b.nearest;
        ASSERT_EQ(hit, want != nullptr) << lat << "," << lon << " r" << radius;
        if (hit) {
          ++found;
          ASSERT_EQ(p.name, RecordName(want)) << lat << "," << lon << " r" << radius << " populous " << populous;
        }
      }
    }
  }
  EXPECT_GT(found, 1000);
}

TEST_F(RealCitiesTest, LargestListsKeepOrderAndLimit) {
  std::vector<const char*> list;
  ASSERT_TRUE(ListCitiesByNamePrefix(*db_, "S", kCityListLimit, list));
  EXPECT_GT(list.size(), 5000u);
  EXPECT_LE(list.size(), static_cast<size_t>(kCityListLimit));
  for (size_t i = 1; i < list.size(); ++i) {
    const int c = CompareFolded(list[i - 1], list[i]);
    ASSERT_TRUE(c < 0 || (c == 0 && list[i - 1] < list[i])) << i;  // equal names in file order
    ASSERT_EQ(FoldChar(static_cast<uint8_t>(list[i][0])), 'S');
  }

  // The smallest class holds far more than the limit: the 20000 biggest of it are kept.
  list.clear();
  const auto [from, below] = PopulationClassBounds("Less than 10,000");
  ASSERT_TRUE(ListCitiesOfPopulationClass(*db_, from, below, kCityListLimit, list));
  ASSERT_EQ(list.size(), static_cast<size_t>(kCityListLimit));
  int largestLeftOut = 0;
  size_t inClass = 0;
  for (CityKey k : records_) {
    if (RecordPopulation(k) >= from && RecordPopulation(k) < below && ++inClass == kCityListLimit + 1) {
      largestLeftOut = RecordPopulation(k);
    }
  }
  for (size_t i = 1; i < list.size(); ++i) {
    const CityKey a = RecordOfName(list[i - 1]), b = RecordOfName(list[i]);
    ASSERT_TRUE(RecordPopulation(a) > RecordPopulation(b) || (RecordPopulation(a) == RecordPopulation(b) && a < b));
  }
  EXPECT_GE(RecordPopulation(RecordOfName(list.back())), largestLeftOut);

  // The country with the most cities.
  std::map<int, int> perCountry;
  for (CityKey k : records_) ++perCountry[RecordCountry(k)];
  auto largest = std::max_element(perCountry.begin(), perCountry.end(),
                                  [](auto& a, auto& b) { return a.second < b.second; });
  list.clear();
  ASSERT_TRUE(ListCitiesOfCountry(*db_, largest->first, kCityListLimit, list));
  EXPECT_EQ(list.size(), static_cast<size_t>(std::min(largest->second, kCityListLimit)));
  for (const char* name : list) ASSERT_EQ(RecordCountry(RecordOfName(name)), largest->first);
}

}  // namespace
}  // namespace orx
