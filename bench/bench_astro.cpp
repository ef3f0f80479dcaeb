// Rise and set times and local time for 1000 places, the work of refreshing the
// information lines for many cities at once.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "astro/rise_set.h"
#include "astro/sun_moon.h"
#include "worldtime/world_time.h"

namespace {

std::vector<orx::Place> Places() {
  std::mt19937 rng(1000);
  std::uniform_int_distribution<int> lat(-60 * 60, 60 * 60), lon(-10800, 10800);
  std::vector<orx::Place> places(1000);
  for (auto& p : places) {
    p.name = "Somewhere";
    p.latitude = static_cast<int16_t>(lat(rng));
    p.longitude = static_cast<int16_t>(lon(rng));
    p.zoneOffset = static_cast<int16_t>(p.longitude / 900 * 60);
    p.dstStart = {0xA903, 120};  // last Sunday of March, 02:00
    p.dstEnd = {0xA90A, 180};    // last Sunday of October, 03:00
  }
  return places;
}

orx::platform::SystemTime Now() {
  orx::platform::SystemTime t;
  t.year = 2027;
  t.month = 6;
  t.day = 15;
  t.dayOfWeek = 2;
  t.hour = 9;
  t.minute = 41;
  return t;
}

void BM_SunriseSunset1000(benchmark::State& state) {
  const auto places = Places();
  const double jd = orx::JulianDayOfDate(2027, 6, 15);
  for (auto _ : state) {
    for (const auto& p : places) {
      benchmark::DoNotOptimize(orx::ComputeSunriseSunset(jd, p.latitude / 60.0, p.longitude / 60.0));
    }
  }
  state.SetItemsProcessed(state.iterations() * places.size());
}
BENCHMARK(BM_SunriseSunset1000)->Unit(benchmark::kMicrosecond);

void BM_MoonriseMoonset1000(benchmark::State& state) {
  const auto places = Places();
  for (auto _ : state) {
    for (const auto& p : places) {
      benchmark::DoNotOptimize(orx::ComputeMoonriseMoonset(2027, 6, 15, p.zoneOffset / 60.0,
                                                           p.latitude / 60.0, p.longitude / 60.0));
    }
  }
  state.SetItemsProcessed(state.iterations() * places.size());
}
BENCHMARK(BM_MoonriseMoonset1000)->Unit(benchmark::kMicrosecond);

void BM_RiseSetLines1000(benchmark::State& state) {
  const auto places = Places();
  const auto now = Now();
  for (auto _ : state) {
    for (const auto& p : places) {
      const bool dst = orx::DstStatus(now, p, nullptr);
      benchmark::DoNotOptimize(orx::SunriseSunsetLine(now, p, dst, orx::TimeFormat::TwentyFourHour));
      benchmark::DoNotOptimize(orx::MoonriseMoonsetLine(now, p, dst, orx::TimeFormat::TwentyFourHour));
    }
  }
  state.SetItemsProcessed(state.iterations() * places.size());
}
BENCHMARK(BM_RiseSetLines1000)->Unit(benchmark::kMicrosecond);

void BM_CityLocalTime1000(benchmark::State& state) {
  const auto places = Places();
  const auto now = Now();
  std::string time, date, dst;
  for (auto _ : state) {
    for (const auto& p : places) {
      benchmark::DoNotOptimize(orx::CityLocalTime(now, p, orx::TimeFormat::TwelveHour, &time, &date, &dst));
    }
  }
  state.SetItemsProcessed(state.iterations() * places.size());
}
BENCHMARK(BM_CityLocalTime1000)->Unit(benchmark::kMicrosecond);

void BM_RefreshSkyPositions(benchmark::State& state) {
  orx::SkyPositions sky;
  const auto now = Now();
  for (auto _ : state) {
    orx::RefreshSkyPositions(sky, now, {});
    benchmark::DoNotOptimize(sky);
  }
}
BENCHMARK(BM_RefreshSkyPositions);

}  // namespace

BENCHMARK_MAIN();
