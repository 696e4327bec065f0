#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <limits>
#include <optional>
#include <vector>

#include "platform/byte_range_lock.h"
#include "platform/code_page.h"
#include "platform/platform.h"
#include "platform/share_mode.h"

namespace vaultara::platform {
namespace {

constexpr mode_t kFileMode = 0600;
constexpr mode_t kDirectoryMode = 0700;
constexpr uint64_t kMaxOffset = std::numeric_limits<int64_t>::max();
constexpr size_t kCopyBufferSize = 64 * 1024;

// The system's form of a path: UTF-8. A NUL inside the name is refused.
SysError NativePath(const std::string& path, std::string* native) {
  if (path.find('\0') != std::string::npos) return syserr::kInvalidName;
  *native = Utf8FromWindows1252(path);
  return syserr::kOk;
}

// Turns a failure of a call on a path into an error number. A missing file
// whose folder is missing too is a missing path, which callers tell apart.
SysError PathError(int errno_value, const std::string& native) {
  if (errno_value != ENOENT) return FromErrno(errno_value);
  const size_t slash = native.find_last_of('/');
  if (slash == std::string::npos) return syserr::kFileNotFound;
  const std::string folder = slash == 0 ? "/" : native.substr(0, slash);
  struct stat info;
  if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return syserr::kPathNotFound;
  return syserr::kFileNotFound;
}

void CloseDescriptor(int fd) {
  // After close the descriptor is gone even when it reports EINTR; retrying
  // could close a descriptor another thread just opened.
  close(fd);
}

struct Descriptor {
  int fd = -1;
  LockAbility ability;
};

// Opens a descriptor for the given access. It asks for reading and writing
// whenever the file allows it, because a lock needs a descriptor of the
// matching kind: a reader must be able to take exclusive locks (the store's
// readers do) and to hold the gate of the sharing marks. What the opener may
// really do is checked by the File itself.
SysError OpenDescriptor(const std::string& native, Access access, int create_flags,
                        Descriptor* out) {
  const int common = O_CLOEXEC | create_flags;
  int fd;
  do {
    fd = open(native.c_str(), O_RDWR | common, kFileMode);
  } while (fd < 0 && errno == EINTR);
  if (fd >= 0) {
    *out = {fd, {true, true}};
  } else {
    const int first_error = errno;
    if (access == Access::kReadWrite ||
        (first_error != EACCES && first_error != EPERM && first_error != EROFS &&
         first_error != ETXTBSY && first_error != EISDIR)) {
      return PathError(first_error, native);
    }
    const bool reads = access == Access::kRead;
    do {
      fd = open(native.c_str(), (reads ? O_RDONLY : O_WRONLY) | common, kFileMode);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return PathError(errno, native);
    *out = {fd, {reads, !reads}};
  }
  struct stat info;
  if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    CloseDescriptor(fd);
    return syserr::kAccessDenied;  // a folder is not a file
  }
  return syserr::kOk;
}

class PosixFile : public File {
 public:
  PosixFile(int fd, std::string path, Access access)
      : fd_(fd), path_(std::move(path)), access_(access) {}
  ~PosixFile() override { CloseDescriptor(fd_); }

  SysError ReadAt(uint64_t offset, void* buffer, size_t n, size_t* got) override {
    *got = 0;
    if (access_ == Access::kWrite) return syserr::kAccessDenied;
    if (offset > kMaxOffset || n > kMaxOffset - offset) return syserr::kInvalidParameter;
    char* out = static_cast<char*>(buffer);
    while (*got < n) {
      const ssize_t r = pread(fd_, out + *got, n - *got, static_cast<off_t>(offset + *got));
      if (r < 0) {
        if (errno == EINTR) continue;
        return FromErrno(errno);
      }
      if (r == 0) break;  // end of file
      *got += static_cast<size_t>(r);
    }
    return syserr::kOk;
  }

  SysError WriteAt(uint64_t offset, const void* buffer, size_t n, size_t* written) override {
    *written = 0;
    if (access_ == Access::kRead) return syserr::kAccessDenied;
    if (offset > kMaxOffset || n > kMaxOffset - offset) return syserr::kInvalidParameter;
    const char* in = static_cast<const char*>(buffer);
    while (*written < n) {
      const ssize_t w =
          pwrite(fd_, in + *written, n - *written, static_cast<off_t>(offset + *written));
      if (w < 0) {
        if (errno == EINTR) continue;
        return FromErrno(errno);
      }
      if (w == 0) return syserr::kDiskFull;
      *written += static_cast<size_t>(w);
    }
    return syserr::kOk;
  }

  SysError Flush() override {
    if (fsync(fd_) != 0) return FromErrno(errno);
    return syserr::kOk;
  }

  SysError SetEnd(uint64_t length) override {
    if (access_ == Access::kRead) return syserr::kAccessDenied;
    if (length > kMaxOffset) return syserr::kInvalidParameter;
    int result;
    do {
      result = ftruncate(fd_, static_cast<off_t>(length));
    } while (result != 0 && errno == EINTR);
    return result == 0 ? syserr::kOk : FromErrno(errno);
  }

  SysError Size(uint64_t* length) override {
    struct stat info;
    if (fstat(fd_, &info) != 0) return FromErrno(errno);
    *length = static_cast<uint64_t>(info.st_size);
    return syserr::kOk;
  }

  SysError Lock(uint64_t offset, uint64_t length, bool exclusive) override {
    if (!OutsideShareArea(offset, length)) return syserr::kInvalidParameter;
    return TryLockRange(fd_, offset, length, exclusive);
  }

  SysError Unlock(uint64_t offset, uint64_t length) override {
    if (!OutsideShareArea(offset, length)) return syserr::kInvalidParameter;
    return UnlockRange(fd_, offset, length);
  }

  const std::string& Path() const override { return path_; }

 private:
  static bool OutsideShareArea(uint64_t offset, uint64_t length) {
    return offset < kShareAreaStart && length <= kShareAreaStart - offset;
  }

  int fd_;
  std::string path_;
  Access access_;
};

class PosixPlatform : public Platform {
 public:
  SysError Open(const std::string& path, OpenMode mode, Disposition disposition,
                std::unique_ptr<File>* file) override {
    file->reset();
    std::string native;
    SysError error = NativePath(path, &native);
    if (error != syserr::kOk) return error;
    int create_flags = 0;
    switch (disposition) {
      case Disposition::kOpenExisting:
        break;
      case Disposition::kOpenOrCreate:
      case Disposition::kCreateAlways:
        create_flags = O_CREAT;
        break;
      case Disposition::kCreateNew:
        create_flags = O_CREAT | O_EXCL;
        break;
    }
    Descriptor d;
    error = OpenDescriptor(native, mode.access, create_flags, &d);
    if (error != syserr::kOk) return error;
    auto opened = std::make_unique<PosixFile>(d.fd, path, mode.access);
    // Sharing is settled before anything changes, so that a refused opener
    // cannot cut a file that someone else keeps.
    error = ReserveSharing(d.fd, d.ability, mode);
    if (error != syserr::kOk) return error;
    if (disposition == Disposition::kCreateAlways) {
      uint64_t size = 0;
      error = opened->Size(&size);
      if (error == syserr::kOk && size != 0) {
        error = d.ability.writable ? opened->SetEnd(0) : syserr::kAccessDenied;
      }
      if (error != syserr::kOk) return error;
    }
    *file = std::move(opened);
    return syserr::kOk;
  }

  SysError OpenTemporary(std::unique_ptr<File>* file) override {
    file->reset();
    const char* folder = getenv("TMPDIR");
    std::string name = (folder != nullptr && folder[0] != '\0') ? folder : "/tmp";
    name += "/vaultara-XXXXXX";
    std::vector<char> buffer(name.begin(), name.end());
    buffer.push_back('\0');
    const int fd = mkostemp(buffer.data(), O_CLOEXEC);  // mode 0600
    if (fd < 0) return PathError(errno, name);
    unlink(buffer.data());  // gone from the folder; lives until closed
    const std::string native(buffer.data());
    std::optional<std::string> path = Windows1252FromUtf8(native);
    *file = std::make_unique<PosixFile>(fd, path ? *path : native, Access::kReadWrite);
    return syserr::kOk;
  }

  SysError Delete(const std::string& path) override {
    std::string native;
    SysError error = NativePath(path, &native);
    if (error != syserr::kOk) return error;
    return UnlessOpen(native, [&] {
      if (unlink(native.c_str()) != 0) return PathError(errno, native);
      return syserr::kOk;
    });
  }

  SysError Copy(const std::string& from, const std::string& to, bool fail_if_exists) override {
    std::unique_ptr<File> source;
    SysError error =
        Open(from, {Access::kRead, Share::kDenyNone}, Disposition::kOpenExisting, &source);
    if (error != syserr::kOk) return error;
    std::unique_ptr<File> target;
    error = Open(to, {Access::kWrite, Share::kDenyAll},
                 fail_if_exists ? Disposition::kCreateNew : Disposition::kCreateAlways, &target);
    if (error != syserr::kOk) return error;
    error = CopyContents(source.get(), target.get());
    if (error == syserr::kOk) error = target->Flush();
    if (error != syserr::kOk) {
      target.reset();
      Delete(to);  // leave no half-made copy behind
    }
    return error;
  }

  SysError Rename(const std::string& from, const std::string& to) override {
    std::string native_from;
    std::string native_to;
    SysError error = NativePath(from, &native_from);
    if (error == syserr::kOk) error = NativePath(to, &native_to);
    if (error != syserr::kOk) return error;
    bool other_device = false;
    error = UnlessOpen(native_from, [&] {
      if (renameat2(AT_FDCWD, native_from.c_str(), AT_FDCWD, native_to.c_str(), RENAME_NOREPLACE) ==
          0) {
        return syserr::kOk;
      }
      if (errno == EINVAL || errno == ENOSYS) {  // the file system cannot refuse to replace
        struct stat info;
        if (lstat(native_to.c_str(), &info) == 0) return syserr::kFileExists;
        if (rename(native_from.c_str(), native_to.c_str()) == 0) return syserr::kOk;
      }
      const int failure = errno;
      other_device = failure == EXDEV;
      struct stat info;
      const bool source_exists = lstat(native_from.c_str(), &info) == 0;
      return PathError(failure, failure == ENOENT && source_exists ? native_to : native_from);
    });
    if (other_device) {  // a move to another file system is a copy and a delete
      error = Copy(from, to, /*fail_if_exists=*/true);
      if (error == syserr::kOk) error = Delete(from);
    }
    return error;
  }

  bool Exists(const std::string& path) override {
    struct stat info;
    return Stat(path, &info);
  }

  bool IsDirectory(const std::string& path) override {
    struct stat info;
    return Stat(path, &info) && S_ISDIR(info.st_mode);
  }

  SysError MakeDirectory(const std::string& path) override {
    std::string native;
    const SysError error = NativePath(path, &native);
    if (error != syserr::kOk) return error;
    if (mkdir(native.c_str(), kDirectoryMode) != 0) return PathError(errno, native);
    return syserr::kOk;
  }

  SysError CurrentDirectory(std::string* path) override {
    std::vector<char> buffer(256);
    while (getcwd(buffer.data(), buffer.size()) == nullptr) {
      if (errno != ERANGE) return FromErrno(errno);
      buffer.resize(buffer.size() * 2);
    }
    std::optional<std::string> converted = Windows1252FromUtf8(buffer.data());
    if (!converted) return syserr::kInvalidName;  // not expressible in our characters
    *path = std::move(*converted);
    return syserr::kOk;
  }

  SysError SetCurrentDirectory(const std::string& path) override {
    std::string native;
    const SysError error = NativePath(path, &native);
    if (error != syserr::kOk) return error;
    if (chdir(native.c_str()) != 0) return PathError(errno, native);
    return syserr::kOk;
  }

  uint32_t TickCount() override {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
  }

  LocalTime Now() override {
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    struct tm parts;
    localtime_r(&now.tv_sec, &parts);
    LocalTime result;
    result.year = parts.tm_year + 1900;
    result.month = parts.tm_mon + 1;
    result.day = parts.tm_mday;
    result.day_of_week = parts.tm_wday;
    result.hour = parts.tm_hour;
    result.minute = parts.tm_min;
    result.second = parts.tm_sec < 60 ? parts.tm_sec : 59;  // a leap second
    result.millisecond = static_cast<int>(now.tv_nsec / 1000000);
    return result;
  }

 private:
  static SysError CopyContents(File* source, File* target) {
    std::vector<char> buffer(kCopyBufferSize);
    uint64_t offset = 0;
    for (;;) {
      size_t got = 0;
      SysError error = source->ReadAt(offset, buffer.data(), buffer.size(), &got);
      if (error != syserr::kOk || got == 0) return error;
      size_t written = 0;
      error = target->WriteAt(offset, buffer.data(), got, &written);
      if (error != syserr::kOk) return error;
      offset += got;
    }
  }

  // A file in use may not be deleted or renamed: action runs only while no
  // one has the file open. A file this process cannot open for looking runs
  // the action unchecked and leaves the verdict to the system.
  static SysError UnlessOpen(const std::string& native, const std::function<SysError()>& action) {
    Descriptor d;
    if (OpenDescriptor(native, Access::kRead, 0, &d) != syserr::kOk) return action();
    const SysError error = WhileUnopened(d.fd, d.ability, action);
    CloseDescriptor(d.fd);
    return error;
  }

  bool Stat(const std::string& path, struct stat* info) {
    std::string native;
    return NativePath(path, &native) == syserr::kOk && stat(native.c_str(), info) == 0;
  }
};

}  // namespace

Platform& RealPlatform() {
  static PosixPlatform* const platform = new PosixPlatform;  // never destroyed
  return *platform;
}

}  // namespace vaultara::platform
