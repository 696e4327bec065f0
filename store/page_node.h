#pragma once

#include <cstdint>
#include <list>
#include <optional>

#include "store/page_image.h"
#include "store/separator_index.h"

namespace vaultara::store {

// A page held in memory: its entries (in key order, so positions count
// directly), its size budget, and the cache's bookkeeping. A page with a
// negative number was created in memory and has no place in the file yet.
struct PageNode {
  int32_t number = 0;
  PageContent content;
  uint32_t budget = 13;  // kept equal to BudgetOf(content)

  bool changed = false;                          // on the changed list; never evicted
  int pins = 0;                                  // > 0 while an operation holds the page
  uint64_t last_use = 0;                         // access clock at the last use
  uint64_t created = 0;                          // access clock when it entered the cache
  std::list<PageNode*>::iterator ring_position;  // valid while clean
  size_t cost = 0;                               // memory it was counted with in the ring
  std::optional<PageImage> image;                // built at commit
  // Of an index page, built at its first search; cleared with every change.
  mutable SeparatorIndex separators;

  uint8_t level() const { return content.level; }
  size_t size() const { return content.entries.size(); }
  bool empty() const { return content.entries.empty(); }
};

// Keeps a page from being evicted while an operation uses it.
class PagePin {
 public:
  PagePin() = default;
  explicit PagePin(PageNode* node) : node_(node) {
    if (node_) ++node_->pins;
  }
  PagePin(PagePin&& other) noexcept : node_(other.node_) { other.node_ = nullptr; }
  PagePin& operator=(PagePin&& other) noexcept {
    if (this != &other) {
      Release();
      node_ = other.node_;
      other.node_ = nullptr;
    }
    return *this;
  }
  PagePin(const PagePin&) = delete;
  PagePin& operator=(const PagePin&) = delete;
  ~PagePin() { Release(); }

  void Release() {
    if (node_) --node_->pins;
    node_ = nullptr;
  }
  PageNode* get() const { return node_; }
  PageNode* operator->() const { return node_; }

 private:
  PageNode* node_ = nullptr;
};

// Where the entry tree gets its pages. StoreFile serves them from its cache
// and the file; tests may serve them from memory.
class PageSource {
 public:
  virtual ~PageSource() = default;
  // The page with this number, loaded when needed. The pointer stays valid
  // while the page is pinned, and until the next call otherwise.
  virtual PageNode* Load(int32_t number) = 0;
  // The root page (created empty in a file that never held an entry).
  virtual PageNode* Root() = 0;
  // A new empty page at the given level, with the next temporary number; it
  // is already on the changed list.
  virtual PageNode* Create(uint8_t level) = 0;
  // Puts a page on the changed list.
  virtual void Changed(PageNode* page) = 0;
  // Frees a page that became empty. Its node is gone when this returns.
  virtual void Free(PageNode* page) = 0;
  // The page if it is in memory, without loading it (nullptr otherwise).
  virtual PageNode* Cached(int32_t number) = 0;
  // Counts a use of a page in memory, as loading it would.
  virtual void Use(PageNode* page) = 0;
  // Grows whenever a page leaves memory or changes its number: while it
  // stands still, every page pointer met since is still the page it was.
  virtual uint64_t Removals() const = 0;
};

}  // namespace vaultara::store
