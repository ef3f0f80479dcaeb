// Feeds arbitrary bytes to the getcities answer splitter as an answer read in pieces of
// varying sizes (chosen by the first two bytes): unless it reported "<ERR>", the place
// texts must be those of cutting the whole answer at "~" (empty and overlong texts left
// out), however the answer was split into reads; an answer that begins with "<ERR>" is
// always reported.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "weather/weather_protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  uint32_t seed = data[0] | (data[1] << 8);
  const std::string_view answer(reinterpret_cast<const char*>(data) + 2, size - 2);

  orx::CityNameSplitter splitter;
  std::vector<std::string> got;
  bool reported = false;
  size_t at = 0;
  while (at < answer.size() && !reported) {
    seed = seed * 1103515245u + 12345u;
    const size_t piece = 1 + (seed >> 16) % orx::kWeatherPieceBytes;
    reported = !splitter.Feed(answer.substr(at, piece), got);
    at += piece;
  }
  if (answer.starts_with("<ERR>") && !reported) std::abort();
  if (reported) return 0;
  splitter.Finish(got);

  std::vector<std::string> expected;
  size_t start = 0;
  while (start <= answer.size()) {
    size_t tilde = answer.find('~', start);
    if (tilde == std::string_view::npos) tilde = answer.size();
    const size_t length = tilde - start;
    if (length > 0 && length <= orx::kWeatherPieceBytes) expected.emplace_back(answer.substr(start, length));
    start = tilde + 1;
  }
  if (got != expected) std::abort();
  return 0;
}
