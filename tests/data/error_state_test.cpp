#include "data/error_state.h"

#include <gtest/gtest.h>

#include "data/error_texts.h"
#include "data/operation.h"
#include "data/replacement_texts.h"

namespace vaultara::data {
namespace {

class ErrorStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearErrors();
    ClearReplacementTexts();
  }
  void TearDown() override { ClearReplacementTexts(); }
};

TEST_F(ErrorStateTest, PostsTheNumberedText) {
  struct Case {
    int32_t code;
    const char* text;
  } cases[] = {
      {2, "File Not Found"},
      {33, "Record Not Available"},
      {78, "Invalid Number Of Parameters "},
      {90, "File System Error"},
      {332, "Sharing Violation"},
      {403, "Termination caused by signal.  (User break or Floating point)"},
      {802, "Mismatched PUSHSCOPE/POPSCOPE"},
      {1234, "Unknown Error Posted : 1234"},
      {-7, "Unknown Error Posted : -7"},
  };
  for (const Case& c : cases) {
    PostError(c.code);
    EXPECT_EQ(ErrorCode(), c.code);
    EXPECT_EQ(ErrorMessage(), c.text) << c.code;
  }
}

TEST_F(ErrorStateTest, CodeZeroPostsTheSystemError) {
  NoteSystemError(32);
  PostError(0);
  EXPECT_EQ(ErrorCode(), 332);
  EXPECT_EQ(ErrorMessage(), "Sharing Violation");
}

TEST_F(ErrorStateTest, ReplacementTextsComeFirstAndAreTrimmed) {
  SetReplacementText(35, "   Kein Datensatz");
  SetReplacementText(36, std::string(120, 'x'));
  PostError(35);
  EXPECT_EQ(ErrorMessage(), "Kein Datensatz");
  PostError(36);
  EXPECT_EQ(ErrorMessage(), std::string(79, 'x'));
}

TEST_F(ErrorStateTest, FileErrorsStayUntilClearedAndDefaultTheirText) {
  PostFileError("1364", "");
  EXPECT_EQ(FileErrorCode(), "1364");
  EXPECT_EQ(FileError(), "File System Error : 1364");
  PostError(35);
  EXPECT_EQ(FileErrorCode(), "1364");
  PostFileError("7", std::string(300, 'm'));
  EXPECT_EQ(FileError().size(), 254u);
  ClearErrors();
  EXPECT_EQ(ErrorCode(), 0);
  EXPECT_EQ(ErrorMessage(), "");
  EXPECT_EQ(FileErrorCode(), "");
  EXPECT_EQ(ErrorFile(), nullptr);
}

TEST_F(ErrorStateTest, PushAndPopRestoreTheWholeState) {
  PostError(40);
  PostFileError("x", "y");
  PushErrors();
  ClearErrors();
  PostError(2);
  PopErrors();
  EXPECT_EQ(ErrorCode(), 40);
  EXPECT_EQ(FileError(), "y");
  PopErrors();  // nothing saved: clears
  EXPECT_EQ(ErrorCode(), 0);
}

TEST(OperationName, NamesEveryCodeAsTracesShowIt) {
  EXPECT_EQ(OperationName(Op::kAdd), "ADD");
  EXPECT_EQ(OperationName(Op::kSetKeyKeyPtr), "SETkeykeyptr");
  EXPECT_EQ(OperationName(Op::kDestroy), "DESTROY");
  EXPECT_EQ(OperationName(Op::kGetProperty), "GET_PROPERTY");
  EXPECT_EQ(OperationName(uint8_t{0}), "(0)");
  EXPECT_EQ(OperationName(uint8_t{35}), "(35)");
  EXPECT_EQ(OperationName(uint8_t{39}), "(39)");
  EXPECT_EQ(OperationName(uint8_t{87}), "Internal87");
  EXPECT_EQ(OperationName(uint8_t{100}), "Internal100");
  EXPECT_EQ(OperationName(uint8_t{101}), "Internal101");
  EXPECT_EQ(OperationName(uint8_t{200}), "(200)");
}

}  // namespace
}  // namespace vaultara::data
