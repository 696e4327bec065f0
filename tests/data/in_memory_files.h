#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "platform/platform.h"

namespace vaultara::data {

// A Platform whose files are strings held in memory, for reading
// configuration files without touching the disk. Only opening existing files
// for reading is offered; every other call fails with kNotSupported.
class InMemoryFiles : public platform::Platform {
 public:
  std::map<std::string, std::string> files;
  // Bytes handed out by one read at most (to cut reads short on purpose).
  size_t max_read = SIZE_MAX;

  platform::SysError Open(const std::string& path, platform::OpenMode mode,
                          platform::Disposition disposition,
                          std::unique_ptr<platform::File>* file) override;
  platform::SysError OpenTemporary(std::unique_ptr<platform::File>*) override {
    return platform::syserr::kNotSupported;
  }
  platform::SysError Delete(const std::string&) override { return platform::syserr::kNotSupported; }
  platform::SysError Copy(const std::string&, const std::string&, bool) override {
    return platform::syserr::kNotSupported;
  }
  platform::SysError Rename(const std::string&, const std::string&) override {
    return platform::syserr::kNotSupported;
  }
  bool Exists(const std::string& path) override { return files.count(path) != 0; }
  bool IsDirectory(const std::string&) override { return false; }
  platform::SysError MakeDirectory(const std::string&) override {
    return platform::syserr::kNotSupported;
  }
  platform::SysError CurrentDirectory(std::string*) override {
    return platform::syserr::kNotSupported;
  }
  platform::SysError SetCurrentDirectory(const std::string&) override {
    return platform::syserr::kNotSupported;
  }
  uint32_t TickCount() override { return 0; }
  platform::LocalTime Now() override { return {}; }
};

}  // namespace vaultara::data
