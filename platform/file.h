#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/system_error.h"

namespace vaultara::platform {

// What an opener may do with a file.
enum class Access : uint8_t { kRead = 0, kWrite = 1, kReadWrite = 2 };

// What an opener lets other openers (in this or another process) do at the
// same time. An open that conflicts with an earlier opener's access or denial
// fails with syserr::kSharingViolation.
enum class Share : uint8_t { kDenyNone, kDenyAll, kDenyWrite, kDenyRead };

struct OpenMode {
  Access access = Access::kReadWrite;
  Share share = Share::kDenyNone;

  // Decodes a statement access mode: low two bits 0 read, 1 write, 2 read and
  // write; bits 4-6: 0x00 or 0x40 deny none, 0x10 deny all, 0x20 deny write,
  // 0x30 deny read.
  static OpenMode FromAccessMode(uint32_t mode);
};

enum class Disposition : uint8_t {
  kOpenExisting,  // fail with kFileNotFound when absent
  kOpenOrCreate,  // create when absent
  kCreateAlways,  // create, or truncate an existing file to length 0
  kCreateNew,     // fail with kFileExists when present
};

// An open file. Not safe for concurrent use from several threads. Closing
// (destroying) the object releases every lock it holds.
class File {
 public:
  virtual ~File() = default;
  File() = default;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Reads up to n bytes at offset; *got receives the count (short at the end
  // of the file).
  virtual SysError ReadAt(uint64_t offset, void* buffer, size_t n, size_t* got) = 0;
  // Writes n bytes at offset; *written receives the count actually written,
  // which is less than n only together with an error.
  virtual SysError WriteAt(uint64_t offset, const void* buffer, size_t n, size_t* written) = 0;
  // Makes everything written so far durable.
  virtual SysError Flush() = 0;
  // Sets the file's length (cuts or extends with zero bytes).
  virtual SysError SetEnd(uint64_t length) = 0;
  virtual SysError Size(uint64_t* length) = 0;

  // Byte-range locks between processes (and between separate opens in one
  // process). Never waits: a range held by another opener gives
  // syserr::kLockViolation. Offsets may lie far beyond the end of the file
  // (the store locks at 2^31 and above). A shared lock may be held by many
  // openers at once; an exclusive one by one. Locking a range this open
  // already holds is no conflict. Ranges must not be empty nor reach 2^62,
  // where the sharing modes keep their marks (kInvalidParameter). An open for
  // reading may take exclusive locks, except on a file the process may not
  // write at all (kAccessDenied).
  virtual SysError Lock(uint64_t offset, uint64_t length, bool exclusive = true) = 0;
  virtual SysError Unlock(uint64_t offset, uint64_t length) = 0;

  // The path the file was opened with.
  virtual const std::string& Path() const = 0;
};

}  // namespace vaultara::platform
