#include "platform/profile_strings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>

namespace vaultara::platform {
namespace {

// Files and folders in memory, enough for the profile functions.
class MemoryPlatform : public Platform {
 public:
  std::map<std::string, std::string> files;
  std::set<std::string> folders{"/home"};
  bool fail_writes = false;

  class MemoryFile : public File {
   public:
    MemoryFile(MemoryPlatform* owner, std::string path) : owner_(owner), path_(std::move(path)) {}
    SysError ReadAt(uint64_t offset, void* buffer, size_t n, size_t* got) override {
      const std::string& data = owner_->files[path_];
      *got = offset >= data.size() ? 0 : std::min(n, data.size() - offset);
      if (*got) std::memcpy(buffer, data.data() + offset, *got);
      return syserr::kOk;
    }
    SysError WriteAt(uint64_t offset, const void* buffer, size_t n, size_t* written) override {
      *written = 0;
      if (owner_->fail_writes) return syserr::kDiskFull;
      std::string& data = owner_->files[path_];
      if (data.size() < offset + n) data.resize(offset + n);
      if (n) std::memcpy(data.data() + offset, buffer, n);
      *written = n;
      return syserr::kOk;
    }
    SysError Flush() override { return syserr::kOk; }
    SysError SetEnd(uint64_t length) override {
      owner_->files[path_].resize(length);
      return syserr::kOk;
    }
    SysError Size(uint64_t* length) override {
      *length = owner_->files[path_].size();
      return syserr::kOk;
    }
    SysError Lock(uint64_t, uint64_t, bool) override { return syserr::kOk; }
    SysError Unlock(uint64_t, uint64_t) override { return syserr::kOk; }
    const std::string& Path() const override { return path_; }

   private:
    MemoryPlatform* owner_;
    std::string path_;
  };

  SysError Open(const std::string& path, OpenMode, Disposition disposition,
                std::unique_ptr<File>* file) override {
    const bool exists = files.count(path) > 0;
    if (disposition == Disposition::kOpenExisting && !exists) return syserr::kFileNotFound;
    if (!folders.count(path.substr(0, path.rfind('/')))) return syserr::kPathNotFound;
    if (disposition == Disposition::kCreateAlways || !exists) files[path].clear();
    *file = std::make_unique<MemoryFile>(this, path);
    return syserr::kOk;
  }
  SysError OpenTemporary(std::unique_ptr<File>*) override { return syserr::kNotSupported; }
  SysError Delete(const std::string& path) override {
    return files.erase(path) ? syserr::kOk : syserr::kFileNotFound;
  }
  SysError Copy(const std::string&, const std::string&, bool) override {
    return syserr::kNotSupported;
  }
  SysError Rename(const std::string& from, const std::string& to) override {
    if (files.count(to)) return syserr::kFileExists;
    files[to] = files[from];
    files.erase(from);
    return syserr::kOk;
  }
  bool Exists(const std::string& path) override { return files.count(path) || folders.count(path); }
  bool IsDirectory(const std::string& path) override { return folders.count(path) > 0; }
  SysError MakeDirectory(const std::string& path) override {
    folders.insert(path);
    return syserr::kOk;
  }
  SysError CurrentDirectory(std::string* path) override {
    *path = "/home";
    return syserr::kOk;
  }
  SysError SetCurrentDirectory(const std::string&) override { return syserr::kOk; }
  uint32_t TickCount() override { return 0; }
  LocalTime Now() override { return {}; }
};

const std::string kFile = "/home/ann/.config/vaultara/profile.ini";

TEST(ProfileStrings, WritesAndReadsIgnoringCase) {
  MemoryPlatform platform;
  EXPECT_EQ(GetProfileString(platform, kFile, "intl", "sTime", ":"), ":");
  ASSERT_EQ(WriteProfileString(platform, kFile, "intl", "sTime", "."), syserr::kOk);
  ASSERT_EQ(WriteProfileString(platform, kFile, "MRU", "File1", "/home/ann/mine.vapwd"),
            syserr::kOk);
  ASSERT_EQ(WriteProfileString(platform, kFile, "INTL", "iTime", "1"), syserr::kOk);
  ASSERT_EQ(WriteProfileString(platform, kFile, "intl", "STIME", "-"), syserr::kOk);
  EXPECT_EQ(platform.files[kFile], "[intl]\nsTime=-\niTime=1\n[MRU]\nFile1=/home/ann/mine.vapwd\n");
  EXPECT_EQ(GetProfileString(platform, kFile, "Intl", "stime", ":"), "-");
  EXPECT_EQ(GetProfileString(platform, kFile, "intl", "itime", "0"), "1");
  EXPECT_EQ(GetProfileString(platform, kFile, "mru", "file1", ""), "/home/ann/mine.vapwd");
  EXPECT_EQ(FindProfileString(platform, kFile, "mru", "sTime"), std::nullopt);
  EXPECT_EQ(FindProfileString(platform, kFile, "other", "File1"), std::nullopt);
  EXPECT_FALSE(platform.files.count(kFile + ".new"));
}

TEST(ProfileStrings, ReadsHandWrittenFiles) {
  MemoryPlatform platform;
  platform.folders.insert("/home/ann");
  platform.files["/home/ann/a.ini"] =
      "; settings\r\n[ intl ]\r\n  sLongDate = \"dddd, d. MMMM yyyy\" \r\n;s1159=no\r\n"
      "empty=\r\n[next]\r\nsTime=x\r\n";
  EXPECT_EQ(GetProfileString(platform, "/home/ann/a.ini", "intl", "sLongDate", ""),
            "dddd, d. MMMM yyyy");
  EXPECT_EQ(FindProfileString(platform, "/home/ann/a.ini", "intl", "s1159"), std::nullopt);
  EXPECT_EQ(FindProfileString(platform, "/home/ann/a.ini", "intl", "empty"), "");
  EXPECT_EQ(FindProfileString(platform, "/home/ann/a.ini", "intl", "sTime"), std::nullopt);
  // A new key goes into its section, before the next one.
  ASSERT_EQ(WriteProfileString(platform, "/home/ann/a.ini", "intl", "sTime", ":"), syserr::kOk);
  EXPECT_EQ(GetProfileString(platform, "/home/ann/a.ini", "intl", "sTime", ""), ":");
  EXPECT_EQ(GetProfileString(platform, "/home/ann/a.ini", "next", "sTime", ""), "x");
}

TEST(ProfileStrings, FailedWriteKeepsTheOldFile) {
  MemoryPlatform platform;
  ASSERT_EQ(WriteProfileString(platform, kFile, "intl", "sTime", "."), syserr::kOk);
  platform.fail_writes = true;
  EXPECT_EQ(WriteProfileString(platform, kFile, "intl", "sTime", "-"), syserr::kDiskFull);
  EXPECT_EQ(GetProfileString(platform, kFile, "intl", "sTime", ""), ".");
  EXPECT_FALSE(platform.files.count(kFile + ".new"));
  // Only the new file left (the old one removed, the rename not done): it is read.
  platform.files.erase(kFile);
  platform.files[kFile + ".new"] = "[intl]\nsTime=;\n";
  EXPECT_EQ(GetProfileString(platform, kFile, "intl", "sTime", ""), ";");
}

TEST(ProfileStrings, UserProfilePath) {
  const char* old_config = std::getenv("XDG_CONFIG_HOME");
  const char* old_home = std::getenv("HOME");
  const std::string saved_config = old_config ? old_config : "";
  const std::string saved_home = old_home ? old_home : "";
  setenv("XDG_CONFIG_HOME", "/tmp/cfg", 1);
  EXPECT_EQ(UserProfilePath(), "/tmp/cfg/vaultara/profile.ini");
  unsetenv("XDG_CONFIG_HOME");
  setenv("HOME", "/home/ann", 1);
  EXPECT_EQ(UserProfilePath(), "/home/ann/.config/vaultara/profile.ini");
  if (old_config) setenv("XDG_CONFIG_HOME", saved_config.c_str(), 1);
  if (old_home) setenv("HOME", saved_home.c_str(), 1);
}

TEST(ProfileStrings, SettingsFromLocaleFormats) {
  const LocaleTimeFormats german{"%d.%m.%Y", "%T", "", ""};
  EXPECT_EQ(LocaleFormatSetting("sShortDate", german), "dd.MM.yyyy");
  EXPECT_EQ(LocaleFormatSetting("iTime", german), "1");
  EXPECT_EQ(LocaleFormatSetting("iTLzero", german), "1");
  EXPECT_EQ(LocaleFormatSetting("sTime", german), ":");
  EXPECT_EQ(LocaleFormatSetting("s1159", german), std::nullopt);
  EXPECT_EQ(LocaleFormatSetting("sLongDate", german), std::nullopt);

  const LocaleTimeFormats american{"%m/%d/%Y", "%r", "AM", "PM"};
  EXPECT_EQ(LocaleFormatSetting("sShortDate", american), "MM/dd/yyyy");
  EXPECT_EQ(LocaleFormatSetting("iTime", american), "0");
  EXPECT_EQ(LocaleFormatSetting("s2359", american), "PM");

  const LocaleTimeFormats other{"%Y-%m-%e", "%k.%M", "\xC3\xA5", "pm"};
  EXPECT_EQ(LocaleFormatSetting("sShortDate", other), "yyyy-MM-d");
  EXPECT_EQ(LocaleFormatSetting("iTLzero", other), "0");
  EXPECT_EQ(LocaleFormatSetting("sTime", other), ".");
  EXPECT_EQ(LocaleFormatSetting("s1159", other), std::nullopt);  // not ASCII
}

}  // namespace
}  // namespace vaultara::platform
