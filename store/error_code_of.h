#pragma once

#include <cstdint>

#include "store/status.h"

namespace vaultara::store {

// The statement error code a store status stands for: 36 for a file that is
// no store file (or a wrong password), 90 for a fault (its number is the
// file error code), 2, 3, 4 or 5 for the system errors that have one, else 90.
int32_t ErrorCodeOf(const Status& status);

}  // namespace vaultara::store
