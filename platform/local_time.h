#pragma once

#include <cstdint>

namespace vaultara::platform {

// A moment of the local calendar.
struct LocalTime {
  int year = 0;         // e.g. 2026
  int month = 0;        // 1-12
  int day = 0;          // 1-31
  int day_of_week = 0;  // 0 = Sunday
  int hour = 0;         // 0-23
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

}  // namespace vaultara::platform
