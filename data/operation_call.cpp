#include "data/operation_call.h"

namespace vaultara::data {

const std::string& OperationCall::text(size_t i) const {
  static const std::string kEmpty;
  return i < texts.size() ? texts[i] : kEmpty;
}

}  // namespace vaultara::data
