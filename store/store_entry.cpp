#include "store/store_entry.h"

namespace vaultara::store {

StoreEntry::StoreEntry(std::string_view key, std::string_view data)
    : key_length(static_cast<uint16_t>(key.size())) {
  bytes.reserve(key.size() + data.size());
  bytes.append(key);
  bytes.append(data);
}

}  // namespace vaultara::store
