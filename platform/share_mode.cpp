#include "platform/share_mode.h"

#include <time.h>

#include "platform/byte_range_lock.h"

namespace vaultara::platform {
namespace {

constexpr uint64_t kReads = kShareAreaStart + 0;
constexpr uint64_t kWrites = kShareAreaStart + 1;
constexpr uint64_t kDeniesRead = kShareAreaStart + 2;
constexpr uint64_t kDeniesWrite = kShareAreaStart + 3;
constexpr uint64_t kGate = kShareAreaStart + 4;

// The gate is held only for a few system calls, so a busy gate frees up at
// once; it is retried briefly before the open is refused.
constexpr int kGateAttempts = 2000;
constexpr long kGatePauseNanoseconds = 500 * 1000;

class Gate {
 public:
  Gate(int fd, LockAbility ability) : fd_(fd) {
    if (!ability.writable) {
      status_ = syserr::kOk;  // cannot hold it; check without
      return;
    }
    for (int attempt = 0; attempt < kGateAttempts; ++attempt) {
      status_ = TryLockRange(fd_, kGate, 1, /*exclusive=*/true);
      if (status_ != syserr::kLockViolation) break;
      const timespec pause = {0, kGatePauseNanoseconds};
      nanosleep(&pause, nullptr);
    }
    if (status_ == syserr::kLockViolation) status_ = syserr::kSharingViolation;
    held_ = status_ == syserr::kOk;
  }
  ~Gate() {
    if (held_) UnlockRange(fd_, kGate, 1);
  }
  Gate(const Gate&) = delete;
  Gate& operator=(const Gate&) = delete;

  SysError status() const { return status_; }

 private:
  int fd_;
  bool held_ = false;
  SysError status_ = syserr::kOk;
};

// kSharingViolation when another opener holds a mark in the range.
SysError CheckFree(int fd, uint64_t offset, uint64_t length = 1) {
  bool held = false;
  const SysError error = IsRangeHeld(fd, offset, length, &held);
  if (error != syserr::kOk) return error;
  return held ? syserr::kSharingViolation : syserr::kOk;
}

}  // namespace

SysError ReserveSharing(int fd, LockAbility ability, OpenMode mode) {
  if (!ability.readable) return syserr::kOk;
  const bool reads = mode.access != Access::kWrite;
  const bool writes = mode.access != Access::kRead;
  const bool denies_read = mode.share == Share::kDenyAll || mode.share == Share::kDenyRead;
  const bool denies_write = mode.share == Share::kDenyAll || mode.share == Share::kDenyWrite;

  Gate gate(fd, ability);
  if (gate.status() != syserr::kOk) return gate.status();
  // Each pair: what this opener wants, and the mark of the earlier openers
  // that would forbid it.
  const struct {
    bool wanted;
    uint64_t conflicting_mark;
    uint64_t own_mark;
  } checks[] = {
      {reads, kDeniesRead, kReads},
      {writes, kDeniesWrite, kWrites},
      {denies_read, kReads, kDeniesRead},
      {denies_write, kWrites, kDeniesWrite},
  };
  for (const auto& check : checks) {
    if (!check.wanted) continue;
    const SysError error = CheckFree(fd, check.conflicting_mark);
    if (error != syserr::kOk) return error;
  }
  for (const auto& check : checks) {
    if (!check.wanted) continue;
    const SysError error = TryLockRange(fd, check.own_mark, 1, /*exclusive=*/false);
    if (error != syserr::kOk) {
      UnlockRange(fd, kShareAreaStart, kShareAreaLength - 1);
      return error == syserr::kLockViolation ? syserr::kSharingViolation : error;
    }
  }
  return syserr::kOk;
}

SysError WhileUnopened(int fd, LockAbility ability, const std::function<SysError()>& action) {
  Gate gate(fd, ability);
  if (gate.status() != syserr::kOk) return gate.status();
  const SysError error = CheckFree(fd, kReads, kGate - kReads);  // every mark
  if (error != syserr::kOk) return error;
  return action();
}

}  // namespace vaultara::platform
