#include "platform/fault_injection.h"

#include "tests/platform/child_process.h"
#include "tests/platform/scratch_folder.h"

namespace vaultara::platform {
namespace {

constexpr OpenMode kReadWrite{Access::kReadWrite, Share::kDenyNone};

class FaultInjectionTest : public ScratchFolder {
 protected:
  std::unique_ptr<File> OpenFaulty(const std::string& name) {
    std::unique_ptr<File> file;
    EXPECT_EQ(faults_.Open(PathOf(name), kReadWrite, Disposition::kOpenOrCreate, &file),
              syserr::kOk);
    return file;
  }

  SysError TryWrite(File* file, uint64_t offset, const std::string& data, size_t* written) {
    return file->WriteAt(offset, data.data(), data.size(), written);
  }

  FaultInjection faults_{RealPlatform()};
};

TEST_F(FaultInjectionTest, NthWriteFailsAndLeavesTheFileUnchanged) {
  auto a = OpenFaulty("a");
  auto b = OpenFaulty("b");
  Write(a.get(), 0, "one");  // write 1
  faults_.FailWrite(2);      // counted from now, over every file
  Write(b.get(), 0, "two");  // write 2
  size_t written = 99;
  EXPECT_EQ(TryWrite(a.get(), 0, "XXXXX", &written), syserr::kDiskFull);  // write 3
  EXPECT_EQ(written, 0u);
  EXPECT_EQ(Contents(a.get()), "one");
  Write(a.get(), 3, "!");  // a fault strikes once
  EXPECT_EQ(Contents(a.get()), "one!");
  EXPECT_EQ(faults_.writes(), 4u);

  faults_.FailFlush(1);
  EXPECT_EQ(b->Flush(), syserr::kWriteFault);
  EXPECT_EQ(b->Flush(), syserr::kOk);
  EXPECT_EQ(faults_.flushes(), 2u);
  faults_.FailWrite(1, syserr::kAccessDenied);
  EXPECT_EQ(TryWrite(b.get(), 0, "x", &written), syserr::kAccessDenied);

  faults_.Reset();
  EXPECT_EQ(faults_.writes(), 0u);
}

TEST_F(FaultInjectionTest, ShortWritesWriteHalfAndSaySo) {
  auto file = OpenFaulty("f");
  faults_.ShortWritesFrom(2);
  Write(file.get(), 0, "full");
  for (int i = 0; i < 2; ++i) {
    size_t written = 0;
    EXPECT_EQ(TryWrite(file.get(), 4, "abcdef", &written), syserr::kDiskFull);
    EXPECT_EQ(written, 3u);
  }
  EXPECT_EQ(Contents(file.get()), "fullabc");
  faults_.ShortWritesFrom(0);
  Write(file.get(), 4, "abcdef");
  EXPECT_EQ(Contents(file.get()), "fullabcdef");
}

TEST_F(FaultInjectionTest, CrashPointsEndTheProcessBeforeTheCallTakesEffect) {
  const struct {
    const char* what;
    std::function<void(FaultInjection&)> arm;
    std::string expected_contents;
  } cases[] = {
      {"third write", [](FaultInjection& f) { f.CrashAtWrite(3); }, "12"},
      {"first flush", [](FaultInjection& f) { f.CrashAtFlush(1); }, "12"},
      {"second checkpoint",
       [](FaultInjection& f) { f.CrashAtCheckpoint("commit.journal-written", 2); }, "123"},
  };
  for (const auto& c : cases) {
    const std::string name = std::string("f-") + c.what;
    const int status = ExitStatusOf([&] {
      c.arm(faults_);
      auto file = OpenFaulty(name);
      size_t written = 0;
      file->WriteAt(0, "1", 1, &written);
      file->WriteAt(1, "2", 1, &written);
      faults_.Checkpoint("other");
      faults_.Checkpoint("commit.journal-written");
      file->Flush();
      file->WriteAt(2, "3", 1, &written);
      faults_.Checkpoint("commit.journal-written");
      file->WriteAt(3, "4", 1, &written);
      return 0;
    });
    EXPECT_EQ(status, FaultInjection::kCrashExitCode) << c.what;
    auto file = OpenOrFail(name, kReadWrite, Disposition::kOpenExisting);
    EXPECT_EQ(Contents(file.get()), c.expected_contents) << c.what;
  }
  // Disarmed, the same work runs to its end.
  EXPECT_EQ(ExitStatusOf([&] {
              faults_.Checkpoint("commit.journal-written");
              return 0;
            }),
            0);
}

}  // namespace
}  // namespace vaultara::platform
