// Clock and calendar, text conversion, and where the program's files are.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <filesystem>
#include <fstream>

#include "platform/clock.h"
#include "platform/paths.h"
#include "platform/text_encoding.h"

namespace orx::platform {
namespace {

namespace fs = std::filesystem;

constexpr int64_t kDayMs = 86'400'000;

TEST(Calendar, AgreesWithTheCLibraryOverTwoCenturies) {
  // glibc's gmtime_r is an independent proleptic Gregorian calendar.
  for (int64_t day = -25567; day <= 47482; ++day) {  // 1900-01-01 .. 2099-12-31
    const int64_t ms = day * kDayMs + 12 * 3'600'000 + 34 * 60'000 + 56'789;
    const time_t secs = static_cast<time_t>(ms / 1000);
    struct tm ref;
    ASSERT_NE(gmtime_r(&secs, &ref), nullptr);
    const SystemTime t = SystemTimeFromMillis(ms);
    ASSERT_EQ(t.year, ref.tm_year + 1900) << day;
    ASSERT_EQ(t.month, ref.tm_mon + 1) << day;
    ASSERT_EQ(t.day, ref.tm_mday) << day;
    ASSERT_EQ(t.dayOfWeek, ref.tm_wday) << day;
    ASSERT_EQ(t.hour, 12);
    ASSERT_EQ(t.minute, 34);
    ASSERT_EQ(t.second, 56);
    ASSERT_EQ(t.milliseconds, 789);
    ASSERT_EQ(MillisFromSystemTime(t), ms) << day;
  }
}

TEST(Calendar, RoundTripsFarFromTheEpochAndBeforeIt) {
  int prevWeekday = SystemTimeFromMillis(-3'000'000LL * kDayMs).dayOfWeek;
  for (int64_t day = -3'000'000 + 1; day <= 3'000'000; day += 1) {  // about 8000 years each way
    const SystemTime t = SystemTimeFromMillis(day * kDayMs);
    ASSERT_EQ(MillisFromSystemTime(t), day * kDayMs) << day;
    ASSERT_EQ(t.dayOfWeek, (prevWeekday + 1) % 7) << day;
    prevWeekday = t.dayOfWeek;
  }
  const SystemTime before = SystemTimeFromMillis(-1);
  EXPECT_EQ(before.year, 1969);
  EXPECT_EQ(before.month, 12);
  EXPECT_EQ(before.day, 31);
  EXPECT_EQ(before.dayOfWeek, 3);
  EXPECT_EQ(before.hour, 23);
  EXPECT_EQ(before.milliseconds, 999);
  // Month 13 carries into the next year.
  EXPECT_EQ(MillisFromSystemTime(SystemTime{2025, 13, 0, 1}), MillisFromSystemTime(SystemTime{2026, 1, 0, 1}));
}

TEST(ParseUtcInstant, AcceptsTheDocumentedForms) {
  const int64_t noon = MillisFromSystemTime(SystemTime{2026, 12, 1, 7, 12, 0, 0, 0});
  EXPECT_EQ(ParseUtcInstant("2026-12-07T12:00:00Z"), noon);
  EXPECT_EQ(ParseUtcInstant("2026-12-07T12:00Z"), noon);
  EXPECT_EQ(ParseUtcInstant("2026-12-07 12:00:00"), noon);
  EXPECT_EQ(ParseUtcInstant("2026-12-07t12:00z\n"), noon);
  EXPECT_EQ(ParseUtcInstant("2026-12-07T13:30:00+01:30"), noon);
  EXPECT_EQ(ParseUtcInstant("2026-12-07T07:00:00-05:00"), noon);
  EXPECT_EQ(ParseUtcInstant("2026-12-07T07:00-0500"), noon);
  EXPECT_EQ(ParseUtcInstant("2026-12-07T12:00:00.25Z"), noon + 250);
  EXPECT_EQ(ParseUtcInstant("2026-12-07"), noon - 12 * 3'600'000);
  EXPECT_EQ(ParseUtcInstant("2026-12-08T00:30+01:00"), MillisFromSystemTime(SystemTime{2026, 12, 1, 7, 23, 30}));
  EXPECT_EQ(ParseUtcInstant("2024-02-29T00:00Z").has_value(), true);
  EXPECT_EQ(ParseUtcInstant("2000-02-29T00:00Z").has_value(), true);
}

TEST(ParseUtcInstant, RejectsDaysThatDoNotExistAndMalformedText) {
  for (const char* bad :
       {"2026-02-30T00:00Z", "2025-02-29T00:00Z", "1900-02-29T00:00Z", "2026-04-31", "2026-00-10", "2026-13-01",
        "2026-12-00", "2026-12-07T24:00Z", "2026-12-07T12:60Z", "2026-12-07T12:00:60Z", "2026-12-07T12Z",
        "2026-12-07T12:00:00+25:00", "2026-12-07T12:00:00+01:", "2026-12-07T12:00:00Zjunk", "2026-12-07X12:00",
        "26-12-07T12:00Z", "2026-1-07T12:00Z", "2026-12-07T12:00:00.Z", "", "now"}) {
    EXPECT_FALSE(ParseUtcInstant(bad).has_value()) << bad;
  }
}

TEST(Clock, SystemClockStartsAtTheGivenInstantAndInstalledClockReplacesIt) {
  const int64_t start = *ParseUtcInstant("2026-12-07T12:00:00Z");
  SystemClock fixed(start);
  const int64_t now = fixed.UtcMillis();
  EXPECT_GE(now, start);
  EXPECT_LT(now, start + 60'000);

  ManualClock manual(start, 100);
  InstallClock(&manual);
  manual.Advance(1500);
  EXPECT_EQ(GetTickCount(), 1600u);
  EXPECT_EQ(GetSystemTime().second, 1);
  EXPECT_EQ(GetSystemTime().milliseconds, 500);
  InstallClock(nullptr);
  EXPECT_NE(&CurrentClock(), &manual);
}

TEST(TextEncoding, EveryDefinedCodeRoundTripsAndUndefinedOnesAreDropped) {
  const std::string undefined = "\x81\x8D\x8F\x90\x9D";
  for (int b = 1; b < 256; ++b) {
    const std::string one(1, static_cast<char>(b));
    const std::string utf8 = Cp1252ToUtf8(one);
    if (undefined.find(one) != std::string::npos) {
      EXPECT_EQ(utf8, "") << b;
    } else {
      EXPECT_EQ(Utf8ToCp1252(utf8), one) << b;
    }
  }
  EXPECT_EQ(Cp1252ToUtf8("\x80 \xB0 \x9F"), "\u20AC \u00B0 \u0178");
}

TEST(TextEncoding, Utf8WithoutACodeOrMalformedIsDropped) {
  EXPECT_EQ(Utf8ToCp1252("Z\u00FCrich \u4E2D\u6587 \U0001F600!"), "Z\xFCrich  !");
  EXPECT_EQ(Utf8ToCp1252("\u0081x"), "x");              // a C1 control is not a 1252 code
  EXPECT_EQ(Utf8ToCp1252("a\xC0\x80" "b"), "ab");        // overlong NUL
  EXPECT_EQ(Utf8ToCp1252("a\xED\xA0\x80" "b"), "ab");    // surrogate
  EXPECT_EQ(Utf8ToCp1252("a\xE2\x82" "b"), "ab");        // cut short, next byte kept
  EXPECT_EQ(Utf8ToCp1252("\x80\xBF" "c\xFF"), "c");      // stray continuation, invalid lead
  EXPECT_EQ(Utf8ToCp1252("\xF4\x90\x80\x80"), "");       // beyond U+10FFFF
}

// Sets or unsets an environment variable for one scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = getenv(name)) old_ = old;
    value ? setenv(name, value, 1) : unsetenv(name);
  }
  ~ScopedEnv() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

class PathsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("orx_paths_" + std::to_string(getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_);
  }
  void TearDown() override { fs::remove_all(root_); }
  fs::path root_;
};

TEST_F(PathsTest, DataDirPrecedence) {
  const fs::path option = root_ / "option", env = root_ / "env";
  const fs::path prefix = root_ / "prefix", bin = prefix / "bin", share = prefix / "share" / "orrelux";
  fs::create_directories(option);
  fs::create_directories(env);
  fs::create_directories(bin);

  // Nothing found beside a bare executable.
  EXPECT_EQ(FindDataDirIn(std::nullopt, nullptr, bin), std::nullopt);
  fs::create_directories(share);
  EXPECT_EQ(FindDataDirIn(std::nullopt, nullptr, bin), share);
  EXPECT_EQ(FindDataDirIn(std::nullopt, "", bin), share);  // an empty variable is unset
  std::ofstream(bin / "cities.bin") << "x";
  EXPECT_EQ(FindDataDirIn(std::nullopt, nullptr, bin), bin);
  fs::remove(bin / "cities.bin");
  fs::create_directories(bin / "maps");
  EXPECT_EQ(FindDataDirIn(std::nullopt, nullptr, bin), bin);
  EXPECT_EQ(FindDataDirIn(std::nullopt, env.c_str(), bin), env);
  EXPECT_EQ(FindDataDirIn(option, env.c_str(), bin), option);
  // An explicit folder that is missing is reported, not silently replaced.
  EXPECT_EQ(FindDataDirIn(root_ / "nope", env.c_str(), bin), std::nullopt);
  EXPECT_EQ(FindDataDirIn(std::nullopt, (root_ / "nope").c_str(), bin), std::nullopt);

  ScopedEnv set("ORRELUX_DATA_DIR", env.c_str());
  EXPECT_EQ(FindDataDir(std::nullopt), env);
  EXPECT_EQ(FindDataDir(option), option);
  {
    ScopedEnv unset("ORRELUX_DATA_DIR", nullptr);
    EXPECT_NE(FindDataDir(std::nullopt), env);
  }
}

TEST_F(PathsTest, XdgDirectoriesAndTheirDefaults) {
  ScopedEnv home("HOME", "/home/someone");
  {
    ScopedEnv data("XDG_DATA_HOME", nullptr), config("XDG_CONFIG_HOME", "relative/ignored");
    ScopedEnv runtime("XDG_RUNTIME_DIR", nullptr);
    EXPECT_EQ(UserDataDir(), fs::path("/home/someone/.local/share/orrelux"));
    EXPECT_EQ(SettingsFilePath(), fs::path("/home/someone/.config/orrelux/settings.ini"));
    EXPECT_EQ(InstanceSocketPath(), fs::path("/tmp/orrelux-" + std::to_string(getuid()) + ".sock"));
  }
  ScopedEnv data("XDG_DATA_HOME", "/d"), config("XDG_CONFIG_HOME", "/c"), runtime("XDG_RUNTIME_DIR", "/r");
  EXPECT_EQ(UserDataDir(), fs::path("/d/orrelux"));
  EXPECT_EQ(ConfigDir(), fs::path("/c/orrelux"));
  EXPECT_EQ(InstanceSocketPath(), fs::path("/r/orrelux.sock"));
}

}  // namespace
}  // namespace orx::platform
