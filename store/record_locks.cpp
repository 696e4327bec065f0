#include "store/record_locks.h"

#include "store/store_file.h"

namespace vaultara::store {

RecordLocks& NoRecordLocks() {
  static RecordLocks none;
  return none;
}

namespace {

class FileRecordLocks : public RecordLocks {
 public:
  bool TryHold(StoreFile& file, uint32_t id) override { return file.locks().TakeHold(id, nullptr); }
  void Release(StoreFile& file, uint32_t id) override { file.locks().ReleaseHold(id, nullptr); }
};

}  // namespace

RecordLocks& StoreRecordLocks() {
  static FileRecordLocks locks;
  return locks;
}

}  // namespace vaultara::store
