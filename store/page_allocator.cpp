#include "store/page_allocator.h"

#include "store/status_numbers.h"
#include "store/store_fault.h"

namespace vaultara::store {

void PageAllocator::FreeSlots(std::set<int32_t> slots) {
  auto& end = header_.region_end;
  while (!slots.empty()) {
    const int32_t slot = *slots.begin();
    const int c = header_.ClassOf(slot);
    if (c == 0) Fault(status::kPageInNoRegion);
    const auto last = static_cast<int32_t>(end[c] - c);
    if (slot != last) {
      if (slots.count(last) != 0) {
        // The last page is going too: the region simply ends before it.
        slots.erase(last);
        end[c] -= c;
        continue;
      }
      mover_(last, slot);
    }
    slots.erase(slot);
    end[c] -= c;
  }
}

bool PageAllocator::RoomBelow(Bounds b, int c, uint32_t need, const Mover* mover) {
  while (b.start[c] - EndBelow(b, c) < need) {
    const int k = c - 1;
    if (k < 1) return false;
    if (b.start[k] == b.end[k]) {
      // An empty region is only a position: move it down to where the gap
      // below region c would begin.
      if (b.start[c] < need) return false;
      const uint32_t target = b.start[c] - need;
      if (target < EndBelow(b, k)) {
        if (!RoomBelow(b, k, b.start[k] - target, mover)) return false;
      }
      b.start[k] = b.end[k] = target;
      continue;
    }
    if (!RoomBelow(b, k, static_cast<uint32_t>(k), mover)) return false;
    // Shift region k down one page: its last page moves below its start.
    if (mover) (*mover)(static_cast<int32_t>(b.end[k] - k), static_cast<int32_t>(b.start[k] - k));
    b.start[k] -= k;
    b.end[k] -= k;
  }
  return true;
}

void PageAllocator::RoomAbove(int c, uint32_t need) {
  auto& start = header_.region_start;
  auto& end = header_.region_end;
  const int k = c + 1;
  if (k > 59) return;
  while (start[k] - end[c] < need) {
    if (start[k] == end[k]) {
      const uint32_t target = end[c] + need;
      RoomAbove(k, target > end[k] ? target - end[k] : 0);
      start[k] = end[k] = target;
      continue;
    }
    RoomAbove(k, static_cast<uint32_t>(k));
    // Rotate region k up one page: its first page moves to its end.
    mover_(static_cast<int32_t>(start[k]), static_cast<int32_t>(end[k]));
    start[k] += k;
    end[k] += k;
  }
}

int32_t PageAllocator::Allocate(int c) {
  auto& start = header_.region_start;
  auto& end = header_.region_end;
  const auto need = static_cast<uint32_t>(c);
  auto trial_start = start;
  auto trial_end = end;
  if (RoomBelow({trial_start.data(), trial_end.data()}, c, need, nullptr)) {
    RoomBelow({start.data(), end.data()}, c, need, &mover_);
    start[c] -= need;
    return static_cast<int32_t>(start[c]);
  }
  RoomAbove(c, need);
  const auto slot = static_cast<int32_t>(end[c]);
  end[c] += need;
  return slot;
}

void PageAllocator::Compact() {
  auto& start = header_.region_start;
  auto& end = header_.region_end;
  for (int c = 2; c <= 59; ++c) {
    const uint32_t pages = header_.PagesIn(c);
    const uint32_t below = end[c - 1];
    if (pages > 1) {
      while (start[c] - end[c - 1] >= static_cast<uint32_t>(c)) {
        mover_(static_cast<int32_t>(end[c] - c), static_cast<int32_t>(start[c] - c));
        start[c] -= c;
        end[c] -= c;
      }
    } else if (pages == 1) {
      if (start[c] != below) mover_(static_cast<int32_t>(start[c]), static_cast<int32_t>(below));
      start[c] = below;
      end[c] = below + c;
    } else {
      start[c] = end[c] = below;
    }
  }
}

}  // namespace vaultara::store
