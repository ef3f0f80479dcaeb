#include "gfx/fold.h"

#include <array>

namespace orx {
namespace {

constexpr std::array<uint8_t, 256> MakeFoldTable() {
  std::array<uint8_t, 256> t{};
  for (int i = 0; i < 256; ++i) t[i] = static_cast<uint8_t>(i);
  for (int c = 'a'; c <= 'z'; ++c) t[c] = static_cast<uint8_t>(c - 'a' + 'A');
  const auto map = [&t](int from, int to, char base) {
    for (int c = from; c <= to; ++c) t[c] = static_cast<uint8_t>(base);
  };
  map(192, 198, 'A');
  map(224, 230, 'A');
  map(199, 199, 'C');
  map(231, 231, 'C');
  map(200, 203, 'E');
  map(232, 235, 'E');
  map(204, 207, 'I');
  map(236, 239, 'I');
  map(209, 209, 'N');
  map(241, 241, 'N');
  map(210, 214, 'O');
  map(242, 246, 'O');
  map(217, 220, 'U');
  map(249, 252, 'U');
  map(221, 221, 'Y');
  map(253, 253, 'Y');
  map(255, 255, 'Y');
  map(223, 223, 'B');
  return t;
}

constexpr std::array<uint8_t, 256> kFold = MakeFoldTable();

}  // namespace

uint8_t FoldChar(uint8_t code) { return kFold[code]; }

int CompareFoldedN(const char* a, const char* b, int n) {
  for (int i = 0; i < n; ++i) {
    const uint8_t ca = static_cast<uint8_t>(a[i]), cb = static_cast<uint8_t>(b[i]);
    const int d = int{kFold[ca]} - int{kFold[cb]};
    if (d != 0 || ca == 0 || cb == 0) return d;
  }
  return 0;
}

int CompareFolded(const char* a, const char* b) {
  for (int i = 0;; ++i) {
    const uint8_t ca = static_cast<uint8_t>(a[i]), cb = static_cast<uint8_t>(b[i]);
    const int d = int{kFold[ca]} - int{kFold[cb]};
    if (d != 0 || ca == 0 || cb == 0) return d;
  }
}

}  // namespace orx
