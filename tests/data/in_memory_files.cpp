#include "tests/data/in_memory_files.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace vaultara::data {
namespace {

class InMemoryFile : public platform::File {
 public:
  InMemoryFile(std::string path, const std::string& content, size_t max_read)
      : path_(std::move(path)), content_(content), max_read_(max_read) {}

  platform::SysError ReadAt(uint64_t offset, void* buffer, size_t n, size_t* got) override {
    *got = 0;
    if (offset < content_.size()) {
      *got = std::min({n, max_read_, static_cast<size_t>(content_.size() - offset)});
      std::memcpy(buffer, content_.data() + offset, *got);
    }
    return platform::syserr::kOk;
  }
  platform::SysError WriteAt(uint64_t, const void*, size_t, size_t* written) override {
    *written = 0;
    return platform::syserr::kAccessDenied;
  }
  platform::SysError Flush() override { return platform::syserr::kOk; }
  platform::SysError SetEnd(uint64_t) override { return platform::syserr::kAccessDenied; }
  platform::SysError Size(uint64_t* length) override {
    *length = content_.size();
    return platform::syserr::kOk;
  }
  platform::SysError Lock(uint64_t, uint64_t, bool) override {
    return platform::syserr::kNotSupported;
  }
  platform::SysError Unlock(uint64_t, uint64_t) override { return platform::syserr::kNotSupported; }
  const std::string& Path() const override { return path_; }

 private:
  std::string path_;
  const std::string& content_;
  size_t max_read_;
};

}  // namespace

platform::SysError InMemoryFiles::Open(const std::string& path, platform::OpenMode mode,
                                       platform::Disposition disposition,
                                       std::unique_ptr<platform::File>* file) {
  auto it = files.find(path);
  if (it == files.end()) return platform::syserr::kFileNotFound;
  if (mode.access != platform::Access::kRead ||
      disposition != platform::Disposition::kOpenExisting) {
    return platform::syserr::kNotSupported;
  }
  *file = std::make_unique<InMemoryFile>(path, it->second, max_read);
  return platform::syserr::kOk;
}

}  // namespace vaultara::data
