#include "data/decimal_stack.h"

#include "data/decimal_arithmetic.h"
#include "data/decimal_conversions.h"

namespace vaultara::data {
namespace {

const DecimalAccumulator& ZeroAccumulator() {
  static const DecimalAccumulator zero = DecimalAccumulator::Zero();
  return zero;
}

}  // namespace

const DecimalAccumulator& DecimalStack::Top() const {
  return depth_ > 0 ? stack_[depth_ - 1] : ZeroAccumulator();
}

DecimalAccumulator& DecimalStack::TopRef() {
  if (depth_ == 0) Push(ZeroAccumulator());
  return stack_[depth_ - 1];
}

void DecimalStack::Push(const DecimalAccumulator& value) {
  if (depth_ < kCapacity) stack_[depth_++] = value;
}

DecimalAccumulator DecimalStack::Pop() {
  if (depth_ == 0) return ZeroAccumulator();
  return stack_[--depth_];
}

template <typename Operation>
void DecimalStack::Combine(Operation operation) {
  const DecimalAccumulator b = Pop();
  operation(&TopRef(), b);
}

void DecimalStack::PushDecimal(const uint8_t* bytes, size_t size, int places) {
  Push(DecimalFromStored(bytes, size, places));
}
void DecimalStack::PushPackedDecimal(const uint8_t* bytes, size_t size, int places) {
  Push(DecimalFromPacked(bytes, size, places));
}
void DecimalStack::PushLong(int32_t value) { Push(DecimalFromLong(value)); }
void DecimalStack::PushUnsignedLong(uint32_t value) { Push(DecimalFromUnsignedLong(value)); }
void DecimalStack::PushReal(double value) { Push(DecimalFromReal(value)); }
void DecimalStack::PushText(std::string_view text) { Push(DecimalFromText(text)); }

void DecimalStack::PopDecimal(uint8_t* bytes, size_t size, int places) {
  StoreDecimal(Pop(), bytes, size, places);
}
void DecimalStack::PopPackedDecimal(uint8_t* bytes, size_t size, int places) {
  StorePacked(Pop(), bytes, size, places);
}
int32_t DecimalStack::PopLong() { return LongFromDecimal(Pop()); }
uint32_t DecimalStack::PopUnsignedLong() { return UnsignedLongFromDecimal(Pop()); }
double DecimalStack::PopReal() { return RealFromDecimal(Pop()); }
void DecimalStack::PopText(std::string* text) { TextFromDecimal(Pop(), text); }
std::string DecimalStack::PopText() {
  std::string text;
  PopText(&text);
  return text;
}
int DecimalStack::PopNonZero() { return SignTest(Pop()) != 0 ? 1 : 0; }
void DecimalStack::PopDigitString(DigitString* digits) { DigitsFromDecimal(Pop(), digits); }

void DecimalStack::Add() { Combine(AddDecimals); }
void DecimalStack::Subtract() { Combine(SubtractDecimals); }
void DecimalStack::SubtractReversed() {
  Combine([](DecimalAccumulator* a, const DecimalAccumulator& b) {
    SubtractDecimals(a, b);
    a->sign ^= 1;
    if (SignTest(*a) == 0) a->sign = 0;
  });
}
void DecimalStack::Multiply() { Combine(MultiplyDecimals); }
void DecimalStack::Divide() { Combine(DivideDecimals); }

int DecimalStack::Compare() {
  const DecimalAccumulator b = Pop();
  return CompareDecimals(Pop(), b);
}
int DecimalStack::CompareReversed() { return -Compare(); }

void DecimalStack::RaiseToPower(int32_t n) { RaiseDecimal(&TopRef(), n); }
void DecimalStack::TruncateFraction() { TruncateFractionPlaces(&TopRef()); }
void DecimalStack::AbsoluteValue() { TopRef().sign = 0; }
void DecimalStack::Negate() { TopRef().sign ^= 1; }

std::unique_ptr<DecimalStack::Saved> DecimalStack::SaveStack() const {
  if (depth_ == 0) return nullptr;
  auto block = std::make_unique<Saved>();
  block->depth = depth_;
  for (int i = 0; i < depth_; ++i) block->accumulators[i] = stack_[i];
  return block;
}

void DecimalStack::RestoreStack(std::unique_ptr<Saved> block) {
  depth_ = 0;
  if (!block) return;
  depth_ = block->depth;
  for (int i = 0; i < depth_; ++i) stack_[i] = block->accumulators[i];
}

DecimalStack& ThreadDecimalStack() {
  thread_local DecimalStack stack;
  return stack;
}

}  // namespace vaultara::data
