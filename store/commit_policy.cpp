#include "store/commit_policy.h"

#include "store/transaction_mark.h"

namespace vaultara::store {

Status CommitAlone(StoreFile& file) {
  if (!file.changes_pending()) return Status::Ok();
  Status status = file.Delete(kTransactionMarkKey);
  if (!status.ok()) {
    file.Discard();
    return status;
  }
  return file.Commit();
}

Status FinishOperation(StoreFile& file, CommitDeferral* deferral) {
  if (file.in_transaction()) {
    file.EndOperation();
    return Status::Ok();
  }
  if (file.changes_pending() && deferral && deferral->wanted() &&
      file.changed_pages() < CommitDeferral::kMaxPages &&
      deferral->deferred < CommitDeferral::kMaxOperations) {
    ++deferral->deferred;
    file.EndOperation();
    return Status::Ok();
  }
  return FlushDeferred(file, deferral);
}

Status FlushDeferred(StoreFile& file, CommitDeferral* deferral) {
  if (deferral) deferral->deferred = 0;
  if (file.in_transaction()) {
    file.EndOperation();
    return Status::Ok();
  }
  const Status status = CommitAlone(file);
  file.ReturnToReadMode();
  file.EndOperation();
  return status;
}

}  // namespace vaultara::store
