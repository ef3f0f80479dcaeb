// Feeds arbitrary bytes to the route reader as a route file beside a small picture, then
// draws what loaded over a sphere: coordinates stay in range, labels stay owned, and
// pictures with any offset are drawn or left out, never written outside the frame.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <span>
#include <string>

#include "platform/files.h"
#include "globe/view.h"
#include "routes/route.h"
#include "settings/settings.h"

namespace {

// A 9 x 7 GIF, green with one magenta (transparent) corner pixel.
constexpr uint8_t kPicture[] = {
    0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x09, 0x00, 0x07, 0x00, 0x80, 0x00, 0x00, 0xFF, 0x00, 0xFF,
    0x00, 0xC8, 0x00, 0x2C, 0x00, 0x00, 0x00, 0x00, 0x09, 0x00, 0x07, 0x00, 0x00, 0x02, 0x07, 0x44,
    0x8E, 0xA9, 0xCB, 0xED, 0xCF, 0x0A, 0x00, 0x3B};

struct Fixture {
  std::filesystem::path folder;
  orx::ViewState view;
  orx::Settings settings;
  orx::Font font;
  orx::ImageObject strip;
  orx::PlaceDrawHooks hooks;
  orx::FrameBuffer frame;

  Fixture() {
    folder = std::filesystem::temp_directory_path() / ("fuzz_routes_" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    orx::platform::WriteFileAtomic(folder / "p.gif", std::span<const uint8_t>(kPicture));
    orx::BuildTrigTables();
    view.globeRadius = 150;
    view.textureHeight = 512;
    orx::BuildColumnTables(view);
    orx::CenterOn(view, 0.3, 0.5);
    orx::LoadFont(font, 1);
    strip = orx::MakeResourceImage(orx::kMarkerStripResource);
    orx::Load(strip, nullptr, orx::kLoadWhole);
    orx::AddRoutePlaceHooks(hooks, font);
    frame.width = orx::kViewWidth;
    frame.height = orx::kViewHeight;
    frame.pixels.reset(new orx::Color565[orx::kViewWidth * orx::kViewHeight]());
  }
  ~Fixture() {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Fixture f;
  orx::Route route;
  const orx::RouteLoadResult r = orx::ParseRoute(route, {data, size}, f.folder);
  if (!r.ok() && (r.message.empty() || !route.places.empty())) std::abort();
  for (const auto& place : route.places) {
    if (place->latitude < -5400 || place->latitude > 5400) std::abort();
    if (place->longitude < -10800 || place->longitude > 10800) std::abort();
    if (place->name != place->label().c_str()) std::abort();
  }
  const orx::OverlayContext o{f.frame, f.view, f.settings, &f.strip, &f.font, &f.hooks};
  orx::DrawRoute(o, route);
  return 0;
}
