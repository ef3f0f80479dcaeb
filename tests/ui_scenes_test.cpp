// Renders the toolkit's scenes into the build tree (ui_scenes/) so that their look can be
// reviewed, and checks that every scene was written without drawing outside the frame.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/ui_scenes.h"

namespace orx::test {
namespace {

TEST(UiScenes, EveryScenePaintsInsideTheFrameAndIsWritten) {
  const std::filesystem::path dir = std::filesystem::path(ORRELUX_BINARY_DIR) / "ui_scenes";
  std::filesystem::create_directories(dir);
  const std::vector<SceneFile> scenes = RenderUiScenes(dir.string());
  ASSERT_FALSE(scenes.empty()) << "font or skins missing";
  for (const SceneFile& s : scenes) {
    EXPECT_TRUE(s.guardsIntact) << s.name;
    EXPECT_TRUE(std::filesystem::exists(dir / (s.name + ".png"))) << s.name;
    EXPECT_TRUE(std::filesystem::exists(dir / (s.name + "_3x.png"))) << s.name;
  }
}

}  // namespace
}  // namespace orx::test
