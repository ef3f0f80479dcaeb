// The Options dialog in the whole program, headless: opening it (building and filling
// all twelve pages) and closing it again, and the Cities page filling "Available
// Cities:" for a one-letter name prefix and for the country with the most cities. The
// plain list builders run beside the page fills, so the list boxes' share shows.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/options_screen.h"
#include "cities/city_lists.h"
#include "platform/clock.h"
#include "settings/options_lists.h"
#include "ui/controls.h"
#include "ui/edit_field.h"

namespace {

orx::App& Program() {
  static orx::App* app = [] {
    static orx::platform::ManualClock clock(*orx::platform::ParseUtcInstant("2026-12-07T12:00:00Z"), 1000);
    orx::platform::InstallClock(&clock);
    const auto home = std::filesystem::temp_directory_path() / ("orrelux_bench_" + std::to_string(getpid()));
    auto* a = new orx::App;
    a->paths.dataDir = std::filesystem::path(ORRELUX_SOURCE_DIR) / "data";
    a->paths.userDataDir = home / "user";
    a->paths.settingsFile = home / "settings.ini";
    a->sleep = [](int) {};
    a->host = std::make_unique<orx::platform::Host>(orx::platform::CreateHeadlessWindow());
    if (orx::StartUp(*a) != orx::kStatusOk) std::abort();
    std::filesystem::remove_all(home);
    return a;
  }();
  return *app;
}

// The country with the most cities.
int LargestCountry(const orx::CityDatabase& db) {
  int best = 0;
  size_t most = 0;
  std::vector<const char*> names;
  for (int c = 0; c < orx::kCountryCount; ++c) {
    names.clear();
    orx::ListCitiesOfCountry(db, c, orx::kCityListLimit, names);
    if (names.size() > most) most = names.size(), best = c;
  }
  return best;
}

void OpenAndClose(benchmark::State& state) {
  orx::App& app = Program();
  orx::OptionsEnv env = orx::OptionsEnvOf(app);
  for (auto _ : state) {
    orx::OpenOptionsDialog(app.options, env);
    orx::CloseOptionsDialog(app.options, env);
  }
}
BENCHMARK(OpenAndClose)->Unit(benchmark::kMillisecond);

void OpenOnly(benchmark::State& state) {
  orx::App& app = Program();
  orx::OptionsEnv env = orx::OptionsEnvOf(app);
  for (auto _ : state) {
    orx::OpenOptionsDialog(app.options, env);
    state.PauseTiming();
    orx::CloseOptionsDialog(app.options, env);
    state.ResumeTiming();
  }
}
BENCHMARK(OpenOnly)->Unit(benchmark::kMillisecond);

void FillByOneLetter(benchmark::State& state) {
  orx::App& app = Program();
  orx::OptionsEnv env = orx::OptionsEnvOf(app);
  orx::OpenOptionsDialog(app.options, env);
  auto& field = app.options.controls.at<orx::EditField>(orx::Slot::kFindName);
  const auto& found = app.options.controls.at<orx::CityListBox>(orx::Slot::kAvailableCities);
  for (auto _ : state) field.SetText("S");  // notifies: the list is emptied and filled
  state.counters["cities"] = found.ItemCount();
  orx::CloseOptionsDialog(app.options, env);
}
BENCHMARK(FillByOneLetter)->Unit(benchmark::kMillisecond);

void FillByLargestCountry(benchmark::State& state) {
  orx::App& app = Program();
  orx::OptionsEnv env = orx::OptionsEnvOf(app);
  const int country = LargestCountry(app.cities);
  orx::OpenOptionsDialog(app.options, env);
  auto& mode = app.options.controls.at<orx::RadioGroup>(orx::Slot::kFindMode);
  mode.Select(orx::kFindByCountry);
  auto& choice = app.options.controls.at<orx::ComboBox>(orx::Slot::kFindChoice);
  choice.SelectText(orx::CountryName(app.cities, country));
  const auto& found = app.options.controls.at<orx::CityListBox>(orx::Slot::kAvailableCities);
  for (auto _ : state) choice.onChange(&choice, orx::kNotifySelectionChanged);
  state.counters["cities"] = found.ItemCount();
  orx::CloseOptionsDialog(app.options, env);
}
BENCHMARK(FillByLargestCountry)->Unit(benchmark::kMillisecond);

// References: the list builders alone, without the list box.
void ListOneLetterOnly(benchmark::State& state) {
  orx::App& app = Program();
  std::vector<const char*> names;
  for (auto _ : state) {
    names.clear();
    orx::ListCitiesByNamePrefix(app.cities, "S", orx::kCityListLimit, names);
  }
  state.counters["cities"] = names.size();
}
BENCHMARK(ListOneLetterOnly)->Unit(benchmark::kMillisecond);

void ListLargestCountryOnly(benchmark::State& state) {
  orx::App& app = Program();
  const int country = LargestCountry(app.cities);
  std::vector<const char*> names;
  for (auto _ : state) {
    names.clear();
    orx::ListCitiesOfCountry(app.cities, country, orx::kCityListLimit, names);
  }
  state.counters["cities"] = names.size();
}
BENCHMARK(ListLargestCountryOnly)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
