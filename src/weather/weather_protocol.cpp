#include "weather/weather_protocol.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace orx {

std::string CityNamesBody(std::string_view serviceName) {
  std::string body = "action=getcities&country=";
  body.append(serviceName);
  return body;
}

std::string WeatherBodyPrefix(bool showPlaceName, bool celsius, Color565 color) {
  // RGB565 widened to three 8-bit components by shifting (white 0xFFFF gives F8FCF8).
  const unsigned red = (color >> 8) & 0xF8;
  const unsigned green = (color >> 3) & 0xFC;
  const unsigned blue = (color & 0x1F) * 8;
  char buffer[100];
  std::snprintf(buffer, sizeof buffer, "action=getweather&showname=%s&color=%02X%02X%02X&deg_f=%s&list=",
                showPlaceName ? "true" : "false", red, green, blue, celsius ? "false" : "true");
  return buffer;
}

// ---------------------------------------------------------------------------------------
// getcities answers

bool CityNameSplitter::Feed(std::string_view piece, std::vector<std::string>& out) {
  // The buffer after a read is the held piece followed by what was read; "<ERR>" at its
  // start (also split across reads) means the service has no data.
  if (!skipping_) {
    std::string start = held_.substr(0, 5);
    start.append(piece.substr(0, 5 - start.size()));
    if (start == "<ERR>") return false;
  }
  for (char c : piece) {
    if (c == '~') {
      if (!skipping_ && !held_.empty()) out.push_back(held_);
      held_.clear();
      skipping_ = false;
      continue;
    }
    if (skipping_) continue;
    if (held_.size() >= kWeatherPieceBytes) {
      // No place text is that long: drop it rather than read on without end.
      held_.clear();
      skipping_ = true;
      continue;
    }
    held_.push_back(c);
  }
  return true;
}

void CityNameSplitter::Finish(std::vector<std::string>& out) {
  if (!skipping_ && !held_.empty()) out.push_back(held_);
  held_.clear();
}

// ---------------------------------------------------------------------------------------
// Weather data

namespace {

bool ParseDegrees(std::string_view field, double limit, double& out) {
  char buffer[64];
  if (field.size() >= sizeof buffer) return false;
  field.copy(buffer, field.size());
  buffer[field.size()] = '\0';
  char* end = nullptr;
  out = std::strtod(buffer, &end);
  // An empty or non-numeric field reads as 0, as a C library's atof would.
  if (end == buffer) out = 0;
  return std::isfinite(out) && std::fabs(out) <= limit;
}

}  // namespace

bool ParseWeatherRecord(std::string_view record, WeatherRecord& out) {
  std::string_view fields[4];
  size_t count = 0;
  size_t start = 0;
  while (count < 4) {
    const size_t tilde = count < 3 ? record.find('~', start) : std::string_view::npos;
    if (tilde == std::string_view::npos) {
      fields[count++] = record.substr(start);
      break;
    }
    fields[count++] = record.substr(start, tilde - start);
    start = tilde + 1;
  }
  if (count < 4) return false;  // without a first "~", or without the text field
  if (!ParseDegrees(fields[0], 90, out.latitude) || !ParseDegrees(fields[1], 180, out.longitude)) return false;
  out.hasIcon = true;
  out.icon = fields[2];
  out.text = fields[3];
  return true;
}

bool ParseWeatherData(std::span<const uint8_t> bytes, std::string* message, size_t maxMessage,
                      const std::function<void(const WeatherRecord&)>& onRecord) {
  const std::string_view all(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  size_t at = 0;
  const std::string_view first = all.substr(0, kWeatherPieceBytes);
  if (first.starts_with("<MSG>")) {
    const size_t end = first.find("</MSG>");
    if (end == std::string_view::npos) return false;
    if (message) *message = std::string(first.substr(5, std::min(end - 5, maxMessage)));
    at = end + 6;
  }
  auto convert = [&](std::string_view record) {
    WeatherRecord r;
    if (!record.empty() && ParseWeatherRecord(record, r)) onRecord(r);
  };
  // Records are cut at "|"; one that does not fit in a piece is dropped whole.
  while (at < all.size()) {
    size_t bar = all.find('|', at);
    if (bar == std::string_view::npos) bar = all.size();
    if (bar - at <= kWeatherPieceBytes) convert(all.substr(at, bar - at));
    at = bar + 1;
  }
  return true;
}

}  // namespace orx
