#pragma once

#include <utility>

#include "platform/system_error.h"
#include "store/store_fault.h"

namespace vaultara::store {

// The outcome of a store operation as its callers see it. Nothing is thrown
// across the store's boundary: faults, operating-system errors and a file that
// is not a store file all come back as a Status.
class Status {
 public:
  enum class Kind { kOk, kFault, kSystemError, kNotStoreFile };

  Status() = default;
  static Status Ok() { return Status(); }
  // An internal fault with its status number.
  static Status Fault(int number) { return Status(Kind::kFault, number); }
  // An operating-system error (platform numbering).
  static Status SystemError(platform::SysError error) { return Status(Kind::kSystemError, error); }
  // The header is short or does not carry the signature (also: wrong password).
  static Status NotStoreFile() { return Status(Kind::kNotStoreFile, 0); }

  bool ok() const { return kind_ == Kind::kOk; }
  Kind kind() const { return kind_; }
  // The status number of a fault, the error of a system error, else 0.
  int number() const { return number_; }

  bool operator==(const Status&) const = default;

 private:
  Status(Kind kind, int number) : kind_(kind), number_(number) {}
  Kind kind_ = Kind::kOk;
  int number_ = 0;
};

// Runs body, turning a StoreFault it raises into a Status. body returns Status
// or void.
template <typename Body>
Status Guarded(Body&& body) {
  try {
    if constexpr (std::is_void_v<decltype(body())>) {
      std::forward<Body>(body)();
      return Status::Ok();
    } else {
      return std::forward<Body>(body)();
    }
  } catch (const StoreFault& fault) {
    return Status::Fault(fault.number());
  }
}

}  // namespace vaultara::store
