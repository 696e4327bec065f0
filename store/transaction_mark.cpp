#include "store/transaction_mark.h"

#include "store/byte_order.h"

namespace vaultara::store {

std::string TransactionKey(uint32_t number) {
  std::string key(4, '\0');
  StoreBigU32(reinterpret_cast<uint8_t*>(key.data()), number);
  return key;
}

StoreEntry EncodeTransactionMark(const TransactionMark& mark) {
  std::string data = TransactionKey(mark.number);
  data += mark.control_file;
  data += '\0';
  return StoreEntry(kTransactionMarkKey, data);
}

std::optional<TransactionMark> DecodeTransactionMark(const StoreEntry& entry) {
  const std::string_view data = entry.data();
  if (data.size() < 4) return std::nullopt;
  TransactionMark mark;
  mark.number = LoadBigU32(reinterpret_cast<const uint8_t*>(data.data()));
  std::string_view name = data.substr(4);
  name = name.substr(0, name.find('\0'));
  mark.control_file = std::string(name);
  return mark;
}

std::string DefaultControlFile(const std::string& data_file) {
  const size_t slash = data_file.rfind('/');
  if (slash == std::string::npos) return kControlFileName;
  return data_file.substr(0, slash + 1) + kControlFileName;
}

std::string ControlFileOf(const TransactionMark& mark, const std::string& data_file) {
  if (mark.control_file == kDefaultControlFile) return DefaultControlFile(data_file);
  return mark.control_file;
}

}  // namespace vaultara::store
