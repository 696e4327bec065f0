#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace vaultara::store {

// One entry of the file's ordered tree: a byte string whose first key_length
// bytes are its key. Entries are ordered by key alone.
struct StoreEntry {
  std::string bytes;
  uint16_t key_length = 0;

  StoreEntry() = default;
  StoreEntry(std::string_view key, std::string_view data);
  static StoreEntry KeyOnly(std::string_view key) { return StoreEntry(key, {}); }

  std::string_view key() const { return std::string_view(bytes).substr(0, key_length); }
  std::string_view data() const { return std::string_view(bytes).substr(key_length); }
  size_t size() const { return bytes.size(); }
};

// Orders keys as unsigned bytes over the shorter length, the shorter key first
// when those bytes are equal. Returns <0, 0 or >0.
inline int CompareKeys(std::string_view a, std::string_view b) {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  if (n != 0) {
    const int c = std::memcmp(a.data(), b.data(), n);
    if (c != 0) return c;
  }
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

}  // namespace vaultara::store
