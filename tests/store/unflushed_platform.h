#pragma once

#include <memory>
#include <string>
#include <utility>

#include "platform/forwarding.h"
#include "platform/platform.h"

namespace vaultara::store {

// The real platform with flushes that do nothing. A test that stops a
// process (rather than the machine) sees the same files either way, since
// the system keeps what was written; skipping the flushes makes a sweep over
// hundreds of stopped runs take seconds instead of minutes on a real disk.
// Everything else passes through.
class UnflushedPlatform : public platform::ForwardingPlatform {
 public:
  using SysError = platform::SysError;

  UnflushedPlatform() : ForwardingPlatform(platform::RealPlatform()) {}

  SysError Open(const std::string& path, platform::OpenMode mode, platform::Disposition disposition,
                std::unique_ptr<platform::File>* file) override {
    const SysError error = ForwardingPlatform::Open(path, mode, disposition, file);
    if (error == platform::syserr::kOk) *file = std::make_unique<UnflushedFile>(std::move(*file));
    return error;
  }

 private:
  class UnflushedFile : public platform::ForwardingFile {
   public:
    using ForwardingFile::ForwardingFile;
    SysError Flush() override { return platform::syserr::kOk; }
  };
};

}  // namespace vaultara::store
