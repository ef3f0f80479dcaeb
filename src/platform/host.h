// The application window and its message loop: a native window (SDL2 or headless), the
// program's own thread-safe message queue, the window timers and coalesced painting.
// A Host stands for the handheld's "window handle": widgets post messages through it.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/display.h"
#include "platform/messages.h"

namespace orx::platform {

class MessageQueue;

// A window on the desktop (or none): shows the display, turns native input into messages.
class NativeWindow {
 public:
  virtual ~NativeWindow() = default;
  virtual Display& display() = 0;
  virtual void Show() = 0;
  virtual void Hide() = 0;
  // Brings the window to the front and gives it the focus.
  virtual void Raise() = 0;
  virtual bool visible() const = 0;
  // Waits at most `timeoutMs` for native input, posting what arrives to `queue`
  // (stylus, keys, characters, focus, close). Returns early when Wake is called.
  virtual void WaitEvents(MessageQueue& queue, int timeoutMs) = 0;
  // Ends a WaitEvents in progress; callable from any thread.
  virtual void Wake() = 0;
};

struct WindowOptions {
  int scale = 0;            // 0 = the largest of 1, 2, 3 that fits the desktop
  bool fullscreen = false;  // desktop full screen, integer-scaled and centred
  std::string title = "Orrelux";
};

// Opens an SDL2 window with a 240 x 320 RGB565 display. Null with `error` set when no
// display can be opened.
std::unique_ptr<NativeWindow> CreateSdlWindow(const WindowOptions& options, std::string* error);
// A window without a screen: an in-memory display, input only through PostMessage.
std::unique_ptr<NativeWindow> CreateHeadlessWindow(std::unique_ptr<Display> display = nullptr);

// Thread-safe FIFO of messages; Post wakes the owning loop.
class MessageQueue {
 public:
  void Post(const Message& m);
  bool TryPop(Message& out);
  bool empty() const;
  // Called after every Post (from the posting thread) to wake the waiting loop.
  void SetWaker(std::function<void()> waker);

 private:
  mutable std::mutex mutex_;
  std::deque<Message> queue_;
  std::function<void()> waker_;
};

using WindowProc = std::function<intptr_t(const Message&)>;

class Host {
 public:
  // A null window gets a headless one.
  explicit Host(std::unique_ptr<NativeWindow> window);
  ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  NativeWindow& window() { return *window_; }
  Display& display() { return window_->display(); }
  void SetWindowProc(WindowProc proc) { proc_ = std::move(proc); }

  // Queues a message for the window procedure; callable from any thread.
  void PostMessage(uint32_t id, uintptr_t wParam = 0, intptr_t lParam = 0);
  // Calls the window procedure at once (user-interface thread only).
  intptr_t SendMessage(uint32_t id, uintptr_t wParam = 0, intptr_t lParam = 0);
  // A timer message `id` every `periodMs` by the current clock's tick count; at most one
  // tick of a timer is pending at a time. Returns the identifier.
  uint32_t SetTimer(uint32_t id, uint32_t periodMs);
  bool KillTimer(uint32_t id);
  // Asks for a paint message once the queue is empty (several requests make one paint).
  void Invalidate() { paintRequested_ = true; }
  bool paintRequested() const { return paintRequested_; }
  // Ends the loop with `code` once the quit message comes up.
  void PostQuitMessage(int code);
  // Delivered as kMsgClose by the loop (before other queued messages; several requests
  // make one close); callable from any thread. Without a window procedure a close ends
  // the loop with code 0. Signal handlers use InstallTerminationHandlers instead.
  void RequestClose() { closeRequested_ = true; window_->Wake(); }

  // Runs until the quit message; returns its exit code. Waits for input or the next
  // timer tick, never spinning; while a paint is requested it paints without waiting.
  int RunMessageLoop();
  // Delivers, without waiting for new input: the queued messages (also those posted
  // meanwhile), then one tick of every due timer, then the pending paint (a paint asked
  // for during the paint waits for the next call). False once the quit message has
  // been handled. For tests and headless runs.
  bool PumpPending();
  bool quit() const { return quit_; }
  int exitCode() const { return exitCode_; }

 private:
  struct Timer {
    uint32_t period;  // ms, at least 1
    uint32_t due;     // tick count of the next tick
  };
  bool DispatchOne(const Message& m);
  // Each false return means the quit message was handled.
  bool DrainQueue();
  bool DispatchDueTimers();
  int MillisToNextTimer() const;  // -1 = no timer

  std::unique_ptr<NativeWindow> window_;
  MessageQueue queue_;
  WindowProc proc_;
  std::map<uint32_t, Timer> timers_;
  bool paintRequested_ = false;
  bool quit_ = false;
  int exitCode_ = 0;
  std::atomic<bool> closeRequested_{false};
};

// SIGTERM and SIGINT ask `host` to close (the orderly exit): the handler only writes to
// a pipe, and a watcher thread calls RequestClose. Null restores the previous handlers;
// destroying the host does too.
void InstallTerminationHandlers(Host* host);

}  // namespace orx::platform
