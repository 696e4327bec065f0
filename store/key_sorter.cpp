#include "store/key_sorter.h"

#include <algorithm>
#include <cstring>

#include "store/byte_order.h"

namespace vaultara::store {

// Reads one run back through a small buffer; current() is its smallest
// unread item.
class KeySorter::RunReader {
 public:
  static constexpr size_t kBufferBytes = 16384;

  RunReader(SpillStream& spill, uint64_t start, uint64_t length, size_t item_size)
      : spill_(spill), next_(start), end_(start + length), item_size_(item_size) {}

  // Moves to the next item; false at the end of the run.
  Status Advance(bool* has_item) {
    if (started_) pos_ += item_size_;
    started_ = true;
    if (pos_ >= buffer_.size()) {
      const uint64_t left = end_ - next_;
      const size_t per_read = std::max<size_t>(1, kBufferBytes / item_size_) * item_size_;
      const size_t n = static_cast<size_t>(std::min<uint64_t>(left, per_read));
      buffer_.resize(n);
      pos_ = 0;
      if (n != 0) {
        const Status status = spill_.ReadAt(next_, buffer_.data(), n);
        if (!status.ok()) return status;
        next_ += n;
      }
    }
    *has_item = pos_ + item_size_ <= buffer_.size();
    return Status::Ok();
  }
  const char* current() const { return buffer_.data() + pos_; }

 private:
  SpillStream& spill_;
  uint64_t next_;
  const uint64_t end_;
  const size_t item_size_;
  std::string buffer_;
  size_t pos_ = 0;
  bool started_ = false;
};

KeySorter::KeySorter(platform::Platform& platform, size_t item_size, size_t memory_limit)
    : platform_(platform),
      item_size_(item_size == 0 ? 1 : item_size),
      memory_limit_(memory_limit),
      spill_(platform) {}

KeySorter::~KeySorter() = default;

bool KeySorter::HeapLess(uint32_t a, uint32_t b) const {
  return std::memcmp(arena_.data() + size_t{a} * item_size_, arena_.data() + size_t{b} * item_size_,
                     item_size_) < 0;
}

void KeySorter::PushHeap(std::string_view item) {
  uint32_t slot;
  if (!free_slots_.empty()) {
    slot = free_slots_.back();
    free_slots_.pop_back();
  } else {
    slot = static_cast<uint32_t>(arena_.size() / item_size_);
    arena_.resize(arena_.size() + item_size_);
  }
  std::memcpy(arena_.data() + size_t{slot} * item_size_, item.data(),
              std::min(item.size(), item_size_));
  heap_.push_back(slot);
  // std heaps keep the greatest on top; reversing the order keeps the least.
  std::push_heap(heap_.begin(), heap_.end(),
                 [this](uint32_t a, uint32_t b) { return HeapLess(b, a); });
}

void KeySorter::PopHeap(std::string* item) {
  std::pop_heap(heap_.begin(), heap_.end(),
                [this](uint32_t a, uint32_t b) { return HeapLess(b, a); });
  const uint32_t slot = heap_.back();
  heap_.pop_back();
  item->assign(arena_.data() + size_t{slot} * item_size_, item_size_);
  free_slots_.push_back(slot);
}

Status KeySorter::Add(std::string_view item) {
  PushHeap(item);
  if (heap_.size() >= kMaxHeapItems || heap_.size() * item_size_ > memory_limit_) return WriteRun();
  return Status::Ok();
}

Status KeySorter::WriteRun() {
  if (runs_ >= kMaxRuns) return Status::SystemError(platform::syserr::kNotEnoughMemory);
  uint8_t length[4];
  StoreU32(length, static_cast<uint32_t>(heap_.size() * item_size_));
  Status status = spill_.Append(length, 4);
  std::string item;
  while (status.ok() && !heap_.empty()) {
    PopHeap(&item);
    status = spill_.Append(item.data(), item.size());
  }
  ++runs_;
  heap_.clear();
  free_slots_.clear();
  arena_.clear();
  arena_.shrink_to_fit();
  return status;
}

Status KeySorter::StartMerge() {
  adding_ = false;
  if (runs_ == 0) return Status::Ok();
  if (!heap_.empty()) {
    const Status status = WriteRun();
    if (!status.ok()) return status;
  }
  Status status = spill_.Finish();
  uint64_t at = 0;
  while (status.ok() && at < spill_.size()) {
    uint8_t length[4];
    status = spill_.ReadAt(at, length, 4);
    if (!status.ok()) break;
    const uint32_t bytes = LoadU32(length);
    auto reader = std::make_unique<RunReader>(spill_, at + 4, bytes, item_size_);
    bool has_item = false;
    status = reader->Advance(&has_item);
    if (has_item) merge_.push_back(reader.get());
    readers_.push_back(std::move(reader));
    at += 4 + uint64_t{bytes};
  }
  std::make_heap(merge_.begin(), merge_.end(), [this](RunReader* a, RunReader* b) {
    return std::memcmp(b->current(), a->current(), item_size_) < 0;
  });
  return status;
}

Status KeySorter::Next(std::string* item) {
  item->clear();
  if (adding_) {
    const Status status = StartMerge();
    if (!status.ok()) return status;
  }
  if (runs_ == 0) {
    if (!heap_.empty()) PopHeap(item);
    return Status::Ok();
  }
  if (merge_.empty()) return Status::Ok();
  const auto greater = [this](RunReader* a, RunReader* b) {
    return std::memcmp(b->current(), a->current(), item_size_) < 0;
  };
  std::pop_heap(merge_.begin(), merge_.end(), greater);
  RunReader* reader = merge_.back();
  item->assign(reader->current(), item_size_);
  bool has_item = false;
  const Status status = reader->Advance(&has_item);
  if (has_item) {
    std::push_heap(merge_.begin(), merge_.end(), greater);
  } else {
    merge_.pop_back();
  }
  return status;
}

}  // namespace vaultara::store
