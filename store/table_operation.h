#pragma once

#include "store/file_registry.h"
#include "store/status.h"

// Helpers shared by the operations of TableHandle (not for other callers).

// Runs a store call and returns its error code (through ErrorOf, which
// latches a fault) when it fails.
#define STORE_TRY(call)                         \
  do {                                          \
    const Status status_ = (call);              \
    if (!status_.ok()) return ErrorOf(status_); \
  } while (false)

namespace vaultara::store {

// Ends a handle operation on a file (whichever the handle holds when the
// scope ends): the next one validates the header again.
class OperationEnd {
 public:
  explicit OperationEnd(RegisteredFile* const& file) : file_(file) {}
  ~OperationEnd() {
    if (file_ != nullptr) file_->file->EndOperation();
  }
  OperationEnd(const OperationEnd&) = delete;
  OperationEnd& operator=(const OperationEnd&) = delete;

 private:
  RegisteredFile* const& file_;
};

}  // namespace vaultara::store
