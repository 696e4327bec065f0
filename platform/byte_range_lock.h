#pragma once

#include <cstdint>

#include "platform/system_error.h"

namespace vaultara::platform {

// Byte-range locks on an open file description (Linux F_OFD_* locks). They
// belong to the open, not to the process: two opens of one file in the same
// process exclude each other just as two processes do, and closing the
// descriptor releases every lock it holds. Locking a range the same open
// already holds converts it to the new kind. None of these calls waits.
// Offsets and lengths must fit in 63 bits; length 0 is refused.

// Takes a shared or exclusive lock; kLockViolation when another open holds a
// conflicting lock on any byte of the range.
SysError TryLockRange(int fd, uint64_t offset, uint64_t length, bool exclusive);
SysError UnlockRange(int fd, uint64_t offset, uint64_t length);
// Sets *held when another open holds any lock on a byte of the range.
SysError IsRangeHeld(int fd, uint64_t offset, uint64_t length, bool* held);

}  // namespace vaultara::platform
