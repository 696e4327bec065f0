#include "data/text_variable.h"

#include <algorithm>
#include <cstring>

namespace vaultara::data {

std::string_view TrimRight(std::string_view text) {
  // Sixty-four blanks at a time first (one vectorised compare): memo
  // buffers are kilobytes of mostly blanks.
  static constexpr size_t kRun = 64;
  static const std::string blanks(kRun, ' ');
  size_t end = text.size();
  while (end >= kRun && std::memcmp(text.data() + end - kRun, blanks.data(), kRun) == 0)
    end -= kRun;
  while (end > 0 && text[end - 1] == ' ') --end;
  return text.substr(0, end);
}

std::string TextVariable::Read() const {
  if (data == nullptr) return {};
  if (length == kZeroTerminated) return std::string(data);
  if (length == kLengthPrefixed) {
    auto n = static_cast<unsigned char>(data[0]);
    return std::string(data + 1, n);
  }
  if (length < 0) return {};
  return std::string(TrimRight(std::string_view(data, static_cast<size_t>(length))));
}

void TextVariable::Write(std::string_view text, size_t capacity) const {
  if (data == nullptr) return;
  if (length == kZeroTerminated) {
    if (capacity == 0) return;
    size_t n = std::min(text.size(), capacity - 1);
    std::memcpy(data, text.data(), n);
    data[n] = '\0';
  } else if (length == kLengthPrefixed) {
    size_t n = std::min<size_t>(text.size(), 255);
    if (capacity != 0) n = std::min(n, capacity - 1);
    data[0] = static_cast<char>(n);
    std::memcpy(data + 1, text.data(), n);
  } else if (length > 0) {
    size_t n = std::min(text.size(), static_cast<size_t>(length));
    std::memcpy(data, text.data(), n);
    std::memset(data + n, ' ', static_cast<size_t>(length) - n);
  }
}

}  // namespace vaultara::data
