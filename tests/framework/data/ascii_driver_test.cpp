#include "framework/data/ascii_driver.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "data/error_state.h"
#include "data/error_texts.h"
#include "data/statements.h"
#include "tests/platform/scratch_folder.h"

namespace vaultara::framework {
namespace {

namespace err = data::err;

// A text file declared the way the error log declares its own: one field of
// 1024 characters, opened for reading and writing with sharing.
class AsciiDriverTest : public platform::ScratchFolder {
 protected:
  static constexpr uint32_t kShared = 0x42;

  void SetUp() override {
    ScratchFolder::SetUp();
    Declare(1024);
  }

  void Declare(uint32_t record_length, uint8_t attributes = data::attribute::kCreate) {
    record_.assign(record_length, ' ');
    path_ = PathOf("AFWError.Log");
    std::snprintf(name_, sizeof(name_), "%s", path_.c_str());
    file_ = std::make_unique<data::FileControlBlock>();
    file_->driver = &TheAsciiDriver();
    file_->name = {name_, data::TextVariable::kZeroTerminated};
    file_->options = {options_, data::TextVariable::kZeroTerminated};
    file_->attributes = attributes;
    file_->record = record_.data();
    file_->record_length = record_length;
  }

  void TearDown() override {
    if (file_) data::Destroy(*file_);
    ScratchFolder::TearDown();
  }

  void SetRecord(const std::string& text) {
    std::fill(record_.begin(), record_.end(), ' ');
    std::memcpy(record_.data(), text.data(), std::min(text.size(), record_.size()));
  }

  std::string Record() const {
    std::string r(record_.begin(), record_.end());
    return r.substr(0, r.find_last_not_of(' ') + 1);
  }

  std::string OnDisk() const {
    std::ifstream in(path_, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  void WriteDisk(const std::string& bytes) const {
    std::ofstream(path_, std::ios::binary) << bytes;
  }

  void AddLines(std::initializer_list<std::string> lines) {
    for (const std::string& line : lines) {
      SetRecord(line);
      ASSERT_EQ(data::Add(*file_), 0) << data::ErrorMessage();
    }
  }

  std::vector<std::string> ReadAll() {
    std::vector<std::string> lines;
    EXPECT_EQ(data::SetFile(*file_), 0);
    while (data::Next(*file_) == 0) lines.push_back(Record());
    EXPECT_EQ(data::ErrorCode(), err::kRecordNotAvailable);
    return lines;
  }

  std::string path_;
  char name_[512] = {};
  char options_[128] = {};
  std::vector<char> record_;
  std::unique_ptr<data::FileControlBlock> file_;
};

TEST_F(AsciiDriverTest, WritesClippedLinesAndReadsThemBack) {
  ASSERT_EQ(data::Create(*file_), 0);
  ASSERT_EQ(data::Open(*file_, kShared), 0);
  AddLines({"abc", "", "second line"});
  EXPECT_EQ(OnDisk(), "abc\r\n\r\nsecond line\r\n");
  EXPECT_EQ(ReadAll(), (std::vector<std::string>{"abc", "", "second line"}));
  EXPECT_EQ(data::Name(*file_), path_);
  ASSERT_EQ(data::Close(*file_), 0);

  // A second opening appends after what is there.
  ASSERT_EQ(data::Open(*file_, kShared), 0);
  AddLines({"third"});
  EXPECT_EQ(OnDisk(), "abc\r\n\r\nsecond line\r\nthird\r\n");
}

TEST_F(AsciiDriverTest, CtrlZAtTheEndIsOverwrittenAndEndsReading) {
  WriteDisk("one\r\n\x1A");
  ASSERT_EQ(data::Open(*file_, kShared), 0);
  EXPECT_EQ(ReadAll(), std::vector<std::string>{"one"});
  AddLines({"two"});
  EXPECT_EQ(OnDisk(), "one\r\ntwo\r\n");
}

TEST_F(AsciiDriverTest, OptionsChangeClippingAndTerminator) {
  std::strcpy(options_, "/clip = off /EndOfRecord=1,10");
  WriteDisk("");
  ASSERT_EQ(data::Open(*file_, kShared), 0);
  AddLines({"abc"});
  EXPECT_EQ(OnDisk(), "abc" + std::string(1021, ' ') + "\n");
  EXPECT_EQ(data::Send(*file_, "CLIP"), "OFF");
  EXPECT_EQ(data::Send(*file_, "/clip=on"), "ON");
  EXPECT_EQ(data::Send(*file_, "ENDOFRECORD"), "1,10");
  EXPECT_EQ(data::Send(*file_, "ENDOFRECORD=3,1,2"), "1,10");  // malformed: unchanged
  EXPECT_EQ(data::Send(*file_, "NOSUCH=1"), "");
  AddLines({"x"});
  EXPECT_EQ(ReadAll().back(), "x");
}

TEST_F(AsciiDriverTest, TabsExpandAsSetAndLongLinesAreCut) {
  struct Case {
    const char* tab;
    const char* expected;
  } cases[] = {{"8", "a       b"}, {"4", "a   b"}, {"-2", "a  b"}, {"0", "ab"}, {"-100", "a\tb"}};
  for (const Case& c : cases) {
    std::snprintf(options_, sizeof(options_), "/TAB=%s", c.tab);
    WriteDisk("a\tb\r\n");
    ASSERT_EQ(data::Open(*file_, 0x40), 0);
    EXPECT_EQ(ReadAll(), std::vector<std::string>{c.expected}) << c.tab;
    data::Close(*file_);
  }
  Declare(4);
  WriteDisk("abcdefgh\r\nxy\r\n");
  ASSERT_EQ(data::Open(*file_, 0x40), 0);
  EXPECT_EQ(ReadAll(), (std::vector<std::string>{"abcd", "xy"}));
}

TEST_F(AsciiDriverTest, ReportsItsErrors) {
  EXPECT_EQ(data::Open(*file_, kShared), err::kFileNotFound);
  EXPECT_EQ(data::ErrorCode(), err::kFileNotFound);

  WriteDisk("line\r\n");
  ASSERT_EQ(data::Open(*file_, 0x40), 0);  // read only
  EXPECT_EQ(data::Open(*file_, 0x40), err::kFileAlreadyOpen);
  SetRecord("nope");
  EXPECT_EQ(data::Add(*file_), err::kAccessDenied);
  EXPECT_EQ(OnDisk(), "line\r\n");
  EXPECT_EQ(data::Next(*file_), err::kRecordNotAvailable);  // not positioned
  EXPECT_EQ(data::Skip(*file_, 1), err::kRecordNotAvailable);
  EXPECT_EQ(data::SetFile(*file_), 0);
  EXPECT_EQ(data::Skip(*file_, 1), err::kUnsupportedFunction);
  data::Close(*file_);

  Declare(16, 0);
  EXPECT_EQ(data::Create(*file_), err::kNoCreateAttribute);
  name_[0] = '\0';
  EXPECT_EQ(data::Open(*file_, kShared), err::kInvalidFilename);
  std::snprintf(name_, sizeof(name_), "%s", PathOf("no/such/folder/x.log").c_str());
  EXPECT_EQ(data::Open(*file_, kShared), err::kPathNotFound);
}

TEST_F(AsciiDriverTest, AnotherOpenerThatDeniesWritingKeepsUsOut) {
  WriteDisk("");
  ASSERT_EQ(data::Open(*file_, 0x22), 0);  // read/write, deny write
  data::FileControlBlock second;
  second.driver = &TheAsciiDriver();
  second.name = file_->name;
  second.record = record_.data();
  second.record_length = 16;
  EXPECT_EQ(data::Open(second, kShared), err::kAccessDenied);
  EXPECT_EQ(data::Open(second, 0x20), err::kAccessDenied);  // we write, so they may not deny it
  EXPECT_EQ(data::Open(second, 0x40), 0);                   // reading beside us is fine
  data::Destroy(second);
}

TEST_F(AsciiDriverTest, ProcessesAppendingToOneSharedFileLoseNothing) {
  WriteDisk("");
  constexpr int kLines = 40;
  std::vector<pid_t> children;
  for (char who : {'a', 'b', 'c'}) {
    pid_t pid = fork();
    if (pid == 0) {
      int failures = data::Open(*file_, kShared) != 0;
      for (int i = 0; i < kLines; ++i) {
        SetRecord(std::string(1, who) + std::to_string(i));
        failures += data::Add(*file_) != 0;
      }
      data::Close(*file_);
      _exit(failures);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0) << "failed statements in a child";
  }
  ASSERT_EQ(data::Open(*file_, 0x40), 0);
  std::vector<std::string> lines = ReadAll();
  EXPECT_EQ(lines.size(), 3u * kLines);
  for (char who : {'a', 'b', 'c'}) {
    for (int i = 0; i < kLines; ++i) {
      std::string line = std::string(1, who) + std::to_string(i);
      EXPECT_EQ(std::count(lines.begin(), lines.end(), line), 1) << line;
    }
  }
}

}  // namespace
}  // namespace vaultara::framework
