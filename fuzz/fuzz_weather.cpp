// Feeds arbitrary bytes to the weather data file reader: first in memory, where every
// record must carry a position on Earth and fields cut from the file, then as the weather
// data file on disk, loaded into weather places with icons from the bundled folder.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <span>
#include <string>

#include "platform/files.h"
#include "weather/weather.h"
#include "weather/weather_protocol.h"

namespace {

struct Fixture {
  orx::WeatherClient client;
  Fixture() {
    const auto home = std::filesystem::temp_directory_path() / ("fuzz_weather_" + std::to_string(getpid()));
    client.paths = orx::MakeWeatherPaths(std::filesystem::path(ORRELUX_SOURCE_DIR) / "data", home);
    std::filesystem::create_directories(client.paths.folder);
  }
  ~Fixture() {
    std::error_code ec;
    std::filesystem::remove_all(client.paths.folder.parent_path(), ec);
  }
};

bool Inside(std::string_view field, std::span<const uint8_t> bytes) {
  const auto* begin = reinterpret_cast<const char*>(bytes.data());
  return field.empty() || (field.data() >= begin && field.data() + field.size() <= begin + bytes.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Fixture f;
  const std::span<const uint8_t> bytes(data, size);
  std::string message;
  size_t records = 0;
  orx::ParseWeatherData(bytes, &message, orx::kMaxServiceMessage, [&](const orx::WeatherRecord& r) {
    if (!(r.latitude >= -90 && r.latitude <= 90 && r.longitude >= -180 && r.longitude <= 180)) std::abort();
    if (!Inside(r.icon, bytes) || !Inside(r.text, bytes)) std::abort();
    if (r.icon.find_first_of("~|") != std::string_view::npos || r.text.find('|') != std::string_view::npos) {
      std::abort();
    }
    if (r.text.size() > orx::kWeatherPieceBytes) std::abort();
    ++records;
  });
  if (message.size() > orx::kMaxServiceMessage) std::abort();

  orx::WeatherClient& client = f.client;
  if (!orx::platform::WriteFileAtomic(client.paths.dataFile(), bytes)) return 0;
  client.dataChanged = true;
  orx::WeatherPlaceList places;
  orx::LoadWeatherPlaces(client, places);
  if (places.size() > records) std::abort();
  for (const auto& place : places) {
    if (place->latitude < -5400 || place->latitude > 5400) std::abort();
    if (place->longitude < -10800 || place->longitude > 10800) std::abort();
    if (const orx::ImageObject* icon = place->image(); icon && (icon->width > 64 || icon->height > 64)) std::abort();
  }
  if (orx::WeatherServiceMessage(client).size() > orx::kMaxServiceMessage) std::abort();
  return 0;
}
