#include "support/ui_scenes.h"

#include <cstdio>
#include <functional>
#include <memory>

#include "gfx/draw.h"
#include "platform/png_writer.h"
#include "support/ui_harness.h"
#include "ui/controls.h"
#include "ui/dialogs.h"
#include "ui/edit_field.h"
#include "ui/lists.h"
#include "ui/soft_keyboard.h"
#include "ui/tab_control.h"

namespace orx::test {
namespace {

constexpr const char* kFortyCities =
    "Weather data is limited to 40 cities at a time.\nIf you wish to add new ones, please remove some of the "
    "existing cities from the list.";

constexpr const char* kCityNames[] = {
    "Aberdeen", "Accra", "Adelaide", "Alexandria", "Almaty", "Amsterdam", "Anchorage", "Antananarivo",
    "Asuncion", "Athens", "Auckland", "Baghdad", "Bangalore", "Bangkok", "Barcelona", "Beijing",
    "Belo Horizonte", "Berlin", "Bogota", "Brasilia", "Brisbane", "Buenos Aires", "Cairo", "Cape Town",
    "Caracas", "Casablanca", "Chicago", "Copenhagen", "Dakar", "Dar es Salaam", "Delhi", "Dhaka",
};

constexpr const char* kPageNames[] = {"General", "Display", "Sun/Moon", "Maps",   "Cities", "GPS",
                                      "Weather", "Routes",  "Advanced", "Colors", "Appearance", "About"};

bool WriteScaled(const std::string& path, const FrameBuffer& f, int scale) {
  if (scale == 1) return platform::WritePng565(path, f.data(), f.width, f.height, f.width);
  const int w = f.width * scale, h = f.height * scale;
  std::vector<uint16_t> big(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) big[static_cast<size_t>(y) * w + x] = f.at(x / scale, y / scale);
  return platform::WritePng565(path, big.data(), w, h, w);
}

// A stand-in for the globe under the main window's widgets: a dark blue gradient.
void PaintSceneBackground(FrameBuffer& f) {
  for (int y = 0; y < f.height; ++y) FillRect(f, 0, y, f.width, 1, Rgb565(0x08, 0x10 + y / 8, 0x30 + y / 4), kFillSolid);
}

struct SceneWriter {
  std::string dir;
  std::vector<SceneFile> files;
  bool ok = true;

  void Write(const std::string& name, UiHarness& h) {
    ok &= WriteScaled(dir + "/" + name + ".png", h.frame(), 1);
    ok &= WriteScaled(dir + "/" + name + "_3x.png", h.frame(), 3);
    files.push_back({name, h.GuardsIntact()});
  }
};

// Every simple control in its states, on a page like those of the Options dialog.
void ControlsScene(SceneWriter& out, const char* skinFile, const std::string& name) {
  UiHarness h(skinFile);
  UiContext& ui = h.ui.context;
  FrameBuffer& f = h.frame();
  FillRect(f, 0, 0, 240, 320, h.ui.skin.page, kFillSolid);

  PushButton normal(ui), pressed(ui), disabled(ui);
  normal.Setup(6, 4, 70, 18, "Apply", 1, false);
  pressed.Setup(84, 4, 70, 18, "Pressed", 2, false);
  pressed.pressed = true;
  disabled.Setup(162, 4, 72, 18, "Disabled", 3, false);
  EnableWidget(disabled, false);

  CheckBox off(ui), on(ui), greyed(ui);
  off.Setup(6, 30, "Lat/Lon Grid", 0);
  on.Setup(6, 46, "Sun Spot", 1);
  on.ticked = true;
  greyed.Setup(6, 62, "Moon Spot", 2);
  greyed.ticked = true;
  EnableWidget(greyed, false);

  RadioGroup units(ui);
  units.SetPosition(126, 30, "Distance units");
  units.AddItem(126, 46, false, "km", 1);
  units.AddItem(170, 46, true, "mi", 2);
  units.AddItem(126, 62, false, "nm", 3);

  Slider radius(ui), darkness(ui), inactive(ui);
  radius.Setup(6, 96, 190, 6, 82, "Globe Radius", 0, 50, 400, 118, 1, true, true);
  darkness.Setup(6, 126, 190, 6, 112, "Earth Shadow Darkness", 0, 0, 1, 0.625, 0.05, false, true);
  inactive.Setup(6, 156, 190, 6, 142, "Shadow Update Interval (off)", 0, 1, 60, 5, 1, true, false);

  TextLabel label(ui), coloured(ui);
  label.SetText(6, 160, "A text label, cut at its width of 200 pixels and no more", 200, true, false);
  coloured.SetText(120, 176, "Centred in red", -1, false, true);
  coloured.colour = Rgb565(0xC0, 0x10, 0x10);

  GroupBox group(ui), plain(ui);
  group.Setup(6, 196, 228, 44, "Group Box");
  plain.Setup(16, 214, 100, 20, "");
  TextLabel inGroup(ui);
  inGroup.SetText(124, 216, "inside", -1, false, false);

  ProgressBar bars[4] = {ProgressBar(ui), ProgressBar(ui), ProgressBar(ui), ProgressBar(ui)};
  const int percents[4] = {0, 30, 50, 150};
  for (int i = 0; i < 4; ++i) {
    bars[i].Setup(6 + 58 * i, 250, 54, 14, true);
    bars[i].SetPercent(percents[i]);
  }
  ProgressBar texture(ui);
  texture.Setup(80, 272, 80, 14, true);
  texture.SetPercent(100);

  Widget* all[] = {&normal, &pressed,  &disabled, &off,   &on,    &greyed,  &units,   &radius,  &darkness, &inactive,
                   &label,  &coloured, &group,    &plain, &inGroup, &bars[0], &bars[1], &bars[2], &bars[3], &texture};
  for (Widget* w : all) w->Draw();
  out.Write(name, h);
}

void ColorPickerScene(SceneWriter& out) {
  UiHarness h;
  FillRect(h.frame(), 0, 0, 240, 320, h.ui.skin.page, kFillSolid);
  ColorPicker picker(h.ui.context);
  picker.Setup(200, 40);  // moved left to fit
  Widget* captured = nullptr;
  picker.StylusDown(Point{picker.x + 9 * 7 + 4, picker.y + 9 * 3 + 4}, captured);
  picker.Draw();
  out.Write("color_picker", h);
}

// The start-up picture's progress bar at its four steps.
void ProgressScene(SceneWriter& out) {
  UiHarness h;
  FillRect(h.frame(), 0, 0, 240, 320, kBlack, kFillSolid);
  int y = 60;
  for (int p : {0, 30, 50, 100}) {
    ProgressBar bar(h.ui.context);
    bar.Setup(40, y, 160, 14, true);
    bar.SetPercent(p);
    bar.Draw();
    y += 60;
  }
  out.Write("progress_steps", h);
}

void MessageBoxScenes(SceneWriter& out, const char* skinFile, const std::string& suffix) {
  {
    UiHarness h(skinFile);
    h.Paint();
    PaintSceneBackground(h.frame());
    ShowMessageBox(h.ui, kFortyCities, "Limit Exceeded", kButtonsOk, nullptr);
    PaintMainWidgets(h.ui);
    out.Write("message_box" + suffix, h);
  }
  {
    UiHarness h(skinFile);
    PaintSceneBackground(h.frame());
    ShowMessageBox(h.ui, "Delete the selected route?", "", kButtonsYesNo, nullptr);
    PaintMainWidgets(h.ui);
    out.Write("message_box_yes_no" + suffix, h);
  }
  {
    UiHarness h(skinFile);
    PaintSceneBackground(h.frame());
    ShowExitConfirmation(h.ui, nullptr);
    PaintMainWidgets(h.ui);
    out.Write("exit_confirm" + suffix, h);
  }
}

void MessageBoxDraggedScene(SceneWriter& out) {
  UiHarness h;
  h.background = Rgb565(0x10, 0x30, 0x20);
  ShowMessageBox(h.ui, "Error fetching weather data", "Error", kButtonsOkCancel, nullptr);
  const auto& box = static_cast<const MessageBox&>(*h.ui.activeModalDialog);
  const int grabX = box.x + 10, grabY = box.y + 5;
  h.Down(grabX, grabY);
  h.Move(grabX - 200, grabY + 400);  // pushed against the bottom-left corner
  h.Down(box.first.x + 5, box.first.y + 5);
  out.Write("message_box_dragged_pressed", h);
}

void ListScene(SceneWriter& out, const char* skinFile, const std::string& name) {
  UiHarness h(skinFile);
  FillRect(h.frame(), 0, 0, 240, 320, h.ui.skin.page, kFillSolid);
  ListBox list(h.ui.context);
  list.Setup(10, 10, 150, 140, true, 0, -1);
  for (const char* city : kCityNames) {
    std::string text = std::string(city) + " - a long line that needs the horizontal bar";
    list.AddItem(text.c_str(), true);
  }
  list.SelectIndex(2, true);
  list.SelectIndex(4, true);
  list.vScroll.SetPosition(1);
  list.hScroll.SetPosition(24);
  list.Draw();

  ListBox shortList(h.ui.context);
  shortList.Setup(10, 160, 150, 80, false, 16, -1);
  for (int i = 0; i < 4; ++i) shortList.AddItem(kCityNames[i], false);
  shortList.SelectIndex(1, false);
  shortList.Draw();

  ListBox vertical(h.ui.context);
  vertical.Setup(170, 160, 60, 150, false, 0, -1);
  for (const char* city : kCityNames) vertical.AddItem(city, false);
  vertical.Draw();
  out.Write(name, h);
}

// A combo box dropped over a list, as on the Find City panel.
void ComboScene(SceneWriter& out) {
  UiHarness h;
  FillRect(h.frame(), 0, 0, 240, 320, h.ui.skin.page, kFillSolid);
  ListBox results(h.ui.context);
  results.Setup(20, 70, 200, 150, false, 0, -1);
  for (int i = 0; i < 12; ++i) results.AddItem(kCityNames[i], false);
  ComboBox closed(h.ui.context), combo(h.ui.context);
  closed.Setup(20, 20, 200, 100, true);
  closed.AddItem("Population over 1 million", false);
  closed.SelectText("Population over 1 million");
  combo.Setup(20, 50, 200, 120, false);
  for (const char* country : {"Argentina", "Australia", "Austria", "Belgium", "Brazil", "Canada", "Chile",
                              "China", "Denmark", "Egypt", "Finland", "France"}) {
    combo.AddItem(country, false);
  }
  combo.SelectText("Austria");
  combo.SetFocus(true);
  combo.dropped = true;
  combo.list.SelectIndex(3, false);  // the row under a held stylus
  results.Draw();
  closed.Draw();
  combo.Draw();
  out.Write("combo_open", h);
}

void EditFieldScene(SceneWriter& out) {
  UiHarness h;
  FillRect(h.frame(), 0, 0, 240, 320, h.ui.skin.page, kFillSolid);
  EditField empty(h.ui.context), selected(h.ui.context), scrolled(h.ui.context);
  empty.Setup(10, 10, 110, 255);
  empty.SetFocus(true);
  empty.caretOn = true;
  selected.Setup(10, 40, 220, 255);
  selected.SetText("San Francisco");
  selected.SetFocus(true);
  selected.anchor = 4;
  selected.caret = 13;
  scrolled.Setup(10, 70, 110, 255);
  scrolled.SetText("Llanfairpwllgwyngyll, Wales, United Kingdom");
  scrolled.SetFocus(true);
  scrolled.KeyInput(platform::kVkEnd, kKeyVirtual);
  for (EditField* e : {&empty, &selected, &scrolled}) e->Draw();
  out.Write("edit_fields", h);
}

void KeyboardScenes(SceneWriter& out) {
  struct Case {
    const char* name;
    std::vector<int> taps;  // keys tapped first (indices of the layout shown at the time)
    int held;               // key then held under the stylus, -1 = none
  };
  const Case cases[] = {
      {"keyboard_lower", {}, -1},
      {"keyboard_upper", {kKeyShift, kKeyCtrl}, 39},  // Enter held: both of its parts light up
      {"keyboard_symbols", {kKeySymbolsToggle}, 27},
  };
  for (const Case& c : cases) {
    UiHarness h;
    h.background = Rgb565(0x10, 0x28, 0x50);
    ShowKeyboard(h.ui, true);
    SoftKeyboard& k = h.ui.softKeyboard;
    auto centre = [&](int index) {
      const KeyboardKey& key = k.keys[static_cast<size_t>(index)];
      return Point{key.x + key.width / 2, k.top + key.y + key.height / 2};
    };
    for (int index : c.taps) {
      const Point p = centre(index);
      h.Tap(p.x, p.y);
    }
    if (c.held >= 0) {
      const Point p = centre(c.held);
      h.Down(p.x, p.y);
    }
    h.Paint();
    out.Write(c.name, h);
  }
}

// The Options screen with its twelve-page tab control, scrolled right once, and a few
// controls on the active page.
void TabScene(SceneWriter& out, const char* skinFile, const std::string& name, bool scrolled) {
  UiHarness h(skinFile);
  h.screen = UiHarness::Screen::kOptions;
  UiContext& ui = h.ui.context;
  TabControl tabs(ui);
  tabs.Setup(4, 28, 232, 266);
  for (int i = 0; i < 12; ++i) tabs.AddPage(kPageNames[i], i + 1);
  CheckBox a(ui), b(ui);
  a.Setup(16, 64, "Rotate Globe", 0);
  b.Setup(16, 82, "Animated Rotation to City", 1);
  b.ticked = true;
  Slider s(ui);
  s.Setup(16, 120, 160, 16, 104, "Rotation Speed", 0, 1, 10, 4, 1, true, true);
  ComboBox combo(ui);
  combo.Setup(16, 160, 150, 90, false);
  combo.AddItem("10 pt Fixed Width", false);
  combo.AddItem("11 pt Variable Width", false);
  combo.AddItem("9 pt Variable Width", false);
  combo.SelectText("11 pt Variable Width");
  PushButton apply(ui);
  apply.Setup(16, 260, 60, 18, "Default", 5, true);
  for (Widget* w : std::initializer_list<Widget*>{&a, &b, &s, &combo, &apply}) tabs.AddChild(2, w);
  tabs.SelectPage(2);
  if (scrolled) {
    h.ui.optionsWidgets.push_back(&tabs);
    h.Paint();
    h.Tap(tabs.scrollRight.x + 5, tabs.scrollRight.y + 5);
  }
  PushButton ok(ui), cancel(ui);
  ok.Setup(60, 298, 55, 18, "OK", 6, true);
  cancel.Setup(125, 298, 55, 18, "Cancel", 7, true);
  h.ui.optionsWidgets = {&tabs, &ok, &cancel};
  h.Paint();
  out.Write(name, h);
  h.ui.optionsWidgets.clear();
}

}  // namespace

std::vector<SceneFile> RenderUiScenes(const std::string& dir) {
  {
    UiHarness probe;
    if (!probe.fontLoaded || !probe.skinLoaded) return {};
  }
  SceneWriter out{dir, {}, true};
  ControlsScene(out, "Default.gif", "controls");
  ControlsScene(out, "Dark.gif", "controls_dark");
  ColorPickerScene(out);
  ProgressScene(out);
  MessageBoxScenes(out, "Default.gif", "");
  MessageBoxScenes(out, "Dark.gif", "_dark");
  MessageBoxDraggedScene(out);
  ListScene(out, "Default.gif", "list_both_bars");
  ListScene(out, "Dark.gif", "list_both_bars_dark");
  ComboScene(out);
  EditFieldScene(out);
  KeyboardScenes(out);
  TabScene(out, "Default.gif", "tabs_first_page", false);
  TabScene(out, "Default.gif", "tabs_scrolled", true);
  TabScene(out, "Dark.gif", "tabs_scrolled_dark", true);
  if (!out.ok) return {};
  return out.files;
}

}  // namespace orx::test
