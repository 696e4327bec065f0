#pragma once

#include <memory>
#include <string>
#include <utility>

#include "platform/platform.h"

namespace vaultara::store {

// The real platform with flushes that do nothing. A test that stops a
// process (rather than the machine) sees the same files either way, since
// the system keeps what was written; skipping the flushes makes a sweep over
// hundreds of stopped runs take seconds instead of minutes on a real disk.
// Everything else passes through.
class UnflushedPlatform : public platform::Platform {
 public:
  using SysError = platform::SysError;

  SysError Open(const std::string& path, platform::OpenMode mode, platform::Disposition disposition,
                std::unique_ptr<platform::File>* file) override {
    const SysError error = base_.Open(path, mode, disposition, file);
    if (error == platform::syserr::kOk) *file = std::make_unique<UnflushedFile>(std::move(*file));
    return error;
  }
  SysError OpenTemporary(std::unique_ptr<platform::File>* file) override {
    return base_.OpenTemporary(file);
  }
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
  platform::LocalTime Now() override { return base_.Now(); }

 private:
  class UnflushedFile : public platform::File {
   public:
    explicit UnflushedFile(std::unique_ptr<platform::File> file) : file_(std::move(file)) {}
    SysError ReadAt(uint64_t offset, void* buffer, size_t n, size_t* got) override {
      return file_->ReadAt(offset, buffer, n, got);
    }
    SysError WriteAt(uint64_t offset, const void* buffer, size_t n, size_t* written) override {
      return file_->WriteAt(offset, buffer, n, written);
    }
    SysError Flush() override { return platform::syserr::kOk; }
    SysError SetEnd(uint64_t length) override { return file_->SetEnd(length); }
    SysError Size(uint64_t* length) override { return file_->Size(length); }
    SysError Lock(uint64_t offset, uint64_t length, bool exclusive) override {
      return file_->Lock(offset, length, exclusive);
    }
    SysError Unlock(uint64_t offset, uint64_t length) override {
      return file_->Unlock(offset, length);
    }
    const std::string& Path() const override { return file_->Path(); }

   private:
    std::unique_ptr<platform::File> file_;
  };

  platform::Platform& base_ = platform::RealPlatform();
};

}  // namespace vaultara::store
