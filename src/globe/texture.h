// The composed texture: the day map, the optional overlay map (night lights, clouds)
// joined by one of six operations, the earth shadow with a soft or banded terminator,
// and the brightness, composed row by row from the two GIF map files so that only one
// decoded row of each map is ever held.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "globe/globe.h"
#include "platform/clock.h"

namespace orx {

struct Settings;

// Status codes of the composition (shared with start-up).
inline constexpr int kTextureOk = 0;
inline constexpr int kTextureOutOfMemory = -2;
inline constexpr int kTextureInvalidMaps = -5;

// Largest map accepted: 16384 x 8192 (a 256 MiB texture); larger headers are refused.
inline constexpr int32_t kMaxMapHeight = 8192;

inline constexpr char kNoTextureMessage[] =
    "The texture map files currently selected are either incompatible or of invalid dimensions.\n"
    "Please choose a different set of map files from the options dialog.";
inline constexpr char kKeepMapsMessage[] =
    "The texture map files you have selected are either incompatible or of invalid dimensions.\n"
    "The program will continue to work with your current set.";
inline constexpr char kErrorCaption[] = "Error";

// Overlay operations ("Overlay Operation").
enum OverlayOperation { kUnion = 0, kIntersection = 1, kExclusion = 2, kMerge = 3, kOverlay = 4, kDayNight = 5 };

// Progress of a composition: called with 0, 14, 28, ..., 98 (at most 8 times); the
// callee draws the bar (x 80, y 155, 80 x 14, inside a black frame at 79, 154, 82 x 16
// that it fills on the first call) and presents the frame.
using TextureProgress = std::function<void(int value)>;

// How a rebuild talks to the user; both may be left empty.
struct TextureUi {
  TextureProgress progress;
  // A map-file message with an OK button; `openOptions`: closing it opens the Options
  // dialog (there is no texture), else closing it only repaints.
  std::function<void(const char* text, const char* caption, bool openOptions)> showMessage;
};

// What a composition reads besides the globe.
struct TextureSource {
  const Settings* settings = nullptr;
  std::filesystem::path mainPath;     // the main map file
  std::filesystem::path overlayPath;  // the overlay map file
  platform::SystemTime utc;           // the instant of the earth shadow
  // When set, it is handed a demand of the map's size to mark what one picture reads;
  // only those texels are composed (the rest of the texture is left undefined) and the
  // maps are decoded only as far as the last row marked.
  std::function<void(TexelDemand& demand)> demand;
};

// The source for the settings' map files in dataDir/maps at `utc`.
TextureSource MakeTextureSource(const Settings& settings, const std::filesystem::path& dataDir,
                                const platform::SystemTime& utc);

// Checks the map headers (W > 0, W = 2H, H <= kMaxMapHeight; with the overlay, the same
// size) and, when they pass, points the map images at the files. 0 or -5; on -5 the
// images keep the previous maps.
int FindMaps(TextureMaps& maps, const std::filesystem::path& mainPath,
             const std::filesystem::path& overlayPath, bool withOverlay, int32_t& width,
             int32_t& height);

// Composes the texture for the settings (shadow and overlay choose the variant) and
// re-applies the stored flat-map height. 0 also after a reported map-file problem (the
// previous maps and picture stay in use); -2 when memory ran out (texture null).
int RebuildTexture(Globe& globe, const TextureSource& source, const TextureUi& ui, bool showProgress);

// The four variants: 0, -2 (texture null) or -5 (maps refused or unreadable; when the
// check passed but reading failed, the texture is null).
int ComposePlain(Globe& globe, const TextureSource& source, const TextureProgress* progress);
int ComposeShadow(Globe& globe, const TextureSource& source, const TextureProgress* progress);
int ComposeOverlay(Globe& globe, const TextureSource& source, const TextureProgress* progress);
int ComposeShadowOverlay(Globe& globe, const TextureSource& source, const TextureProgress* progress);

// Refreshes the Sun and Moon for `utc` (re-shading the Moon picture) and returns the
// Sun's Greenwich hour angle in units, with sin and cos (Q15) of its declination.
int32_t SunForShading(Globe& globe, const platform::SystemTime& utc, int32_t& sinDecl, int32_t& cosDecl);

}  // namespace orx
