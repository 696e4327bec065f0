#include "store/error_code_of.h"

#include "data/error_texts.h"
#include "platform/system_error.h"

namespace vaultara::store {

int32_t ErrorCodeOf(const Status& status) {
  namespace err = data::err;
  switch (status.kind()) {
    case Status::Kind::kOk:
      return err::kNone;
    case Status::Kind::kNotStoreFile:
      return err::kInvalidDataFile;
    case Status::Kind::kFault:
      return err::kFileSystemError;
    case Status::Kind::kSystemError:
      switch (status.number()) {
        case platform::syserr::kFileNotFound:
          return err::kFileNotFound;
        case platform::syserr::kPathNotFound:
          return err::kPathNotFound;
        case platform::syserr::kTooManyOpenFiles:
          return err::kTooManyOpenFiles;
        case platform::syserr::kAccessDenied:
        case platform::syserr::kSharingViolation:
        case platform::syserr::kLockViolation:
          return err::kAccessDenied;
        default:
          return err::kFileSystemError;
      }
  }
  return err::kFileSystemError;
}

}  // namespace vaultara::store
