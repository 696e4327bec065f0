// Saved state: GETSTATE takes a snapshot of a table's state, RESTORESTATE
// brings the table back to it, FREESTATE discards it.
#include <cstring>

#include "data/error_state.h"
#include "data/error_texts.h"
#include "data/state_bits.h"
#include "data/statements.h"
#include "store/zephyron_driver.h"

namespace vaultara::store {

namespace {

namespace err = data::err;
namespace bit = data::state;
using data::Op;

bool IsSequentialRead(uint8_t op) {
  return op == static_cast<uint8_t>(Op::kNext) || op == static_cast<uint8_t>(Op::kPrevious) ||
         op == static_cast<uint8_t>(Op::kSkip);
}

constexpr uint32_t kSequenceBits = bit::kPositioned | bit::kSequenceLive;

}  // namespace

void ZephyronDriver::GetState(data::OperationCall& call, ZephyronState& state) {
  TableHandle& table = *state.table;
  auto saved = std::make_unique<SavedState>();
  saved->file = call.file;
  saved->errors = data::CurrentErrorState();
  saved->open = table.is_open();
  saved->access_mode = state.access_mode;
  saved->bits = state.bits;
  saved->hold_seconds = state.hold_seconds;
  saved->last_sequence_op = state.last_sequence_op;
  saved->last_sequence_result = state.last_sequence_result;
  saved->sequence = state.sequence;
  saved->current = table.current();
  if (table.is_open() && table.current() != 0) {
    std::optional<StoreEntry> entry;
    const Status status = table.file().Find(DataKey(table.table_number(), table.current()), &entry);
    if (!status.ok()) {
      call.error = table.ErrorOf(status);
      return;
    }
    if (entry) saved->stored = std::string(entry->data());
  }
  if (table.record() != nullptr) {
    saved->record.assign(table.record(), table.record() + table.record_length());
  }
  const int32_t handle = next_snapshot_++;
  snapshots_[handle] = std::move(saved);
  call.result = handle;
}

void ZephyronDriver::RestoreState(data::OperationCall& call, ZephyronState& state) {
  auto it = snapshots_.find(call.state_handle);
  if (it == snapshots_.end() || it->second->file != call.file) {
    call.error = err::kInvalidRecordDeclaration;
    return;
  }
  const SavedState& saved = *it->second;
  data::FileControlBlock& file = *call.file;
  TableHandle& table = *state.table;
  // Open or close the table to match, and put back what was requested of
  // it; each of these is a statement of its own.
  if (saved.open && !table.is_open()) {
    if (int32_t error = data::Open(file, saved.access_mode); error != 0) {
      call.error = error;
      return;
    }
  } else if (!saved.open && table.is_open()) {
    data::Close(file);
  }
  if (saved.open) {
    if ((saved.bits & bit::kStreaming) && !(state.bits & bit::kStreaming)) data::Stream(file);
    if ((saved.bits & bit::kLocked) && !(state.bits & bit::kLocked)) data::LockFile(file);
    if (saved.bits & bit::kWatchRequested) data::Watch(file);
    if (saved.bits & bit::kHoldRequested) {
      if (saved.hold_seconds) {
        data::HoldFileSec(file, static_cast<int32_t>(*saved.hold_seconds));
      } else {
        data::HoldFile(file);
      }
    }
    state.sequence = saved.sequence;
    state.verify_record.reset();
    state.verify_stored.reset();
    if (IsSequentialRead(saved.last_sequence_op) && saved.last_sequence_result == 0 &&
        (saved.sequence.mode == Sequence::Mode::kRecordOrder ||
         saved.sequence.mode == Sequence::Mode::kKeyOrder)) {
      // The next sequential read re-reads the saved record, if it is still
      // as it was.
      state.sequence.inclusive = true;
      if (saved.current != 0) {
        state.verify_record = saved.current;
        state.verify_stored = saved.stored;
      }
    }
    state.last_sequence_op = saved.last_sequence_op;
    state.last_sequence_result = saved.last_sequence_result;
    state.bits = (state.bits & ~kSequenceBits) | (saved.bits & kSequenceBits);
    state.bits = (state.bits & ~bit::kHasRecord) | (saved.bits & bit::kHasRecord);
    table.set_current(saved.current);
  }
  if (table.record() != nullptr && !saved.record.empty()) {
    std::memcpy(table.record(), saved.record.data(),
                std::min<size_t>(saved.record.size(), table.record_length()));
  }
  data::RestoreErrorState(saved.errors);
}

}  // namespace vaultara::store
