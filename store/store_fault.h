#pragma once

#include <exception>

namespace vaultara::store {

// A structural fault inside the store. It is thrown where the fault is found,
// abandons the operation, and is caught at the store's boundary, where it
// becomes a Status carrying its status number (see status_numbers.h).
class StoreFault : public std::exception {
 public:
  explicit StoreFault(int number) : number_(number) {}
  int number() const { return number_; }
  const char* what() const noexcept override { return "store fault"; }

 private:
  int number_;
};

// Throws StoreFault(number).
[[noreturn]] inline void Fault(int number) { throw StoreFault(number); }

}  // namespace vaultara::store
