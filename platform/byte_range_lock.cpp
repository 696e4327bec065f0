#include "platform/byte_range_lock.h"

#include <fcntl.h>

#include <cerrno>
#include <limits>

namespace vaultara::platform {
namespace {

constexpr uint64_t kMaxOffset = std::numeric_limits<int64_t>::max();

bool ValidRange(uint64_t offset, uint64_t length) {
  return length != 0 && offset <= kMaxOffset && length <= kMaxOffset - offset;
}

struct flock Describe(short type, uint64_t offset, uint64_t length) {
  struct flock lock = {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = static_cast<off_t>(offset);
  lock.l_len = static_cast<off_t>(length);
  lock.l_pid = 0;  // required for open-file-description locks
  return lock;
}

SysError SetLock(int fd, short type, uint64_t offset, uint64_t length) {
  if (!ValidRange(offset, length)) return syserr::kInvalidParameter;
  struct flock lock = Describe(type, offset, length);
  while (fcntl(fd, F_OFD_SETLK, &lock) != 0) {
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EACCES) return syserr::kLockViolation;
    // A shared lock needs a readable descriptor, an exclusive one a writable.
    if (errno == EBADF) return syserr::kAccessDenied;
    return FromErrno(errno);
  }
  return syserr::kOk;
}

}  // namespace

SysError TryLockRange(int fd, uint64_t offset, uint64_t length, bool exclusive) {
  return SetLock(fd, exclusive ? F_WRLCK : F_RDLCK, offset, length);
}

SysError UnlockRange(int fd, uint64_t offset, uint64_t length) {
  return SetLock(fd, F_UNLCK, offset, length);
}

SysError IsRangeHeld(int fd, uint64_t offset, uint64_t length, bool* held) {
  *held = false;
  if (!ValidRange(offset, length)) return syserr::kInvalidParameter;
  // Asking whether an exclusive lock could be placed finds every lock, shared
  // or exclusive, of every other open.
  struct flock lock = Describe(F_WRLCK, offset, length);
  while (fcntl(fd, F_OFD_GETLK, &lock) != 0) {
    if (errno != EINTR) return FromErrno(errno);
  }
  *held = lock.l_type != F_UNLCK;
  return syserr::kOk;
}

}  // namespace vaultara::platform
