#include "cities/city_names.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <unordered_set>

#include "cities/city_database.h"
#include "cities/city_record.h"
#include "gfx/fold.h"

namespace orx {
namespace {

constexpr size_t kHeaderSize = 16;
constexpr size_t kEntrySize = 8;
constexpr uint16_t kVersion = 1;
constexpr uint16_t kBigCity = 0x83E8;  // 100,000 people
constexpr size_t kMaxLooseName = 64;

uint32_t ReadU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

CityNamesCheck Damaged(const char* format, unsigned long long a = 0, unsigned long long b = 0) {
  char detail[120];
  std::snprintf(detail, sizeof detail, format, a, b);
  return {false, std::string(kCityNamesFileName) + " is not used: " + detail, {}};
}

const char* EntryName(const CityNameTable& t, size_t i) {
  return reinterpret_cast<const char*>(t.pool.data() + ReadU32(t.entries.data() + i * kEntrySize));
}
const uint8_t* EntryRecord(const CityDatabase& db, const CityNameTable& t, size_t i) {
  return db.base() + ReadU32(t.entries.data() + i * kEntrySize + 4);
}

// The first entry whose name does not sort before `name` (folded).
size_t LowerBound(const CityNameTable& t, const char* name) {
  size_t lo = 0, hi = t.size();
  while (lo < hi) {
    const size_t mid = lo + (hi - lo) / 2;
    if (CompareFolded(EntryName(t, mid), name) < 0) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return lo;
}

// The folded name without spaces, hyphens, dots and apostrophes, cut at kMaxLooseName.
std::string Loose(const char* name) {
  std::string key;
  for (const char* p = name; *p != '\0' && key.size() < kMaxLooseName; ++p) {
    const char c = static_cast<char>(FoldChar(static_cast<uint8_t>(*p)));
    if (c != ' ' && c != '-' && c != '.' && c != '\'') key.push_back(c);
  }
  return key;
}

// Whether a and b are at most `limit` insertions, deletions or substitutions apart.
bool WithinEdits(const std::string& a, const std::string& b, int limit) {
  const int n = static_cast<int>(a.size()), m = static_cast<int>(b.size());
  if (std::abs(n - m) > limit) return false;
  int row[kMaxLooseName + 1];
  for (int j = 0; j <= m; ++j) row[j] = j;
  for (int i = 1; i <= n; ++i) {
    int diagonal = row[0];
    row[0] = i;
    int best = row[0];
    for (int j = 1; j <= m; ++j) {
      const int up = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = up;
      best = std::min(best, row[j]);
    }
    if (best > limit) return false;
  }
  return row[m] <= limit;
}

// Gathers matches group by group: each city once, a group ordered by population.
class Matches {
 public:
  explicit Matches(size_t limit) : limit_(limit) {}
  void Add(const uint8_t* record, const char* name) {
    if (seen_.insert(record).second) group_.push_back({record, name});
  }
  // Orders the group gathered since the last call and appends it.
  void EndGroup() {
    std::stable_sort(group_.begin(), group_.end(), [](const CityNameMatch& a, const CityNameMatch& b) {
      const uint16_t pa = RecordPopulation(a.record), pb = RecordPopulation(b.record);
      return pa != pb ? pa > pb : a.record < b.record;
    });
    for (const CityNameMatch& m : group_) {
      if (result_.size() < limit_) result_.push_back(m);
    }
    group_.clear();
  }
  bool full() const { return result_.size() >= limit_; }
  std::vector<CityNameMatch> Take() { return std::move(result_); }

 private:
  size_t limit_;
  std::unordered_set<const uint8_t*> seen_;
  std::vector<CityNameMatch> group_, result_;
};

// Calls `visit(record, name)` for every own name and every other name of the database.
template <class Visit>
void ForEachName(const CityDatabase& db, const Visit& visit) {
  ForEachCityRecord(db, [&](CityKey r) {
    visit(r, RecordName(r));
    return true;
  });
  const CityNameTable& t = db.otherNames.get();
  for (size_t i = 0; i < t.size(); ++i) visit(EntryRecord(db, t, i), EntryName(t, i));
}

}  // namespace

CityNamesCheck CheckCityNames(std::span<const uint8_t> bytes, std::span<const uint8_t> cities) {
  if (bytes.size() < kHeaderSize || std::memcmp(bytes.data(), "ORXN", 4) != 0) {
    return Damaged("it has no ORXN header");
  }
  const uint8_t* p = bytes.data();
  if (ReadU16(p + 4) != kVersion) return Damaged("format version %llu is not 1", ReadU16(p + 4));
  const uint64_t count = ReadU32(p + 8);
  if (ReadU32(p + 12) != cities.size()) {
    return Damaged("it was made for a cities.bin of %llu bytes, not %llu", ReadU32(p + 12), cities.size());
  }
  if (count > (bytes.size() - kHeaderSize) / kEntrySize) return Damaged("%llu entries do not fit in the file", count);
  CityNameTable t;
  t.entries = bytes.subspan(kHeaderSize, count * kEntrySize);
  t.pool = bytes.subspan(kHeaderSize + count * kEntrySize);
  if (count > 0 && (t.pool.empty() || t.pool.back() != 0)) return Damaged("its names do not end with a NUL");

  // Record starts of the checked cities.bin, in increasing offset.
  std::vector<uint32_t> records;
  for (size_t at = kCityRecordsOffset; RecordLength(cities.data() + at) != 0; at += RecordLength(cities.data() + at)) {
    records.push_back(static_cast<uint32_t>(at));
  }
  for (size_t i = 0; i < t.size(); ++i) {
    const uint8_t* e = t.entries.data() + i * kEntrySize;
    if (ReadU32(e) >= t.pool.size()) return Damaged("entry %llu names a place outside the file", i);
    if (!std::binary_search(records.begin(), records.end(), ReadU32(e + 4))) {
      return Damaged("entry %llu points at no city record (offset %llu)", i, ReadU32(e + 4));
    }
    if (i > 0 && CompareFolded(EntryName(t, i - 1), EntryName(t, i)) > 0) {
      return Damaged("entry %llu is out of name order", i);
    }
  }
  return {true, {}, t};
}

std::vector<CityNameMatch> FindCitiesByName(const CityDatabase& db, const char* name, size_t limit) {
  if (!db.isOpen() || name == nullptr || *name == '\0' || limit == 0) return {};
  Matches matches(limit);
  ForEachCityRecord(db, [&](CityKey r) {
    if (CompareFolded(RecordName(r), name) == 0) matches.Add(r, RecordName(r));
    return true;
  });
  const CityNameTable& t = db.otherNames.get();
  for (size_t i = LowerBound(t, name); i < t.size() && CompareFolded(EntryName(t, i), name) == 0; ++i) {
    matches.Add(EntryRecord(db, t, i), EntryName(t, i));
  }
  matches.EndGroup();
  return matches.Take();
}

std::vector<CityNameMatch> ClosestCityNames(const CityDatabase& db, const char* name, size_t limit) {
  if (!db.isOpen() || name == nullptr || *name == '\0' || limit == 0) return {};
  Matches matches(limit);
  const int length = static_cast<int>(std::strlen(name));
  ForEachCityRecord(db, [&](CityKey r) {
    if (CompareFoldedN(RecordName(r), name, length) == 0) matches.Add(r, RecordName(r));
    return true;
  });
  const CityNameTable& t = db.otherNames.get();
  for (size_t i = LowerBound(t, name); i < t.size() && CompareFoldedN(EntryName(t, i), name, length) == 0; ++i) {
    matches.Add(EntryRecord(db, t, i), EntryName(t, i));
  }
  matches.EndGroup();

  const std::string loose = Loose(name);
  if (matches.full() || loose.empty()) return matches.Take();
  ForEachName(db, [&](const uint8_t* r, const char* n) {
    if (Loose(n) == loose) matches.Add(r, n);
  });
  matches.EndGroup();

  // Short names are one letter away from too many others.
  const int edits = loose.size() <= 4 ? 1 : 2;
  if (matches.full() || loose.size() < 3) return matches.Take();
  ForEachName(db, [&](const uint8_t* r, const char* n) {
    if (RecordPopulation(r) >= kBigCity && WithinEdits(Loose(n), loose, edits)) matches.Add(r, n);
  });
  matches.EndGroup();
  return matches.Take();
}

std::vector<CityNameMatch> ListCitiesByAnyNamePrefix(const CityDatabase& db, const char* prefix, size_t limit) {
  std::vector<CityNameMatch> found;
  if (!db.isOpen() || prefix == nullptr || *prefix == '\0' || limit == 0) return found;
  const int length = static_cast<int>(std::strlen(prefix));
  std::unordered_set<const uint8_t*> seen;
  ForEachCityRecord(db, [&](CityKey r) {
    if (CompareFoldedN(RecordName(r), prefix, length) != 0) return true;
    found.push_back({r, RecordName(r)});
    seen.insert(r);
    return found.size() < limit;
  });
  const CityNameTable& t = db.otherNames.get();
  for (size_t i = LowerBound(t, prefix);
       found.size() < limit && i < t.size() && CompareFoldedN(EntryName(t, i), prefix, length) == 0; ++i) {
    const uint8_t* r = EntryRecord(db, t, i);
    if (seen.insert(r).second) found.push_back({r, EntryName(t, i)});
  }
  std::stable_sort(found.begin(), found.end(), [](const CityNameMatch& a, const CityNameMatch& b) {
    return CompareFolded(a.name, b.name) < 0;
  });
  return found;
}

}  // namespace orx
