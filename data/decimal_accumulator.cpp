#include "data/decimal_accumulator.h"

#include <algorithm>

namespace vaultara::data {

DecimalAccumulator DecimalAccumulator::Zero() {
  DecimalAccumulator zero;
  zero.digits[kUnitsPlace] = 0;
  return zero;
}

void SetZero(DecimalAccumulator* value) {
  value->sign = 0;
  value->lowest = value->highest = kUnitsPlace;
  value->digits[kUnitsPlace] = 0;
}

int SignTest(const DecimalAccumulator& value) {
  for (int place = value.lowest; place <= value.highest; ++place) {
    if (value.digits[place] != 0) return value.sign ? -1 : 1;
  }
  return 0;
}

bool Normalise(DecimalAccumulator* value, int* power_of_ten) {
  int high = value->highest;
  while (high >= value->lowest && value->digits[high] == 0) --high;
  if (high < value->lowest) {
    SetZero(value);
    return false;
  }
  int low = value->lowest;
  while (value->digits[low] == 0) ++low;
  value->lowest = static_cast<uint8_t>(low);
  value->highest = static_cast<uint8_t>(high);
  if (low != high || value->digits[low] != 1) return false;
  if (power_of_ten) *power_of_ten = low - kUnitsPlace;
  return true;
}

void RoundToPlaces(DecimalAccumulator* value, int places) {
  const int target = kUnitsPlace - std::clamp(places, 0, kUnitsPlace);
  if (value->lowest >= target) return;
  if (value->highest < target - 1) {
    // Too small to reach half a unit of the last place.
    value->lowest = value->highest = static_cast<uint8_t>(target);
    value->digits[target] = 0;
    return;
  }
  const bool round_up = value->digits[target - 1] >= 5;
  // The range may end just below the target (0.005 to 2 places): widen it.
  for (int place = value->highest + 1; place <= target; ++place) value->digits[place] = 0;
  value->lowest = static_cast<uint8_t>(target);
  value->highest = static_cast<uint8_t>(std::max<int>(value->highest, target));
  if (!round_up) return;
  for (int place = target; place <= kTopPlace; ++place) {
    if (place > value->highest) {
      value->digits[place] = 1;
      value->highest = static_cast<uint8_t>(place);
      return;
    }
    if (value->digits[place] < 9) {
      ++value->digits[place];
      return;
    }
    value->digits[place] = 0;
  }
  // A carry beyond the top place is lost, as every digit above 10^31 is.
}

void TruncateFractionPlaces(DecimalAccumulator* value) {
  if (value->highest < kUnitsPlace) {
    value->lowest = value->highest = kUnitsPlace;
    value->digits[kUnitsPlace] = 0;
    return;
  }
  value->lowest = std::max<uint8_t>(value->lowest, kUnitsPlace);
}

}  // namespace vaultara::data
