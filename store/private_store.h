#pragma once

#include <memory>

#include "store/status.h"
#include "store/store_file.h"

namespace vaultara::store {

// A store that lives in memory only, for an index whose components are given
// at run time: it has the full behaviour of a store file (entries, cursors,
// commits) but nothing of it ever reaches a disk, and it is gone when the
// object is destroyed.
class PrivateStore {
 public:
  static Status Create(std::unique_ptr<PrivateStore>* store);
  ~PrivateStore();

  StoreFile& file() { return *file_; }

 private:
  class MemoryPlatform;
  PrivateStore();

  std::unique_ptr<MemoryPlatform> platform_;
  std::unique_ptr<StoreFile> file_;
};

}  // namespace vaultara::store
