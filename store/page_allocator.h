#pragma once

#include <cstdint>
#include <functional>
#include <set>

#include "store/store_header.h"

namespace vaultara::store {

// Places pages in the regions of the header. Region c holds its pages of
// class c contiguously, A[c] <= n < B[c], with no holes; regions lie in
// ascending order of class with free space between them. Every page that has
// to change place is handed to the mover, which renumbers it (and its
// parent's pointer) from one page number to another.
class PageAllocator {
 public:
  using Mover = std::function<void(int32_t from, int32_t to)>;

  PageAllocator(StoreHeader& header, Mover mover) : header_(header), mover_(std::move(mover)) {}

  // Frees the slots of pages that are gone. Each freed slot is filled with the
  // last page of its region, and the region's end drops by one page.
  void FreeSlots(std::set<int32_t> slots);
  // Allocates a slot of class c and returns its page number: below the region
  // when the space there holds a page or can be made to by shifting the lower
  // regions down, otherwise above it, rotating the regions above upwards
  // (moving their first page to their end) until there is room.
  int32_t Allocate(int c);
  // Slides regions 2 to 59 down, in ascending order: a region of several pages
  // moves its last page below its start while a page fits in the gap; a region
  // of at most one page moves to start at the previous region's end.
  void Compact();

 private:
  struct Bounds {
    uint32_t* start;
    uint32_t* end;
  };
  // Ensures A[c] - B[c-1] >= need (B[0] = 0); false when impossible. With a
  // null mover only the bounds change (a trial run on a copy).
  bool RoomBelow(Bounds b, int c, uint32_t need, const Mover* mover);
  // Ensures A[c+1] - B[c] >= need (always true above region 59).
  void RoomAbove(int c, uint32_t need);
  uint32_t EndBelow(const Bounds& b, int c) const { return c <= 1 ? 0 : b.end[c - 1]; }

  StoreHeader& header_;
  Mover mover_;
};

}  // namespace vaultara::store
