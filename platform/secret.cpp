#include "platform/secret.h"

namespace vaultara::platform {

void WipeMemory(void* data, size_t size) {
  // Writes through a volatile pointer are observable behaviour, so they are
  // not removed as dead stores before the memory is freed.
  volatile unsigned char* p = static_cast<volatile unsigned char*>(data);
  for (size_t i = 0; i < size; ++i) p[i] = 0;
}

void WipeString(std::string& text) {
  WipeMemory(text.data(), text.capacity());
  text.clear();
}

SecretString& SecretString::operator=(const SecretString& other) {
  if (this != &other) Assign(other.value_);
  return *this;
}

SecretString& SecretString::operator=(SecretString&& other) noexcept {
  if (this != &other) {
    WipeString(value_);
    Swap(other);
  }
  return *this;
}

void SecretString::Assign(std::string&& value) {
  Assign(static_cast<const std::string&>(value));
  WipeString(value);
}

void SecretString::Assign(const std::string& value) {
  if (value.size() > value_.capacity()) WipeString(value_);
  value_.assign(value);
}

}  // namespace vaultara::platform
