#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/platform.h"
#include "store/store_file.h"
#include "tests/platform/scratch_folder.h"

namespace vaultara::store {

// A scratch folder with helpers to open store files in it.
class StoreFixture : public platform::ScratchFolder {
 protected:
  static constexpr platform::OpenMode kReadWrite{platform::Access::kReadWrite,
                                                 platform::Share::kDenyNone};

  Status Open(const std::string& name, const std::string& password,
              std::unique_ptr<StoreFile>* file, platform::Platform* through = nullptr) {
    return StoreFile::Open(through ? *through : platform_, PathOf(name), kReadWrite,
                           platform::Disposition::kOpenOrCreate, password, file);
  }

  std::unique_ptr<StoreFile> OpenOrFail(const std::string& name, const std::string& password,
                                        platform::Platform* through = nullptr) {
    std::unique_ptr<StoreFile> file;
    const Status status = Open(name, password, &file, through);
    EXPECT_TRUE(status.ok()) << static_cast<int>(status.kind()) << " " << status.number();
    return file;
  }

  // The file's bytes as they lie on disk.
  std::string Raw(const std::string& name) {
    auto file = ScratchFolder::OpenOrFail(name, kReadWrite, platform::Disposition::kOpenExisting);
    return Contents(file.get());
  }

  static std::string Key(int n) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "key%08d", n);
    return buffer;
  }
};

}  // namespace vaultara::store
