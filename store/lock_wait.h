#pragma once

#include <cstdint>

#include "platform/file.h"
#include "store/lock_map.h"

namespace vaultara::store {

// How long a lock request goes on trying.
enum class LockWait : uint8_t {
  kNoWait,  // a few attempts in a row, then report the conflict
  kWait,    // until it succeeds
};

// Takes range on file. A request is tried at once; kNoWait gives up after
// three attempts in a row (no pause) with kLockViolation; kWait retries,
// pausing briefly between attempts so that a waiting process does not spin a
// core. Only a conflict is retried: any other error is returned at once.
platform::SysError TakeLock(platform::File& file, lock_map::Range range, bool exclusive,
                            LockWait wait);
// Takes a reader slot by the same rules, starting with *slot and moving on to
// the next slot (modulo 1023) after every failed attempt; *slot ends as the
// slot taken (or the one to try next).
platform::SysError TakeReaderSlotLock(platform::File& file, uint32_t* slot, bool exclusive,
                                      LockWait wait);

// The pause between two attempts of a waiting lock request.
void PauseBeforeRetry();
// A pause of whole seconds (locks requested with a time limit).
void PauseSeconds(uint32_t seconds);

}  // namespace vaultara::store
