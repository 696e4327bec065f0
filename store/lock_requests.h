#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "platform/platform.h"
#include "store/file_locks.h"

namespace vaultara::store {

// Error codes of the requests below.
inline constexpr int32_t kRecordIsAlreadyHeld = 43;
inline constexpr int32_t kFileIsAlreadyLocked = 32;

// A read that holds its record (HOLDfile, HOLDfilesec). read returns an
// error code and 43 when another holder has the record; it is repeated,
// with a short pause between attempts, for as long as the request allows:
// without seconds until it gets the record, with seconds until that many
// seconds (counted in hundredths from the start of the statement) have
// passed, after which 43 stands. Any other result ends the repetition.
int32_t ReadHolding(platform::Platform& platform, std::optional<uint32_t> seconds,
                    const std::function<int32_t()>& read);

// Takes the lock of table number for owner (LOCKfile, LOCKfilesec): without
// seconds it is retried until it succeeds; with seconds it is retried with
// a pause of one second between attempts until that many seconds have
// passed, then 32 "File Is Already Locked". Returns 0 once it holds the lock.
int32_t LockTable(platform::Platform& platform, FileLocks& locks, uint32_t table, const void* owner,
                  std::optional<uint32_t> seconds);

}  // namespace vaultara::store
