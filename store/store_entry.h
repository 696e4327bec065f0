#pragma once

#include <bit>
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
// when those bytes are equal. Returns <0, 0 or >0. Keys are short and share
// long prefixes (table, kind, key number), so they are compared eight bytes
// at a time, inline: most searches are little else.
inline int CompareKeys(std::string_view a, std::string_view b) {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  const auto* p = reinterpret_cast<const unsigned char*>(a.data());
  const auto* q = reinterpret_cast<const unsigned char*>(b.data());
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t x;
    uint64_t y;
    std::memcpy(&x, p + i, 8);
    std::memcpy(&y, q + i, 8);
    if (x != y) {
      if constexpr (std::endian::native == std::endian::little) {
        x = __builtin_bswap64(x);
        y = __builtin_bswap64(y);
      }
      return x < y ? -1 : 1;
    }
  }
  for (; i < n; ++i) {
    if (p[i] != q[i]) return p[i] < q[i] ? -1 : 1;
  }
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

}  // namespace vaultara::store
