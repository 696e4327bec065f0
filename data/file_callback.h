#pragma once

#include <string>

#include "data/operation_call.h"

namespace vaultara::data {

struct FileControlBlock;

// A notification object: told before and after every statement on the files
// it is attached to. Returning false from OperationStarting stops the
// operation before the driver sees it; returning false from either posts
// error 90 with the file error text and code the object wrote into its
// buffers (at most 254 and 80 characters are kept).
//
// When an object is attached to or detached from a file it receives
// OperationStarting with Op::kAttachNotice, number 1 for attach and 0 for
// detach; its answer is ignored.
class FileCallbackInterface {
 public:
  virtual ~FileCallbackInterface() = default;
  virtual bool OperationStarting(Op op, const OperationCall& details, std::string* file_error,
                                 std::string* file_error_code) = 0;
  virtual bool OperationFinished(Op op, const OperationCall& details, std::string* file_error,
                                 std::string* file_error_code) = 0;
};

// Attaches callback at the end of file's list (once); Detach removes it.
void AttachCallback(FileControlBlock& file, FileCallbackInterface& callback);
void DetachCallback(FileControlBlock& file, FileCallbackInterface& callback);

}  // namespace vaultara::data
