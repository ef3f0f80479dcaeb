#include "cities/city_index.h"

#include <cstdlib>

#include "cities/city_record.h"
#include "gfx/fold.h"

namespace orx {
namespace {

constexpr int kSplitKey = 16;  // the middle of 33 keys moves up

enum class WalkState { kGoOn, kRangeEnded, kStopped };

// In-order walk over the keys inside a contiguous range of the order. `below(key)` is
// true for keys that lie before the range, so a child left of such a key can be skipped
// until the range has been entered; `inside(key)` marks the range itself. The walk ends
// at the first key outside the range after one inside it, or at the first key past the
// range (`above`) when the range is empty, instead of running through the rest of the tree.
template <class Below, class Inside, class Above>
WalkState WalkRange(const CityIndex::Node* node, bool& entered, const Below& below, const Inside& inside,
                    const Above& above, const CityIndex::Visit& visit) {
  // Before the range is entered, every key that lies below it is skipped together with
  // the child to its left; they form a prefix of the sorted keys, found by bisection.
  int first = 0;
  if (!entered) {
    int hi = node->count;
    while (first < hi) {
      const int mid = (first + hi) / 2;
      if (below(node->keys[mid])) {
        first = mid + 1;
      } else {
        hi = mid;
      }
    }
  }
  for (int i = first; i <= node->count; ++i) {
    const bool keyHere = i < node->count;
    if (!node->leaf && !(keyHere && !entered && below(node->keys[i]))) {
      const WalkState s = WalkRange(node->children[i], entered, below, inside, above, visit);
      if (s != WalkState::kGoOn) return s;
    }
    if (!keyHere) break;
    if (!inside(node->keys[i])) {
      if (entered || above(node->keys[i])) return WalkState::kRangeEnded;
      continue;
    }
    entered = true;
    if (!visit(node->keys[i])) return WalkState::kStopped;
  }
  return WalkState::kGoOn;
}

bool WalkAll(const CityIndex::Node* node, const CityIndex::Visit& visit) {
  for (int i = 0; i <= node->count; ++i) {
    if (!node->leaf && !WalkAll(node->children[i], visit)) return false;
    if (i < node->count && !visit(node->keys[i])) return false;
  }
  return true;
}

}  // namespace

CityIndex::Node* CityIndex::NewNode(bool leaf) {
  Node& n = nodes_.emplace_back();
  n.leaf = leaf;
  return &n;
}

void CityIndex::Clear() {
  nodes_.clear();
  root_ = nullptr;
  count_ = 0;
}

int CityIndex::UpperBound(const Node* node, CityKey key) const {
  int lo = 0, hi = node->count;
  while (lo < hi) {
    const int mid = (lo + hi) / 2;
    if (Compare(node->keys[mid], key) <= 0) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return lo;
}

void CityIndex::SplitChild(Node* parent, int i) {
  Node* child = parent->children[i];
  Node* right = NewNode(child->leaf);
  for (int k = kSplitKey + 1; k <= kMaxKeys; ++k) right->keys[k - kSplitKey - 1] = child->keys[k];
  if (!child->leaf) {
    for (int k = kSplitKey + 1; k <= kMaxKeys + 1; ++k) {
      right->children[k - kSplitKey - 1] = child->children[k];
    }
  }
  right->count = kMaxKeys - kSplitKey;
  child->count = kSplitKey;
  // The middle key belongs between keys i - 1 and i of the parent.
  for (int k = parent->count; k > i; --k) parent->keys[k] = parent->keys[k - 1];
  for (int k = parent->count + 1; k > i + 1; --k) parent->children[k] = parent->children[k - 1];
  parent->keys[i] = child->keys[kSplitKey];
  parent->children[i + 1] = right;
  ++parent->count;
}

bool CityIndex::InsertInto(Node* node, CityKey key) {
  const int pos = UpperBound(node, key);
  if (node->leaf) {
    for (int k = node->count; k > pos; --k) node->keys[k] = node->keys[k - 1];
    node->keys[pos] = key;
    ++node->count;
  } else if (InsertInto(node->children[pos], key)) {
    SplitChild(node, pos);
  }
  return node->count == kMaxKeys + 1;
}

void CityIndex::Insert(CityKey key) {
  ++count_;
  if (root_ == nullptr) root_ = NewNode(true);
  if (!InsertInto(root_, key)) return;
  // The root overflowed: its halves become two new children and it keeps the middle key.
  Node* left = NewNode(root_->leaf);
  Node* right = NewNode(root_->leaf);
  for (int k = 0; k < kSplitKey; ++k) left->keys[k] = root_->keys[k];
  for (int k = kSplitKey + 1; k <= kMaxKeys; ++k) right->keys[k - kSplitKey - 1] = root_->keys[k];
  if (!root_->leaf) {
    for (int k = 0; k <= kSplitKey; ++k) left->children[k] = root_->children[k];
    for (int k = kSplitKey + 1; k <= kMaxKeys + 1; ++k) {
      right->children[k - kSplitKey - 1] = root_->children[k];
    }
  }
  left->count = kSplitKey;
  right->count = kMaxKeys - kSplitKey;
  root_->keys[0] = root_->keys[kSplitKey];
  root_->count = 1;
  root_->leaf = false;
  root_->children[0] = left;
  root_->children[1] = right;
}

bool CityIndex::ForEach(const Visit& visit) const {
  return root_ == nullptr || WalkAll(root_, visit);
}

bool CityIndex::EqualRange(CityKey probe, const Visit& visit) const {
  if (root_ == nullptr) return true;
  bool entered = false;
  const auto below = [&](CityKey k) { return Compare(k, probe) < 0; };
  const auto inside = [&](CityKey k) { return Compare(k, probe) == 0; };
  const auto above = [&](CityKey k) { return Compare(k, probe) > 0; };
  return WalkRange(root_, entered, below, inside, above, visit) != WalkState::kStopped;
}

bool CityIndex::Window(int centre, int radius, const Visit& visit) const {
  if (root_ == nullptr) return true;
  bool entered = false;
  const auto below = [&](CityKey k) { return RecordLongitude(k) <= centre - radius; };
  const auto inside = [&](CityKey k) { return std::abs(RecordLongitude(k) - centre) < radius; };
  const auto above = [&](CityKey k) { return RecordLongitude(k) >= centre + radius; };
  return WalkRange(root_, entered, below, inside, above, visit) != WalkState::kStopped;
}

int CityIndexByLongitude::Compare(CityKey a, CityKey b) const {
  return RecordLongitude(a) - RecordLongitude(b);
}

int CityIndexByCountry::Compare(CityKey a, CityKey b) const {
  return int{RecordCountry(a)} - int{RecordCountry(b)};
}

int CityIndexByName::Compare(CityKey a, CityKey b) const {
  return CompareFolded(RecordName(a), RecordName(b));
}

int CityIndexByPopulation::Compare(CityKey a, CityKey b) const {
  return int{RecordPopulation(b)} - int{RecordPopulation(a)};
}

}  // namespace orx
