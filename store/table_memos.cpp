// The memos and blobs of an open table's current record: cut into segments
// when written, joined again when read.
//
// A memo is stored as segments [T, 0xFC, R, memo, segment] of at most 256
// bytes, numbered from 0. A text memo is stored without its trailing spaces
// (an all-blank memo has no segment); a blob in full, with its length (u32
// little-endian) in front of the first segment (an empty blob has none).
#include <algorithm>
#include <charconv>
#include <cstring>

#include "data/error_texts.h"
#include "data/text_variable.h"
#include "platform/code_page.h"
#include "store/entry_cursor.h"
#include "store/store_file.h"
#include "store/table_handle.h"
#include "store/table_operation.h"

namespace vaultara::store {

namespace {

namespace err = data::err;

// The stored form of a memo: what its segments hold, joined.
std::string StoredContent(const MemoState& memo, bool oem) {
  const std::vector<char>& buffer = *memo.buffer;
  if (memo.declared.blob()) {
    if (buffer.empty()) return {};
    std::string content(entry_kind::kBlobLengthSize, '\0');
    StoreU32(reinterpret_cast<uint8_t*>(content.data()), static_cast<uint32_t>(buffer.size()));
    content.append(buffer.data(), buffer.size());
    return content;
  }
  std::string content(data::TrimRight(std::string_view(buffer.data(), buffer.size())));
  if (oem && !memo.declared.binary()) platform::Windows1252ToOem(content.data(), content.size());
  return content;
}

// The segments of a stored form: 256 bytes each, the first of a blob 4 more.
std::vector<std::string_view> Segments(std::string_view content, bool blob) {
  std::vector<std::string_view> segments;
  size_t at = 0;
  while (at < content.size()) {
    size_t n = entry_kind::kMemoSegmentSize;
    if (blob && at == 0) n += entry_kind::kBlobLengthSize;
    segments.push_back(content.substr(at, n));
    at += n;
  }
  return segments;
}

std::string MemoSegmentsPrefix(Identifier table, Identifier record, size_t memo) {
  return MemoPrefix(table, record) + static_cast<char>(memo);
}

}  // namespace

int32_t TableHandle::ReadMemo(size_t index, std::string* content) {
  content->clear();
  const std::string prefix = MemoSegmentsPrefix(table_, current_, index);
  EntryCursor cursor(file());
  STORE_TRY(cursor.Seek(prefix));
  while (cursor.valid() && cursor.entry().key().substr(0, prefix.size()) == prefix) {
    *content += cursor.entry().data();
    STORE_TRY(cursor.Next());
  }
  return err::kNone;
}

int32_t TableHandle::ReadMemos() {
  if (!open_) return err::kFileNotOpen;
  for (size_t i = 0; i < memos_.size(); ++i) {
    MemoState& memo = memos_[i];
    std::string content;
    const int32_t error = ReadMemo(i, &content);
    if (error != err::kNone) return error;
    std::vector<char>& buffer = *memo.buffer;
    if (memo.declared.blob()) {
      uint8_t length_bytes[entry_kind::kBlobLengthSize] = {};
      std::memcpy(length_bytes, content.data(), std::min(content.size(), sizeof length_bytes));
      const uint32_t length = content.empty() ? 0 : LoadU32(length_bytes);
      const std::string_view bytes =
          content.size() > sizeof length_bytes ? std::string_view(content).substr(4) : "";
      buffer.assign(length, '\0');
      std::copy_n(bytes.data(), std::min<size_t>(length, bytes.size()), buffer.data());
      continue;
    }
    if (oem_ && !memo.declared.binary()) {
      platform::OemToWindows1252(content.data(), content.size());
    }
    std::fill(buffer.begin(), buffer.end(), ' ');
    std::copy_n(content.data(), std::min(content.size(), buffer.size()), buffer.data());
  }
  return err::kNone;
}

int32_t TableHandle::WriteMemos() {
  if (!open_) return err::kFileNotOpen;
  if (memos_.empty()) return err::kNone;
  STORE_TRY(file().BeginWrite());
  for (size_t i = 0; i < memos_.size(); ++i) {
    const std::string content = StoredContent(memos_[i], oem_);
    const std::vector<std::string_view> segments = Segments(content, memos_[i].declared.blob());
    if (segments.size() > 0x10000) return err::kAccessDenied;
    for (size_t n = 0; n < segments.size(); ++n) {
      const std::string key =
          MemoKey(table_, current_, static_cast<uint8_t>(i), static_cast<uint16_t>(n));
      std::optional<StoreEntry> stored;
      STORE_TRY(file().Find(key, &stored));
      if (stored && stored->data() == segments[n]) continue;
      if (stored) STORE_TRY(file().Delete(key));
      STORE_TRY(file().Insert(StoreEntry(key, segments[n])));
    }
    // Segments beyond the new end are no longer needed.
    const std::string prefix = MemoSegmentsPrefix(table_, current_, i);
    std::string from = segments.empty() ? prefix
                                        : MemoKey(table_, current_, static_cast<uint8_t>(i),
                                                  static_cast<uint16_t>(segments.size() - 1));
    for (;;) {
      std::optional<StoreEntry> extra;
      STORE_TRY(file().Successor(from, &extra));
      if (!extra || extra->key().substr(0, prefix.size()) != prefix) break;
      STORE_TRY(file().Delete(extra->key()));
    }
  }
  return err::kNone;
}

int32_t TableHandle::DeleteMemos() {
  if (!open_) return err::kFileNotOpen;
  const std::string prefix = MemoPrefix(table_, current_);
  STORE_TRY(file().BeginWrite());
  for (;;) {
    std::optional<StoreEntry> segment;
    STORE_TRY(file().Successor(prefix, &segment));
    if (!segment || segment->key().substr(0, prefix.size()) != prefix) return err::kNone;
    STORE_TRY(file().Delete(segment->key()));
  }
}

int32_t TableHandle::MemosChanged(bool* changed) {
  *changed = false;
  for (size_t i = 0; i < memos_.size() && !*changed; ++i) {
    std::string content;
    const int32_t error = ReadMemo(i, &content);
    if (error != err::kNone) return error;
    *changed = content != memos_[i].snapshot;
  }
  return err::kNone;
}

// ---- Blobs -------------------------------------------------------------------

void TableHandle::ClearTouched() {
  for (MemoState& memo : memos_) memo.touched = false;
}

int32_t TableHandle::BlobRead(size_t memo, size_t offset, size_t length, std::string* bytes) {
  bytes->clear();
  if (memo >= memos_.size() || !memos_[memo].declared.blob()) return err::kUnsupportedFunction;
  MemoState& blob = memos_[memo];
  blob.touched = true;
  const std::vector<char>& buffer = *blob.buffer;
  if (offset >= buffer.size()) return err::kNone;
  bytes->assign(buffer.data() + offset, std::min(length, buffer.size() - offset));
  return err::kNone;
}

int32_t TableHandle::BlobWrite(size_t memo, size_t offset, std::string_view bytes) {
  if (memo >= memos_.size() || !memos_[memo].declared.blob()) return err::kUnsupportedFunction;
  std::vector<char>& buffer = *memos_[memo].buffer;
  if (buffer.size() < offset + bytes.size()) buffer.resize(offset + bytes.size(), '\0');
  std::copy(bytes.begin(), bytes.end(), buffer.begin() + static_cast<std::ptrdiff_t>(offset));
  return err::kNone;
}

int32_t TableHandle::GetBlobProperty(size_t memo, BlobProperty property, std::string* value) {
  if (memo >= memos_.size() || !memos_[memo].declared.blob()) return err::kUnsupportedFunction;
  const MemoState& blob = memos_[memo];
  switch (property) {
    case BlobProperty::kSize:
      *value = std::to_string(blob.buffer->size());
      break;
    case BlobProperty::kHandle:
      *value = std::to_string(
          blob.buffer->empty() ? 0 : reinterpret_cast<uintptr_t>(blob.buffer->data()));
      break;
    case BlobProperty::kTouched:
      *value = blob.touched ? "1" : "0";
      break;
  }
  return err::kNone;
}

int32_t TableHandle::SetBlobProperty(size_t memo, BlobProperty property, std::string_view value,
                                     size_t handle_length) {
  if (memo >= memos_.size() || !memos_[memo].declared.blob()) return err::kUnsupportedFunction;
  MemoState& blob = memos_[memo];
  uintptr_t number = 0;
  const char* end = value.data() + value.size();
  std::from_chars(value.data(), end, number);
  switch (property) {
    case BlobProperty::kSize:
      blob.buffer->resize(number, '\0');
      blob.touched = true;
      break;
    case BlobProperty::kHandle: {
      std::vector<char> content;
      if (number != 0) {
        const char* block = reinterpret_cast<const char*>(number);
        content.assign(block, block + handle_length);
      }
      blob.buffer->swap(content);
      blob.touched = true;
      break;
    }
    case BlobProperty::kTouched:
      break;
  }
  return err::kNone;
}

}  // namespace vaultara::store
