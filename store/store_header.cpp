#include "store/store_header.h"

#include <cstring>

#include "store/byte_order.h"

namespace vaultara::store {

StoreHeader StoreHeader::NewFile() {
  StoreHeader header;
  std::memcpy(header.signature.data(), format::kSignature, 4);
  return header;
}

void StoreHeader::Encode(uint8_t* bytes) const {
  std::memset(bytes, 0, format::kHeaderSize);
  StoreU32(bytes + format::kHeaderOwnOffset, 0);
  StoreU16(bytes + format::kHeaderLength, format::kHeaderSize);
  StoreU32(bytes + format::kHeaderJournalStart, journal_start);
  StoreU32(bytes + format::kHeaderJournalEnd, journal_end);
  std::memcpy(bytes + format::kHeaderSignature, signature.data(), 4);
  std::memcpy(bytes + format::kHeaderIdentifier, identifier.data(), 4);
  StoreU32(bytes + format::kHeaderChangeCounter, change_counter);
  StoreU32(bytes + format::kHeaderRootPage, static_cast<uint32_t>(root_page));
  for (int c = 0; c < format::kRegionCount; ++c) {
    StoreU32(bytes + format::kHeaderRegionStarts + 4 * c, region_start[c]);
    StoreU32(bytes + format::kHeaderRegionEnds + 4 * c, region_end[c]);
  }
}

StoreHeader StoreHeader::Decode(const uint8_t* bytes) {
  StoreHeader header;
  header.journal_start = LoadU32(bytes + format::kHeaderJournalStart);
  header.journal_end = LoadU32(bytes + format::kHeaderJournalEnd);
  std::memcpy(header.signature.data(), bytes + format::kHeaderSignature, 4);
  std::memcpy(header.identifier.data(), bytes + format::kHeaderIdentifier, 4);
  header.change_counter = LoadU32(bytes + format::kHeaderChangeCounter);
  header.root_page = static_cast<int32_t>(LoadU32(bytes + format::kHeaderRootPage));
  for (int c = 0; c < format::kRegionCount; ++c) {
    header.region_start[c] = LoadU32(bytes + format::kHeaderRegionStarts + 4 * c);
    header.region_end[c] = LoadU32(bytes + format::kHeaderRegionEnds + 4 * c);
  }
  return header;
}

bool StoreHeader::HasSignature() const {
  return std::memcmp(signature.data(), format::kSignature, 4) == 0;
}

int StoreHeader::ClassOf(int64_t page) const {
  if (page < 0) return 0;
  for (int c = format::kMinClass; c <= format::kMaxClass; ++c) {
    if (page >= region_start[c] && page < region_end[c]) {
      return (page - region_start[c]) % c == 0 ? c : 0;
    }
  }
  return 0;
}

uint32_t StoreHeader::EndOfPageArea() const {
  for (int c = format::kMaxClass; c >= format::kMinClass; --c) {
    if (region_end[c] > region_start[c]) {
      return static_cast<uint32_t>(PageOffset(region_end[c]));
    }
  }
  return format::kHeaderSize;
}

}  // namespace vaultara::store
