#include "tests/platform/child_process.h"
#include "tests/platform/scratch_folder.h"

namespace vaultara::platform {
namespace {

using ShareModeTest = ScratchFolder;

constexpr Access R = Access::kRead;
constexpr Access W = Access::kWrite;
constexpr Access RW = Access::kReadWrite;
constexpr Share kNone = Share::kDenyNone;
constexpr Share kAll = Share::kDenyAll;
constexpr Share kWrite = Share::kDenyWrite;
constexpr Share kRead = Share::kDenyRead;

// A second opener is let in only when neither opener denies what the other
// does. Two opens in one process compete just as two processes do.
TEST_F(ShareModeTest, SecondOpenerMeetsTheFirstOpenersDenials) {
  const struct {
    OpenMode first;
    OpenMode second;
    bool admitted;
  } cases[] = {
      {{RW, kNone}, {RW, kNone}, true}, {{RW, kNone}, {R, kAll}, false},
      {{R, kAll}, {R, kNone}, false},   {{R, kAll}, {W, kNone}, false},
      {{R, kWrite}, {R, kNone}, true},  {{R, kWrite}, {W, kNone}, false},
      {{R, kWrite}, {R, kWrite}, true}, {{RW, kNone}, {R, kWrite}, false},
      {{R, kNone}, {R, kWrite}, true},  {{W, kRead}, {R, kNone}, false},
      {{W, kRead}, {W, kNone}, true},   {{R, kNone}, {W, kRead}, false},
      {{W, kNone}, {W, kRead}, true},   {{W, kRead}, {W, kRead}, true},
  };
  OpenOrFail("f", {RW, kNone}, Disposition::kCreateNew);
  for (const auto& c : cases) {
    auto first = OpenOrFail("f", c.first, Disposition::kOpenExisting);
    const SysError second = TryOpen("f", c.second);
    EXPECT_EQ(second, c.admitted ? syserr::kOk : syserr::kSharingViolation)
        << "first " << int(c.first.access) << "/" << int(c.first.share) << ", second "
        << int(c.second.access) << "/" << int(c.second.share);
    first.reset();
    EXPECT_EQ(TryOpen("f", c.second), syserr::kOk) << "closing releases the first opener";
  }
}

TEST_F(ShareModeTest, DenyWriteInAnotherProcessAdmitsOnlyReaders) {
  OpenOrFail("f", {RW, kNone}, Disposition::kCreateNew);
  const std::string path = PathOf("f");
  std::unique_ptr<File> held;
  HoldingChild child([&] {
    return platform_.Open(path, {RW, kWrite}, Disposition::kOpenExisting, &held);
  });
  ASSERT_EQ(child.setup_result(), syserr::kOk);
  EXPECT_EQ(TryOpen("f", {W, kNone}), syserr::kSharingViolation);
  EXPECT_EQ(TryOpen("f", {RW, kNone}), syserr::kSharingViolation);
  EXPECT_EQ(TryOpen("f", {R, kNone}), syserr::kOk);
  child.Finish();
  EXPECT_EQ(TryOpen("f", {RW, kNone}), syserr::kOk);
}

TEST_F(ShareModeTest, DenyAllInAnotherProcessKeepsEveryoneOut) {
  auto file = OpenOrFail("f", {RW, kNone}, Disposition::kCreateNew);
  Write(file.get(), 0, "contents");
  file.reset();
  const std::string path = PathOf("f");
  std::unique_ptr<File> held;
  HoldingChild child([&] {
    return platform_.Open(path, {R, kAll}, Disposition::kOpenExisting, &held);
  });
  ASSERT_EQ(child.setup_result(), syserr::kOk);
  EXPECT_EQ(TryOpen("f", {R, kNone}), syserr::kSharingViolation);
  EXPECT_EQ(TryOpen("f", {W, kNone}), syserr::kSharingViolation);
  // A refused create-always must not cut the file it could not open.
  EXPECT_EQ(TryOpen("f", {RW, kNone}, Disposition::kCreateAlways), syserr::kSharingViolation);
  // A file in use is neither deleted nor renamed.
  EXPECT_EQ(platform_.Delete(path), syserr::kSharingViolation);
  EXPECT_EQ(platform_.Rename(path, PathOf("g")), syserr::kSharingViolation);
  child.Finish();
  file = OpenOrFail("f", {R, kNone}, Disposition::kOpenExisting);
  EXPECT_EQ(Contents(file.get()), "contents");
}

TEST_F(ShareModeTest, DeleteWaitsForTheLastOpenerToClose) {
  auto file = OpenOrFail("f", {RW, kNone}, Disposition::kCreateNew);
  EXPECT_EQ(platform_.Delete(PathOf("f")), syserr::kSharingViolation);
  file.reset();
  EXPECT_EQ(platform_.Delete(PathOf("f")), syserr::kOk);
  EXPECT_FALSE(platform_.Exists(PathOf("f")));
}

}  // namespace
}  // namespace vaultara::platform
