// DstRule: one daylight-saving transition as a date word and a time word.
#pragma once

#include <cstdint>

namespace orx {

// Date word (read as signed 16-bit; 0 = no DST). Bit 15 clear: fixed date, month in
// bits 0-7 and day in bits 8-14. Bit 15 set: weekday form, month in bits 0-7, weekday
// 1 = Sunday .. 7 = Saturday in bits 8-10, week 1-4 (5 = last) in bits 11-13.
// Time word: bits 0-10 minutes after local midnight (0..1439); bits 11-15 the first
// eligible day of the month for the weekday form (0 is taken as 1).
struct DstRule {
  uint16_t date = 0;
  uint16_t time = 0;
};

}  // namespace orx
