#pragma once

#include <cstdint>

#include "data/operation.h"

namespace vaultara::data {

// What the common frame checks before an operation and changes after it: six
// words per operation code, all in terms of the bits of state_bits.h.
struct OperationWords {
  uint32_t actions = 0;          // after success: 0x01 clear the error state; 0x04 and
                                 // 0x10 remember the operation; 0x20 forget the
                                 // saved position
  uint32_t required = 0;         // bits that must be present
  uint32_t forbidden = 0;        // bits that must be absent
  uint32_t set = 0;              // bits set on success
  uint32_t cleared = 0;          // bits cleared on success
  uint32_t failure_cleared = 0;  // bits cleared on failure
};

namespace action {
inline constexpr uint32_t kClearErrors = 0x01;
inline constexpr uint32_t kRememberA = 0x04;
inline constexpr uint32_t kRememberB = 0x10;
inline constexpr uint32_t kForgetSavedPosition = 0x20;
}  // namespace action

// The words of an operation code; all zero for the codes without any.
const OperationWords& WordsFor(uint8_t code);
inline const OperationWords& WordsFor(Op op) { return WordsFor(static_cast<uint8_t>(op)); }

}  // namespace vaultara::data
