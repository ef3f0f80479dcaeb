// A fixture that starts the whole program headless: a manual clock at
// 2026-12-07T12:00:00Z, the bundled data, settings and user data in a temporary folder,
// and the main window procedure on a headless window.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>

#include "app/app.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "support/temp_dir.h"

namespace orx::testing {

class HeadlessApp : public ::testing::Test {
 protected:
  void SetUp() override {
    clock_ = platform::ManualClock(*platform::ParseUtcInstant("2026-12-07T12:00:00Z"), 1000);
    platform::InstallClock(&clock_);
    app_.paths.dataDir = std::filesystem::path(ORRELUX_SOURCE_DIR) / "data";
    app_.paths.userDataDir = dir_.path() / "user";
    app_.paths.settingsFile = dir_.path() / "settings.ini";
    app_.sleep = [](int) {};
    app_.host = std::make_unique<platform::Host>(platform::CreateHeadlessWindow());
    app_.host->SetWindowProc([this](const platform::Message& m) { return MainWindowProc(app_, m); });
    ASSERT_EQ(StartUp(app_), kStatusOk);
  }
  void TearDown() override {
    if (timerStarted_) app_.host->KillTimer(platform::kAnimationTimerId);
    ReleaseAll(app_);
    platform::InstallClock(nullptr);
  }
  // Delivers every message, due timer tick and paint.
  void Pump() { app_.host->PumpPending(); }
  void Post(uint32_t id, uintptr_t w = 0, intptr_t l = 0) {
    app_.host->PostMessage(id, w, l);
    Pump();
  }
  void Down(int x, int y) { Post(platform::kMsgLButtonDown, 0, platform::MakePointParam(x, y)); }
  void Move(int x, int y) { Post(platform::kMsgMouseMove, 0, platform::MakePointParam(x, y)); }
  void Up(int x, int y) { Post(platform::kMsgLButtonUp, 0, platform::MakePointParam(x, y)); }
  void Tap(int x, int y) {
    Down(x, y);
    Up(x, y);
  }
  // The program's 50 ms timer, as a real start sets it up.
  void StartTimer() {
    app_.animationTimer = app_.host->SetTimer(platform::kAnimationTimerId, platform::kAnimationTimerPeriodMs);
    timerStarted_ = true;
  }
  // Lets `ms` of time pass in timer periods.
  void Advance(uint32_t ms) {
    for (uint32_t t = 0; t < ms; t += 50) {
      clock_.Advance(50);
      Pump();
    }
  }

  TempDir dir_;
  platform::ManualClock clock_;
  App app_;
  bool timerStarted_ = false;
};

}  // namespace orx::testing
