#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "data/error_texts.h"
#include "data/file_control_block.h"
#include "data/record_declaration.h"
#include "store/file_registry.h"
#include "store/table_handle.h"
#include "tests/platform/scratch_folder.h"

namespace vaultara::store {

// One declared table as a program declares it: its name variable, record
// declaration and buffer, keys and memos, and the handle over it.
struct DeclaredTable {
  char name[512] = {};
  data::RecordDeclaration declaration;
  std::vector<char> record;
  data::FileControlBlock fcb;
  std::unique_ptr<TableHandle> handle;

  void SetName(const std::string& text) { fcb.name.Write(text, sizeof name); }
  std::string Text(uint32_t offset, uint32_t length) const {
    return std::string(record.data() + offset, length);
  }
  void Put(uint32_t offset, const std::string& text) {
    std::copy(text.begin(), text.end(), record.begin() + offset);
  }
  std::vector<char>& memo(size_t i) { return fcb.memos[i]->buffer; }
  void SetMemo(size_t i, const std::string& text) {
    auto& buffer = memo(i);
    std::fill(buffer.begin(), buffer.end(), ' ');
    std::copy(text.begin(), text.begin() + std::min(text.size(), buffer.size()), buffer.begin());
  }
};

// A scratch folder, a file registry over it, and tables declared in it.
class TableFixture : public platform::ScratchFolder {
 protected:
  static constexpr uint32_t kReadWrite = 0x42;

  // A table named name (relative to the folder) with declaration and the
  // CREATE attribute; the caller adds keys and memos before Handle().
  std::unique_ptr<DeclaredTable> Declare(const std::string& name,
                                         data::RecordDeclaration declaration,
                                         uint8_t attributes = data::attribute::kCreate) {
    auto t = std::make_unique<DeclaredTable>();
    t->fcb.name.data = t->name;
    t->fcb.name.length = data::TextVariable::kZeroTerminated;
    t->SetName(name.empty() ? name : PathOf(name));
    t->declaration = std::move(declaration);
    t->record.assign(t->declaration.record_length, ' ');
    t->fcb.declaration = &t->declaration;
    t->fcb.record_length = t->declaration.record_length;
    t->fcb.record = t->record.data();
    t->fcb.attributes = attributes;
    return t;
  }

  // Makes the handle (after keys and memos are declared).
  TableHandle& Handle(DeclaredTable& t) {
    EXPECT_EQ(TableHandle::Make(t.fcb, platform_, {&files_, keys_, nullptr}, &t.handle), 0);
    return *t.handle;
  }

  // A table with a LONG and a 20-byte STRING, created (and opened).
  std::unique_ptr<DeclaredTable> Simple(const std::string& name, bool open = true) {
    data::RecordDeclarationBuilder b;
    b.Long("T:ID").String("T:NAME", 20);
    auto t = Declare(name, b.Build());
    Handle(*t);
    EXPECT_EQ(t->handle->Create(), 0) << name;
    if (open) {
      EXPECT_EQ(t->handle->Open(kReadWrite), 0) << name;
    }
    return t;
  }

  // Adds a record with the given name text and commits.
  Identifier AddRecord(DeclaredTable& t, const std::string& text) {
    std::fill(t.record.begin(), t.record.end(), ' ');
    t.Put(4, text);
    EXPECT_EQ(t.handle->Add(), 0);
    EXPECT_EQ(t.handle->Commit(), 0);
    return t.handle->current();
  }

  uint32_t Records(DeclaredTable& t) {
    uint32_t n = 0;
    EXPECT_EQ(t.handle->Records(&n), 0);
    return n;
  }

  bool Exists(const std::string& name) { return platform_.Exists(PathOf(name)); }

  FileRegistry files_{platform_};
  KeyMaintenance* keys_ = nullptr;
};

}  // namespace vaultara::store
