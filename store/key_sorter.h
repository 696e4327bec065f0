#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "store/spill_stream.h"
#include "store/status.h"

namespace vaultara::store {

// Sorts the items of a key build (key value followed by record number, all of
// one length) into ascending unsigned byte order with bounded memory.
//
// Items collect in a min-heap. When the heap holds more than memory_limit
// bytes of items (or kMaxHeapItems items) it is written out as a sorted run,
// its length in bytes (u32 little-endian) and then its items, to a spill
// stream, and emptied. At the end a sorter that never spilled drains its heap;
// otherwise the last heap becomes a run too and the runs are merged through a
// heap of run readers. Small builds therefore never touch the disk, and a
// large one holds about memory_limit bytes of items plus a small buffer per
// run.
class KeySorter {
 public:
  static constexpr size_t kDefaultMemoryLimit = 999999;
  static constexpr size_t kMaxHeapItems = 1073741798;
  // More runs than this are refused rather than merged.
  static constexpr size_t kMaxRuns = 1073741798;

  KeySorter(platform::Platform& platform, size_t item_size,
            size_t memory_limit = kDefaultMemoryLimit);
  ~KeySorter();

  // Adds an item of item_size bytes. Fails only when a run cannot be written.
  Status Add(std::string_view item);
  // Takes the next item in ascending order; *item is empty after the last.
  // The first call ends adding.
  Status Next(std::string* item);

  size_t runs() const { return runs_; }
  bool spilled_to_disk() const { return spill_.on_disk(); }

 private:
  class RunReader;

  bool HeapLess(uint32_t a, uint32_t b) const;
  void PushHeap(std::string_view item);
  void PopHeap(std::string* item);
  Status WriteRun();
  Status StartMerge();

  platform::Platform& platform_;
  const size_t item_size_;
  const size_t memory_limit_;
  std::vector<char> arena_;     // item slots
  std::vector<uint32_t> heap_;  // slot numbers, smallest item on top
  std::vector<uint32_t> free_slots_;
  SpillStream spill_;
  size_t runs_ = 0;
  bool adding_ = true;
  std::vector<std::unique_ptr<RunReader>> readers_;
  std::vector<RunReader*> merge_;  // readers with an item, smallest on top
};

}  // namespace vaultara::store
