#pragma once

#include <cstdint>

namespace vaultara::platform {
class Platform;
}

namespace vaultara::data {

// Dates are day numbers: day 4 is 1 January 1801 and day 2994626 is
// 31 December 9999, the Gregorian calendar throughout. 0 means no date; other
// numbers outside 4..2994626 are not dates.
inline constexpr int32_t kFirstDayNumber = 4;
inline constexpr int32_t kLastDayNumber = 2994626;
inline constexpr int kFirstYear = 1801;
inline constexpr int kLastYear = 9999;

// Times are hundredths of a second since midnight plus one: 1 is midnight and
// 8640000 is 23:59:59.99. 0 means no time; other values outside 1..8640000
// are not times.
inline constexpr int32_t kLastTimeValue = 8640000;

// The two-digit-year window used when a picture names none.
inline constexpr int kDefaultYearWindow = 80;

bool IsLeapYear(int year);
// Days in the month (1..12) of the year; 0 for a month outside 1..12.
int DaysInMonth(int year, int month);

// The day number of a calendar date, or -1 when the month is outside 1..12,
// the day is 0 or past the month's end, or the year is outside 1801..9999.
int32_t DayNumber(int year, int month, int day);

struct CalendarDate {
  int year = 0;
  int month = 0;
  int day = 0;
};
// Splits a day number; false (and *date untouched) when it is not a date.
bool SplitDayNumber(int32_t day_number, CalendarDate* date);

struct TimeOfDay {
  int hour = 0;
  int minute = 0;
  int second = 0;
  int hundredths = 0;
};
// Splits a time value; false when it is not a time.
bool SplitTimeValue(int32_t time, TimeOfDay* parts);

// Places a year given with fewer than three digits in the 100 years that run
// from `window` years before the current year to 99 - window years after it.
int WindowYear(int year, int window, int current_year);

// The current local year, for the two-digit-year window. It comes from the
// platform installed with SetDateClock; before one is installed, from the
// system clock's calendar year (UTC).
int CurrentYear();
// Installs the platform whose local time gives the current year (nullptr
// goes back to the system clock). The platform must outlive its use.
void SetDateClock(platform::Platform* platform);

}  // namespace vaultara::data
