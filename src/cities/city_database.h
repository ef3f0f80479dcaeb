// The city database: cities.bin mapped read-only and never copied, checked when opened,
// with its index by country and by longitude (each built when first used), the other
// names of citynames.bin beside it (read when first used), the country table lookups
// and the conversion of a record into a Place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "cities/city_index.h"
#include "cities/city_names.h"
#include "cities/city_record.h"
#include "cities/place.h"
#include "platform/files.h"

namespace orx {

// An ordered list of places that owns them (displayed cities, displayed countries).
using PlaceList = std::vector<std::unique_ptr<Place>>;

// One ordered index over every record of a checked cities.bin, built on its first use
// (from any thread) rather than when the file is opened, so that a run that never
// needs it (a one-shot render) does not pay for it.
template <class Index>
class LazyCityIndex {
 public:
  // Forgets the index; the next use builds it over the records of `file`.
  void Reset(std::span<const uint8_t> file) {
    file_ = file;
    state_ = std::make_unique<State>();
  }
  const Index& get() const {
    std::call_once(state_->once, [this] {
      if (file_.empty()) return;
      for (const uint8_t* r = file_.data() + kCityRecordsOffset; RecordLength(r) != 0; r += RecordLength(r)) {
        state_->index.Insert(r);
      }
    });
    return state_->index;
  }
  bool ForEach(const CityIndex::Visit& visit) const { return get().ForEach(visit); }
  bool EqualRange(CityKey probe, const CityIndex::Visit& visit) const { return get().EqualRange(probe, visit); }
  bool Window(int centre, int radius, const CityIndex::Visit& visit) const {
    return get().Window(centre, radius, visit);
  }
  bool empty() const { return get().empty(); }
  int size() const { return get().size(); }

 private:
  struct State {
    std::once_flag once;
    Index index;
  };
  std::span<const uint8_t> file_;
  std::unique_ptr<State> state_ = std::make_unique<State>();
};

// The other names of a database's cities, read from citynames.bin on first use.
class LazyCityNames {
 public:
  // Forgets the names; the next use reads `path` (when not empty) or checks `bytes`
  // (which the caller keeps alive), against the checked cities.bin `cities`.
  void Reset(std::filesystem::path path, std::span<const uint8_t> bytes, std::span<const uint8_t> cities);
  // The checked table; empty when there is no usable file.
  const CityNameTable& get() const;
  // Why the file is not used (empty when it is, or before the first use).
  const std::string& problem() const { return state_->problem; }

 private:
  struct State {
    std::once_flag once;
    platform::MappedFile file;
    CityNameTable table;
    std::string problem;
  };
  std::filesystem::path path_;
  std::span<const uint8_t> bytes_;
  std::span<const uint8_t> cities_;
  std::unique_ptr<State> state_ = std::make_unique<State>();
};

// The process-wide database. Empty (no bytes, empty indexes) until opened and after a
// failed open: then no city is shown, searches and snapping find nothing.
struct CityDatabase {
  platform::MappedFile file;        // the mapping when opened from a file
  std::span<const uint8_t> bytes;   // the whole file, inside `file` or the caller's buffer
  LazyCityIndex<CityIndexByCountry> byCountry;
  LazyCityIndex<CityIndexByLongitude> byLongitude;
  LazyCityNames otherNames;

  bool isOpen() const { return !bytes.empty(); }
  const uint8_t* base() const { return bytes.data(); }
};

enum class CityDatabaseStatus {
  kOk,
  kMissing,  // the file cannot be opened or mapped: silently run without cities
  kDamaged,  // the file breaks the format: tell the user, run without cities
};

struct CityDatabaseOpenResult {
  CityDatabaseStatus status = CityDatabaseStatus::kOk;
  size_t offset = 0;    // where a damaged file went wrong
  std::string message;  // for stderr and the message box; empty when kOk
  bool ok() const { return status == CityDatabaseStatus::kOk; }
};

// Maps `path`, checks every length word, name terminator, country entry and field range
// against the size of the mapping; both indexes are built in file order when first
// used, and the other names are read from citynames.bin beside `path` when first
// needed. On failure the database is left empty.
CityDatabaseOpenResult OpenCityDatabase(CityDatabase& db, const std::filesystem::path& path);
// The same over bytes the caller keeps alive as long as the database (tests, fuzzing),
// with the bytes of a citynames.bin for them, if any.
CityDatabaseOpenResult OpenCityDatabase(CityDatabase& db, std::span<const uint8_t> bytes,
                                        std::span<const uint8_t> otherNames = {});
// Unmaps and frees both indexes; every name pointer into the file becomes invalid.
void CloseCityDatabase(CityDatabase& db);

// Calls `visit` for every city record in file order; stops when it returns false.
void ForEachCityRecord(const CityDatabase& db, const CityIndex::Visit& visit);
// The record starting `offset` bytes into the file, or null when no record starts there.
const uint8_t* FindCityRecord(const CityDatabase& db, uint32_t offset);
// The record's byte offset from the start of the file.
uint32_t CityRecordOffset(const CityDatabase& db, const uint8_t* record);
// The record whose name `name` is, or null when `name` is not a city name of this file.
const uint8_t* CityRecordOfName(const CityDatabase& db, const char* name);
// The same for a name the city lists gave out, found from its place in the file without
// searching an index; null for a text outside the city records.
const uint8_t* ListedCityRecord(const CityDatabase& db, const char* name);

// Fills `place` from the record: position, population, zone offset, flags, country and
// name; the DST words from the country's rule set chosen by flags bits 0-1 (none for
// rule set 0 or country 255). The display mask is left as it is.
void PlaceFromRecord(const CityDatabase& db, const uint8_t* record, Place& place);

// Country table (entries 0..255; an empty entry has an empty name).
// The index of the first entry whose name equals `name` exactly (case-sensitive), else 255.
int CountryIndexOfName(const CityDatabase& db, const char* name);
// Entry i's name (i taken modulo 256); "" when the database is not open.
const char* CountryName(const CityDatabase& db, int i);
// The alternative name of the entry named `name` if it has one, else its name; null
// when no entry has that name. The weather client sends this.
const char* ServiceNameOfCountry(const CityDatabase& db, const char* name);
// The non-empty country names in table order (the country combo box).
std::vector<const char*> CountryNames(const CityDatabase& db);
// Appends one Place per country entry, all 256: display mask 1 (label), the label point
// and the name. Entries with an empty name get display mask 0 and so are never drawn.
void AllCountriesAsPlaces(const CityDatabase& db, PlaceList& list);

}  // namespace orx
