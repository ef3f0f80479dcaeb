// The composed texture: where the earth shadow falls (checked against the sub-solar
// points of tests/data/astro/positions.csv, made with an independent ephemeris), the
// twilight bands, the overlay operations and the refusal of unusable map files.
#include "globe/texture.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>

#include "gif_encoder.h"
#include "settings/settings.h"
#include "support/reference_table.h"

namespace orx {
namespace {

namespace fs = std::filesystem;
constexpr double kPi = std::numbers::pi;

class TextureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("orx_texture_" + std::to_string(getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_ / "maps");
    settings_.showDayAndNight = false;
    settings_.useOverlayMap = false;
    settings_.twilightType = -1035;
  }
  void TearDown() override { fs::remove_all(dir_); }

  // A map of one colour (or of `indices` over `palette`).
  void WriteMap(const std::string& name, int w, int h, tools::Rgb colour, bool interlaced = false) {
    tools::GifPicture pic;
    pic.width = w;
    pic.height = h;
    pic.palette = {colour, {0, 0, 0}};
    pic.indices.assign(static_cast<size_t>(w) * h, 0);
    pic.interlaced = interlaced;
    ASSERT_TRUE(tools::WriteGif((dir_ / "maps" / name).string(), pic));
  }
  void WriteBytes(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::ofstream out(dir_ / "maps" / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }

  int Rebuild(const platform::SystemTime& utc = {}) {
    TextureUi ui;
    ui.showMessage = [this](const char* text, const char* caption, bool openOptions) {
      messages_.push_back(text);
      EXPECT_STREQ(caption, "Error");
      EXPECT_EQ(openOptions, text == std::string(kNoTextureMessage));
    };
    ui.progress = [this](int value) { progress_.push_back(value); };
    return RebuildTexture(globe_, MakeTextureSource(settings_, dir_, utc), ui, true);
  }

  fs::path dir_;
  Settings settings_;
  Globe globe_;
  std::vector<std::string> messages_;
  std::vector<int> progress_;
};

platform::SystemTime At(const std::string& text) {
  const auto millis = platform::ParseUtcInstant(text);
  EXPECT_TRUE(millis.has_value()) << text;
  return platform::SystemTimeFromMillis(millis.value_or(0));
}

// Geographic latitude and longitude (degrees) at which texel (c, r) is shaded: its
// top-left corner.
void TexelPosition(const ComposedTexture& t, int c, int r, double& lat, double& lon) {
  lat = 90.0 - r * 180.0 / t.height;
  lon = -180.0 + c * 360.0 / t.width;
}

// Elevation of the Sun (degrees) at a position, from the positions the composition used.
double ElevationOfSun(const SkyPositions& sky, double lat, double lon) {
  const double d = sky.sun.declination * kPi / 180, p = lat * kPi / 180;
  const double h = (sky.sun.greenwichHourAngle + lon) * kPi / 180;
  return std::asin(std::sin(p) * std::sin(d) + std::cos(p) * std::cos(d) * std::cos(h)) * 180 / kPi;
}

TEST_F(TextureTest, LitHemisphereIsCentredOnTheSubSolarPoint) {
  WriteMap("Day.gif", 720, 360, {255, 255, 255});
  settings_.showDayAndNight = true;
  settings_.earthShadowDarkness = 100;
  settings_.earthShadowSpecularity = 100;  // a sharp edge 1.4 degrees wide
  const auto rows = test::ReadReferenceTable("astro/positions.csv");
  ASSERT_GE(rows.size(), 8u);
  double worst = 0;
  for (size_t i = 0; i < 8; ++i) {
    const auto& row = rows[i];
    ASSERT_EQ(Rebuild(At(row.at("utc"))), 0);
    ASSERT_FALSE(globe_.texture.empty());
    // The centroid of the fully lit texels (area-weighted unit vectors) points at the
    // centre of the lit cap.
    double sx = 0, sy = 0, sz = 0;
    for (int r = 0; r < globe_.texture.height; ++r) {
      for (int c = 0; c < globe_.texture.width; ++c) {
        if (globe_.texture.at(c, r) != 0xFFFF) continue;
        double lat, lon;
        TexelPosition(globe_.texture, c, r, lat, lon);
        const double p = lat * kPi / 180, l = lon * kPi / 180, w = std::cos(p);
        sx += w * std::cos(p) * std::cos(l);
        sy += w * std::cos(p) * std::sin(l);
        sz += w * std::sin(p);
      }
    }
    const double lat = std::atan2(sz, std::hypot(sx, sy)) * 180 / kPi;
    const double lon = std::atan2(sy, sx) * 180 / kPi;
    const double error = std::acos(std::sin(lat * kPi / 180) * std::sin(std::stod(row.at("sun_lat")) * kPi / 180) +
                                   std::cos(lat * kPi / 180) * std::cos(std::stod(row.at("sun_lat")) * kPi / 180) *
                                       std::cos((lon - std::stod(row.at("sun_lon"))) * kPi / 180)) * 180 / kPi;
    EXPECT_LT(error, 1.0) << row.at("utc") << ": lit centre " << lat << "," << lon << " reference "
                          << row.at("sun_lat") << "," << row.at("sun_lon");
    worst = std::max(worst, error);
  }
  std::printf("lit hemisphere centre vs reference sub-solar point: max %.3f degrees (tolerance 1)\n", worst);
}

TEST_F(TextureTest, TwilightBandsSitAtTheirDepths) {
  WriteMap("Day.gif", 720, 360, {255, 255, 255});
  settings_.showDayAndNight = true;
  settings_.earthShadowDarkness = 100;
  const struct {
    int type;
    double depth;
  } bands[] = {{1033, 6}, {1034, 12}, {1035, 18}};
  for (const auto& band : bands) {
    settings_.twilightType = band.type;
    ASSERT_EQ(Rebuild(At("2026-03-20T12:00:00Z")), 0);
    int day = 0, twilight = 0, night = 0;
    for (int r = 0; r < globe_.texture.height; ++r) {
      for (int c = 0; c < globe_.texture.width; ++c) {
        double lat, lon;
        TexelPosition(globe_.texture, c, r, lat, lon);
        const double e = ElevationOfSun(globe_.sky, lat, lon);
        const Color565 p = globe_.texture.at(c, r);
        // Half light (128 of 256) is red 15 of 31; margins keep off the table's rounding.
        if (e > -0.6) {
          EXPECT_EQ(p, 0xFFFF) << band.type << " e=" << e;
          ++day;
        } else if (e < -1.1 && e > -band.depth + 0.3) {
          EXPECT_EQ(Red5(p), 15) << band.type << " e=" << e;
          ++twilight;
        } else if (e < -band.depth - 0.3) {
          EXPECT_EQ(p, 0) << band.type << " e=" << e;
          ++night;
        }
        if (HasFailure()) return;
      }
    }
    EXPECT_GT(day, 0);
    EXPECT_GT(twilight, 0);
    EXPECT_GT(night, 0);
  }
}

TEST_F(TextureTest, SoftTerminatorSpansTheSpecularityWidth) {
  WriteMap("Day.gif", 360, 180, {255, 255, 255});
  settings_.showDayAndNight = true;
  settings_.earthShadowDarkness = 0;       // night keeps half the light
  settings_.earthShadowSpecularity = 0;    // the ramp spans the whole sphere
  ASSERT_EQ(Rebuild(At("2027-06-21T00:00:00Z")), 0);
  for (int r = 0; r < globe_.texture.height; r += 7) {
    for (int c = 0; c < globe_.texture.width; c += 5) {
      double lat, lon;
      TexelPosition(globe_.texture, c, r, lat, lon);
      const double e = ElevationOfSun(globe_.sky, lat, lon);
      // L = 128 + (e + 90) / 180 x 128, so red = 255 L / 256 >> 3.
      const double light = 128 + (e + 90) / 180 * 128;
      EXPECT_NEAR(Red5(globe_.texture.at(c, r)), 255 * light / 256 / 8, 1.5) << "e=" << e;
    }
  }
}

TEST_F(TextureTest, OverlayOperationsBrightnessAndProgress) {
  // 2 x 1 maps: the smallest the check accepts.
  const tools::Rgb c{0xC8, 0x50, 0x30}, o{0x3C, 0x90, 0xF0};
  WriteMap("Day.gif", 2, 1, c);
  WriteMap("Night.gif", 2, 1, o);
  settings_.useOverlayMap = true;
  auto pack = [](unsigned r, unsigned g, unsigned b) { return static_cast<Color565>((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3)); };
  auto each = [&](auto f) { return pack(f(c[0], o[0]), f(c[1], o[1]), f(c[2], o[2])); };
  const Color565 expected[] = {
      each([](unsigned a, unsigned b) { return a | b; }),
      each([](unsigned a, unsigned b) { return a & b; }),
      each([](unsigned a, unsigned b) { return a ^ b; }),
      each([](unsigned a, unsigned b) { return (a + b) >> 1; }),
      each([](unsigned a, unsigned b) { return b + (((256 - b) * a) >> 8); }),
      pack(c[0], c[1], c[2]),  // Day/Night without the shadow: the main map alone
  };
  for (int op = 0; op <= 5; ++op) {
    settings_.overlayOperation = op;
    ASSERT_EQ(Rebuild(), 0);
    EXPECT_EQ(globe_.texture.at(0, 0), expected[op]) << "operation " << op;
  }
  settings_.overlayOperation = 9;
  ASSERT_EQ(Rebuild(), 0);
  EXPECT_EQ(globe_.texture.at(1, 0), 0);

  settings_.overlayOperation = 0;
  settings_.textureBrightness = 0;
  ASSERT_EQ(Rebuild(), 0);
  EXPECT_EQ(globe_.texture.at(0, 0), 0);
  settings_.textureBrightness = 50;
  ASSERT_EQ(Rebuild(), 0);
  EXPECT_EQ(globe_.texture.at(0, 0), pack((c[0] | o[0]) / 2, (c[1] | o[1]) / 2, (c[2] | o[2]) / 2));

  // Day/Night with the shadow: day at the sub-solar point, night light at its antipode.
  WriteMap("Day.gif", 720, 360, c);
  WriteMap("Night.gif", 720, 360, o);
  settings_.textureBrightness = 100;
  settings_.overlayOperation = 5;
  settings_.showDayAndNight = true;
  progress_.clear();
  ASSERT_EQ(Rebuild(At("2026-03-20T12:07:00Z")), 0);  // the Sun near (0, 0)
  EXPECT_EQ(progress_, (std::vector<int>{0, 14, 28, 42, 56, 70, 84, 98}));
  EXPECT_EQ(globe_.texture.at(360, 180), pack(c[0], c[1], c[2]));
  EXPECT_EQ(globe_.texture.at(0, 180), pack(o[0], o[1], o[2]));
  EXPECT_TRUE(messages_.empty());
}

TEST_F(TextureTest, InterlacedMapsComposeLikePlainOnes) {
  tools::GifPicture pic;
  pic.width = 40;
  pic.height = 20;
  for (int i = 0; i < 20; ++i) pic.palette.push_back({static_cast<uint8_t>(i * 12), 100, static_cast<uint8_t>(255 - i * 12)});
  for (int r = 0; r < 20; ++r) pic.indices.insert(pic.indices.end(), 40, static_cast<uint8_t>(r));
  ASSERT_TRUE(tools::WriteGif((dir_ / "maps" / "Day.gif").string(), pic));
  ASSERT_EQ(Rebuild(), 0);
  std::vector<Color565> plain(globe_.texture.pixels.get(), globe_.texture.pixels.get() + 800);
  pic.interlaced = true;
  ASSERT_TRUE(tools::WriteGif((dir_ / "maps" / "Day.gif").string(), pic));
  ASSERT_EQ(Rebuild(), 0);
  EXPECT_EQ(std::vector<Color565>(globe_.texture.pixels.get(), globe_.texture.pixels.get() + 800), plain);
}

TEST_F(TextureTest, UnusableMapsAreReportedAndThePreviousOnesKept) {
  // Nothing usable yet: no texture, and the message that leads to the Options dialog.
  WriteBytes("Day.gif", {'n', 'o', 't', ' ', 'a', ' ', 'g', 'i', 'f'});
  EXPECT_EQ(Rebuild(), 0);
  EXPECT_TRUE(globe_.texture.empty());
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0], kNoTextureMessage);

  WriteMap("Good.gif", 64, 32, {10, 200, 30});
  WriteMap("Night.gif", 64, 32, {0, 0, 0});
  settings_.mainMapFile = "Good.gif";
  ASSERT_EQ(Rebuild(), 0);
  ASSERT_FALSE(globe_.texture.empty());
  EXPECT_EQ(messages_.size(), 1u);
  const Color565 good = globe_.texture.at(5, 5);
  const std::string goodPath = globe_.maps.mainMap.fileName;

  // Wrong proportions, not a GIF, an overlay of another size, a missing file, a cut file.
  WriteMap("Wide.gif", 1000, 501, {255, 0, 0});
  WriteMap("Small.gif", 32, 16, {255, 0, 0});
  tools::GifPicture big;
  big.width = 256;
  big.height = 128;
  big.palette = {{255, 0, 0}, {0, 0, 255}};
  for (int i = 0; i < 256 * 128; ++i) big.indices.push_back(static_cast<uint8_t>((i * 7 / 5) % 2));
  std::vector<uint8_t> cut = tools::EncodeGif(big);
  cut.resize(cut.size() / 2);
  WriteBytes("Cut.gif", cut);
  const struct {
    const char* main;
    const char* overlay;
    bool useOverlay;
  } cases[] = {{"Wide.gif", "Night.gif", false}, {"Day.gif", "Night.gif", false},
               {"Good.gif", "Small.gif", true},  {"Missing.gif", "Night.gif", false},
               {"Cut.gif", "Night.gif", false}};
  for (const auto& k : cases) {
    settings_.mainMapFile = k.main;
    settings_.overlayMapFile = k.overlay;
    settings_.useOverlayMap = k.useOverlay;
    messages_.clear();
    EXPECT_EQ(Rebuild(), 0) << k.main;
    ASSERT_EQ(messages_.size(), 1u) << k.main;
    EXPECT_EQ(messages_[0], kKeepMapsMessage) << k.main;
    ASSERT_FALSE(globe_.texture.empty()) << k.main;
    EXPECT_EQ(globe_.texture.width, 64) << k.main;
    EXPECT_EQ(globe_.texture.at(5, 5), good) << k.main;
    EXPECT_EQ(globe_.maps.mainMap.fileName, goodPath) << k.main;
    EXPECT_EQ(globe_.view.textureHeight, 32) << k.main;
  }
}

}  // namespace
}  // namespace orx
