#pragma once

#include <cstdint>
#include <functional>

namespace vaultara::store {

// Progress of a key build. The build calls report every interval records it
// has read (and never when report is empty); a report that returns true
// cancels the build, which then stops with error 93 (data::err::kBuildCancelled).
struct BuildProgress {
  std::function<bool(uint64_t records_read)> report;
  uint32_t interval = 1024;

  // The interval for a progress setting of 1 (most often) to 100 (least
  // often): a power of two from 16 to 2048 records; values outside are
  // clamped.
  static uint32_t IntervalFor(int32_t setting) {
    const int32_t s = setting < 1 ? 1 : (setting > 100 ? 100 : setting);
    uint32_t interval = 16;
    while (interval < 2048 && interval < static_cast<uint32_t>(s) * 16) interval *= 2;
    return interval;
  }
};

}  // namespace vaultara::store
