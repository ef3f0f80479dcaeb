// The message loop: timers, painting, quitting, closing, posting from threads; the
// termination signals; one running copy per user.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/host.h"
#include "platform/single_instance.h"

namespace orx::platform {
namespace {

namespace fs = std::filesystem;

// A host on a headless window whose window procedure records every message, with a
// manual clock installed for the test's duration.
class HostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallClock(&clock_);
    host_.SetWindowProc([this](const Message& m) {
      log_.push_back(m);
      if (onMessage_) onMessage_(m);
      return intptr_t{0};
    });
  }
  void TearDown() override { InstallClock(nullptr); }

  std::vector<uint32_t> Ids() const {
    std::vector<uint32_t> ids;
    for (const Message& m : log_) ids.push_back(m.id);
    return ids;
  }
  int Count(uint32_t id) const {
    int n = 0;
    for (const Message& m : log_) n += m.id == id;
    return n;
  }
  int Ticks() {
    log_.clear();
    EXPECT_TRUE(host_.PumpPending());
    return Count(kMsgTimer);
  }

  ManualClock clock_{0, 1000};
  Host host_{CreateHeadlessWindow()};
  std::vector<Message> log_;
  std::function<void(const Message&)> onMessage_;
};

TEST_F(HostTest, TimerTicksWhenDueOnceHoweverLateAndStaysOnItsBeat) {
  EXPECT_EQ(host_.SetTimer(kAnimationTimerId, 50), kAnimationTimerId);
  EXPECT_EQ(Ticks(), 0);
  clock_.Advance(49);
  EXPECT_EQ(Ticks(), 0);
  clock_.Advance(1);
  EXPECT_EQ(Ticks(), 1);
  EXPECT_EQ(log_[0].wParam, kAnimationTimerId);
  EXPECT_EQ(Ticks(), 0);
  clock_.Advance(470);  // 9 periods late: one tick, not a burst
  EXPECT_EQ(Ticks(), 1);
  clock_.Advance(29);   // the beat is kept: next tick at 1000 + 550
  EXPECT_EQ(Ticks(), 0);
  clock_.Advance(1);
  EXPECT_EQ(Ticks(), 1);

  EXPECT_TRUE(host_.KillTimer(kAnimationTimerId));
  EXPECT_FALSE(host_.KillTimer(kAnimationTimerId));
  clock_.Advance(1000);
  EXPECT_EQ(Ticks(), 0);
}

TEST_F(HostTest, TimersAcrossTheTickCountWrapAndKilledByAnotherTick) {
  clock_ = ManualClock(0, 0xFFFFFFF0u);
  host_.SetTimer(1, 20);
  host_.SetTimer(2, 20);
  onMessage_ = [this](const Message& m) {
    if (m.id == kMsgTimer && m.wParam == 1) host_.KillTimer(2);
  };
  clock_.Advance(20);  // the tick count wraps through 0
  EXPECT_EQ(Ticks(), 1);
  EXPECT_EQ(log_[0].wParam, 1u);
  clock_.Advance(20);
  EXPECT_EQ(Ticks(), 1);
}

TEST_F(HostTest, PaintComesOnceAfterTheQueueAndAfterTimerTicks) {
  onMessage_ = [this](const Message& m) {
    if (m.id == kMsgUser || m.id == kMsgTimer) host_.Invalidate();
  };
  for (int i = 0; i < 3; ++i) host_.PostMessage(kMsgUser, i);
  host_.SetTimer(5, 50);
  clock_.Advance(50);
  ASSERT_TRUE(host_.PumpPending());
  EXPECT_EQ(Ids(), (std::vector<uint32_t>{kMsgUser, kMsgUser, kMsgUser, kMsgTimer, kMsgPaint}));
  EXPECT_FALSE(host_.paintRequested());

  // A paint that asks for the next one gets it on the next round, not in a loop.
  onMessage_ = [this](const Message& m) {
    if (m.id == kMsgPaint) host_.Invalidate();
  };
  host_.Invalidate();
  log_.clear();
  ASSERT_TRUE(host_.PumpPending());
  EXPECT_EQ(Count(kMsgPaint), 1);
  EXPECT_TRUE(host_.paintRequested());
}

TEST_F(HostTest, QuitEndsTheLoopWithItsCodeAndLaterMessagesStay) {
  host_.PostMessage(kMsgUser, 1);
  host_.PostQuitMessage(7);
  host_.PostMessage(kMsgUser, 2);
  EXPECT_EQ(host_.RunMessageLoop(), 7);
  EXPECT_EQ(Ids(), std::vector<uint32_t>{kMsgUser});
  EXPECT_TRUE(host_.quit());
  EXPECT_FALSE(host_.PumpPending());
}

TEST_F(HostTest, CloseRequestsMakeOneCloseAndABareHostQuitsOnIt) {
  host_.RequestClose();
  host_.RequestClose();
  ASSERT_TRUE(host_.PumpPending());
  EXPECT_EQ(Count(kMsgClose), 1);

  Host bare(nullptr);
  bare.RequestClose();
  EXPECT_EQ(bare.RunMessageLoop(), 0);
}

// A window that, instead of waiting, moves the manual clock on by the time it was
// given, so the loop's waits can be checked without real time passing.
class FastForwardWindow final : public NativeWindow {
 public:
  explicit FastForwardWindow(ManualClock& clock, std::vector<int>& waits) : clock_(clock), waits_(waits) {}
  Display& display() override { return display_; }
  void Show() override {}
  void Hide() override {}
  void Raise() override {}
  bool visible() const override { return true; }
  void WaitEvents(MessageQueue&, int timeoutMs) override {
    waits_.push_back(timeoutMs);
    if (timeoutMs > 0) clock_.Advance(static_cast<uint32_t>(timeoutMs));
  }
  void Wake() override {}

 private:
  ManualClock& clock_;
  std::vector<int>& waits_;
  HeadlessDisplay display_;
};

TEST(HostLoop, WaitsExactlyUntilTheNextTickAndPaintsWithoutWaiting) {
  ManualClock clock(0, 0);
  InstallClock(&clock);
  std::vector<int> waits;
  Host host(std::make_unique<FastForwardWindow>(clock, waits));
  int ticks = 0, paints = 0;
  host.SetWindowProc([&](const Message& m) {
    if (m.id == kMsgTimer && ++ticks == 4) host.PostQuitMessage(0);
    if (m.id == kMsgTimer && ticks == 2) host.Invalidate();
    if (m.id == kMsgPaint && ++paints < 3) host.Invalidate();  // animates for three frames
    return intptr_t{0};
  });
  host.SetTimer(kAnimationTimerId, kAnimationTimerPeriodMs);
  EXPECT_EQ(host.RunMessageLoop(), 0);
  InstallClock(nullptr);
  EXPECT_EQ(ticks, 4);
  EXPECT_EQ(paints, 3);
  // Never a busy wait: a timer period each, except the two polls while painting.
  EXPECT_EQ(waits, (std::vector<int>{50, 50, 0, 0, 50, 50}));
}

TEST(HostLoop, MessagesFromManyThreadsArriveInOrderAndWakeTheLoop) {
  Host host(CreateHeadlessWindow());
  constexpr int kThreads = 4, kPerThread = 2000;
  std::vector<int> next(kThreads, 0);
  int received = 0;
  bool inOrder = true;
  host.SetWindowProc([&](const Message& m) {
    if (m.id != kMsgUser) return intptr_t{0};
    const int thread = static_cast<int>(m.wParam), seq = static_cast<int>(m.lParam);
    inOrder = inOrder && seq == next[thread];
    next[thread] = seq + 1;
    if (++received == kThreads * kPerThread) host.PostQuitMessage(1);
    return intptr_t{0};
  });
  // No timer: the loop sleeps until a post wakes it.
  std::vector<std::thread> posters;
  for (int t = 0; t < kThreads; ++t)
    posters.emplace_back([&host, t] {
      for (int i = 0; i < kPerThread; ++i) {
        host.PostMessage(kMsgUser, t, i);
        if (i % 500 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
    });
  std::atomic<bool> done{false};
  std::thread watchdog([&] {
    for (int i = 0; i < 200 && !done; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (!done) host.PostMessage(kMsgQuit, static_cast<uintptr_t>(-1));
  });
  const int code = host.RunMessageLoop();
  done = true;
  for (auto& p : posters) p.join();
  watchdog.join();
  EXPECT_EQ(code, 1);
  EXPECT_EQ(received, kThreads * kPerThread);
  EXPECT_TRUE(inOrder);
}

volatile sig_atomic_t g_previousHandlerRan = 0;

TEST(HostLoop, TerminationSignalClosesTheWindowThenThePreviousHandlerIsBack) {
  g_previousHandlerRan = 0;
  struct sigaction mine {}, saved {};
  mine.sa_handler = [](int) { g_previousHandlerRan = 1; };
  sigaction(SIGTERM, &mine, &saved);

  Host host(CreateHeadlessWindow());
  host.SetWindowProc([&](const Message& m) {
    if (m.id == kMsgClose) host.PostQuitMessage(15);
    return intptr_t{0};
  });
  InstallTerminationHandlers(&host);
  std::thread killer([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    kill(getpid(), SIGTERM);
  });
  EXPECT_EQ(host.RunMessageLoop(), 15);  // sleeps without a timer until the signal
  killer.join();
  EXPECT_EQ(g_previousHandlerRan, 0);

  InstallTerminationHandlers(nullptr);
  raise(SIGTERM);
  EXPECT_EQ(g_previousHandlerRan, 1);
  sigaction(SIGTERM, &saved, nullptr);
}

class SingleInstanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = fs::temp_directory_path() / ("orx_si_" + std::to_string(getpid()) + ".sock");
    fs::remove(path_);
  }
  void TearDown() override { fs::remove(path_); }
  fs::path path_;
};

TEST_F(SingleInstanceTest, SecondCopyAsksTheFirstToShowAndLeaves) {
  std::atomic<int> shows{0};
  SingleInstance first, second, third;
  ASSERT_TRUE(first.Acquire(path_, [&] { return ++shows > 0; }));
  EXPECT_FALSE(second.Acquire(path_, [] {
    ADD_FAILURE() << "the second copy listens";
    return true;
  }));
  EXPECT_EQ(shows, 1);  // answered only after the request was handled
  EXPECT_FALSE(third.Acquire(path_, nullptr));
  EXPECT_EQ(shows, 2);

  first.Release();
  EXPECT_FALSE(fs::exists(path_));
  EXPECT_TRUE(third.Acquire(path_, nullptr));
}

TEST_F(SingleInstanceTest, StaleSocketOfACrashedCopyIsReplacedButOtherFilesAreNot) {
  {
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strcpy(addr.sun_path, path_.c_str());
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    close(fd);  // the file stays, nobody listens
  }
  std::atomic<int> shows{0};
  SingleInstance first, second;
  ASSERT_TRUE(first.Acquire(path_, [&] { return ++shows > 0; }));
  EXPECT_FALSE(second.Acquire(path_, nullptr));
  EXPECT_EQ(shows, 1);
  first.Release();

  { std::ofstream(path_) << "not a socket"; }
  SingleInstance lone;
  EXPECT_TRUE(lone.Acquire(path_, nullptr));  // runs, unfindable, and leaves the file be
  lone.Release();
  EXPECT_TRUE(fs::is_regular_file(path_));
}

// A start that arrives while the first copy exits is not sent away with an answer that
// nobody acts on: it waits until the first copy is gone and then runs itself.
TEST_F(SingleInstanceTest, SecondStartDuringTheExitWaitsAndThenRuns) {
  std::atomic<bool> exiting{false};
  SingleInstance first;
  ASSERT_TRUE(first.Acquire(path_, [&] { return !exiting.load(); }));
  exiting = true;
  std::atomic<bool> released{false}, secondRuns{false}, secondDone{false};
  std::thread second([&] {
    SingleInstance s;
    secondRuns = s.Acquire(path_, nullptr);
    EXPECT_TRUE(released.load()) << "the second start did not wait for the exit";
    secondDone = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_FALSE(secondDone.load());
  released = true;
  first.Release();
  second.join();
  EXPECT_TRUE(secondRuns.load());
}

// Another user's listener at our socket path (possible in /tmp) must not make every
// start end: it is replaced, or when it cannot be removed a numbered path is used, which
// the next copy of ours finds. Needs root to act as two other users.
TEST_F(SingleInstanceTest, ListenerOfAnotherUserIsNotTakenForOurCopy) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to run processes as other users";
  char dirTemplate[] = "/tmp/orx_si_sticky_XXXXXX";
  ASSERT_NE(mkdtemp(dirTemplate), nullptr);
  const fs::path dir = dirTemplate;
  fs::permissions(dir, fs::perms::all | fs::perms::sticky_bit);  // like /tmp
  const fs::path path = dir / "orrelux.sock";

  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t impostor = fork();
  ASSERT_GE(impostor, 0);
  if (impostor == 0) {  // user 65534 listens and answers every request like a copy
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(1);
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strcpy(addr.sun_path, path.c_str());
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(fd, 8) != 0) _exit(1);
    [[maybe_unused]] ssize_t n = write(ready[1], "r", 1);
    for (;;) {
      const int c = accept(fd, nullptr, nullptr);
      if (c < 0) continue;
      char buf[16];
      n = read(c, buf, sizeof buf);
      n = write(c, "ok\n", 3);
      close(c);
    }
  }
  char r = 0;
  ASSERT_EQ(read(ready[0], &r, 1), 1);

  // As root the foreign socket can be removed and is replaced.
  {
    std::atomic<int> shows{0};
    SingleInstance first, second;
    EXPECT_TRUE(first.Acquire(path, [&] { return ++shows > 0; }));
    EXPECT_FALSE(second.Acquire(path, nullptr));
    EXPECT_EQ(shows, 1);
  }
  // As a third user, in the sticky folder, it cannot be removed: a numbered path serves.
  const pid_t other = fork();
  ASSERT_GE(other, 0);
  if (other == 0) {
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);  // the impostor again, at the path
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strcpy(addr.sun_path, path.c_str());
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(fd, 8) != 0) _exit(3);
    if (chown(path.c_str(), 65534, 65534) != 0) _exit(3);
    if (setgid(65533) != 0 || setuid(65533) != 0) _exit(3);
    SingleInstance first, second;
    if (!first.Acquire(path, [] { return true; })) _exit(4);
    if (first.path() == path) _exit(5);
    if (second.Acquire(path, nullptr)) { std::fprintf(stderr, "first at %s, second at %s\n", first.path().c_str(), second.path().c_str()); _exit(6); }
    _exit(0);
  }
  int status = 0;
  waitpid(other, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
  kill(impostor, SIGKILL);
  waitpid(impostor, nullptr, 0);
  close(ready[0]);
  close(ready[1]);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace orx::platform
