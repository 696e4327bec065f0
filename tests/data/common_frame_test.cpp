#include "data/common_frame.h"

#include <gtest/gtest.h>

#include "data/error_state.h"
#include "data/error_texts.h"
#include "data/statements.h"
#include "fake_driver.h"

namespace vaultara::data {
namespace {

using testing::FakeFile;
using namespace state;

struct PreconditionCase {
  const char* what;
  Op op;
  uint32_t bits;
  int32_t expected;  // 0: the driver runs
  bool use_index = false;
  std::string text = {};
};

class PreconditionTest : public ::testing::TestWithParam<PreconditionCase> {};

TEST_P(PreconditionTest, GivesTheErrorInItsOrder) {
  const PreconditionCase& c = GetParam();
  FakeFile f;
  f.SetBits(c.bits);
  ClearErrors();
  OperationCall call;
  call.op = c.op;
  call.file = &f.file;
  if (TakesKey(c.op) || c.use_index) call.key = c.use_index ? f.index : f.key;
  call.second_key = f.key;
  if (!c.text.empty()) call.texts = {c.text};
  f.driver.performed.clear();
  IssueOperation(call);
  EXPECT_EQ(call.error, c.expected) << c.what;
  EXPECT_EQ(f.driver.performed.empty(), c.expected != 0) << c.what;
  EXPECT_EQ(ErrorCode(), c.expected > 0 ? c.expected : 0) << c.what;
}

constexpr uint32_t kReadable = kOpen | kPositioned | kHasRecord;

INSTANTIATE_TEST_SUITE_P(
    Table, PreconditionTest,
    ::testing::Values(
        PreconditionCase{"NEXT on a closed file", Op::kNext, 0, err::kFileNotOpen},
        PreconditionCase{"NEXT unpositioned", Op::kNext, kOpen, err::kRecordNotAvailable},
        PreconditionCase{"NEXT positioned", Op::kNext, kOpen | kPositioned, 0},
        PreconditionCase{"closed beats unbuilt index", Op::kGetFileKey, 0, err::kFileNotOpen, true},
        PreconditionCase{"unbuilt index", Op::kGetFileKey, kOpen, err::kKeyFileMustBeRebuilt, true},
        PreconditionCase{"declared key needs no build", Op::kGetFileKey, kOpen, 0},
        PreconditionCase{"BUILDfile on a closed file reaches the driver", Op::kBuildFile, 0, 0},
        PreconditionCase{"PUT without a record", Op::kPut, kOpen | kWriteAccess,
                         err::kRecordNotAvailable},
        PreconditionCase{"PUT read-only", Op::kPut, kReadable, err::kAccessDenied},
        PreconditionCase{"EMPTY without exclusive access", Op::kEmpty, kOpen | kWriteAccess,
                         err::kExclusiveAccessRequired},
        PreconditionCase{"record beats exclusive beats write", Op::kDelete, kOpen,
                         err::kRecordNotAvailable},
        PreconditionCase{"UNLOCK when not locked fails silently", Op::kUnlock, kOpen,
                         kSilentFailure},
        PreconditionCase{"building refuses PUT", Op::kPut, kReadable | kWriteAccess | kBuilding,
                         err::kBuildInProgress},
        PreconditionCase{"building allows CLOSE", Op::kClose, kOpen | kBuilding, 0},
        PreconditionCase{"building allows NAME", Op::kName, kOpen | kBuilding, 0},
        PreconditionCase{"OPEN twice", Op::kOpen, kOpen, err::kFileAlreadyOpen},
        PreconditionCase{"LOGOUT twice", Op::kLogout, kOpen | kInTransaction,
                         err::kLogoutAlreadyActive},
        PreconditionCase{"STREAM twice fails silently", Op::kStream, kOpen | kStreaming,
                         kSilentFailure},
        PreconditionCase{"RESET with a blank position", Op::kResetFile, kOpen, err::kRecordNotFound,
                         false, "    "},
        PreconditionCase{"RESET with a position", Op::kResetFile, kOpen, 0, false, "\1\0\0\0"}));

TEST(CommonFrame, KeyOfAnotherFileGives38) {
  FakeFile a;
  FakeFile b;
  a.SetBits(kOpen);
  EXPECT_EQ(SetKeyKey(*a.key, *b.key), err::kInvalidKeyFile);
  EXPECT_EQ(SetKey(*a.key), 0);
  OperationCall call;
  call.op = Op::kSetKey;
  call.file = &a.file;
  call.key = b.key;
  IssueOperation(call);
  EXPECT_EQ(call.error, err::kInvalidKeyFile);
}

TEST(CommonFrame, WatchAndHoldTakeEffectWithTheNextReadOnly) {
  FakeFile f;
  f.SetBits(kOpen | kPositioned);
  ASSERT_EQ(Watch(f.file), 0);
  ASSERT_EQ(HoldFile(f.file), 0);
  EXPECT_EQ(f.bits() & (kWatchRequested | kHoldRequested), kWatchRequested | kHoldRequested);
  ASSERT_EQ(Next(f.file), 0);
  EXPECT_EQ(f.bits() & (kWatchRequested | kWatched | kHoldRequested | kHeld), kWatched | kHeld);
  ASSERT_EQ(Next(f.file), 0);
  EXPECT_EQ(f.bits() & (kWatched | kHeld), 0u);
  // PUT ends both outright.
  ASSERT_EQ(HoldFile(f.file), 0);
  ASSERT_EQ(Next(f.file), 0);
  f.file.state()->bits |= kWriteAccess;
  ASSERT_EQ(Put(f.file), 0);
  EXPECT_EQ(f.bits() & kHeld, 0u);
}

TEST(CommonFrame, FailureClearsItsWordAndAnyWatch) {
  FakeFile f;
  f.SetBits(kOpen | kPositioned | kSequenceLive | kHasRecord | kWatchRequested);
  f.driver.errors[Op::kNext] = err::kRecordNotAvailable;
  EXPECT_EQ(Next(f.file), err::kRecordNotAvailable);
  EXPECT_EQ(f.bits(), kOpen);

  // A record held elsewhere keeps the sequence so the read can be repeated.
  f.SetBits(kOpen | kPositioned | kSequenceLive | kHasRecord);
  f.driver.errors[Op::kNext] = err::kRecordIsAlreadyHeld;
  EXPECT_EQ(Next(f.file), err::kRecordIsAlreadyHeld);
  EXPECT_EQ(f.bits(), kOpen | kPositioned);
}

TEST(CommonFrame, CloseClearsEveryBitAndForgetsBuiltIndexes) {
  FakeFile f;
  f.SetBits(kOpen);
  ASSERT_EQ(BuildDyn(*f.index, "+F:A"), 0);
  EXPECT_TRUE(f.index->index_built);
  EXPECT_EQ(f.bits() & kIndexBuilt, 0u);  // the built mark belongs to the index
  f.file.state()->bits |= kLocked | kStreaming | kPositioned;
  ASSERT_EQ(Close(f.file), 0);
  EXPECT_EQ(f.bits(), 0u);
  EXPECT_FALSE(f.index->index_built);
}

TEST(CommonFrame, WhichSuccessesClearTheErrorState) {
  FakeFile f;
  f.SetBits(kOpen | kPositioned);
  PostError(err::kRecordNotFound);
  EXPECT_EQ(Name(f.file), "fake");
  EXPECT_EQ(ErrorCode(), err::kRecordNotFound);
  EXPECT_EQ(RecordsFile(f.file), 7);
  EXPECT_EQ(ErrorCode(), err::kRecordNotFound);
  // EOF at the end answers true and leaves the earlier error alone.
  f.driver.eof_answer = 1;
  EXPECT_TRUE(Eof(f.file));
  EXPECT_EQ(ErrorCode(), err::kRecordNotFound);
  ASSERT_EQ(GetFilePtr(f.file, 1), 0);
  EXPECT_EQ(ErrorCode(), 0);
}

TEST(CommonFrame, EofAndBofAnswerTrueWhenTheyFail) {
  FakeFile f;
  f.SetBits(kOpen);
  EXPECT_TRUE(Eof(f.file));
  EXPECT_EQ(ErrorCode(), err::kRecordNotAvailable);
  ClearErrors();
  f.SetBits(0);
  EXPECT_TRUE(Bof(f.file));
  EXPECT_EQ(ErrorCode(), err::kFileNotOpen);
  EXPECT_EQ(ErrorFile(), &f.file);
}

TEST(CommonFrame, DestroyFreesTheState) {
  FakeFile f;
  f.SetBits(kOpen);
  ASSERT_NE(f.file.state(), nullptr);
  EXPECT_EQ(Destroy(f.file), 0);
  EXPECT_EQ(f.file.state(), nullptr);
}

TEST(CommonFrame, FileWithoutDriverIsAnErrorNotACrash) {
  FileControlBlock orphan;
  EXPECT_EQ(Open(orphan, 0x42), err::kUnsupportedFunction);
  EXPECT_EQ(ErrorCode(), err::kUnsupportedFunction);
  KeyControlBlock loose;
  EXPECT_EQ(SetKey(loose), err::kUnsupportedFunction);
}

}  // namespace
}  // namespace vaultara::data
