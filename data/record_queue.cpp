#include "data/record_queue.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <unordered_map>

#include "data/error_state.h"
#include "data/error_texts.h"
#include "data/field_compare.h"
#include "data/run_length.h"
#include "data/string_tails.h"
#include "platform/platform.h"

namespace vaultara::data {

namespace {

constexpr uint32_t kStampFactor = 25781083;
// An encoded entry may use at most record size - 14 bytes of code, and is
// kept only when it saves at least 16 bytes over the raw record.
constexpr uint32_t kCodeRoomShortfall = 14;
constexpr uint32_t kLeastSaving = 16;
constexpr uint32_t kLengthBytes = 4;
// Ranges of up to this many references are sorted by binary insertion.
constexpr size_t kInsertionSortLimit = 9;
constexpr size_t kNowhere = static_cast<size_t>(-1);
// A keyed ordering gains a hash index after this many keyed look-ups and
// insertions through it, once the queue holds more than kHashLeastEntries
// entries and its key is one field of at most 4 bytes or more than 16 bytes
// wide (keys in between are served well enough by the binary search).
constexpr uint32_t kHashAfterUses = 64;
constexpr size_t kHashLeastEntries = 32;
constexpr uint32_t kHashNarrowKey = 4;
constexpr uint32_t kHashWideKey = 16;

uint32_t FirstStamp() {
  platform::LocalTime t = platform::RealPlatform().Now();
  uint32_t hundredths =
      static_cast<uint32_t>(((t.hour * 60 + t.minute) * 60 + t.second) * 100 + t.millisecond / 10);
  return hundredths * kStampFactor;
}

template <typename F>
void Guarded(F&& work) {
  try {
    work();
  } catch (const std::bad_alloc&) {
    PostError(err::kInsufficientMemory);
  }
}

}  // namespace

// One stored record. With compression off the bytes are the record itself;
// otherwise a 4-byte length N and N bytes of run-length code, or a 4-byte 0
// and the raw record.
struct RecordQueue::Entry {
  std::vector<char> bytes;
};

// An arrangement of references to the entries. An empty key makes it an
// insertion ordering (the order entries were placed in); a keyed ordering is
// always sorted by its key, equal keys in the order they arrived.
//
// A hash index maps key hashes to the first entry of each run of equal keys
// with that hash (several runs share a hash only on collisions). Every entry's
// key is found there, so a look-up that misses needs no search.
struct RecordQueue::Ordering {
  KeyList key;
  std::vector<Entry*> refs;
  uint32_t keyed_uses = 0;
  bool hashed = false;
  std::unordered_map<uint32_t, std::vector<Entry*>> runs;

  // Makes this an insertion ordering, or one keyed anew by key.
  void Rekey(KeyList new_key = {}) {
    key = std::move(new_key);
    keyed_uses = 0;
    hashed = false;
    runs.clear();
  }
};

struct RecordQueue::Body {
  explicit Body(const RecordDeclaration& layout);
  ~Body();

  // The record bytes of e: the stored bytes themselves, or e decoded into
  // scratch.
  const char* View(const Entry* e, std::vector<char>& scratch) const;
  std::vector<char> Store(const char* record);
  // record as it is stored: with string tails cleared in mode 2 (in scratch).
  const char* AsStored(const char* record);

  int CompareKey(const KeyList& key, const char* a, const char* b) const;
  size_t LowerBound(const Ordering& o, const KeyList& key, const char* probe);
  size_t UpperBound(const Ordering& o, const KeyList& key, const char* probe);
  // Index of e in o, or o.refs.size() when it is not there.
  size_t IndexOf(const Ordering& o, const Entry* e);
  // True when record may stand at index of the keyed ordering o (which
  // already holds it there) without breaking o's order.
  bool InPlace(const Ordering& o, size_t index, const char* record);

  void Sort(Ordering& o);
  void SortRange(Entry** refs, size_t n, const KeyList& key);
  bool Less(const KeyList& key, const Entry* x, const Entry* y);

  Ordering* Select(const KeyList& key, bool inserting);
  void Touch(const Ordering* o);

  // A new entry holding record, with room made for it in every ordering, so
  // that placing it cannot fail.
  Entry* NewEntry(const char* record);
  // Puts e (holding record) at index of the position order and at its upper
  // bound in every other ordering, and makes it current.
  void Place(Entry* e, size_t index, const char* record);
  void InsertByKey(Ordering& o, Entry* e, const char* record);
  void EraseAt(Ordering& o, size_t index);

  uint32_t KeyHash(const KeyList& key, const char* record) const;
  // Counts a keyed use of o and builds its hash index when it qualifies.
  void CountUse(Ordering& o);
  // Keeps the hash index right after e (holding record) went to index of o,
  // and before the entry at index leaves o.
  void HashAdded(Ordering& o, size_t index, const char* record);
  void HashRemoving(Ordering& o, size_t index);
  // The run start in o's hash index whose key equals record's, or null.
  Entry* HashFind(Ordering& o, const char* record);

  const RecordDeclaration& layout;
  const uint32_t size;
  const StringTails tails;
  const int mode;
  std::vector<std::unique_ptr<Ordering>> orderings;  // most recently used first
  Ordering* position;
  Entry* current = nullptr;
  size_t current_hint = kNowhere;  // index of current in position order, when known
  std::vector<char> compare_a;
  std::vector<char> compare_b;
  std::vector<char> scratch;
  std::vector<Entry*> merge;
};

RecordQueue::Body::Body(const RecordDeclaration& declaration)
    : layout(declaration),
      size(declaration.record_length),
      tails(declaration),
      mode(size < kCompressedRecordSize ? 0 : (tails.empty() ? 1 : 2)),
      compare_a(std::max<uint32_t>(size, 1)),
      compare_b(std::max<uint32_t>(size, 1)),
      scratch(size + kLengthBytes) {
  orderings.reserve(kMaxOrderings + 1);
  orderings.push_back(std::make_unique<Ordering>());
  position = orderings.front().get();
}

RecordQueue::Body::~Body() {
  for (Entry* e : position->refs) delete e;
}

const char* RecordQueue::Body::View(const Entry* e, std::vector<char>& out) const {
  if (mode == 0) return e->bytes.data();
  uint32_t length;
  std::memcpy(&length, e->bytes.data(), kLengthBytes);
  const char* data = e->bytes.data() + kLengthBytes;
  if (length == 0) return data;
  if (!RunLengthDecode(reinterpret_cast<const uint8_t*>(data), length,
                       reinterpret_cast<uint8_t*>(out.data()), size)) {
    std::memset(out.data(), 0, size);  // cannot happen with codes written by Store
  }
  return out.data();
}

const char* RecordQueue::Body::AsStored(const char* record) {
  if (mode != 2) return record;
  std::memcpy(scratch.data(), record, size);
  tails.Clear(scratch.data());
  return scratch.data();
}

std::vector<char> RecordQueue::Body::Store(const char* record) {
  // Even a record of no bytes gets storage, so that views are never null.
  if (mode == 0) {
    std::vector<char> bytes(std::max<uint32_t>(size, 1));
    std::memcpy(bytes.data(), record, size);
    return bytes;
  }
  const char* raw = AsStored(record);
  std::vector<char> bytes(kLengthBytes + size - kCodeRoomShortfall);
  uint32_t length = static_cast<uint32_t>(
      RunLengthEncode(reinterpret_cast<const uint8_t*>(raw), size,
                      reinterpret_cast<uint8_t*>(bytes.data() + kLengthBytes), bytes.size() - 4));
  if (length == 0 || length + kLeastSaving > size) {
    bytes.assign(kLengthBytes, 0);
    bytes.insert(bytes.end(), raw, raw + size);
    return bytes;
  }
  bytes.resize(kLengthBytes + length);
  std::memcpy(bytes.data(), &length, kLengthBytes);
  return bytes;
}

int RecordQueue::Body::CompareKey(const KeyList& key, const char* a, const char* b) const {
  for (int32_t k : key) {
    const FieldDescriptor& f = layout.fields[static_cast<size_t>(std::abs(k)) - 1];
    int c = CompareFieldValues(f, a, b);
    if (c != 0) return k < 0 ? -c : c;
  }
  return 0;
}

size_t RecordQueue::Body::LowerBound(const Ordering& o, const KeyList& key, const char* probe) {
  size_t lo = 0;
  size_t hi = o.refs.size();
  while (lo < hi) {
    size_t mid = lo + (hi - lo) / 2;
    if (CompareKey(key, View(o.refs[mid], compare_a), probe) < 0) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return lo;
}

size_t RecordQueue::Body::UpperBound(const Ordering& o, const KeyList& key, const char* probe) {
  size_t lo = 0;
  size_t hi = o.refs.size();
  while (lo < hi) {
    size_t mid = lo + (hi - lo) / 2;
    if (CompareKey(key, probe, View(o.refs[mid], compare_a)) < 0) {
      hi = mid;
    } else {
      lo = mid + 1;
    }
  }
  return lo;
}

size_t RecordQueue::Body::IndexOf(const Ordering& o, const Entry* e) {
  const size_t n = o.refs.size();
  if (&o == position && current_hint < n && o.refs[current_hint] == e) return current_hint;
  if (!o.key.empty()) {
    // The entry lies in the run of keys equal to its own.
    const char* probe = View(e, compare_b);
    for (size_t i = LowerBound(o, o.key, probe); i < n; ++i) {
      if (o.refs[i] == e) return i;
      if (CompareKey(o.key, View(o.refs[i], compare_a), probe) != 0) break;
    }
  }
  return static_cast<size_t>(std::find(o.refs.begin(), o.refs.end(), e) - o.refs.begin());
}

bool RecordQueue::Body::InPlace(const Ordering& o, size_t index, const char* record) {
  if (index > 0 && CompareKey(o.key, View(o.refs[index - 1], compare_a), record) > 0) {
    return false;
  }
  return index + 1 >= o.refs.size() ||
         CompareKey(o.key, record, View(o.refs[index + 1], compare_a)) <= 0;
}

bool RecordQueue::Body::Less(const KeyList& key, const Entry* x, const Entry* y) {
  return CompareKey(key, View(x, compare_a), View(y, compare_b)) < 0;
}

// A stable merge sort over references. Each search is an upper bound, so an
// entry never passes another with an equal key, and a range already in order
// costs one search before its merge is skipped.
void RecordQueue::Body::SortRange(Entry** refs, size_t n, const KeyList& key) {
  auto upper_bound = [&](Entry* x, size_t end) {
    size_t lo = 0;
    size_t hi = end;
    while (lo < hi) {
      size_t mid = lo + (hi - lo) / 2;
      if (Less(key, x, refs[mid])) {
        hi = mid;
      } else {
        lo = mid + 1;
      }
    }
    return lo;
  };
  if (n <= kInsertionSortLimit) {
    for (size_t i = 1; i < n; ++i) {
      Entry* x = refs[i];
      size_t at = upper_bound(x, i);
      std::memmove(refs + at + 1, refs + at, (i - at) * sizeof(Entry*));
      refs[at] = x;
    }
    return;
  }
  const size_t first = (n + 1) / 2;
  SortRange(refs, first, key);
  SortRange(refs + first, n - first, key);
  const size_t start = upper_bound(refs[first], first);
  if (start == first) return;
  Entry** left = merge.data();
  const size_t left_count = first - start;
  std::copy(refs + start, refs + first, left);
  size_t i = 0;
  size_t j = first;
  size_t out = start;
  while (i < left_count && j < n) {
    refs[out++] = Less(key, refs[j], left[i]) ? refs[j++] : left[i++];
  }
  while (i < left_count) refs[out++] = left[i++];
}

void RecordQueue::Body::Sort(Ordering& o) {
  merge.resize(o.refs.size());
  SortRange(o.refs.data(), o.refs.size(), o.key);
}

void RecordQueue::Body::Touch(const Ordering* o) {
  auto it = std::find_if(orderings.begin(), orderings.end(),
                         [&](const std::unique_ptr<Ordering>& p) { return p.get() == o; });
  std::rotate(orderings.begin(), it, it + 1);
}

RecordQueue::Ordering* RecordQueue::Body::Select(const KeyList& key, bool inserting) {
  for (const std::unique_ptr<Ordering>& o : orderings) {
    if (o->key == key) {
      Ordering* found = o.get();
      Touch(found);
      return found;
    }
  }
  if (inserting && position->refs.empty()) {
    position->Rekey(key);
    Touch(position);
    return position;
  }
  auto made = std::make_unique<Ordering>();
  made->key = key;
  made->refs = position->refs;
  Sort(*made);
  if (orderings.size() >= kMaxOrderings) {
    // The least recently used one goes, never the position order.
    size_t victim = orderings.size() - 1;
    if (orderings[victim].get() == position) --victim;
    orderings.erase(orderings.begin() + static_cast<ptrdiff_t>(victim));
  }
  orderings.insert(orderings.begin(), std::move(made));
  return orderings.front().get();
}

RecordQueue::Entry* RecordQueue::Body::NewEntry(const char* record) {
  auto entry = std::make_unique<Entry>();
  entry->bytes = Store(record);
  for (const std::unique_ptr<Ordering>& o : orderings) o->refs.reserve(o->refs.size() + 1);
  return entry.release();
}

void RecordQueue::Body::InsertByKey(Ordering& o, Entry* e, const char* record) {
  const size_t at = UpperBound(o, o.key, record);
  o.refs.insert(o.refs.begin() + static_cast<ptrdiff_t>(at), e);
  HashAdded(o, at, record);
}

void RecordQueue::Body::EraseAt(Ordering& o, size_t index) {
  HashRemoving(o, index);
  o.refs.erase(o.refs.begin() + static_cast<ptrdiff_t>(index));
}

uint32_t RecordQueue::Body::KeyHash(const KeyList& key, const char* record) const {
  uint32_t h = 0;
  for (int32_t k : key) {
    const FieldDescriptor& f = layout.fields[static_cast<size_t>(std::abs(k)) - 1];
    h = HashFieldValue(f, record) ^ ((h >> 1) | (h << 31));
  }
  return h;
}

void RecordQueue::Body::CountUse(Ordering& o) {
  if (o.key.empty() || o.hashed || ++o.keyed_uses <= kHashAfterUses) return;
  if (o.refs.size() <= kHashLeastEntries) return;
  uint32_t width = 0;
  for (int32_t k : o.key) width += layout.fields[static_cast<size_t>(std::abs(k)) - 1].size;
  if (!(o.key.size() == 1 && width <= kHashNarrowKey) && width <= kHashWideKey) return;
  std::unordered_map<uint32_t, std::vector<Entry*>> runs;
  for (size_t i = 0; i < o.refs.size(); ++i) {
    const char* record = View(o.refs[i], compare_b);
    if (i > 0 && CompareKey(o.key, View(o.refs[i - 1], compare_a), record) == 0) continue;
    runs[KeyHash(o.key, record)].push_back(o.refs[i]);
  }
  o.runs.swap(runs);
  o.hashed = true;
}

RecordQueue::Entry* RecordQueue::Body::HashFind(Ordering& o, const char* record) {
  auto it = o.runs.find(KeyHash(o.key, record));
  if (it == o.runs.end()) return nullptr;
  for (Entry* start : it->second) {
    if (CompareKey(o.key, View(start, compare_a), record) == 0) return start;
  }
  return nullptr;
}

void RecordQueue::Body::HashAdded(Ordering& o, size_t index, const char* record) {
  if (!o.hashed) return;
  Entry* e = o.refs[index];
  std::vector<Entry*>& starts = o.runs[KeyHash(o.key, record)];
  const bool first =
      index == 0 || CompareKey(o.key, View(o.refs[index - 1], compare_a), record) != 0;
  for (Entry*& start : starts) {
    if (CompareKey(o.key, View(start, compare_a), record) == 0) {
      if (first) start = e;
      return;
    }
  }
  starts.push_back(e);
}

void RecordQueue::Body::HashRemoving(Ordering& o, size_t index) {
  if (!o.hashed) return;
  Entry* e = o.refs[index];
  const char* record = View(e, compare_b);
  auto it = o.runs.find(KeyHash(o.key, record));
  if (it == o.runs.end()) return;
  std::vector<Entry*>& starts = it->second;
  auto start = std::find(starts.begin(), starts.end(), e);
  if (start == starts.end()) return;
  if (index + 1 < o.refs.size() &&
      CompareKey(o.key, View(o.refs[index + 1], compare_a), record) == 0) {
    *start = o.refs[index + 1];
  } else {
    starts.erase(start);
    if (starts.empty()) o.runs.erase(it);
  }
}

void RecordQueue::Body::Place(Entry* e, size_t index, const char* record) {
  position->refs.insert(position->refs.begin() + static_cast<ptrdiff_t>(index), e);
  HashAdded(*position, index, record);
  for (const std::unique_ptr<Ordering>& o : orderings) {
    if (o.get() != position) InsertByKey(*o, e, record);
  }
  current = e;
  current_hint = index;
}

RecordQueue::RecordQueue() : stamp_(FirstStamp()) {}

RecordQueue::RecordQueue(const RecordDeclaration* layout, char* buffer)
    : layout_(layout), buffer_(buffer), stamp_(FirstStamp()) {}

RecordQueue::~RecordQueue() = default;

bool RecordQueue::Begin() {
  if (ErrorCode() != 0) ClearErrors();
  if (layout_ == nullptr || buffer_ == nullptr) {
    PostError(err::kMemoryCorrupted);
    return false;
  }
  if (!body_) {
    try {
      body_ = std::make_unique<Body>(*layout_);
    } catch (const std::bad_alloc&) {
      body_.reset();
      PostError(err::kInsufficientMemory);
      return false;
    }
  }
  return true;
}

RecordQueue::Body& RecordQueue::body() { return *body_; }

std::optional<KeyList> RecordQueue::CheckKeys(const KeyList& keys) {
  KeyList checked;
  for (int32_t k : keys) {
    if (k == 0 || checked.size() == kMaxKeyFields) break;
    if (std::abs(static_cast<int64_t>(k)) > FieldCount()) {
      PostError(err::kInvalidFieldTypeDescriptor);
      return std::nullopt;
    }
    checked.push_back(k);
  }
  return checked;
}

std::optional<KeyList> RecordQueue::KeysByName(std::string_view key_names) const {
  if (layout_ == nullptr) {
    PostError(err::kMemoryCorrupted);
    return std::nullopt;
  }
  KeyList keys;
  while (!key_names.empty()) {
    size_t comma = key_names.find(',');
    std::string_view item = key_names.substr(0, comma);
    key_names = comma == std::string_view::npos ? std::string_view{} : key_names.substr(comma + 1);
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!item.empty() && blank(item.front())) item.remove_prefix(1);
    while (!item.empty() && blank(item.back())) item.remove_suffix(1);
    if (item.empty()) continue;
    int32_t sign = 1;
    if (item.front() == '+' || item.front() == '-') {
      sign = item.front() == '-' ? -1 : 1;
      item.remove_prefix(1);
    }
    int32_t index = layout_->Find(std::string(item));
    if (index < 0) {
      PostError(err::kInvalidFieldTypeDescriptor);
      return std::nullopt;
    }
    keys.push_back(sign * (index + 1));
  }
  return keys;
}

void RecordQueue::Append() { InsertAt(0); }

void RecordQueue::InsertAt(int32_t position) {
  if (!Begin()) return;
  Guarded([&] {
    Body& b = body();
    Ordering& p = *b.position;
    const size_t n = p.refs.size();
    const bool in_range = position >= 1 && static_cast<size_t>(position) <= n + 1;
    const size_t index = in_range ? static_cast<size_t>(position) - 1 : n;
    b.Place(b.NewEntry(buffer_), index, buffer_);
    if (!p.key.empty() && !b.InPlace(p, index, buffer_)) p.Rekey();
    Changed();
  });
}

void RecordQueue::InsertKeyed(const KeyList& keys) {
  if (!Begin()) return;
  std::optional<KeyList> key = CheckKeys(keys);
  if (!key) return;
  if (key->empty()) return Append();
  Guarded([&] {
    Body& b = body();
    b.CountUse(*b.Select(*key, true));
    Entry* e = b.NewEntry(buffer_);
    Ordering& p = *b.position;
    if (!p.key.empty() && p.key != *key) p.Rekey();
    b.Place(e, b.UpperBound(p, *key, buffer_), buffer_);
    Changed();
  });
}

void RecordQueue::FetchAt(int32_t position) {
  if (!Begin()) return;
  Body& b = body();
  const std::vector<Entry*>& refs = b.position->refs;
  if (position < 1 || static_cast<size_t>(position) > refs.size()) {
    if (position == 0) b.current = nullptr;
    PostError(err::kEntryNotFound);
    return;
  }
  const size_t index = static_cast<size_t>(position) - 1;
  std::memcpy(buffer_, b.View(refs[index], b.compare_a), b.size);
  b.current = refs[index];
  b.current_hint = index;
}

void RecordQueue::FindKeyed(const KeyList& keys) {
  if (!Begin()) return;
  std::optional<KeyList> key = CheckKeys(keys);
  if (!key) return;
  Guarded([&] {
    Body& b = body();
    if (key->empty()) {
      const char* probe = b.AsStored(buffer_);
      const std::vector<Entry*>& refs = b.position->refs;
      for (size_t i = 0; i < refs.size(); ++i) {
        if (std::memcmp(b.View(refs[i], b.compare_a), probe, b.size) == 0) {
          std::memcpy(buffer_, b.View(refs[i], b.compare_a), b.size);
          b.current = refs[i];
          b.current_hint = i;
          return;
        }
      }
      PostError(err::kEntryNotFound);
      return;
    }
    Ordering* o = b.Select(*key, false);
    b.CountUse(*o);
    Entry* e = nullptr;
    size_t at = kNowhere;
    if (o->hashed) {
      e = b.HashFind(*o, buffer_);
    } else {
      at = b.LowerBound(*o, *key, buffer_);
      if (at < o->refs.size() &&
          b.CompareKey(*key, b.View(o->refs[at], b.compare_a), buffer_) == 0) {
        e = o->refs[at];
      }
    }
    if (e == nullptr) {
      PostError(err::kEntryNotFound);
      return;
    }
    std::memcpy(buffer_, b.View(e, b.compare_a), b.size);
    b.current = e;
    b.current_hint = o == b.position ? at : kNowhere;
  });
}

void RecordQueue::Rewrite() {
  if (!Begin()) return;
  Body& b = body();
  if (b.current == nullptr) {
    PostError(err::kEntryNotFound);
    return;
  }
  Guarded([&] {
    Entry* e = b.current;
    std::vector<char> bytes = b.Store(buffer_);
    std::vector<Ordering*> moved;
    moved.reserve(b.orderings.size());
    Ordering& p = *b.position;
    const size_t index = b.IndexOf(p, e);
    for (const std::unique_ptr<Ordering>& o : b.orderings) {
      if (o.get() == &p || o->key.empty()) continue;
      if (b.CompareKey(o->key, b.View(e, b.compare_b), buffer_) == 0) continue;
      b.EraseAt(*o, b.IndexOf(*o, e));
      moved.push_back(o.get());
    }
    if (p.hashed) b.HashRemoving(p, index);
    e->bytes.swap(bytes);
    for (Ordering* o : moved) b.InsertByKey(*o, e, buffer_);
    // The entry keeps its position; the position order stays keyed only
    // while the new key still fits there.
    if (!p.key.empty() && !b.InPlace(p, index, buffer_)) p.Rekey();
    if (p.hashed) b.HashAdded(p, index, buffer_);
    b.current_hint = index;
    Changed();
  });
}

void RecordQueue::Remove() {
  if (!Begin()) return;
  Body& b = body();
  if (b.current == nullptr) {
    PostError(err::kEntryNotFound);
    return;
  }
  Entry* e = b.current;
  for (const std::unique_ptr<Ordering>& o : b.orderings) {
    size_t at = b.IndexOf(*o, e);
    if (at < o->refs.size()) b.EraseAt(*o, at);
  }
  delete e;
  b.current = nullptr;
  b.current_hint = kNowhere;
  Changed();
}

void RecordQueue::RemoveAll() {
  if (!Begin()) return;
  Guarded([&] {
    body_ = std::make_unique<Body>(*layout_);
    Changed();
  });
}

void RecordQueue::Reorder(const KeyList& keys) {
  if (!Begin()) return;
  std::optional<KeyList> key = CheckKeys(keys);
  if (!key || key->empty()) return;
  Guarded([&] {
    Body& b = body();
    Ordering* p = b.position;
    if (p->key.empty()) {
      b.merge.resize(p->refs.size());
      // The position order takes the key; a cached ordering by the same key
      // would only duplicate it.
      std::erase_if(b.orderings, [&](const std::unique_ptr<Ordering>& o) {
        return o.get() != p && o->key == *key;
      });
      p->Rekey(*key);
      b.Sort(*p);
      b.Touch(p);
    } else {
      b.position = b.Select(*key, false);
    }
    Changed();
  });
}

void RecordQueue::InsertKeyed(std::string_view key_names) {
  if (!Begin()) return;
  if (std::optional<KeyList> keys = KeysByName(key_names)) InsertKeyed(*keys);
}

void RecordQueue::FindKeyed(std::string_view key_names) {
  if (!Begin()) return;
  if (std::optional<KeyList> keys = KeysByName(key_names)) FindKeyed(*keys);
}

void RecordQueue::Reorder(std::string_view key_names) {
  if (!Begin()) return;
  if (std::optional<KeyList> keys = KeysByName(key_names)) Reorder(*keys);
}

int32_t RecordQueue::Count() const {
  return body_ ? static_cast<int32_t>(body_->position->refs.size()) : 0;
}

int32_t RecordQueue::CurrentPosition() const {
  if (!body_ || body_->current == nullptr) return 0;
  const size_t at = body_->IndexOf(*body_->position, body_->current);
  return at < body_->position->refs.size() ? static_cast<int32_t>(at) + 1 : 0;
}

int32_t RecordQueue::FieldCount() const {
  return layout_ ? static_cast<int32_t>(layout_->fields.size()) : 0;
}

int RecordQueue::CompressionMode() const {
  if (layout_ == nullptr || layout_->record_length < kCompressedRecordSize) return 0;
  return body_ ? body_->mode : (StringTails(*layout_).empty() ? 1 : 2);
}

std::unique_ptr<RecordQueue> CreateQueue(const RecordDeclaration& layout) {
  try {
    auto queue = std::make_unique<RecordQueue>();
    queue->own_layout_ = std::make_unique<RecordDeclaration>(layout);
    queue->own_buffer_ = std::make_unique<char[]>(layout.record_length + 1);
    ClearRecord(*queue->own_layout_, queue->own_buffer_.get(), 0);
    queue->layout_ = queue->own_layout_.get();
    queue->buffer_ = queue->own_buffer_.get();
    return queue;
  } catch (const std::bad_alloc&) {
    PostError(err::kInsufficientMemory);
    return nullptr;
  }
}

void DestroyQueue(std::unique_ptr<RecordQueue>& queue) { queue.reset(); }

}  // namespace vaultara::data
