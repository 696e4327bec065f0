#pragma once

// The status numbers of the store's internal faults. A fault abandons the
// current operation; the number travels to the user as the file error code.
namespace vaultara::store::status {

inline constexpr int kLiteralOverrun = 522;   // packed literal count beyond the page
inline constexpr int kRepeatOverrun = 530;    // packed repeat count beyond the page
inline constexpr int kDuplicateKey = 706;     // inserted key already present
inline constexpr int kEntryTooLong = 824;     // entry longer than 15093 bytes
inline constexpr int kHeaderNotValid = 1013;  // root needed without a valid header
inline constexpr int kIdentifiersExhausted = 1173;
inline constexpr int kTreeChangeInReadMode = 1194;
inline constexpr int kHeaderChangeInReadMode = 1203;
inline constexpr int kPageTooLarge = 1364;       // a page of one entry still too large
inline constexpr int kPageSizeMismatch = 1477;   // stored length does not fit the class
inline constexpr int kEntriesMisfit = 1602;      // entry bytes do not end at the length
inline constexpr int kEntriesOutOfOrder = 1603;  // a successor not above its key (damaged tree)
inline constexpr int kImageOverBudget = 1659;
inline constexpr int kImageTooLarge = 1678;
inline constexpr int kPageInNoRegion = 1735;
inline constexpr int kEntryMissing = 1781;  // entry to delete not in the tree
inline constexpr int kMovedPageEmpty = 1891;
inline constexpr int kParentNotFound = 1894;
inline constexpr int kShortPageRead = 2172;
inline constexpr int kTooManyFolders = 2183;  // a transaction over more than 100 folders
inline constexpr int kReadLength = 2272;      // read not a multiple of 64 bytes
inline constexpr int kReadFailed = 2277;
inline constexpr int kWriteLength = 2286;  // write not a multiple of 64 bytes
inline constexpr int kSeekFailed = 2341;
inline constexpr int kLockFailed = 2400;  // a lock call failed other than by a conflict

}  // namespace vaultara::store::status
