#include "data/file_callback.h"

#include <gtest/gtest.h>

#include "data/error_state.h"
#include "data/error_texts.h"
#include "data/statements.h"
#include "fake_driver.h"

namespace vaultara::data {
namespace {

using testing::FakeFile;

class Recorder : public FileCallbackInterface {
 public:
  bool veto_start = false;
  bool fail_finish = false;
  std::vector<std::string> seen;

  bool OperationStarting(Op op, const OperationCall& details, std::string* file_error,
                         std::string* file_error_code) override {
    seen.push_back("start " + OperationName(op) + " " + std::to_string(details.number));
    if (op != Op::kAttachNotice && veto_start) {
      *file_error = "vetoed by recorder";
      *file_error_code = "R1";
      return false;
    }
    return true;
  }
  bool OperationFinished(Op op, const OperationCall& details, std::string* file_error,
                         std::string* file_error_code) override {
    seen.push_back("finish " + OperationName(op) + " " + details.text_result);
    if (fail_finish) {
      *file_error = "failed after";
      *file_error_code = "R2";
      return false;
    }
    return true;
  }
};

TEST(FileCallback, IsToldOfAttachAndAroundEveryStatement) {
  FakeFile f;
  Recorder r;
  AttachCallback(f.file, r);
  EXPECT_EQ(Name(f.file), "fake");
  DetachCallback(f.file, r);
  Name(f.file);
  EXPECT_EQ(r.seen, (std::vector<std::string>{"start Internal100 1", "start NAME 0",
                                              "finish NAME fake", "start Internal100 0"}));
}

TEST(FileCallback, VetoOfAddLeavesTheFileAloneAndPosts90) {
  FakeFile f;
  f.SetBits(state::kOpen | state::kWriteAccess);
  Recorder first;
  Recorder second;
  first.veto_start = true;
  AttachCallback(f.file, first);
  AttachCallback(f.file, second);
  f.driver.performed.clear();
  EXPECT_EQ(Add(f.file), err::kFileSystemError);
  EXPECT_TRUE(f.driver.performed.empty());
  EXPECT_EQ(ErrorCode(), err::kFileSystemError);
  EXPECT_EQ(FileError(), "vetoed by recorder");
  EXPECT_EQ(FileErrorCode(), "R1");
  EXPECT_EQ(ErrorFile(), &f.file);
  // The second object is not asked to start, but every object is told the end.
  EXPECT_EQ(second.seen.back(), "finish ADD ");
  EXPECT_EQ(second.seen.size(), 2u);
}

TEST(FileCallback, FailureAfterTheDriverPosts90) {
  FakeFile f;
  f.SetBits(state::kOpen | state::kPositioned);
  Recorder r;
  r.fail_finish = true;
  AttachCallback(f.file, r);
  EXPECT_EQ(GetFilePtr(f.file, 1), err::kFileSystemError);
  EXPECT_EQ(ErrorCode(), err::kFileSystemError);
  EXPECT_EQ(FileErrorCode(), "R2");
  // QUERY_KEY and COUNTRECORDS go straight to the driver.
  r.seen.clear();
  QueryKey(f.file);
  EXPECT_TRUE(r.seen.empty());
  DetachCallback(f.file, r);
}

}  // namespace
}  // namespace vaultara::data
