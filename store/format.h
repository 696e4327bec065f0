#pragma once

#include <cstddef>
#include <cstdint>

// The constants of the store file format, shared by every reader and writer of
// it. docs/store_format.md describes the layout in prose.
namespace vaultara::store::format {

// Every read and write is a whole number of cipher blocks.
inline constexpr size_t kCipherBlockSize = 64;
inline constexpr size_t kKeySize = 64;

// The file header occupies the first 512 bytes; pages are addressed in units
// of 256 bytes after it: page n starts at 512 + 256 * n.
inline constexpr size_t kHeaderSize = 512;
inline constexpr size_t kUnitSize = 256;

// Header fields (little-endian unless noted).
inline constexpr size_t kHeaderOwnOffset = 0;       // u32, always 0
inline constexpr size_t kHeaderLength = 4;          // u16, always 512
inline constexpr size_t kHeaderJournalStart = 6;    // u32 byte offset
inline constexpr size_t kHeaderJournalEnd = 10;     // u32 byte offset
inline constexpr size_t kHeaderSignature = 14;      // 4 bytes
inline constexpr size_t kHeaderReserved = 18;       // u16, 0
inline constexpr size_t kHeaderIdentifier = 20;     // u32 big-endian
inline constexpr size_t kHeaderChangeCounter = 24;  // u32
inline constexpr size_t kHeaderRootPage = 28;       // i32
inline constexpr size_t kHeaderRegionStarts = 32;   // 60 x u32
inline constexpr size_t kHeaderRegionEnds = 272;    // 60 x u32
inline constexpr char kSignature[4] = {'z', 'E', 'p', 'H'};

// Size classes: a page of class c is c * 256 bytes and lives in region c.
// Class 0 and region 0 are never used.
inline constexpr int kRegionCount = 60;
inline constexpr int kMinClass = 1;
inline constexpr int kMaxClass = 59;
inline constexpr size_t kMaxPageSize = kMaxClass * kUnitSize;  // 15104

// Page header fields.
inline constexpr size_t kPageOwnOffset = 0;       // u32 home byte offset
inline constexpr size_t kPageStoredLength = 4;    // u16
inline constexpr size_t kPageUnpackedLength = 6;  // u16
inline constexpr size_t kPageBudget = 8;          // u16
inline constexpr size_t kPageEntryCount = 10;     // u16
inline constexpr size_t kPageLevel = 12;          // u8
inline constexpr size_t kPageHeaderSize = 13;     // child array or entries follow
inline constexpr size_t kChildSize = 4;
inline constexpr uint8_t kFiller = 0xB0;

// Entry encoding inside a page.
inline constexpr uint8_t kFlagLengthFollows = 0x80;
inline constexpr uint8_t kFlagKeyLengthFollows = 0x40;
inline constexpr uint8_t kSharedMask = 0x3F;
inline constexpr size_t kMaxShared = 63;
inline constexpr size_t kMaxEntryLength = 15093;

// Run-length packing: runs of at least this many equal bytes are repeated.
inline constexpr size_t kMinRun = 4;

// Size budget of a page: what its image may grow to at most.
inline constexpr uint32_t kEmptyPageBudget = 13;
inline constexpr uint32_t kLeafEntryOverhead = 5;
inline constexpr uint32_t kIndexEntryOverhead = 9;  // includes the child number
inline constexpr uint32_t kMaxBudget = 15094;
inline constexpr uint32_t kSmallPageBudget = 4096;
inline constexpr size_t kSmallPageEntries = 20;

// Page cache: the clean pages kept in memory cost at most about this many
// bytes (entries, their bookkeeping and the page node), but at least
// kTrimFloor pages stay.
inline constexpr size_t kCacheChains = 100;
inline constexpr size_t kTrimFloor = 20;
inline constexpr size_t kCleanCacheBytes = size_t{16} << 20;

// The identifier counter is exhausted once its top byte reaches this value.
inline constexpr uint8_t kIdentifierLimit = 0xFE;

}  // namespace vaultara::store::format
