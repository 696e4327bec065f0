#include "data/run_length.h"

#include <cstring>

namespace vaultara::data {

namespace {

constexpr uint8_t kLiteral = 0x80;
constexpr size_t kShortestFill = 4;

class CodeWriter {
 public:
  CodeWriter(uint8_t* out, size_t capacity) : out_(out), capacity_(capacity) {}

  void Header(uint8_t flag, size_t count) {
    if (count < 64) {
      Byte(static_cast<uint8_t>(flag | count));
    } else if (count < 8192) {
      Byte(static_cast<uint8_t>(flag | 0x40 | (count >> 8)));
      Byte(static_cast<uint8_t>(count & 0xFF));
    } else if (count < 65536) {
      Byte(flag | 0x7F);
      Little(count, 2);
    } else {
      Byte(flag | 0x70);
      Little(count, 4);
    }
  }
  void Bytes(const uint8_t* data, size_t n) {
    if (!Room(n)) return;
    std::memcpy(out_ + used_, data, n);
    used_ += n;
  }
  void Byte(uint8_t b) { Bytes(&b, 1); }
  size_t Finish() const { return failed_ ? 0 : used_; }

 private:
  void Little(size_t value, int width) {
    for (int i = 0; i < width; ++i) Byte(static_cast<uint8_t>(value >> (8 * i)));
  }
  bool Room(size_t n) {
    if (failed_ || capacity_ - used_ < n) failed_ = true;
    return !failed_;
  }

  uint8_t* out_;
  size_t capacity_;
  size_t used_ = 0;
  bool failed_ = false;
};

}  // namespace

size_t RunLengthEncode(const uint8_t* data, size_t size, uint8_t* out, size_t capacity) {
  CodeWriter writer(out, capacity);
  size_t literal_start = 0;
  size_t i = 0;
  auto flush_literal = [&](size_t end) {
    if (end == literal_start) return;
    writer.Header(kLiteral, end - literal_start);
    writer.Bytes(data + literal_start, end - literal_start);
  };
  while (i < size) {
    size_t j = i + 1;
    while (j < size && data[j] == data[i]) ++j;
    if (j - i >= kShortestFill) {
      flush_literal(i);
      writer.Header(0, j - i);
      writer.Byte(data[i]);
      literal_start = j;
    }
    i = j;
  }
  flush_literal(size);
  return writer.Finish();
}

bool RunLengthDecode(const uint8_t* code, size_t code_size, uint8_t* out, size_t size) {
  size_t in = 0;
  size_t produced = 0;
  auto take = [&](size_t width, size_t* value) {
    if (code_size - in < width) return false;
    *value = 0;
    for (size_t k = 0; k < width; ++k) *value |= static_cast<size_t>(code[in + k]) << (8 * k);
    in += width;
    return true;
  };
  while (in < code_size) {
    const uint8_t header = code[in++];
    const bool literal = (header & kLiteral) != 0;
    const uint8_t low = header & 0x7F;
    size_t count = 0;
    if (low < 0x40) {
      count = low;
    } else if (low < 0x60) {
      size_t second = 0;
      if (!take(1, &second)) return false;
      count = (static_cast<size_t>(low & 0x1F) << 8) | second;
    } else if (low == 0x7F) {
      if (!take(2, &count)) return false;
    } else if (low == 0x70) {
      if (!take(4, &count)) return false;
    } else {
      return false;
    }
    if (size - produced < count) return false;
    if (literal) {
      if (code_size - in < count) return false;
      std::memcpy(out + produced, code + in, count);
      in += count;
    } else {
      if (in >= code_size) return false;
      std::memset(out + produced, code[in++], count);
    }
    produced += count;
  }
  return produced == size;
}

}  // namespace vaultara::data
