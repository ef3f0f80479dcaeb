// The city database on small files made in memory: the B-tree index and its walks, the
// checks of a damaged file, records into places, the country table, the list builders,
// snapping and the saved selection.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "cities/city_database.h"
#include "cities/city_lists.h"
#include "cities/saved_cities.h"
#include "cities/snap.h"
#include "support/city_file.h"

namespace orx {
namespace {

using test::BuildCityFile;
using test::TestCity;
using test::TestCityFile;
using test::TestCountry;

// Records of a file used as bare keys for index tests: longitude = the value given.
struct KeyFile {
  TestCityFile file;
  explicit KeyFile(const std::vector<int>& longitudes) {
    std::vector<TestCity> cities;
    for (size_t i = 0; i < longitudes.size(); ++i) {
      cities.push_back({"c" + std::to_string(i), 0, longitudes[i], static_cast<uint16_t>(0x4000 | i)});
    }
    file = BuildCityFile({}, cities);
  }
  CityKey key(size_t i) const { return file.bytes.data() + file.offsets[i]; }
};

// Checks the B-tree's shape; returns the depth of its leaves.
int CheckNode(const CityIndex::Node* n, bool isRoot) {
  EXPECT_LE(n->count, CityIndex::kMaxKeys);
  if (!isRoot) {
    EXPECT_GE(n->count, CityIndex::kMaxKeys / 2);
  }
  if (n->leaf) return 1;
  const int depth = CheckNode(n->children[0], false);
  for (int i = 1; i <= n->count; ++i) EXPECT_EQ(CheckNode(n->children[i], false), depth);
  return depth + 1;
}

std::vector<CityKey> Walk(const CityIndex& index) {
  std::vector<CityKey> keys;
  index.ForEach([&](CityKey k) {
    keys.push_back(k);
    return true;
  });
  return keys;
}

TEST(CityIndexTest, ThirtyThirdKeySplitsTheRootAroundTheSeventeenthSmallest) {
  std::vector<int> lons(33);
  for (int i = 0; i < 33; ++i) lons[i] = (i * 7) % 33;  // every value 0..32, shuffled
  KeyFile keys(lons);
  CityIndexByLongitude index;
  for (int i = 0; i < 32; ++i) index.Insert(keys.key(i));
  ASSERT_TRUE(index.root()->leaf);
  EXPECT_EQ(index.root()->count, 32);

  index.Insert(keys.key(32));
  const CityIndex::Node* root = index.root();
  ASSERT_FALSE(root->leaf);
  ASSERT_EQ(root->count, 1);
  EXPECT_EQ(RecordLongitude(root->keys[0]), 16);
  for (int c = 0; c < 2; ++c) {
    EXPECT_TRUE(root->children[c]->leaf);
    ASSERT_EQ(root->children[c]->count, 16);
    for (int k = 0; k < 16; ++k) EXPECT_EQ(RecordLongitude(root->children[c]->keys[k]), c * 17 + k);
  }
}

TEST(CityIndexTest, ManyInsertsStaySortedBalancedAndStableAmongEqualKeys) {
  std::mt19937 rng(7);
  std::vector<int> lons(5000);
  for (int& v : lons) v = static_cast<int>(rng() % 40) - 20;  // many duplicates
  KeyFile keys(lons);
  CityIndexByLongitude index;
  for (size_t i = 0; i < lons.size(); ++i) index.Insert(keys.key(i));
  EXPECT_EQ(index.size(), 5000);
  EXPECT_GE(CheckNode(index.root(), true), 3);

  // In order: by longitude, and in insertion (file) order among equals.
  std::vector<size_t> expected(lons.size());
  for (size_t i = 0; i < expected.size(); ++i) expected[i] = i;
  std::stable_sort(expected.begin(), expected.end(), [&](size_t a, size_t b) { return lons[a] < lons[b]; });
  const std::vector<CityKey> walked = Walk(index);
  ASSERT_EQ(walked.size(), expected.size());
  for (size_t i = 0; i < walked.size(); ++i) ASSERT_EQ(walked[i], keys.key(expected[i])) << i;
}

TEST(CityIndexTest, EqualRangeAndWindowVisitExactlyTheirKeysInFileOrder) {
  std::mt19937 rng(11);
  std::vector<int> lons(3000);
  for (int& v : lons) v = static_cast<int>(rng() % 30);
  KeyFile keys(lons);
  CityIndexByLongitude index;
  for (size_t i = 0; i < lons.size(); ++i) index.Insert(keys.key(i));

  for (int probe : {-1, 0, 13, 29, 30}) {
    std::vector<CityKey> expected, got;
    for (size_t i = 0; i < lons.size(); ++i) {
      if (lons[i] == probe) expected.push_back(keys.key(i));
    }
    const ProbeRecord p = ProbeForLongitude(probe);
    EXPECT_TRUE(index.EqualRange(p.key(), [&](CityKey k) {
      got.push_back(k);
      return true;
    }));
    EXPECT_EQ(got, expected) << "probe " << probe;
  }

  for (auto [centre, radius] : {std::pair{10, 3}, {0, 1}, {29, 5}, {15, 100}, {-50, 10}}) {
    std::vector<CityKey> expected, got;
    for (int lon = centre - radius + 1; lon < centre + radius; ++lon) {
      for (size_t i = 0; i < lons.size(); ++i) {
        if (lons[i] == lon) expected.push_back(keys.key(i));
      }
    }
    index.Window(centre, radius, [&](CityKey k) {
      got.push_back(k);
      return true;
    });
    EXPECT_EQ(got, expected) << "window " << centre << " +- " << radius;
  }

  int visits = 0;
  const ProbeRecord p = ProbeForLongitude(13);
  EXPECT_FALSE(index.EqualRange(p.key(), [&](CityKey) { return ++visits < 5; }));
  EXPECT_EQ(visits, 5);
}

TEST(CityIndexTest, PopulationOrderPutsUnknownPopulationsLast) {
  const TestCityFile f = BuildCityFile({}, {{"unknown", 0, 0, 0x0005}, {"village", 0, 0, 0x4005},
                                            {"town", 0, 0, 0x80C8}, {"metropolis", 0, 0, 0xC00A},
                                            {"none", 0, 0, 0x0000}});
  CityIndexByPopulation index;
  for (uint32_t o : f.offsets) index.Insert(f.bytes.data() + o);
  std::vector<std::string> names;
  for (CityKey k : Walk(index)) names.push_back(RecordName(k));
  EXPECT_EQ(names, (std::vector<std::string>{"metropolis", "town", "village", "unknown", "none"}));
}

// A small world: two countries, the first with two rule sets (start time, start date,
// end time, end date each), and a handful of cities.
constexpr uint16_t kRuleSets[8] = {120, 0xA903, 180, 0xA90A,   // last Sundays of March, October
                                   60, 0x8A03, 120, 0x8A0A};   // first Mondays
TestCityFile SmallWorld() {
  TestCountry alpha{"Alphaland", "AL", 600, 900, {}};
  std::copy(std::begin(kRuleSets), std::end(kRuleSets), alpha.rules);
  TestCountry beta{"Betaland", "", -300, -1200, {}};
  return BuildCityFile({alpha, beta},
                       {{"Stadt", 3000, 600, 0xC00A, 1, 0, 60},
                        {"\xC9toile", 3010, 610, 0x9388, 2, 0, 60},
                        {"stone", 2990, 590, 0x87D0, 3, 0, 60},
                        {"STREAM", 100, -200, 0x8064, 0, 1, -120},
                        {"Stadt", -100, 300, 0x8064, 1, 255, 0},
                        {"\xDF" "ad", 0, 0, 0x4100, 0, 1, 0},
                        {"\x8A" "ibenik", 0, 10, 0x4010, 0, 1, 0}});
}

TEST(CityDatabaseTest, PlaceFromRecordTakesTheRuleSetOfItsCountry) {
  const TestCityFile f = SmallWorld();
  CityDatabase db;
  ASSERT_TRUE(OpenCityDatabase(db, f.bytes).ok());
  EXPECT_EQ(db.byCountry.size(), 7);

  Place p;
  PlaceFromRecord(db, f.bytes.data() + f.offsets[0], p);
  EXPECT_STREQ(p.name, "Stadt");
  EXPECT_EQ(p.latitude, 3000);
  EXPECT_EQ(p.longitude, 600);
  EXPECT_EQ(p.zoneOffset, 60);
  EXPECT_EQ(p.population, 0xC00A);
  EXPECT_EQ(p.displayMask, 3u);
  EXPECT_EQ(p.dstStart.time, kRuleSets[0]);
  EXPECT_EQ(p.dstStart.date, kRuleSets[1]);
  EXPECT_EQ(p.dstEnd.time, kRuleSets[2]);
  EXPECT_EQ(p.dstEnd.date, kRuleSets[3]);

  for (int i : {1, 2}) {  // flags 2 and 3 both select rule set 2
    PlaceFromRecord(db, f.bytes.data() + f.offsets[i], p);
    EXPECT_EQ(p.dstStart.date, 0x8A03);
    EXPECT_EQ(p.dstEnd.time, 120);
  }
  PlaceFromRecord(db, f.bytes.data() + f.offsets[3], p);  // country whose rule sets are zero
  EXPECT_EQ(p.dstStart.date, 0);
  EXPECT_EQ(p.dstEnd.date, 0);
  PlaceFromRecord(db, f.bytes.data() + f.offsets[4], p);  // rule set 1 but no country
  EXPECT_EQ(p.country, 255);
  EXPECT_EQ(p.dstStart.date, 0);
  EXPECT_EQ(p.dstEnd.date, 0);
}

TEST(CityDatabaseTest, CountryLookups) {
  const TestCityFile f = SmallWorld();
  CityDatabase db;
  ASSERT_TRUE(OpenCityDatabase(db, f.bytes).ok());
  EXPECT_EQ(CountryIndexOfName(db, "Betaland"), 1);
  EXPECT_EQ(CountryIndexOfName(db, "betaland"), 255);  // case-sensitive, unlike name order
  EXPECT_STREQ(CountryName(db, 257), "Betaland");
  EXPECT_STREQ(ServiceNameOfCountry(db, "Alphaland"), "AL");
  EXPECT_STREQ(ServiceNameOfCountry(db, "Betaland"), "Betaland");
  EXPECT_EQ(ServiceNameOfCountry(db, "Gammaland"), nullptr);
  EXPECT_EQ(CountryNames(db), (std::vector<const char*>{CountryName(db, 0), CountryName(db, 1)}));

  PlaceList countries;
  AllCountriesAsPlaces(db, countries);
  ASSERT_EQ(countries.size(), 256u);
  EXPECT_EQ(countries[1]->latitude, -300);
  EXPECT_EQ(countries[1]->longitude, -1200);
  EXPECT_EQ(countries[1]->displayMask, 1u);
  EXPECT_EQ(countries[2]->displayMask, 0u);  // empty entry: never drawn
}

TEST(CityDatabaseTest, EmptyRecordListOpensWithEmptyResults) {
  const TestCityFile f = BuildCityFile({{"Alphaland", "", 0, 0, {}}}, {});
  CityDatabase db;
  ASSERT_TRUE(OpenCityDatabase(db, f.bytes).ok());
  std::vector<const char*> list;
  EXPECT_TRUE(ListCitiesOfCountry(db, 0, kCityListLimit, list));
  EXPECT_TRUE(ListCitiesByNamePrefix(db, "a", kCityListLimit, list));
  EXPECT_TRUE(list.empty());
  Place p;
  EXPECT_FALSE(SnapToDatabase(db, 0, 0, 200, false, p));
}

// Every way a file can be damaged is caught at the open, reported with an offset inside
// the file, and leaves an empty database.
TEST(CityDatabaseTest, DamagedFilesAreRejectedWithTheirOffset) {
  const TestCityFile good = SmallWorld();
  const uint32_t first = good.offsets[0];
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    size_t offset;
  };
  std::vector<Case> cases;
  auto with = [&](size_t at, std::initializer_list<uint8_t> patch) {
    std::vector<uint8_t> b = good.bytes;
    std::copy(patch.begin(), patch.end(), b.begin() + long(at));
    return b;
  };
  cases.push_back({"length below 13", with(first, {12, 0}), first});
  cases.push_back({"negative length", with(first, {0xFE, 0xFF}), first});
  cases.push_back({"length past the end", with(good.offsets[6], {0x00, 0x10}), good.offsets[6]});
  cases.push_back({"name without terminator", with(first + 12, {'X', 'X', 'X', 'X', 'X', 'X'}), first + 12});
  cases.push_back({"latitude out of range", with(first + 6, {0x19, 0x15}), first + 6});  // 5401
  cases.push_back({"longitude out of range", with(first + 8, {0xCF, 0xD5}), first + 8});  // -10801
  std::vector<uint8_t> noEnd = good.bytes;
  noEnd.resize(noEnd.size() - 2);
  cases.push_back({"no end word", noEnd, noEnd.size()});
  std::vector<uint8_t> countryName = good.bytes;
  std::fill(countryName.begin() + 16 + 68 + 20, countryName.begin() + 16 + 68 + 68, 'x');
  cases.push_back({"country name without terminator", countryName, 16 + 68 + 20});

  for (const Case& c : cases) {
    CityDatabase db;
    const CityDatabaseOpenResult r = OpenCityDatabase(db, c.bytes);
    EXPECT_EQ(r.status, CityDatabaseStatus::kDamaged) << c.what;
    EXPECT_EQ(r.offset, c.offset) << c.what;
    EXPECT_NE(r.message.find("offset " + std::to_string(c.offset)), std::string::npos) << r.message;
    EXPECT_FALSE(db.isOpen()) << c.what;
    EXPECT_TRUE(db.byLongitude.empty() && db.byCountry.empty()) << c.what;
  }

  // Cut anywhere, the file either opens whole or is rejected; never read past its end.
  for (size_t size = 0; size < good.bytes.size(); ++size) {
    std::vector<uint8_t> cut(good.bytes.begin(), good.bytes.begin() + long(size));
    CityDatabase db;
    const CityDatabaseOpenResult r = OpenCityDatabase(db, cut);
    ASSERT_EQ(r.status, CityDatabaseStatus::kDamaged) << size;
    ASSERT_LE(r.offset, size);
  }

  CityDatabase db;
  const CityDatabaseOpenResult missing = OpenCityDatabase(db, std::filesystem::path("/nonexistent/cities.bin"));
  EXPECT_EQ(missing.status, CityDatabaseStatus::kMissing);
}

TEST(CityDatabaseTest, OnlyRecordStartsAreFound) {
  const TestCityFile f = SmallWorld();
  CityDatabase db;
  ASSERT_TRUE(OpenCityDatabase(db, f.bytes).ok());
  for (uint32_t o : f.offsets) EXPECT_EQ(FindCityRecord(db, o), f.bytes.data() + o);
  for (uint32_t stray : {0u, 16u, 17422u, f.offsets[1] + 2, f.offsets[1] + 12, f.offsets[6] + 1,
                         static_cast<uint32_t>(f.bytes.size() - 2), static_cast<uint32_t>(f.bytes.size()),
                         0xFFFFFFFFu}) {
    EXPECT_EQ(FindCityRecord(db, stray), nullptr) << stray;
  }
  EXPECT_EQ(CityRecordOfName(db, "Stadt"), nullptr);  // a name outside the file
}

std::vector<std::string> Texts(const std::vector<const char*>& list) {
  return {list.begin(), list.end()};
}

TEST(CityListsTest, PrefixFoldsCaseAndLatinAccentsOnly) {
  const TestCityFile f = SmallWorld();
  CityDatabase db;
  ASSERT_TRUE(OpenCityDatabase(db, f.bytes).ok());
  std::vector<const char*> list;
  ASSERT_TRUE(ListCitiesByNamePrefix(db, "st", kCityListLimit, list));
  // By folded name; the two "Stadt" in file order.
  EXPECT_EQ(Texts(list), (std::vector<std::string>{"Stadt", "Stadt", "stone", "STREAM"}));
  EXPECT_EQ(RecordOfName(list[0]), f.bytes.data() + f.offsets[0]);
  EXPECT_EQ(RecordOfName(list[1]), f.bytes.data() + f.offsets[4]);

  list.clear();
  ListCitiesByNamePrefix(db, "e", kCityListLimit, list);
  EXPECT_EQ(Texts(list), (std::vector<std::string>{"\xC9toile"}));
  list.clear();
  ListCitiesByNamePrefix(db, "ba", kCityListLimit, list);  // sharp s folds to B
  EXPECT_EQ(list.size(), 1u);
  list.clear();
  ListCitiesByNamePrefix(db, "s", kCityListLimit, list);  // 0x8A is not folded to S
  EXPECT_EQ(list.size(), 4u);
  list.clear();
  ListCitiesByNamePrefix(db, "", kCityListLimit, list);
  ListCitiesByNamePrefix(db, nullptr, kCityListLimit, list);
  EXPECT_TRUE(list.empty());

  ListCitiesByNamePrefix(db, "st", 2, list);  // the limit keeps the first in file order
  EXPECT_EQ(Texts(list), (std::vector<std::string>{"Stadt", "stone"}));

  Place chosen;
  chosen.displayMask = 0;
  ASSERT_TRUE(PlaceOfListItem(db, list[1], chosen));
  EXPECT_EQ(chosen.latitude, 2990);
  EXPECT_EQ(chosen.displayMask, 3u);
  EXPECT_FALSE(PlaceOfListItem(db, "stone", chosen));  // not a name inside the file
}

TEST(CityListsTest, CountryAndPopulationClassLists) {
  const TestCityFile f = SmallWorld();
  CityDatabase db;
  ASSERT_TRUE(OpenCityDatabase(db, f.bytes).ok());
  std::vector<const char*> list;
  ASSERT_TRUE(ListCitiesOfCountry(db, 1, kCityListLimit, list));
  EXPECT_EQ(Texts(list), (std::vector<std::string>{"\xDF" "ad", "STREAM", "\x8A" "ibenik"}));
  list.clear();
  EXPECT_TRUE(ListCitiesOfCountry(db, 7, kCityListLimit, list));  // no cities
  EXPECT_TRUE(list.empty());

  auto [from, below] = PopulationClassBounds("Between 200,000 and 500,000");
  EXPECT_EQ(from, 0x87D0);
  EXPECT_EQ(below, 0x9388);
  EXPECT_EQ(PopulationClassBounds("between 200,000 and 500,000"), std::make_pair(-1, -1));
  ListCitiesOfPopulationClass(db, 0x8064, 0x9389, kCityListLimit, list);  // largest first
  EXPECT_EQ(Texts(list), (std::vector<std::string>{"\xC9toile", "stone", "STREAM", "Stadt"}));

  // "1 Million and over" stops below 0xCFFF; "Less than 10,000" takes unknown ones.
  const TestCityFile edge = BuildCityFile({}, {{"top", 0, 0, 0xCFFF}, {"million", 0, 0, 0xC00A},
                                               {"unknown", 0, 0, 0x0010}, {"small", 0, 0, 0x4010}});
  CityDatabase edgeDb;
  ASSERT_TRUE(OpenCityDatabase(edgeDb, edge.bytes).ok());
  const auto classes = PopulationClasses();
  ASSERT_EQ(classes.size(), 8u);
  list.clear();
  ListCitiesOfPopulationClass(edgeDb, classes[0].from, classes[0].below, kCityListLimit, list);
  EXPECT_EQ(Texts(list), (std::vector<std::string>{"million"}));
  list.clear();
  ListCitiesOfPopulationClass(edgeDb, classes[7].from, classes[7].below, kCityListLimit, list);
  EXPECT_EQ(Texts(list), (std::vector<std::string>{"small", "unknown"}));
}

TEST(SnapTest, DatabaseSearchUsesTheSquareAndItsTieRules) {
  const TestCityFile f = BuildCityFile({}, {{"corner", 59, 59, 0x4001},
                                            {"east", 0, 30, 0x8000},
                                            {"west", 0, -30, 0x8100},
                                            {"across", 0, -10790, 0xC100},
                                            {"big", 50, 0, 0x8100}});
  CityDatabase db;
  ASSERT_TRUE(OpenCityDatabase(db, f.bytes).ok());
  Place p;
  ASSERT_TRUE(SnapToDatabase(db, 0, 0, 60, false, p));
  EXPECT_STREQ(p.name, "west");  // as near as "east", and visited first
  ASSERT_TRUE(SnapToDatabase(db, 0, 0, 60, true, p));
  EXPECT_STREQ(p.name, "big");  // equal codes: the last visited (largest longitude)
  ASSERT_TRUE(SnapToDatabase(db, 20, 40, 60, false, p));
  EXPECT_STREQ(p.name, "east");
  // 59' north and 59' east lies in the square although farther than 60'.
  const TestCityFile lone = BuildCityFile({}, {{"corner", 59, 59, 0x4001}});
  CityDatabase loneDb;
  ASSERT_TRUE(OpenCityDatabase(loneDb, lone.bytes).ok());
  EXPECT_TRUE(SnapToDatabase(loneDb, 0, 0, 60, false, p));
  EXPECT_FALSE(SnapToDatabase(loneDb, 0, 0, 59, false, p));
  // No wrap at the date line.
  EXPECT_FALSE(SnapToDatabase(db, 0, 10790, 60, false, p));
}

TEST(SnapTest, DatabaseSearchStopsAfterFiveHundredImprovements) {
  // Visited west to east, each city nearer to the point than the one before.
  std::vector<TestCity> cities;
  for (int i = 0; i < 600; ++i) cities.push_back({"c" + std::to_string(i), 0, -600 + i, 0x4001});
  const TestCityFile f = BuildCityFile({}, cities);
  CityDatabase db;
  ASSERT_TRUE(OpenCityDatabase(db, f.bytes).ok());
  Place p;
  ASSERT_TRUE(SnapToDatabase(db, 0, 0, 601, false, p));
  EXPECT_STREQ(p.name, "c499");
}

TEST(SnapTest, PreferenceGpsThenDisplayedPlacesThenDatabase) {
  const TestCityFile f = SmallWorld();
  CityDatabase db;
  ASSERT_TRUE(OpenCityDatabase(db, f.bytes).ok());
  PlaceList displayed;
  displayed.push_back(std::make_unique<Place>());
  PlaceFromRecord(db, f.bytes.data() + f.offsets[3], *displayed.back());  // STREAM at (100, -200)
  PlaceList path;
  path.push_back(std::make_unique<Place>());
  path.back()->latitude = 2000;

  SnapSources s;
  s.gpsValid = true;
  s.gpsLatitude = 50.0;
  s.gpsLongitude = 10.0;
  s.displayedCities = &displayed;
  s.pathPoints = &path;
  s.database = &db;
  Place p;
  p.displayMask = 1;
  EXPECT_EQ(SnapToPlace(s, 3010, 590, p), SnapResult::kGps);
  EXPECT_EQ(p.displayMask, 2u);
  EXPECT_EQ(p.latitude, 3000);
  EXPECT_EQ(p.name, nullptr);

  s.gpsValid = false;
  p.displayMask = 1;
  EXPECT_EQ(SnapToPlace(s, 120, -180, p), SnapResult::kDisplayed);
  EXPECT_STREQ(p.name, "STREAM");
  EXPECT_EQ(p.displayMask, 1u);  // kept
  EXPECT_EQ(SnapToPlace(s, 2010, 0, p), SnapResult::kDisplayed);
  s.draggedPoint = path.back().get();
  EXPECT_EQ(SnapToPlace(s, 2010, 0, p), SnapResult::kNone);
  EXPECT_EQ(SnapToPlace(s, 3005, 605, p), SnapResult::kDatabase);
  EXPECT_STREQ(p.name, "Stadt");
}

class SavedCitiesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("orrelux_citysav_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    file_ = SmallWorld();
    ASSERT_TRUE(OpenCityDatabase(db_, file_.bytes).ok());
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  void Write(const std::vector<uint32_t>& values, size_t extraBytes = 0) {
    std::filesystem::create_directories(dir_);
    std::ofstream out(path(), std::ios::binary);
    for (uint32_t v : values) out.write(reinterpret_cast<const char*>(&v), 4);
    for (size_t i = 0; i < extraBytes; ++i) out.put('\x41');
  }
  std::filesystem::path path() const { return dir_ / "cities.sav"; }
  PlaceList Load() {
    PlaceList list;
    LoadDisplayedCities(db_, path(), list);
    return list;
  }

  std::filesystem::path dir_;
  TestCityFile file_;
  CityDatabase db_;
};

TEST_F(SavedCitiesTest, RoundTripKeepsOrderAndSkipsPlacesThatAreNotCities) {
  PlaceList list;
  for (int i : {5, 0, 3}) {
    list.push_back(std::make_unique<Place>());
    PlaceFromRecord(db_, file_.bytes.data() + file_.offsets[i], *list.back());
  }
  list.push_back(std::make_unique<Place>());  // a bare point
  ASSERT_TRUE(SaveDisplayedCities(db_, path(), list));
  EXPECT_EQ(std::filesystem::file_size(path()), 12u);
  const PlaceList loaded = Load();
  ASSERT_EQ(loaded.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(loaded[i]->name, list[i]->name);
    EXPECT_EQ(loaded[i]->dstStart.date, list[i]->dstStart.date);
    EXPECT_EQ(loaded[i]->displayMask, 3u);
  }

  ASSERT_TRUE(SaveDisplayedCities(db_, path(), {}));
  EXPECT_EQ(std::filesystem::file_size(path()), 0u);
  EXPECT_TRUE(Load().empty());

  CityDatabase closed;
  EXPECT_FALSE(SaveDisplayedCities(closed, path(), list));
  EXPECT_TRUE(Load().empty());  // the file was left alone
}

TEST_F(SavedCitiesTest, DamagedSelectionsLoadOnlyRealRecords) {
  EXPECT_TRUE(Load().empty());  // no file
  Write({0, file_.offsets[1]});
  EXPECT_TRUE(Load().empty());  // a 0 ends the list
  // Stray offsets are skipped, the rest loads; a trailing piece under 4 bytes is ignored.
  Write({file_.offsets[1] + 2, file_.offsets[2], 99999999u, 17424u - 12, file_.offsets[6], file_.offsets[6] + 1}, 3);
  const PlaceList list = Load();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_STREQ(list[0]->name, "stone");
  EXPECT_STREQ(list[1]->name, "\x8A" "ibenik");
}

std::vector<std::vector<uint8_t>> CorpusFiles(const char* name) {
  std::vector<std::filesystem::path> paths;
  for (const auto& e : std::filesystem::directory_iterator(std::filesystem::path(ORRELUX_SOURCE_DIR) / "fuzz/corpus" / name)) {
    paths.push_back(e.path());
  }
  std::sort(paths.begin(), paths.end());
  std::vector<std::vector<uint8_t>> files;
  for (const auto& path : paths) {
    std::ifstream in(path, std::ios::binary);
    files.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return files;
}

// The fuzz targets' seeds and findings: damaged files are rejected inside their bounds,
// and whatever opens can be walked, listed and snapped to.
TEST(CityFuzzCorpusTest, CitiesCorpusOpensOrIsRejected) {
  int opened = 0;
  const auto files = CorpusFiles("cities");
  ASSERT_GE(files.size(), 5u);
  for (const auto& bytes : files) {
    CityDatabase db;
    const CityDatabaseOpenResult r = OpenCityDatabase(db, bytes);
    if (!r.ok()) {
      EXPECT_LE(r.offset, bytes.size());
      continue;
    }
    ++opened;
    std::vector<const char*> list;
    ListCitiesByNamePrefix(db, "a", kCityListLimit, list);
    for (const char* name : list) EXPECT_NE(CityRecordOfName(db, name), nullptr);
    Place p;
    SnapToDatabase(db, 0, 0, 200, true, p);
  }
  EXPECT_GE(opened, 2);
}

TEST(CityFuzzCorpusTest, SavedSelectionCorpusLoadsOnlyCities) {
  // The fixed file of the fuzz target: "City0".."City15" from offset 17424.
  std::vector<TestCity> cities;
  for (int i = 0; i < 16; ++i) {
    cities.push_back({"City" + std::to_string(i), 0, i * 7, static_cast<uint16_t>(0x4000 | i),
                      static_cast<uint8_t>(i % 3), static_cast<uint8_t>(i % 2), 0});
  }
  const TestCityFile f = BuildCityFile({{"Alphaland", "AL"}, {"Betaland", ""}}, cities);
  ASSERT_EQ(f.offsets[15], 17424u + 180u + 100u);
  CityDatabase db;
  ASSERT_TRUE(OpenCityDatabase(db, f.bytes).ok());
  for (const auto& bytes : CorpusFiles("citysav")) {
    PlaceList list;
    ParseDisplayedCities(db, bytes, list);
    EXPECT_LE(list.size(), bytes.size() / 4);
    for (const auto& place : list) EXPECT_NE(CityRecordOfName(db, place->name), nullptr);
    PlaceList again;
    ParseDisplayedCities(db, SerializeDisplayedCities(db, list), again);
    ASSERT_EQ(again.size(), list.size());
    for (size_t i = 0; i < list.size(); ++i) EXPECT_EQ(again[i]->name, list[i]->name);
  }
}

}  // namespace
}  // namespace orx
