#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "data/error_state.h"
#include "data/file_control_block.h"
#include "data/record_declaration.h"
#include "data/statements.h"
#include "store/file_info.h"
#include "store/integrity_check.h"
#include "store/zephyron_driver.h"
#include "tests/platform/scratch_folder.h"

namespace vaultara::store {

// One table of the driver "ZEPHYRON" as a program declares it: records of a
// LONG id and a 20-byte name, a unique key on the id and a key with
// duplicates on the name, in a store file of a scratch folder. Everything
// goes through the file statements.
struct DriverTable {
  data::RecordDeclaration declaration;
  std::vector<char> record;
  std::string name;
  data::FileControlBlock fcb;
  data::KeyControlBlock* by_id = nullptr;
  data::KeyControlBlock* by_name = nullptr;
  std::map<int32_t, int32_t> pointers;  // record number by id

  DriverTable(ZephyronDriver& driver, const std::string& path, const std::string& table) {
    data::RecordDeclarationBuilder builder;
    builder.Long("PEO:ID").String("PEO:NAME", 20);
    declaration = builder.Build();
    record.assign(declaration.record_length, '\0');
    name = path + "\\!" + table;
    fcb.driver = &driver;
    fcb.name.data = name.data();
    fcb.name.length = static_cast<int32_t>(name.size());
    fcb.attributes = data::attribute::kCreate;
    fcb.declaration = &declaration;
    fcb.record = record.data();
    fcb.record_length = declaration.record_length;
    by_id = &fcb.AddKey("PEO:K_ID", data::key_flag::kPrimary, {1});
    by_name = &fcb.AddKey("PEO:K_NAME", data::key_flag::kDup | data::key_flag::kNoCase, {2});
  }
  ~DriverTable() {
    if (fcb.state() != nullptr) data::Destroy(fcb);
  }

  void Set(int32_t id, const std::string& text) {
    std::memcpy(record.data(), &id, 4);
    std::memset(record.data() + 4, ' ', 20);
    std::memcpy(record.data() + 4, text.data(), std::min<size_t>(text.size(), 20));
  }
  int32_t Id() const {
    int32_t id;
    std::memcpy(&id, record.data(), 4);
    return id;
  }
  int32_t Add(int32_t id, const std::string& text = "") {
    Set(id, text.empty() ? "n" + std::to_string(id) : text);
    const int32_t error = data::Add(fcb);
    if (error == 0) pointers[id] = data::PointerFile(fcb);
    return error;
  }
  // The id read by a statement, or -error when it failed.
  int32_t Read(int32_t outcome) const { return outcome == 0 ? Id() : -outcome; }
};

class DriverFixture : public platform::ScratchFolder {
 protected:
  static constexpr uint32_t kReadWriteDenyNone = 0x42;
  static constexpr uint32_t kReadWriteDenyAll = 0x12;

  void SetUp() override {
    ScratchFolder::SetUp();
    path_ = PathOf("people.zph");
    people_ = std::make_unique<DriverTable>(driver_, path_, "people");
    data::ClearErrors();
  }
  // Every file a driver test leaves behind must check clean.
  void TearDown() override {
    people_.reset();
    if (check_on_teardown_ && platform_.Exists(path_)) {
      std::unique_ptr<StoreFile> file;
      std::vector<std::string> problems;
      if (OpenForInspection(platform_, path_, "", &file).ok() &&
          CheckIntegrity(*file, &problems).ok()) {
        EXPECT_TRUE(problems.empty()) << problems.front();
      }
    }
    ScratchFolder::TearDown();
  }

  // Creates and opens the table and adds records with these ids, in order.
  void CreateWith(const std::vector<int32_t>& ids, uint32_t mode = kReadWriteDenyNone) {
    ASSERT_EQ(data::Create(people_->fcb), 0);
    ASSERT_EQ(data::Open(people_->fcb, mode), 0);
    for (int32_t id : ids) ASSERT_EQ(people_->Add(id), 0);
  }
  int32_t Next() { return people_->Read(data::Next(people_->fcb)); }
  int32_t Previous() { return people_->Read(data::Previous(people_->fcb)); }

  ZephyronDriver driver_{platform_};
  bool check_on_teardown_ = true;  // off for tests that damage their file
  std::string path_;
  std::unique_ptr<DriverTable> people_;
};

}  // namespace vaultara::store
