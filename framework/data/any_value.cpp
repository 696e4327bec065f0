#include "framework/data/any_value.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "data/field_compare.h"
#include "data/packed_digits.h"

namespace vaultara::framework {

using data::FieldType;

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The number a text starts with (see the header).
double ParseNumber(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  std::string number;
  if (i < text.size() && text[i] == '-') {
    number.push_back('-');
    ++i;
  }
  bool digits = false;
  for (; i < text.size() && IsDigit(text[i]); ++i, digits = true) number.push_back(text[i]);
  if (i < text.size() && (text[i] == '.' || text[i] == ',')) {
    number.push_back('.');
    for (++i; i < text.size() && IsDigit(text[i]); ++i, digits = true) number.push_back(text[i]);
    // An exponent counts only after a decimal point.
    size_t e = i;
    if (e < text.size() && (text[e] == 'e' || text[e] == 'E')) {
      std::string exponent = "e";
      ++e;
      if (e < text.size() && (text[e] == '+' || text[e] == '-')) exponent.push_back(text[e++]);
      if (e < text.size() && IsDigit(text[e])) {
        for (; e < text.size() && IsDigit(text[e]); ++e) exponent.push_back(text[e]);
        number += exponent;
      }
    }
  }
  if (!digits) return 0.0;
  if (number.back() == '.') number.pop_back();
  double value = 0.0;
  auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
  (void)end;
  if (error == std::errc::result_out_of_range) {
    bool negative = number[0] == '-';
    bool tiny = number.find("e-") != std::string::npos;
    return tiny ? 0.0 : (negative ? -HUGE_VAL : HUGE_VAL);
  }
  return error == std::errc() ? value : 0.0;
}

int64_t Truncate(double value) {
  if (std::isnan(value)) return 0;
  constexpr double kLimit = 9.2e18;
  if (value >= kLimit) return std::numeric_limits<int64_t>::max();
  if (value <= -kLimit) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(value);
}

std::string RealText(double value) {
  if (value == 0.0) return "0";
  char text[512];
  auto [end, error] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
  if (error != std::errc()) return "0";
  return std::string(text, end);
}

template <typename T>
T Read(const char* at) {
  T value;
  std::memcpy(&value, at, sizeof(T));
  return value;
}

template <typename T>
void Write(char* at, T value) {
  std::memcpy(at, &value, sizeof(T));
}

bool IsDecimal(FieldType type) {
  return type == FieldType::kDecimal || type == FieldType::kPDecimal;
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

ValueClass AnyValue::Class() const {
  switch (type_) {
    case FieldType::kByte:
    case FieldType::kShort:
    case FieldType::kUShort:
    case FieldType::kDate:
    case FieldType::kTime:
    case FieldType::kLong:
    case FieldType::kULong:
      return ValueClass::kInteger;
    case FieldType::kSReal:
    case FieldType::kReal:
    case FieldType::kDecimal:
    case FieldType::kPDecimal:
      return ValueClass::kReal;
    default:
      return ValueClass::kString;
  }
}

int64_t AnyValue::AsInteger() const {
  if (IsEmpty()) return 0;
  switch (type_) {
    case FieldType::kByte:
      return Read<uint8_t>(data());
    case FieldType::kShort:
      return Read<int16_t>(data());
    case FieldType::kUShort:
      return Read<uint16_t>(data());
    case FieldType::kDate:
    case FieldType::kTime:
    case FieldType::kLong:
      return Read<int32_t>(data());
    case FieldType::kULong:
      return Read<uint32_t>(data());
    default:
      return Truncate(AsReal());
  }
}

double AnyValue::AsReal() const {
  if (IsEmpty()) return 0.0;
  switch (Class()) {
    case ValueClass::kInteger:
      return static_cast<double>(AsInteger());
    case ValueClass::kString:
      return ParseNumber(AsText());
    case ValueClass::kReal:
      break;
  }
  if (type_ == FieldType::kSReal) return Read<float>(data());
  if (type_ == FieldType::kReal) return Read<double>(data());
  return ParseNumber(AsText());  // a decimal, through its exact text
}

std::string AnyValue::AsText() const {
  if (IsEmpty()) return {};
  if (Class() == ValueClass::kInteger) return std::to_string(AsInteger());
  if (Class() == ValueClass::kString) {
    return std::string(data::ElementText(type_, data(), size_));
  }
  if (!IsDecimal(type_)) return RealText(AsReal());
  data::UnpackedDecimal d =
      data::UnpackDecimal(type_, reinterpret_cast<const unsigned char*>(data()), size_);
  const size_t places = std::min<size_t>(places_, d.digits.size());
  std::string whole = d.digits.substr(0, d.digits.size() - places);
  std::string fraction = d.digits.substr(d.digits.size() - places);
  whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size()));
  fraction.erase(std::min(fraction.find_last_not_of('0') + 1, fraction.size()));
  if (whole.empty()) whole = "0";
  std::string text = (d.negative && !d.IsZero() ? "-" : "") + whole;
  if (!fraction.empty()) text += "." + fraction;
  return text;
}

void AnyValue::Assign(const AnyValue& from) {
  if (IsEmpty()) return;
  switch (type_) {
    case FieldType::kByte:
      return Write(data(), static_cast<uint8_t>(from.AsInteger()));
    case FieldType::kShort:
      return Write(data(), static_cast<int16_t>(from.AsInteger()));
    case FieldType::kUShort:
      return Write(data(), static_cast<uint16_t>(from.AsInteger()));
    case FieldType::kDate:
    case FieldType::kTime:
    case FieldType::kLong:
      return Write(data(), static_cast<int32_t>(from.AsInteger()));
    case FieldType::kULong:
      return Write(data(), static_cast<uint32_t>(from.AsInteger()));
    case FieldType::kSReal:
      return Write(data(), static_cast<float>(from.AsReal()));
    case FieldType::kReal:
      return Write(data(), from.AsReal());
    case FieldType::kDecimal:
    case FieldType::kPDecimal:
      return StoreDecimal(from.AsReal());
    default:
      return StoreText(from.AsText());
  }
}

void AnyValue::StoreText(const std::string& text) {
  char* at = data();
  if (type_ == FieldType::kCString || type_ == FieldType::kPString) {
    std::memset(at, 0, size_);
    size_t n = std::min<size_t>(text.size(), size_ - 1);
    if (type_ == FieldType::kPString) {
      n = std::min<size_t>(n, 255);
      at[0] = static_cast<char>(n);
      std::memcpy(at + 1, text.data(), n);
    } else {
      std::memcpy(at, text.data(), n);
    }
    return;
  }
  std::memset(at, ' ', size_);
  std::memcpy(at, text.data(), std::min<size_t>(text.size(), size_));
}

void AnyValue::StoreDecimal(double value) {
  data::UnpackedDecimal d;
  const size_t count = 2 * size_ - 1;
  const size_t places = std::min<size_t>(places_, count);
  if (std::isnan(value)) value = 0.0;
  std::string digits;
  if (std::isfinite(value)) {
    // A finite double has at most 309 integer digits; places are at most 32.
    char buffer[512];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                      std::chars_format::fixed, static_cast<int>(places));
    const std::string text(buffer, result.ec == std::errc() ? result.ptr : buffer);
    for (char c : text) {
      if (IsDigit(c)) digits.push_back(c);
    }
    digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size()));
  }
  if (!std::isfinite(value) || digits.size() > count) {
    digits.assign(count, '9');  // too wide for the field: its largest value
  }
  d.digits = std::string(count - digits.size(), '0') + digits;
  d.negative = value < 0;
  data::PackDecimal(type_, d, reinterpret_cast<unsigned char*>(data()), size_);
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
  if (Class() == ValueClass::kInteger && other.Class() == ValueClass::kInteger) {
    return AsInteger() == other.AsInteger();
  }
  if (Class() == ValueClass::kString && other.Class() == ValueClass::kString) {
    return data::CompareBlankPadded(AsText(), other.AsText()) == 0;
  }
  return AsReal() == other.AsReal();
}

}  // namespace vaultara::framework
