#include "store/fault_latch.h"

#include "data/error_state.h"
#include "data/replacement_texts.h"

namespace vaultara::store {

namespace {

constexpr int32_t kFaultMessageNumber = 4101;

}  // namespace

std::string FaultMessage() {
  if (const std::string* text = data::FindReplacementText(kFaultMessageNumber)) return *text;
  return "Possible data corruption in file";
}

std::string FaultFileErrorText() {
  std::string message = FaultMessage();
  return message.empty() ? "Zephyron File Driver Error" : message;
}

std::string FatalFaultText(int status) {
  return FaultMessage() + " (" + std::to_string(status) + ")";
}

int32_t ReportFault(int status) {
  data::PostFileError(std::to_string(status), FaultFileErrorText());
  return kFaultError;
}

bool AdmittedAfterFault(int latched, data::Op op, int32_t* error) {
  if (latched == 0 || op == data::Op::kClose || op == data::Op::kName) return true;
  *error = ReportFault(latched);
  return false;
}

}  // namespace vaultara::store
