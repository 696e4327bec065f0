#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data/error_state.h"
#include "data/file_control_block.h"
#include "data/operation.h"
#include "store/commit_policy.h"
#include "store/store_entry.h"
#include "store/table_handle.h"

namespace vaultara::store {

// Where the next sequential read of a table starts and how it goes on.
//
// A read leaves the sequence in record order (standing on a record number)
// or key order (standing on a copy of a key entry); SET and RESET leave one
// of the starting modes, each of which names its first candidate and the
// order the reads continue in.
struct Sequence {
  enum class Mode : uint8_t {
    kNone,
    kRecordOrder,    // after `record`, in record order
    kKeyOrder,       // after `entry_key` in key `key`
    kTableStart,     // the first (last) data record
    kRecordPointer,  // record `record`, else the next (previous), else the last
    kFileByKey,      // the entry of `value`/`record` in key `key`, then record order
    kKeyStart,       // the first (last) entry of key `key`
    kKeyPosition,    // the entry of `value`/`record` in key `key` or the next (previous)
    kKeyLast,        // the last entry of key `key`, then key order
  };

  Mode mode = Mode::kNone;
  size_t key = 0;  // 0-based key number for the key modes
  uint32_t record = 0;
  std::string value;      // a key value (kFileByKey, kKeyPosition)
  std::string entry_key;  // a key entry's key (kKeyOrder)
  // kFileByKey, kKeyPosition: the whole value (its first entry forward, its
  // last backward) rather than the entry of `record`.
  bool whole_value = false;
  // kRecordOrder, kKeyOrder: the next read goes to the entry the sequence
  // stands on itself (a restored snapshot re-reads its record).
  bool inclusive = false;

  bool key_order_follows() const {
    return mode == Mode::kKeyOrder || mode == Mode::kKeyStart || mode == Mode::kKeyPosition ||
           mode == Mode::kKeyLast;
  }
};

// The entry a sequential read would go to next: a data entry (record order)
// or a key entry of key `key`.
struct Candidate {
  std::optional<StoreEntry> entry;
  bool in_key = false;
  uint32_t record = 0;
};

// A build remembered for BUILDevent.
struct PendingBuild {
  data::Op op = data::Op::kBuildFile;
  data::KeyControlBlock* key = nullptr;
  std::vector<std::string> texts;
};

// A snapshot taken by GETSTATE.
struct SavedState {
  const data::FileControlBlock* file = nullptr;
  data::ErrorStateValues errors;
  bool open = false;
  uint32_t access_mode = 0;
  uint32_t bits = 0;
  std::optional<uint32_t> hold_seconds;
  uint8_t last_sequence_op = 0;  // NEXT, PREVIOUS, SKIP, a SET or a RESET; 0 none
  int32_t last_sequence_result = 0;
  Sequence sequence;                  // as it stood
  uint32_t current = 0;               // the current record number
  std::optional<std::string> stored;  // the current record as stored then
  std::vector<char> record;           // the record buffer
};

// What the driver keeps for one file control block.
class ZephyronState : public data::DriverState {
 public:
  std::unique_ptr<TableHandle> table;
  Sequence sequence;
  uint32_t access_mode = 0;
  int fault = 0;  // a latched internal fault raised outside the table's own calls

  // The last positioning by key (QUERY_KEY): its 1-based key number.
  int32_t last_key = 0;
  // The last sequence operation and its outcome (for snapshots).
  uint8_t last_sequence_op = 0;
  int32_t last_sequence_result = 0;
  // A hold for the next read: without seconds it waits for the record.
  std::optional<uint32_t> hold_seconds;
  // Set by RESTORESTATE after a sequential read: the next one re-reads that
  // record and fails with 35 when it changed since the snapshot.
  std::optional<uint32_t> verify_record;
  std::optional<std::string> verify_stored;

  // SEND "REGISTER" on a table that is not open: the state goes again.
  bool free_after_operation = false;

  CommitDeferral deferral;
  // Asynchronous builds.
  int32_t progress_setting = 0;
  std::optional<PendingBuild> pending_build;

  int latched() const {
    return table && table->fault_status() != 0 ? table->fault_status() : fault;
  }
};

}  // namespace vaultara::store
