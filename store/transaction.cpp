#include "store/transaction.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>

#include "store/commit_policy.h"
#include "store/locked_store_file.h"
#include "store/status_numbers.h"
#include "store/transaction_mark.h"

namespace vaultara::store {

namespace {

// Days from 1 January 1970 to the given date of the proleptic Gregorian
// calendar.
int64_t DaysSinceEpoch(int year, int month, int day) {
  year -= month <= 2 ? 1 : 0;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t year_of_era = year - era * 400;
  const int64_t day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era - 719468;
}

// The local time in seconds: the first transaction number tried.
uint32_t LocalSeconds(const platform::LocalTime& now) {
  const int64_t days = DaysSinceEpoch(now.year, now.month, now.day);
  return static_cast<uint32_t>(days * 86400 + now.hour * 3600 + now.minute * 60 + now.second);
}

// An absolute, lexically normal form of path, so that one folder reached by
// two spellings records one default control file.
std::string AbsolutePath(platform::Platform& platform, const std::string& path) {
  std::filesystem::path p(path);
  if (p.is_relative()) {
    std::string current;
    if (platform.CurrentDirectory(&current) == platform::syserr::kOk) p = current / p;
  }
  return p.lexically_normal().string();
}

constexpr platform::OpenMode kControlMode{platform::Access::kReadWrite, platform::Share::kDenyNone};

// Enters (or deletes) a transaction number in a control file and commits.
Status Enter(StoreFile& control, uint32_t number) {
  Status status = control.BeginWrite();
  if (status.ok()) status = control.Insert(StoreEntry::KeyOnly(TransactionKey(number)));
  if (status.ok()) return CommitAlone(control);
  control.Discard();
  return status;
}

Status Remove(StoreFile& control, uint32_t number) {
  Status status = control.BeginWrite();
  if (status.ok()) status = control.Delete(TransactionKey(number));
  if (status.ok()) return CommitAlone(control);
  control.Discard();
  return status;
}

// Replaces file's transaction mark and writes its journal.
Status WriteJournal(StoreFile& file, const TransactionMark& mark) {
  Status status = file.Delete(kTransactionMarkKey);
  if (status.ok()) status = file.Insert(EncodeTransactionMark(mark));
  if (status.ok()) return file.CommitJournal();
  file.Discard();
  return status;
}

}  // namespace

// The control files of one commit, open while it runs.
struct Transaction::ControlFiles {
  std::vector<std::unique_ptr<LockedStoreFile>> open;

  // Opens every one of paths and enters a transaction number that none of
  // them holds yet, starting from *number.
  Status EnterNumber(platform::Platform& platform, const std::vector<std::string>& paths,
                     uint32_t* number) {
    for (;;) {
      bool taken = false;
      for (const std::string& path : paths) {
        std::unique_ptr<LockedStoreFile> control;
        Status status = LockedStoreFile::Open(platform, path, kControlMode,
                                              platform::Disposition::kOpenOrCreate, "", &control);
        std::optional<StoreEntry> present;
        if (status.ok()) status = control->file().Find(TransactionKey(*number), &present);
        if (status.ok() && present) {
          taken = true;
          break;
        }
        if (status.ok()) status = Enter(control->file(), *number);
        if (!status.ok()) {
          RemoveNumber(*number);
          return status;
        }
        open.push_back(std::move(control));
      }
      if (!taken) return Status::Ok();
      // Start again with the next number; the files entered so far lose it.
      RemoveNumber(*number);
      *number += 1;
    }
  }

  // Deletes number from every open control file and closes them all; the
  // first failure is returned (the rest are still tried).
  Status RemoveNumber(uint32_t number) {
    Status first;
    for (auto& control : open) {
      const Status status = Remove(control->file(), number);
      if (first.ok()) first = status;
    }
    open.clear();
    return first;
  }
};

Status Transaction::Logout(StoreFile& file) {
  if (!Contains(file)) {
    if (control_file_.empty()) {
      const std::string path = DefaultControlFile(AbsolutePath(file.platform(), file.path()));
      if (std::find(default_paths_.begin(), default_paths_.end(), path) == default_paths_.end()) {
        if (default_paths_.size() >= kMaxFolders) return Status::Fault(status::kTooManyFolders);
        default_paths_.push_back(path);
      }
    }
    files_.insert(files_.begin(), &file);
  }
  file.set_in_transaction(true);
  return file.BeginWrite();
}

bool Transaction::Contains(const StoreFile& file) const {
  return std::find(files_.begin(), files_.end(), &file) != files_.end();
}

void Transaction::Forget(const StoreFile& file) {
  files_.erase(std::remove(files_.begin(), files_.end(), &file), files_.end());
}

void Transaction::SetControlFile(std::string name) {
  previous_control_file_ = std::move(control_file_);
  control_file_ = std::move(name);
}

Status Transaction::Commit(platform::Platform& platform) {
  const std::vector<StoreFile*> files = files_;
  std::vector<StoreFile*> changed;
  for (StoreFile* file : files) {
    file->set_in_transaction(false);
    if (file->changes_pending()) changed.push_back(file);
  }
  Status status;
  if (changed.size() == 1) {
    status = CommitAlone(*changed.front());
  } else if (changed.size() > 1) {
    status = CommitSeveral(platform, changed);
  }
  for (StoreFile* file : files) {
    if (file->changes_pending()) file->Discard();
    file->ReturnToReadMode();
    file->EndOperation();
  }
  End();
  return status;
}

Status Transaction::CommitSeveral(platform::Platform& platform,
                                  const std::vector<StoreFile*>& files) {
  TransactionMark mark;
  mark.number = LocalSeconds(platform.Now());
  std::vector<std::string> paths = default_paths_;
  mark.control_file = kDefaultControlFile;
  if (!control_file_.empty()) {
    paths = {control_file_};
    mark.control_file = control_file_;
  }

  ControlFiles controls;
  Status status = controls.EnterNumber(platform, paths, &mark.number);
  if (!status.ok()) return status;

  size_t written = 0;
  for (; written < files.size(); ++written) {
    status = WriteJournal(*files[written], mark);
    if (!status.ok()) break;
  }
  platform.Checkpoint("transaction.journals-written");
  if (!status.ok()) {
    // Put back every file whose journal was written. Should that fail for
    // one, its journal stays pending under a number the control files still
    // hold, so that recovery discards it rather than replaying it alone.
    bool all_cancelled = true;
    for (size_t i = 0; i < written; ++i) {
      if (!files[i]->CancelJournal().ok()) all_cancelled = false;
    }
    if (all_cancelled) controls.RemoveNumber(mark.number);
    return status;
  }

  status = controls.RemoveNumber(mark.number);
  if (!status.ok()) {
    // Not durable: every file goes back to its state before the transaction.
    for (StoreFile* file : files) file->CancelJournal();
    return status;
  }
  platform.Checkpoint("transaction.durable");

  // The transaction is durable: a file whose journal cannot be copied home
  // keeps it pending, and the next validation replays it. The commit has
  // succeeded either way, so such a failure is not reported.
  for (StoreFile* file : files) file->CommitHome();
  return Status::Ok();
}

void Transaction::Rollback() {
  for (StoreFile* file : files_) {
    file->set_in_transaction(false);
    file->Discard();
    file->EndOperation();
  }
  End();
}

void Transaction::End() {
  files_.clear();
  default_paths_.clear();
}

Transaction& ProcessTransaction() {
  static Transaction transaction;
  return transaction;
}

}  // namespace vaultara::store
