#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vaultara::data {

// A reference to one of the program's text variables (a file name, an option
// string, an owner password). The length says how the text is held:
//   kZeroTerminated (-1): up to the first zero byte;
//   kLengthPrefixed (-2): the first byte is the length, the text follows;
//   n >= 0: a fixed-length text of n bytes whose trailing spaces are ignored.
// The variable belongs to the program; a TextVariable only points at it.
struct TextVariable {
  static constexpr int32_t kZeroTerminated = -1;
  static constexpr int32_t kLengthPrefixed = -2;

  char* data = nullptr;
  int32_t length = 0;

  // The current text of the variable, read by its length rule; empty for a
  // null or malformed reference.
  std::string Read() const;
  // Stores text into the variable by its length rule, cut to what it holds
  // (a zero-terminated variable is taken to hold `capacity` bytes).
  void Write(std::string_view text, size_t capacity = 0) const;
};

// Drops trailing spaces.
std::string_view TrimRight(std::string_view text);

}  // namespace vaultara::data
