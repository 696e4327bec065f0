#include <sys/stat.h>

#include <filesystem>

#include "platform/code_page.h"
#include "tests/platform/scratch_folder.h"

namespace vaultara::platform {
namespace {

constexpr OpenMode kReadWrite{Access::kReadWrite, Share::kDenyNone};
constexpr OpenMode kReadOnly{Access::kRead, Share::kDenyNone};

using PosixFileTest = ScratchFolder;

TEST_F(PosixFileTest, PositionedReadWriteSizeAndSetEnd) {
  auto file = OpenOrFail("data", kReadWrite, Disposition::kCreateNew);
  Write(file.get(), 0, "hello world");
  Write(file.get(), 6, "WORLD");
  // A write far beyond the end leaves a hole of zero bytes.
  Write(file.get(), 20, "!");
  EXPECT_EQ(Contents(file.get()), std::string("hello WORLD") + std::string(9, '\0') + "!");

  char buffer[8];
  size_t got = 99;
  EXPECT_EQ(file->ReadAt(18, buffer, sizeof buffer, &got), syserr::kOk);
  EXPECT_EQ(got, 3u);  // short at the end
  EXPECT_EQ(file->ReadAt(1000, buffer, sizeof buffer, &got), syserr::kOk);
  EXPECT_EQ(got, 0u);

  ASSERT_EQ(file->SetEnd(5), syserr::kOk);
  EXPECT_EQ(Contents(file.get()), "hello");
  ASSERT_EQ(file->SetEnd(7), syserr::kOk);
  EXPECT_EQ(Contents(file.get()), std::string("hello\0\0", 7));
  EXPECT_EQ(file->Flush(), syserr::kOk);
}

TEST_F(PosixFileTest, CreatedFilesAreOwnerOnly) {
  OpenOrFail("secret", kReadWrite, Disposition::kCreateNew);
  std::unique_ptr<File> temporary;
  ASSERT_EQ(platform_.OpenTemporary(&temporary), syserr::kOk);
  ASSERT_EQ(platform_.Copy(PathOf("secret"), PathOf("copy"), true), syserr::kOk);
  for (const char* name : {"secret", "copy"}) {
    struct stat info;
    ASSERT_EQ(stat(PathOf(name).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u) << name;
  }
}

TEST_F(PosixFileTest, DispositionsAndAccess) {
  EXPECT_EQ(TryOpen("absent", kReadWrite, Disposition::kOpenExisting), syserr::kFileNotFound);
  EXPECT_FALSE(platform_.Exists(PathOf("absent")));

  auto file = OpenOrFail("f", kReadWrite, Disposition::kOpenOrCreate);
  Write(file.get(), 0, "keep");
  file.reset();
  EXPECT_EQ(TryOpen("f", kReadWrite, Disposition::kCreateNew), syserr::kFileExists);
  file = OpenOrFail("f", kReadWrite, Disposition::kOpenOrCreate);
  EXPECT_EQ(Contents(file.get()), "keep");
  file = OpenOrFail("f", kReadWrite, Disposition::kCreateAlways);
  EXPECT_EQ(Contents(file.get()), "");
  Write(file.get(), 0, "text");
  file.reset();

  // The access an opener asked for is the access it gets.
  auto reader = OpenOrFail("f", kReadOnly, Disposition::kOpenExisting);
  size_t count = 0;
  EXPECT_EQ(reader->WriteAt(0, "x", 1, &count), syserr::kAccessDenied);
  EXPECT_EQ(reader->SetEnd(0), syserr::kAccessDenied);
  EXPECT_EQ(Contents(reader.get()), "text");
  auto writer = OpenOrFail("f", {Access::kWrite, Share::kDenyNone}, Disposition::kOpenExisting);
  char byte;
  EXPECT_EQ(writer->ReadAt(0, &byte, 1, &count), syserr::kAccessDenied);

  // A read-only file can still be opened for reading, and locked.
  reader.reset();
  writer.reset();
  ASSERT_EQ(chmod(PathOf("f").c_str(), 0400), 0);
  if (geteuid() != 0) {
    EXPECT_EQ(TryOpen("f", kReadWrite), syserr::kAccessDenied);
  }
  reader = OpenOrFail("f", kReadOnly, Disposition::kOpenExisting);
  EXPECT_EQ(Contents(reader.get()), "text");
  EXPECT_EQ(reader->Lock(uint64_t{1} << 31, 1, /*exclusive=*/false), syserr::kOk);
}

// Errors of the path calls, as the callers see their numbers.
TEST_F(PosixFileTest, PathCallErrors) {
  OpenOrFail("present", kReadWrite, Disposition::kCreateNew);
  OpenOrFail("other", kReadWrite, Disposition::kCreateNew);
  ASSERT_EQ(platform_.MakeDirectory(PathOf("folder")), syserr::kOk);
  const std::string missing = PathOf("missing");
  const std::string in_missing_folder = PathOf("nofolder/file");
  std::unique_ptr<File> file;

  const struct {
    const char* what;
    SysError got;
    SysError expected;
  } cases[] = {
      {"open missing", TryOpen("missing", kReadWrite), syserr::kFileNotFound},
      {"open in missing folder", TryOpen("nofolder/file", kReadWrite, Disposition::kOpenOrCreate),
       syserr::kPathNotFound},
      {"open a folder", TryOpen("folder", kReadOnly), syserr::kAccessDenied},
      {"delete missing", platform_.Delete(missing), syserr::kFileNotFound},
      {"delete in missing folder", platform_.Delete(in_missing_folder), syserr::kPathNotFound},
      {"delete a folder", platform_.Delete(PathOf("folder")), syserr::kAccessDenied},
      {"copy missing", platform_.Copy(missing, PathOf("x"), false), syserr::kFileNotFound},
      {"copy onto existing", platform_.Copy(PathOf("present"), PathOf("other"), true),
       syserr::kFileExists},
      {"copy into missing folder", platform_.Copy(PathOf("present"), in_missing_folder, false),
       syserr::kPathNotFound},
      {"rename missing", platform_.Rename(missing, PathOf("x")), syserr::kFileNotFound},
      {"rename onto existing", platform_.Rename(PathOf("present"), PathOf("other")),
       syserr::kFileExists},
      {"rename into missing folder", platform_.Rename(PathOf("present"), in_missing_folder),
       syserr::kPathNotFound},
      {"make existing folder", platform_.MakeDirectory(PathOf("folder")), syserr::kFileExists},
      {"make folder in missing folder", platform_.MakeDirectory(in_missing_folder),
       syserr::kPathNotFound},
      {"enter missing folder", platform_.SetCurrentDirectory(missing), syserr::kFileNotFound},
      {"name with NUL",
       platform_.Open(std::string("a\0b", 3), kReadWrite, Disposition::kOpenOrCreate, &file),
       syserr::kInvalidName},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.expected) << c.what;
  // Nothing failed half-way: the files are as they were.
  EXPECT_TRUE(platform_.Exists(PathOf("present")));
  EXPECT_TRUE(platform_.Exists(PathOf("other")));
  EXPECT_FALSE(platform_.Exists(PathOf("x")));
}

TEST_F(PosixFileTest, CopyRenameDelete) {
  auto file = OpenOrFail("a", kReadWrite, Disposition::kCreateNew);
  const std::string big(200 * 1024 + 7, 'z');  // more than one buffer of the copy loop
  Write(file.get(), 0, big);
  file.reset();
  file = OpenOrFail("b", kReadWrite, Disposition::kCreateNew);
  Write(file.get(), 0, std::string(300 * 1024, 'o'));
  file.reset();

  ASSERT_EQ(platform_.Copy(PathOf("a"), PathOf("b"), /*fail_if_exists=*/false), syserr::kOk);
  file = OpenOrFail("b", kReadOnly, Disposition::kOpenExisting);
  EXPECT_EQ(Contents(file.get()), big);  // replaced, not overlaid
  file.reset();

  ASSERT_EQ(platform_.Rename(PathOf("b"), PathOf("c")), syserr::kOk);
  EXPECT_FALSE(platform_.Exists(PathOf("b")));
  ASSERT_EQ(platform_.MakeDirectory(PathOf("sub")), syserr::kOk);
  EXPECT_TRUE(platform_.IsDirectory(PathOf("sub")));
  ASSERT_EQ(platform_.Rename(PathOf("c"), PathOf("sub/c")), syserr::kOk);
  file = OpenOrFail("sub/c", kReadOnly, Disposition::kOpenExisting);
  EXPECT_EQ(Contents(file.get()), big);
  file.reset();

  ASSERT_EQ(platform_.Delete(PathOf("sub/c")), syserr::kOk);
  EXPECT_FALSE(platform_.Exists(PathOf("sub/c")));
}

TEST_F(PosixFileTest, CopyOntoItselfIsRefusedAndKeepsTheFile) {
  auto file = OpenOrFail("a", kReadWrite, Disposition::kCreateNew);
  Write(file.get(), 0, "precious");
  file.reset();
  EXPECT_EQ(platform_.Copy(PathOf("a"), PathOf("a"), false), syserr::kSharingViolation);
  file = OpenOrFail("a", kReadOnly, Disposition::kOpenExisting);
  EXPECT_EQ(Contents(file.get()), "precious");
}

TEST_F(PosixFileTest, NamesReachTheSystemAsUtf8) {
  const std::string name = "caf\xE9 \x80";  // "café €" in Windows-1252
  OpenOrFail(name, kReadWrite, Disposition::kCreateNew);
  EXPECT_TRUE(std::filesystem::exists(folder_ + "/caf\xC3\xA9 \xE2\x82\xAC"));
  EXPECT_TRUE(platform_.Exists(PathOf(name)));

  ASSERT_EQ(platform_.SetCurrentDirectory(folder_), syserr::kOk);
  ASSERT_EQ(platform_.MakeDirectory("d\xFC"), syserr::kOk);
  ASSERT_EQ(platform_.SetCurrentDirectory("d\xFC"), syserr::kOk);
  std::string current;
  ASSERT_EQ(platform_.CurrentDirectory(&current), syserr::kOk);
  EXPECT_EQ(current, *Windows1252FromUtf8(std::filesystem::canonical(folder_).string()) + "/d\xFC");
  ASSERT_EQ(platform_.SetCurrentDirectory("/"), syserr::kOk);
}

TEST_F(PosixFileTest, TemporaryFileLeavesNoName) {
  setenv("TMPDIR", folder_.c_str(), 1);
  std::unique_ptr<File> file;
  const SysError error = platform_.OpenTemporary(&file);
  unsetenv("TMPDIR");
  ASSERT_EQ(error, syserr::kOk);
  Write(file.get(), 0, "spill");
  EXPECT_EQ(Contents(file.get()), "spill");
  EXPECT_EQ(file->Path().rfind(folder_, 0), 0u);
  EXPECT_TRUE(std::filesystem::is_empty(folder_));
}

TEST_F(PosixFileTest, ClockAndCalendar) {
  const uint32_t before = platform_.TickCount();
  const LocalTime now = platform_.Now();
  EXPECT_GE(now.year, 2024);
  EXPECT_TRUE(now.month >= 1 && now.month <= 12);
  EXPECT_TRUE(now.day >= 1 && now.day <= 31);
  EXPECT_TRUE(now.day_of_week >= 0 && now.day_of_week <= 6);
  EXPECT_TRUE(now.hour >= 0 && now.hour <= 23 && now.minute >= 0 && now.minute <= 59);
  EXPECT_TRUE(now.second >= 0 && now.second <= 59);
  EXPECT_TRUE(now.millisecond >= 0 && now.millisecond <= 999);
  EXPECT_LT(static_cast<uint32_t>(platform_.TickCount() - before), 60000u);  // runs forwards
}

TEST(OpenModeTest, FromAccessMode) {
  const struct {
    uint32_t mode;
    Access access;
    Share share;
  } cases[] = {
      {0x00, Access::kRead, Share::kDenyNone},  {0x42, Access::kReadWrite, Share::kDenyNone},
      {0x01, Access::kWrite, Share::kDenyNone}, {0x12, Access::kReadWrite, Share::kDenyAll},
      {0x20, Access::kRead, Share::kDenyWrite}, {0x31, Access::kWrite, Share::kDenyRead},
      {0x03, Access::kRead, Share::kDenyNone},  {0x72, Access::kReadWrite, Share::kDenyAll},
  };
  for (const auto& c : cases) {
    const OpenMode mode = OpenMode::FromAccessMode(c.mode);
    EXPECT_EQ(mode.access, c.access) << c.mode;
    EXPECT_EQ(mode.share, c.share) << c.mode;
  }
}

}  // namespace
}  // namespace vaultara::platform
