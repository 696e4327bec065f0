#include "store/integrity_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "store/file_info.h"
#include "store/key_entry.h"
#include "tests/store/driver_fixture.h"

namespace vaultara::store {
namespace {

class IntegrityCheckTest : public DriverFixture {
 protected:
  IntegrityCheckTest() { check_on_teardown_ = false; }

  // Writes the people table with a few hundred records, so that the tree
  // has index pages, then lets go of it.
  void WriteTable(int records) {
    CreateWith({});
    ASSERT_EQ(data::Stream(people_->fcb), 0);
    for (int id = 1; id <= records; ++id) {
      ASSERT_EQ(people_->Add(id, "name " + std::to_string(id % 37)), 0);
    }
    ASSERT_EQ(data::Close(people_->fcb), 0);
  }

  std::vector<std::string> Check(const std::string& password = "") {
    std::unique_ptr<StoreFile> file;
    Status status = OpenForInspection(platform_, path_, password, &file);
    EXPECT_TRUE(status.ok());
    std::vector<std::string> problems;
    if (status.ok()) {
      EXPECT_TRUE(CheckIntegrity(*file, &problems).ok());
    }
    return problems;
  }

  // Changes the stored file directly (no statements): body runs in write
  // mode and is committed.
  template <typename Body>
  void Tamper(Body body) {
    std::unique_ptr<StoreFile> file;
    ASSERT_TRUE(StoreFile::Open(platform_, path_, platform::OpenMode{},
                                platform::Disposition::kOpenExisting, "", &file)
                    .ok());
    ASSERT_TRUE(file->BeginWrite().ok());
    body(*file);
    ASSERT_TRUE(file->Commit().ok());
  }

  Identifier TableNumber() {
    std::unique_ptr<StoreFile> file;
    EXPECT_TRUE(OpenForInspection(platform_, path_, "", &file).ok());
    std::vector<StoredTable> tables;
    EXPECT_TRUE(ListTables(*file, &tables).ok());
    return tables.empty() ? 0 : tables[0].number;
  }

  static bool Mentions(const std::vector<std::string>& problems, const std::string& text) {
    return std::any_of(problems.begin(), problems.end(),
                       [&](const std::string& p) { return p.find(text) != std::string::npos; });
  }
};

TEST_F(IntegrityCheckTest, SoundFilesHaveNoProblems) {
  WriteTable(0);
  EXPECT_TRUE(Check().empty());
  ASSERT_EQ(data::Open(people_->fcb, kReadWriteDenyNone), 0);
  ASSERT_EQ(data::Stream(people_->fcb), 0);
  for (int id = 1; id <= 400; ++id) ASSERT_EQ(people_->Add(id, "n" + std::to_string(id % 7)), 0);
  // Deletes and changes leave it sound too.
  ASSERT_EQ(data::SetFile(people_->fcb), 0);
  for (int i = 0; i < 50; ++i) {
    ASSERT_EQ(data::Next(people_->fcb), 0);
    if (i % 2 == 0) {
      ASSERT_EQ(data::Delete(people_->fcb), 0);
    } else {
      people_->Set(people_->Id(), "changed");
      ASSERT_EQ(data::Put(people_->fcb), 0);
    }
  }
  ASSERT_EQ(data::Close(people_->fcb), 0);
  EXPECT_EQ(Check(), std::vector<std::string>());
}

TEST_F(IntegrityCheckTest, FindsADamagedPage) {
  WriteTable(300);
  // Overwrite the middle of the last page of the file.
  auto file = OpenOrFail("people.zph", platform::OpenMode{}, platform::Disposition::kOpenExisting);
  uint64_t size = 0;
  ASSERT_EQ(file->Size(&size), platform::syserr::kOk);
  const std::string junk(200, '\x5a');
  size_t written = 0;
  ASSERT_EQ(file->WriteAt(size - 256 - 100, junk.data(), junk.size(), &written),
            platform::syserr::kOk);
  file.reset();
  const std::vector<std::string> problems = Check();
  EXPECT_TRUE(Mentions(problems, "damaged")) << ::testing::PrintToString(problems);
}

TEST_F(IntegrityCheckTest, FindsAMissingKeyEntryAndAWrongCounter) {
  WriteTable(3);
  const Identifier table = TableNumber();
  Tamper([&](StoreFile& file) {
    // The first entry of the name key (key number 1).
    std::optional<StoreEntry> entry;
    ASSERT_TRUE(file.Successor(KeyPrefix(table, 1), &entry).ok());
    ASSERT_TRUE(entry.has_value());
    ASSERT_TRUE(file.Delete(entry->key()).ok());
  });
  const std::vector<std::string> problems = Check();
  EXPECT_TRUE(Mentions(problems, "PEO:K_NAME: record ")) << ::testing::PrintToString(problems);
  EXPECT_TRUE(Mentions(problems, "has no entry"));
  EXPECT_TRUE(Mentions(problems, "counter says 3 entries, the key holds 2"));
}

TEST_F(IntegrityCheckTest, FindsKeyEntriesOfMissingRecordsAndStrayEntries) {
  WriteTable(3);
  const Identifier table = TableNumber();
  Tamper([&](StoreFile& file) {
    // Remove the first record but leave its key entries.
    std::optional<StoreEntry> record;
    ASSERT_TRUE(file.Successor(DataKey(table, 0), &record).ok());
    ASSERT_TRUE(record.has_value());
    ASSERT_TRUE(file.Delete(record->key()).ok());
    ASSERT_TRUE(file.Insert(StoreEntry(BigEndian(table + 1000) + "\xF3" + BigEndian(1), "x")).ok());
  });
  const std::vector<std::string> problems = Check();
  EXPECT_TRUE(Mentions(problems, "which does not exist")) << ::testing::PrintToString(problems);
  EXPECT_TRUE(Mentions(problems, "data counter says 3 records, the table holds 2"));
  EXPECT_TRUE(Mentions(problems, "belong to no named table"));
}

TEST_F(IntegrityCheckTest, FileInfoReportsHeaderRegionsAndTables) {
  WriteTable(5);
  FileInfo info;
  ASSERT_TRUE(ReadFileInfo(platform_, path_, "", &info).ok());
  EXPECT_FALSE(info.enciphered);
  EXPECT_FALSE(info.header.JournalPending());
  ASSERT_EQ(info.tables.size(), 1u);
  EXPECT_EQ(info.tables[0].table.name, "PEOPLE");
  EXPECT_EQ(info.tables[0].records, 5u);
  ASSERT_FALSE(info.regions.empty());
  EXPECT_EQ(info.file_size, info.end_of_page_area);
  const std::string report = FormatFileInfo(info);
  EXPECT_NE(report.find("journal: none pending"), std::string::npos) << report;
  EXPECT_NE(report.find("PEOPLE: table number"), std::string::npos) << report;
  EXPECT_NE(report.find("5 records"), std::string::npos) << report;
}

}  // namespace
}  // namespace vaultara::store
