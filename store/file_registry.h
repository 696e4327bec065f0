#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "store/file_locks.h"
#include "store/status.h"
#include "store/store_file.h"

namespace vaultara::store {

// One physical store file as the tables of this process share it.
struct RegisteredFile {
  std::string path;  // the full path, as first opened
  std::unique_ptr<FileLocks> locks;
  std::unique_ptr<StoreFile> file;  // destroyed before its locks
  platform::OpenMode mode;          // of the first opener; it stays in force
  int uses = 0;

  Sharing sharing() const { return locks->sharing(); }
};

// The physical files this process has open: one StoreFile per path, shared by
// every table that opens a table in it and counted by its users. Each file
// locks as the sharing mode of its first opener says (FileLocks). Paths are
// made absolute and compared exactly, as the file system compares them.
// Single-threaded, like the statements that reach it.
class FileRegistry {
 public:
  explicit FileRegistry(platform::Platform& platform) : platform_(platform) {}

  // Opens the file at path, or reuses the open one (the access mode and
  // password of the first opener stay in force) and counts one more use. A
  // creating disposition creates a missing file. The file comes back in read
  // mode with no pending changes of its own caller's.
  Status Acquire(const std::string& path, platform::OpenMode mode,
                 platform::Disposition disposition, std::string_view password,
                 RegisteredFile** file);
  // Gives up one use. While others remain, the file's pending changes are
  // committed and it returns to read mode; the last use commits, cuts the
  // file at the end of its page area and closes it. A file in a transaction
  // is neither committed nor cut nor closed: it stays registered (without
  // uses) until CloseUnused after the transaction.
  Status Release(RegisteredFile* file);
  // Gives up one use of a file whose table met an internal fault: nothing is
  // committed; the pending changes are discarded, which gives back the
  // reader slot, the writer lock and all reader slots, and the table lock
  // of table is released. The last use closes the file without cutting it.
  void ReleaseAfterFault(RegisteredFile* file, uint32_t table);
  // Closes the files without uses that a transaction kept open.
  Status CloseUnused();

  // The open file at path, or nullptr.
  RegisteredFile* Find(const std::string& path);
  // The full path by which path is registered.
  std::string FullPath(const std::string& path) const;

  platform::Platform& platform() { return platform_; }

 private:
  Status Close(RegisteredFile* file, bool cut);

  platform::Platform& platform_;
  std::vector<std::unique_ptr<RegisteredFile>> files_;
};

// The registry of this process, over the real platform.
FileRegistry& ProcessFiles();

}  // namespace vaultara::store
