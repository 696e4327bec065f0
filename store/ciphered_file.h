#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "platform/file.h"
#include "store/cipher.h"

namespace vaultara::store {

// The open OS file of a store, seen through its cipher. Every read and write
// is a whole number of 64-byte blocks (status 2272 for a read, 2286 for a
// write of any other length). Without a key the bytes pass unchanged.
class CipheredFile {
 public:
  CipheredFile(std::unique_ptr<platform::File> file, std::optional<CipherKey> key)
      : file_(std::move(file)), key_(std::move(key)) {}

  // Reads n bytes at offset; *got receives the count. Only a read of exactly
  // n bytes is deciphered; a short one is returned as read.
  platform::SysError Read(uint64_t offset, uint8_t* buffer, size_t n, size_t* got);
  // Enciphers buffer in place, writes it and deciphers it again, so the
  // caller's plaintext is unchanged. A short write counts as error 5.
  platform::SysError Write(uint64_t offset, uint8_t* buffer, size_t n);

  platform::SysError Flush() { return file_->Flush(); }
  platform::SysError SetEnd(uint64_t length) { return file_->SetEnd(length); }
  platform::SysError Size(uint64_t* length) { return file_->Size(length); }
  platform::File& file() { return *file_; }

 private:
  std::unique_ptr<platform::File> file_;
  std::optional<CipherKey> key_;
};

}  // namespace vaultara::store
