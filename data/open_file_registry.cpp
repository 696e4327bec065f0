#include "data/open_file_registry.h"

#include <algorithm>

#include "data/file_control_block.h"

namespace vaultara::data {
namespace {

std::thread::id ThreadOf(const FileControlBlock& file) {
  return file.HasAttribute(attribute::kThread) ? std::this_thread::get_id() : std::thread::id();
}

}  // namespace

void OpenFileRegistry::Add(FileControlBlock& file, const TransactionAnswers& answers) {
  if (OpenFileEntry* e = FindMutable(file)) {
    e->answers = answers;
    return;
  }
  entries_.push_back({&file, ThreadOf(file), 0, answers});
}

void OpenFileRegistry::Remove(const FileControlBlock& file) {
  std::thread::id thread = ThreadOf(file);
  std::erase_if(entries_,
                [&](const OpenFileEntry& e) { return e.file == &file && e.thread == thread; });
  std::erase_if(candidates_, [&](const FileControlBlock* f) { return f == &file; });
}

void OpenFileRegistry::SetAccessMode(const FileControlBlock& file, uint32_t mode) {
  if (OpenFileEntry* e = FindMutable(file)) e->access_mode = mode;
}

const OpenFileEntry* OpenFileRegistry::Find(const FileControlBlock& file) const {
  std::thread::id thread = ThreadOf(file);
  for (const OpenFileEntry& e : entries_) {
    if (e.file == &file && e.thread == thread) return &e;
  }
  return nullptr;
}

OpenFileEntry* OpenFileRegistry::FindMutable(const FileControlBlock& file) {
  return const_cast<OpenFileEntry*>(Find(file));
}

void OpenFileRegistry::SetLogoutCandidate(FileControlBlock& file, bool candidate) {
  auto it = std::find(candidates_.begin(), candidates_.end(), &file);
  if (candidate && it == candidates_.end()) candidates_.push_back(&file);
  if (!candidate && it != candidates_.end()) candidates_.erase(it);
}

OpenFileRegistry& OpenFiles() {
  static OpenFileRegistry registry;
  return registry;
}

}  // namespace vaultara::data
