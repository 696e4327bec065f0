#include "store/locked_store_file.h"

namespace vaultara::store {

Status LockedStoreFile::Open(platform::Platform& platform, const std::string& path,
                             platform::OpenMode mode, platform::Disposition disposition,
                             std::string_view password, std::unique_ptr<LockedStoreFile>* out) {
  std::unique_ptr<LockedStoreFile> opened(new LockedStoreFile);
  opened->locks_ = std::make_unique<FileLocks>(platform, mode.share);
  const Status status =
      StoreFile::Open(platform, path, mode, disposition, password, &opened->file_, *opened->locks_);
  if (!status.ok()) return status;
  *out = std::move(opened);
  return Status::Ok();
}

}  // namespace vaultara::store
