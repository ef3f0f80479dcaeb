// The scene renderer of the widget toolkit: builds every control, dialog, list, keyboard
// layout and the tab control in their states through the real toolkit and writes each
// scene as a PNG picture (at 1x and enlarged 3x) for review.
#pragma once

#include <string>
#include <vector>

namespace orx::test {

struct SceneFile {
  std::string name;     // e.g. "message_box"
  bool guardsIntact;    // nothing was drawn outside the frame
};

// Renders every scene into `dir` as <name>.png and <name>_3x.png; the list of scenes.
// Empty when the font or the skins cannot be loaded.
std::vector<SceneFile> RenderUiScenes(const std::string& dir);

}  // namespace orx::test
