#include "store/page_cache.h"

#include <algorithm>

#include "store/format.h"

namespace vaultara::store {

namespace {

// About what a clean page occupies: its entries' bytes (the budget counts
// them with their in-page overhead), each entry's string and the node.
size_t CostOf(const PageNode& page) {
  return page.budget + page.content.entries.size() * (sizeof(StoreEntry) + 16) +
         page.content.children.size() * sizeof(int32_t) + sizeof(PageNode);
}

}  // namespace

PageNode* PageCache::Find(int32_t number) const {
  PageNode*& recent = recent_[Slot(number)];
  if (recent != nullptr && recent->number == number) return recent;
  auto it = pages_.find(number);
  if (it == pages_.end()) return nullptr;
  recent = it->second.get();
  return recent;
}

void PageCache::Use(PageNode* page) {
  page->last_use = ++clock_;
  if (!page->changed) ring_.splice(ring_.end(), ring_, page->ring_position);
}

PageNode* PageCache::Add(std::unique_ptr<PageNode> page) {
  PageNode* node = page.get();
  node->created = node->last_use = ++clock_;
  node->changed = false;
  node->ring_position = ring_.insert(ring_.end(), node);
  node->cost = CostOf(*node);
  clean_bytes_ += node->cost;
  Forget(node->number);
  std::unique_ptr<PageNode>& slot = pages_[node->number];
  if (slot) ++removals_;  // a page it replaces is gone
  slot = std::move(page);
  return node;
}

void PageCache::Trim() {
  while (ring_.size() >= format::kTrimFloor && clean_bytes_ > clean_limit_) {
    PageNode* oldest = ring_.front();
    if (oldest->pins > 0) return;
    Remove(oldest);
  }
}

void PageCache::LeaveRing(PageNode* page) {
  ring_.erase(page->ring_position);
  clean_bytes_ -= page->cost;
}

void PageCache::MarkChanged(PageNode* page) {
  if (page->changed) return;
  LeaveRing(page);
  page->changed = true;
  changed_.push_back(page);
}

void PageCache::Rekey(PageNode* page, int32_t old_number) {
  Forget(old_number);
  Forget(page->number);
  auto it = pages_.find(old_number);
  std::unique_ptr<PageNode> node = std::move(it->second);
  pages_.erase(it);
  pages_[page->number] = std::move(node);
  ++removals_;
}

void PageCache::Remove(PageNode* page) {
  if (page->changed) {
    changed_.erase(std::find(changed_.begin(), changed_.end(), page));
  } else {
    LeaveRing(page);
  }
  Forget(page->number);
  pages_.erase(page->number);
  ++removals_;
}

void PageCache::DropChanged() {
  for (PageNode* page : changed_) {
    Forget(page->number);
    pages_.erase(page->number);
  }
  changed_.clear();
  ++removals_;
}

void PageCache::KeepChanged() {
  for (PageNode* page : changed_) {
    page->changed = false;
    page->image.reset();
    page->created = page->last_use = ++clock_;
    page->ring_position = ring_.insert(ring_.end(), page);
    page->cost = CostOf(*page);
    clean_bytes_ += page->cost;
  }
  changed_.clear();
  Trim();
}

void PageCache::Clear() {
  ring_.clear();
  clean_bytes_ = 0;
  changed_.clear();
  recent_.fill(nullptr);
  pages_.clear();
  ++removals_;
}

}  // namespace vaultara::store
