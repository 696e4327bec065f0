#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/platform.h"

namespace vaultara::platform {

// A fresh folder under the temporary folder for each test, removed afterwards,
// and a few helpers to open files in it.
class ScratchFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "vaultara-test-XXXXXX");
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  std::string PathOf(const std::string& name) const { return folder_ + "/" + name; }

  std::unique_ptr<File> OpenOrFail(const std::string& name, OpenMode mode,
                                   Disposition disposition = Disposition::kOpenOrCreate) {
    std::unique_ptr<File> file;
    const SysError error = platform_.Open(PathOf(name), mode, disposition, &file);
    EXPECT_EQ(error, syserr::kOk) << name;
    return file;
  }

  SysError TryOpen(const std::string& name, OpenMode mode,
                   Disposition disposition = Disposition::kOpenExisting) {
    std::unique_ptr<File> file;
    return platform_.Open(PathOf(name), mode, disposition, &file);
  }

  std::string Contents(File* file) {
    uint64_t size = 0;
    EXPECT_EQ(file->Size(&size), syserr::kOk);
    std::string data(size, '\0');
    size_t got = 0;
    EXPECT_EQ(file->ReadAt(0, data.data(), data.size(), &got), syserr::kOk);
    data.resize(got);
    return data;
  }

  void Write(File* file, uint64_t offset, const std::string& data) {
    size_t written = 0;
    ASSERT_EQ(file->WriteAt(offset, data.data(), data.size(), &written), syserr::kOk);
    ASSERT_EQ(written, data.size());
  }

  Platform& platform_ = RealPlatform();
  std::string folder_;
};

}  // namespace vaultara::platform
