#pragma once

#include <cstdint>
#include <string>

#include "data/operation.h"

namespace vaultara::store {

// The text shown for an internal fault: the replaceable runtime text 4101,
// or "Possible data corruption in file" without one.
std::string FaultMessage();
// The file error text of a fault: the message, or "Zephyron File Driver
// Error" when the message is empty.
std::string FaultFileErrorText();
// What ends the program when a fault is raised outside any operation: the
// message, " (", the status number and ")".
std::string FatalFaultText(int status);

// The internal-fault latch of one open table. Once a structural fault has
// ended an operation the table refuses every operation but CLOSE and NAME
// with error 90, the fault's status number as file error code and the fault
// message as file error text, until CLOSE clears the latch.
class FaultLatch {
 public:
  static constexpr int32_t kError = 90;

  // Latches the fault status, posts its file error code and text (see
  // data/error_state.h) and returns 90 for the operation.
  int32_t Latch(int status);
  // True when op may run; otherwise posts the latched fault as Latch does and
  // sets *error to 90.
  bool Admits(data::Op op, int32_t* error) const;
  void Clear() { status_ = 0; }

  bool latched() const { return status_ != 0; }
  int status() const { return status_; }

 private:
  int status_ = 0;
};

}  // namespace vaultara::store
