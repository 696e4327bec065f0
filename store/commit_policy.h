#pragma once

#include <cstddef>
#include <cstdint>

#include "store/status.h"
#include "store/store_file.h"

namespace vaultara::store {

// When the changes of an operation reach the disk. An operation's changes are
// committed when it ends, unless its table streams (STREAM until FLUSH) or is
// read by a view, or a build with progress events runs: then the commit is
// put off while the file has fewer than 40 changed pages and fewer than 5000
// operation ends have been put off since the last commit. A file in a
// transaction is committed only by the transaction.
struct CommitDeferral {
  static constexpr size_t kMaxPages = 40;
  static constexpr uint32_t kMaxOperations = 5000;

  bool streaming = false;
  bool in_view = false;
  bool building_with_progress = false;
  uint32_t deferred = 0;  // operation ends put off since the last commit

  bool wanted() const { return streaming || in_view || building_with_progress; }
};

// Commits file's pending changes on their own (both phases). A transaction
// mark left by an earlier multi-file commit is removed as part of them, so
// that recovering this commit never depends on an old control file.
Status CommitAlone(StoreFile& file);

// Ends an operation on file: commits or defers its changes (deferral may be
// null: never deferred), then gives back the operation's lock and returns to
// read mode. A file in a transaction keeps its changes and locks.
Status FinishOperation(StoreFile& file, CommitDeferral* deferral = nullptr);

// Commits now whatever was deferred and returns to read mode (FLUSH; also
// the end of a view).
Status FlushDeferred(StoreFile& file, CommitDeferral* deferral = nullptr);

}  // namespace vaultara::store
