// The weather service's protocol as the program speaks it: the two request bodies, the
// getcities answer cut into place texts, and the weather data file read into records.
// Pure functions over bytes (Windows-1252 text), shared by the client and its tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "gfx/color.h"

namespace orx {

inline constexpr char kWeatherServicePath[] = "/cgi-bin/WeatherService.php";
// Answers are read, and the weather data file parsed, in pieces of this many bytes.
inline constexpr size_t kWeatherPieceBytes = 500;

// "action=getcities&country=%s"; the name is inserted as it is.
std::string CityNamesBody(std::string_view serviceName);
// "action=getweather&showname=%s&color=%02X%02X%02X&deg_f=%s&list=": the list follows.
std::string WeatherBodyPrefix(bool showPlaceName, bool celsius, Color565 color);

// Cuts a getcities answer, fed in the pieces it was read in, into place texts.
class CityNameSplitter {
 public:
  // Adds the place texts completed by `piece` to `out`. False when the answer so far
  // begins with "<ERR>" (then `out` must be cleared by the caller).
  bool Feed(std::string_view piece, std::vector<std::string>& out);
  // The answer ended: a piece still held is added.
  void Finish(std::vector<std::string>& out);

 private:
  std::string held_;      // the unfinished last piece, at most kWeatherPieceBytes
  bool skipping_ = false; // an overlong piece is being dropped up to its "~"
};

// A record of the weather data file: latitude~longitude~icon~text.
struct WeatherRecord {
  double latitude = 0;   // degrees, north positive
  double longitude = 0;  // degrees, east positive
  bool hasIcon = false;
  std::string_view icon;  // file name in weather/, may be empty
  std::string_view text;
};

// Reads a weather data file: the optional "<MSG>...</MSG>" at the very beginning of its
// first 500-byte piece (into `message`, at most `maxMessage` characters), then the
// records separated by "|", calling `onRecord` for each well-formed one. Records longer
// than a piece and records with an unusable position are skipped. False when the file
// begins with "<MSG>" that its first piece does not close.
bool ParseWeatherData(std::span<const uint8_t> bytes, std::string* message, size_t maxMessage,
                      const std::function<void(const WeatherRecord&)>& onRecord);
// One record's fields; false when it has no first "~", lacks the fourth field or its
// position is not a finite latitude -90..90 and longitude -180..180.
bool ParseWeatherRecord(std::string_view record, WeatherRecord& out);

}  // namespace orx
