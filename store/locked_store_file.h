#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "store/file_locks.h"
#include "store/status.h"
#include "store/store_file.h"

namespace vaultara::store {

// A StoreFile opened together with the locks its sharing mode calls for
// (FileLocks). The locks outlive the file they are taken on.
class LockedStoreFile {
 public:
  // Opens path as StoreFile::Open does, sharing as mode.share says.
  static Status Open(platform::Platform& platform, const std::string& path, platform::OpenMode mode,
                     platform::Disposition disposition, std::string_view password,
                     std::unique_ptr<LockedStoreFile>* file);

  StoreFile& file() { return *file_; }
  FileLocks& locks() { return *locks_; }

 private:
  LockedStoreFile() = default;
  std::unique_ptr<FileLocks> locks_;
  std::unique_ptr<StoreFile> file_;  // destroyed first
};

}  // namespace vaultara::store
