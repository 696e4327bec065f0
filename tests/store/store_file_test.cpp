#include "store/store_file.h"

#include <gtest/gtest.h>

#include <cstring>

#include "store/cipher.h"
#include "store/entry_cursor.h"
#include "store/format.h"
#include "store/status_numbers.h"
#include "tests/store/store_fixture.h"

namespace vaultara::store {
namespace {

using StoreFileTest = StoreFixture;

// Deciphers a raw copy of the file's first bytes.
StoreHeader HeaderOnDisk(const std::string& raw, const std::string& password) {
  std::string bytes = raw.substr(0, format::kHeaderSize);
  const CipherKey key = CipherKey::FromPassword(password);
  Decipher(key, reinterpret_cast<uint8_t*>(bytes.data()), bytes.size());
  return StoreHeader::Decode(reinterpret_cast<const uint8_t*>(bytes.data()));
}

TEST_F(StoreFileTest, EmptyFileBecomesAStoreAtItsFirstCommit) {
  auto file = OpenOrFail("new.zph", "Secret");
  EXPECT_EQ(Raw("new.zph").size(), 0u);
  ASSERT_TRUE(file->BeginWrite().ok());
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(file->Insert(StoreEntry(Key(i), "plain text")).ok());
  EXPECT_EQ(file->header().change_counter, 1u);
  ASSERT_TRUE(file->Commit().ok());

  ASSERT_TRUE(file->Truncate().ok());  // drops the spent journal
  const std::string raw = Raw("new.zph");
  ASSERT_EQ(raw.size(), 512u + 256u);  // the header and one root page
  const StoreHeader header = HeaderOnDisk(raw, "Secret");
  EXPECT_TRUE(header.HasSignature());
  EXPECT_EQ(header.change_counter, 3u);
  EXPECT_EQ(header.root_page, 0);
  EXPECT_EQ(header.region_start[1], 0u);
  EXPECT_EQ(header.region_end[1], 1u);
  EXPECT_EQ(header.journal_start, 768u);
  EXPECT_EQ(header.journal_end, 768u);
  // Nothing readable on disk: no signature, no key, no data.
  EXPECT_EQ(raw.find("zEpH"), std::string::npos);
  EXPECT_EQ(raw.find("key0000"), std::string::npos);
  EXPECT_EQ(raw.find("plain"), std::string::npos);

  file.reset();
  file = OpenOrFail("new.zph", "Secret");
  std::optional<StoreEntry> entry;
  ASSERT_TRUE(file->Find(Key(3), &entry).ok());
  ASSERT_TRUE(entry.has_value());
  EXPECT_EQ(entry->data(), "plain text");
}

TEST_F(StoreFileTest, WithoutPasswordTheFileIsPlain) {
  auto file = OpenOrFail("plain.zph", "   ");  // only spaces: no cipher
  ASSERT_TRUE(file->BeginWrite().ok());
  ASSERT_TRUE(file->Insert(StoreEntry("k", "visible")).ok());
  ASSERT_TRUE(file->Commit().ok());
  const std::string raw = Raw("plain.zph");
  EXPECT_EQ(raw.substr(14, 4), "zEpH");
  EXPECT_NE(raw.find("visible"), std::string::npos);
}

TEST_F(StoreFileTest, WrongPasswordReadsAsNotAStoreFile) {
  {
    auto file = OpenOrFail("locked.zph", "Owner");
    ASSERT_TRUE(file->BeginWrite().ok());
    ASSERT_TRUE(file->Insert(StoreEntry("k", "v")).ok());
    ASSERT_TRUE(file->Commit().ok());
  }
  for (const char* wrong : {"owner", "Owne", "", " Owner"}) {
    std::unique_ptr<StoreFile> file;
    EXPECT_EQ(Open("locked.zph", wrong, &file), Status::NotStoreFile()) << wrong;
  }
  EXPECT_NE(OpenOrFail("locked.zph", "Owner  "), nullptr);  // trailing spaces are not part of it
  // A file too short for a header is not a store file either.
  auto raw = ScratchFolder::OpenOrFail("short.zph", kReadWrite);
  Write(raw.get(), 0, std::string(100, 'x'));
  std::unique_ptr<StoreFile> file;
  EXPECT_EQ(Open("short.zph", "", &file), Status::NotStoreFile());
}

TEST_F(StoreFileTest, EntryLengthLimits) {
  auto file = OpenOrFail("big.zph", "pw");
  ASSERT_TRUE(file->BeginWrite().ok());
  const std::string key = "K";
  EXPECT_TRUE(file->Insert(StoreEntry(key + "1", std::string(15076 - 2, 'a'))).ok());
  EXPECT_EQ(file->Insert(StoreEntry(key + "2", std::string(15077 - 2, 'b'))),
            Status::Fault(status::kPageTooLarge));
  EXPECT_EQ(file->Insert(StoreEntry(key + "3", std::string(15093 - 2, 'c'))),
            Status::Fault(status::kPageTooLarge));
  EXPECT_EQ(file->Insert(StoreEntry(key + "4", std::string(15094 - 2, 'd'))),
            Status::Fault(status::kEntryTooLong));
}

TEST_F(StoreFileTest, LargestEntryIsStoredInAClass59Page) {
  {
    auto file = OpenOrFail("big.zph", "pw");
    ASSERT_TRUE(file->BeginWrite().ok());
    std::string data(15074, 0);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 % 251);
    ASSERT_TRUE(file->Insert(StoreEntry("K1", data)).ok());
    ASSERT_TRUE(file->Commit().ok());
    EXPECT_EQ(file->header().PagesIn(59), 1u);
  }
  auto file = OpenOrFail("big.zph", "pw");
  std::optional<StoreEntry> entry;
  ASSERT_TRUE(file->Find("K1", &entry).ok());
  ASSERT_TRUE(entry.has_value());
  EXPECT_EQ(entry->size(), 15076u);
}

TEST_F(StoreFileTest, DuplicateKeysAndReadModeChangesAreFaults) {
  auto file = OpenOrFail("f.zph", "pw");
  EXPECT_EQ(file->Insert(StoreEntry("a", "1")), Status::Fault(status::kTreeChangeInReadMode));
  std::array<uint8_t, 4> id;
  EXPECT_EQ(file->IssueIdentifier(&id), Status::Fault(status::kHeaderChangeInReadMode));
  ASSERT_TRUE(file->BeginWrite().ok());
  ASSERT_TRUE(file->Insert(StoreEntry("a", "1")).ok());
  EXPECT_EQ(file->Insert(StoreEntry("a", "2")), Status::Fault(status::kDuplicateKey));
}

TEST_F(StoreFileTest, IdentifiersCountBigEndian) {
  auto file = OpenOrFail("ids.zph", "pw");
  ASSERT_TRUE(file->BeginWrite().ok());
  std::array<uint8_t, 4> id{};
  for (int i = 0; i < 255; ++i) ASSERT_TRUE(file->IssueIdentifier(&id).ok());
  EXPECT_EQ(id, (std::array<uint8_t, 4>{0, 0, 0, 0xFF}));
  ASSERT_TRUE(file->IssueIdentifier(&id).ok());
  EXPECT_EQ(id, (std::array<uint8_t, 4>{0, 0, 1, 0}));
  ASSERT_TRUE(file->Commit().ok());
  EXPECT_EQ(HeaderOnDisk(Raw("ids.zph"), "pw").identifier, (std::array<uint8_t, 4>{0, 0, 1, 0}));
}

TEST_F(StoreFileTest, IdentifiersRunOutBeforeTheTopByteReachesFE) {
  {
    auto file = OpenOrFail("ids.zph", "");
    ASSERT_TRUE(file->BeginWrite().ok());
    ASSERT_TRUE(file->Insert(StoreEntry("k", "")).ok());
    ASSERT_TRUE(file->Commit().ok());
  }
  // Set the counter to FD FF FF FF by hand.
  auto raw = ScratchFolder::OpenOrFail("ids.zph", kReadWrite, platform::Disposition::kOpenExisting);
  Write(raw.get(), 20, std::string("\xFD\xFF\xFF\xFE", 4));
  raw.reset();
  auto file = OpenOrFail("ids.zph", "");
  ASSERT_TRUE(file->BeginWrite().ok());
  std::array<uint8_t, 4> id{};
  ASSERT_TRUE(file->IssueIdentifier(&id).ok());
  EXPECT_EQ(id, (std::array<uint8_t, 4>{0xFD, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(file->IssueIdentifier(&id), Status::Fault(status::kIdentifiersExhausted));
}

TEST_F(StoreFileTest, CursorsSurviveChanges) {
  auto file = OpenOrFail("c.zph", "pw");
  ASSERT_TRUE(file->BeginWrite().ok());
  for (int i = 0; i < 2000; i += 2) ASSERT_TRUE(file->Insert(StoreEntry(Key(i), "v")).ok());
  EntryCursor cursor(*file);
  ASSERT_TRUE(cursor.Seek(Key(501)).ok());
  ASSERT_TRUE(cursor.valid());
  EXPECT_EQ(cursor.entry().key(), Key(502));
  // Its own entry goes, neighbours arrive, pages split and are committed.
  bool deleted = false;
  ASSERT_TRUE(file->Delete(Key(502), &deleted).ok());
  EXPECT_TRUE(deleted);
  for (int i = 1; i < 2000; i += 2) ASSERT_TRUE(file->Insert(StoreEntry(Key(i), "w")).ok());
  ASSERT_TRUE(file->Commit().ok());
  ASSERT_TRUE(cursor.Next().ok());
  EXPECT_EQ(cursor.entry().key(), Key(503));
  ASSERT_TRUE(cursor.Previous().ok());  // 502 is gone
  EXPECT_EQ(cursor.entry().key(), Key(501));
  ASSERT_TRUE(cursor.SeekLast().ok());
  EXPECT_EQ(cursor.entry().key(), Key(1999));
  ASSERT_TRUE(cursor.Next().ok());
  EXPECT_FALSE(cursor.valid());
}

TEST_F(StoreFileTest, TruncateCutsAtTheEndOfThePageArea) {
  auto file = OpenOrFail("t.zph", "pw");
  ASSERT_TRUE(file->BeginWrite().ok());
  for (int i = 0; i < 3000; ++i) ASSERT_TRUE(file->Insert(StoreEntry(Key(i), "data")).ok());
  ASSERT_TRUE(file->Commit().ok());
  ASSERT_TRUE(file->BeginWrite().ok());
  for (int i = 0; i < 3000; ++i) ASSERT_TRUE(file->Delete(Key(i)).ok());
  ASSERT_TRUE(file->Commit().ok());
  const size_t before = Raw("t.zph").size();
  ASSERT_TRUE(file->Truncate().ok());
  EXPECT_EQ(Raw("t.zph").size(), file->header().EndOfPageArea());
  EXPECT_LT(Raw("t.zph").size(), before);
  EXPECT_EQ(file->header().EndOfPageArea(), 512u + 256u);  // only the empty root is left
}

}  // namespace
}  // namespace vaultara::store
