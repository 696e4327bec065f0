#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/file.h"
#include "platform/local_time.h"
#include "platform/system_error.h"

namespace vaultara::platform {

// The seam between the system and the operating system. The store and the
// drivers receive a Platform and make every file, folder, lock and clock call
// through it; tests hand them another implementation (see FaultInjection).
//
// Paths are Windows-1252 text with "/" separators; the implementation turns
// them into UTF-8 before handing them to the system. Files are created with
// mode 0600.
class Platform {
 public:
  virtual ~Platform() = default;

  virtual SysError Open(const std::string& path, OpenMode mode, Disposition disposition,
                        std::unique_ptr<File>* file) = 0;
  // Creates an empty temporary file (in $TMPDIR, default /tmp) that is removed
  // when it is closed.
  virtual SysError OpenTemporary(std::unique_ptr<File>* file) = 0;

  // Deletes a file. A file that anyone (this process included) has open is
  // in use and is not deleted: kSharingViolation.
  virtual SysError Delete(const std::string& path) = 0;
  // Copies a whole file; fails with kFileExists when fail_if_exists and the
  // target exists. The target is opened deny-all, so a target in use (or a
  // copy onto the source itself) fails with kSharingViolation before anything
  // changes; a copy that fails part-way leaves no target behind.
  virtual SysError Copy(const std::string& from, const std::string& to, bool fail_if_exists) = 0;
  // Renames (moves) a file, across file systems too; the target must not
  // exist (kFileExists), and a source in use is not moved (kSharingViolation).
  virtual SysError Rename(const std::string& from, const std::string& to) = 0;
  virtual bool Exists(const std::string& path) = 0;
  virtual bool IsDirectory(const std::string& path) = 0;

  virtual SysError MakeDirectory(const std::string& path) = 0;
  virtual SysError CurrentDirectory(std::string* path) = 0;
  virtual SysError SetCurrentDirectory(const std::string& path) = 0;

  // Milliseconds since an arbitrary start; wraps around after 2^32.
  virtual uint32_t TickCount() = 0;
  virtual LocalTime Now() = 0;

  // A named point in a multi-step operation (for example between the two
  // phases of a commit). The real platform does nothing; a test platform may
  // end the process there to simulate a crash.
  virtual void Checkpoint(const char* name) { (void)name; }
};

// The real implementation over POSIX calls. Lives for the whole process.
Platform& RealPlatform();

}  // namespace vaultara::platform
