#pragma once

#include <cstdint>
#include <string>

namespace vaultara::data {

// Numbered error codes of the file statements (the ones code refers to by
// name; every numbered text is in ErrorText).
namespace err {
inline constexpr int32_t kNone = 0;
inline constexpr int32_t kFileNotFound = 2;
inline constexpr int32_t kPathNotFound = 3;
inline constexpr int32_t kTooManyOpenFiles = 4;
inline constexpr int32_t kAccessDenied = 5;
inline constexpr int32_t kMemoryCorrupted = 7;
inline constexpr int32_t kInsufficientMemory = 8;
inline constexpr int32_t kEntryNotFound = 30;
inline constexpr int32_t kFileIsAlreadyLocked = 32;
inline constexpr int32_t kRecordNotAvailable = 33;
inline constexpr int32_t kRecordNotFound = 35;
inline constexpr int32_t kInvalidDataFile = 36;
inline constexpr int32_t kFileNotOpen = 37;
inline constexpr int32_t kInvalidKeyFile = 38;
inline constexpr int32_t kCreatesDuplicateKey = 40;
inline constexpr int32_t kRecordIsAlreadyHeld = 43;
inline constexpr int32_t kInvalidFilename = 45;
inline constexpr int32_t kKeyFileMustBeRebuilt = 46;
inline constexpr int32_t kInvalidRecordDeclaration = 47;
inline constexpr int32_t kUnableToLogTransaction = 48;
inline constexpr int32_t kFileAlreadyOpen = 52;
inline constexpr int32_t kNoCreateAttribute = 54;
inline constexpr int32_t kFileMustBeShared = 55;
inline constexpr int32_t kLogoutAlreadyActive = 56;
inline constexpr int32_t kExclusiveAccessRequired = 63;
inline constexpr int32_t kSharingViolation = 64;
inline constexpr int32_t kUnableToRollback = 65;
inline constexpr int32_t kInvalidFieldTypeDescriptor = 75;
inline constexpr int32_t kInvalidIndexString = 76;
inline constexpr int32_t kUnsupportedFunction = 80;
inline constexpr int32_t kUnknownErrorPosted = 81;
inline constexpr int32_t kRecordChangedByAnotherStation = 89;
inline constexpr int32_t kFileSystemError = 90;
inline constexpr int32_t kLogoutNotActive = 91;
inline constexpr int32_t kBuildInProgress = 92;
inline constexpr int32_t kBuildCancelled = 93;
inline constexpr int32_t kSystemErrorBase = 300;
inline constexpr int32_t kInvalidExpression = 800;
inline constexpr int32_t kNoBindOnVariable = 801;
inline constexpr int32_t kMismatchedScope = 802;
}  // namespace err

// The built-in text of an error number, or nullptr when it has none.
const char* BuiltInErrorText(int32_t code);

// The text the error state shows for code: a replacement text when one is
// set, else the built-in text, else "Unknown Error Posted : <code>".
std::string ErrorText(int32_t code);

}  // namespace vaultara::data
