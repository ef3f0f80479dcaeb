#include "cities/city_database.h"

#include <cstdio>
#include <cstring>

namespace orx {
namespace {

constexpr int kMaxLatitude = 5400;    // arc-minutes
constexpr int kMaxLongitude = 10800;  // arc-minutes
constexpr int kMaxZoneOffset = 1440;  // minutes

const uint8_t* CountryEntry(const CityDatabase& db, int i) {
  return db.base() + kCountryTableOffset + static_cast<size_t>(i & 0xFF) * kCountryEntrySize;
}

CityDatabaseOpenResult Damaged(size_t offset, const char* format, long long a = 0, long long b = 0) {
  char detail[120];
  std::snprintf(detail, sizeof detail, format, a, b);
  char text[200];
  std::snprintf(text, sizeof text, "cities.bin is damaged at offset %zu: %s", offset, detail);
  return {CityDatabaseStatus::kDamaged, offset, text};
}

// Every country entry's name field must hold the name and the alternative name, each
// NUL-terminated, inside its 48 bytes.
CityDatabaseOpenResult CheckCountries(std::span<const uint8_t> bytes) {
  for (int i = 0; i < kCountryCount; ++i) {
    const size_t entry = kCountryTableOffset + static_cast<size_t>(i) * kCountryEntrySize;
    const int lat = ReadI16(bytes.data() + entry), lon = ReadI16(bytes.data() + entry + 2);
    if (lat < -kMaxLatitude || lat > kMaxLatitude || lon < -kMaxLongitude || lon > kMaxLongitude) {
      return Damaged(entry, "country entry %lld has its label point out of range", i);
    }
    const size_t field = entry + kCountryNameOffset;
    const uint8_t* p = bytes.data() + field;
    const void* nul = std::memchr(p, 0, kCountryNameField);
    if (nul == nullptr) return Damaged(field, "country entry %lld has no name terminator", i);
    const size_t second = static_cast<const uint8_t*>(nul) - p + 1;
    if (second >= kCountryNameField || std::memchr(p + second, 0, kCountryNameField - second) == nullptr) {
      return Damaged(field + second, "country entry %lld has no terminator after its alternative name", i);
    }
  }
  return {};
}

// Walks the record list, checking every record against the size of the file.
CityDatabaseOpenResult CheckRecords(const CityDatabase& db) {
  const size_t size = db.bytes.size();
  const uint8_t* base = db.bytes.data();
  size_t at = kCityRecordsOffset;
  for (;;) {
    if (at + 2 > size) return Damaged(at, "the record list has no end (file size %lld)", static_cast<long long>(size));
    const uint8_t* r = base + at;
    const int length = RecordLength(r);
    if (length == 0) break;
    if (length < static_cast<int>(kCityRecordMinLength)) {
      return Damaged(at, "record length %lld is below %lld", length, kCityRecordMinLength);
    }
    if (at + static_cast<size_t>(length) > size) {
      return Damaged(at, "a record of %lld bytes runs past the end of the file (size %lld)", length,
                     static_cast<long long>(size));
    }
    const size_t nameBytes = static_cast<size_t>(length) - kCityRecordNameOffset;
    if (std::memchr(r + kCityRecordNameOffset, 0, nameBytes) == nullptr) {
      return Damaged(at + kCityRecordNameOffset, "a city name has no terminator inside its record");
    }
    const int lat = RecordLatitude(r), lon = RecordLongitude(r), zone = RecordZoneOffset(r);
    if (lat < -kMaxLatitude || lat > kMaxLatitude) return Damaged(at + kRecordLatitude, "latitude %lld is out of range", lat);
    if (lon < -kMaxLongitude || lon > kMaxLongitude) {
      return Damaged(at + kRecordLongitude, "longitude %lld is out of range", lon);
    }
    if (zone < -kMaxZoneOffset || zone > kMaxZoneOffset) {
      return Damaged(at + kRecordZoneOffset, "zone offset %lld is out of range", zone);
    }
    at += static_cast<size_t>(length);
  }
  return {};
}

// The indexes and the other names follow the checked file.
void AttachIndexes(CityDatabase& db, const std::filesystem::path& namesPath, std::span<const uint8_t> names) {
  db.byCountry.Reset(db.bytes);
  db.byLongitude.Reset(db.bytes);
  db.otherNames.Reset(namesPath, names, db.bytes);
}

CityDatabaseOpenResult OpenChecked(CityDatabase& db, std::span<const uint8_t> bytes) {
  if (bytes.size() < kCityRecordsOffset + 2) {
    return Damaged(bytes.size(), "the file ends before its first record (size %lld)", static_cast<long long>(bytes.size()));
  }
  CityDatabaseOpenResult result = CheckCountries(bytes);
  if (!result.ok()) return result;
  db.bytes = bytes;
  result = CheckRecords(db);
  if (!result.ok()) db.bytes = {};
  return result;
}

}  // namespace

CityDatabaseOpenResult OpenCityDatabase(CityDatabase& db, std::span<const uint8_t> bytes,
                                        std::span<const uint8_t> otherNames) {
  CloseCityDatabase(db);
  CityDatabaseOpenResult result = OpenChecked(db, bytes);
  if (result.ok()) AttachIndexes(db, {}, otherNames);
  return result;
}

CityDatabaseOpenResult OpenCityDatabase(CityDatabase& db, const std::filesystem::path& path) {
  CloseCityDatabase(db);
  platform::MappedFile file;
  if (!file.Open(path)) {
    return {CityDatabaseStatus::kMissing, 0, "cannot open " + path.string()};
  }
  CityDatabaseOpenResult result = OpenChecked(db, file.bytes());
  if (!result.ok()) return result;
  db.file = std::move(file);  // moving keeps the mapping's address
  AttachIndexes(db, path.parent_path() / kCityNamesFileName, {});
  return result;
}

void CloseCityDatabase(CityDatabase& db) {
  db.bytes = {};
  AttachIndexes(db, {}, {});
  db.file.Close();
}

void LazyCityNames::Reset(std::filesystem::path path, std::span<const uint8_t> bytes,
                          std::span<const uint8_t> cities) {
  path_ = std::move(path);
  bytes_ = bytes;
  cities_ = cities;
  state_ = std::make_unique<State>();
}

const CityNameTable& LazyCityNames::get() const {
  std::call_once(state_->once, [this] {
    State& s = *state_;
    if (cities_.empty()) return;
    std::span<const uint8_t> bytes = bytes_;
    if (!path_.empty()) {
      if (!s.file.Open(path_)) {
        s.problem = "cannot open " + path_.string();
        return;
      }
      bytes = s.file.bytes();
    }
    if (bytes.empty() && path_.empty()) return;
    CityNamesCheck check = CheckCityNames(bytes, cities_);
    if (check.ok) {
      s.table = check.table;
    } else {
      s.problem = check.message;
      s.file.Close();
    }
  });
  return state_->table;
}

void ForEachCityRecord(const CityDatabase& db, const CityIndex::Visit& visit) {
  if (!db.isOpen()) return;
  // The open checked every length word, so the walk stays inside the file.
  for (const uint8_t* r = db.base() + kCityRecordsOffset; RecordLength(r) != 0; r += RecordLength(r)) {
    if (!visit(r)) return;
  }
}

const uint8_t* FindCityRecord(const CityDatabase& db, uint32_t offset) {
  if (!db.isOpen() || offset < kCityRecordsOffset || offset > db.bytes.size() - kCityRecordMinLength) {
    return nullptr;
  }
  const uint8_t* wanted = db.base() + offset;
  // Only real records are in the indexes: look among those of the same longitude.
  const uint8_t* found = nullptr;
  const ProbeRecord probe = ProbeForLongitude(RecordLongitude(wanted));
  db.byLongitude.EqualRange(probe.key(), [&](CityKey k) {
    if (k != wanted) return true;
    found = k;
    return false;
  });
  return found;
}

uint32_t CityRecordOffset(const CityDatabase& db, const uint8_t* record) {
  return static_cast<uint32_t>(record - db.base());
}

const uint8_t* ListedCityRecord(const CityDatabase& db, const char* name) {
  if (!db.isOpen() || name == nullptr) return nullptr;
  const auto* p = reinterpret_cast<const uint8_t*>(name);
  if (p < db.base() + kCityRecordsOffset + kCityRecordNameOffset || p >= db.base() + db.bytes.size()) {
    return nullptr;
  }
  return RecordOfName(name);
}

const uint8_t* CityRecordOfName(const CityDatabase& db, const char* name) {
  const uint8_t* record = ListedCityRecord(db, name);
  return record ? FindCityRecord(db, CityRecordOffset(db, record)) : nullptr;
}

void PlaceFromRecord(const CityDatabase& db, const uint8_t* record, Place& place) {
  place.latitude = static_cast<int16_t>(RecordLatitude(record));
  place.longitude = static_cast<int16_t>(RecordLongitude(record));
  place.population = RecordPopulation(record);
  place.zoneOffset = static_cast<int16_t>(RecordZoneOffset(record));
  place.flags = RecordFlags(record);
  place.country = RecordCountry(record);
  place.name = RecordName(record);
  const int set = place.flags & kPlaceRuleSetMask;
  if (place.country < kNoCountry && set != 0) {
    const uint8_t* words = CountryEntry(db, place.country) + (set == 1 ? 4 : 12);
    place.dstStart.time = ReadU16(words);
    place.dstStart.date = ReadU16(words + 2);
    place.dstEnd.time = ReadU16(words + 4);
    place.dstEnd.date = ReadU16(words + 6);
  } else {
    place.dstStart = {};
    place.dstEnd = {};
  }
}

int CountryIndexOfName(const CityDatabase& db, const char* name) {
  if (!db.isOpen() || name == nullptr) return kNoCountry;
  for (int i = 0; i < kCountryCount; ++i) {
    if (std::strcmp(CountryName(db, i), name) == 0) return i;
  }
  return kNoCountry;
}

const char* CountryName(const CityDatabase& db, int i) {
  if (!db.isOpen()) return "";
  return reinterpret_cast<const char*>(CountryEntry(db, i) + kCountryNameOffset);
}

const char* ServiceNameOfCountry(const CityDatabase& db, const char* name) {
  if (!db.isOpen() || name == nullptr) return nullptr;
  for (int i = 0; i < kCountryCount; ++i) {
    const char* entryName = CountryName(db, i);
    if (std::strcmp(entryName, name) != 0) continue;
    const char* alternative = entryName + std::strlen(entryName) + 1;
    return *alternative != '\0' ? alternative : entryName;
  }
  return nullptr;
}

std::vector<const char*> CountryNames(const CityDatabase& db) {
  std::vector<const char*> names;
  if (!db.isOpen()) return names;
  for (int i = 0; i < kCountryCount; ++i) {
    if (*CountryName(db, i) != '\0') names.push_back(CountryName(db, i));
  }
  return names;
}

void AllCountriesAsPlaces(const CityDatabase& db, PlaceList& list) {
  if (!db.isOpen()) return;
  for (int i = 0; i < kCountryCount; ++i) {
    const uint8_t* entry = CountryEntry(db, i);
    auto place = std::make_unique<Place>();
    place->name = CountryName(db, i);
    place->displayMask = *place->name != '\0' ? kPlaceShowLabel : 0;
    place->latitude = ReadI16(entry);
    place->longitude = ReadI16(entry + 2);
    list.push_back(std::move(place));
  }
}

}  // namespace orx
