#include "store/run_length.h"

#include "store/format.h"
#include "store/status_numbers.h"
#include "store/store_fault.h"

namespace vaultara::store {

namespace {

void PutCount(std::vector<uint8_t>& out, size_t n) {
  while (n >= 0x80) {
    out.push_back(static_cast<uint8_t>(n | 0x80));
    n >>= 7;
  }
  out.push_back(static_cast<uint8_t>(n));
}

// Reads a count; running out of input or a count too wide for a page is the
// given fault.
size_t GetCount(const uint8_t* in, size_t size, size_t& at, int fault) {
  size_t n = 0;
  for (int shift = 0;; shift += 7) {
    if (at >= size || shift > 28) Fault(fault);
    const uint8_t b = in[at++];
    n |= static_cast<size_t>(b & 0x7F) << shift;
    if ((b & 0x80) == 0) return n;
  }
}

size_t RunLength(const uint8_t* data, size_t size, size_t i) {
  size_t j = i + 1;
  while (j < size && data[j] == data[i]) ++j;
  return j - i;
}

}  // namespace

std::optional<std::vector<uint8_t>> Pack(const uint8_t* data, size_t size) {
  std::vector<uint8_t> out;
  out.reserve(size);
  bool any_run = false;
  size_t literal_start = 0;
  size_t i = 0;
  while (i < size) {
    const size_t run = RunLength(data, size, i);
    if (run < format::kMinRun) {
      i += run;
      continue;
    }
    any_run = true;
    // The run's first byte is the group's last literal.
    PutCount(out, i - literal_start + 1);
    out.insert(out.end(), data + literal_start, data + i + 1);
    PutCount(out, run - 1);
    i += run;
    literal_start = i;
  }
  if (!any_run) return std::nullopt;
  PutCount(out, size - literal_start);
  out.insert(out.end(), data + literal_start, data + size);
  return out;
}

std::vector<uint8_t> Unpack(const uint8_t* packed, size_t packed_size, size_t unpacked_size) {
  std::vector<uint8_t> out;
  out.reserve(unpacked_size);
  size_t at = 0;
  while (out.size() < unpacked_size) {
    const size_t literals = GetCount(packed, packed_size, at, status::kLiteralOverrun);
    if (literals > unpacked_size - out.size() || literals > packed_size - at) {
      Fault(status::kLiteralOverrun);
    }
    out.insert(out.end(), packed + at, packed + at + literals);
    at += literals;
    if (out.size() == unpacked_size) break;
    const size_t repeats = GetCount(packed, packed_size, at, status::kRepeatOverrun);
    if (repeats > unpacked_size - out.size() || (repeats != 0 && out.empty())) {
      Fault(status::kRepeatOverrun);
    }
    out.insert(out.end(), repeats, out.empty() ? 0 : out.back());
  }
  return out;
}

}  // namespace vaultara::store
