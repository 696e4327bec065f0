#include "framework/data/any_value.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "data/decimal_arithmetic.h"
#include "data/decimal_conversions.h"
#include "data/expression_evaluator.h"
#include "data/field_value.h"

namespace vaultara::framework {

using data::DecimalAccumulator;
using data::ExpressionValue;
using data::FieldType;

namespace {

double RealFromText(std::string_view text) {
  return data::RealFromDecimal(data::DecimalFromText(text));
}

// The shortest fixed-point text that reads back as value.
std::string RealText(double value) {
  if (value == 0.0 || !std::isfinite(value)) return "0";
  char text[512];  // a finite double has at most 309 integer digits
  auto [end, error] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
  if (error != std::errc()) return "0";
  return std::string(text, end);
}

// The largest value of a decimal field with count digits, places of them
// the fraction.
DecimalAccumulator LargestDecimal(int count, int places, bool negative) {
  std::string nines = negative ? "-0" : "0";
  nines.append(static_cast<size_t>(count - places), '9');
  if (places > 0) nines += "." + std::string(static_cast<size_t>(places), '9');
  return data::DecimalFromText(nines);
}

}  // namespace

AnyValue AnyValue::Refer(FieldType type, void* address, uint32_t size, uint8_t places) {
  AnyValue v;
  v.type_ = type;
  v.address_ = static_cast<char*>(address);
  v.size_ = address ? size : 0;
  v.places_ = places;
  return v;
}

AnyValue AnyValue::Refer(const data::FieldDescriptor& field, char* record) {
  uint32_t size = field.type == FieldType::kGroup ? field.size : field.element_size;
  return Refer(field.type, record + field.offset, size, field.decimal_places);
}

AnyValue AnyValue::Refer(int32_t& variable) {
  return Refer(FieldType::kLong, &variable, sizeof variable);
}

AnyValue AnyValue::Refer(double& variable) {
  return Refer(FieldType::kReal, &variable, sizeof variable);
}

AnyValue AnyValue::PrivateBlank() const {
  AnyValue v;
  v.type_ = type_;
  v.size_ = size_;
  v.places_ = places_;
  v.private_ = size_ > 0;
  v.own_.assign(size_, 0);
  v.Clear();
  return v;
}

AnyValue AnyValue::PrivateCopy() const {
  AnyValue v = PrivateBlank();
  if (size_ > 0) std::memcpy(v.own_.data(), data(), size_);
  return v;
}

ValueClass AnyValue::Class() const { return data::ClassOfType(type_); }

ExpressionValue AnyValue::Natural() const {
  if (!IsEmpty()) return data::ReadElement(type_, data(), size_, places_);
  switch (Class()) {
    case ValueClass::kInteger:
      return ExpressionValue::Integer(0);
    case ValueClass::kReal:
      return ExpressionValue::Real(0.0);
    default:
      return ExpressionValue::Text({});
  }
}

int64_t AnyValue::AsInteger() const {
  const ExpressionValue value = Natural();
  return value.IsText() ? data::IntegerFromReal(RealFromText(value.text)) : data::IntegerOf(value);
}

double AnyValue::AsReal() const {
  const ExpressionValue value = Natural();
  return value.IsText() ? RealFromText(value.text) : data::RealOf(value);
}

std::string AnyValue::AsText() const {
  if (IsEmpty()) return {};
  const ExpressionValue value = Natural();
  std::string text;
  if (value.IsText()) {
    text = value.text;
  } else if (data::IsDecimalType(type_)) {
    data::TextFromDecimal(AsDecimal(), &text);
  } else if (value.value_class == ValueClass::kInteger) {
    data::TextFromInteger(value.integer, &text);
  } else {
    text = RealText(value.real);
  }
  return text;
}

DecimalAccumulator AnyValue::AsDecimal() const {
  if (!IsEmpty() && data::IsDecimalType(type_)) {
    return data::ReadDecimalElement(type_, data(), size_, places_);
  }
  const ExpressionValue value = Natural();
  if (value.IsText()) return data::DecimalFromText(value.text);
  if (value.value_class == ValueClass::kReal) return data::DecimalFromReal(value.real);
  std::string text;
  data::TextFromInteger(value.integer, &text);
  return data::DecimalFromText(text);
}

void AnyValue::Assign(const AnyValue& from) {
  if (IsEmpty()) return;
  if (data::IsDecimalType(type_)) {
    // A real beyond what an accumulator holds is too wide for any field.
    const bool real = !data::IsDecimalType(from.type_) && from.Class() == ValueClass::kReal;
    const double r = real ? from.AsReal() : 0.0;
    DecimalAccumulator value = from.AsDecimal();
    StoreDecimal(value, real && !(std::fabs(r) < 1e31) && !std::isnan(r), r < 0);
    return;
  }
  switch (Class()) {
    case ValueClass::kInteger:
      return data::WriteIntegerElement(type_, data(), from.AsInteger());
    case ValueClass::kReal:
      return data::WriteRealElement(type_, data(), from.AsReal());
    default:
      return data::WriteTextElement(type_, data(), size_, from.AsText());
  }
}

void AnyValue::StoreDecimal(DecimalAccumulator value, bool too_wide, bool negative) {
  const int count = static_cast<int>(2 * size_ - 1);
  const int places = std::min({static_cast<int>(places_), count, data::kUnitsPlace});
  data::RoundToPlaces(&value, places);
  data::Normalise(&value);
  if (data::SignTest(value) != 0) {
    negative = value.sign != 0;
    too_wide = too_wide || value.highest >= data::kUnitsPlace + (count - places);
  }
  if (too_wide) value = LargestDecimal(count, places, negative);
  data::WriteDecimalElement(type_, data(), size_, places_, value);
}

void AnyValue::Clear() {
  if (IsEmpty()) return;
  if (type_ == FieldType::kGroup) {
    std::memset(data(), ' ', size_);
    return;
  }
  data::RecordDeclaration one;
  data::FieldDescriptor field;
  field.type = type_;
  field.size = size_;
  field.element_size = size_;
  field.decimal_places = places_;
  one.fields.push_back(field);
  one.record_length = size_;
  data::ClearRecord(one, data(), 0);
}

bool AnyValue::Equals(const AnyValue& other) const {
  ExpressionValue a = Natural();
  ExpressionValue b = other.Natural();
  // A text that meets a number reads as the number it would store.
  if (a.IsText() && !b.IsText()) a = ExpressionValue::Real(AsReal());
  if (b.IsText() && !a.IsText()) b = ExpressionValue::Real(other.AsReal());
  return data::CompareValues(a, b) == 0;
}

}  // namespace vaultara::framework
