#pragma once

#include <cstdint>

namespace vaultara::data {

// The common state bits every driver keeps per open file. The operation state
// table is written in terms of them.
namespace state {
inline constexpr uint32_t kOpen = 0x0001;
inline constexpr uint32_t kHasRecord = 0x0002;
inline constexpr uint32_t kInTransaction = 0x0004;
inline constexpr uint32_t kStreaming = 0x0008;
inline constexpr uint32_t kLocked = 0x0010;
inline constexpr uint32_t kPositioned = 0x0020;
inline constexpr uint32_t kWriteAccess = 0x0040;
inline constexpr uint32_t kExclusiveAccess = 0x0080;
inline constexpr uint32_t kIndexBuilt = 0x0100;  // per index declared without components
inline constexpr uint32_t kWatchRequested = 0x0200;
inline constexpr uint32_t kWatched = 0x0400;
inline constexpr uint32_t kHoldRequested = 0x0800;
inline constexpr uint32_t kHeld = 0x1000;
inline constexpr uint32_t kSequenceLive = 0x2000;
inline constexpr uint32_t kBuilding = 0x4000;
inline constexpr uint32_t kBuildRequested = 0x8000;
}  // namespace state

}  // namespace vaultara::data
