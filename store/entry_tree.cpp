#include "store/entry_tree.h"

#include <algorithm>

#include "store/format.h"
#include "store/status_numbers.h"
#include "store/store_fault.h"

namespace vaultara::store {

namespace {

// Index of the first entry whose key is not less than key.
size_t LowerBound(const std::vector<StoreEntry>& entries, std::string_view key) {
  auto it = std::lower_bound(
      entries.begin(), entries.end(), key,
      [](const StoreEntry& e, std::string_view k) { return CompareKeys(e.key(), k) < 0; });
  return static_cast<size_t>(it - entries.begin());
}

// Index of the first entry from position from on whose key is greater than key.
size_t UpperBound(const std::vector<StoreEntry>& entries, std::string_view key, size_t from = 0) {
  auto it = std::upper_bound(
      entries.begin() + static_cast<ptrdiff_t>(from), entries.end(), key,
      [](std::string_view k, const StoreEntry& e) { return CompareKeys(k, e.key()) < 0; });
  return static_cast<size_t>(it - entries.begin());
}

// The child slot of an index page that key descends into: the last separator
// not greater than key, the first child when there is none. The first
// separator never decides: a key below every other separator belongs to the
// first child whatever it says, and it may lie above keys in that child
// (insertion does not lower it), even above the separators that follow it.
size_t ChildSlot(const PageNode& page, std::string_view key) {
  constexpr size_t kIndexedFrom = 16;  // separators; fewer are searched directly
  if (page.size() <= 1) return 0;
  if (page.size() < kIndexedFrom) return UpperBound(page.content.entries, key, 1) - 1;
  return page.separators.UpperBound(page.content.entries, key) - 1;
}

}  // namespace

PageNode* EntryTree::LoadChild(const PageNode& parent, size_t slot) {
  // Read before loading: the parent may leave the cache meanwhile.
  const int level = parent.level();
  PageNode* child = pages_.Load(parent.content.children[slot]);
  if (child->level() + 1 != level) Fault(status::kEntriesMisfit);
  return child;
}

bool EntryTree::TooLarge(const PageNode& page) { return TooLarge(page.budget, page.size()); }

bool EntryTree::TooLarge(uint32_t budget, size_t entries) {
  return budget > format::kMaxBudget ||
         (budget > format::kSmallPageBudget && entries > format::kSmallPageEntries);
}

void EntryTree::Descend(std::string_view key, Path& path) {
  path.clear();
  path.push_back({PagePin(pages_.Root()), 0});
  while (path.back().page->level() != 0) {
    PageNode* page = path.back().page.get();
    if (page->empty()) Fault(status::kEntriesMisfit);
    const size_t slot = ChildSlot(*page, key);
    path.push_back({PagePin(LoadChild(*page, slot)), slot});
  }
}

bool EntryTree::Covers(const PageNode& leaf, std::string_view key, Reach reach) {
  if (leaf.level() != 0 || leaf.empty()) return false;
  const int first = CompareKeys(key, leaf.content.entries.front().key());
  const int last = CompareKeys(key, leaf.content.entries.back().key());
  switch (reach) {
    case Reach::kFind:
      return first >= 0 && last <= 0;
    case Reach::kSuccessor:
      return first >= 0 && last < 0;
    case Reach::kPredecessor:
      return first > 0 && last <= 0;
  }
  return false;
}

PageNode* EntryTree::RememberedLeaf(std::string_view key, Reach reach) {
  const uint64_t removals = pages_.Removals();
  for (Finger& finger : fingers_) {
    if (finger.node == nullptr) continue;
    if (finger.removals != removals) {
      if (pages_.Cached(finger.number) != finger.node) {
        finger = {};
        continue;
      }
      finger.removals = removals;
    }
    if (!Covers(*finger.node, key, reach)) continue;
    pages_.Use(finger.node);
    return finger.node;
  }
  return nullptr;
}

PageNode* EntryTree::LeafFor(std::string_view key, Reach reach) {
  if (PageNode* leaf = RememberedLeaf(key, reach)) return leaf;
  // No pins on the way down: a read needs nothing of a page once it has
  // the child's number, so the cache may evict it while loading the child.
  PageNode* page = pages_.Root();
  while (page->level() != 0) {
    if (page->empty()) Fault(status::kEntriesMisfit);
    page = LoadChild(*page, ChildSlot(*page, key));
  }
  Remember(page);
  return Covers(*page, key, reach) ? page : nullptr;
}

void EntryTree::Remember(PageNode* leaf) {
  for (const Finger& finger : fingers_) {
    if (finger.node == leaf && finger.number == leaf->number) return;
  }
  fingers_[next_finger_] = {leaf->number, leaf, pages_.Removals()};
  next_finger_ = (next_finger_ + 1) % kFingers;
}

std::optional<StoreEntry> EntryTree::Find(std::string_view key) {
  PageNode* leaf = LeafFor(key, Reach::kFind);
  if (leaf == nullptr) return std::nullopt;
  const auto& entries = leaf->content.entries;
  const size_t at = LowerBound(entries, key);
  if (at < entries.size() && CompareKeys(entries[at].key(), key) == 0) return entries[at];
  return std::nullopt;
}

std::optional<StoreEntry> EntryTree::Ceiling(std::string_view key) {
  if (PageNode* leaf = LeafFor(key, Reach::kFind)) {
    const auto& entries = leaf->content.entries;
    return entries[LowerBound(entries, key)];
  }
  // Outside its leaf's entries the key is not present.
  return Neighbour(key, true);
}

std::optional<StoreEntry> EntryTree::Successor(std::string_view key) {
  return Neighbour(key, true);
}
std::optional<StoreEntry> EntryTree::Predecessor(std::string_view key) {
  return Neighbour(key, false);
}

std::optional<StoreEntry> EntryTree::Neighbour(std::string_view key, bool forward) {
  if (PageNode* leaf = RememberedLeaf(key, forward ? Reach::kSuccessor : Reach::kPredecessor)) {
    const auto& entries = leaf->content.entries;
    return forward ? entries[UpperBound(entries, key)] : entries[LowerBound(entries, key) - 1];
  }
  // One descent with its path, so that the search can climb on when the
  // neighbour lies in the next leaf; both leaves are remembered.
  Path path;
  Descend(key, path);
  Remember(path.back().page.get());
  const auto& entries = path.back().page->content.entries;
  if (forward) {
    const size_t at = UpperBound(entries, key);
    if (at < entries.size()) return entries[at];
  } else {
    const size_t at = LowerBound(entries, key);
    if (at > 0) return entries[at - 1];
  }
  // Climb to the nearest ancestor with a neighbouring subtree and take that
  // subtree's edge entry.
  for (size_t depth = path.size() - 1; depth > 0; --depth) {
    PageNode* parent = path[depth - 1].page.get();
    const size_t slot = path[depth].slot;
    const bool has_neighbour = forward ? slot + 1 < parent->size() : slot > 0;
    if (!has_neighbour) continue;
    PagePin page(LoadChild(*parent, forward ? slot + 1 : slot - 1));
    while (page->level() != 0) {
      if (page->empty()) Fault(status::kEntriesMisfit);
      page = PagePin(LoadChild(*page.get(), forward ? 0 : page->size() - 1));
    }
    if (page->empty()) Fault(status::kEntriesMisfit);
    Remember(page.get());
    return forward ? page->content.entries.front() : page->content.entries.back();
  }
  return std::nullopt;
}

std::optional<StoreEntry> EntryTree::First() { return Edge(false); }
std::optional<StoreEntry> EntryTree::Last() { return Edge(true); }

std::optional<StoreEntry> EntryTree::Edge(bool last) {
  PagePin page(pages_.Root());
  while (page->level() != 0) {
    if (page->empty()) Fault(status::kEntriesMisfit);
    page = PagePin(LoadChild(*page.get(), last ? page->size() - 1 : 0));
  }
  if (page->empty()) return std::nullopt;
  return last ? page->content.entries.back() : page->content.entries.front();
}

void EntryTree::Insert(StoreEntry entry) { Store(std::move(entry), WhenPresent::kFault, nullptr); }

bool EntryTree::InsertIfAbsent(StoreEntry entry, std::optional<StoreEntry>* existing) {
  return Store(std::move(entry), WhenPresent::kKeep, existing);
}

void EntryTree::Replace(StoreEntry entry) {
  Store(std::move(entry), WhenPresent::kReplace, nullptr);
}

bool EntryTree::Store(StoreEntry entry, WhenPresent when_present,
                      std::optional<StoreEntry>* existing) {
  if (entry.size() > format::kMaxEntryLength) Fault(status::kEntryTooLong);
  // A remembered leaf that encloses the key takes the entry in place when
  // it cannot grow too large by it: then no page above it changes.
  Path path;
  PageNode* leaf = RememberedLeaf(entry.key(), Reach::kFind);
  if (leaf != nullptr && TooLarge(leaf->budget + EntryCost(entry.size(), 0), leaf->size() + 1)) {
    leaf = nullptr;
  }
  if (leaf == nullptr) {
    Descend(entry.key(), path);
    leaf = path.back().page.get();
  }
  auto& entries = leaf->content.entries;
  const size_t at = LowerBound(entries, entry.key());
  const bool present = at < entries.size() && CompareKeys(entries[at].key(), entry.key()) == 0;
  if (present) {
    if (when_present == WhenPresent::kFault) Fault(status::kDuplicateKey);
    if (when_present == WhenPresent::kKeep) {
      if (existing != nullptr) *existing = entries[at];
      return false;
    }
    // The same key in the same place: the page's separator still holds.
    leaf->budget -= EntryCost(entries[at].size(), 0);
    leaf->budget += EntryCost(entry.size(), 0);
    entries[at] = std::move(entry);
  } else {
    if (existing != nullptr) existing->reset();
    leaf->budget += EntryCost(entry.size(), 0);
    entries.insert(entries.begin() + static_cast<ptrdiff_t>(at), std::move(entry));
  }
  pages_.Changed(leaf);
  ++version_;
  if (!path.empty()) Split(path, path.size() - 1);
  return !present;
}

void EntryTree::Split(Path& path, size_t depth) {
  for (;;) {
    if (!TooLarge(*path[depth].page.get())) return;
    if (path[depth].page->size() <= 1) Fault(status::kPageTooLarge);
    if (depth == 0) {
      RaiseRoot(path);
      depth = 1;
    }
    SplitAt(path[depth - 1].page.get(), path[depth].slot, path[depth].page.get());
    --depth;  // the parent gained separators
  }
}

void EntryTree::RaiseRoot(Path& path) {
  PageNode* root = path[0].page.get();
  PageNode* child = pages_.Create(root->level());
  child->content = std::move(root->content);
  child->budget = root->budget;
  root->content = PageContent{};
  root->content.level = static_cast<uint8_t>(child->level() + 1);
  root->content.entries.push_back(StoreEntry::KeyOnly(child->content.entries.front().key()));
  root->content.children.push_back(child->number);
  root->budget = BudgetOf(root->content);
  pages_.Changed(root);
  path.insert(path.begin() + 1, Step{PagePin(child), 0});
}

// Splits page (child slot of parent) until neither it nor the siblings cut
// from it are too large; each sibling's separator follows page's in parent.
void EntryTree::SplitAt(PageNode* parent, size_t slot, PageNode* page) {
  PagePin keep_parent(parent);
  PagePin keep_page(page);
  while (TooLarge(*page)) {
    if (page->size() <= 1) Fault(status::kPageTooLarge);
    PagePin sibling(CutInHalf(page));
    auto& separators = parent->content.entries;
    StoreEntry separator = StoreEntry::KeyOnly(sibling->content.entries.front().key());
    parent->budget += EntryCost(separator.size(), parent->level());
    separators.insert(separators.begin() + static_cast<ptrdiff_t>(slot + 1), std::move(separator));
    auto& children = parent->content.children;
    children.insert(children.begin() + static_cast<ptrdiff_t>(slot + 1), sibling->number);
    pages_.Changed(parent);
    SplitAt(parent, slot + 1, sibling.get());
  }
}

// Cuts page at its middle entry: the lower half stays, the upper half (from
// the middle entry on) moves to a new sibling at the same level.
PageNode* EntryTree::CutInHalf(PageNode* page) {
  PageNode* sibling = pages_.Create(page->level());
  auto& entries = page->content.entries;
  const auto middle = static_cast<ptrdiff_t>(entries.size() / 2);
  sibling->content.entries.assign(std::make_move_iterator(entries.begin() + middle),
                                  std::make_move_iterator(entries.end()));
  entries.erase(entries.begin() + middle, entries.end());
  if (page->level() != 0) {
    auto& children = page->content.children;
    sibling->content.children.assign(children.begin() + middle, children.end());
    children.erase(children.begin() + middle, children.end());
  }
  page->budget = BudgetOf(page->content);
  sibling->budget = BudgetOf(sibling->content);
  pages_.Changed(page);
  pages_.Changed(sibling);
  return sibling;
}

bool EntryTree::Delete(std::string_view key) {
  Path path;
  Descend(key, path);
  PageNode* leaf = path.back().page.get();
  auto& entries = leaf->content.entries;
  const size_t at = LowerBound(entries, key);
  if (at == entries.size() || CompareKeys(entries[at].key(), key) != 0) return false;
  leaf->budget -= EntryCost(entries[at].size(), 0);
  entries.erase(entries.begin() + static_cast<ptrdiff_t>(at));
  pages_.Changed(leaf);
  ++version_;

  // On the way up: an empty child loses its page and separator; a child whose
  // first key changed gets a fresh separator.
  bool first_changed = at == 0;
  std::vector<PageNode*> freed;
  for (size_t depth = path.size() - 1; depth > 0 && first_changed; --depth) {
    PageNode* page = path[depth].page.get();
    PageNode* parent = path[depth - 1].page.get();
    const size_t slot = path[depth].slot;
    auto& separators = parent->content.entries;
    parent->budget -= EntryCost(separators[slot].size(), parent->level());
    if (page->empty()) {
      separators.erase(separators.begin() + static_cast<ptrdiff_t>(slot));
      auto& children = parent->content.children;
      children.erase(children.begin() + static_cast<ptrdiff_t>(slot));
      freed.push_back(page);
    } else {
      separators[slot] = StoreEntry::KeyOnly(page->content.entries.front().key());
      parent->budget += EntryCost(separators[slot].size(), parent->level());
    }
    pages_.Changed(parent);
    first_changed = slot == 0;
  }
  PageNode* root = path[0].page.get();
  if (root->empty() && root->level() != 0) {
    root->content.level = 0;  // a tree without entries is a single empty leaf
    root->budget = BudgetOf(root->content);
  }
  path.clear();
  for (PageNode* page : freed) pages_.Free(page);
  return true;
}

std::string EntryTree::KeyUnder(const PageNode& page) {
  // A leaf's first key and every separator after an index page's first are
  // keys of entries under the page. The first separator may be stale: on the
  // leftmost path it names whatever entry was first when it was set, and
  // smaller keys may have arrived since.
  if (page.level() == 0) return std::string(page.content.entries.front().key());
  if (page.size() > 1) return std::string(page.content.entries[1].key());
  PagePin child(LoadChild(page, 0));
  if (child->empty()) Fault(status::kEntriesMisfit);
  return KeyUnder(*child.get());
}

EntryTree::ParentSlot EntryTree::FindParent(const PageNode& page) {
  if (page.empty()) Fault(status::kMovedPageEmpty);
  // Any key stored under the page leads to it.
  const std::string key = KeyUnder(page);
  PagePin at(pages_.Root());
  for (;;) {
    if (at->level() == 0 || at->empty()) Fault(status::kParentNotFound);
    const size_t slot = ChildSlot(*at.get(), key);
    if (at->content.children[slot] == page.number) return {at.get(), slot};
    at = PagePin(LoadChild(*at.get(), slot));
  }
}

}  // namespace vaultara::store
