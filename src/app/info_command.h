// The terminal world clock: `--info LAT,LON` / `--info "CITY"` prints the place's name
// and country and its ten information lines; `--info gps` does so for the receiver's
// position; `--find PREFIX` lists the matching cities.
#pragma once

#include <filesystem>
#include <ostream>
#include <string_view>

#include "platform/clock.h"
#include "settings/settings.h"

namespace orx {

// `query` is "LAT,LON" in degrees (north and east positive; snapped to the city of the
// settings' snap rules within "Snap Radius") or a city name (UTF-8; the most populous
// city whose folded name equals it). Prints in UTF-8, formats from the settings, at UTC
// `now`. Returns 0, 1 when no database or no such city, 2 for a malformed query.
int RunInfoCommand(std::string_view query, const platform::SystemTime& now, const Settings& settings,
                   const std::filesystem::path& citiesFile, std::ostream& out, std::ostream& err);

// How long `--info gps` waits for a valid fix.
inline constexpr int kGpsInfoWaitMs = 10000;

// Reads the receiver the settings name ("GPS Port" and "GPS Baud": a serial port by the
// device mapping, or the gpsd entry) for at most `waitMs`; with a valid fix prints its
// coordinates, course and speed, then the lines of the place there as for "LAT,LON".
// Returns 0, or 1 with the reader's status text when no valid fix came.
int RunGpsInfoCommand(const platform::SystemTime& now, const Settings& settings,
                      const std::filesystem::path& citiesFile, std::ostream& out, std::ostream& err,
                      int waitMs = kGpsInfoWaitMs);

// Prints every city whose name starts with `prefix` (folded, UTF-8), in name order, with
// its country and coordinates in the settings' format. Returns 0, 1 when no database
// or nothing matches, 2 for an empty prefix.
int RunFindCommand(std::string_view prefix, const Settings& settings,
                   const std::filesystem::path& citiesFile, std::ostream& out, std::ostream& err);

}  // namespace orx
