#pragma once

#include <string>

namespace vaultara::data {

// A number as the picture formatter takes it: its decimal digits, most
// significant first, with the count of those that stand before the decimal
// point, and its sign. 1200 is {"1200", 4}; 0.05 is {"005", 1}; zero is
// {"0", 1}. Leading zeros are allowed and ignored.
struct DigitString {
  std::string digits = "0";
  int integer_digits = 1;
  bool negative = false;
};

}  // namespace vaultara::data
