// Drawing routes over the globe: legs, markers, pictures and word-wrapped labels.
#include <algorithm>

#include "gfx/draw.h"
#include "routes/route.h"
#include "ui/dialogs.h"
#include "ui/widget.h"

namespace orx {

void DrawRoute(const OverlayContext& o, const Route& route) {
  const RoutePlace* previous = nullptr;
  for (const auto& place : route.places) {
    if (previous) {
      DrawGreatCircle(o, previous->latitude * kRadiansPerMinute, previous->longitude * kRadiansPerMinute,
                      place->latitude * kRadiansPerMinute, place->longitude * kRadiansPerMinute, route.color,
                      route.lineStyle, nullptr);
    }
    DrawPlace(o, *place, route.color);
    previous = place.get();
  }
}

void SetRouteLayer(const RouteList& routes, SceneLayers& layers) {
  layers.routes = [&routes](const OverlayContext& o) {
    for (const auto& route : routes) DrawRoute(o, *route);
  };
}

void AddRoutePlaceHooks(PlaceDrawHooks& hooks, const Font& font) {
  hooks.routeImage = [](const Place& place, int& offsetX, int& offsetY) -> const ImageObject* {
    const auto* routePlace = dynamic_cast<const RoutePlace*>(&place);
    if (!routePlace || !routePlace->image()) return nullptr;
    offsetX = routePlace->offsetX;
    offsetY = routePlace->offsetY;
    return routePlace->image();
  };
  hooks.drawTextBlock = [&font](FrameBuffer& frame, const char* text, int x, int y, int width, int height,
                                Color565 color, bool darken) {
    UiContext ui;
    ui.frame = &frame;
    ui.font = &font;
    TextBlock block(ui);
    block.SetText(text, x, y, width, height, true, false);
    block.colour = color;
    if (darken && !block.lines.empty()) {
      int textWidth = 0;
      for (const std::string& line : block.lines) textWidth = std::max(textWidth, TextWidth(font, line.c_str()));
      const int textHeight = static_cast<int>(block.lines.size()) * ui.LineHeight();
      FillRect(frame, block.x - 1, block.y - 1, textWidth + 2, textHeight + 2, kBlack, kFillDarken);
    }
    block.Draw();
  };
}

}  // namespace orx
