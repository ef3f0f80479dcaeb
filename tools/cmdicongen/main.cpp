// cmdicongen: draws the command-bar icon strip (139 x 28, resource GIF 125) from pixel
// maps, with hard edges on the magenta key so that the icons stay clean at 1x on the
// light button faces of every skin.
//
//   cmdicongen [--out DIR]        (default DIR: res)
//
// Row 0-13 holds the normal icons, row 14-27 the checked (pressed) ones: the same
// picture one row lower, so a pressed button looks pushed in. The rollout arrow of the
// first button, which has no face, points left (slide the bar away) in the normal row
// and right (bring it back) in the checked row.
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "gif_encoder.h"

namespace orx::tools {
namespace {

constexpr int kWidth = 139;
constexpr int kHeight = 28;
constexpr int kRowHeight = 14;
constexpr Rgb kKey{255, 0, 255};

// The colours of the pixel maps.
Rgb Colour(char c) {
  switch (c) {
    case 'K': return {0x1E, 0x32, 0x64};  // outline: the dark navy of the skins' frames
    case 'B': return {0x2C, 0x7C, 0xD8};  // ocean
    case 'L': return {0x9C, 0xC8, 0xF4};  // light ocean, the lit side
    case 'G': return {0x2E, 0x9A, 0x3C};  // land
    case 'N': return {0x20, 0x28, 0x48};  // night side
    case 'Y': return {0xFF, 0xD2, 0x1E};  // sun
    case 'W': return {0xFF, 0xFF, 0xFF};
    case 'R': return {0xD8, 0x24, 0x24};  // city red, close
    case 'S': return {0x00, 0xC0, 0x00};  // selection green (the zoom rectangle's colour)
    case 'A': return {0x70, 0x78, 0x88};  // steel grey
    default: return kKey;
  }
}

struct Icon {
  int x;                           // position in the strip
  std::vector<const char*> rows;   // 12 rows of equal width
};

// The icons at their strip positions (x, width as the command bar's button table).
const std::vector<Icon>& Icons() {
  static const std::vector<Icon> icons = {
      // Lat/Lon Grid (0, 11): a globe under its grid.
      {0,
       {"...KKKKK...",
        "..KBWBWBK..",
        ".KBBWBWBBK.",
        "KWWWWWWWWWK",
        "KBBBWBWBBBK",
        "KBBBWBWBBBK",
        "KWWWWWWWWWK",
        "KBBBWBWBBBK",
        "KBBBWBWBBBK",
        ".KWWWWWWWK.",
        "..KBWBWBK..",
        "...KKKKK..."}},
      // Show Day and Night (11, 11): a globe lit on the left, in shadow on the right.
      {11,
       {"...KKKKK...",
        "..KLLLNNK..",
        ".KLLGGNNNK.",
        ".KLGGGNNNK.",
        "KLLGGGNNNNK",
        "KLLLGGNNNNK",
        "KLLLLGNNNNK",
        "KLLLLLNNNNK",
        ".KLLLGNNNK.",
        ".KLLLGNNNK.",
        "..KLLLNNK..",
        "...KKKKK..."}},
      // Options... (22, 11): a cog.
      {22,
       {"....KKK....",
        ".KK.KAK.KK.",
        ".KAKKAKKAK.",
        "..KAAAAAK..",
        "KKKAKKKAKKK",
        "KAAAK.KAAAK",
        "KKKAKKKAKKK",
        "..KAAAAAK..",
        ".KAKKAKKAK.",
        ".KK.KAK.KK.",
        "....KKK....",
        "..........."}},
      // Compute Distance (33, 8): two points joined by a dashed line.
      {33,
       {".KKK....",
        "KRWRK...",
        "KRRRK...",
        ".KKK....",
        "...K....",
        "........",
        ".....K..",
        "........",
        "....KKK.",
        "...KRWRK",
        "...KRRRK",
        "....KKK."}},
      // Help (41, 8): a question mark.
      {41,
       {"..KKKK..",
        ".KK..KK.",
        "KK....KK",
        "......KK",
        ".....KK.",
        "....KK..",
        "...KK...",
        "...KK...",
        "........",
        "...KK...",
        "...KK...",
        "........"}},
      // Close... (49, 9): a red cross.
      {49,
       {".........",
        "KK.....KK",
        "KRK...KRK",
        ".KRK.KRK.",
        "..KRKRK..",
        "...KRK...",
        "..KRKRK..",
        ".KRK.KRK.",
        "KRK...KRK",
        "KK.....KK",
        ".........",
        "........."}},
      // Pan/Rotate (58, 12): arrows to the four sides.
      {58,
       {".....KK.....",
        "....KKKK....",
        "...KKKKKK...",
        ".....KK.....",
        "..K..KK..K..",
        ".KKKKKKKKKK.",
        "KKKKKKKKKKKK",
        ".KKKKKKKKKK.",
        "..K..KK..K..",
        ".....KK.....",
        "...KKKKKK...",
        "....KKKK...."}},
      // Spherical/Planar View (70, 11): a round globe with its continents.
      {70,
       {"...KKKKK...",
        "..KBBGGBK..",
        ".KBGGGGBBK.",
        ".KBGGGBBBK.",
        "KBBBGGBBGBK",
        "KBBBBGBGGGK",
        "KBBBBBBGGGK",
        "KBBGBBBBGBK",
        ".KBGGBBBBK.",
        ".KBBGBBBBK.",
        "..KBBBBBK..",
        "...KKKKK..."}},
      // Show Selected Cities (81, 8): a map pin.
      {81,
       {"..KKKK..",
        ".KRRRRK.",
        "KRRWWRRK",
        "KRWWWWRK",
        "KRRWWRRK",
        ".KRRRRK.",
        ".KRRRRK.",
        "..KRRK..",
        "..KRRK..",
        "...KK...",
        "...KK...",
        "........"}},
      // Zoom Selection (89, 11): the green selection rectangle around a plus.
      {89,
       {"SSSSSSSSSSS",
        "S.........S",
        "S....K....S",
        "S....K....S",
        "S....K....S",
        "S.KKKKKKK.S",
        "S....K....S",
        "S....K....S",
        "S....K....S",
        "S.........S",
        "SSSSSSSSSSS",
        "..........."}},
      // Zoom Out (100, 9): a magnifying glass with a minus.
      {100,
       {"..KKKK...",
        ".KWWWWK..",
        "KWWWWWWK.",
        "KWKKKKWK.",
        "KWWWWWWK.",
        ".KWWWWK..",
        "..KKKKKK.",
        "......KK.",
        ".......KK",
        ".......KK",
        ".........",
        "........."}},
      // Find City... (109, 10): a magnifying glass over a city.
      {109,
       {"..KKKK....",
        ".KWWWWK...",
        "KWWRRWWK..",
        "KWRRRRWK..",
        "KWWRRWWK..",
        ".KWWWWK...",
        "..KKKKKK..",
        "......KKK.",
        ".......KKK",
        "........KK",
        "..........",
        ".........."}},
      // Command Panel Rollout (130, 5): an arrow to the left; the checked row mirrors it.
      {130,
       {".....",
        ".....",
        "....K",
        "...KK",
        "..KWK",
        ".KWWK",
        "KWWWK",
        ".KWWK",
        "..KWK",
        "...KK",
        "....K",
        "....."}},
  };
  return icons;
}

class Strip {
 public:
  Strip() : pixels_(static_cast<size_t>(kWidth) * kHeight, kKey) {}
  void Set(int x, int y, Rgb c) {
    if (x >= 0 && y >= 0 && x < kWidth && y < kHeight) pixels_[static_cast<size_t>(y) * kWidth + x] = c;
  }
  GifPicture ToGif() const {
    GifPicture pic;
    if (!PictureFromRgb(kWidth, kHeight, pixels_, &kKey, pic)) TooManyColours();
    return pic;
  }

 private:
  std::vector<Rgb> pixels_;
};

// False when the map's rows differ in length or it is not 12 rows high.
bool WellFormed(const Icon& icon) {
  if (icon.rows.size() != 12) return false;
  for (const char* row : icon.rows) {
    if (std::strlen(row) != std::strlen(icon.rows[0])) return false;
  }
  return true;
}

void Draw(Strip& strip, const Icon& icon, int top, bool mirror) {
  for (size_t r = 0; r < icon.rows.size(); ++r) {
    const int width = static_cast<int>(std::strlen(icon.rows[r]));
    for (int i = 0; i < width; ++i) {
      const char c = icon.rows[r][mirror ? width - 1 - i : i];
      if (c != '.') strip.Set(icon.x + i, top + static_cast<int>(r), Colour(c));
    }
  }
}

}  // namespace
}  // namespace orx::tools

int main(int argc, char** argv) {
  using namespace orx::tools;
  std::string out = "res";
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--out") == 0 && i + 1 < argc) {
      out = argv[++i];
    } else {
      std::fprintf(stderr, "usage: cmdicongen [--out DIR]\n");
      return 2;
    }
  }
  Strip strip;
  for (const Icon& icon : Icons()) {
    if (!WellFormed(icon)) {
      std::fprintf(stderr, "cmdicongen: the icon at x %d is not a 12-row map of equal rows\n", icon.x);
      return 1;
    }
    const bool rollout = icon.x == 130;
    Draw(strip, icon, 1, false);
    // The checked row: pushed one row down; the rollout arrow turns round instead.
    Draw(strip, icon, kRowHeight + (rollout ? 1 : 2), rollout);
  }
  const std::string path = out + "/gif_125_command_icons.gif";
  if (!WriteGif(path, strip.ToGif())) {
    std::fprintf(stderr, "cmdicongen: cannot write %s\n", path.c_str());
    return 1;
  }
  std::printf("cmdicongen: wrote %s\n", path.c_str());
  return 0;
}
