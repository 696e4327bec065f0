#include "platform/system_error.h"

#include <cerrno>

namespace vaultara::platform {

SysError FromErrno(int errno_value) {
  switch (errno_value) {
    case 0:
      return syserr::kOk;
    case ENOENT:
      return syserr::kFileNotFound;
    case ENOTDIR:
    case ELOOP:
      return syserr::kPathNotFound;
    case EMFILE:
    case ENFILE:
      return syserr::kTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EISDIR:
      return syserr::kAccessDenied;
    case EBADF:
      return syserr::kInvalidHandle;
    case ENOMEM:
      return syserr::kNotEnoughMemory;
    case EXDEV:
      return syserr::kNotSameDevice;
    case EROFS:
      return syserr::kWriteProtect;
    case EBUSY:
    case ETXTBSY:
      return syserr::kSharingViolation;
    case EAGAIN:
    case EDEADLK:
      return syserr::kLockViolation;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return syserr::kDiskFull;
    case ENOSYS:
    case EOPNOTSUPP:
      return syserr::kNotSupported;
    case EEXIST:
    case ENOTEMPTY:
      return syserr::kFileExists;
    case EINVAL:
      return syserr::kInvalidParameter;
    case ENAMETOOLONG:
    case EILSEQ:
      return syserr::kInvalidName;
    default:
      return syserr::kGeneralFailure;
  }
}

}  // namespace vaultara::platform
