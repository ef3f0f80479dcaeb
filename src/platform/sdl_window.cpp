// The SDL2 backend of NativeWindow: one resizable window showing the 240 x 320 RGB565
// frame at an integer scale, centred with black bars, and SDL input turned into the
// window messages of messages.h.
#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cstring>

#include "gfx/image.h"
#include "platform/host.h"
#include "platform/resources.h"
#include "platform/text_encoding.h"

namespace orx::platform {
namespace {

constexpr int kFrameWidth = 240;
constexpr int kFrameHeight = 320;
constexpr int kIconResourceId = 101;
constexpr int kMaxEventsPerWait = 512;  // a flood of input still lets the loop paint

// Where the frame lies in the renderer's output: `scale` output pixels per frame pixel,
// top-left corner at (x, y).
struct Placement {
  int scale = 1;
  int x = 0;
  int y = 0;
};

Placement PlaceFrame(int outputWidth, int outputHeight) {
  Placement p;
  p.scale = std::max(1, std::min(outputWidth / kFrameWidth, outputHeight / kFrameHeight));
  p.x = (outputWidth - kFrameWidth * p.scale) / 2;
  p.y = (outputHeight - kFrameHeight * p.scale) / 2;
  return p;
}

// The virtual-key code of an SDL key, or 0 for keys the program has no code for.
uint32_t VirtualKey(SDL_Keycode key) {
  switch (key) {
    case SDLK_LEFT: return kVkLeft;
    case SDLK_UP: return kVkUp;
    case SDLK_RIGHT: return kVkRight;
    case SDLK_DOWN: return kVkDown;
    case SDLK_RETURN:
    case SDLK_RETURN2:
    case SDLK_KP_ENTER: return kVkReturn;
    case SDLK_BACKSPACE: return kVkBack;
    case SDLK_DELETE: return kVkDelete;
    case SDLK_HOME: return kVkHome;
    case SDLK_END: return kVkEnd;
    case SDLK_TAB: return 9;
    case SDLK_ESCAPE: return 27;
    case SDLK_SPACE: return 32;
    case SDLK_PAGEUP: return 33;
    case SDLK_PAGEDOWN: return 34;
    case SDLK_INSERT: return 45;
    default: break;
  }
  if (key >= SDLK_a && key <= SDLK_z) return 'A' + static_cast<uint32_t>(key - SDLK_a);
  if (key >= SDLK_0 && key <= SDLK_9) return '0' + static_cast<uint32_t>(key - SDLK_0);
  if (key >= SDLK_F2 && key <= SDLK_F12) return 113 + static_cast<uint32_t>(key - SDLK_F2);
  return 0;
}

// The character a key makes besides its key-down, as the handheld's window system
// translated it (SDL text input carries only printable text): control codes for
// Backspace, Tab, Enter, Escape and Ctrl+letter; 0 for none.
uint32_t ControlCharacter(const SDL_Keysym& k) {
  switch (k.sym) {
    case SDLK_BACKSPACE: return 8;
    case SDLK_TAB: return 9;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return 13;
    case SDLK_ESCAPE: return 27;
    default: break;
  }
  if ((k.mod & KMOD_CTRL) && !(k.mod & KMOD_ALT) && k.sym >= SDLK_a && k.sym <= SDLK_z)
    return 1 + static_cast<uint32_t>(k.sym - SDLK_a);
  return 0;
}

class SdlDisplay final : public Display {
 public:
  SdlDisplay(SDL_Renderer* renderer, SDL_Texture* texture, int pitch) : renderer_(renderer), texture_(texture) {
    props_.yPitch = pitch;
  }

  DisplayProperties Properties() const override { return props_; }

  uint8_t* BeginDraw() override {
    if (suspended_ || locked_) return nullptr;
    void* pixels = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(texture_, nullptr, &pixels, &pitch) != 0) return nullptr;
    if (pitch != props_.yPitch) {  // the surface no longer matches what was reported
      SDL_UnlockTexture(texture_);
      return nullptr;
    }
    locked_ = true;
    return static_cast<uint8_t*>(pixels);
  }

  void EndDraw() override {
    if (!locked_) return;
    SDL_UnlockTexture(texture_);
    locked_ = false;
    hasFrame_ = true;
    Show();
  }

  void Suspend() override { suspended_ = true; }
  void Resume() override { suspended_ = false; }

  // Copies the last frame to the window again (after a resize or an expose). This
  // also happens while suspended: suspension stops the program's own presentations,
  // but an uncovered window must not keep another window's pixels.
  void Show() {
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    if (hasFrame_) {
      const Placement p = placement();
      const SDL_Rect dest{p.x, p.y, kFrameWidth * p.scale, kFrameHeight * p.scale};
      SDL_RenderCopy(renderer_, texture_, nullptr, &dest);
    }
    SDL_RenderPresent(renderer_);
  }

  Placement placement() const {
    int w = 0, h = 0;
    SDL_GetRendererOutputSize(renderer_, &w, &h);
    return PlaceFrame(w, h);
  }

 private:
  SDL_Renderer* renderer_;
  SDL_Texture* texture_;
  DisplayProperties props_;
  bool suspended_ = false;
  bool locked_ = false;
  bool hasFrame_ = false;
};

// Messages of one WaitEvents, posted in order; consecutive stylus moves are merged into
// the last one and several close requests into one.
class EventBatch {
 public:
  explicit EventBatch(MessageQueue& queue) : queue_(queue) {}
  ~EventBatch() { FlushMove(); }

  void Post(uint32_t id, uintptr_t wParam = 0, intptr_t lParam = 0) {
    FlushMove();
    if (id == kMsgClose) {
      if (closePosted_) return;
      closePosted_ = true;
    }
    queue_.Post(Message{id, wParam, lParam});
  }
  void Move(intptr_t lParam) {
    moveParam_ = lParam;
    movePending_ = true;
  }

 private:
  void FlushMove() {
    if (!movePending_) return;
    movePending_ = false;
    queue_.Post(Message{kMsgMouseMove, 0, moveParam_});
  }

  MessageQueue& queue_;
  bool movePending_ = false;
  intptr_t moveParam_ = 0;
  bool closePosted_ = false;
};

class SdlWindow final : public NativeWindow {
 public:
  SdlWindow() = default;
  ~SdlWindow() override {
    SDL_StopTextInput();
    display_.reset();
    if (texture_) SDL_DestroyTexture(texture_);
    if (renderer_) SDL_DestroyRenderer(renderer_);
    if (window_) SDL_DestroyWindow(window_);
    if (sdlUp_) SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
  }

  bool Open(const WindowOptions& options, std::string* error);

  Display& display() override { return *display_; }
  void Show() override { SDL_ShowWindow(window_); }
  void Hide() override { SDL_HideWindow(window_); }
  void Raise() override {
    const uint32_t flags = SDL_GetWindowFlags(window_);
    if (flags & SDL_WINDOW_MINIMIZED) SDL_RestoreWindow(window_);
    SDL_ShowWindow(window_);
    SDL_RaiseWindow(window_);
  }
  bool visible() const override {
    const uint32_t flags = SDL_GetWindowFlags(window_);
    return (flags & SDL_WINDOW_SHOWN) && !(flags & (SDL_WINDOW_HIDDEN | SDL_WINDOW_MINIMIZED));
  }

  void WaitEvents(MessageQueue& queue, int timeoutMs) override {
    SDL_Event e;
    if (!SDL_WaitEventTimeout(&e, timeoutMs < 0 ? -1 : timeoutMs)) return;
    EventBatch batch(queue);
    int count = 0;
    do {
      Translate(e, batch);
    } while (++count < kMaxEventsPerWait && SDL_PollEvent(&e));
  }

  void Wake() override {
    // One wake event in flight is enough; WaitEvents clears the flag when it sees it.
    if (wakeEvent_ != static_cast<uint32_t>(-1) && !wakePending_.exchange(true)) {
      SDL_Event e{};
      e.type = wakeEvent_;
      if (SDL_PushEvent(&e) != 1) wakePending_ = false;
    }
  }

 private:
  void Translate(const SDL_Event& e, EventBatch& batch);
  // The frame pixel under window position (x, y); false when it lies outside the frame
  // and `clamp` is not set (with `clamp` it is moved to the nearest frame pixel).
  bool ToFrame(int x, int y, bool clamp, int& fx, int& fy) const;
  void SetIcon();

  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  std::unique_ptr<SdlDisplay> display_;
  bool sdlUp_ = false;
  uint32_t wakeEvent_ = static_cast<uint32_t>(-1);
  std::atomic<bool> wakePending_{false};
  bool buttonDown_ = false;  // the left button (or a finger) is down: moves are reported
};

bool SdlWindow::Open(const WindowOptions& options, std::string* error) {
  auto fail = [error](const char* what) {
    if (error) *error = std::string(what) + ": " + SDL_GetError();
    return false;
  };
  // One close message per click on the close button, not a second one from SDL_QUIT.
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) return fail("SDL video");
  sdlUp_ = true;

  int scale = options.scale;
  if (scale <= 0) {
    scale = 1;
    SDL_Rect usable;
    if (SDL_GetDisplayUsableBounds(0, &usable) == 0) {
      for (int s = 3; s >= 1; --s) {
        if (kFrameWidth * s <= usable.w && kFrameHeight * s <= usable.h) {
          scale = s;
          break;
        }
      }
    }
  }
  scale = std::min(scale, 16);

  uint32_t flags = SDL_WINDOW_RESIZABLE;
  if (options.fullscreen) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
  window_ = SDL_CreateWindow(options.title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                             kFrameWidth * scale, kFrameHeight * scale, flags);
  if (!window_) return fail("SDL window");
  SDL_SetWindowMinimumSize(window_, kFrameWidth, kFrameHeight);

  renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
  if (!renderer_) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
  if (!renderer_) return fail("SDL renderer");
  texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB565, SDL_TEXTUREACCESS_STREAMING, kFrameWidth,
                               kFrameHeight);
  if (!texture_) return fail("SDL texture");

  // The row pitch is reported once at start-up, so it is learnt here; the texture
  // starts black.
  void* pixels = nullptr;
  int pitch = 0;
  if (SDL_LockTexture(texture_, nullptr, &pixels, &pitch) != 0) return fail("SDL texture lock");
  for (int y = 0; y < kFrameHeight; ++y) std::memset(static_cast<uint8_t*>(pixels) + y * pitch, 0, kFrameWidth * 2);
  SDL_UnlockTexture(texture_);
  display_ = std::make_unique<SdlDisplay>(renderer_, texture_, pitch);

  wakeEvent_ = SDL_RegisterEvents(1);
  SetIcon();
  SDL_StartTextInput();
  display_->Show();
  return true;
}

void SdlWindow::SetIcon() {
  if (FindResource("GIF", kIconResourceId).empty()) return;
  ImageObject icon = MakeResourceImage(kIconResourceId);
  icon.bytesPerPixel = 4;
  if (!Load(icon, nullptr, kLoadWhole) || !icon.pixels) return;
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, icon.width, icon.height, 32, SDL_PIXELFORMAT_ARGB8888);
  if (!surface) return;
  const uint32_t* src = reinterpret_cast<const uint32_t*>(icon.pixels.get());
  for (int y = 0; y < icon.height; ++y) {
    uint32_t* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(surface->pixels) + y * surface->pitch);
    for (int x = 0; x < icon.width; ++x) {
      const uint32_t rgb = src[static_cast<size_t>(y) * icon.width + x] & 0xFFFFFF;
      row[x] = rgb == icon.colorKey ? 0 : (0xFF000000u | rgb);  // the key colour is see-through
    }
  }
  SDL_SetWindowIcon(window_, surface);
  SDL_FreeSurface(surface);
}

bool SdlWindow::ToFrame(int x, int y, bool clamp, int& fx, int& fy) const {
  // Window coordinates are points; the renderer's output may have more pixels (HiDPI).
  int ww = 0, wh = 0, ow = 0, oh = 0;
  SDL_GetWindowSize(window_, &ww, &wh);
  SDL_GetRendererOutputSize(renderer_, &ow, &oh);
  const int px = ww > 0 ? static_cast<int>(static_cast<int64_t>(x) * ow / ww) : x;
  const int py = wh > 0 ? static_cast<int>(static_cast<int64_t>(y) * oh / wh) : y;
  const Placement p = PlaceFrame(ow, oh);
  const int dx = px - p.x, dy = py - p.y;
  const bool inside = dx >= 0 && dy >= 0 && dx < kFrameWidth * p.scale && dy < kFrameHeight * p.scale;
  if (!inside && !clamp) return false;
  fx = std::clamp(dx < 0 ? -1 : dx / p.scale, 0, kFrameWidth - 1);
  fy = std::clamp(dy < 0 ? -1 : dy / p.scale, 0, kFrameHeight - 1);
  return true;
}

void SdlWindow::Translate(const SDL_Event& e, EventBatch& batch) {
  if (e.type == wakeEvent_) {
    wakePending_ = false;
    return;
  }
  int fx = 0, fy = 0;
  switch (e.type) {
    case SDL_QUIT:
      batch.Post(kMsgClose);
      break;
    case SDL_WINDOWEVENT:
      switch (e.window.event) {
        case SDL_WINDOWEVENT_CLOSE: batch.Post(kMsgClose); break;
        case SDL_WINDOWEVENT_FOCUS_GAINED: batch.Post(kMsgSetFocus); break;
        case SDL_WINDOWEVENT_FOCUS_LOST: batch.Post(kMsgKillFocus); break;
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SIZE_CHANGED: display_->Show(); break;
        default: break;
      }
      break;
    // Touches arrive as these too (SDL turns a finger into the left button).
    case SDL_MOUSEBUTTONDOWN:
      if (e.button.button != SDL_BUTTON_LEFT || buttonDown_) break;
      // A press on the black bars around the frame touches nothing.
      if (!ToFrame(e.button.x, e.button.y, false, fx, fy)) break;
      buttonDown_ = true;
      SDL_CaptureMouse(SDL_TRUE);  // the release is seen even outside the window
      batch.Post(e.button.clicks == 2 ? kMsgLButtonDblClk : kMsgLButtonDown, 0, MakePointParam(fx, fy));
      break;
    case SDL_MOUSEMOTION:
      // Like a stylus, the pointer is only followed while it presses; a drag past the
      // frame's edge stays on the edge.
      if (!buttonDown_) break;
      ToFrame(e.motion.x, e.motion.y, true, fx, fy);
      batch.Move(MakePointParam(fx, fy));
      break;
    case SDL_MOUSEBUTTONUP:
      if (e.button.button != SDL_BUTTON_LEFT || !buttonDown_) break;
      buttonDown_ = false;
      SDL_CaptureMouse(SDL_FALSE);
      ToFrame(e.button.x, e.button.y, true, fx, fy);
      batch.Post(kMsgLButtonUp, 0, MakePointParam(fx, fy));
      break;
    case SDL_KEYDOWN: {
      if (e.key.keysym.sym == SDLK_F1) {
        if (!e.key.repeat) batch.Post(kMsgHelp);
        break;
      }
      if (const uint32_t vk = VirtualKey(e.key.keysym.sym)) batch.Post(kMsgKeyDown, vk);
      if (const uint32_t c = ControlCharacter(e.key.keysym)) batch.Post(kMsgChar, c);
      break;
    }
    case SDL_TEXTINPUT:
      for (char c : Utf8ToCp1252(e.text.text)) batch.Post(kMsgChar, static_cast<uint8_t>(c));
      break;
    default:
      break;
  }
}

}  // namespace

std::unique_ptr<NativeWindow> CreateSdlWindow(const WindowOptions& options, std::string* error) {
  auto window = std::make_unique<SdlWindow>();
  if (!window->Open(options, error)) return nullptr;
  return window;
}

}  // namespace orx::platform
