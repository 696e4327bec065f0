// The driver's dispatch frame and the operations on tables, records, locks,
// transactions and blobs.
#include "store/zephyron_driver.h"

#include <cstring>

#include "data/common_frame.h"
#include "data/error_state.h"
#include "data/error_texts.h"
#include "data/open_file_registry.h"
#include "data/state_bits.h"
#include "store/fault_latch.h"
#include "store/lock_requests.h"
#include "store/position_string.h"
#include "store/store_fault.h"
#include "store/table_name.h"
#include "store/transaction.h"

namespace vaultara::store {

namespace {

namespace err = data::err;
namespace bit = data::state;
using data::Op;

// Operations that take the name, owner and options afresh from the file
// control block when the table is not open.
bool TakesFreshNames(Op op) {
  switch (op) {
    case Op::kBuildFile:
    case Op::kCopy:
    case Op::kCreate:
    case Op::kEmpty:
    case Op::kName:
    case Op::kOpen:
    case Op::kPack:
    case Op::kRemove:
    case Op::kRename:
    case Op::kShare:
    case Op::kBytes:
    case Op::kSend:
    case Op::kGetProperty:
      return true;
    default:
      return false;
  }
}

// Operations after which no blob counts as touched.
bool EndsBlobTouch(Op op) {
  switch (op) {
    case Op::kAdd:
    case Op::kAppend:
    case Op::kDelete:
    case Op::kGetFileKey:
    case Op::kGetFilePtr:
    case Op::kGetKeyPtr:
    case Op::kNext:
    case Op::kPut:
    case Op::kPrevious:
    case Op::kPutFilePtr:
    case Op::kRegetFile:
    case Op::kRegetKey:
      return true;
    default:
      return false;
  }
}

size_t KeyIndex(const data::OperationCall& call) {
  return static_cast<size_t>(call.file->KeyNumber(call.key) - 1);
}

}  // namespace

data::DriverRegistration ZephyronRegistration() {
  using data::FieldType;
  data::DriverRegistration r;
  r.name = "ZEPHYRON";
  r.operations = {1,  4,  2,  5,  3,  6,  52, 14, 7,  8,  9,  10, 11, 12, 57, 13, 29, 15, 16,
                  17, 72, 86, 18, 19, 20, 21, 22, 23, 24, 65, 25, 26, 27, 28, 61, 62, 31, 30,
                  54, 32, 33, 66, 67, 36, 37, 38, 63, 64, 40, 60, 41, 42, 43, 44, 47, 45, 46,
                  71, 85, 48, 49, 56, 50, 58, 34, 75, 76, 77, 78, 79, 98, 99, 102};
  r.field_types = {FieldType::kByte,    FieldType::kShort,  FieldType::kUShort,
                   FieldType::kDate,    FieldType::kTime,   FieldType::kLong,
                   FieldType::kULong,   FieldType::kSReal,  FieldType::kReal,
                   FieldType::kDecimal, FieldType::kString, FieldType::kCString,
                   FieldType::kPString, FieldType::kMemo,   FieldType::kBlob,
                   FieldType::kGroup,   FieldType::kArray};
  r.description = "Zephyron record store";
  r.max_record_length = 15000;
  r.max_keys = entry_kind::kMaxKeys;
  r.max_memo_size = data::MemoControlBlock::kMaxSize;
  r.default_extension = std::string(kDefaultExtension);
  return r;
}

ZephyronDriver::ZephyronDriver(platform::Platform& platform, FileRegistry* files)
    : platform_(platform),
      own_files_(files == nullptr ? std::make_unique<FileRegistry>(platform) : nullptr),
      files_(files == nullptr ? own_files_.get() : files),
      keys_(platform),
      registration_(ZephyronRegistration()) {}

ZephyronDriver::~ZephyronDriver() = default;

ZephyronDriver& TheZephyronDriver() {
  static ZephyronDriver* driver = [] {
    auto* d = new ZephyronDriver(platform::RealPlatform(), &ProcessFiles());
    data::RegisterDriver(*d);
    return d;
  }();
  return *driver;
}

// ---- The frame --------------------------------------------------------------

int32_t ZephyronDriver::Dispatch(data::OperationCall& call) {
  call.error = 0;
  if (call.op == Op::kQueryView) {
    call.result = 0;
    return 0;
  }
  if (call.file == nullptr) {
    call.error = err::kInvalidFilename;
    data::PostError(call.error);
    return 0;
  }
  data::FileControlBlock& file = *call.file;
  if (file.state() == nullptr) {
    auto state = std::make_unique<ZephyronState>();
    const int32_t error =
        TableHandle::Make(file, platform_, TableServices{files_, &keys_, nullptr}, &state->table);
    if (error != err::kNone) {
      call.error = error;
      data::PostError(error, &file);
      return 0;
    }
    file.set_state(std::move(state));
    data::TransactionAnswers answers;
    answers.takes_part_in_logout = true;
    answers.supports_commit = true;
    answers.supports_rollback = true;
    data::OpenFiles().Add(file, answers);
  }
  auto& state = static_cast<ZephyronState&>(*file.state());
  const int latched_before = state.latched();
  if (AdmittedAfterFault(latched_before, call.op, &call.error)) {
    call.error = data::CheckPreconditions(call, state.bits);
    if (call.error == 0) {
      if (TakesFreshNames(call.op) && !state.table->is_open()) state.table->TakeNames();
      try {
        Perform(call, state);
      } catch (const StoreFault& fault) {
        state.fault = fault.number();
        call.error = err::kFileSystemError;
      }
      if (call.error == err::kFileSystemError && latched_before == 0 && state.latched() != 0) {
        ReportFault(state.latched());
      }
    }
  }
  data::FinishOperation(call, state);
  const int32_t result = call.result;
  if (call.op == Op::kDestroy || state.free_after_operation) {
    data::OpenFiles().Remove(file);
    file.reset_state();
  }
  return result;
}

void ZephyronDriver::EndOperation(data::OperationCall& call, ZephyronState& state) {
  TableHandle& table = *state.table;
  if (EndsBlobTouch(call.op)) table.ClearTouched();
  if (!table.is_open() || table.registered_file() == nullptr) return;
  if (state.latched() != 0) {
    table.file().EndOperation();
    table.ReleaseChangedRecords();
    return;
  }
  const int32_t error = table.ErrorOf(FinishOperation(table.file(), &state.deferral));
  table.ReleaseChangedRecords();
  if (call.error == 0) call.error = error;
}

void ZephyronDriver::Perform(data::OperationCall& call, ZephyronState& state) {
  switch (call.op) {
    case Op::kBof:
    case Op::kEof:
    case Op::kNext:
    case Op::kPrevious:
    case Op::kSkip:
    case Op::kSetFile:
    case Op::kSetFileKey:
    case Op::kSetFilePtr:
    case Op::kSetKey:
    case Op::kSetKeyKey:
    case Op::kSetKeyPtr:
    case Op::kSetKeyKeyPtr:
    case Op::kResetFile:
    case Op::kResetKey:
    case Op::kPositionFile:
    case Op::kPositionKey:
    case Op::kRegetFile:
    case Op::kRegetKey:
      PerformSequence(call, state);
      break;
    case Op::kBuildFile:
    case Op::kBuildKey:
    case Op::kBuildDyn:
    case Op::kBuildDynFilter:
    case Op::kPack:
    case Op::kBuildEvent:
      call.error = Build(call, state);
      break;
    case Op::kDuplicate:
    case Op::kDuplicateKey:
    case Op::kRecordsKey:
    case Op::kGetFileKey:
      PerformKeys(call, state);
      break;
    case Op::kHoldFile:
    case Op::kHoldFileSec:
    case Op::kRelease:
    case Op::kWatch:
    case Op::kLockFile:
    case Op::kLockFileSec:
    case Op::kUnlock:
    case Op::kLogout:
    case Op::kCommit:
    case Op::kRollback:
      PerformLocks(call, state);
      break;
    case Op::kBlobYield:
    case Op::kBlobTake:
    case Op::kBlobSize:
    case Op::kBlobSetProp:
    case Op::kBlobGetProp:
      PerformBlobs(call, state);
      break;
    case Op::kSend:
      Send(call, state);
      break;
    case Op::kSetProperty:
      SetProperty(call, state);
      return;
    case Op::kGetProperty:
      GetProperty(call, state);
      return;
    case Op::kSetPropertyKey:
      return;
    case Op::kGetPropertyKey:
      GetKeyProperty(call, state);
      return;
    case Op::kGetState:
      GetState(call, state);
      break;
    case Op::kRestoreState:
      RestoreState(call, state);
      break;
    case Op::kFreeState:
      snapshots_.erase(call.state_handle);
      return;
    default:
      PerformTable(call, state);
      break;
  }
  EndOperation(call, state);
}

// ---- Tables and records -----------------------------------------------------

int32_t ZephyronDriver::OpenTable(data::OperationCall& call, ZephyronState& state) {
  const int32_t error = state.table->Open(call.access_mode);
  if (error != err::kNone) return error;
  state.access_mode = call.access_mode;
  state.sequence = Sequence{};
  state.deferral = CommitDeferral{};
  if ((call.access_mode & 3) != 0) state.bits |= bit::kWriteAccess;
  if ((call.access_mode & 0x30) != 0) state.bits |= bit::kExclusiveAccess;
  return err::kNone;
}

int32_t ZephyronDriver::CloseTable(ZephyronState& state) {
  TableHandle& table = *state.table;
  if (!table.is_open()) return err::kNone;
  if ((state.bits & bit::kLocked) && table.registered_file() != nullptr) {
    table.registered_file()->locks->ReleaseHold(table.table_number(), &table);
  }
  state.sequence = Sequence{};
  state.verify_record.reset();
  state.verify_stored.reset();
  state.hold_seconds.reset();
  state.pending_build.reset();
  state.deferral = CommitDeferral{};
  state.fault = 0;
  return table.Close();
}

void ZephyronDriver::PerformTable(data::OperationCall& call, ZephyronState& state) {
  TableHandle& table = *state.table;
  switch (call.op) {
    case Op::kAdd:
      call.error = table.Add();
      return;
    case Op::kAppend:
      call.error = table.Append();
      return;
    case Op::kPut:
      call.error = table.Put();
      return;
    case Op::kPutFilePtr:
      if (call.record_pointer <= 0) {
        call.error = err::kRecordNotFound;
        return;
      }
      table.set_current(static_cast<Identifier>(call.record_pointer));
      call.error = table.Put();
      return;
    case Op::kDelete:
      call.error = table.Delete();
      return;
    case Op::kCreate:
      call.error = table.Create();
      return;
    case Op::kOpen:
    case Op::kShare:
      call.error = OpenTable(call, state);
      return;
    case Op::kClose:
    case Op::kDestroy:
      call.error = CloseTable(state);
      return;
    case Op::kRemove:
      call.error = table.Remove();
      return;
    case Op::kCopy:
      call.error = table.Copy(call.text(0));
      return;
    case Op::kRename:
      call.error = table.Rename(call.text(0));
      return;
    case Op::kEmpty:
      call.error = table.Empty();
      return;
    case Op::kName:
      call.text_result = table.DisplayName();
      return;
    case Op::kBytes: {
      if (state.bits & bit::kHasRecord) {
        call.result = static_cast<int32_t>(table.record_length());
        return;
      }
      const TableName name = TableName::Split(table.name(), platform_);
      std::unique_ptr<platform::File> f;
      uint64_t size = 0;
      platform::OpenMode mode{platform::Access::kRead, platform::Share::kDenyNone};
      if (platform_.Open(name.path, mode, platform::Disposition::kOpenExisting, &f) == 0) {
        f->Size(&size);
      }
      call.result = static_cast<int32_t>(size);
      return;
    }
    case Op::kRecordsFile: {
      uint32_t count = 0;
      call.error = table.Records(&count);
      call.result = static_cast<int32_t>(count);
      return;
    }
    case Op::kCountRecords: {
      uint32_t count = 0;
      if (table.Records(&count) != err::kNone) count = 0;
      call.result = count > static_cast<uint32_t>(std::max(call.count, 0)) || call.count < 0;
      return;
    }
    case Op::kPointerFile:
    case Op::kPointerKey:
      call.result = static_cast<int32_t>(table.current());
      return;
    case Op::kQueryKey:
      call.result = state.last_key;
      return;
    case Op::kFlush:
      state.deferral.streaming = false;
      if (table.registered_file() != nullptr) {
        call.error = table.ErrorOf(FlushDeferred(table.file(), &state.deferral));
      }
      return;
    case Op::kStream:
      state.deferral.streaming = true;
      return;
    case Op::kInView:
      state.deferral.in_view = true;
      return;
    case Op::kEndView:
      state.deferral.in_view = false;
      if (table.registered_file() != nullptr) {
        call.error = table.ErrorOf(FlushDeferred(table.file(), &state.deferral));
      }
      return;
    case Op::kNoMemo:
      table.RequestNoMemo();
      return;
    case Op::kClear: {
      data::FileControlBlock& file = *call.file;
      if (file.declaration != nullptr && file.record != nullptr) {
        data::ClearRecord(*file.declaration, file.record, call.number);
      }
      for (MemoState& memo : table.memos()) {
        if (memo.buffer == nullptr) continue;
        if (memo.declared.blob()) {
          if (call.number == 0) memo.buffer->clear();
          continue;
        }
        const char fill = call.number > 0                             ? '\xFF'
                          : call.number < 0 || memo.declared.binary() ? '\0'
                                                                      : ' ';
        std::fill(memo.buffer->begin(), memo.buffer->end(), fill);
      }
      return;
    }
    case Op::kGetFilePtr:
    case Op::kGetKeyPtr:
      call.error = ReadRecord(state, [&] {
        if (call.record_pointer <= 0) return err::kRecordNotFound;
        return table.Fetch(static_cast<Identifier>(call.record_pointer));
      });
      return;
    case Op::kInternal91:
      call.result = kRegistrationReference;
      return;
    default:
      call.error = err::kUnsupportedFunction;
      return;
  }
}

int32_t ZephyronDriver::ReadRecord(ZephyronState& state, const std::function<int32_t()>& read) {
  int32_t error;
  if (state.bits & bit::kHoldRequested) {
    error = ReadHolding(platform_, state.hold_seconds, read);
  } else {
    error = read();
  }
  if (error != kRecordIsAlreadyHeld) state.hold_seconds.reset();
  return error;
}

void ZephyronDriver::PerformKeys(data::OperationCall& call, ZephyronState& state) {
  TableHandle& table = *state.table;
  switch (call.op) {
    case Op::kDuplicate:
    case Op::kDuplicateKey: {
      bool duplicate = false;
      std::optional<size_t> key;
      if (call.op == Op::kDuplicateKey) key = KeyIndex(call);
      call.error = keys_.Duplicate(table, key, &duplicate);
      call.result = duplicate ? 1 : 0;
      return;
    }
    case Op::kRecordsKey: {
      uint32_t count = 0;
      call.error = keys_.RecordsKey(table, KeyIndex(call), &count);
      call.result = static_cast<int32_t>(count);
      return;
    }
    case Op::kGetFileKey:
      state.last_key = call.file->KeyNumber(call.key);
      call.error = ReadRecord(state, [&] { return keys_.GetByKey(table, KeyIndex(call)); });
      return;
    default:
      call.error = err::kUnsupportedFunction;
      return;
  }
}

// ---- Holds, locks and transactions ------------------------------------------

void ZephyronDriver::PerformLocks(data::OperationCall& call, ZephyronState& state) {
  TableHandle& table = *state.table;
  switch (call.op) {
    case Op::kHoldFile:
    case Op::kHoldFileSec:
      table.RequestHold();
      state.hold_seconds.reset();
      if (call.op == Op::kHoldFileSec) {
        state.hold_seconds = static_cast<uint32_t>(std::max(call.seconds, 0));
      }
      return;
    case Op::kRelease:
      table.Release();
      return;
    case Op::kWatch:
      table.RequestWatch();
      return;
    case Op::kLockFile:
    case Op::kLockFileSec: {
      std::optional<uint32_t> seconds;
      if (call.op == Op::kLockFileSec) seconds = static_cast<uint32_t>(std::max(call.seconds, 0));
      call.error = LockTable(platform_, *table.registered_file()->locks, table.table_number(),
                             &table, seconds);
      return;
    }
    case Op::kUnlock:
      table.registered_file()->locks->ReleaseHold(table.table_number(), &table);
      return;
    case Op::kLogout:
      call.error = table.ErrorOf(ProcessTransaction().Logout(table.file()));
      return;
    case Op::kCommit:
      // The first file told ends the whole transaction; the others find it
      // ended.
      if (ProcessTransaction().active()) {
        call.error = table.ErrorOf(ProcessTransaction().Commit(platform_));
        files_->CloseUnused();
      }
      // A failed commit has ended the transaction too (its changes are
      // discarded), so the table is out of it either way and may be logged
      // out again; the frame clears the bit only on success.
      if (call.error != 0) state.bits &= ~bit::kInTransaction;
      return;
    case Op::kRollback:
      if (ProcessTransaction().active()) {
        ProcessTransaction().Rollback();
        files_->CloseUnused();
      }
      return;
    default:
      call.error = err::kUnsupportedFunction;
      return;
  }
}

// ---- Blobs --------------------------------------------------------------------

void ZephyronDriver::PerformBlobs(data::OperationCall& call, ZephyronState& state) {
  TableHandle& table = *state.table;
  // Blobs are numbered from 1 among the memos.
  const size_t memo = call.number > 0 ? static_cast<size_t>(call.number - 1) : table.memos().size();
  if (memo >= table.memos().size() || !table.memos()[memo].declared.blob()) {
    call.error = err::kUnsupportedFunction;
    return;
  }
  switch (call.op) {
    case Op::kBlobYield: {
      if (call.blob_start < 0 || call.blob_end < call.blob_start) return;
      const auto start = static_cast<size_t>(call.blob_start);
      const auto length = static_cast<size_t>(call.blob_end - call.blob_start) + 1;
      call.error = table.BlobRead(memo, start, length, &call.bytes);
      return;
    }
    case Op::kBlobTake:
      if (call.blob_start < 0) {
        call.error = err::kUnsupportedFunction;
        return;
      }
      call.error = table.BlobWrite(memo, static_cast<size_t>(call.blob_start), call.bytes);
      return;
    case Op::kBlobSize: {
      std::string size;
      call.error = table.GetBlobProperty(memo, TableHandle::BlobProperty::kSize, &size);
      call.result = call.error == 0 ? std::atoi(size.c_str()) : 0;
      return;
    }
    case Op::kBlobSetProp:
      call.error = table.SetBlobProperty(
          memo, static_cast<TableHandle::BlobProperty>(call.property), call.text(0));
      return;
    case Op::kBlobGetProp:
      call.error = table.GetBlobProperty(
          memo, static_cast<TableHandle::BlobProperty>(call.property), &call.text_result);
      return;
    default:
      call.error = err::kUnsupportedFunction;
      return;
  }
}

// ---- Queues for PNMQ= ---------------------------------------------------------

std::string ZephyronDriver::ReferToQueue(data::RecordQueue& queue) {
  for (const auto& [id, q] : queues_) {
    if (q == &queue) return std::to_string(id);
  }
  const int32_t id = next_queue_++;
  queues_[id] = &queue;
  return std::to_string(id);
}

void ZephyronDriver::ForgetQueue(const data::RecordQueue& queue) {
  for (auto it = queues_.begin(); it != queues_.end(); ++it) {
    if (it->second == &queue) {
      queues_.erase(it);
      return;
    }
  }
}

}  // namespace vaultara::store
