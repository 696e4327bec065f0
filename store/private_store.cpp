#include "store/private_store.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace vaultara::store {

namespace {

using platform::SysError;
namespace syserr = platform::syserr;

// A file held in a byte string. Locks always succeed: nobody else can see it.
class MemoryFile : public platform::File {
 public:
  SysError ReadAt(uint64_t offset, void* buffer, size_t n, size_t* got) override {
    *got = 0;
    if (offset < bytes_.size()) {
      *got = static_cast<size_t>(std::min<uint64_t>(n, bytes_.size() - offset));
      std::memcpy(buffer, bytes_.data() + offset, *got);
    }
    return syserr::kOk;
  }
  SysError WriteAt(uint64_t offset, const void* buffer, size_t n, size_t* written) override {
    if (offset + n > bytes_.size()) bytes_.resize(static_cast<size_t>(offset + n), '\0');
    std::memcpy(bytes_.data() + offset, buffer, n);
    *written = n;
    return syserr::kOk;
  }
  SysError Flush() override { return syserr::kOk; }
  SysError SetEnd(uint64_t length) override {
    bytes_.resize(static_cast<size_t>(length), '\0');
    return syserr::kOk;
  }
  SysError Size(uint64_t* length) override {
    *length = bytes_.size();
    return syserr::kOk;
  }
  SysError Lock(uint64_t, uint64_t, bool) override { return syserr::kOk; }
  SysError Unlock(uint64_t, uint64_t) override { return syserr::kOk; }
  const std::string& Path() const override { return path_; }

 private:
  std::string bytes_;
  std::string path_ = "private";
};

}  // namespace

// Hands out the one memory file a private store is opened on; every other
// call is refused or answered trivially.
class PrivateStore::MemoryPlatform : public platform::Platform {
 public:
  SysError Open(const std::string&, platform::OpenMode, platform::Disposition,
                std::unique_ptr<platform::File>* file) override {
    *file = std::make_unique<MemoryFile>();
    return syserr::kOk;
  }
  SysError OpenTemporary(std::unique_ptr<platform::File>* file) override {
    *file = std::make_unique<MemoryFile>();
    return syserr::kOk;
  }
  SysError Delete(const std::string&) override { return syserr::kAccessDenied; }
  SysError Copy(const std::string&, const std::string&, bool) override {
    return syserr::kAccessDenied;
  }
  SysError Rename(const std::string&, const std::string&) override { return syserr::kAccessDenied; }
  bool Exists(const std::string&) override { return false; }
  bool IsDirectory(const std::string&) override { return false; }
  SysError MakeDirectory(const std::string&) override { return syserr::kAccessDenied; }
  SysError CurrentDirectory(std::string* path) override {
    path->clear();
    return syserr::kOk;
  }
  SysError SetCurrentDirectory(const std::string&) override { return syserr::kAccessDenied; }
  uint32_t TickCount() override { return platform::RealPlatform().TickCount(); }
  platform::LocalTime Now() override { return platform::RealPlatform().Now(); }
};

PrivateStore::PrivateStore() : platform_(std::make_unique<MemoryPlatform>()) {}
PrivateStore::~PrivateStore() = default;

Status PrivateStore::Create(std::unique_ptr<PrivateStore>* store) {
  std::unique_ptr<PrivateStore> made(new PrivateStore());
  const Status status = StoreFile::Open(*made->platform_, "private",
                                        {platform::Access::kReadWrite, platform::Share::kDenyAll},
                                        platform::Disposition::kCreateAlways, "", &made->file_);
  if (status.ok()) *store = std::move(made);
  return status;
}

}  // namespace vaultara::store
