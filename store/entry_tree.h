#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/page_node.h"
#include "store/store_entry.h"

namespace vaultara::store {

// The single ordered tree of entries that holds everything in a store file.
//
// Leaf pages (level 0) hold whole entries in key order; an index page holds,
// for each child, a separator: a copy of the key of the child's first entry
// (no data) with the child's number. A search takes, in each index page, the
// last separator not greater than the key (the first child when there is
// none). Insertion never changes a separator, so on the leftmost path a
// page's first separator may lie above keys that arrived later in its child,
// even above the separators after it; the first separator therefore never
// steers a search, nor a parent lookup. Pages split when they grow too large
// and are never merged; a page that becomes empty is freed and its separator
// removed.
class EntryTree {
 public:
  explicit EntryTree(PageSource& pages) : pages_(pages) {}

  // The entry whose key equals key.
  std::optional<StoreEntry> Find(std::string_view key);
  // The first entry whose key is not less than key.
  std::optional<StoreEntry> Ceiling(std::string_view key);
  // The first entry whose key is greater than key.
  std::optional<StoreEntry> Successor(std::string_view key);
  // The last entry whose key is less than key.
  std::optional<StoreEntry> Predecessor(std::string_view key);
  std::optional<StoreEntry> First();
  std::optional<StoreEntry> Last();

  // Inserts an entry whose key is not yet present (status 706 otherwise).
  // Status 824 for an entry longer than 15093 bytes, 1364 when a page of one
  // entry is still too large (entries longer than 15076 bytes).
  void Insert(StoreEntry entry);
  // Inserts an entry unless one with its key is present: then that one is
  // copied to *existing and the tree stays as it was. True when inserted.
  bool InsertIfAbsent(StoreEntry entry, std::optional<StoreEntry>* existing);
  // Inserts an entry, or puts it in the place of the entry with its key.
  void Replace(StoreEntry entry);
  // Deletes the entry with this key; false when there is none.
  bool Delete(std::string_view key);

  // The index page and slot whose child pointer names page (found by
  // descending with the key of an entry stored under the page). Status 1891
  // for a page without entries, 1894 when the descent reaches a leaf without
  // meeting it.
  struct ParentSlot {
    PageNode* parent;
    size_t slot;
  };
  ParentSlot FindParent(const PageNode& page);

  // Changes a page's number and the one pointer naming it (in its parent, or
  // the header's root number through set_root).
  template <typename SetRoot>
  void Renumber(PageNode& page, int32_t number, bool is_root, SetRoot set_root);

  // True when a page must be split: its budget exceeds 15094, or 4096 while it
  // holds more than 20 entries.
  static bool TooLarge(const PageNode& page);
  static bool TooLarge(uint32_t budget, size_t entries);

  // Counts every change to the tree; cursors use it to tell whether their
  // remembered position still holds.
  uint64_t version() const { return version_; }
  // Records a change the tree cannot see (pages freed or dropped from the
  // cache): forgets the remembered leaves.
  void Touch() {
    ++version_;
    fingers_ = {};
  }

 private:
  struct Step {
    PagePin page;
    size_t slot;  // position of page among its parent's children
  };
  using Path = std::vector<Step>;

  // A leaf met by a recent search. Reads in key order, and reads that go
  // back and forth between a few regions of the file (a key, its records,
  // their memos), find their entry in one of these leaves without descending
  // from the root. A remembered leaf is trusted only while the cache still
  // holds that node under that number as a leaf, and only for keys between
  // its first and last entry: every entry in that range lies in it, since
  // the leaves hold the entries in order. Splits and inserts keep that true;
  // anything that frees, renumbers or drops pages forgets them all.
  struct Finger {
    int32_t number = 0;
    PageNode* node = nullptr;
    uint64_t removals = 0;  // the source's count when node was last known alive
  };
  static constexpr size_t kFingers = 4;
  // Where a search needs key to lie in a leaf for the leaf to answer it.
  enum class Reach { kFind, kSuccessor, kPredecessor };
  // A remembered leaf that answers a search for key, else the leaf key
  // descends to (remembered from now on) when that one answers it, else
  // nullptr.
  PageNode* LeafFor(std::string_view key, Reach reach);
  // A remembered leaf that answers a search for key, or nullptr.
  PageNode* RememberedLeaf(std::string_view key, Reach reach);
  // Remembers a leaf (in place of the oldest remembered one).
  void Remember(PageNode* leaf);
  static bool Covers(const PageNode& leaf, std::string_view key, Reach reach);

  // Loads child slot of an index page. A child lies exactly one level below
  // its parent; any other level is a damaged page (status 1602), and
  // following it could go round for ever (a page naming itself or an
  // ancestor).
  PageNode* LoadChild(const PageNode& parent, size_t slot);
  // The key of an entry stored under page (which has entries).
  std::string KeyUnder(const PageNode& page);
  // Descends to the leaf where key belongs, recording the path.
  void Descend(std::string_view key, Path& path);
  // What storing an entry does when its key is present already.
  enum class WhenPresent { kFault, kKeep, kReplace };
  // Insert, InsertIfAbsent and Replace in one descent; true when inserted.
  bool Store(StoreEntry entry, WhenPresent when_present, std::optional<StoreEntry>* existing);
  std::optional<StoreEntry> Neighbour(std::string_view key, bool forward);
  std::optional<StoreEntry> Edge(bool last);
  void Split(Path& path, size_t depth);
  void SplitAt(PageNode* parent, size_t slot, PageNode* page);
  void RaiseRoot(Path& path);
  PageNode* CutInHalf(PageNode* page);

  PageSource& pages_;
  uint64_t version_ = 0;
  std::array<Finger, kFingers> fingers_{};
  size_t next_finger_ = 0;
};

template <typename SetRoot>
void EntryTree::Renumber(PageNode& page, int32_t number, bool is_root, SetRoot set_root) {
  if (is_root) {
    set_root(number);
  } else {
    ParentSlot where = FindParent(page);
    where.parent->content.children[where.slot] = number;
    pages_.Changed(where.parent);
  }
  page.number = number;
  Touch();
}

}  // namespace vaultara::store
