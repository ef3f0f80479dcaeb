#include "routes/route.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <set>

#include "platform/files.h"
#include "platform/text_encoding.h"
#include "platform/xml.h"

namespace orx {
namespace {

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (std::tolower(x) != std::tolower(y)) return false;
  }
  return true;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string_view SkipLeadingBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\n' || s.front() == '\r')) {
    s.remove_prefix(1);
  }
  return s;
}

// The leading number of `text` the way a C number reader takes it (blanks, an optional
// sign, as many digits as form a number); 0 when there is none.
double ReadDouble(std::string_view text) {
  text = SkipLeadingBlanks(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double value = 0;
  const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
  if (r.ec != std::errc() || !std::isfinite(value)) return 0;
  return value;
}

int ReadInt(std::string_view text, int limit) {
  const double value = ReadDouble(text);
  return static_cast<int>(std::clamp(std::trunc(value), -static_cast<double>(limit), static_cast<double>(limit)));
}

// Degrees to whole arc-minutes: latitudes beyond a pole stop at the pole, longitudes
// are brought into -180..180 degrees so that the 16-bit field always holds them.
int16_t LatitudeMinutes(double degrees) {
  return static_cast<int16_t>(std::clamp(std::trunc(degrees * 60), -5400.0, 5400.0));
}
int16_t LongitudeMinutes(double degrees) {
  double minutes = std::trunc(degrees * 60);
  if (minutes > 10800 || minutes < -10800) {
    minutes = std::fmod(minutes, 21600.0);
    if (minutes > 10800) minutes -= 21600;
    if (minutes < -10800) minutes += 21600;
  }
  return static_cast<int16_t>(minutes);
}

std::string Trimmed(std::string_view s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return std::string(s);
}

// A name that stays inside its folder: relative, with no ".." part.
bool IsContainedName(const std::string& name) {
  if (name.empty()) return false;
  const std::filesystem::path p(name);
  if (p.is_absolute() || p.has_root_path()) return false;
  for (const auto& part : p) {
    if (part == "..") return false;
  }
  return true;
}

RouteLoadResult Failure(RouteLoadStatus status, std::string message) { return {status, std::move(message)}; }

}  // namespace

// ---------------------------------------------------------------------------------------
// RoutePlace

RoutePlace::RoutePlace(std::string_view label) : label_(label) {
  displayMask = kPlaceShowLabel | kPlaceShowMarker;
  flags = kPlaceRouteMark;
  name = label_.c_str();
}

RoutePlace::~RoutePlace() {
  if (image_) Destroy(*image_);
}

bool RoutePlace::AttachImage(const std::filesystem::path& folder, const std::string& fileName) {
  if (!IsContainedName(fileName)) return false;
  auto image = std::make_unique<ImageObject>(MakeFileImage((folder / fileName).string()));
  if (!Load(*image, nullptr, kLoadHeader) || image->width <= 0 || image->height <= 0 ||
      image->width > kMaxRouteImageSide || image->height > kMaxRouteImageSide ||
      !Load(*image, nullptr, kLoadWhole)) {
    Destroy(*image);
    return false;
  }
  AttachLoadedImage(std::move(image));
  return true;
}

void RoutePlace::AttachLoadedImage(std::unique_ptr<ImageObject> image) {
  offsetX = -(image->width / 2);
  offsetY = -(image->height / 2);
  displayMask &= ~kPlaceShowMarker;
  if (image_) Destroy(*image_);
  image_ = std::move(image);
}

// ---------------------------------------------------------------------------------------
// Attributes

void ParseRouteColor(Route& route, std::string_view text) {
  static constexpr struct {
    const char* name;
    Color565 color;
  } kNames[] = {{"white", 0xFFFF}, {"black", 0x0000}, {"blue", 0x001F},   {"brown", 0xA145},
                {"cyan", 0x07FF},  {"green", 0x07E0}, {"red", 0xF800},    {"yellow", 0xFFE0},
                {"silver", 0xC618}, {"gold", 0xFEA0}};
  for (const auto& entry : kNames) {
    if (EqualsNoCase(text, entry.name)) {
      route.color = entry.color;
      return;
    }
  }
  route.color = 0xFFFF;
  if (text.size() < 2 || text[0] != '#' || HexDigit(text[1]) < 0) return;
  // The leading hex digits as 0xRRGGBB; only the last six count when there are more.
  uint32_t rgb = 0;
  for (size_t i = 1; i < text.size() && HexDigit(text[i]) >= 0; ++i) {
    rgb = ((rgb << 4) | static_cast<uint32_t>(HexDigit(text[i]))) & 0xFFFFFF;
  }
  const uint32_t r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
  route.color = static_cast<Color565>((r & 0xF8) << 8 | (g & 0xFC) << 3 | b >> 3);
}

void ParseRouteLineStyle(Route& route, std::string_view text) {
  if (EqualsNoCase(text, "solid")) route.lineStyle = kRouteLineSolid;
  else if (EqualsNoCase(text, "dot")) route.lineStyle = kRouteLineDotted;
  else if (EqualsNoCase(text, "dash")) route.lineStyle = kRouteLineDashed;
  else if (EqualsNoCase(text, "none")) route.lineStyle = kRouteLineNone;
}

// ---------------------------------------------------------------------------------------
// Loading

RouteLoadResult ParseRoute(Route& route, std::span<const uint8_t> bytes, const std::filesystem::path& folder) {
  route.places.clear();
  route.folder = folder;
  platform::XmlDocument doc;
  const platform::XmlParseResult parsed = platform::ParseXml(bytes, doc);
  const std::optional<platform::XmlElement> root = doc.Root();
  if (!parsed.ok || !root) return Failure(RouteLoadStatus::kNotXml, "not an XML file: " + parsed.message);
  if (!root->HasChildNodes()) return {};

  const std::string* color = root->Attribute("color");
  if (!color) return Failure(RouteLoadStatus::kNoColor, "the document element has no \"color\" attribute");
  ParseRouteColor(route, *color);
  if (const std::string* line = root->Attribute("line")) ParseRouteLineStyle(route, *line);

  for (const platform::XmlElement& child : root->ChildElements()) {
    if (child.name() != "point") continue;
    auto place = std::make_unique<RoutePlace>(platform::Utf8ToCp1252(Trimmed(child.Text())));
    if (const std::string* lat = child.Attribute("lat")) place->latitude = LatitudeMinutes(ReadDouble(*lat));
    if (const std::string* lon = child.Attribute("lon")) place->longitude = LongitudeMinutes(ReadDouble(*lon));
    const std::string* img = child.Attribute("img");
    if (img && place->AttachImage(folder, *img)) {
      if (const std::string* x = child.Attribute("imgx")) place->offsetX = ReadInt(*x, kMaxRouteImageOffset);
      if (const std::string* y = child.Attribute("imgy")) place->offsetY = ReadInt(*y, kMaxRouteImageOffset);
    }
    // Without a picture or a label the point only bends the line.
    if (!img && place->label().empty()) place->displayMask = 0;
    route.places.push_back(std::move(place));
  }
  return {};
}

RouteLoadResult LoadRouteFile(Route& route, const std::string& fileName, const std::filesystem::path& folder) {
  DestroyRoute(route);
  route.folder = folder;
  if (!IsContainedName(fileName)) {
    return Failure(RouteLoadStatus::kBadName, "\"" + fileName + "\" is not a file name inside the routes folder");
  }
  const std::filesystem::path path = folder / fileName;
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  if (!ec && size > kMaxRouteFileBytes) {
    return Failure(RouteLoadStatus::kTooLarge, path.string() + ": larger than a route file can be");
  }
  const std::optional<std::vector<uint8_t>> bytes = platform::ReadWholeFile(path);
  if (!bytes) return Failure(RouteLoadStatus::kNotFound, path.string() + ": cannot be read");
  if (bytes->size() > kMaxRouteFileBytes) {
    return Failure(RouteLoadStatus::kTooLarge, path.string() + ": larger than a route file can be");
  }
  RouteLoadResult result = ParseRoute(route, *bytes, folder);
  if (!result.ok()) {
    result.message = path.string() + ": " + result.message;
    route.places.clear();
    return result;
  }
  route.fileName = fileName;
  return result;
}

void DestroyRoute(Route& route) {
  route.places.clear();
  route.fileName.clear();
}

// ---------------------------------------------------------------------------------------
// Folders and the route list

RouteFolders MakeRouteFolders(const std::filesystem::path& dataDir, const std::filesystem::path& userDataDir) {
  RouteFolders folders;
  if (!dataDir.empty()) folders.bundled = dataDir / "routes";
  if (!userDataDir.empty()) folders.user = userDataDir / "routes";
  return folders;
}

std::vector<std::string> ListRouteFiles(const RouteFolders& folders) {
  std::set<std::string> names;
  for (const std::filesystem::path* dir : {&folders.bundled, &folders.user}) {
    if (dir->empty()) continue;
    for (std::string& name : platform::ListFiles(*dir, ".xml")) names.insert(std::move(name));
  }
  return {names.begin(), names.end()};
}

RouteLoadResult LoadRouteByName(Route& route, const RouteFolders& folders, const std::string& name) {
  std::error_code ec;
  if (!folders.user.empty() && IsContainedName(name) && std::filesystem::is_regular_file(folders.user / name, ec)) {
    return LoadRouteFile(route, name, folders.user);
  }
  return LoadRouteFile(route, name, folders.bundled);
}

bool AddRoute(RouteList& routes, const RouteFolders& folders, const std::string& name, RouteLoadResult* result) {
  auto route = std::make_unique<Route>();
  RouteLoadResult r = LoadRouteByName(*route, folders, name);
  const bool ok = r.ok();
  if (ok) routes.push_back(std::move(route));
  if (result) *result = std::move(r);
  return ok;
}

int ApplyRouteSelection(RouteList& routes, const RouteFolders& folders, const std::vector<std::string>& selected) {
  const auto isSelected = [&selected](const std::string& name) {
    return std::find(selected.begin(), selected.end(), name) != selected.end();
  };
  std::erase_if(routes, [&](const std::unique_ptr<Route>& r) { return !isSelected(r->fileName); });
  int failures = 0;
  for (const std::string& name : selected) {
    const bool loaded = std::any_of(routes.begin(), routes.end(),
                                    [&name](const std::unique_ptr<Route>& r) { return r->fileName == name; });
    if (!loaded && !AddRoute(routes, folders, name)) ++failures;
  }
  return failures;
}

std::function<bool(const std::string& name)> RouteLoadHook(RouteList& routes, RouteFolders folders) {
  return [&routes, folders = std::move(folders)](const std::string& name) { return AddRoute(routes, folders, name); };
}

std::vector<std::string> RouteNames(const RouteList& routes) {
  std::vector<std::string> names;
  names.reserve(routes.size());
  for (const auto& r : routes) names.push_back(r->fileName);
  return names;
}

}  // namespace orx
