// Case- and accent-folding comparison of 8-bit (Windows-1252) names, used to sort and
// search city and country names.
#pragma once

#include <cstdint>

namespace orx {

// The folded form of a code: a-z become A-Z, accented Latin-1 letters their base capital
// (the sharp s 223 becomes B), every other code stays.
uint8_t FoldChar(uint8_t code);

// folded(a[i]) - folded(b[i]) at the first difference or at the first zero byte of
// either string; 0 when both end together.
int CompareFolded(const char* a, const char* b);
// As CompareFolded, but compares at most n characters (0 when the first n agree).
int CompareFoldedN(const char* a, const char* b, int n);

}  // namespace orx
