// Color565: the one colour representation of the program, 16-bit RGB565
// (red bits 15-11, green bits 10-5, blue bits 4-0).
#pragma once

#include <cstdint>

namespace orx {

using Color565 = uint16_t;

inline constexpr Color565 kWhite = 0xFFFF;
inline constexpr Color565 kBlack = 0x0000;
inline constexpr Color565 kYellow = 0xFFE0;
inline constexpr Color565 kColorKey = 0xF81F;  // magenta: transparent in every image

constexpr Color565 Rgb565(unsigned r, unsigned g, unsigned b) {
  return static_cast<Color565>(((r & 0xF8) << 8) | ((g & 0xFC) << 3) | (b >> 3));
}
constexpr unsigned Red5(Color565 c) { return c >> 11; }           // 0..31
constexpr unsigned Green6(Color565 c) { return (c >> 5) & 63; }    // 0..63
constexpr unsigned Blue5(Color565 c) { return c & 31; }            // 0..31

}  // namespace orx
