#include "data/date_time.h"

#include <atomic>
#include <chrono>

#include "platform/platform.h"

namespace vaultara::data {
namespace {

// Leap days from year 0 up to and including year n.
int LeapDays(int n) { return n / 4 + n / 400 - n / 100; }

constexpr int kDaysBeforeMonth[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

std::atomic<platform::Platform*> date_clock{nullptr};

}  // namespace

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return kDays[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
}

int32_t DayNumber(int year, int month, int day) {
  if (year < kFirstYear || year > kLastYear || month < 1 || month > 12) return -1;
  if (day < 1 || day > DaysInMonth(year, month)) return -1;
  int32_t number =
      kDaysBeforeMonth[month - 1] + 365 * year + day + LeapDays(year) - LeapDays(1800) - 657362;
  if (month <= 2 && IsLeapYear(year)) --number;
  return number;
}

bool SplitDayNumber(int32_t day_number, CalendarDate* date) {
  if (day_number < kFirstDayNumber || day_number > kLastDayNumber) return false;
  // An estimate from the mean year length, then corrected by at most a year.
  int year = kFirstYear + static_cast<int>((int64_t{day_number} - kFirstDayNumber) * 400 / 146097);
  while (year > kFirstYear && DayNumber(year, 1, 1) > day_number) --year;
  while (year < kLastYear && DayNumber(year + 1, 1, 1) <= day_number) ++year;
  int month = 12;
  while (DayNumber(year, month, 1) > day_number) --month;
  date->year = year;
  date->month = month;
  date->day = day_number - DayNumber(year, month, 1) + 1;
  return true;
}

bool SplitTimeValue(int32_t time, TimeOfDay* parts) {
  if (time < 1 || time > kLastTimeValue) return false;
  const int32_t hundredths = time - 1;
  parts->hour = hundredths / 360000;
  parts->minute = hundredths / 6000 % 60;
  parts->second = hundredths / 100 % 60;
  parts->hundredths = hundredths % 100;
  return true;
}

int WindowYear(int year, int window, int current_year) {
  const int c = current_year % 100 - year;
  int result = current_year - c;
  if (window - 100 >= c) result -= 100;
  if (window < c) result += 100;
  return result;
}

int CurrentYear() {
  if (platform::Platform* platform = date_clock.load()) return platform->Now().year;
  const auto today = std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now());
  return static_cast<int>(std::chrono::year_month_day(today).year());
}

void SetDateClock(platform::Platform* platform) { date_clock.store(platform); }

}  // namespace vaultara::data
