#pragma once

#include <cstdint>
#include <string>

#include "data/operation.h"

namespace vaultara::store {

// How an internal fault reaches the program. A structural fault ends its
// operation with error 90 "File System Error", the fault's status number (in
// decimal) as file error code and the fault message as file error text; the
// table keeps the number latched (TableHandle::fault_status) and refuses
// every operation but CLOSE and NAME the same way until CLOSE, which gives
// back the file's locks instead of committing and clears the latch.

inline constexpr int32_t kFaultError = 90;

// The text shown for an internal fault: the replaceable runtime text 4101,
// or "Possible data corruption in file" without one.
std::string FaultMessage();
// The file error text of a fault: the message, or "Zephyron File Driver
// Error" when the message is empty.
std::string FaultFileErrorText();
// What ends the program when a fault is raised outside any operation: the
// message, " (", the status number and ")".
std::string FatalFaultText(int status);

// Posts the file error code and text of fault status (data/error_state.h)
// and returns 90.
int32_t ReportFault(int status);
// For an operation op on a table whose latched fault is latched (0: none):
// true when op may run; otherwise reports the latched fault and sets *error
// to 90.
bool AdmittedAfterFault(int latched, data::Op op, int32_t* error);

}  // namespace vaultara::store
