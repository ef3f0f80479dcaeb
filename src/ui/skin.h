// Skins: one GIF holding the pictures of every control state at fixed places, and the
// seven colours all widgets draw with (six read from fixed pixels of the picture).
// Skin files live in the data directory's skins/ folder.
#pragma once

#include <filesystem>
#include <string>

#include "gfx/color.h"
#include "gfx/image.h"
#include "ui/widget.h"

namespace orx {

// The smallest picture that holds every piece below.
inline constexpr int kSkinMinWidth = 112;
inline constexpr int kSkinMinHeight = 64;

// A rectangle of the skin picture: (x, y) top-left, w x h pixels.
struct SkinRect {
  int x, y, w, h;
};

// Where each piece lies in the skin picture.
namespace skin_piece {
inline constexpr SkinRect kTabJoint{0, 0, 16, 26};            // between two inactive tabs
inline constexpr SkinRect kTabJointAfterActive{0, 26, 16, 26};
inline constexpr SkinRect kTabRowStart{16, 0, 16, 26};         // left end, first page shown
inline constexpr SkinRect kTabRowStartActive{16, 26, 16, 26};
inline constexpr SkinRect kTabBody{32, 0, 22, 26};
inline constexpr SkinRect kTabBodyActive{32, 26, 22, 26};
inline constexpr SkinRect kTabStretch{54, 0, 1, 26};
inline constexpr SkinRect kTabStretchActive{54, 26, 1, 26};
inline constexpr SkinRect kTabJointBeforeActive{55, 0, 16, 26};
inline constexpr SkinRect kButtonLeft{71, 0, 6, 18};
inline constexpr SkinRect kButtonMiddle{77, 0, 1, 18};
inline constexpr SkinRect kButtonRight{78, 0, 6, 18};
inline constexpr SkinRect kButtonPressedLeft{71, 18, 6, 18};
inline constexpr SkinRect kButtonPressedMiddle{77, 18, 1, 18};
inline constexpr SkinRect kButtonPressedRight{78, 18, 6, 18};
inline constexpr SkinRect kCommandButton{84, 0, 17, 17};
inline constexpr SkinRect kCommandButtonPressed{84, 17, 17, 17};
inline constexpr SkinRect kComboArrow{101, 0, 11, 15};
inline constexpr SkinRect kCloseBox{101, 15, 11, 11};
inline constexpr SkinRect kCloseBoxPressed{101, 25, 11, 11};
inline constexpr SkinRect kRadioOff{55, 26, 12, 12};
inline constexpr SkinRect kRadioOn{55, 38, 12, 12};
inline constexpr SkinRect kSliderRightArrow{67, 37, 11, 11};
inline constexpr SkinRect kSliderLeftArrow{78, 37, 11, 11};
inline constexpr SkinRect kSliderThumb{89, 37, 7, 11};
inline constexpr SkinRect kScrollLeft{0, 52, 11, 11};
inline constexpr SkinRect kScrollRight{11, 52, 11, 11};
inline constexpr SkinRect kScrollUp{22, 52, 11, 11};
inline constexpr SkinRect kScrollDown{33, 52, 11, 11};
inline constexpr SkinRect kCheckOff{44, 52, 12, 12};
inline constexpr SkinRect kCheckOn{56, 52, 12, 12};
inline constexpr SkinRect kFrameTopLeft{68, 48, 8, 8};
inline constexpr SkinRect kFrameTopRight{77, 48, 9, 8};
inline constexpr SkinRect kFrameTopEdge{76, 48, 1, 8};
inline constexpr SkinRect kFrameLeftSide{68, 56, 8, 1};
inline constexpr SkinRect kFrameRightSide{77, 56, 9, 1};
inline constexpr SkinRect kFrameBottomLeft{68, 57, 8, 7};
inline constexpr SkinRect kFrameBottomEdge{76, 57, 1, 7};
inline constexpr SkinRect kFrameBottomRight{77, 57, 9, 7};
}  // namespace skin_piece

// The pixels the six loaded colours are read from (column, row).
namespace skin_pixel {
inline constexpr Point kHighlight{1, 55};
inline constexpr Point kFieldBackground{0, 20};
inline constexpr Point kFrame{67, 42};
inline constexpr Point kPanel{15, 0};
inline constexpr Point kPage{47, 40};
inline constexpr Point kFieldBorder{0, 55};
}  // namespace skin_pixel

struct Skin {
  ImageObject image;     // decoded as Color565; empty until the first load succeeds
  std::string fileName;  // the "Skin File" the picture came from (UTF-8)
  Color565 highlight = 0;
  Color565 text = 0;     // always black
  Color565 fieldBackground = 0;
  Color565 frame = 0;
  Color565 panel = 0;
  Color565 page = 0;
  Color565 fieldBorder = 0;

  bool loaded() const { return image.pixels != nullptr; }
};

// Loads <dataDir>/skins/<fileName>. A file that cannot be read or decoded, or a picture
// smaller than kSkinMinWidth x kSkinMinHeight, answers false and leaves the skin in use
// (picture, name and colours) untouched; the new picture replaces the old one only once
// it has decoded whole.
bool LoadSkin(Skin& skin, const std::filesystem::path& dataDir, const std::string& fileName);

// Copies a piece of the skin opaquely to (x, y), or only its left `width` columns when
// 0 <= width < the piece's width. Clipped to the frame; nothing without a skin picture.
void DrawSkinPiece(const UiContext& ui, const SkinRect& piece, int x, int y, int width = -1);
// Repeats a one-pixel-wide piece `columns` times to the right of x.
void DrawSkinColumns(const UiContext& ui, const SkinRect& piece, int x, int y, int columns);
// Repeats a one-pixel-high piece `rows` times downwards from y.
void DrawSkinRows(const UiContext& ui, const SkinRect& piece, int x, int y, int rows);

}  // namespace orx
