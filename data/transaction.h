#pragma once

#include <cstdint>
#include <vector>

namespace vaultara::data {

struct FileControlBlock;

// Transactions over one or more files. At most one is active per process.
//
// Logout starts one over the listed files (or, when none are listed, over the
// files registered for it with OpenFileRegistry::SetLogoutCandidate). Each
// file must be open (37) and registered in this thread and take part in
// transactions (48); a driver that asks for it has the file locked first,
// waiting up to `seconds`. If any file cannot be logged out, those already
// logged out are rolled back and the error is posted and returned. A second
// Logout while one is active gives 56.
int32_t Logout(int32_t seconds, const std::vector<FileControlBlock*>& files = {});

// Commit and Rollback end the active transaction (without one: 91) by
// sending COMMIT or ROLLBACK to every logged-out file, then UNLOCK where the
// driver asked for it. They return the first error a file reported.
int32_t Commit();
int32_t Rollback();

bool TransactionActive();

}  // namespace vaultara::data
