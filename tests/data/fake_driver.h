#pragma once

#include <map>
#include <vector>

#include "data/common_frame.h"
#include "data/file_control_block.h"
#include "data/state_bits.h"

namespace vaultara::data::testing {

// A driver that does nothing but the common frame: it records the operations
// it was asked to perform and answers with the errors a test sets up.
class FakeDriver : public FramedDriver {
 public:
  FakeDriver() {
    registration_.name = "FAKE";
    answers_ = {true, true, true, false, false};
  }

  const DriverRegistration& Registration() const override { return registration_; }

  std::map<Op, int32_t> errors;  // outcome per operation (default 0)
  std::vector<Op> performed;
  int32_t eof_answer = 0;
  TransactionAnswers answers_;

 protected:
  std::unique_ptr<DriverState> CreateState(FileControlBlock&, int32_t*) override {
    return std::make_unique<DriverState>();
  }
  TransactionAnswers Answers() const override { return answers_; }
  void Perform(OperationCall& call, DriverState& state) override {
    performed.push_back(call.op);
    auto it = errors.find(call.op);
    call.error = it == errors.end() ? 0 : it->second;
    if (call.error != 0) return;
    switch (call.op) {
      case Op::kOpen:
      case Op::kShare:
        if ((call.access_mode & 3) != 0) state.bits |= state::kWriteAccess;
        if (call.access_mode & 0x30) state.bits |= state::kExclusiveAccess;
        break;
      case Op::kEof:
      case Op::kBof:
        call.result = eof_answer;
        break;
      case Op::kName:
        call.text_result = "fake";
        break;
      case Op::kRecordsFile:
        call.result = 7;
        break;
      default:
        break;
    }
  }

 private:
  DriverRegistration registration_;
};

// A file of the fake driver with one key and one index declared without
// components.
struct FakeFile {
  FakeDriver driver;
  FileControlBlock file;
  KeyControlBlock* key;
  KeyControlBlock* index;
  char record[8] = {};

  FakeFile() {
    file.driver = &driver;
    file.record = record;
    file.record_length = sizeof(record);
    key = &file.AddKey("F:KEY", 0, {1});
    index = &file.AddKey("F:INDEX", key_flag::kIndex, {});
  }
  ~FakeFile() {
    if (file.state()) {
      OperationCall call;
      call.op = Op::kDestroy;
      call.file = &file;
      driver.Dispatch(call);
    }
  }
  uint32_t bits() const { return file.state() ? file.state()->bits : 0; }
  // Gives the file exactly these state bits (creating its state first).
  void SetBits(uint32_t bits) {
    if (!file.state()) {
      OperationCall call;
      call.op = Op::kName;
      call.file = &file;
      driver.Dispatch(call);
    }
    file.state()->bits = bits;
  }
};

}  // namespace vaultara::data::testing
