#pragma once

#include <array>
#include <cstdint>
#include <list>
#include <memory>
#include <unordered_map>
#include <vector>

#include "store/format.h"
#include "store/page_node.h"

namespace vaultara::store {

// The pages of one file held in memory: found by number, clean pages kept in
// a ring from least to most recently used, changed pages in a list of their
// own (in the order they changed) that is never evicted.
class PageCache {
 public:
  // The cached page with this number, or nullptr. Does not count as a use.
  PageNode* Find(int32_t number) const;
  // Counts a use: advances the access clock, stamps the page and moves a clean
  // page to the recent end of the ring.
  void Use(PageNode* page);
  // Takes a new page (clean) into the cache.
  PageNode* Add(std::unique_ptr<PageNode> page);
  // Evicts before a load: while the ring holds 20 pages or more and its
  // pages cost more than the clean cache's share of memory, its least
  // recently used page goes. A pinned page stops it.
  void Trim();
  // The clean cache's share of memory (format::kCleanCacheBytes unless set;
  // tests set it small to make pages come and go).
  void set_clean_limit(size_t bytes) { clean_limit_ = bytes; }

  void MarkChanged(PageNode* page);
  // Changes the number a page is found by (page->number is already the new one).
  void Rekey(PageNode* page, int32_t old_number);
  // Removes a page; the node is destroyed.
  void Remove(PageNode* page);
  // Removes every changed page (after a failed or abandoned commit).
  void DropChanged();
  // Makes every changed page clean again, once it stands at home on disk as
  // it is in memory (after a commit), then trims the ring.
  void KeepChanged();
  void Clear();

  const std::vector<PageNode*>& changed() const { return changed_; }
  size_t size() const { return pages_.size(); }
  size_t clean_count() const { return ring_.size(); }
  // What the clean pages cost in memory, as Trim counts it.
  size_t clean_bytes() const { return clean_bytes_; }
  // Counts the pages removed or renumbered.
  uint64_t removals() const { return removals_; }

 private:
  void LeaveRing(PageNode* page);

  // Forgets the remembered lookup of a number.
  void Forget(int32_t number) { recent_[Slot(number)] = nullptr; }
  static size_t Slot(int32_t number) { return static_cast<uint32_t>(number) % kRecentSlots; }

  std::unordered_map<int32_t, std::unique_ptr<PageNode>> pages_;
  // The last page found under each number modulo kRecentSlots: a search
  // looks up the same few index pages again and again. A slot is cleared
  // whenever its page leaves the map, so it never names a dead node.
  static constexpr size_t kRecentSlots = 256;
  mutable std::array<PageNode*, kRecentSlots> recent_{};
  std::list<PageNode*> ring_;  // front: least recently used
  std::vector<PageNode*> changed_;
  uint64_t clock_ = 0;
  size_t clean_bytes_ = 0;
  uint64_t removals_ = 0;
  size_t clean_limit_ = format::kCleanCacheBytes;
};

}  // namespace vaultara::store
