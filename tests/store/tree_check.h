#pragma once

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "store/store_fault.h"
#include "store/store_file.h"

namespace vaultara::store {

// Walks the whole tree of file and checks its structure: levels fall by one
// towards the leaves, keys ascend across the whole tree, a separator other
// than a page's first equals its child's first key, only the root may be
// empty, and the parent lookup that renumbering uses finds every other page
// in the slot that names it. When placed (after a commit), every page lies on a slot of its
// region and every slot of every region holds exactly one page of the tree.
// Returns the number of entries.
inline size_t CheckTree(StoreFile& file, bool placed) {
  PageSource& pages = file.pages();
  std::set<int32_t> seen;
  std::string last_key;
  bool any = false;
  size_t entries = 0;
  struct Walker {
    PageSource& pages;
    EntryTree& tree;
    std::set<int32_t>& seen;
    std::string& last_key;
    bool& any;
    size_t& entries;
    void Walk(int32_t number, int level, bool is_root, int32_t parent, size_t slot) {
      PagePin page(is_root ? pages.Root() : pages.Load(number));
      EXPECT_TRUE(seen.insert(page->number).second) << "page reached twice";
      if (level >= 0) {
        EXPECT_EQ(page->level(), level);
      }
      if (!is_root) {
        EXPECT_FALSE(page->empty()) << page->number;
        if (!page->empty()) {
          try {
            const EntryTree::ParentSlot where = tree.FindParent(*page.get());
            EXPECT_EQ(where.parent->number, parent) << "parent of page " << page->number;
            EXPECT_EQ(where.slot, slot) << "slot of page " << page->number;
          } catch (const StoreFault& fault) {
            ADD_FAILURE() << "no parent found for page " << page->number << ": fault "
                          << fault.number();
          }
        }
      }
      EXPECT_EQ(page->budget, BudgetOf(page->content));
      EXPECT_FALSE(EntryTree::TooLarge(*page.get())) << "page " << page->number << " not split";
      if (page->level() == 0) {
        for (const StoreEntry& entry : page->content.entries) {
          if (any) {
            EXPECT_LT(CompareKeys(last_key, entry.key()), 0);
          }
          last_key = std::string(entry.key());
          any = true;
          ++entries;
        }
        return;
      }
      ASSERT_EQ(page->content.children.size(), page->size());
      for (size_t slot = 0; slot < page->size(); ++slot) {
        const std::string separator(page->content.entries[slot].key());
        const int32_t child = page->content.children[slot];
        if (slot > 0) {
          PagePin first(pages.Load(child));
          EXPECT_EQ(separator, std::string(first->content.entries.front().key()));
        }
        Walk(child, page->level() - 1, false, page->number, slot);
      }
    }
  } walker{pages, file.tree(), seen, last_key, any, entries};
  walker.Walk(0, -1, true, 0, 0);
  if (placed) {
    const StoreHeader& header = file.header();
    std::set<int32_t> slots;
    for (int c = 1; c <= 59; ++c) {
      EXPECT_LE(header.region_start[c], header.region_end[c]);
      if (c > 1) {
        EXPECT_LE(header.region_end[c - 1], header.region_start[c]);
      }
      EXPECT_EQ((header.region_end[c] - header.region_start[c]) % c, 0u);
      for (uint32_t n = header.region_start[c]; n < header.region_end[c]; n += c) slots.insert(n);
    }
    EXPECT_EQ(seen, slots);
  }
  return entries;
}

}  // namespace vaultara::store
