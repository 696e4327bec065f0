#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "data/file_control_block.h"
#include "data/record_declaration.h"
#include "platform/platform.h"
#include "store/file_registry.h"
#include "store/store_keys.h"
#include "store/table_handle.h"
#include "tests/platform/scratch_folder.h"

namespace vaultara::store {

// One table with keys in a scratch store file: declare its fields and keys,
// create and open it, then add records field by field. A test's own SetUp
// calls KeyTableFixture::SetUp() first, which makes the scratch folder.
class KeyTableFixture : public platform::ScratchFolder {
 protected:
  static constexpr uint32_t kReadWriteDenyNone = 0x42;

  // Declares the record; keys are added with Key() before Open().
  void Declare(data::RecordDeclarationBuilder builder) {
    declaration_ = builder.Build();
    record_.assign(declaration_.record_length, '\0');
    fcb_.declaration = &declaration_;
    fcb_.record_length = declaration_.record_length;
    fcb_.record = record_.data();
    fcb_.attributes = data::attribute::kCreate;
  }
  // Components by field name, "-" in front for descending.
  void Key(const std::string& label, uint32_t flags, const std::vector<std::string>& fields) {
    std::vector<int32_t> components;
    for (const std::string& f : fields) {
      const bool descending = f[0] == '-';
      const int32_t n = declaration_.Find(descending ? f.substr(1) : f) + 1;
      EXPECT_GT(n, 0) << f;
      components.push_back(descending ? -n : n);
    }
    fcb_.AddKey(label, flags, components);
  }
  // Creates the table (unless it exists) and opens it.
  void Open(platform::Platform* platform = nullptr, bool create = true) {
    if (platform != nullptr) files_ = std::make_unique<FileRegistry>(*platform);
    table_.reset();
    ASSERT_EQ(TableHandle::Make(fcb_, platform_, {files_.get(), &keys_, nullptr}, &table_), 0);
    table_->set_name(PathOf("keys.zph") + "\\!people");
    if (create) {
      ASSERT_EQ(table_->Create(), 0);
    }
    ASSERT_EQ(table_->Open(kReadWriteDenyNone), 0);
  }

  char* At(const std::string& field) {
    return record_.data() +
           declaration_.fields[static_cast<size_t>(declaration_.Find(field))].offset;
  }
  void SetLong(const std::string& field, int32_t v) { std::memcpy(At(field), &v, 4); }
  void SetReal(const std::string& field, double v) { std::memcpy(At(field), &v, 8); }
  void SetString(const std::string& field, const std::string& text) {
    const auto& f = declaration_.fields[static_cast<size_t>(declaration_.Find(field))];
    std::memset(At(field), ' ', f.size);
    std::memcpy(At(field), text.data(), std::min<size_t>(text.size(), f.size));
  }
  int32_t GetLong(const std::string& field) {
    int32_t v;
    std::memcpy(&v, At(field), 4);
    return v;
  }
  void Clear() { data::ClearRecord(declaration_, record_.data(), 0); }

  // Adds (or appends) the record buffer and commits (unless told to leave
  // the commit to a later add).
  int32_t Add(bool append = false, bool commit = true) {
    const int32_t error = append ? table_->Append() : table_->Add();
    if (!commit) return error;
    const int32_t committed = table_->Commit();
    return error != 0 ? error : committed;
  }
  int32_t Put() {
    const int32_t error = table_->Put();
    const int32_t committed = table_->Commit();
    return error != 0 ? error : committed;
  }

  uint32_t RecordsKey(size_t key) {
    uint32_t count = 0;
    EXPECT_EQ(keys_.RecordsKey(*table_, key, &count), 0);
    return count;
  }
  uint32_t RecordsFile() {
    uint32_t count = 0;
    EXPECT_EQ(table_->Records(&count), 0);
    return count;
  }
  Counter CounterOf(size_t key) {
    Counter counter;
    EXPECT_TRUE(keys_.KeysOf(*table_)->CounterOf(key, &counter).ok());
    table_->file().EndOperation();
    return counter;
  }
  // The record numbers of a key's entries, in key order.
  std::vector<uint32_t> Walk(size_t key) {
    TableKeys& keys = *keys_.KeysOf(*table_);
    std::vector<uint32_t> records;
    std::optional<StoreEntry> entry;
    EXPECT_TRUE(keys.FirstEntry(key, &entry).ok());
    while (entry) {
      records.push_back(RecordOfKeyEntry(*entry, keys.key(key)));
      const std::string at(entry->key());
      EXPECT_TRUE(keys.Step(key, at, true, &entry).ok());
    }
    table_->file().EndOperation();
    return records;
  }
  // The value of field `name` in each record of a key walk.
  std::vector<int32_t> WalkLongs(size_t key, const std::string& name) {
    std::vector<int32_t> values;
    for (uint32_t r : Walk(key)) {
      EXPECT_EQ(table_->Fetch(r), 0);
      values.push_back(GetLong(name));
    }
    return values;
  }

  data::RecordDeclaration declaration_;
  std::vector<char> record_;
  data::FileControlBlock fcb_;
  std::unique_ptr<FileRegistry> files_ = std::make_unique<FileRegistry>(platform_);
  StoreKeys keys_{platform_};
  std::unique_ptr<TableHandle> table_;

  // Closes the table before its scratch folder goes.
  void TearDown() override {
    table_.reset();
    ScratchFolder::TearDown();
  }
};

}  // namespace vaultara::store
