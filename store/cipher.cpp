#include "store/cipher.h"

#include <bit>
#include <cstring>

namespace vaultara::store {

namespace {

// Loads and stores the 16 little-endian words of a block.
void LoadWords(const uint8_t* bytes, uint32_t* words) {
  std::memcpy(words, bytes, format::kCipherBlockSize);
  if constexpr (std::endian::native == std::endian::big) {
    for (int i = 0; i < 16; ++i) words[i] = __builtin_bswap32(words[i]);
  }
}

void StoreWords(const uint32_t* words, uint8_t* bytes) {
  if constexpr (std::endian::native == std::endian::big) {
    uint32_t swapped[16];
    for (int i = 0; i < 16; ++i) swapped[i] = __builtin_bswap32(words[i]);
    std::memcpy(bytes, swapped, format::kCipherBlockSize);
  } else {
    std::memcpy(bytes, words, format::kCipherBlockSize);
  }
}

}  // namespace

// Step i exchanges the bits of words i and k & 15 where k = key[i] has a zero
// bit, keeps those where k has a one bit, and adds k to both. The key word is
// read afresh at every step, because the key may be the block itself.
void EncipherBlock(const uint32_t* key, uint32_t* block) {
  for (int i = 0; i < 16; ++i) {
    const uint32_t k = key[i];
    const uint32_t j = k & 15;
    const uint32_t a = block[i];
    const uint32_t b = block[j];
    block[j] = k + ((b & k) | (a & ~k));
    block[i] = k + ((a & k) | (b & ~k));
  }
}

void DecipherBlock(const uint32_t* key, uint32_t* block) {
  for (int i = 15; i >= 0; --i) {
    const uint32_t k = key[i];
    const uint32_t j = k & 15;
    const uint32_t a = block[i] - k;
    const uint32_t b = block[j] - k;
    block[i] = (a & k) | (b & ~k);
    block[j] = (b & k) | (a & ~k);
  }
}

void Encipher(const CipherKey& key, uint8_t* data, size_t size) {
  uint32_t words[16];
  for (size_t at = 0; at + format::kCipherBlockSize <= size; at += format::kCipherBlockSize) {
    LoadWords(data + at, words);
    EncipherBlock(key.words(), words);
    StoreWords(words, data + at);
  }
}

void Decipher(const CipherKey& key, uint8_t* data, size_t size) {
  uint32_t words[16];
  for (size_t at = 0; at + format::kCipherBlockSize <= size; at += format::kCipherBlockSize) {
    LoadWords(data + at, words);
    DecipherBlock(key.words(), words);
    StoreWords(words, data + at);
  }
}

std::array<uint8_t, format::kKeySize> CipherKey::SpreadPassword(std::string_view password) {
  std::array<uint8_t, format::kKeySize> bytes{};
  const size_t ring = password.size() + 1;  // the terminating zero closes the ring
  for (size_t i = 0; i < format::kKeySize; ++i) {
    const size_t at = (i + 1) % ring;
    const uint8_t c = at < password.size() ? static_cast<uint8_t>(password[at]) : 0;
    bytes[(i * 17) % format::kKeySize] = static_cast<uint8_t>(c + i);
  }
  return bytes;
}

CipherKey CipherKey::FromPassword(std::string_view password) {
  CipherKey key;
  std::array<uint8_t, format::kKeySize> bytes = SpreadPassword(password);
  LoadWords(bytes.data(), key.words_.data());
  volatile uint8_t* wipe = bytes.data();
  for (size_t i = 0; i < bytes.size(); ++i) wipe[i] = 0;
  EncipherBlock(key.words_.data(), key.words_.data());
  EncipherBlock(key.words_.data(), key.words_.data());
  return key;
}

CipherKey CipherKey::FromWords(const std::array<uint32_t, 16>& words) {
  CipherKey key;
  key.words_ = words;
  return key;
}

CipherKey::CipherKey(CipherKey&& other) noexcept : words_(other.words_) { other.Wipe(); }

CipherKey& CipherKey::operator=(CipherKey&& other) noexcept {
  if (this != &other) {
    words_ = other.words_;
    other.Wipe();
  }
  return *this;
}

CipherKey::~CipherKey() { Wipe(); }

void CipherKey::Wipe() {
  // Written through a volatile pointer so the compiler cannot drop the stores
  // of an object about to die.
  volatile uint32_t* words = words_.data();
  for (size_t i = 0; i < words_.size(); ++i) words[i] = 0;
}

}  // namespace vaultara::store
