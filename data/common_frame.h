#pragma once

#include <cstdint>
#include <memory>

#include "data/file_control_block.h"
#include "data/file_driver.h"
#include "data/operation_call.h"

namespace vaultara::data {

// The state rules every driver applies around every operation.
//
// Before: CheckPreconditions compares the operation's required and forbidden
// bits with the file's state and answers 0 (go on), an error code, or
// kSilentFailure. In this order: a closed file gives 37; an index declared
// without components that is not built gives 46; other missing bits on a
// closed file are no error; a missing record or sequence gives 33, missing
// exclusive access 63, missing write access 5, anything else fails silently.
// Then a running build gives 92 (except for CLOSE, NAME, GET_PROPERTY,
// BUILDevent, GETPROPERTYkey), a present forbidden bit gives 52 (open), 56
// (in a transaction) or a silent failure. RESET and REGET with a blank
// position give 35. A key argument missing or belonging to another file
// gives 38.
int32_t CheckPreconditions(const OperationCall& call, uint32_t bits);

// After: updates state.bits for call's outcome (call.error), and the built
// mark of dynamic indexes; posts the error (with the file) or clears the
// error state as the operation's actions say; BOF and EOF answer true when
// they fail. Keeps the outcome as state.last_error.
void FinishOperation(OperationCall& call, DriverState& state);

// True for the operations that take a key argument.
bool TakesKey(Op op);

// A driver built on the common frame: Dispatch creates the file's state on
// first use (and its open-file registry entry), checks the preconditions,
// calls Perform, and finishes the operation. DESTROY frees the state.
class FramedDriver : public FileDriver {
 public:
  int32_t Dispatch(OperationCall& call) final;

 protected:
  // Makes the state for a file that has none; nullptr with *error set when
  // the file cannot have one.
  virtual std::unique_ptr<DriverState> CreateState(FileControlBlock& file, int32_t* error) = 0;
  // How the driver's files take part in transactions.
  virtual TransactionAnswers Answers() const { return {}; }
  // Carries out one operation whose preconditions hold: sets call.error,
  // and call.result or call.text_result.
  virtual void Perform(OperationCall& call, DriverState& state) = 0;
};

}  // namespace vaultara::data
