#include "store/record_locks.h"

namespace vaultara::store {

RecordLocks& NoRecordLocks() {
  static RecordLocks none;
  return none;
}

}  // namespace vaultara::store
