#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/platform.h"
#include "store/status.h"

namespace vaultara::store {

// A write-once byte stream for the sorter's runs. Its first 16384 bytes stay
// in memory; when it grows beyond that it moves to a temporary file (removed
// when the stream is destroyed), written through a 16384-byte buffer. Reads
// may come at any offset once writing is finished.
class SpillStream {
 public:
  static constexpr size_t kMemoryBytes = 16384;

  explicit SpillStream(platform::Platform& platform) : platform_(platform) {}

  Status Append(const void* bytes, size_t n);
  // Writes out the buffer; reads see everything appended before.
  Status Finish();
  // Reads n bytes at offset (within what was appended).
  Status ReadAt(uint64_t offset, void* out, size_t n);

  uint64_t size() const { return size_; }
  bool on_disk() const { return file_ != nullptr; }

 private:
  Status WriteBuffer();

  platform::Platform& platform_;
  std::string buffer_;  // everything while in memory; the unwritten tail after
  std::unique_ptr<platform::File> file_;
  uint64_t written_ = 0;  // bytes in the file
  uint64_t size_ = 0;
};

}  // namespace vaultara::store
