#include "platform/text_encoding.h"

#include <cstdint>

namespace orx::platform {
namespace {

// Unicode code points of Windows-1252 bytes 0x80..0x9F; 0 where the code is undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D). Every other byte is its own code point.
constexpr uint16_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,       // 88..8F
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,  // 98..9F
};

// The Windows-1252 byte of `cp`, or -1 when it has none.
int Cp1252FromCodePoint(uint32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
  for (int i = 0; i < 32; ++i)
    if (kHighControls[i] != 0 && kHighControls[i] == cp) return 0x80 + i;
  return -1;
}

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

}  // namespace

std::string Utf8ToCp1252(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    const uint8_t lead = static_cast<uint8_t>(utf8[i]);
    int extra;
    uint32_t cp;
    uint32_t minimum;
    if (lead < 0x80) {
      extra = 0, cp = lead, minimum = 0;
    } else if ((lead & 0xE0) == 0xC0) {
      extra = 1, cp = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2, cp = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3, cp = lead & 0x07, minimum = 0x10000;
    } else {
      ++i;  // a stray continuation byte or an invalid lead byte
      continue;
    }
    // A sequence cut short by a byte that does not continue it is dropped up to that byte.
    size_t n = 1;
    bool complete = true;
    for (; n <= static_cast<size_t>(extra); ++n) {
      if (i + n >= utf8.size() || (static_cast<uint8_t>(utf8[i + n]) & 0xC0) != 0x80) {
        complete = false;
        break;
      }
      cp = (cp << 6) | (static_cast<uint8_t>(utf8[i + n]) & 0x3F);
    }
    i += n;
    if (!complete || cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) continue;
    const int b = Cp1252FromCodePoint(cp);
    if (b >= 0) out.push_back(static_cast<char>(b));
  }
  return out;
}

std::string Cp1252ToUtf8(std::string_view cp1252) {
  std::string out;
  out.reserve(cp1252.size() + cp1252.size() / 2);
  for (char c : cp1252) {
    const uint8_t b = static_cast<uint8_t>(c);
    const uint32_t cp = (b >= 0x80 && b < 0xA0) ? kHighControls[b - 0x80] : b;
    if (cp == 0 && b != 0) continue;  // undefined code
    AppendUtf8(out, cp);
  }
  return out;
}

}  // namespace orx::platform
