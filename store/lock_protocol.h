#pragma once

namespace vaultara::store {

class StoreFile;

// The calls through which a StoreFile orders itself with other processes
// opening the same file: its reader slot, the writer lock, all reader slots
// while it commits, and the decision whether an unfinished journal belongs to
// a transaction that completed. This default implementation takes no locks
// and always replays, which is right for a file no other process opens.
class LockProtocol {
 public:
  virtual ~LockProtocol() = default;

  virtual void TakeReaderSlot() {}
  virtual void ReleaseReaderSlot() {}
  virtual void TakeWriterLock() {}
  virtual void ReleaseWriterLock() {}
  virtual void TakeAllReaderSlots() {}
  virtual void ReleaseAllReaderSlots() {}

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
