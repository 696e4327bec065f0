#pragma once

#include <cstdint>
#include <functional>

#include "platform/file.h"
#include "platform/system_error.h"

namespace vaultara::platform {

// Sharing modes between the openers of one file, in this process or others,
// kept with byte-range locks (byte_range_lock.h) on a reserved area at 2^62,
// far above any data and above the store's locks at 2^31 + n:
//
//   2^62 + 0   held shared by every opener that reads
//   2^62 + 1   held shared by every opener that writes
//   2^62 + 2   held shared by every opener that denies reading
//   2^62 + 3   held shared by every opener that denies writing
//   2^62 + 4   the gate: held exclusively while one opener checks the marks
//              and sets its own, so that two openers cannot both pass
//
// The marks are locks of the open, so they vanish when it is closed, even when
// the process dies. File::Lock refuses ranges that reach into this area.
inline constexpr uint64_t kShareAreaStart = uint64_t{1} << 62;
inline constexpr uint64_t kShareAreaLength = 5;

// What locks a descriptor can hold: shared locks need it open for reading,
// exclusive ones for writing.
struct LockAbility {
  bool readable = false;
  bool writable = false;
};

// Registers a new opener of the file behind fd. kSharingViolation when an
// earlier opener denies what this one does, or does what this one denies.
// A descriptor that cannot hold shared locks takes part in no sharing check;
// one that cannot hold the gate checks without it.
SysError ReserveSharing(int fd, LockAbility ability, OpenMode mode);

// Runs action only while no opener has the file open (the way a file in use
// may not be deleted or renamed); kSharingViolation otherwise. The gate is
// held around the action so that no one opens the file meanwhile.
SysError WhileUnopened(int fd, LockAbility ability, const std::function<SysError()>& action);

}  // namespace vaultara::platform
