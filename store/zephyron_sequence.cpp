// Sequencing: SET and RESET, NEXT, PREVIOUS, SKIP, BOF, EOF, positions and
// the reads by position.
#include <cstring>

#include "data/error_texts.h"
#include "data/state_bits.h"
#include "store/key_entry.h"
#include "store/position_string.h"
#include "store/zephyron_driver.h"

namespace vaultara::store {

namespace {

namespace err = data::err;
using data::Op;
using Mode = Sequence::Mode;

size_t KeyIndex(const data::OperationCall& call) {
  return static_cast<size_t>(call.file->KeyNumber(call.key) - 1);
}

std::string DataPrefix(Identifier table) {
  return BigEndian(table) + static_cast<char>(entry_kind::kDataRecord);
}

// Keeps entry only when it is a data record of table.
void KeepData(Identifier table, std::optional<StoreEntry>* entry) {
  if (!*entry) return;
  const std::string_view key = (*entry)->key();
  if (key.size() != entry_kind::kDataKeyLength || key.substr(0, 5) != DataPrefix(table)) {
    entry->reset();
  }
}

// The record as stored under number record, in the program's character set,
// or nothing.
Status StoredImage(TableHandle& table, Identifier record, std::optional<std::vector<char>>* image) {
  image->reset();
  std::optional<StoreEntry> entry;
  const Status status = table.file().Find(DataKey(table.table_number(), record), &entry);
  if (!status.ok() || !entry) return status;
  std::vector<char> buffer(table.record_length(), '\0');
  const std::string_view data = entry->data();
  std::memcpy(buffer.data(), data.data(), std::min<size_t>(data.size(), buffer.size()));
  if (table.oem()) table.ConvertRecord(buffer.data(), false);
  *image = std::move(buffer);
  return Status::Ok();
}

}  // namespace

void ZephyronDriver::PerformSequence(data::OperationCall& call, ZephyronState& state) {
  TableHandle& table = *state.table;
  switch (call.op) {
    case Op::kNext:
    case Op::kPrevious:
      call.error = ReestablishSaved(state);
      if (call.error == 0) call.error = ReadInSequence(state, call.op == Op::kNext);
      break;
    case Op::kSkip:
      call.error = ReestablishSaved(state);
      if (call.error == 0) call.error = SkipInSequence(state, call.count);
      break;
    case Op::kBof:
    case Op::kEof: {
      Candidate candidate;
      call.error = FindCandidate(state, call.op == Op::kEof, &candidate);
      call.result = candidate.entry ? 0 : 1;
      return;
    }
    case Op::kPositionFile:
      call.text_result = MakePosition(table.current());
      return;
    case Op::kPositionKey:
      call.text_result = keys_.PositionKey(table, KeyIndex(call));
      return;
    case Op::kRegetFile: {
      uint32_t record = 0;
      std::string unused;
      ReadPosition(call.text(0), 0, &record, &unused);
      call.error = ReadRecord(
          state, [&] { return record == 0 ? err::kRecordNotFound : table.Fetch(record); });
      return;
    }
    case Op::kRegetKey:
      call.error =
          ReadRecord(state, [&] { return keys_.RegetKey(table, KeyIndex(call), call.text(0)); });
      return;
    default:
      call.error = SetSequence(call, state);
      break;
  }
  state.last_sequence_op = static_cast<uint8_t>(call.op);
  state.last_sequence_result = call.error;
}

int32_t ZephyronDriver::SetSequence(data::OperationCall& call, ZephyronState& state) {
  TableHandle& table = *state.table;
  TableKeys* keys = keys_.KeysOf(table);
  Sequence s;
  if (call.key != nullptr) {
    if (keys == nullptr) return err::kInvalidKeyFile;
    s.key = KeyIndex(call);
    state.last_key = call.file->KeyNumber(call.key);
  }
  const auto pointer = static_cast<uint32_t>(std::max(call.record_pointer, 0));
  switch (call.op) {
    case Op::kSetFile:
      s.mode = Mode::kTableStart;
      break;
    case Op::kSetFilePtr:
      s.mode = pointer == 0 ? Mode::kTableStart : Mode::kRecordPointer;
      s.record = pointer;
      break;
    case Op::kResetFile: {
      std::string unused;
      ReadPosition(call.text(0), 0, &s.record, &unused);
      s.mode = Mode::kRecordPointer;
      break;
    }
    case Op::kSetFileKey:
      s.mode = Mode::kFileByKey;
      s.value = keys->ValueOf(s.key, table.record());
      s.whole_value = true;
      break;
    case Op::kSetKey:
      s.mode = Mode::kKeyStart;
      break;
    case Op::kSetKeyKey:
      s.mode = Mode::kKeyPosition;
      s.value = keys->ValueOf(s.key, table.record());
      s.whole_value = true;
      break;
    case Op::kSetKeyKeyPtr:
      s.mode = Mode::kKeyPosition;
      s.value = keys->ValueOf(s.key, table.record());
      s.record = pointer;
      break;
    case Op::kResetKey:
      s.mode = Mode::kKeyPosition;
      ReadPosition(call.text(0), keys->key(s.key).value_length, &s.record, &s.value);
      break;
    case Op::kSetKeyPtr: {
      if (pointer == 0) {
        s.mode = Mode::kKeyStart;
        break;
      }
      // The sequence starts at the entry built from that record.
      std::optional<std::vector<char>> image;
      const Status status = StoredImage(table, pointer, &image);
      if (!status.ok()) return table.ErrorOf(status);
      if (!image) {
        s.mode = Mode::kKeyLast;
        break;
      }
      s.mode = Mode::kKeyPosition;
      s.value = keys->ValueOf(s.key, image->data());
      s.record = pointer;
      break;
    }
    default:
      return err::kUnsupportedFunction;
  }
  state.sequence = std::move(s);
  state.verify_record.reset();
  state.verify_stored.reset();
  return err::kNone;
}

int32_t ZephyronDriver::FindCandidate(ZephyronState& state, bool forward, Candidate* candidate) {
  TableHandle& table = *state.table;
  const Sequence& s = state.sequence;
  StoreFile& file = table.file();
  const Identifier t = table.table_number();
  std::optional<StoreEntry>& entry = candidate->entry;
  entry.reset();
  Status status = Status::Ok();
  auto last_data = [&] { return file.Predecessor(BigEndian(t) + '\xF4', &entry); };
  if (s.mode == Mode::kNone) return err::kNone;
  if (!s.key_order_follows() && s.mode != Mode::kFileByKey) {
    switch (s.mode) {
      case Mode::kRecordOrder:
        status = s.inclusive ? file.Find(DataKey(t, s.record), &entry)
                 : forward   ? file.Successor(DataKey(t, s.record), &entry)
                             : file.Predecessor(DataKey(t, s.record), &entry);
        break;
      case Mode::kTableStart:
        status = forward ? file.Successor(DataKey(t, 0), &entry) : last_data();
        break;
      default:  // kRecordPointer
        status = file.Find(DataKey(t, s.record), &entry);
        if (status.ok() && !entry) {
          status = forward ? file.Successor(DataKey(t, s.record), &entry)
                           : file.Predecessor(DataKey(t, s.record), &entry);
          if (status.ok()) KeepData(t, &entry);
          if (status.ok() && !entry) status = last_data();
        }
        break;
    }
    if (!status.ok()) return table.ErrorOf(status);
    KeepData(t, &entry);
    candidate->in_key = false;
    if (entry) candidate->record = ReadBigEndian(entry->key(), 5);
    return err::kNone;
  }
  TableKeys* keys = keys_.KeysOf(table);
  if (keys == nullptr) return err::kInvalidKeyFile;
  switch (s.mode) {
    case Mode::kKeyOrder:
      if (s.inclusive) {
        StoreFile* store = keys->StoreOf(s.key);
        if (store != nullptr) status = store->Find(s.entry_key, &entry);
      } else {
        status = keys->Step(s.key, s.entry_key, forward, &entry);
      }
      break;
    case Mode::kKeyStart:
      status = forward ? keys->FirstEntry(s.key, &entry) : keys->LastEntry(s.key, &entry);
      break;
    case Mode::kKeyLast:
      status = keys->LastEntry(s.key, &entry);
      break;
    default: {  // kFileByKey, kKeyPosition
      const Identifier record = !s.whole_value ? s.record : forward ? 0 : kLastRecordNumber;
      status = keys->Seek(s.key, s.value, record, forward, &entry);
      break;
    }
  }
  if (!status.ok()) return table.ErrorOf(status);
  candidate->in_key = true;
  if (entry) candidate->record = RecordOfKeyEntry(*entry, keys->key(s.key));
  return err::kNone;
}

namespace {

// Makes candidate the position: key order on a key entry (except for a
// sequence that reads by key value in record order), else record order.
void MoveTo(Sequence* s, const Candidate& candidate) {
  if (candidate.in_key && s->mode != Mode::kFileByKey) {
    s->mode = Mode::kKeyOrder;
    s->entry_key = std::string(candidate.entry->key());
  } else {
    s->mode = Mode::kRecordOrder;
    s->record = candidate.record;
  }
  s->value.clear();
  s->whole_value = false;
  s->inclusive = false;
}

}  // namespace

int32_t ZephyronDriver::ReadInSequence(ZephyronState& state, bool forward) {
  TableHandle& table = *state.table;
  for (;;) {
    Candidate candidate;
    int32_t error = FindCandidate(state, forward, &candidate);
    if (error != err::kNone) return error;
    if (!candidate.entry) {
      table.ClearRequests();
      state.hold_seconds.reset();
      return err::kRecordNotAvailable;
    }
    error = ReadRecord(state, [&] { return table.Fetch(candidate.record); });
    if (error == err::kRecordNotFound && candidate.in_key) {
      // An index entry whose record is gone: pass over it.
      MoveTo(&state.sequence, candidate);
      continue;
    }
    if (error == err::kRecordIsAlreadyHeld) return error;
    if (error != err::kNone) {
      table.ClearRequests();
      return error;
    }
    MoveTo(&state.sequence, candidate);
    return err::kNone;
  }
}

int32_t ZephyronDriver::SkipInSequence(ZephyronState& state, int32_t count) {
  const bool forward = count > 0;
  for (int64_t n = count < 0 ? -static_cast<int64_t>(count) : count; n > 0; --n) {
    Candidate candidate;
    const int32_t error = FindCandidate(state, forward, &candidate);
    if (error != err::kNone) return error;
    if (!candidate.entry) break;
    MoveTo(&state.sequence, candidate);
  }
  return err::kNone;
}

int32_t ZephyronDriver::ReestablishSaved(ZephyronState& state) {
  if (!state.verify_record) return err::kNone;
  const Identifier record = *state.verify_record;
  const std::optional<std::string> stored = std::move(state.verify_stored);
  state.verify_record.reset();
  state.verify_stored.reset();
  TableHandle& table = *state.table;
  std::optional<StoreEntry> entry;
  const Status status = table.file().Find(DataKey(table.table_number(), record), &entry);
  if (!status.ok()) return table.ErrorOf(status);
  if (!entry || !stored || entry->data() != *stored) return err::kRecordNotFound;
  return err::kNone;
}

}  // namespace vaultara::store
