#pragma once

#include <optional>
#include <string_view>

#include "store/status.h"
#include "store/store_entry.h"

namespace vaultara::store {

class StoreFile;

// A position in a file's ordered entries. The cursor keeps a copy of the
// entry it stands on, so it survives any change to the tree, its page
// leaving the cache, or its own entry being deleted: it moves on from the
// remembered key to whatever entry now follows or precedes it.
class EntryCursor {
 public:
  explicit EntryCursor(StoreFile& file) : file_(file) {}

  // Stands on the first entry whose key is not less than key.
  Status Seek(std::string_view key);
  Status SeekFirst();
  Status SeekLast();
  // Moves to the next (previous) entry; off the end the cursor is not valid.
  Status Next();
  Status Previous();

  bool valid() const { return entry_.has_value(); }
  // The entry the cursor stands on; only while valid().
  const StoreEntry& entry() const { return *entry_; }

 private:
  StoreFile& file_;
  std::optional<StoreEntry> entry_;
};

}  // namespace vaultara::store
