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
  // Starts the main window's 50 ms timer, as the entry function does.
  void StartTimer() {
    app_.animationTimer = app_.host->SetTimer(platform::kAnimationTimerId, platform::kAnimationTimerPeriodMs);
    timerStarted_ = true;
  }
  // Delivers every message, due timer tick and paint.
  void Pump() { app_.host->PumpPending(); }

  TempDir dir_;
  platform::ManualClock clock_;
  App app_;
  bool timerStarted_ = false;
};

}  // namespace orx::testing
