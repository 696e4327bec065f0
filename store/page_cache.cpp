#include "store/page_cache.h"

#include <algorithm>

#include "store/format.h"

namespace vaultara::store {

PageNode* PageCache::Find(int32_t number) const {
  auto it = pages_.find(number);
  return it == pages_.end() ? nullptr : it->second.get();
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
  pages_[node->number] = std::move(page);
  return node;
}

void PageCache::Trim() {
  while (ring_.size() >= format::kTrimFloor) {
    PageNode* oldest = ring_.front();
    if (oldest->pins > 0) return;
    const uint64_t idle = clock_ - oldest->last_use;
    const uint64_t age = clock_ - oldest->created;
    const bool evict = ring_.size() >= format::kTrimCeiling || idle * pages_.size() >= 4 * age;
    if (!evict) return;
    Remove(oldest);
  }
}

void PageCache::MarkChanged(PageNode* page) {
  if (page->changed) return;
  ring_.erase(page->ring_position);
  page->changed = true;
  changed_.push_back(page);
}

void PageCache::Rekey(PageNode* page, int32_t old_number) {
  auto it = pages_.find(old_number);
  std::unique_ptr<PageNode> node = std::move(it->second);
  pages_.erase(it);
  pages_[page->number] = std::move(node);
}

void PageCache::Remove(PageNode* page) {
  if (page->changed) {
    changed_.erase(std::find(changed_.begin(), changed_.end(), page));
  } else {
    ring_.erase(page->ring_position);
  }
  pages_.erase(page->number);
}

void PageCache::DropChanged() {
  for (PageNode* page : changed_) pages_.erase(page->number);
  changed_.clear();
}

void PageCache::Clear() {
  ring_.clear();
  changed_.clear();
  pages_.clear();
}

}  // namespace vaultara::store
