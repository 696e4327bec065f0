#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace vaultara::store {

// Run-length packing of a page's entry bytes.
//
// The packed form is a sequence of groups: a literal count, that many literal
// bytes, and a repeat count saying how many more times the last literal byte
// follows. After the last run come a final literal count and the remaining
// bytes (a count of 0 when the data ends with a run). Counts are variable-
// length numbers: 7 bits a byte, least significant first, bit 7 set on every
// byte but the last. Runs shorter than 4 bytes stay literal.

// Packs data. Returns nothing when data holds no run of 4 equal bytes (such
// data is always stored unpacked).
std::optional<std::vector<uint8_t>> Pack(const uint8_t* data, size_t size);

// Unpacks exactly unpacked_size bytes from packed[0, packed_size). A literal
// count that overruns the unpacked size is status 522, a repeat count 530;
// packed bytes running out before the unpacked size is reached count as the
// overrun of the count being read.
std::vector<uint8_t> Unpack(const uint8_t* packed, size_t packed_size, size_t unpacked_size);

}  // namespace vaultara::store
