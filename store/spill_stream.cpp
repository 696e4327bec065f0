#include "store/spill_stream.h"

#include <cstring>

namespace vaultara::store {

Status SpillStream::Append(const void* bytes, size_t n) {
  buffer_.append(static_cast<const char*>(bytes), n);
  size_ += n;
  if (buffer_.size() <= kMemoryBytes) return Status::Ok();
  if (file_ == nullptr) {
    const platform::SysError error = platform_.OpenTemporary(&file_);
    if (error != 0) {
      file_.reset();
      return Status::SystemError(error);
    }
  }
  return WriteBuffer();
}

Status SpillStream::WriteBuffer() {
  size_t done = 0;
  const platform::SysError error = file_->WriteAt(written_, buffer_.data(), buffer_.size(), &done);
  written_ += done;
  buffer_.erase(0, done);
  return error != 0 ? Status::SystemError(error) : Status::Ok();
}

Status SpillStream::Finish() {
  if (file_ == nullptr || buffer_.empty()) return Status::Ok();
  return WriteBuffer();
}

Status SpillStream::ReadAt(uint64_t offset, void* out, size_t n) {
  if (offset + n > size_) return Status::SystemError(platform::syserr::kInvalidParameter);
  if (file_ == nullptr) {
    std::memcpy(out, buffer_.data() + offset, n);
    return Status::Ok();
  }
  size_t got = 0;
  const platform::SysError error = file_->ReadAt(offset, out, n, &got);
  if (error != 0) return Status::SystemError(error);
  if (got != n) return Status::SystemError(platform::syserr::kReadFault);
  return Status::Ok();
}

}  // namespace vaultara::store
