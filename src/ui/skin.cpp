#include "ui/skin.h"

#include <algorithm>

#include "gfx/draw.h"

namespace orx {
namespace {

Color565 PixelOf(const ImageObject& image, Point at) {
  return image.pixels16()[static_cast<size_t>(at.y) * image.width + at.x];
}

}  // namespace

bool LoadSkin(Skin& skin, const std::filesystem::path& dataDir, const std::string& fileName) {
  if (fileName.empty()) return false;
  ImageObject image = MakeFileImage((dataDir / "skins" / fileName).string());
  if (!Load(image, nullptr, kLoadWhole) || !image.pixels16() || image.bytesPerPixel != 2) return false;
  if (image.width < kSkinMinWidth || image.height < kSkinMinHeight) return false;

  skin.highlight = PixelOf(image, skin_pixel::kHighlight);
  skin.text = kBlack;
  skin.fieldBackground = PixelOf(image, skin_pixel::kFieldBackground);
  skin.frame = PixelOf(image, skin_pixel::kFrame);
  skin.panel = PixelOf(image, skin_pixel::kPanel);
  skin.page = PixelOf(image, skin_pixel::kPage);
  skin.fieldBorder = PixelOf(image, skin_pixel::kFieldBorder);
  Destroy(skin.image);
  skin.image = std::move(image);
  skin.fileName = fileName;
  return true;
}

void DrawSkinPiece(const UiContext& ui, const SkinRect& piece, int x, int y, int width) {
  const int w = width >= 0 ? std::min(width, piece.w) : piece.w;
  if (w <= 0) return;
  CopyRect(*ui.frame, ViewOf(ui.skin->image), x, y, piece.x, piece.y, w, piece.h);
}

void DrawSkinColumns(const UiContext& ui, const SkinRect& piece, int x, int y, int columns) {
  const PixelView view = ViewOf(ui.skin->image);
  // Columns left of the frame cost nothing; stop at its right edge.
  const int end = std::min(x + columns, ui.frame->width);
  for (int i = std::max(x, -1); i < end; ++i) CopyRect(*ui.frame, view, i, y, piece.x, piece.y, 1, piece.h);
}

void DrawSkinRows(const UiContext& ui, const SkinRect& piece, int x, int y, int rows) {
  const PixelView view = ViewOf(ui.skin->image);
  const int end = std::min(y + rows, ui.frame->height);
  for (int i = std::max(y, -1); i < end; ++i) CopyRect(*ui.frame, view, x, i, piece.x, piece.y, piece.w, 1);
}

}  // namespace orx
