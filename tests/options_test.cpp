// The Options screen in the whole program, headless: opened from the command bar, its
// twelve pages (pictures of each in both skins at 1x and 3x for review), the bound
// controls, OK, Cancel and the page actions.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "cities/city_lists.h"
#include "platform/messages.h"
#include "platform/png_writer.h"
#include "settings/options_lists.h"
#include "support/headless_app.h"
#include "ui/edit_field.h"
#include "ui/lists.h"

namespace orx::testing {
namespace {

using platform::MakePointParam;

class OptionsTest : public HeadlessApp {
 protected:
  void Post(uint32_t id, uintptr_t wParam = 0, intptr_t lParam = 0) {
    app_.host->PostMessage(id, wParam, lParam);
    Pump();
  }
  void Tap(int x, int y) {
    Post(platform::kMsgLButtonDown, 0, MakePointParam(x, y));
    Post(platform::kMsgLButtonUp, 0, MakePointParam(x, y));
  }
  void Command(int id) { Post(platform::kMsgCommand, static_cast<uintptr_t>(id)); }
  void Open() {
    Command(2003);
    ASSERT_TRUE(app_.options.isOpen);
    ASSERT_EQ(app_.window.screenMode, kScreenOptions);
  }
  void ShowPage(int id) {
    app_.options.tabs.SelectPage(id);
    Post(platform::kMsgPaint);
  }
  template <class T>
  T& Control(Slot slot) {
    return app_.options.controls.at<T>(slot);
  }
  // The control of the open dialog built from the row with this label (first match).
  template <class T>
  T& Labelled(const char* label) {
    for (BuiltControl& c : app_.options.controls.controls) {
      if (std::string(c.row->label) == label) return static_cast<T&>(*c.widget);
    }
    ADD_FAILURE() << "no control " << label;
    return static_cast<T&>(*app_.options.controls.controls.front().widget);
  }
  // Taps the centre of a widget's first line.
  void TapOn(const Widget& w, int dx = 4) { Tap(w.x + dx, w.y + 5); }
  bool WritePicture(const std::filesystem::path& path, int scale) {
    const FrameBuffer& f = app_.frame;
    std::vector<uint16_t> big(static_cast<size_t>(f.width * scale) * f.height * scale);
    for (int y = 0; y < f.height * scale; ++y)
      for (int x = 0; x < f.width * scale; ++x) big[static_cast<size_t>(y) * f.width * scale + x] = f.at(x / scale, y / scale);
    return platform::WritePng565(path.string(), big.data(), f.width * scale, f.height * scale, f.width * scale);
  }
};

TEST_F(OptionsTest, EveryPageIsDrawnInBothSkinsAndWrittenForReview) {
  const std::filesystem::path dir = std::filesystem::path(ORRELUX_BINARY_DIR) / "options_pages";
  std::filesystem::create_directories(dir);
  for (const char* skin : {"Default.gif", "Dark.gif"}) {
    ASSERT_TRUE(LoadSkin(app_.ui.skin, app_.paths.dataDir, skin));
    Open();
    for (const OptionsPage& page : OptionsPages()) {
      ShowPage(page.id);
      ASSERT_EQ(app_.options.tabs.ActivePageId(), page.id);
      std::string name = std::string(skin).substr(0, std::string(skin).size() - 4) + "_" + page.caption;
      for (char& c : name) c = c == '/' ? '_' : c;
      EXPECT_TRUE(WritePicture(dir / (name + ".png"), 1));
      EXPECT_TRUE(WritePicture(dir / (name + "_3x.png"), 3));
      // The title bar and the OK button are drawn on every page.
      EXPECT_EQ(app_.frame.at(2, 2), app_.ui.skin.frame);
    }
    Command(2017);
    ASSERT_FALSE(app_.options.isOpen);
  }
}

}  // namespace
}  // namespace orx::testing
