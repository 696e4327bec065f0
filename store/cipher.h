#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "store/format.h"

namespace vaultara::store {

// The 64-byte key made from an owner password, read as 16 little-endian
// words. The buffer is wiped when the key is destroyed, so no copy of it stays
// behind in freed memory. Keys are moved, never copied.
class CipherKey {
 public:
  // Makes the key from the password bytes (without trailing spaces, at least
  // one byte; the caller trims and decides that an empty owner means no
  // cipher).
  static CipherKey FromPassword(std::string_view password);
  // A key with the given words, for tests and tools.
  static CipherKey FromWords(const std::array<uint32_t, 16>& words);

  CipherKey(CipherKey&& other) noexcept;
  CipherKey& operator=(CipherKey&& other) noexcept;
  CipherKey(const CipherKey&) = delete;
  CipherKey& operator=(const CipherKey&) = delete;
  ~CipherKey();

  const uint32_t* words() const { return words_.data(); }

  // The key bytes as they stand before the two self-encipherments: byte
  // (17 * i) % 64 holds (ring byte (i + 1) % (n + 1) + i) % 256, the ring
  // being the password followed by its terminating zero.
  static std::array<uint8_t, format::kKeySize> SpreadPassword(std::string_view password);

 private:
  CipherKey() = default;
  void Wipe();
  std::array<uint32_t, 16> words_{};
};

// Enciphers or deciphers one 64-byte block of 16 words in place. The key and
// the block may be the same buffer (the key is made that way).
void EncipherBlock(const uint32_t* key, uint32_t* block);
void DecipherBlock(const uint32_t* key, uint32_t* block);

// Enciphers or deciphers a buffer of whole 64-byte blocks in place; every
// block independently of its position. size must be a multiple of 64.
void Encipher(const CipherKey& key, uint8_t* data, size_t size);
void Decipher(const CipherKey& key, uint8_t* data, size_t size);

}  // namespace vaultara::store
