#pragma once

#include <cstdint>

namespace vaultara::platform {
class File;
}

namespace vaultara::store {

class StoreFile;

// The calls through which a StoreFile orders itself with other processes
// opening the same file: its reader slot, the writer lock, all reader slots
// while it commits, and the decision whether an unfinished journal belongs to
// a transaction that completed. This default implementation takes no locks
// and always replays, which is right for a file no other process opens.
//
// A StoreFile calls each Take only while it does not hold that lock yet
// (taking a held lock again must do no harm) and each Release possibly
// without holding it.
class LockProtocol {
 public:
  virtual ~LockProtocol() = default;

  // Hands over the OS file the locks are taken on, before the first
  // validation; it lives as long as the StoreFile.
  virtual void Attach(platform::File& file) { (void)file; }

  virtual void TakeReaderSlot() {}
  virtual void ReleaseReaderSlot() {}
  virtual void TakeWriterLock() {}
  virtual void ReleaseWriterLock() {}
  virtual void TakeAllReaderSlots() {}
  virtual void ReleaseAllReaderSlots() {}
  // Around copying a pending journal home or resetting it, in write mode.
  virtual void TakeRecoveryLock() {}
  virtual void ReleaseRecoveryLock() {}

  // Record holds and table locks by id (record or table number), taken
  // without waiting for owner; false when someone else holds it. Owners are
  // the tables of this process (nullptr when they are not told apart).
  virtual bool TakeHold(uint32_t id, const void* owner) {
    (void)id;
    (void)owner;
    return true;
  }
  virtual void ReleaseHold(uint32_t id, const void* owner) {
    (void)id;
    (void)owner;
  }

  // False when no other process can change the file while this one has it
  // open (it denies them writing): the header then needs no re-reading
  // between operations.
  virtual bool OthersMayWrite() const { return true; }

  // Called while a pending journal is in force (its pages readable through
  // file); true replays it, false discards it.
  virtual bool JournalCompleted(StoreFile& file) {
    (void)file;
    return true;
  }
};

// The protocol of a file that no one else opens.
LockProtocol& NoLocks();

}  // namespace vaultara::store
