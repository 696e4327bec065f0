#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "data/field_type.h"
#include "data/operation_call.h"

namespace vaultara::data {

// What a driver tells the statement layer about itself.
struct DriverRegistration {
  std::string name;                    // "ZEPHYRON", "ASCII"
  std::vector<uint8_t> operations;     // the operation codes it supports
  std::vector<FieldType> field_types;  // the field types it supports
  std::string description;
  // Capability limits; informational only.
  uint32_t max_record_length = 0;
  uint32_t max_keys = 0;
  uint32_t max_memo_size = 0;
  std::string default_extension;

  bool Supports(Op op) const;
};

// How a file takes part in transactions; asked when the driver registers an
// open file.
struct TransactionAnswers {
  bool takes_part_in_logout = false;
  bool supports_rollback = false;
  bool supports_commit = false;
  bool lock_at_logout = false;
  bool unlock_after_transaction = false;
};

// A file driver: one dispatch entry for every operation on the files declared
// for it. Dispatch carries out call.op on call.file, applies the common state
// rules, posts any error to the error state, fills call.result, call.error and
// call.text_result, and returns call.result. It never throws.
class FileDriver {
 public:
  virtual ~FileDriver() = default;
  virtual const DriverRegistration& Registration() const = 0;
  virtual int32_t Dispatch(OperationCall& call) = 0;
};

// The drivers linked into the program, found by name (case ignored).
void RegisterDriver(FileDriver& driver);
FileDriver* FindDriver(const std::string& name);

}  // namespace vaultara::data
