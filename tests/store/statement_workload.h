#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "data/error_state.h"
#include "data/error_texts.h"
#include "data/file_control_block.h"
#include "data/record_declaration.h"
#include "data/statements.h"
#include "data/transaction.h"
#include "store/zephyron_driver.h"

namespace vaultara::store {

// One record of a workload table.
struct WorkloadRow {
  std::string name;
  std::string group;
  std::string memo;
  bool operator==(const WorkloadRow&) const = default;
};
// How test failures show a row.
inline void PrintTo(const WorkloadRow& row, std::ostream* out) {
  *out << '{' << row.name << '|' << row.group << '|' << row.memo.size() << " memo bytes}";
}
// The records of one table by id, and of every workload table in order.
using WorkloadTableState = std::map<int32_t, WorkloadRow>;
using WorkloadState = std::vector<WorkloadTableState>;

// One statement of the workload, on table (an index into WorkloadTables).
struct WorkloadOp {
  enum Kind { kAdd, kChange, kDelete } kind;
  int table;
  int32_t id;
  WorkloadRow row;
};
// One committed unit: a single statement, or a LOGOUT/COMMIT transaction of
// several statements over the tables they name.
struct WorkloadStep {
  std::vector<WorkloadOp> ops;
  bool transaction = false;
};

// The tables the workload runs on: three tables of an enciphered store file
// ("vault.zph": PRODUCTS, TYPES, VENDORS) and one of a plain second file
// ("journal.zph": ENTRIES), so that transactions span two files. Each table
// has records of a LONG id, a 20-byte name and an 8-byte group, three keys
// (unique id; name with duplicates, case-insensitive; unique group and id)
// and a 400-byte text memo, which takes two segments when long.
class WorkloadTables {
 public:
  static constexpr int kTables = 4;
  static constexpr int kKeys = 3;
  static constexpr uint32_t kReadWriteDenyNone = 0x42;

  struct Table {
    data::RecordDeclaration declaration;
    std::vector<char> record;
    std::string name;
    std::string password;
    data::FileControlBlock fcb;
    data::KeyControlBlock* by_id = nullptr;
  };

  WorkloadTables(ZephyronDriver& driver, const std::string& folder) {
    static const char* const kNames[kTables] = {"vault.zph\\!PRODUCTS", "vault.zph\\!TYPES",
                                                "vault.zph\\!VENDORS", "journal.zph\\!ENTRIES"};
    for (int t = 0; t < kTables; ++t) {
      auto table = std::make_unique<Table>();
      data::RecordDeclarationBuilder builder;
      builder.Long("W:ID").String("W:NAME", 20).String("W:GROUP", 8);
      table->declaration = builder.Build();
      table->record.assign(table->declaration.record_length, '\0');
      table->name = folder + "/" + kNames[t];
      table->password = t < 3 ? "vault secret" : "";
      data::FileControlBlock& fcb = table->fcb;
      fcb.driver = &driver;
      fcb.name.data = table->name.data();
      fcb.name.length = static_cast<int32_t>(table->name.size());
      fcb.owner.data = table->password.data();
      fcb.owner.length = static_cast<int32_t>(table->password.size());
      fcb.attributes = data::attribute::kCreate | (t < 3 ? data::attribute::kEncrypt : 0);
      fcb.declaration = &table->declaration;
      fcb.record = table->record.data();
      fcb.record_length = table->declaration.record_length;
      table->by_id = &fcb.AddKey("W:K_ID", data::key_flag::kPrimary, {1});
      fcb.AddKey("W:K_NAME", data::key_flag::kDup | data::key_flag::kNoCase, {2});
      fcb.AddKey("W:K_GROUP", 0, {3, 1});
      fcb.AddMemo("W:NOTES", 400);
      tables_.push_back(std::move(table));
    }
  }
  ~WorkloadTables() {
    for (auto& table : tables_) {
      if (table->fcb.state() != nullptr) data::Destroy(table->fcb);
    }
  }

  Table& table(int t) { return *tables_[t]; }

  // Creates every table (the files too); they are left closed.
  int32_t Create() {
    for (auto& table : tables_) {
      if (const int32_t error = data::Create(table->fcb)) return error;
    }
    return 0;
  }
  int32_t Open(uint32_t mode = kReadWriteDenyNone) {
    for (auto& table : tables_) {
      if (const int32_t error = data::Open(table->fcb, mode)) return error;
    }
    return 0;
  }
  void Close() {
    for (auto& table : tables_) data::Close(table->fcb);
  }

  // Runs one step through the statements; returns the first error (a failed
  // transaction is rolled back).
  int32_t Apply(const WorkloadStep& step) {
    if (!step.transaction) return Apply(step.ops.front());
    std::set<int> involved;
    for (const WorkloadOp& op : step.ops) involved.insert(op.table);
    std::vector<data::FileControlBlock*> files;
    for (int t : involved) files.push_back(&tables_[t]->fcb);
    if (const int32_t error = data::Logout(1, files)) return error;
    for (const WorkloadOp& op : step.ops) {
      if (const int32_t error = Apply(op)) {
        data::Rollback();
        return error;
      }
    }
    return data::Commit();
  }

  int32_t Apply(const WorkloadOp& op) {
    if (op.kind != WorkloadOp::kAdd) {
      if (const int32_t error = Get(op.table, op.id)) return error;
      if (op.kind == WorkloadOp::kDelete) return data::Delete(tables_[op.table]->fcb);
    }
    SetRow(op.table, op.id, op.row);
    return op.kind == WorkloadOp::kAdd ? data::Add(tables_[op.table]->fcb)
                                       : data::Put(tables_[op.table]->fcb);
  }

  // Reads the record id of table t by its unique key (with a hold or watch
  // when one was asked for).
  int32_t Get(int t, int32_t id) {
    SetId(*tables_[t], id);
    return data::GetFileKey(tables_[t]->fcb, *tables_[t]->by_id);
  }
  // Fills the record buffer and memo of table t.
  void SetRow(int t, int32_t id, const WorkloadRow& row) {
    Table& table = *tables_[t];
    SetId(table, id);
    SetText(table.record.data() + 4, 20, row.name);
    SetText(table.record.data() + 24, 8, row.group);
    std::vector<char>& memo = table.fcb.memos[0]->buffer;
    SetText(memo.data(), memo.size(), row.memo);
  }
  // The record in the buffer of table t.
  WorkloadRow Row(int t) {
    Table& table = *tables_[t];
    const std::vector<char>& memo = table.fcb.memos[0]->buffer;
    return {Trimmed(table.record.data() + 4, 20), Trimmed(table.record.data() + 24, 8),
            Trimmed(memo.data(), memo.size())};
  }
  int32_t Id(int t) {
    int32_t id = 0;
    std::memcpy(&id, tables_[t]->record.data(), 4);
    return id;
  }

  // Opens one table; without the create attribute a missing file or table
  // is an error instead of being created.
  int32_t OpenTable(int t, bool create, uint32_t mode = kReadWriteDenyNone) {
    data::FileControlBlock& fcb = tables_[t]->fcb;
    fcb.attributes = static_cast<uint8_t>(create ? fcb.attributes | data::attribute::kCreate
                                                 : fcb.attributes & ~data::attribute::kCreate);
    return data::Open(fcb, mode);
  }

  // Reads every record of every table in record order; *error receives the
  // first error other than the end of a table (-1 for an id read twice).
  WorkloadState ReadAll(int32_t* error) {
    WorkloadState state(kTables);
    *error = 0;
    for (int t = 0; t < kTables && *error == 0; ++t) *error = ReadTable(t, &state[t]);
    return state;
  }

  // Reads table t in record order into *rows; returns the first error.
  int32_t ReadTable(int t, WorkloadTableState* rows) {
    Table& table = *tables_[t];
    if (const int32_t error = data::SetFile(table.fcb)) return error;
    for (;;) {
      const int32_t outcome = data::Next(table.fcb);
      if (outcome == data::err::kRecordNotAvailable) return 0;
      if (outcome != 0) return outcome;
      if (!rows->emplace(Id(t), Row(t)).second) return -1;
    }
  }

  // Reads table t in the order of each of its keys, forwards and backwards,
  // and looks a few ids up; returns the first error other than the end of a
  // sequence or a missing record (35), which a damaged file may well give.
  int32_t ReadByKeys(int t) {
    Table& table = *tables_[t];
    for (auto& key : table.fcb.keys) {
      for (bool forward : {true, false}) {
        if (const int32_t error = data::SetKey(*key)) return error;
        for (int n = 0; n < 100000; ++n) {
          const int32_t outcome = forward ? data::Next(table.fcb) : data::Previous(table.fcb);
          if (outcome == data::err::kRecordNotAvailable) break;
          if (outcome != 0) return outcome;
        }
      }
    }
    for (int32_t id = 1; id <= 8; ++id) {
      SetId(table, id);
      const int32_t outcome = data::GetFileKey(table.fcb, *table.by_id);
      if (outcome != 0 && outcome != data::err::kRecordNotFound) return outcome;
    }
    return 0;
  }

 private:
  static void SetId(Table& table, int32_t id) { std::memcpy(table.record.data(), &id, 4); }
  static void SetText(char* to, size_t size, const std::string& text) {
    std::memset(to, ' ', size);
    std::memcpy(to, text.data(), std::min(size, text.size()));
  }
  static std::string Trimmed(const char* from, size_t size) {
    std::string text(from, size);
    const size_t end = text.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : text.substr(0, end + 1);
  }

  std::vector<std::unique_ptr<Table>> tables_;
};

// A fixed workload of steps and the state after each: state(0) is four
// empty tables, state(s) the state once steps 0..s-1 are committed. Adds,
// changes and deletes over all four tables, with names that repeat (the
// duplicate key), memos of one and two segments and blank ones; every
// seventh step is a transaction over a table of each file.
class Workload {
 public:
  explicit Workload(int steps) {
    states_.push_back(WorkloadState(WorkloadTables::kTables));
    uint32_t seed = 12345;
    auto random = [&seed](uint32_t below) {
      seed = seed * 1103515245u + 12345u;
      return (seed >> 16) % below;
    };
    int32_t next_id[WorkloadTables::kTables] = {1, 1, 1, 1};
    for (int s = 0; s < steps; ++s) {
      WorkloadState state = states_.back();
      WorkloadStep step;
      step.transaction = s % 7 == 6;
      const int count = step.transaction ? 3 : 1;
      for (int i = 0; i < count; ++i) {
        const int t = step.transaction ? (i == 0 ? 3 : static_cast<int>(random(3)))
                                       : static_cast<int>(random(WorkloadTables::kTables));
        WorkloadTableState& table = state[t];
        WorkloadOp op{WorkloadOp::kAdd, t, 0, {}};
        const uint32_t roll = random(10);
        if (table.size() >= 2 && roll < 3) {
          op.kind = roll == 0 ? WorkloadOp::kDelete : WorkloadOp::kChange;
          op.id = std::next(table.begin(), random(static_cast<uint32_t>(table.size())))->first;
        } else {
          op.id = next_id[t]++;
        }
        if (op.kind != WorkloadOp::kDelete) {
          op.row.name = "name " + std::to_string(random(5));
          op.row.group = "g" + std::to_string(op.id * 7 + s);
          const uint32_t memo = random(3);
          op.row.memo = memo == 0   ? std::string()
                        : memo == 1 ? "memo of step " + std::to_string(s)
                                    : std::string(300, static_cast<char>('a' + s % 26)) + "!";
        }
        if (op.kind == WorkloadOp::kDelete) {
          table.erase(op.id);
        } else {
          table[op.id] = op.row;
        }
        step.ops.push_back(op);
      }
      steps_.push_back(step);
      states_.push_back(state);
    }
  }

  const std::vector<WorkloadStep>& steps() const { return steps_; }
  const WorkloadState& state(size_t completed) const { return states_[completed]; }

 private:
  std::vector<WorkloadStep> steps_;
  std::vector<WorkloadState> states_;
};

}  // namespace vaultara::store
