#include "store/file_registry.h"

#include <algorithm>

namespace vaultara::store {

namespace {

bool SamePathNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto fold = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; };
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

}  // namespace

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
    if (SamePathNoCase(file->path, full)) return file.get();
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
  Status status =
      StoreFile::Open(platform_, entry->path, mode, disposition, password, &entry->file, locks_);
  if (!status.ok()) return status;
  entry->uses = 1;
  files_.push_back(std::move(entry));
  *out = files_.back().get();
  return Status::Ok();
}

Status FileRegistry::Release(RegisteredFile* file) {
  auto it = std::find_if(files_.begin(), files_.end(),
                         [file](const auto& entry) { return entry.get() == file; });
  if (it == files_.end()) return Status::Ok();
  Status status;
  if (--file->uses > 0) {
    status = file->file->Commit();
  } else {
    status = file->file->Commit();
    if (status.ok()) status = file->file->Truncate();
    files_.erase(it);
  }
  return status;
}

}  // namespace vaultara::store

namespace vaultara::store {

FileRegistry& ProcessFiles() {
  static FileRegistry registry(platform::RealPlatform());
  return registry;
}

}  // namespace vaultara::store
