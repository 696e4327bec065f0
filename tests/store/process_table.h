#pragma once

#include <cstring>
#include <memory>
#include <string>

#include "data/file_control_block.h"
#include "data/record_declaration.h"
#include "store/file_registry.h"
#include "store/table_handle.h"
#include "tests/store/store_fixture.h"

namespace vaultara::store {

// The table "people" of a store file as one process declares and opens it:
// records of a LONG and a 20-byte STRING, no keys, with its own registry (a
// forked child builds its own) or that of another table of the process.
class ProcessTable {
 public:
  explicit ProcessTable(const std::string& path, ProcessTable* sharing = nullptr)
      : own_registry_(platform::RealPlatform()),
        registry_(sharing ? sharing->registry() : own_registry_),
        name_(path + "\\!people") {
    data::RecordDeclarationBuilder builder;
    builder.Long("PEO:ID").String("PEO:NAME", 20);
    declaration_ = builder.Build();
    fcb_.declaration = &declaration_;
    fcb_.record_length = declaration_.record_length;
    record_.assign(declaration_.record_length, '\0');
    fcb_.record = record_.data();
    fcb_.attributes = data::attribute::kCreate;
    fcb_.name.data = name_.data();
    fcb_.name.length = static_cast<int32_t>(name_.size());
    TableServices services;
    services.files = &registry_;
    TableHandle::Make(fcb_, platform::RealPlatform(), services, &handle_);
  }

  int32_t Create() { return handle_->Create(); }
  int32_t Open() { return handle_->Open(0x42); }
  TableHandle& handle() { return *handle_; }
  FileRegistry& registry() { return registry_; }

  void SetName(const std::string& name) {
    std::memset(record_.data() + 4, ' ', 20);
    std::memcpy(record_.data() + 4, name.data(), std::min<size_t>(name.size(), 20));
  }
  std::string Name() const {
    std::string name(record_.data() + 4, 20);
    return name.substr(0, name.find_last_not_of(' ') + 1);
  }

  // One statement: the operation's result, then its commit (as the driver
  // ends every operation).
  int32_t Statement(int32_t result) {
    const int32_t commit = handle_->Commit();
    return result != 0 ? result : commit;
  }
  // Adds a record named name; *record receives its number.
  int32_t Add(const std::string& name, Identifier* record = nullptr) {
    SetName(name);
    const int32_t result = Statement(handle_->Add());
    if (record) *record = handle_->current();
    return result;
  }
  // Reads record and gives its name, or "error <n>".
  std::string Read(Identifier record) {
    const int32_t result = Statement(handle_->Fetch(record));
    return result == 0 ? Name() : "error " + std::to_string(result);
  }

 private:
  FileRegistry own_registry_;
  FileRegistry& registry_;
  std::string name_;
  data::RecordDeclaration declaration_;
  data::FileControlBlock fcb_;
  std::vector<char> record_;
  std::unique_ptr<TableHandle> handle_;
};

}  // namespace vaultara::store
