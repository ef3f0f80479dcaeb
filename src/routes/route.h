// Routes and place files: an XML file of points drawn joined by great-circle legs in one
// colour and line style, each point with an optional label and picture; the route list
// that start-up restores and the Routes page changes; the layer that draws it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cities/place.h"
#include "gfx/color.h"
#include "gfx/font.h"
#include "gfx/image.h"
#include "globe/overlay.h"
#include "globe/render.h"

namespace orx {

// Line styles of a route: the dash handed to the great-circle drawing.
inline constexpr int32_t kRouteLineSolid = 0;
inline constexpr int32_t kRouteLineDotted = 1;
inline constexpr int32_t kRouteLineDashed = 4;
inline constexpr int32_t kRouteLineNone = -1;  // only the points

// Shown once when the Routes page's selection cannot be loaded whole (caption "Error").
inline constexpr char kRouteSelectionFailedMessage[] = "One or more routes could not be constructed.";

// Larger route files and pictures are refused rather than read.
inline constexpr size_t kMaxRouteFileBytes = 4u << 20;
inline constexpr int kMaxRouteImageSide = 1024;  // pixels
// Picture offsets are clamped to this many pixels either way.
inline constexpr int kMaxRouteImageOffset = 4096;

// A point of a route or a weather place: a Place that owns its label (Windows-1252) and
// an optional picture drawn at the point plus (offsetX, offsetY) pixels.
class RoutePlace : public Place {
 public:
  // Display mask 3, flags bit 4 (a route place), `name` pointing at the owned label.
  explicit RoutePlace(std::string_view label);
  ~RoutePlace() override;
  RoutePlace(const RoutePlace&) = delete;
  RoutePlace& operator=(const RoutePlace&) = delete;

  // Loads the GIF `fileName` from `folder` whole. On success the picture is centred on
  // the point and the marker bit is cleared; on failure nothing changes.
  bool AttachImage(const std::filesystem::path& folder, const std::string& fileName);
  // Attaches a picture already loaded whole, centred on the point, without the marker.
  void AttachLoadedImage(std::unique_ptr<ImageObject> image);
  const std::string& label() const { return label_; }
  const ImageObject* image() const { return image_.get(); }

  int32_t offsetX = 0;  // pixels from the point to the picture's left edge
  int32_t offsetY = 0;  // pixels from the point to the picture's top edge

 private:
  std::string label_;
  std::unique_ptr<ImageObject> image_;
};

struct Route {
  std::vector<std::unique_ptr<RoutePlace>> places;  // file order
  int32_t lineStyle = kRouteLineSolid;
  Color565 color = 0xFFFF;
  std::string fileName;          // relative to its folder; set by a successful load
  std::filesystem::path folder;  // the folder the file was read from
};

enum class RouteLoadStatus {
  kOk,
  kBadName,    // empty, absolute, or leaving the routes folder
  kNotFound,   // no such file in either routes folder, or it cannot be read
  kTooLarge,   // more than kMaxRouteFileBytes
  kNotXml,     // the XML parser refused the text
  kNoColor,    // points given but the document element has no "color"
};

struct RouteLoadResult {
  RouteLoadStatus status = RouteLoadStatus::kOk;
  std::string message;  // what went wrong, naming the file; empty when ok
  bool ok() const { return status == RouteLoadStatus::kOk; }
};

// "color": a colour name or "#RRGGBB" (without regard to case); anything else is white.
void ParseRouteColor(Route& route, std::string_view text);
// "line": "solid", "dot", "dash" or "none" (without regard to case); anything else
// leaves the style as it was.
void ParseRouteLineStyle(Route& route, std::string_view text);

// Reads a route from XML text; pictures come from `folder`. The route's places are
// replaced; on failure it is left empty. Does not set the file name.
RouteLoadResult ParseRoute(Route& route, std::span<const uint8_t> bytes, const std::filesystem::path& folder);
// Reads folder/fileName; on success the route's file name and folder are set.
RouteLoadResult LoadRouteFile(Route& route, const std::string& fileName, const std::filesystem::path& folder);
// Frees every place and the file name.
void DestroyRoute(Route& route);

// The two folders route files come from: the bundled data's routes/ and the user's.
struct RouteFolders {
  std::filesystem::path bundled;
  std::filesystem::path user;
};
RouteFolders MakeRouteFolders(const std::filesystem::path& dataDir, const std::filesystem::path& userDataDir);
// Every *.xml of both folders by name, each name once: what the Routes page lists.
std::vector<std::string> ListRouteFiles(const RouteFolders& folders);
// Loads a route by name, from the user's folder when it has that file, else the bundled one.
RouteLoadResult LoadRouteByName(Route& route, const RouteFolders& folders, const std::string& name);

using RouteList = std::vector<std::unique_ptr<Route>>;

// Loads `name` and appends it to the list; false (the list unchanged) when it fails.
bool AddRoute(RouteList& routes, const RouteFolders& folders, const std::string& name,
              RouteLoadResult* result = nullptr);
// Frees the routes whose names are not selected and loads, in selection order, each
// selected name not yet in the list. Returns the number of names that failed to load; the
// caller then shows kRouteSelectionFailedMessage.
int ApplyRouteSelection(RouteList& routes, const RouteFolders& folders, const std::vector<std::string>& selected);
// A settings hook that restores a stored name at start-up: loads it and appends it to
// `routes`; false (which ends the restoring) when it cannot be loaded.
std::function<bool(const std::string& name)> RouteLoadHook(RouteList& routes, RouteFolders folders);
// The names of the routes in list order (what the settings keep).
std::vector<std::string> RouteNames(const RouteList& routes);

// A route's legs in its colour and line style, then each point's marker, picture and
// label; legs and points interleave in file order.
void DrawRoute(const OverlayContext& o, const Route& route);
// Sets the scene's routes layer to draw every route of the list, which must outlive it.
void SetRouteLayer(const RouteList& routes, SceneLayers& layers);
// Adds the hooks that give route places their pictures and word-wrapped labels (in
// `font`, which must outlive the hooks).
void AddRoutePlaceHooks(PlaceDrawHooks& hooks, const Font& font);

}  // namespace orx
