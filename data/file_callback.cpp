#include "data/file_callback.h"

#include <algorithm>

#include "data/file_control_block.h"

namespace vaultara::data {
namespace {

void Notice(FileControlBlock& file, FileCallbackInterface& callback, int32_t attached) {
  OperationCall details;
  details.op = Op::kAttachNotice;
  details.file = &file;
  details.number = attached;
  std::string file_error;
  std::string file_error_code;
  callback.OperationStarting(Op::kAttachNotice, details, &file_error, &file_error_code);
}

}  // namespace

void AttachCallback(FileControlBlock& file, FileCallbackInterface& callback) {
  auto& list = file.callbacks;
  if (std::find(list.begin(), list.end(), &callback) != list.end()) return;
  list.push_back(&callback);
  Notice(file, callback, 1);
}

void DetachCallback(FileControlBlock& file, FileCallbackInterface& callback) {
  auto& list = file.callbacks;
  auto it = std::find(list.begin(), list.end(), &callback);
  if (it == list.end()) return;
  list.erase(it);
  Notice(file, callback, 0);
}

}  // namespace vaultara::data
