#include "platform/message_box.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>

#include "platform/text_encoding.h"

namespace orx::platform {
namespace {

bool DisplayNamed() {
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x11 && *x11) || (wayland && *wayland);
}

}  // namespace

void ShowSystemMessageBox(const std::string& text, const std::string& caption, bool graphical) {
  const std::string utf8Text = Cp1252ToUtf8(text);
  const std::string utf8Caption = Cp1252ToUtf8(caption);
  if (utf8Caption.empty()) {
    std::fprintf(stderr, "%s\n", utf8Text.c_str());
  } else {
    std::fprintf(stderr, "%s: %s\n", utf8Caption.c_str(), utf8Text.c_str());
  }
  std::fflush(stderr);
  if (!graphical || !DisplayNamed()) return;

  // Works with or without a window: video is brought up for the box when needed.
  const bool videoWasUp = SDL_WasInit(SDL_INIT_VIDEO) != 0;
  if (!videoWasUp && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return;
  // The box's helper process or the display connection can fail transiently right
  // after a window closed; a second try usually shows it.
  for (int attempt = 0;; ++attempt) {
    if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, utf8Caption.c_str(), utf8Text.c_str(), nullptr) == 0) break;
    if (attempt == 2) {
      std::fprintf(stderr, "orrelux: the message box could not be shown: %s\n", SDL_GetError());
      break;
    }
    SDL_Delay(100);
  }
  if (!videoWasUp) SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

}  // namespace orx::platform
