#include "store/file_registry.h"

#include <algorithm>

#include "store/commit_policy.h"

namespace vaultara::store {

std::string FileRegistry::FullPath(const std::string& path) const {
  if (!path.empty() && path.front() == '/') return path;
  std::string folder;
  if (platform_.CurrentDirectory(&folder) != platform::syserr::kOk || folder.empty()) return path;
  if (folder.back() != '/') folder += '/';
  return folder + path;
}

RegisteredFile* FileRegistry::Find(const std::string& path) {
  const std::string full = FullPath(path);
  for (auto& file : files_) {
    if (file->path == full) return file.get();
  }
  return nullptr;
}

Status FileRegistry::Acquire(const std::string& path, platform::OpenMode mode,
                             platform::Disposition disposition, std::string_view password,
                             RegisteredFile** out) {
  if (RegisteredFile* open = Find(path)) {
    ++open->uses;
    *out = open;
    return Status::Ok();
  }
  auto entry = std::make_unique<RegisteredFile>();
  entry->path = FullPath(path);
  entry->mode = mode;
  entry->locks = std::make_unique<FileLocks>(platform_, mode.share);
  Status status = StoreFile::Open(platform_, entry->path, mode, disposition, password, &entry->file,
                                  *entry->locks);
  if (!status.ok()) return status;
  entry->uses = 1;
  files_.push_back(std::move(entry));
  *out = files_.back().get();
  return Status::Ok();
}

Status FileRegistry::Release(RegisteredFile* file) {
  if (std::none_of(files_.begin(), files_.end(),
                   [file](const auto& entry) { return entry.get() == file; })) {
    return Status::Ok();
  }
  if (file->uses > 0) --file->uses;
  // In a transaction this neither commits nor closes.
  Status status = FlushDeferred(*file->file);
  if (file->uses > 0 || file->file->in_transaction()) return status;
  const Status closed = Close(file, status.ok());
  return status.ok() ? closed : status;
}

void FileRegistry::ReleaseAfterFault(RegisteredFile* file, uint32_t table) {
  file->file->Discard();
  file->locks->ReleaseHold(table, nullptr);
  if (file->uses > 0) --file->uses;
  if (file->uses == 0 && !file->file->in_transaction()) Close(file, false);
}

Status FileRegistry::CloseUnused() {
  Status first;
  std::vector<RegisteredFile*> unused;
  for (auto& entry : files_) {
    if (entry->uses == 0 && !entry->file->in_transaction()) unused.push_back(entry.get());
  }
  for (RegisteredFile* file : unused) {
    Status status = FlushDeferred(*file->file);
    const Status closed = Close(file, status.ok());
    if (status.ok()) status = closed;
    if (first.ok()) first = status;
  }
  return first;
}

Status FileRegistry::Close(RegisteredFile* file, bool cut) {
  const Status status = cut ? file->file->Truncate() : Status::Ok();
  files_.erase(std::find_if(files_.begin(), files_.end(),
                            [file](const auto& entry) { return entry.get() == file; }));
  return status;
}

FileRegistry& ProcessFiles() {
  static FileRegistry registry(platform::RealPlatform());
  return registry;
}

}  // namespace vaultara::store
