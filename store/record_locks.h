#pragma once

#include <cstdint>

namespace vaultara::store {

class StoreFile;

// The locks that protect one record between processes: taken by a read with
// hold and kept until the record is released, updated or deleted, or for the
// length of an update or delete that was not preceded by a hold. The id is the
// record number (or, for a table lock, the table number: the two never
// collide).
//
// The default takes nothing and always succeeds, which is right for a file no
// other process opens.
class RecordLocks {
 public:
  virtual ~RecordLocks() = default;

  // Tries once to take the lock of id in file without waiting; false when
  // another opener holds it.
  virtual bool TryHold(StoreFile& file, uint32_t id) {
    (void)file;
    (void)id;
    return true;
  }
  virtual void Release(StoreFile& file, uint32_t id) {
    (void)file;
    (void)id;
  }
};

// No record locks at all.
RecordLocks& NoRecordLocks();
// The record locks of each file's own lock protocol (FileLocks for the files
// of a FileRegistry), which is what tables use unless told otherwise.
RecordLocks& StoreRecordLocks();

}  // namespace vaultara::store
