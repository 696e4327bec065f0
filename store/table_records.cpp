// The record operations of an open table: add, append, put, delete and
// fetch, with the OEM conversion of records.
#include <cstring>

#include "data/error_texts.h"
#include "platform/code_page.h"
#include "store/entry_cursor.h"
#include "store/store_file.h"
#include "store/table_handle.h"
#include "store/table_operation.h"

namespace vaultara::store {

namespace {

namespace err = data::err;
using data::FieldType;

// Visits each element of a field (offset in the record, element length),
// repeated across the dimensioned groups that enclose it.
template <typename Visit>
void ForEachElement(const TableDeclaration& d, size_t index, Visit&& visit) {
  const StoredField& f = d.fields[index];
  struct Repeat {
    uint32_t stride, count;
  };
  std::vector<Repeat> repeats;
  for (size_t g = 0; g < index; ++g) {
    const StoredField& group = d.fields[g];
    if (group.type != static_cast<uint8_t>(FieldType::kGroup) || group.count <= 1) continue;
    const uint32_t element = group.size / group.count;
    if (group.offset <= f.offset && f.offset + f.size <= group.offset + element) {
      repeats.push_back({element, group.count});
    }
  }
  const uint32_t length = f.count == 0 ? 0 : f.size / f.count;
  auto run = [&](auto& self, size_t level, uint32_t base) -> void {
    if (level == repeats.size()) {
      for (uint32_t e = 0; e < f.count; ++e) visit(base + f.offset + e * length, length);
      return;
    }
    for (uint32_t r = 0; r < repeats[level].count; ++r) {
      self(self, level + 1, base + r * repeats[level].stride);
    }
  };
  run(run, 0, 0);
}

void Convert(char* text, size_t length, bool to_oem) {
  if (to_oem) {
    platform::Windows1252ToOem(text, length);
  } else {
    platform::OemToWindows1252(text, length);
  }
}

}  // namespace

void TableHandle::ConvertRecord(char* image, bool to_oem) const {
  const uint32_t record_length = declaration_.record_length;
  for (size_t i = 0; i < declaration_.fields.size(); ++i) {
    const StoredField& f = declaration_.fields[i];
    if (!f.IsText() || f.overlay) continue;
    ForEachElement(declaration_, i, [&](uint32_t at, uint32_t length) {
      if (length == 0 || at + length > record_length) return;
      char* text = image + at;
      switch (static_cast<FieldType>(f.type)) {
        case FieldType::kCString: {
          const void* zero = std::memchr(text, 0, length);
          Convert(text, zero ? static_cast<const char*>(zero) - text : length, to_oem);
          break;
        }
        case FieldType::kPString: {
          const size_t count = static_cast<uint8_t>(text[0]);
          Convert(text + 1, std::min<size_t>(count, length - 1), to_oem);
          break;
        }
        default:
          Convert(text, length, to_oem);
          break;
      }
    });
  }
}

Identifier TableHandle::RecordNumberOf(const StoreEntry& entry) const {
  const std::string_view key = entry.key();
  if (key.size() < 5) return 0;
  const auto kind = static_cast<uint8_t>(key[4]);
  if (kind == entry_kind::kDataRecord || kind == entry_kind::kMemoSegment) {
    return key.size() >= 9 ? ReadBigEndian(key, 5) : 0;
  }
  if (kind >= entry_kind::kMaxKeys) return 0;
  const bool duplicates = kind < declaration_.keys.size() && declaration_.keys[kind].duplicates();
  if (!duplicates && entry.data().size() >= 4) return ReadBigEndian(entry.data());
  return key.size() >= 9 ? ReadBigEndian(key, key.size() - 4) : 0;
}

void TableHandle::ClearRequests() {
  hold_requested_ = false;
  watch_requested_ = false;
  no_memo_requested_ = false;
}

void TableHandle::Release() {
  if (held_ && file_ != nullptr) locks().Release(file(), current_);
  held_ = false;
}

void TableHandle::ReleaseChangedRecords() {
  if (file_ != nullptr) {
    for (Identifier record : changed_records_) locks().Release(file(), record);
  }
  changed_records_.clear();
}

// ---- Adding --------------------------------------------------------------

int32_t TableHandle::Add() { return AddRecord(false); }
int32_t TableHandle::Append() { return AddRecord(true); }

int32_t TableHandle::AddRecord(bool append) {
  if (!open_) return err::kFileNotOpen;
  OperationEnd end(file_);
  STORE_TRY(file().BeginWrite());
  std::array<uint8_t, 4> number{};
  STORE_TRY(file().IssueIdentifier(&number));
  const Identifier record = LoadBigU32(number.data());
  const std::string program_image(record_, declaration_.record_length);
  int32_t error = keys().Maintain(*this, nullptr, program_image.data(), record, append);
  if (error != err::kNone) return error;

  std::string image = program_image;
  if (oem_) ConvertRecord(image.data(), true);
  STORE_TRY(file().Insert(StoreEntry(DataKey(table_, record), image)));
  Release();
  ClearTouched();
  current_ = record;
  last_read_ = image;
  watched_ = false;
  memos_not_loaded_ = false;

  std::optional<StoreEntry> counter_entry;
  STORE_TRY(file().Find(CounterKey(table_, entry_kind::kDataCounter), &counter_entry));
  Counter counter;
  if (counter_entry) {
    counter = Counter::Decode(counter_entry->data());
    ++counter.count;
  } else {
    // A damaged table without its counter: count what is stored (the new
    // record included) rather than start again from one.
    const std::string prefix = TablePrefix(table_) + static_cast<char>(entry_kind::kDataRecord);
    EntryCursor cursor(file());
    STORE_TRY(cursor.Seek(prefix));
    while (cursor.valid() && cursor.entry().key().substr(0, prefix.size()) == prefix) {
      ++counter.count;
      STORE_TRY(cursor.Next());
    }
  }
  error = WriteCounter(entry_kind::kDataCounter, counter);
  if (error != err::kNone) return error;
  return WriteMemos();
}

// ---- Fetching ------------------------------------------------------------

int32_t TableHandle::FetchEntry(const StoreEntry& entry) {
  const Identifier record = RecordNumberOf(entry);
  if (record == 0) return err::kRecordNotFound;
  return Fetch(record);
}

int32_t TableHandle::Fetch(Identifier record) {
  if (!open_) return err::kFileNotOpen;
  OperationEnd end(file_);
  Release();
  ClearTouched();
  std::optional<StoreEntry> entry;
  STORE_TRY(file().Find(DataKey(table_, record), &entry));
  if (!entry) return err::kRecordNotFound;
  if (hold_requested_) {
    if (!locks().TryHold(file(), record)) return err::kRecordIsAlreadyHeld;
    held_ = true;
  }
  const std::string_view data = entry->data();
  const size_t length = std::min<size_t>(data.size(), declaration_.record_length);
  std::memcpy(record_, data.data(), length);
  std::memset(record_ + length, 0, declaration_.record_length - length);
  if (oem_) ConvertRecord(record_, false);
  last_read_.assign(data);
  current_ = record;
  watched_ = false;
  if (watch_requested_) {
    for (size_t i = 0; i < memos_.size(); ++i) {
      const int32_t error = ReadMemo(i, &memos_[i].snapshot);
      if (error != err::kNone) return error;
    }
    watched_ = true;
  }
  memos_not_loaded_ = no_memo_requested_;
  ClearRequests();
  if (memos_not_loaded_) return err::kNone;
  return ReadMemos();
}

int32_t TableHandle::StoredRecord(std::string* image) {
  std::optional<StoreEntry> entry;
  STORE_TRY(file().Find(DataKey(table_, current_), &entry));
  if (!entry) return err::kRecordNotAvailable;
  *image = std::string(entry->data());
  return err::kNone;
}

// ---- Updating and deleting ----------------------------------------------

int32_t TableHandle::Put() {
  if (!open_) return err::kFileNotOpen;
  if (current_ == 0) return err::kRecordNotAvailable;
  OperationEnd end(file_);
  const Identifier record = current_;
  const bool locked_here = !held_;
  if (locked_here && !locks().TryHold(file(), record)) return err::kAccessDenied;
  auto body = [&]() -> int32_t {
    std::string stored;
    int32_t error = StoredRecord(&stored);
    if (error != err::kNone) return error;
    if (watched_) {
      bool changed = stored != last_read_;
      if (!changed) {
        error = MemosChanged(&changed);
        if (error != err::kNone) return error;
      }
      if (changed) return err::kRecordChangedByAnotherStation;
    }
    STORE_TRY(file().BeginWrite());
    const std::string program_image(record_, declaration_.record_length);
    std::string image = program_image;
    if (oem_) ConvertRecord(image.data(), true);
    if (image != stored) {
      std::string old_image = stored;
      old_image.resize(declaration_.record_length, '\0');
      if (oem_) ConvertRecord(old_image.data(), false);
      error = keys().Maintain(*this, old_image.data(), program_image.data(), record, false);
      if (error != err::kNone) return error;
      const std::string key = DataKey(table_, record);
      STORE_TRY(file().Delete(key));
      STORE_TRY(file().Insert(StoreEntry(key, image)));
    }
    last_read_ = image;
    if (!memos_not_loaded_) return WriteMemos();
    return err::kNone;
  };
  return EndChange(body(), record, locked_here);
}

int32_t TableHandle::Delete() {
  if (!open_) return err::kFileNotOpen;
  if (current_ == 0) return err::kRecordNotAvailable;
  OperationEnd end(file_);
  const Identifier record = current_;
  const bool locked_here = !held_;
  if (locked_here && !locks().TryHold(file(), record)) return err::kRecordNotAvailable;
  auto body = [&]() -> int32_t {
    std::string stored;
    int32_t error = StoredRecord(&stored);
    if (error != err::kNone) return error;
    STORE_TRY(file().BeginWrite());
    stored.resize(declaration_.record_length, '\0');
    if (oem_) ConvertRecord(stored.data(), false);
    error = keys().Maintain(*this, stored.data(), nullptr, record, false);
    if (error != err::kNone) return error;
    STORE_TRY(file().Delete(DataKey(table_, record)));
    Counter counter;
    error = ReadCounter(entry_kind::kDataCounter, &counter);
    if (error != err::kNone) return error;
    if (counter.count > 0) --counter.count;
    error = WriteCounter(entry_kind::kDataCounter, counter);
    if (error != err::kNone) return error;
    return DeleteMemos();
  };
  const int32_t error = EndChange(body(), record, locked_here);
  if (error == err::kNone) current_ = 0;
  return error;
}

int32_t TableHandle::EndChange(int32_t error, Identifier record, bool locked_here) {
  if (error != err::kNone) {
    if (locked_here) locks().Release(file(), record);
    return error;
  }
  // The record stays locked (by its own lock or the hold it ends) until the
  // change is committed.
  changed_records_.push_back(record);
  held_ = false;
  ClearTouched();
  watched_ = false;
  return error;
}

}  // namespace vaultara::store
