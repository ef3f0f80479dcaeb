// The byte layout of cities.bin: the country table and the city records, with readers
// of their little-endian fields. The reader checks a file before these are used on it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orx {

inline constexpr size_t kCityHeaderSize = 16;               // not interpreted
inline constexpr size_t kCountryTableOffset = 16;
inline constexpr size_t kCountryEntrySize = 68;
inline constexpr int kCountryCount = 256;
inline constexpr size_t kCountryNameOffset = 20;            // name, NUL, alternative name, NUL
inline constexpr size_t kCountryNameField = 48;
inline constexpr size_t kCityRecordsOffset = 17424;         // 16 + 256 * 68
inline constexpr size_t kCityRecordNameOffset = 12;
inline constexpr size_t kCityRecordMinLength = 13;          // fields and an empty name

// Field offsets within a city record.
inline constexpr size_t kRecordLength = 0;      // int16, bytes to the next record; 0 ends
inline constexpr size_t kRecordFlags = 2;       // uint8, see Place::flags
inline constexpr size_t kRecordCountry = 3;     // uint8, 255 = none
inline constexpr size_t kRecordPopulation = 4;  // uint16 PopulationCode
inline constexpr size_t kRecordLatitude = 6;    // int16 arc-minutes, -5400..5400
inline constexpr size_t kRecordLongitude = 8;   // int16 arc-minutes, -10800..10800
inline constexpr size_t kRecordZoneOffset = 10; // int16 minutes east of UTC

inline uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline int16_t ReadI16(const uint8_t* p) { return static_cast<int16_t>(ReadU16(p)); }

inline int RecordLength(const uint8_t* r) { return ReadI16(r + kRecordLength); }
inline uint8_t RecordFlags(const uint8_t* r) { return r[kRecordFlags]; }
inline uint8_t RecordCountry(const uint8_t* r) { return r[kRecordCountry]; }
inline uint16_t RecordPopulation(const uint8_t* r) { return ReadU16(r + kRecordPopulation); }
inline int RecordLatitude(const uint8_t* r) { return ReadI16(r + kRecordLatitude); }
inline int RecordLongitude(const uint8_t* r) { return ReadI16(r + kRecordLongitude); }
inline int RecordZoneOffset(const uint8_t* r) { return ReadI16(r + kRecordZoneOffset); }
inline const char* RecordName(const uint8_t* r) {
  return reinterpret_cast<const char*>(r + kCityRecordNameOffset);
}
// The record a city name belongs to: the name starts 12 bytes into its record.
inline const uint8_t* RecordOfName(const char* name) {
  return reinterpret_cast<const uint8_t*>(name) - kCityRecordNameOffset;
}

// A stand-in record carrying the fields an ordering reads, for equal-range probes.
struct ProbeRecord {
  uint8_t bytes[kCityRecordMinLength + 1] = {};
  const uint8_t* key() const { return bytes; }
};
inline ProbeRecord ProbeForCountry(uint8_t country) {
  ProbeRecord p;
  p.bytes[kRecordCountry] = country;
  return p;
}
inline ProbeRecord ProbeForLongitude(int longitude) {
  ProbeRecord p;
  p.bytes[kRecordLongitude] = static_cast<uint8_t>(longitude & 0xFF);
  p.bytes[kRecordLongitude + 1] = static_cast<uint8_t>((longitude >> 8) & 0xFF);
  return p;
}

}  // namespace orx
