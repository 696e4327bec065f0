#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "data/decimal_accumulator.h"
#include "data/digit_string.h"

namespace vaultara::data {

// The stack machine through which the runtime computes in decimal: typed
// values are pushed as accumulators, each operation replaces the top one or
// two by its result, and results are popped into typed values. In the
// two-operand operations a is the second accumulator and b the top; the
// result replaces a.
//
// The stack holds ten accumulators. A push onto a full stack is ignored, and
// an operation or pop that finds too few accumulators works with zeros, so a
// miscounted caller gets a wrong number rather than a damaged program. No
// operation reports an error or allocates memory (SaveStack aside; PopText
// and PopDigitString reuse the caller's string).
class DecimalStack {
 public:
  static constexpr int kCapacity = 10;

  int depth() const { return depth_; }
  // The top accumulator (zero when the stack is empty).
  const DecimalAccumulator& Top() const;

  // Stored forms (see data/decimal_conversions.h for the layouts).
  void PushDecimal(const uint8_t* bytes, size_t size, int places);
  void PushPackedDecimal(const uint8_t* bytes, size_t size, int places);
  void PushLong(int32_t value);
  void PushUnsignedLong(uint32_t value);
  void PushReal(double value);
  void PushText(std::string_view text);
  void Push(const DecimalAccumulator& value);

  // Round to the field's places and write it.
  void PopDecimal(uint8_t* bytes, size_t size, int places);
  void PopPackedDecimal(uint8_t* bytes, size_t size, int places);
  // The integer part, truncated toward zero; the unsigned form ignores the sign.
  int32_t PopLong();
  uint32_t PopUnsignedLong();
  double PopReal();
  void PopText(std::string* text);
  std::string PopText();
  // 1 when the value is not zero.
  int PopNonZero();
  // The input of number formatting with a picture.
  void PopDigitString(DigitString* digits);
  DecimalAccumulator Pop();

  void Add();               // a + b
  void Subtract();          // a - b
  void SubtractReversed();  // b - a
  void Multiply();          // a * b
  void Divide();            // a / b (31 places; x / 0 is 0)
  // Pop both; -1, 0 or 1: the sign of a - b (Compare) or of b - a.
  int Compare();
  int CompareReversed();
  // Replaces the top x by x^n.
  void RaiseToPower(int32_t n);
  void TruncateFraction();
  void AbsoluteValue();
  void Negate();

  // The stack of a thread that gives up control: a block holding the depth
  // and the occupied accumulators, or nothing when the stack is empty. The
  // stack itself is left as it was.
  struct Saved;
  std::unique_ptr<Saved> SaveStack() const;
  // Puts a saved block back (and frees it); nothing gives the empty stack.
  void RestoreStack(std::unique_ptr<Saved> block);

 private:
  DecimalAccumulator& TopRef();
  template <typename Operation>
  void Combine(Operation operation);

  std::array<DecimalAccumulator, kCapacity> stack_{};
  uint8_t depth_ = 0;
};

struct DecimalStack::Saved {
  uint8_t depth = 0;
  std::array<DecimalAccumulator, kCapacity> accumulators{};
};

// The calling thread's own stack.
DecimalStack& ThreadDecimalStack();

}  // namespace vaultara::data
