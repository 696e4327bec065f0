#include <gtest/gtest.h>

#include "platform/fault_injection.h"
#include "tests/store/store_fixture.h"

namespace vaultara::store {
namespace {

// The first commit of a new file (as a transaction's new control file
// makes) failing at any of its writes leaves the file empty, which is a new
// empty store, rather than bytes without a header.
class FailedFirstCommitTest : public StoreFixture {};

TEST_F(FailedFirstCommitTest, LeavesAnEmptyStoreBehind) {
  for (uint64_t n = 1; n <= 3; ++n) {
    SCOPED_TRACE("failing write " + std::to_string(n));
    platform_.Delete(PathOf("new.zph"));
    platform::FaultInjection faults(platform_);
    faults.FailWrite(n);
    auto file = OpenOrFail("new.zph", "", &faults);
    ASSERT_TRUE(file->BeginWrite().ok());
    ASSERT_TRUE(file->Insert(StoreEntry(Key(1), "one")).ok());
    EXPECT_FALSE(file->Commit().ok());
    file.reset();
    EXPECT_EQ(Raw("new.zph").size(), 0u);
    auto again = OpenOrFail("new.zph", "");
    ASSERT_TRUE(again->BeginWrite().ok());
    ASSERT_TRUE(again->Insert(StoreEntry(Key(1), "one")).ok());
    EXPECT_TRUE(again->Commit().ok());
  }
}

}  // namespace
}  // namespace vaultara::store
