#include "data/common_frame.h"

#include "data/error_state.h"
#include "data/error_texts.h"
#include "data/open_file_registry.h"
#include "data/operation_state_table.h"
#include "data/state_bits.h"

namespace vaultara::data {

bool TakesKey(Op op) {
  switch (op) {
    case Op::kBuildDyn:
    case Op::kBuildKey:
    case Op::kGetFileKey:
    case Op::kGetKeyPtr:
    case Op::kPointerKey:
    case Op::kRecordsKey:
    case Op::kBuildDynFilter:
    case Op::kSetFileKey:
    case Op::kSetKey:
    case Op::kSetKeyKey:
    case Op::kSetKeyPtr:
    case Op::kSetKeyKeyPtr:
    case Op::kDuplicateKey:
    case Op::kPositionKey:
    case Op::kResetKey:
    case Op::kRegetKey:
    case Op::kSetPropertyKey:
    case Op::kGetPropertyKey:
      return true;
    default:
      return false;
  }
}

namespace {

bool MayRunWhileBuilding(Op op) {
  return op == Op::kClose || op == Op::kName || op == Op::kGetProperty || op == Op::kBuildEvent ||
         op == Op::kGetPropertyKey;
}

bool TakesPositionText(Op op) {
  return op == Op::kResetFile || op == Op::kResetKey || op == Op::kRegetFile || op == Op::kRegetKey;
}

bool AllBlank(const std::string& text) { return text.find_first_not_of(' ') == std::string::npos; }

}  // namespace

int32_t CheckPreconditions(const OperationCall& call, uint32_t bits) {
  const OperationWords& w = WordsFor(call.op);
  uint32_t missing = w.required & ~bits & ~state::kIndexBuilt;
  if ((w.required & state::kIndexBuilt) && call.key != nullptr && call.key->IsDynamicIndex() &&
      !call.key->index_built) {
    missing |= state::kIndexBuilt;
  }
  if (missing & state::kOpen) return err::kFileNotOpen;
  if (missing & state::kIndexBuilt) return err::kKeyFileMustBeRebuilt;
  if (missing != 0 && (bits & state::kOpen) != 0) {
    if (missing & (state::kHasRecord | state::kPositioned)) return err::kRecordNotAvailable;
    if (missing & state::kExclusiveAccess) return err::kExclusiveAccessRequired;
    if (missing & state::kWriteAccess) return err::kAccessDenied;
    return kSilentFailure;
  }
  if ((bits & state::kBuilding) && !MayRunWhileBuilding(call.op)) return err::kBuildInProgress;
  uint32_t present = w.forbidden & bits;
  if (present & state::kOpen) return err::kFileAlreadyOpen;
  if (present & state::kInTransaction) return err::kLogoutAlreadyActive;
  if (present != 0) return kSilentFailure;
  if (TakesPositionText(call.op) && AllBlank(call.text(0))) return err::kRecordNotFound;
  if (TakesKey(call.op)) {
    if (call.file == nullptr || !call.file->Owns(call.key)) return err::kInvalidKeyFile;
    if (call.op == Op::kSetKeyKey && !call.file->Owns(call.second_key)) return err::kInvalidKeyFile;
  }
  return 0;
}

namespace {

void UpdateIndexBuilt(const OperationCall& call, const OperationWords& w) {
  auto apply = [&](KeyControlBlock* key) {
    if (key == nullptr || !key->IsDynamicIndex()) return;
    if (w.set & state::kIndexBuilt) key->index_built = true;
    if (w.cleared & state::kIndexBuilt) key->index_built = false;
  };
  if (call.key != nullptr) {
    apply(call.key);
  } else if (call.file != nullptr && (w.cleared & state::kIndexBuilt)) {
    // Closing a file forgets every index built at run time.
    for (auto& key : call.file->keys) apply(key.get());
  }
}

void UpdateOnSuccess(const OperationCall& call, const OperationWords& w, uint32_t& bits) {
  // A requested watch or hold takes effect with the next read; a read without
  // a request ends it.
  if (w.cleared & state::kWatchRequested) {
    bits = (bits & state::kWatchRequested) ? (bits | state::kWatched) : (bits & ~state::kWatched);
  }
  if (w.cleared & state::kHoldRequested) {
    bits = (bits & state::kHoldRequested) ? (bits | state::kHeld) : (bits & ~state::kHeld);
  }
  if (w.cleared & state::kOpen) bits = 0;
  bits |= w.set & ~state::kIndexBuilt;
  bits &= ~(w.cleared & ~state::kIndexBuilt);
  UpdateIndexBuilt(call, w);
}

void UpdateOnFailure(const OperationCall& call, const OperationWords& w, uint32_t& bits) {
  uint32_t cleared = w.failure_cleared;
  // A read that found the record held elsewhere keeps its sequence, so that
  // it can be repeated.
  if (call.error == err::kRecordIsAlreadyHeld) cleared &= ~state::kPositioned;
  bits &= ~cleared;
  bits &= ~(state::kWatchRequested | state::kWatched);
}

}  // namespace

void FinishOperation(OperationCall& call, DriverState& state) {
  const OperationWords& w = WordsFor(call.op);
  if (call.error == 0) {
    UpdateOnSuccess(call, w, state.bits);
    if (call.op == Op::kOpen || call.op == Op::kShare) {
      OpenFiles().SetAccessMode(*call.file, call.access_mode);
    } else if (call.op == Op::kClose) {
      OpenFiles().SetAccessMode(*call.file, 0);
    }
    if (w.actions & (action::kRememberA | action::kRememberB)) {
      state.remembered_operation = static_cast<uint8_t>(call.op);
      state.remembered_result = call.result;
    }
    if (w.actions & action::kClearErrors) ClearErrors();
  } else {
    UpdateOnFailure(call, w, state.bits);
    if (call.error != kSilentFailure) PostError(call.error, call.file);
    if (call.op == Op::kBof || call.op == Op::kEof) call.result = 1;
  }
  state.last_error = call.error == kSilentFailure ? 0 : call.error;
}

int32_t FramedDriver::Dispatch(OperationCall& call) {
  if (call.file == nullptr) {
    call.error = err::kInvalidFilename;
    PostError(call.error);
    return 0;
  }
  FileControlBlock& file = *call.file;
  if (file.state() == nullptr) {
    int32_t error = 0;
    std::unique_ptr<DriverState> created = CreateState(file, &error);
    if (!created) {
      call.error = error != 0 ? error : err::kInvalidRecordDeclaration;
      PostError(call.error, &file);
      return 0;
    }
    file.set_state(std::move(created));
    OpenFiles().Add(file, Answers());
  }
  DriverState& state = *file.state();
  call.error = CheckPreconditions(call, state.bits);
  if (call.error == 0) Perform(call, state);
  FinishOperation(call, state);
  int32_t result = call.result;
  if (call.op == Op::kDestroy) {
    OpenFiles().Remove(file);
    file.reset_state();
  }
  return result;
}

}  // namespace vaultara::data
