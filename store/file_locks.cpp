#include "store/file_locks.h"

#include "store/lock_map.h"
#include "store/lock_wait.h"
#include "store/recovery_decision.h"
#include "store/status_numbers.h"
#include "store/store_fault.h"

namespace vaultara::store {

namespace {

void Check(platform::SysError error) {
  if (error != platform::syserr::kOk) Fault(status::kLockFailed);
}

}  // namespace

Sharing SharingOf(platform::Share share) {
  switch (share) {
    case platform::Share::kDenyNone:
      return Sharing::kShared;
    case platform::Share::kDenyWrite:
      return Sharing::kDenyWrite;
    case platform::Share::kDenyAll:
    case platform::Share::kDenyRead:
      break;
  }
  return Sharing::kExclusive;
}

FileLocks::FileLocks(platform::Platform& platform, platform::Share share)
    : platform_(platform),
      sharing_(SharingOf(share)),
      alone_(share == platform::Share::kDenyAll),
      slot_(platform.TickCount() % lock_map::kReaderSlots) {}

platform::SysError FileLocks::Take(lock_map::Range range, bool wait) {
  const LockWait how = wait ? LockWait::kWait : LockWait::kNoWait;
  platform::SysError error = TakeLock(*file_, range, !shared_only_, how);
  if (error == platform::syserr::kAccessDenied && !shared_only_) {
    shared_only_ = true;
    error = TakeLock(*file_, range, false, how);
  }
  return error;
}

void FileLocks::Release(lock_map::Range range) { file_->Unlock(range.offset, range.length); }

void FileLocks::TakeReaderSlot() {
  if (!Locks() || reader_slot_) return;
  platform::SysError error = TakeReaderSlotLock(*file_, &slot_, !shared_only_, LockWait::kWait);
  if (error == platform::syserr::kAccessDenied && !shared_only_) {
    shared_only_ = true;
    error = TakeReaderSlotLock(*file_, &slot_, false, LockWait::kWait);
  }
  Check(error);
  reader_slot_ = true;
}

void FileLocks::ReleaseReaderSlot() {
  if (!reader_slot_) return;
  reader_slot_ = false;
  // The slot lies inside the range of all slots; while those are held (a
  // commit) giving back the one byte would give back part of them.
  if (!all_slots_) Release(lock_map::ReaderSlot(slot_));
}

void FileLocks::TakeWriterLock() {
  if (!Locks() || writer_) return;
  Check(Take(lock_map::WriterLock(), true));
  writer_ = true;
}

void FileLocks::ReleaseWriterLock() {
  if (!writer_) return;
  writer_ = false;
  if (!recovery_) Release(lock_map::WriterLock());
}

void FileLocks::TakeAllReaderSlots() {
  if (sharing_ == Sharing::kExclusive || all_slots_) return;
  // A slot of this file's own would be taken over by the range anyway.
  Check(Take(lock_map::AllReaderSlots(), true));
  all_slots_ = true;
}

void FileLocks::ReleaseAllReaderSlots() {
  if (!all_slots_) return;
  all_slots_ = false;
  Release(lock_map::AllReaderSlots());
  // Releasing the range also released the reader slot inside it.
  reader_slot_ = false;
}

void FileLocks::TakeRecoveryLock() {
  if (sharing_ != Sharing::kDenyWrite || recovery_) return;
  Check(Take(lock_map::WriterLock(), true));
  recovery_ = true;
}

void FileLocks::ReleaseRecoveryLock() {
  if (!recovery_) return;
  recovery_ = false;
  if (!writer_) Release(lock_map::WriterLock());
}

bool FileLocks::JournalCompleted(StoreFile& file) { return TransactionCompleted(platform_, file); }

bool FileLocks::TakeHold(uint32_t id, const void* owner) {
  auto held = holds_.find(id);
  if (held != holds_.end()) return held->second == owner;
  if (sharing_ != Sharing::kExclusive) {
    if (Take(lock_map::Hold(id), false) != platform::syserr::kOk) return false;
  }
  holds_.emplace(id, owner);
  return true;
}

void FileLocks::ReleaseHold(uint32_t id, const void* owner) {
  auto held = holds_.find(id);
  if (held == holds_.end() || held->second != owner) return;
  holds_.erase(held);
  if (sharing_ != Sharing::kExclusive) Release(lock_map::Hold(id));
}

bool FileLocks::Holds(uint32_t id, const void* owner) const {
  auto held = holds_.find(id);
  return held != holds_.end() && held->second == owner;
}

void FileLocks::ReleaseHoldsOf(const void* owner) {
  for (auto it = holds_.begin(); it != holds_.end();) {
    if (it->second != owner) {
      ++it;
      continue;
    }
    if (sharing_ != Sharing::kExclusive) Release(lock_map::Hold(it->first));
    it = holds_.erase(it);
  }
}

void FileLocks::ReleaseAll() {
  if (sharing_ != Sharing::kExclusive) {
    for (const auto& [id, owner] : holds_) Release(lock_map::Hold(id));
    Release({lock_map::kBase, lock_map::kHoldBase});
  }
  holds_.clear();
  reader_slot_ = writer_ = all_slots_ = recovery_ = false;
}

}  // namespace vaultara::store
