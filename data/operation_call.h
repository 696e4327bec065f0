#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "data/operation.h"

namespace vaultara::data {

struct FileControlBlock;
struct KeyControlBlock;

// An operation's outcome when it failed without posting anything.
inline constexpr int32_t kSilentFailure = -1;

// One operation on one file, with all its arguments: what a statement hands
// its driver, and the details record notification objects see. Only the
// fields the operation takes are meaningful.
struct OperationCall {
  Op op = Op::kName;
  FileControlBlock* file = nullptr;
  KeyControlBlock* key = nullptr;
  KeyControlBlock* second_key = nullptr;  // SETkeykey
  int32_t record_pointer = 0;
  uint32_t length = 0;
  uint32_t access_mode = 0;
  int32_t seconds = 0;
  int32_t count = 0;     // SKIP, COUNTRECORDS
  int32_t number = 0;    // property index, field or blob number, flag
  int32_t property = 0;  // property number of the property operations
  int32_t blob_start = 0;
  int32_t blob_end = 0;
  int32_t state_handle = 0;
  std::array<int32_t, 4> buffer_values{};
  // Text arguments in the order the statement gives them (a file name, a
  // component list then a filter, a property value then a name, ...).
  std::vector<std::string> texts;
  // Bytes travelling with BLOB_TAKE (in) and BLOB_YIELD (out).
  std::string bytes;

  // Filled by the driver.
  int32_t result = 0;       // the operation's 32-bit answer
  std::string text_result;  // the answer of text-returning operations
  int32_t error = 0;        // 0, an error code, or kSilentFailure

  bool succeeded() const { return error == 0; }
  const std::string& text(size_t i) const;
};

}  // namespace vaultara::data
