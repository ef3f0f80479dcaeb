// The city database on the real data/cities.bin: opening it (mapping, checking every
// record and building both B-tree indexes), snapping over a grid covering the Earth, and
// each list builder for its largest case. Each has a plain reference beside it: sorted
// vectors instead of B-trees, a linear scan instead of the window walk.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "cities/city_database.h"
#include "cities/city_lists.h"
#include "cities/snap.h"
#include "gfx/fold.h"

namespace {

const std::string kPath = std::string(ORRELUX_SOURCE_DIR) + "/data/cities.bin";

orx::CityDatabase& Database() {
  static orx::CityDatabase* db = [] {
    auto* d = new orx::CityDatabase;
    if (!orx::OpenCityDatabase(*d, kPath).ok()) std::abort();
    return d;
  }();
  return *db;
}

std::vector<orx::CityKey> Records() {
  std::vector<orx::CityKey> records;
  orx::ForEachCityRecord(Database(), [&](orx::CityKey k) {
    records.push_back(k);
    return true;
  });
  return records;
}

// Points every 2 degrees of latitude and 3 of longitude, in arc-minutes.
std::vector<std::pair<int, int>> Grid() {
  std::vector<std::pair<int, int>> points;
  for (int lat = -5400; lat <= 5400; lat += 120) {
    for (int lon = -10800; lon < 10800; lon += 180) points.emplace_back(lat, lon);
  }
  return points;
}

void BM_OpenCityDatabase(benchmark::State& state) {
  for (auto _ : state) {
    orx::CityDatabase db;
    const orx::CityDatabaseOpenResult r = orx::OpenCityDatabase(db, kPath);
    benchmark::DoNotOptimize(r.status);
  }
}
BENCHMARK(BM_OpenCityDatabase)->Unit(benchmark::kMillisecond);

// Reference: the mapping walked without checks and the same two orders built as stably
// sorted vectors of record pointers.
void BM_OpenReferenceSortedVectors(benchmark::State& state) {
  for (auto _ : state) {
    orx::platform::MappedFile file;
    if (!file.Open(kPath)) std::abort();
    std::vector<orx::CityKey> byCountry, byLongitude;
    for (const uint8_t* r = file.data() + orx::kCityRecordsOffset; orx::RecordLength(r) != 0; r += orx::RecordLength(r)) {
      byCountry.push_back(r);
    }
    byLongitude = byCountry;
    std::stable_sort(byCountry.begin(), byCountry.end(),
                     [](auto a, auto b) { return orx::RecordCountry(a) < orx::RecordCountry(b); });
    std::stable_sort(byLongitude.begin(), byLongitude.end(),
                     [](auto a, auto b) { return orx::RecordLongitude(a) < orx::RecordLongitude(b); });
    benchmark::DoNotOptimize(byLongitude.data());
  }
}
BENCHMARK(BM_OpenReferenceSortedVectors)->Unit(benchmark::kMillisecond);

void BM_SnapToDatabase(benchmark::State& state) {
  const orx::CityDatabase& db = Database();
  const auto points = Grid();
  const int radius = static_cast<int>(state.range(0));
  const bool populous = state.range(1) != 0;
  size_t i = 0, found = 0;
  for (auto _ : state) {
    const auto [lat, lon] = points[i++ % points.size()];
    orx::Place p;
    found += orx::SnapToDatabase(db, lat, lon, radius, populous, p);
    benchmark::DoNotOptimize(p.name);
  }
  state.counters["found"] = benchmark::Counter(static_cast<double>(found) / static_cast<double>(i));
}
BENCHMARK(BM_SnapToDatabase)->Args({60, 0})->Args({60, 1})->Args({200, 0})->Unit(benchmark::kMicrosecond);

// Reference: a linear scan over every record.
void BM_SnapReferenceLinearScan(benchmark::State& state) {
  const auto records = Records();
  const auto points = Grid();
  size_t i = 0;
  for (auto _ : state) {
    const auto [lat, lon] = points[i++ % points.size()];
    orx::CityKey best = nullptr;
    long long bestD = 0;
    for (orx::CityKey k : records) {
      const int dLat = orx::RecordLatitude(k) - lat, dLon = orx::RecordLongitude(k) - lon;
      if (std::abs(dLat) >= 60 || std::abs(dLon) >= 60) continue;
      const long long d = 1LL * dLat * dLat + 1LL * dLon * dLon;
      if (best == nullptr || d < bestD) best = k, bestD = d;
    }
    benchmark::DoNotOptimize(best);
  }
}
BENCHMARK(BM_SnapReferenceLinearScan)->Unit(benchmark::kMicrosecond);

int LargestCountry() {
  std::map<int, int> count;
  for (orx::CityKey k : Records()) ++count[orx::RecordCountry(k)];
  return std::max_element(count.begin(), count.end(), [](auto& a, auto& b) { return a.second < b.second; })->first;
}

void BM_ListByNamePrefixS(benchmark::State& state) {
  const orx::CityDatabase& db = Database();
  for (auto _ : state) {
    std::vector<const char*> list;
    orx::ListCitiesByNamePrefix(db, "S", orx::kCityListLimit, list);
    benchmark::DoNotOptimize(list.data());
    state.counters["items"] = static_cast<double>(list.size());
  }
}
BENCHMARK(BM_ListByNamePrefixS)->Unit(benchmark::kMillisecond);

void BM_ListReferenceNamePrefixS(benchmark::State& state) {
  const auto records = Records();
  for (auto _ : state) {
    std::vector<const char*> list;
    for (orx::CityKey k : records) {
      if (list.size() < static_cast<size_t>(orx::kCityListLimit) && orx::CompareFoldedN(orx::RecordName(k), "S", 1) == 0) {
        list.push_back(orx::RecordName(k));
      }
    }
    std::stable_sort(list.begin(), list.end(), [](auto a, auto b) { return orx::CompareFolded(a, b) < 0; });
    benchmark::DoNotOptimize(list.data());
  }
}
BENCHMARK(BM_ListReferenceNamePrefixS)->Unit(benchmark::kMillisecond);

void BM_ListLargestCountry(benchmark::State& state) {
  const orx::CityDatabase& db = Database();
  const int country = LargestCountry();
  state.SetLabel(orx::CountryName(db, country));
  for (auto _ : state) {
    std::vector<const char*> list;
    orx::ListCitiesOfCountry(db, country, orx::kCityListLimit, list);
    benchmark::DoNotOptimize(list.data());
    state.counters["items"] = static_cast<double>(list.size());
  }
}
BENCHMARK(BM_ListLargestCountry)->Unit(benchmark::kMillisecond);

void BM_ListLargestPopulationClass(benchmark::State& state) {
  const orx::CityDatabase& db = Database();
  const auto [from, below] = orx::PopulationClassBounds("Less than 10,000");
  for (auto _ : state) {
    std::vector<const char*> list;
    orx::ListCitiesOfPopulationClass(db, from, below, orx::kCityListLimit, list);
    benchmark::DoNotOptimize(list.data());
    state.counters["items"] = static_cast<double>(list.size());
  }
}
BENCHMARK(BM_ListLargestPopulationClass)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
