#include "store/ciphered_file.h"

#include "store/format.h"
#include "store/status_numbers.h"
#include "store/store_fault.h"

namespace vaultara::store {

platform::SysError CipheredFile::Read(uint64_t offset, uint8_t* buffer, size_t n, size_t* got) {
  if (n % format::kCipherBlockSize != 0) Fault(status::kReadLength);
  *got = 0;
  const platform::SysError error = file_->ReadAt(offset, buffer, n, got);
  if (error == platform::syserr::kOk && *got == n && key_) Decipher(*key_, buffer, n);
  return error;
}

platform::SysError CipheredFile::Write(uint64_t offset, uint8_t* buffer, size_t n) {
  if (n % format::kCipherBlockSize != 0) Fault(status::kWriteLength);
  if (key_) Encipher(*key_, buffer, n);
  size_t written = 0;
  platform::SysError error = file_->WriteAt(offset, buffer, n, &written);
  if (key_) Decipher(*key_, buffer, n);
  if (error == platform::syserr::kOk && written != n) error = platform::syserr::kAccessDenied;
  return error;
}

}  // namespace vaultara::store
