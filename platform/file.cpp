#include "platform/file.h"

namespace vaultara::platform {

OpenMode OpenMode::FromAccessMode(uint32_t mode) {
  OpenMode result;
  switch (mode & 0x3) {
    case 0:
      result.access = Access::kRead;
      break;
    case 1:
      result.access = Access::kWrite;
      break;
    case 2:
      result.access = Access::kReadWrite;
      break;
    default:  // 3 names no access; grant the least
      result.access = Access::kRead;
      break;
  }
  switch (mode & 0x70) {
    case 0x00:
    case 0x40:
      result.share = Share::kDenyNone;
      break;
    case 0x20:
      result.share = Share::kDenyWrite;
      break;
    case 0x30:
      result.share = Share::kDenyRead;
      break;
    default:  // 0x10, and the undefined combinations, keep everyone out
      result.share = Share::kDenyAll;
      break;
  }
  return result;
}

}  // namespace vaultara::platform
