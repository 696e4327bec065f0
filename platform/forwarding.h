#pragma once

#include <memory>
#include <string>
#include <utility>

#include "platform/platform.h"

namespace vaultara::platform {

// A file that passes every call to the file it wraps. Decorators (fault
// injection, test doubles) derive from it and override only what they change.
class ForwardingFile : public File {
 public:
  explicit ForwardingFile(std::unique_ptr<File> base) : base_(std::move(base)) {}

  SysError ReadAt(uint64_t offset, void* buffer, size_t n, size_t* got) override {
    return base_->ReadAt(offset, buffer, n, got);
  }
  SysError WriteAt(uint64_t offset, const void* buffer, size_t n, size_t* written) override {
    return base_->WriteAt(offset, buffer, n, written);
  }
  SysError Flush() override { return base_->Flush(); }
  SysError SetEnd(uint64_t length) override { return base_->SetEnd(length); }
  SysError Size(uint64_t* length) override { return base_->Size(length); }
  SysError Lock(uint64_t offset, uint64_t length, bool exclusive) override {
    return base_->Lock(offset, length, exclusive);
  }
  SysError Unlock(uint64_t offset, uint64_t length) override {
    return base_->Unlock(offset, length);
  }
  const std::string& Path() const override { return base_->Path(); }

 protected:
  File& base() { return *base_; }

 private:
  std::unique_ptr<File> base_;
};

// A platform that passes every call to the platform it wraps (which must
// outlive it). Decorators derive from it and override only what they change.
class ForwardingPlatform : public Platform {
 public:
  explicit ForwardingPlatform(Platform& base) : base_(base) {}

  SysError Open(const std::string& path, OpenMode mode, Disposition disposition,
                std::unique_ptr<File>* file) override {
    return base_.Open(path, mode, disposition, file);
  }
  SysError OpenTemporary(std::unique_ptr<File>* file) override { return base_.OpenTemporary(file); }
  SysError Delete(const std::string& path) override { return base_.Delete(path); }
  SysError Copy(const std::string& from, const std::string& to, bool fail_if_exists) override {
    return base_.Copy(from, to, fail_if_exists);
  }
  SysError Rename(const std::string& from, const std::string& to) override {
    return base_.Rename(from, to);
  }
  bool Exists(const std::string& path) override { return base_.Exists(path); }
  bool IsDirectory(const std::string& path) override { return base_.IsDirectory(path); }
  SysError MakeDirectory(const std::string& path) override { return base_.MakeDirectory(path); }
  SysError CurrentDirectory(std::string* path) override { return base_.CurrentDirectory(path); }
  SysError SetCurrentDirectory(const std::string& path) override {
    return base_.SetCurrentDirectory(path);
  }
  uint32_t TickCount() override { return base_.TickCount(); }
  LocalTime Now() override { return base_.Now(); }
  void Checkpoint(const char* name) override { base_.Checkpoint(name); }

 protected:
  Platform& base() { return base_; }

 private:
  Platform& base_;
};

}  // namespace vaultara::platform
