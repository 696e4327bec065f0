#include "store/lock_requests.h"

#include "store/lock_wait.h"

namespace vaultara::store {

namespace {

// Hundredths of a second since start (tick counts wrap around together).
uint32_t HundredthsSince(platform::Platform& platform, uint32_t start) {
  return (platform.TickCount() - start) / 10;
}

}  // namespace

int32_t ReadHolding(platform::Platform& platform, std::optional<uint32_t> seconds,
                    const std::function<int32_t()>& read) {
  const uint32_t start = platform.TickCount();
  for (;;) {
    const int32_t result = read();
    if (result != kRecordIsAlreadyHeld) return result;
    if (seconds && HundredthsSince(platform, start) >= *seconds * 100) return result;
    PauseBeforeRetry();
  }
}

int32_t LockTable(platform::Platform& platform, FileLocks& locks, uint32_t table, const void* owner,
                  std::optional<uint32_t> seconds) {
  const uint32_t start = platform.TickCount();
  for (;;) {
    if (locks.TakeHold(table, owner)) return 0;
    if (!seconds) {
      PauseBeforeRetry();
      continue;
    }
    if (HundredthsSince(platform, start) >= *seconds * 100) return kFileIsAlreadyLocked;
    PauseSeconds(1);
  }
}

}  // namespace vaultara::store
