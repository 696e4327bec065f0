#pragma once

#include <cstdint>

namespace vaultara::platform {

// Error numbers of the platform layer. They follow the numbering the rest of
// the system was designed around (2 = file not found, 5 = access denied, ...),
// so that the error state can show "300 + number" with a fitting text.
// 0 means success.
using SysError = int32_t;

namespace syserr {
inline constexpr SysError kOk = 0;
inline constexpr SysError kInvalidFunction = 1;
inline constexpr SysError kFileNotFound = 2;
inline constexpr SysError kPathNotFound = 3;
inline constexpr SysError kTooManyOpenFiles = 4;
inline constexpr SysError kAccessDenied = 5;
inline constexpr SysError kInvalidHandle = 6;
inline constexpr SysError kNotEnoughMemory = 8;
inline constexpr SysError kInvalidData = 13;
inline constexpr SysError kNotSameDevice = 17;
inline constexpr SysError kWriteProtect = 19;
inline constexpr SysError kWriteFault = 29;
inline constexpr SysError kReadFault = 30;
inline constexpr SysError kGeneralFailure = 31;
inline constexpr SysError kSharingViolation = 32;
inline constexpr SysError kLockViolation = 33;
inline constexpr SysError kHandleEof = 38;
inline constexpr SysError kDiskFull = 39;
inline constexpr SysError kNotSupported = 50;
inline constexpr SysError kFileExists = 80;
inline constexpr SysError kInvalidParameter = 87;
inline constexpr SysError kInvalidName = 123;
}  // namespace syserr

// Maps a POSIX errno value to the numbering above (unknown values give
// kGeneralFailure).
SysError FromErrno(int errno_value);

}  // namespace vaultara::platform
