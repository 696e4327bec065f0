#include "data/transaction.h"

#include "data/error_state.h"
#include "data/error_texts.h"
#include "data/file_control_block.h"
#include "data/open_file_registry.h"
#include "data/state_bits.h"
#include "data/statements.h"

namespace vaultara::data {
namespace {

struct Participant {
  FileControlBlock* file;
  TransactionAnswers answers;
};

struct Transaction {
  bool active = false;
  std::vector<Participant> files;
};

Transaction& Current() {
  static Transaction transaction;
  return transaction;
}

int32_t Send(Op op, FileControlBlock& file) {
  OperationCall call;
  call.op = op;
  call.file = &file;
  IssueOperation(call);
  return call.error;
}

// Ends every participant with op; returns the first error and leaves it
// posted (the participants ended after it would clear it otherwise).
int32_t Finish(const std::vector<Participant>& files, Op op) {
  int32_t first = 0;
  ErrorStateValues posted;
  for (const Participant& p : files) {
    int32_t error = Send(op, *p.file);
    if (first == 0 && error > 0) {
      first = error;
      posted = CurrentErrorState();
    }
    if (p.answers.unlock_after_transaction) Unlock(*p.file);
  }
  if (first != 0) RestoreErrorState(posted);
  return first;
}

int32_t Fail(std::vector<Participant>& done, int32_t error, FileControlBlock* file) {
  Finish(done, Op::kRollback);
  PostError(error, file);
  return error;
}

}  // namespace

bool TransactionActive() { return Current().active; }

int32_t Logout(int32_t seconds, const std::vector<FileControlBlock*>& listed) {
  Transaction& t = Current();
  if (t.active) {
    PostError(err::kLogoutAlreadyActive);
    return err::kLogoutAlreadyActive;
  }
  std::vector<FileControlBlock*> files = listed.empty() ? OpenFiles().LogoutCandidates() : listed;
  if (files.empty()) {
    PostError(err::kUnableToLogTransaction);
    return err::kUnableToLogTransaction;
  }
  std::vector<Participant> done;
  for (FileControlBlock* file : files) {
    if (file == nullptr) return Fail(done, err::kUnableToLogTransaction, nullptr);
    const DriverState* state = file->state();
    if (state == nullptr || (state->bits & state::kOpen) == 0) {
      return Fail(done, err::kFileNotOpen, file);
    }
    const OpenFileEntry* entry = OpenFiles().Find(*file);
    if (entry == nullptr || !entry->answers.takes_part_in_logout) {
      return Fail(done, err::kUnableToLogTransaction, file);
    }
    TransactionAnswers answers = entry->answers;
    if (answers.lock_at_logout) {
      int32_t error = LockFileSec(*file, seconds);
      if (error != 0 && error != err::kUnsupportedFunction) {
        return Fail(done, err::kUnableToLogTransaction, file);
      }
    }
    OperationCall call;
    call.op = Op::kLogout;
    call.file = file;
    call.seconds = seconds;
    IssueOperation(call);
    if (call.error != 0) {
      if (answers.lock_at_logout) Unlock(*file);
      return Fail(done, err::kUnableToLogTransaction, file);
    }
    done.push_back({file, answers});
  }
  t.active = true;
  t.files = std::move(done);
  return 0;
}

namespace {

int32_t End(Op op) {
  Transaction& t = Current();
  if (!t.active) {
    PostError(err::kLogoutNotActive);
    return err::kLogoutNotActive;
  }
  std::vector<Participant> files = std::move(t.files);
  t = Transaction();
  return Finish(files, op);
}

}  // namespace

int32_t Commit() { return End(Op::kCommit); }
int32_t Rollback() { return End(Op::kRollback); }

}  // namespace vaultara::data
