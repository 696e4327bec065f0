#pragma once

#include <cstdint>
#include <thread>
#include <vector>

#include "data/file_driver.h"

namespace vaultara::data {

struct FileControlBlock;

// One file that has a driver state: which thread it belongs to (files
// declared per thread have one entry per thread), the access mode it was
// opened with (0 while closed), and how it takes part in transactions.
struct OpenFileEntry {
  FileControlBlock* file = nullptr;
  std::thread::id thread;
  uint32_t access_mode = 0;
  TransactionAnswers answers;
};

// The process-wide list of files with a driver state. Drivers add an entry
// when they create a file's state and remove it when they free it; OPEN and
// SHARE set the access mode, CLOSE sets it back to 0.
class OpenFileRegistry {
 public:
  void Add(FileControlBlock& file, const TransactionAnswers& answers);
  void Remove(const FileControlBlock& file);
  void SetAccessMode(const FileControlBlock& file, uint32_t mode);
  // The entry of file for the calling thread, or nullptr.
  const OpenFileEntry* Find(const FileControlBlock& file) const;

  // Files registered to take part in a LOGOUT that lists no files.
  void SetLogoutCandidate(FileControlBlock& file, bool candidate);
  const std::vector<FileControlBlock*>& LogoutCandidates() const { return candidates_; }

 private:
  OpenFileEntry* FindMutable(const FileControlBlock& file);
  std::vector<OpenFileEntry> entries_;
  std::vector<FileControlBlock*> candidates_;
};

OpenFileRegistry& OpenFiles();

}  // namespace vaultara::data
