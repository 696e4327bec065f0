#include "store/entry_cursor.h"

#include <string>

#include "store/store_file.h"

namespace vaultara::store {

Status EntryCursor::Seek(std::string_view key) { return file_.Ceiling(key, &entry_); }

Status EntryCursor::SeekFirst() { return file_.First(&entry_); }
Status EntryCursor::SeekLast() { return file_.Last(&entry_); }

Status EntryCursor::Next() {
  if (!entry_) return Status::Ok();
  const std::string key(entry_->key());
  return file_.Successor(key, &entry_);
}

Status EntryCursor::Previous() {
  if (!entry_) return Status::Ok();
  const std::string key(entry_->key());
  return file_.Predecessor(key, &entry_);
}

}  // namespace vaultara::store
