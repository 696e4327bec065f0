#pragma once

#include <memory>
#include <string>

#include "store/commit_policy.h"
#include "store/locked_store_file.h"
#include "tests/store/store_fixture.h"

namespace vaultara::store {

// Store files opened with their locks, as separate processes open them.
inline constexpr platform::OpenMode kShared{platform::Access::kReadWrite,
                                            platform::Share::kDenyNone};

class LockedStoreFixture : public StoreFixture {
 protected:
  Status OpenLocked(const std::string& name, std::unique_ptr<LockedStoreFile>* file,
                    platform::OpenMode mode = kShared, platform::Platform* through = nullptr) {
    return LockedStoreFile::Open(through ? *through : platform_, PathOf(name), mode,
                                 platform::Disposition::kOpenOrCreate, "", file);
  }

  std::unique_ptr<LockedStoreFile> OpenLockedOrFail(const std::string& name,
                                                    platform::OpenMode mode = kShared,
                                                    platform::Platform* through = nullptr) {
    std::unique_ptr<LockedStoreFile> file;
    const Status status = OpenLocked(name, &file, mode, through);
    EXPECT_TRUE(status.ok()) << static_cast<int>(status.kind()) << " " << status.number();
    return file;
  }

  // Writes the entries key -> data in one committed operation.
  static Status Put(StoreFile& file, const std::string& key, const std::string& data);
  // The data of key, or "-" when absent; ends the operation.
  static std::string Get(StoreFile& file, const std::string& key);
};

inline Status LockedStoreFixture::Put(StoreFile& file, const std::string& key,
                                      const std::string& data) {
  Status status = file.BeginWrite();
  if (status.ok()) status = file.Delete(key);
  if (status.ok()) status = file.Insert(StoreEntry(key, data));
  const Status end = FinishOperation(file);
  return status.ok() ? end : status;
}

inline std::string LockedStoreFixture::Get(StoreFile& file, const std::string& key) {
  std::optional<StoreEntry> entry;
  const Status status = file.Find(key, &entry);
  FinishOperation(file);
  if (!status.ok()) return "error " + std::to_string(status.number());
  return entry ? std::string(entry->data()) : "-";
}

}  // namespace vaultara::store
