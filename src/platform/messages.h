// Window messages. The values are those of the handheld's window system so that the
// window procedure, the widget toolkit and the message queue speak one language.
#pragma once

#include <cstdint>

namespace orx::platform {

enum : uint32_t {
  kMsgNull = 0x0000,
  kMsgDestroy = 0x0002,
  kMsgActivate = 0x0006,      // wParam 0 = inactive, 1 = active
  kMsgSetFocus = 0x0007,
  kMsgKillFocus = 0x0008,
  kMsgPaint = 0x000F,
  kMsgClose = 0x0010,
  kMsgQuit = 0x0012,          // wParam = exit code
  kMsgSettingChange = 0x001A,
  kMsgHelp = 0x0053,
  kMsgKeyDown = 0x0100,       // wParam = virtual-key code
  kMsgChar = 0x0102,          // wParam = Windows-1252 character code
  kMsgCommand = 0x0111,       // wParam = command identifier, lParam = detail
  kMsgTimer = 0x0113,         // wParam = timer identifier
  kMsgMouseMove = 0x0200,     // lParam = MakePointParam(x, y) in frame pixels
  kMsgLButtonDown = 0x0201,
  kMsgLButtonUp = 0x0202,
  kMsgLButtonDblClk = 0x0203,
  kMsgUser = 0x0400,
  kMsgDialogResult = kMsgUser + 200,  // 1224
  kMsgSoftKey = 2024,
  kMsgShowInstance = kMsgUser + 300,  // another start asked this copy to show itself
};

// Virtual-key codes delivered with kMsgKeyDown.
enum : uint32_t {
  kVkBack = 8,
  kVkReturn = 13,
  kVkEnd = 35,
  kVkHome = 36,
  kVkLeft = 37,
  kVkUp = 38,
  kVkRight = 39,
  kVkDown = 40,
  kVkDelete = 46,
};

// The timer of the main window: identifier 8000, every 50 ms.
inline constexpr uint32_t kAnimationTimerId = 8000;
inline constexpr uint32_t kAnimationTimerPeriodMs = 50;

struct Message {
  uint32_t id = kMsgNull;
  uintptr_t wParam = 0;
  intptr_t lParam = 0;
};

// Stylus positions travel in lParam as two signed 16-bit halves, x low and y high.
inline intptr_t MakePointParam(int x, int y) {
  return static_cast<intptr_t>((static_cast<uint32_t>(static_cast<uint16_t>(y)) << 16) |
                               static_cast<uint16_t>(x));
}
inline int PointParamX(intptr_t lParam) { return static_cast<int16_t>(lParam & 0xFFFF); }
inline int PointParamY(intptr_t lParam) { return static_cast<int16_t>((lParam >> 16) & 0xFFFF); }

}  // namespace orx::platform
