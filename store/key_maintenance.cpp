#include "store/key_maintenance.h"

namespace vaultara::store {

KeyMaintenance& NoKeys() {
  static KeyMaintenance none;
  return none;
}

}  // namespace vaultara::store
