// The committed artwork of the widget toolkit: the skins and the three keyboard layouts
// are what their generators draw, and every key of every layout shows a label of its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "gfx/image.h"
#include "ui/soft_keyboard.h"

namespace orx {
namespace {

const std::string kTools = std::string(ORRELUX_BINARY_DIR) + "/tools";
const std::string kSource = ORRELUX_SOURCE_DIR;

TEST(UiArtwork, GeneratorsReproduceTheCommittedSkinsAndKeyboards) {
  if (!std::filesystem::exists(kTools + "/skingen/skingen") || !std::filesystem::exists(kTools + "/kbdgen/kbdgen")) {
    GTEST_SKIP() << "the generators are not built";
  }
  EXPECT_EQ(std::system((kTools + "/skingen/skingen --check " + kSource + "/data/skins").c_str()), 0);
  EXPECT_EQ(std::system((kTools + "/kbdgen/kbdgen --check " + kSource + "/res").c_str()), 0);
}

TEST(UiArtwork, EveryKeyShowsALabelInWhiteOnTheKeyColour) {
  for (KeyboardLayout layout : {kLayoutSymbols, kLayoutLower, kLayoutUpper}) {
    ImageObject image = MakeResourceImage(KeyboardResource(layout));
    ASSERT_EQ(Load(image, nullptr, kLoadWhole), 1) << layout;
    ASSERT_EQ(image.width, kKeyboardWidth);
    ASSERT_EQ(image.height, kKeyboardHeight);
    const Color565* px = image.pixels16();
    for (int i = 0; i < image.width * image.height; ++i) ASSERT_TRUE(px[i] == kWhite || px[i] == kColorKey);
    const auto keys = KeyboardKeys(layout);
    // Ink inside a key (or inside some part of the two-part Enter key).
    auto inked = [&](const KeyboardKey& k) {
      for (int y = k.y + 1; y < k.y + k.height - 1; ++y)
        for (int x = k.x + 1; x < k.x + k.width - 1; ++x)
          if (px[y * image.width + x] == kWhite) return true;
      return false;
    };
    for (size_t i = 0; i < keys.size(); ++i) {
      bool shown = inked(keys[i]);
      for (const KeyboardKey& other : keys)
        if (keys[i].code == 13 && other.code == 13) shown |= inked(other);
      EXPECT_TRUE(shown) << "layout " << layout << " key " << i;
      // The outline: the key's top edge, corners left out.
      EXPECT_EQ(px[keys[i].y * image.width + keys[i].x + keys[i].width / 2], kWhite) << layout << " key " << i;
    }
    // What a user tells keys apart by: the label's ink, its rows counted from the key's
    // top and its columns from its own left edge. No two keys may look alike, and every
    // label has enough ink to be seen.
    auto picture = [&](const KeyboardKey& k) {
      int left = k.width;
      for (int y = k.y + 1; y < k.y + k.height - 1; ++y)
        for (int x = k.x + 1; x < k.x + k.width - 1; ++x)
          if (px[y * image.width + x] == kWhite) left = std::min(left, x - k.x);
      std::string rows;
      for (int y = k.y + 1; y < k.y + k.height - 1; ++y) {
        for (int x = k.x + left; x < k.x + k.width - 1; ++x) rows += px[y * image.width + x] == kWhite ? '#' : '.';
        rows += '/';
      }
      return rows;
    };
    for (size_t i = 0; i < keys.size(); ++i) {
      if (keys[i].code == 13) continue;  // the two parts of Enter carry one label
      const std::string a = picture(keys[i]);
      EXPECT_GE(std::count(a.begin(), a.end(), '#'), 4) << "layout " << layout << " key " << i;
      for (size_t j = i + 1; j < keys.size(); ++j) {
        if (keys[j].code == 13) continue;
        EXPECT_NE(a, picture(keys[j])) << "layout " << layout << " keys " << i << ", " << j;
      }
    }
    Destroy(image);
  }
}

}  // namespace
}  // namespace orx
