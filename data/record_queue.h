#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "data/record_declaration.h"

namespace vaultara::data {

// A key list: signed field numbers of a record layout, 1 for its first field.
// A positive number sorts that field ascending, a negative one descending; the
// first field that differs decides. A 0 ends the list, and numbers beyond the
// 16th are ignored.
using KeyList = std::vector<int32_t>;

inline constexpr size_t kMaxKeyFields = 16;
inline constexpr size_t kMaxOrderings = 16;
// Records of this many bytes or more are stored run-length encoded.
inline constexpr uint32_t kCompressedRecordSize = 128;

// An ordered, growable list of fixed-layout records held in memory.
//
// The queue has one record buffer, shared with its owner: the owner fills the
// buffer and adds or writes it back, or asks for an entry by position or by
// key and finds it copied into the buffer. Positions run from 1 to Count().
//
// Nothing is returned as an error: every operation that can fail first clears
// the error state, then posts what went wrong there (see error_state.h):
//   7  "Memory Corrupted"               the queue has no layout or no buffer
//   8  "Insufficient Memory"            an allocation failed; stored entries stay
//   30 "Entry Not Found"                bad position, no current entry, no match
//   75 "Invalid Field Type Descriptor"  a key names no field of the layout
// A failed operation leaves the buffer and the entries as they were.
//
// Fields compare by their type (see CompareFieldValues): numbers by value,
// texts by the collation order with the shorter one padded with blanks.
//
// Up to 16 orderings are kept sorted at once, most recently used first, so
// that look-ups by alternating keys do not sort again; the one that defines
// positions (the position order) is always among them. Orderings hold
// references to the stored entries, which never move. The change stamp moves
// on every add, rewrite, removal and sort, so that a display can tell when to
// redraw without reading the entries.
//
// A queue is used from one thread at a time.
class RecordQueue {
 public:
  // An absent queue: every operation reports error 7.
  RecordQueue();
  // A queue over the owner's buffer, laid out by layout. Both must outlive
  // the queue; the buffer holds at least layout.record_length bytes.
  RecordQueue(const RecordDeclaration* layout, char* buffer);
  ~RecordQueue();
  RecordQueue(const RecordQueue&) = delete;
  RecordQueue& operator=(const RecordQueue&) = delete;

  // Adds the buffer as a new last entry, which becomes current.
  void Append();
  // Inserts the buffer so that it becomes entry position (then current); a
  // position below 1 or above Count() + 1 appends.
  void InsertAt(int32_t position);
  // Inserts the buffer at its place by keys, after every entry with an equal
  // key; it becomes current. Equal keys therefore keep the order they were
  // added in. With an empty key list this is Append.
  void InsertKeyed(const KeyList& keys);
  void InsertKeyed(std::string_view key_names);
  // Copies entry position into the buffer and makes it current. Out of range:
  // error 30; position 0 also leaves no entry current.
  void FetchAt(int32_t position);
  // Copies the first entry (in the order of keys) whose key fields equal the
  // buffer's into the buffer and makes it current; none: error 30. With an
  // empty key list the first entry in position order that equals the buffer
  // byte for byte is found.
  void FindKeyed(const KeyList& keys);
  void FindKeyed(std::string_view key_names);
  // Writes the buffer over the current entry, which keeps its position (a
  // position order sorted by a key that this changes stops being sorted by
  // it). No current entry: error 30.
  void Rewrite();
  // Removes the current entry; afterwards no entry is current. No current
  // entry: error 30.
  void Remove();
  // Removes every entry and every ordering; positions are insertion order
  // again.
  void RemoveAll();
  // Reorders the positions by keys. The sort is stable: entries with equal
  // keys keep the order they had.
  void Reorder(const KeyList& keys);
  void Reorder(std::string_view key_names);

  // Number of entries (0 before first use).
  int32_t Count() const;
  // Position of the current entry, 0 when none.
  int32_t CurrentPosition() const;
  // A 32-bit counter that moves on every change; it starts at an arbitrary
  // value (taken from the time of day) and wraps.
  uint32_t ChangeStamp() const { return stamp_; }
  // Number of fields in the record layout.
  int32_t FieldCount() const;

  // The key list spelled by names: field labels or external names (case
  // ignored) separated by commas, each optionally preceded by "+" (ascending,
  // the default) or "-" (descending), e.g. "+PRO:NAME,-PRO:ID". A name that
  // is no field of the layout posts error 75 and gives nothing.
  std::optional<KeyList> KeysByName(std::string_view key_names) const;

  // The shared record buffer and its layout (null for an absent queue).
  char* Buffer() const { return buffer_; }
  const RecordDeclaration* Layout() const { return layout_; }
  uint32_t RecordSize() const { return layout_ ? layout_->record_length : 0; }
  // How entries are stored: 0 plain copies, 1 run-length encoded, 2 encoded
  // after the tails of texts are cleared.
  int CompressionMode() const;

 private:
  friend std::unique_ptr<RecordQueue> CreateQueue(const RecordDeclaration& layout);

  struct Entry;
  struct Ordering;
  struct Body;

  bool Begin();
  std::optional<KeyList> CheckKeys(const KeyList& keys);
  Body& body();
  void Changed() { ++stamp_; }

  const RecordDeclaration* layout_ = nullptr;
  char* buffer_ = nullptr;
  uint32_t stamp_;
  std::unique_ptr<Body> body_;
  // Set by CreateQueue, which gives the queue its own layout and buffer.
  std::unique_ptr<RecordDeclaration> own_layout_;
  std::unique_ptr<char[]> own_buffer_;
};

// A queue that owns a copy of layout and a buffer of layout.record_length
// bytes, blank-cleared. Null when the memory cannot be had.
std::unique_ptr<RecordQueue> CreateQueue(const RecordDeclaration& layout);
// Frees the queue, its entries and its buffer; queue is null afterwards.
void DestroyQueue(std::unique_ptr<RecordQueue>& queue);

}  // namespace vaultara::data
