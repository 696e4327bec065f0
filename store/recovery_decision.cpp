#include "store/recovery_decision.h"

#include <memory>
#include <optional>

#include "store/lock_wait.h"
#include "store/locked_store_file.h"
#include "store/store_file.h"
#include "store/transaction_mark.h"

namespace vaultara::store {

namespace {

// Decisions under way in this thread. A control file never carries a mark of
// its own; should one do so (a mark naming a data file, or itself), the
// nested decision replays instead of following it further.
thread_local int decisions_under_way = 0;

struct DecisionScope {
  DecisionScope() { ++decisions_under_way; }
  ~DecisionScope() { --decisions_under_way; }
};

}  // namespace

bool TransactionCompleted(platform::Platform& platform, StoreFile& file) {
  std::optional<StoreEntry> entry;
  // The tree is read as it stands: the caller is validating the file.
  if (!Guarded([&] { entry = file.tree().Find(kTransactionMarkKey); }).ok()) return false;
  if (!entry) return true;
  const std::optional<TransactionMark> mark = DecodeTransactionMark(*entry);
  if (!mark) return false;
  if (decisions_under_way > 0) return true;
  DecisionScope scope;

  const std::string path = ControlFileOf(*mark, file.path());
  const platform::OpenMode mode{platform::Access::kRead, platform::Share::kDenyNone};
  std::unique_ptr<LockedStoreFile> control;
  for (;;) {
    const Status status = LockedStoreFile::Open(platform, path, mode,
                                                platform::Disposition::kOpenExisting, "", &control);
    if (status.ok()) break;
    if (status.kind() != Status::Kind::kSystemError ||
        status.number() != platform::syserr::kSharingViolation) {
      return false;
    }
    PauseBeforeRetry();
  }
  std::optional<StoreEntry> pending;
  const Status status = control->file().Find(TransactionKey(mark->number), &pending);
  control->file().EndOperation();
  return status.ok() && !pending;
}

}  // namespace vaultara::store
