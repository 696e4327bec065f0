#include "data/file_control_block.h"

namespace vaultara::data {

FileControlBlock::~FileControlBlock() = default;

KeyControlBlock& FileControlBlock::AddKey(std::string label, uint32_t flags,
                                          std::vector<int32_t> components,
                                          std::string external_name) {
  auto key = std::make_unique<KeyControlBlock>();
  key->label = std::move(label);
  key->external_name = std::move(external_name);
  key->flags = flags;
  key->components = std::move(components);
  key->file = this;
  keys.push_back(std::move(key));
  return *keys.back();
}

MemoControlBlock& FileControlBlock::AddMemo(std::string label, uint32_t size, uint8_t flags,
                                            std::string external_name) {
  auto memo = std::make_unique<MemoControlBlock>();
  memo->label = std::move(label);
  memo->external_name = std::move(external_name);
  memo->flags = flags;
  memo->size = size;
  memos.push_back(std::move(memo));
  return *memos.back();
}

std::thread::id FileControlBlock::StateSlot() const {
  // Files declared per thread have one state per thread; the others share the
  // default slot.
  return HasAttribute(attribute::kThread) ? std::this_thread::get_id() : std::thread::id();
}

DriverState* FileControlBlock::state() const {
  auto it = states_.find(StateSlot());
  return it == states_.end() ? nullptr : it->second.get();
}

void FileControlBlock::set_state(std::unique_ptr<DriverState> state) {
  if (state) {
    states_[StateSlot()] = std::move(state);
  } else {
    states_.erase(StateSlot());
  }
}

int32_t FileControlBlock::KeyNumber(const KeyControlBlock* key) const {
  for (size_t i = 0; i < keys.size(); ++i) {
    if (keys[i].get() == key) return static_cast<int32_t>(i + 1);
  }
  return 0;
}

}  // namespace vaultara::data
