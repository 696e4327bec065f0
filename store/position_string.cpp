#include "store/position_string.h"

#include <algorithm>

#include "store/byte_order.h"

namespace vaultara::store {

std::string MakePosition(uint32_t record, std::string_view key_value) {
  std::string position(4, '\0');
  StoreBigU32(reinterpret_cast<uint8_t*>(position.data()), record);
  position.append(key_value);
  return position;
}

void ReadPosition(std::string_view position, size_t value_length, uint32_t* record,
                  std::string* key_value) {
  uint8_t number[4] = {0, 0, 0, 0};
  std::copy_n(position.begin(), std::min<size_t>(4, position.size()), number);
  *record = LoadBigU32(number);
  position.remove_prefix(std::min<size_t>(4, position.size()));
  key_value->assign(position.substr(0, value_length));
  key_value->resize(value_length, '\0');
}

}  // namespace vaultara::store
