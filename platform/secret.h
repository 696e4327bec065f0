#pragma once

#include <cstddef>
#include <string>

namespace vaultara::platform {

// Overwrites size bytes at data with zeros in a way the compiler may not
// drop, for buffers that held a password or a key.
void WipeMemory(void* data, size_t size);

// Wipes the whole buffer of text (its capacity, not only its length) and
// empties it.
void WipeString(std::string& text);

// A text that holds a secret (a master password): its buffer is wiped
// whenever the value is replaced or the object is destroyed. Copies are
// secrets too.
class SecretString {
 public:
  SecretString() = default;
  explicit SecretString(std::string value) { Assign(std::move(value)); }
  SecretString(const SecretString& other) : value_(other.value_) {}
  SecretString(SecretString&& other) noexcept { Swap(other); }
  SecretString& operator=(const SecretString& other);
  SecretString& operator=(SecretString&& other) noexcept;
  ~SecretString() { WipeString(value_); }

  // Takes the value; the argument's buffer is wiped.
  void Assign(std::string&& value);
  void Assign(const std::string& value);
  void Clear() { WipeString(value_); }

  const std::string& str() const { return value_; }
  bool empty() const { return value_.empty(); }

 private:
  void Swap(SecretString& other) noexcept { value_.swap(other.value_); }
  std::string value_;
};

}  // namespace vaultara::platform
