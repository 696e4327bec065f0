#include "store/lock_wait.h"

#include <chrono>
#include <thread>

namespace vaultara::store {

namespace {

// Attempts made back to back before a waiting request starts pausing, and
// before a request that does not wait gives up.
constexpr int kAttemptsInARow = 3;
constexpr auto kRetryPause = std::chrono::milliseconds(2);

// Tries lock (a call returning a SysError) by the rules of TakeLock, calling
// failed after each conflict.
template <typename Lock, typename Failed>
platform::SysError Attempt(LockWait wait, Lock lock, Failed failed) {
  for (int attempt = 1;; ++attempt) {
    const platform::SysError error = lock();
    if (error != platform::syserr::kLockViolation) return error;
    failed();
    if (attempt >= kAttemptsInARow) {
      if (wait == LockWait::kNoWait) return error;
      PauseBeforeRetry();
    }
  }
}

}  // namespace

platform::SysError TakeLock(platform::File& file, lock_map::Range range, bool exclusive,
                            LockWait wait) {
  return Attempt(
      wait, [&] { return file.Lock(range.offset, range.length, exclusive); }, [] {});
}

platform::SysError TakeReaderSlotLock(platform::File& file, uint32_t* slot, bool exclusive,
                                      LockWait wait) {
  return Attempt(
      wait,
      [&] {
        const lock_map::Range range = lock_map::ReaderSlot(*slot);
        return file.Lock(range.offset, range.length, exclusive);
      },
      [&] { *slot = (*slot + 1) % lock_map::kReaderSlots; });
}

void PauseBeforeRetry() { std::this_thread::sleep_for(kRetryPause); }

void PauseSeconds(uint32_t seconds) { std::this_thread::sleep_for(std::chrono::seconds(seconds)); }

}  // namespace vaultara::store
