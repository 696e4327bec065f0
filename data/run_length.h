#pragma once

#include <cstddef>
#include <cstdint>

namespace vaultara::data {

// The run-length code that queues keep large records in.
//
// The code is a sequence of runs, each a header and its data. Bit 7 of the
// header's first byte is 1 for a literal run (count bytes follow as they are)
// and 0 for a fill run (one byte follows, to be repeated count times). The
// count is written as
//
//   below 64       one byte: flag | count
//   64 to 8191     flag | 0x40 | (count >> 8), then count & 0xFF
//   8192 to 65535  flag | 0x7F, then the count as 16-bit little-endian
//   65536 and up   flag | 0x70, then the count as 32-bit little-endian
//
// A repeat of 4 or more equal bytes becomes a fill run; shorter repeats stay
// inside literal runs.

// Encodes size bytes of data into out, writing at most capacity bytes. Returns
// the length of the code, or 0 when it does not fit (or size is 0).
size_t RunLengthEncode(const uint8_t* data, size_t size, uint8_t* out, size_t capacity);

// Decodes code of length code_size into exactly size bytes at out. Returns
// false, leaving out in an unspecified state, when the code is malformed or
// does not decode to exactly size bytes.
bool RunLengthDecode(const uint8_t* code, size_t code_size, uint8_t* out, size_t size);

}  // namespace vaultara::data
