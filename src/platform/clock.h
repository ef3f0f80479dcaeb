// The one clock of the program: UTC wall time for astronomy and city times, and a
// millisecond tick count for animation and user-interface timing.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace orx::platform {

// Calendar fields of a UTC instant, as the handheld's system time reported them.
struct SystemTime {
  int year = 1970;
  int month = 1;       // 1..12
  int dayOfWeek = 4;   // 0 = Sunday .. 6 = Saturday
  int day = 1;         // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int milliseconds = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds since 1970-01-01T00:00:00Z.
  virtual int64_t UtcMillis() const = 0;
  // Milliseconds since an arbitrary start, wrapping at 2^32.
  virtual uint32_t TickCount() const = 0;
};

// The system clock; when `startUtcMillis` is given, UTC time starts at that instant and
// then runs on in real time (`--time`).
class SystemClock final : public Clock {
 public:
  explicit SystemClock(std::optional<int64_t> startUtcMillis = std::nullopt);
  int64_t UtcMillis() const override;
  uint32_t TickCount() const override;

 private:
  int64_t offsetMillis_ = 0;
};

// A clock that moves only when told to; for tests and for single-frame rendering.
class ManualClock final : public Clock {
 public:
  explicit ManualClock(int64_t utcMillis = 0, uint32_t tick = 0) : utc_(utcMillis), tick_(tick) {}
  int64_t UtcMillis() const override { return utc_; }
  uint32_t TickCount() const override { return tick_; }
  void Advance(uint32_t millis) { utc_ += millis; tick_ += millis; }
  void SetUtc(int64_t utcMillis) { utc_ = utcMillis; }

 private:
  int64_t utc_;
  uint32_t tick_;
};

// The process-wide clock (a SystemClock until another is installed). The installed clock
// must outlive its use; pass null to go back to the system clock.
Clock& CurrentClock();
void InstallClock(Clock* clock);

// Shorthands over CurrentClock().
SystemTime GetSystemTime();
uint32_t GetTickCount();

SystemTime SystemTimeFromMillis(int64_t utcMillis);
int64_t MillisFromSystemTime(const SystemTime& t);

// Parses "2026-12-07T12:00:00Z" (seconds optional, fractions of a second kept to the
// millisecond, "Z" or "+hh:mm"/"-hh:mm" suffix optional, a space instead of "T"
// accepted, a date alone meaning its midnight) into UTC milliseconds; null for text
// that is not such an instant or names a day that does not exist (2026-02-30).
std::optional<int64_t> ParseUtcInstant(std::string_view text);

}  // namespace orx::platform
