#include "globe/texture.h"

#include <algorithm>
#include <bit>
#include <memory>
#include <new>

#include "gfx/gif_decoder.h"
#include "globe/overlay.h"
#include "settings/settings.h"

namespace orx {
namespace {

enum class Variant { kPlain, kShadow, kOverlay, kShadowOverlay };

constexpr int kNoOperation = -1;          // an unknown overlay operation: black
constexpr int32_t kUpperLimbAtHorizon = -151;  // about -0.83 degrees
constexpr int kProgressStep = 14;

// An angle reduced modulo one turn into 0..65535.
int32_t WrapInto65536(int32_t angle) { return angle & (kTurn - 1); }

// Depth of the twilight band in units for "Twilight Type"; 0 = no band.
int32_t TwilightDepth(int twilightType) {
  switch (twilightType) {
    case 1033: return 1092;  // civil, 6 degrees
    case 1034: return 2184;  // nautical, 12 degrees
    case 1035: return 3276;  // astronomical, 18 degrees
    default: return 0;
  }
}

// The light factor (0..256) for every arcsine argument t = sin(elevation) x 32768 + 32768,
// so that a texel costs one table read instead of an arcsine and the terminator ramp.
void BuildLightTable(uint16_t* table, int night, int32_t halfWidth, int32_t twilightDepth) {
  for (int32_t t = 0; t <= kTurn; ++t) {
    int32_t e = AsinLookup(t);
    if (e > kQuarterTurn) e -= kTurn;
    int32_t light;
    if (twilightDepth > 0) {
      if (e >= kUpperLimbAtHorizon) light = 256;
      else if (e >= -twilightDepth) light = night + (256 - night) / 2;
      else light = night;
    } else {
      if (e >= halfWidth) light = 256;
      else if (e >= -halfWidth) light = night + static_cast<int32_t>(int64_t{e + halfWidth} * (256 - night) / (2 * halfWidth));
      else light = night;
    }
    table[t] = static_cast<uint16_t>(light);
  }
}

// Display row of the i-th row in file order of an image of `height` rows.
int32_t DisplayRow(int32_t i, int32_t height, bool interlaced) {
  if (!interlaced) return i;
  const int32_t pass1 = (height + 7) / 8;
  if (i < pass1) return 8 * i;
  i -= pass1;
  const int32_t pass2 = (height + 3) / 8;
  if (i < pass2) return 4 + 8 * i;
  i -= pass2;
  const int32_t pass3 = (height + 1) / 4;
  if (i < pass3) return 2 + 4 * i;
  i -= pass3;
  return 1 + 2 * i;
}

inline uint32_t Red(uint32_t p) { return (p >> 16) & 255; }
inline uint32_t Green(uint32_t p) { return (p >> 8) & 255; }
inline uint32_t Blue(uint32_t p) { return p & 255; }

// One channel of the overlay operation `kOp` on main channel c and overlay channel o.
template <int kOp>
inline uint32_t Operate(uint32_t c, uint32_t o) {
  if constexpr (kOp == kUnion) return c | o;
  else if constexpr (kOp == kIntersection) return c & o;
  else if constexpr (kOp == kExclusion) return c ^ o;
  else if constexpr (kOp == kMerge) return (c + o) >> 1;
  else if constexpr (kOp == kOverlay) return o + (((256 - o) * c) >> 8);
  else return 0;
}

// Everything a row needs besides the two decoded rows.
struct RowContext {
  int32_t width = 0;
  const int32_t* cosHourAngle = nullptr;  // Q15 per column
  const uint16_t* light = nullptr;        // by arcsine argument
  int32_t sinTerm = 0;                    // sin(latitude) sin(declination), Q15
  int32_t cosTerm = 0;                    // cos(latitude) cos(declination), Q15
  uint32_t bright = 256;                  // 0..256
};

// One output row. kUseOverlay: the overlay row takes part; kShadow: the light factor
// applies; kOp: the overlay operation (kDayNight with the shadow blends night into day).
template <int kOp, bool kShadow, bool kUseOverlay>
void ComposeRow(const RowContext& k, const uint32_t* mainRow, const uint32_t* overlayRow, Color565* out) {
  const uint32_t bright = k.bright;
  for (int32_t c = 0; c < k.width; ++c) {
    uint32_t light = 256;
    if constexpr (kShadow) {
      int32_t t = k.sinTerm + (k.cosHourAngle[c] * k.cosTerm) / 32768 + 32768;
      t = std::clamp(t, 0, kTurn);
      light = k.light[t];
    }
    const uint32_t p = mainRow[c];
    uint32_t r = Red(p), g = Green(p), b = Blue(p);
    if constexpr (kUseOverlay) {
      const uint32_t q = overlayRow[c];
      if constexpr (kOp == kDayNight) {
        const uint32_t dark = 256 - light;
        r = (Red(q) * dark + r * light) >> 8;
        g = (Green(q) * dark + g * light) >> 8;
        b = (Blue(q) * dark + b * light) >> 8;
      } else {
        r = Operate<kOp>(r, Red(q));
        g = Operate<kOp>(g, Green(q));
        b = Operate<kOp>(b, Blue(q));
      }
    } else if constexpr (kOp == kNoOperation) {
      r = g = b = 0;
    }
    if constexpr (kShadow && !(kUseOverlay && kOp == kDayNight)) {
      r = (r * light) >> 8;
      g = (g * light) >> 8;
      b = (b * light) >> 8;
    }
    out[c] = static_cast<Color565>(((r * bright >> 11) & 31) << 11 | ((g * bright >> 10) & 63) << 5 |
                                   ((b * bright >> 11) & 31));
  }
}

using RowFunction = void (*)(const RowContext&, const uint32_t*, const uint32_t*, Color565*);

// The row function of a variant, and whether it reads the overlay rows.
RowFunction ChooseRow(Variant variant, int operation, bool& readsOverlay) {
  readsOverlay = false;
  switch (variant) {
    case Variant::kPlain: return ComposeRow<kUnion, false, false>;
    case Variant::kShadow: return ComposeRow<kUnion, true, false>;
    case Variant::kOverlay:
      if (operation == kDayNight) return ComposeRow<kDayNight, false, false>;
      if (operation < kUnion || operation > kDayNight) return ComposeRow<kNoOperation, false, false>;
      readsOverlay = true;
      switch (operation) {
        case kUnion: return ComposeRow<kUnion, false, true>;
        case kIntersection: return ComposeRow<kIntersection, false, true>;
        case kExclusion: return ComposeRow<kExclusion, false, true>;
        case kMerge: return ComposeRow<kMerge, false, true>;
        default: return ComposeRow<kOverlay, false, true>;
      }
    case Variant::kShadowOverlay:
      if (operation < kUnion || operation > kDayNight) return ComposeRow<kNoOperation, false, false>;
      readsOverlay = true;
      switch (operation) {
        case kUnion: return ComposeRow<kUnion, true, true>;
        case kIntersection: return ComposeRow<kIntersection, true, true>;
        case kExclusion: return ComposeRow<kExclusion, true, true>;
        case kMerge: return ComposeRow<kMerge, true, true>;
        case kOverlay: return ComposeRow<kOverlay, true, true>;
        default: return ComposeRow<kDayNight, true, true>;
      }
  }
  return ComposeRow<kNoOperation, false, false>;
}

// The last row in file order that holds a demanded display row; -1 when none does.
int32_t LastDemandedRow(const TexelDemand& demand, int32_t height, bool interlaced) {
  for (int32_t i = height - 1; i >= 0; --i) {
    if (demand.rows[static_cast<size_t>(DisplayRow(i, height, interlaced))] != 0) return i;
  }
  return -1;
}

// The demanded blocks of one row, composed run by run.
void ComposeDemandedRow(RowFunction composeRow, const RowContext& k, uint64_t blocks, int32_t blockWidth,
                        const uint32_t* mainRow, const uint32_t* overlayRow, Color565* out) {
  while (blocks != 0) {
    const int first = std::countr_zero(blocks);
    const int count = std::countr_one(blocks >> first);
    const int32_t c0 = first * blockWidth;
    const int32_t c1 = std::min(k.width, (first + count) * blockWidth);
    RowContext run = k;
    run.width = c1 - c0;
    run.cosHourAngle = k.cosHourAngle + c0;
    composeRow(run, mainRow + c0, overlayRow + c0, out + c0);
    const int end = first + count;
    blocks = end >= 64 ? 0 : blocks >> end << end;
  }
}

bool IsInterlaced(const ImageObject& image) {
  return image.rowDecoder && image.rowDecoder->info().interlaced;
}

// Closes the map rows whatever happens to the composition.
struct RowsGuard {
  TextureMaps& maps;
  ~RowsGuard() {
    CloseRows(maps.mainMap);
    CloseRows(maps.overlayMap);
  }
};

// Whether the file mapped for row reading still has the checked size: the rows are
// decoded into buffers of that width, and the file may have been replaced meanwhile.
bool MappedSizeIs(const ImageObject& image, int32_t width, int32_t height) {
  GifDecoder decoder;
  if (decoder.ReadHeader(image.file.bytes()) != GifError::kNone) return false;
  return decoder.info().width == width && decoder.info().height == height;
}

// Reads the header of `path`: the dimensions, or false.
bool ReadMapHeader(const std::filesystem::path& path, int32_t& width, int32_t& height) {
  ImageObject probe = MakeFileImage(path.string());
  if (!Load(probe, nullptr, kLoadHeader)) return false;
  width = probe.width;
  height = probe.height;
  return true;
}

int Compose(Globe& globe, const TextureSource& source, Variant variant, const TextureProgress* progress) {
  static const Settings kDefaults;
  const Settings& settings = source.settings ? *source.settings : kDefaults;
  const uint32_t bright = static_cast<uint32_t>(std::clamp(settings.textureBrightness, 0, 100) * 256 / 100);
  const bool withOverlay = variant == Variant::kOverlay || variant == Variant::kShadowOverlay;
  int32_t width = 0, height = 0;
  if (const int found = FindMaps(globe.maps, source.mainPath, source.overlayPath, withOverlay, width, height);
      found != kTextureOk) {
    return found;
  }

  // The old picture goes first, so that a large map never needs two textures at once.
  globe.texture = ComposedTexture{};
  globe.view.textureHeight = 0;
  const size_t texels = static_cast<size_t>(width) * static_cast<size_t>(height);
  std::unique_ptr<Color565[]> pixels(new (std::nothrow) Color565[texels]);
  std::unique_ptr<uint32_t[]> mainRow(new (std::nothrow) uint32_t[static_cast<size_t>(width)]);
  std::unique_ptr<uint32_t[]> overlayRow(new (std::nothrow) uint32_t[static_cast<size_t>(width)]);
  std::unique_ptr<int32_t[]> cosHourAngle(new (std::nothrow) int32_t[static_cast<size_t>(width)]);
  std::unique_ptr<uint16_t[]> light(new (std::nothrow) uint16_t[kTurn + 1]);
  if (!pixels || !mainRow || !overlayRow || !cosHourAngle || !light) return kTextureOutOfMemory;

  bool readsOverlay = false;
  const RowFunction composeRow = ChooseRow(variant, settings.overlayOperation, readsOverlay);
  RowsGuard guard{globe.maps};
  if (!OpenRows(globe.maps.mainMap) || (readsOverlay && !OpenRows(globe.maps.overlayMap)) ||
      !MappedSizeIs(globe.maps.mainMap, width, height) ||
      (readsOverlay && !MappedSizeIs(globe.maps.overlayMap, width, height))) {
    return kTextureInvalidMaps;
  }

  int32_t sinDecl = 0, cosDecl = 0;
  const int32_t hourAngle = SunForShading(globe, source.utc, sinDecl, cosDecl);
  const bool shaded = variant == Variant::kShadow || variant == Variant::kShadowOverlay;
  if (shaded) {
    const bool dayNight = variant == Variant::kShadowOverlay && settings.overlayOperation == kDayNight;
    const int night = dayNight ? 0 : (100 - std::clamp(settings.earthShadowDarkness, 0, 100)) * 128 / 100;
    const int32_t halfWidth = (100 - std::clamp(settings.earthShadowSpecularity, 0, 100)) * 16256 / 100 + 128;
    BuildLightTable(light.get(), night, halfWidth, TwilightDepth(settings.twilightType));
    for (int32_t c = 0; c < width; ++c) {
      const int32_t lambda = static_cast<int32_t>((int64_t{c} - width / 2) * kTurn / width);
      cosHourAngle[c] = CosLookup(WrapInto65536(hourAngle + lambda));
    }
  }

  TexelDemand demand;
  const bool partial = static_cast<bool>(source.demand);
  if (partial) {
    demand.Reset(width, height);
    source.demand(demand);
  }
  int32_t lastRow = height - 1;  // in file order

  RowContext k;
  k.width = width;
  k.cosHourAngle = cosHourAngle.get();
  k.light = light.get();
  k.bright = bright;
  bool mainInterlaced = false;
  int next = 0;
  for (int32_t i = 0; i <= lastRow; ++i) {
    if (!ReadRow(globe.maps.mainMap, mainRow.get())) return kTextureInvalidMaps;
    if (readsOverlay && !ReadRow(globe.maps.overlayMap, overlayRow.get())) return kTextureInvalidMaps;
    if (i == 0) {
      // Rows arrive in file order; both maps must share it to be joined row by row.
      mainInterlaced = IsInterlaced(globe.maps.mainMap);
      if (readsOverlay && IsInterlaced(globe.maps.overlayMap) != mainInterlaced) return kTextureInvalidMaps;
      if (partial) lastRow = LastDemandedRow(demand, height, mainInterlaced);
    }
    const int32_t r = DisplayRow(i, height, mainInterlaced);
    const uint64_t blocks = partial ? demand.rows[static_cast<size_t>(r)] : 0;
    if (partial && blocks == 0) continue;
    if (shaded) {
      int32_t phi = static_cast<int32_t>((int64_t{height / 2} - r) * 32768 / height);
      if (phi < 0) phi += kTurn;
      k.sinTerm = SinLookup(phi) * sinDecl / 32768;
      k.cosTerm = CosLookup(phi) * cosDecl / 32768;
    }
    Color565* out = pixels.get() + static_cast<size_t>(r) * static_cast<size_t>(width);
    if (partial) {
      ComposeDemandedRow(composeRow, k, blocks, demand.blockWidth, mainRow.get(), overlayRow.get(), out);
    } else {
      composeRow(k, mainRow.get(), overlayRow.get(), out);
    }
    if (progress && *progress) {
      const int pct = static_cast<int>(int64_t{i} * 100 / height);
      if (pct >= next) {
        (*progress)(next);
        next += kProgressStep;
      }
    }
  }

  globe.texture.pixels = std::move(pixels);
  globe.texture.width = width;
  globe.texture.height = height;
  globe.view.textureHeight = height;
  return kTextureOk;
}

Variant ChooseVariant(const Settings& settings) {
  const bool shadow = settings.showDayAndNight;
  const bool overlay = settings.useOverlayMap;
  if (shadow) return overlay ? Variant::kShadowOverlay : Variant::kShadow;
  return overlay ? Variant::kOverlay : Variant::kPlain;
}

}  // namespace

TextureSource MakeTextureSource(const Settings& settings, const std::filesystem::path& dataDir,
                                const platform::SystemTime& utc) {
  TextureSource source;
  source.settings = &settings;
  source.mainPath = dataDir / "maps" / settings.mainMapFile;
  source.overlayPath = dataDir / "maps" / settings.overlayMapFile;
  source.utc = utc;
  return source;
}

int FindMaps(TextureMaps& maps, const std::filesystem::path& mainPath,
             const std::filesystem::path& overlayPath, bool withOverlay, int32_t& width,
             int32_t& height) {
  int32_t w = 0, h = 0;
  if (!ReadMapHeader(mainPath, w, h)) return kTextureInvalidMaps;
  if (w <= 0 || w != 2 * h || h > kMaxMapHeight) return kTextureInvalidMaps;
  if (withOverlay) {
    int32_t ow = 0, oh = 0;
    if (!ReadMapHeader(overlayPath, ow, oh) || ow != w || oh != h) return kTextureInvalidMaps;
    CloseRows(maps.overlayMap);
    maps.overlayMap = MakeFileImage(overlayPath.string());
    maps.overlayMap.bytesPerPixel = 4;
    maps.overlayMap.width = ow;
    maps.overlayMap.height = oh;
  }
  CloseRows(maps.mainMap);
  maps.mainMap = MakeFileImage(mainPath.string());
  maps.mainMap.bytesPerPixel = 4;
  maps.mainMap.width = w;
  maps.mainMap.height = h;
  width = w;
  height = h;
  return kTextureOk;
}

int ComposePlain(Globe& globe, const TextureSource& source, const TextureProgress* progress) {
  return Compose(globe, source, Variant::kPlain, progress);
}
int ComposeShadow(Globe& globe, const TextureSource& source, const TextureProgress* progress) {
  return Compose(globe, source, Variant::kShadow, progress);
}
int ComposeOverlay(Globe& globe, const TextureSource& source, const TextureProgress* progress) {
  return Compose(globe, source, Variant::kOverlay, progress);
}
int ComposeShadowOverlay(Globe& globe, const TextureSource& source, const TextureProgress* progress) {
  return Compose(globe, source, Variant::kShadowOverlay, progress);
}

int RebuildTexture(Globe& globe, const TextureSource& source, const TextureUi& ui, bool showProgress) {
  static const Settings kDefaults;
  const Settings& settings = source.settings ? *source.settings : kDefaults;
  const TextureProgress* progress = showProgress && ui.progress ? &ui.progress : nullptr;
  const Variant variant = ChooseVariant(settings);
  const std::string previousMain = globe.maps.mainMap.fileName;
  const std::string previousOverlay = globe.maps.overlayMap.fileName;

  int status = Compose(globe, source, variant, progress);
  globe.view.redrawRequested = true;
  if (status == kTextureInvalidMaps && globe.texture.empty() && !previousMain.empty()) {
    // The new maps passed the header check but could not be read to the end: go back to
    // the previous set so the user keeps a picture.
    TextureSource previous = source;
    previous.mainPath = previousMain;
    previous.overlayPath = previousOverlay;
    if (Compose(globe, previous, variant, progress) == kTextureOutOfMemory) status = kTextureOutOfMemory;
  }
  if (status == kTextureInvalidMaps) {
    const bool none = globe.texture.empty();
    if (ui.showMessage) ui.showMessage(none ? kNoTextureMessage : kKeepMapsMessage, kErrorCaption, none);
    status = kTextureOk;
  }
  if (!globe.texture.empty()) SetPlanarHeight(globe.view, globe.view.planarHeight);
  return status;
}

int32_t SunForShading(Globe& globe, const platform::SystemTime& utc, int32_t& sinDecl, int32_t& cosDecl) {
  RefreshSkyPositions(globe.sky, utc, [&globe](double phase) { ShadeMoonImage(globe.moon, phase); });
  const int32_t hourAngle = static_cast<int32_t>(globe.sky.sun.greenwichHourAngle * kUnitsPerDegree);
  int32_t declination = static_cast<int32_t>(globe.sky.sun.declination * kUnitsPerDegree);
  if (declination < 0) declination += kTurn;
  sinDecl = SinLookup(declination);
  cosDecl = CosLookup(declination);
  return hourAngle;
}

}  // namespace orx
