// The simple controls: PushButton, CheckBox, RadioGroup, Slider, TextLabel, GroupBox,
// ProgressBar and ColorPicker. Texts handed to them are referenced and must outlive the
// control, except where a TextLabel is asked to copy.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/widget.h"

namespace orx {

// Height of every push button, pixels.
inline constexpr int kButtonHeight = 18;

class PushButton : public Widget {
 public:
  using Widget::Widget;
  // Width at least 13; the height argument is ignored (always 18). With `postsCommand`
  // a release inside posts the command message (commandId, 0) to the window.
  void Setup(int x, int y, int width, int height, const char* text, int commandId, bool postsCommand);
  void Draw() override;
  bool StylusDown(Point p, Widget*& captured) override;
  int StylusMove(Point p) override;
  bool StylusUp(platform::Host* window, Point p) override;
  void MoveTo(int x, int y) override;

  bool pressed = false;
  const char* text = "";
  int commandId = 0;
  int32_t textX = 0;
  int32_t textY = 0;
  bool postsCommand = false;
};

class CheckBox : public Widget {
 public:
  using Widget::Widget;
  void Setup(int x, int y, const char* text, int identifier);
  void Draw() override;
  // Toggles on a tap on the box or its text and notifies; never captures.
  bool StylusDown(Point p, Widget*& captured) override;

  const char* text = "";
  bool ticked = false;
  int identifier = 0;  // kept for the owner
};

class RadioGroup : public Widget {
 public:
  struct Item {
    int32_t x = 0;
    int32_t y = 0;
    bool ticked = false;
    const char* text = "";
    int id = 0;
  };

  using Widget::Widget;
  ~RadioGroup() override;
  void Reset() override;
  void SetPosition(int x, int y, const char* caption);
  // False when the item cannot be stored.
  bool AddItem(int x, int y, bool ticked, const char* text, int id);
  // Ticks the items with `id` (none when no item has it), then notifies, changed or not.
  void Select(int id);
  // The id of the first ticked item, or -1.
  int SelectedId() const;
  void Draw() override;
  // Selects the item under the stylus; answers true without capturing.
  bool StylusDown(Point p, Widget*& captured) override;
  // Moves the items along with the group.
  void MoveTo(int x, int y) override;
  // The width an item with `text` takes: its radio mark and its label.
  int ItemWidth(const char* text) const;

  // How far an item's label stands right of the item's left edge (past the mark).
  static constexpr int kLabelOffset = 15;
  const char* caption = "";
  std::vector<Item> items;
};

class Slider : public Widget {
 public:
  using Widget::Widget;
  // The caption at (x, y); a track of trackWidth x 11 pixels at (trackX, trackY).
  void Setup(int trackX, int trackY, int trackWidth, int x, int y, const char* caption, int identifier,
             double minimum, double maximum, double value, double step, bool showInteger, bool active);
  void Draw() override;
  // Arrows step once without capturing; the track between them jumps there and drags.
  bool StylusDown(Point p, Widget*& captured) override;
  int StylusMove(Point p) override;

  const char* caption = "";
  int32_t trackX = 0;
  int32_t trackY = 0;
  int32_t trackWidth = 0;
  bool active = false;
  bool showInteger = false;
  double minimum = 0;
  double maximum = 1;
  double value = 0;
  double step = 1;
  int identifier = 0;  // kept for the owner
};

class TextLabel : public Widget {
 public:
  using Widget::Widget;
  ~TextLabel() override;
  void Reset() override;
  // A null text leaves the label empty. width < 0 means the text's width; with
  // `centre` x is the centre (the left edge not below 0); with `copy` the label keeps
  // its own copy.
  void SetText(int x, int y, const char* text, int width, bool copy, bool centre);
  void Draw() override;
  void MoveTo(int x, int y) override;

  const char* text = nullptr;
  bool ownsText = false;
  Color565 colour = 0x0000;

 private:
  std::string copy_;
};

class GroupBox : public Widget {
 public:
  using Widget::Widget;
  void Setup(int x, int y, int width, int height, const char* caption);
  // A frame with the caption set into its top edge.
  void Draw() override;

  const char* caption = "";
};

class ProgressBar : public Widget {
 public:
  using Widget::Widget;
  void Setup(int x, int y, int width, int height, bool showText);
  // Percent limited to 0..100.
  void SetPercent(int percent);
  // Blue fill on black in a white outline, with "N %" in white; fixed colours.
  void Draw() override;

  int percent = 0;
  int32_t fillWidth = 0;
  int32_t textX = 0;
  int32_t textY = 0;
  char percentText[8] = {};
  bool showText = false;
};

// A palette of 216 colours in 18 columns by 12 rows of 8 x 8 cells, 9 pixels apart.
class ColorPicker : public Widget {
 public:
  static constexpr int kColumns = 18;
  static constexpr int kRows = 12;
  // The colour of the cell in column 0..17 and row 0..11.
  static Color565 CellColor(int column, int row);

  using Widget::Widget;
  void Reset() override;
  // 163 x 109 pixels, moved so that it lies on the screen.
  void Setup(int x, int y);
  void Draw() override;
  // Marks the cell under the stylus, notifies its colour, and captures.
  bool StylusDown(Point p, Widget*& captured) override;
  // Every cell the stylus passes over is marked and notified.
  int StylusMove(Point p) override;
  bool StylusUp(platform::Host* window, Point p) override;

  int cellSize = 8;
  int32_t selectedX = -1;
  int32_t selectedY = -1;
};

}  // namespace orx
