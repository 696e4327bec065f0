#include "store/lock_protocol.h"

namespace vaultara::store {

LockProtocol& NoLocks() {
  static LockProtocol none;
  return none;
}

}  // namespace vaultara::store
