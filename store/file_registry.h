#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "store/lock_protocol.h"
#include "store/status.h"
#include "store/store_file.h"

namespace vaultara::store {

// One physical store file as the tables of this process share it.
struct RegisteredFile {
  std::string path;  // the full path, as first opened
  std::unique_ptr<StoreFile> file;
  platform::OpenMode mode;  // of the first opener; it stays in force
  int uses = 0;
};

// The physical files this process has open: one StoreFile per path, shared by
// every table that opens a table in it and counted by its users. Paths are
// made absolute and compared without regard to case. Single-threaded, like
// the statements that reach it.
class FileRegistry {
 public:
  explicit FileRegistry(platform::Platform& platform, LockProtocol& locks = NoLocks())
      : platform_(platform), locks_(locks) {}

  // Opens the file at path, or reuses the open one (the access mode and
  // password of the first opener stay in force) and counts one more use. A
  // creating disposition creates a missing file. The file comes back in read
  // mode with no pending changes of its own caller's.
  Status Acquire(const std::string& path, platform::OpenMode mode,
                 platform::Disposition disposition, std::string_view password,
                 RegisteredFile** file);
  // Gives up one use. The last use closes the file; while others remain, the
  // file's pending changes are committed.
  Status Release(RegisteredFile* file);

  // The open file at path, or nullptr.
  RegisteredFile* Find(const std::string& path);
  // The full path by which path is registered.
  std::string FullPath(const std::string& path) const;

  platform::Platform& platform() { return platform_; }

 private:
  platform::Platform& platform_;
  LockProtocol& locks_;
  std::vector<std::unique_ptr<RegisteredFile>> files_;
};

}  // namespace vaultara::store

namespace vaultara::store {

// The registry of this process, over the real platform.
FileRegistry& ProcessFiles();

}  // namespace vaultara::store
