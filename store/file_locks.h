#pragma once

#include <cstdint>
#include <map>

#include "platform/file.h"
#include "platform/platform.h"
#include "store/lock_map.h"
#include "store/lock_protocol.h"

namespace vaultara::store {

// How a store file is shared with other openers, from the sharing mode of its
// first opener in this process.
enum class Sharing : uint8_t {
  kShared,     // deny none: other writers may exist, every operation locks
  kDenyWrite,  // others may only read: locks only at commit and recovery
  kExclusive,  // deny all or deny read: no other opener, no locks at all
};
Sharing SharingOf(platform::Share share);

// The locks of one open store file (see lock_map.h for where they lie), and
// the recovery decision for a journal left behind by a transaction.
//
// A shared file takes its reader slot when it validates in read mode, the
// writer lock when it validates in write mode, and all reader slots while it
// commits; every wait retries with a short pause. A deny-write file takes
// only all reader slots while it commits and the writer lock while it
// replays or discards a journal. An exclusive file takes no lock.
//
// Record holds and table locks never wait. Within the process they belong to
// an owner (the table that took them): another owner in the same process is
// refused just as another process is. Exclusive files keep only that.
//
// Every lock lives on the attached OS file and ends with it, also when the
// process dies. A lock call failing for a reason other than a conflict is
// internal fault 2400.
class FileLocks : public LockProtocol {
 public:
  // share is the first opener's sharing mode.
  FileLocks(platform::Platform& platform, platform::Share share);

  Sharing sharing() const { return sharing_; }
  // The reader slot this file tries first.
  uint32_t reader_slot() const { return slot_; }

  void Attach(platform::File& file) override { file_ = &file; }
  void TakeReaderSlot() override;
  void ReleaseReaderSlot() override;
  void TakeWriterLock() override;
  void ReleaseWriterLock() override;
  void TakeAllReaderSlots() override;
  void ReleaseAllReaderSlots() override;
  void TakeRecoveryLock() override;
  void ReleaseRecoveryLock() override;
  bool JournalCompleted(StoreFile& file) override;
  // Only a file opened deny-all is sure to be this process's alone: a
  // deny-read file still admits a writer that does not read, and a
  // deny-write open that only reads is not ordered with a writer opening
  // at the same moment.
  bool OthersMayWrite() const override { return !alone_; }

  // Takes the hold lock of id (a record or table number) for owner, without
  // waiting; true when owner now holds it (also when it already did), false
  // when someone else holds it or the lock call fails.
  bool TakeHold(uint32_t id, const void* owner) override;
  void ReleaseHold(uint32_t id, const void* owner) override;
  bool Holds(uint32_t id, const void* owner) const;
  // Gives back every hold and table lock of owner.
  void ReleaseHoldsOf(const void* owner);
  // Gives back every lock of the file: reader slot, writer lock, all reader
  // slots, holds and table locks.
  void ReleaseAll();

 private:
  bool Locks() const { return sharing_ == Sharing::kShared; }
  platform::SysError Take(lock_map::Range range, bool wait);
  void Release(lock_map::Range range);

  platform::Platform& platform_;
  Sharing sharing_;
  bool alone_;
  platform::File* file_ = nullptr;
  uint32_t slot_ = 0;
  bool reader_slot_ = false;
  bool writer_ = false;
  bool all_slots_ = false;
  bool recovery_ = false;
  // On a file this process may only read, exclusive locks are refused; such
  // a file locks shared instead (it can only ever read).
  bool shared_only_ = false;
  std::map<uint32_t, const void*> holds_;
};

}  // namespace vaultara::store
