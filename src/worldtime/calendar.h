// Calendar tables and the small helpers of the date and time texts, shared by the world
// time, rise and set, and distance lines.
#pragma once

#include <string>

namespace orx {

// The setting "Time Format".
enum class TimeFormat : int {
  TwelveHour = 0,      // "12hr": 02:05 pm
  TwentyFourHour = 1,  // "24hr": 14:05
  Hhmm = 2,            // "HHMM": 1405
};

// Any stored value outside 0..2 reads as the 24-hour clock.
TimeFormat TimeFormatFromSetting(int value);

inline constexpr int kDaysInMonth[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
// Days before each month: [0] a common year, [1] a leap year.
inline constexpr int kDaysBeforeMonth[2][12] = {
    {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334},
    {0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335}};
inline constexpr const char* kWeekdayNames[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
inline constexpr const char* kMonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Divisible by 4 and (not by 100, or by 400).
bool IsLeapYear(int year);
// Length of month 1..12 of the year (29 for a leap February).
int DaysInMonth(int month, int year);
// "st" for 1, 21, 31; "nd" for 2, 22; "rd" for 3, 23; "th" otherwise.
const char* OrdinalSuffix(int day);

// For the 12-hour format only: turns hour 0..23 into 1..12 and returns "am" or "pm";
// other formats leave the hour alone and return "".
const char* TwelveHourAdjust(int& hour, TimeFormat format);

// printf into the texts' fixed size of 100 bytes (at most 99 characters are kept).
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace orx
