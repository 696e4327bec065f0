#pragma once

#include "platform/platform.h"

namespace vaultara::store {

class StoreFile;

// Whether the journal pending in file (in force: its pages are read through
// it) belongs to a commit that completed, so that it may be replayed.
//
// Without a transaction mark the journal is a single-file commit's: replay.
// With one, the control file the mark names is opened for reading (deny
// none, never created; a sharing violation is retried): when it still holds
// the mark's transaction number, the transaction did not become durable and
// the journal is discarded; otherwise it is replayed. A control file that
// cannot be opened or read, or a mark that cannot be read, means the journal
// is discarded.
bool TransactionCompleted(platform::Platform& platform, StoreFile& file);

}  // namespace vaultara::store
