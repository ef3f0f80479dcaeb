// CityIndex: an ordered multiset of city records (pointers into cities.bin), stored as
// a B-tree of order 33 whose ordering is a virtual operation.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>

namespace orx {

// A city record inside the mapped cities.bin (its length word), or a probe record built
// by the caller with the fields the ordering reads.
using CityKey = const uint8_t*;

class CityIndex {
 public:
  static constexpr int kMaxKeys = 32;  // a node holds one more only until it is split

  // Returns false to stop a walk.
  using Visit = std::function<bool(CityKey)>;

  CityIndex() = default;
  CityIndex(const CityIndex&) = delete;
  CityIndex& operator=(const CityIndex&) = delete;
  virtual ~CityIndex() = default;

  // Negative, 0 or positive as a sorts before, with or after b.
  virtual int Compare(CityKey a, CityKey b) const = 0;

  // Adds a key after every key that compares less than or equal to it, so equal keys
  // keep their insertion order.
  void Insert(CityKey key);
  void Clear();
  bool empty() const { return root_ == nullptr; }
  int size() const { return count_; }

  // In-order walk over every key. False when `visit` stopped it.
  bool ForEach(const Visit& visit) const;
  // Visits, in order, every key comparing equal to `probe`. False when `visit` stopped it.
  bool EqualRange(CityKey probe, const Visit& visit) const;
  // Longitude orders only: visits, in increasing longitude, every key whose longitude
  // differs from `centre` by less than `radius` (arc-minutes, no wrap at +-180 degrees).
  // False when `visit` stopped it.
  bool Window(int centre, int radius, const Visit& visit) const;

  // The node layout, exposed for tests of the tree's shape.
  struct Node {
    int count = 0;
    bool leaf = true;
    CityKey keys[kMaxKeys + 1];
    Node* children[kMaxKeys + 2];
  };
  const Node* root() const { return root_; }

 private:
  // True when `node` overflowed (holds 33 keys) after the insertion.
  bool InsertInto(Node* node, CityKey key);
  void SplitChild(Node* parent, int i);
  Node* NewNode(bool leaf);
  // Position after every key comparing less than or equal to `key`.
  int UpperBound(const Node* node, CityKey key) const;

  Node* root_ = nullptr;
  int count_ = 0;
  std::deque<Node> nodes_;  // owns every node; addresses stay put
};

// a.longitude - b.longitude (signed arc-minutes).
class CityIndexByLongitude final : public CityIndex {
 public:
  int Compare(CityKey a, CityKey b) const override;
};

// a.country - b.country (unsigned bytes).
class CityIndexByCountry final : public CityIndex {
 public:
  int Compare(CityKey a, CityKey b) const override;
};

// Folded comparison of the two names.
class CityIndexByName final : public CityIndex {
 public:
  int Compare(CityKey a, CityKey b) const override;
};

// Largest population first: b.population - a.population (unsigned codes), so cities
// whose population is not given come last.
class CityIndexByPopulation final : public CityIndex {
 public:
  int Compare(CityKey a, CityKey b) const override;
};

}  // namespace orx
