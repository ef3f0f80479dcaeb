// Where the program finds its weather service by default: orrelux-weatherd on loopback.
// Header only, shared by the program and the service.
#pragma once

#include <cstdlib>
#include <string>

namespace orx {

inline constexpr int kDefaultWeatherdPort = 47380;
// Overrides the default port for both (several copies or test runs side by side).
inline constexpr char kWeatherdPortVariable[] = "ORRELUX_WEATHERD_PORT";

// The default port, or the variable's value when it holds a port number.
inline int WeatherdPort() {
  if (const char* v = std::getenv(kWeatherdPortVariable)) {
    char* end = nullptr;
    const long p = std::strtol(v, &end, 10);
    if (end != v && *end == '\0' && p > 0 && p < 65536) return static_cast<int>(p);
  }
  return kDefaultWeatherdPort;
}

}  // namespace orx
