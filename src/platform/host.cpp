#include "platform/host.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/clock.h"

namespace orx::platform {

// ---------------------------------------------------------------------------------------
// MessageQueue

void MessageQueue::Post(const Message& m) {
  std::function<void()> waker;
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(m);
    waker = waker_;
  }
  // Called outside the lock so that a waker may itself touch the queue.
  if (waker) waker();
}

bool MessageQueue::TryPop(Message& out) {
  std::lock_guard lock(mutex_);
  if (queue_.empty()) return false;
  out = queue_.front();
  queue_.pop_front();
  return true;
}

bool MessageQueue::empty() const {
  std::lock_guard lock(mutex_);
  return queue_.empty();
}

void MessageQueue::SetWaker(std::function<void()> waker) {
  std::lock_guard lock(mutex_);
  waker_ = std::move(waker);
}

// ---------------------------------------------------------------------------------------
// Headless window

namespace {

class HeadlessWindow final : public NativeWindow {
 public:
  explicit HeadlessWindow(std::unique_ptr<Display> display)
      : display_(display ? std::move(display) : std::make_unique<HeadlessDisplay>()) {}

  Display& display() override { return *display_; }
  void Show() override { visible_ = true; }
  void Hide() override { visible_ = false; }
  void Raise() override { visible_ = true; }
  bool visible() const override { return visible_; }

  void WaitEvents(MessageQueue&, int timeoutMs) override {
    std::unique_lock lock(mutex_);
    if (timeoutMs < 0) {
      woken_cv_.wait(lock, [this] { return woken_; });
    } else {
      woken_cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return woken_; });
    }
    woken_ = false;
  }

  void Wake() override {
    {
      std::lock_guard lock(mutex_);
      woken_ = true;
    }
    woken_cv_.notify_one();
  }

 private:
  std::unique_ptr<Display> display_;
  bool visible_ = true;
  std::mutex mutex_;
  std::condition_variable woken_cv_;
  bool woken_ = false;  // a Wake not yet consumed by WaitEvents
};

}  // namespace

std::unique_ptr<NativeWindow> CreateHeadlessWindow(std::unique_ptr<Display> display) {
  return std::make_unique<HeadlessWindow>(std::move(display));
}

// ---------------------------------------------------------------------------------------
// Host

namespace {
void UninstallTerminationHandlersOf(Host* host);
}

Host::Host(std::unique_ptr<NativeWindow> window)
    : window_(window ? std::move(window) : CreateHeadlessWindow()) {
  queue_.SetWaker([w = window_.get()] { w->Wake(); });
}

Host::~Host() {
  UninstallTerminationHandlersOf(this);
  queue_.SetWaker(nullptr);
}

void Host::PostMessage(uint32_t id, uintptr_t wParam, intptr_t lParam) {
  queue_.Post(Message{id, wParam, lParam});
}

intptr_t Host::SendMessage(uint32_t id, uintptr_t wParam, intptr_t lParam) {
  const Message m{id, wParam, lParam};
  if (proc_) return proc_(m);
  if (id == kMsgClose) PostQuitMessage(0);
  return 0;
}

uint32_t Host::SetTimer(uint32_t id, uint32_t periodMs) {
  const uint32_t period = periodMs > 0 ? periodMs : 1;
  timers_[id] = Timer{period, CurrentClock().TickCount() + period};
  return id;
}

bool Host::KillTimer(uint32_t id) { return timers_.erase(id) > 0; }

void Host::PostQuitMessage(int code) {
  queue_.Post(Message{kMsgQuit, static_cast<uintptr_t>(static_cast<intptr_t>(code)), 0});
}

bool Host::DispatchOne(const Message& m) {
  if (m.id == kMsgQuit) {
    quit_ = true;
    exitCode_ = static_cast<int>(static_cast<intptr_t>(m.wParam));
    return false;
  }
  SendMessage(m.id, m.wParam, m.lParam);
  return true;
}

bool Host::DrainQueue() {
  for (;;) {
    if (closeRequested_.exchange(false)) {
      if (!DispatchOne(Message{kMsgClose})) return false;
      continue;
    }
    Message m;
    if (!queue_.TryPop(m)) return true;
    if (!DispatchOne(m)) return false;
  }
}

bool Host::DispatchDueTimers() {
  const uint32_t now = CurrentClock().TickCount();
  std::vector<uint32_t> due;
  for (const auto& [id, t] : timers_)
    if (static_cast<int32_t>(now - t.due) >= 0) due.push_back(id);
  for (uint32_t id : due) {
    auto it = timers_.find(id);
    if (it == timers_.end()) continue;  // killed by an earlier tick's handler
    Timer& t = it->second;
    if (static_cast<int32_t>(now - t.due) < 0) continue;  // set anew meanwhile
    // One tick however late the loop is; the next stays on the timer's beat.
    const uint32_t late = now - t.due;
    t.due += t.period * (late / t.period + 1);
    if (!DispatchOne(Message{kMsgTimer, id, 0})) return false;
  }
  return true;
}

int Host::MillisToNextTimer() const {
  if (timers_.empty()) return -1;
  const uint32_t now = CurrentClock().TickCount();
  int best = -1;
  for (const auto& [id, t] : timers_) {
    const int32_t left = static_cast<int32_t>(t.due - now);
    const int wait = left > 0 ? left : 0;
    if (best < 0 || wait < best) best = wait;
  }
  return best;
}

bool Host::PumpPending() {
  if (quit_ || !DrainQueue()) return false;
  if (!DispatchDueTimers() || !DrainQueue()) return false;
  if (paintRequested_) {
    paintRequested_ = false;
    if (!DispatchOne(Message{kMsgPaint}) || !DrainQueue()) return false;
  }
  return true;
}

int Host::RunMessageLoop() {
  while (PumpPending()) {
    int timeout = MillisToNextTimer();
    if (paintRequested_ || closeRequested_ || !queue_.empty()) timeout = 0;
    window_->WaitEvents(queue_, timeout);
  }
  return exitCode_;
}

// ---------------------------------------------------------------------------------------
// Termination signals
//
// The handler may call only async-signal-safe functions, so it writes one byte to a pipe;
// a watcher thread reads it and asks the installed host to close.

namespace {

struct TerminationState {
  std::mutex mutex;
  Host* host = nullptr;
  int pipe[2] = {-1, -1};
  std::thread watcher;
  bool installed = false;
  struct sigaction previousTerm {};
  struct sigaction previousInt {};
};

// Never destroyed: a watcher still running at exit must not end the process.
TerminationState& Termination() {
  static TerminationState* const state = new TerminationState;
  return *state;
}

volatile sig_atomic_t g_signalPipe = -1;

void OnTerminationSignal(int) {
  const int savedErrno = errno;
  const int fd = g_signalPipe;
  if (fd >= 0) {
    const char b = 's';
    [[maybe_unused]] ssize_t n = ::write(fd, &b, 1);
  }
  errno = savedErrno;
}

void WatchTerminationPipe(int readFd) {
  for (;;) {
    char b;
    const ssize_t n = ::read(readFd, &b, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0 || b == 'q') return;
    TerminationState& s = Termination();
    std::lock_guard lock(s.mutex);
    if (s.host) s.host->RequestClose();
  }
}

void Uninstall(std::unique_lock<std::mutex>& lock) {
  TerminationState& s = Termination();
  s.host = nullptr;
  if (!s.installed) return;
  s.installed = false;
  ::sigaction(SIGTERM, &s.previousTerm, nullptr);
  ::sigaction(SIGINT, &s.previousInt, nullptr);
  g_signalPipe = -1;
  const char q = 'q';
  [[maybe_unused]] ssize_t n = ::write(s.pipe[1], &q, 1);
  std::thread watcher = std::move(s.watcher);
  const int fds[2] = {s.pipe[0], s.pipe[1]};
  s.pipe[0] = s.pipe[1] = -1;
  lock.unlock();  // the watcher may be waiting for the lock
  if (watcher.joinable()) watcher.join();
  ::close(fds[0]);
  ::close(fds[1]);
}

void UninstallTerminationHandlersOf(Host* host) {
  TerminationState& s = Termination();
  std::unique_lock lock(s.mutex);
  if (s.host == host) Uninstall(lock);
}

}  // namespace

void InstallTerminationHandlers(Host* host) {
  TerminationState& s = Termination();
  std::unique_lock lock(s.mutex);
  if (!host) {
    Uninstall(lock);
    return;
  }
  s.host = host;
  if (s.installed) return;
  if (::pipe2(s.pipe, O_CLOEXEC) != 0) return;
  ::fcntl(s.pipe[1], F_SETFL, ::fcntl(s.pipe[1], F_GETFL) | O_NONBLOCK);
  s.watcher = std::thread(WatchTerminationPipe, s.pipe[0]);
  g_signalPipe = s.pipe[1];
  struct sigaction sa {};
  sa.sa_handler = OnTerminationSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  ::sigaction(SIGTERM, &sa, &s.previousTerm);
  ::sigaction(SIGINT, &sa, &s.previousInt);
  s.installed = true;
}

}  // namespace orx::platform
