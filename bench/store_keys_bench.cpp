// Key builds and key maintenance: records per second.
//
//   BM_BuildKey/n         a full build of one LONG key over n appended records
//                         (the sorter spills past about one megabyte of items)
//   BM_AddWithFourKeys/n  n adds to a table with four keys, committed every
//                         1000 adds
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
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

namespace {

using namespace vaultara;

std::string ScratchPath(const std::string& name) {
  const char* tmp = std::getenv("TMPDIR");
  const std::string folder =
      std::string(tmp != nullptr ? tmp : "/tmp") + "/store_keys_bench." + std::to_string(getpid());
  platform::RealPlatform().MakeDirectory(folder);
  return folder + "/" + name;
}

// A table of people: number, two texts and a date, with up to four keys.
struct PeopleTable {
  data::RecordDeclaration declaration;
  std::vector<char> record;
  data::FileControlBlock fcb;
  store::FileRegistry files{platform::RealPlatform()};
  store::StoreKeys keys{platform::RealPlatform()};
  std::unique_ptr<store::TableHandle> table;

  PeopleTable(const std::string& name, int key_count) {
    data::RecordDeclarationBuilder b;
    b.Long("P:ID").String("P:NAME", 24).String("P:CITY", 16).Date("P:BORN");
    declaration = b.Build();
    record.assign(declaration.record_length, ' ');
    fcb.declaration = &declaration;
    fcb.record_length = declaration.record_length;
    fcb.record = record.data();
    fcb.attributes = data::attribute::kCreate;
    const std::vector<std::vector<int32_t>> components = {{1}, {2, 1}, {-4, 2}, {3, 2}};
    for (int k = 0; k < key_count; ++k) {
      fcb.AddKey("P:K" + std::to_string(k), k == 0 ? 0 : data::key_flag::kDup, components[k]);
    }
    store::TableHandle::Make(fcb, platform::RealPlatform(), {&files, &keys, nullptr}, &table);
    table->set_name(ScratchPath(name) + "\\!people");
    table->Create();
    table->Open(0x42);
  }
  ~PeopleTable() {
    const std::string path = table->registered_file()->path;
    table.reset();
    platform::RealPlatform().Delete(path);
  }

  void Fill(int64_t i) {
    const auto id = static_cast<int32_t>(i * 7919 % 1000003);
    std::memcpy(record.data(), &id, 4);
    std::snprintf(record.data() + 4, 25, "Name %-18lld", static_cast<long long>(i % 50000));
    std::snprintf(record.data() + 28, 17, "City %-10lld", static_cast<long long>(i % 300));
    const int32_t born = 36000 + static_cast<int32_t>(i % 20000);
    std::memcpy(record.data() + 44, &born, 4);
  }
};

void BM_BuildKey(benchmark::State& state) {
  const int64_t n = state.range(0);
  PeopleTable people("build.zph", 1);
  for (int64_t i = 0; i < n; ++i) {
    people.Fill(i);
    people.table->Append();
    if (i % 10000 == 9999) people.table->Commit();
  }
  people.table->Commit();
  people.table->set_full_build(true);
  for (auto _ : state) {
    const int32_t error = people.keys.BuildKey(*people.table, 0);
    if (error != 0)
      state.SkipWithError(("build failed: " + std::to_string(error) + " status " +
                           std::to_string(people.table->fault_status()))
                              .c_str());
  }
  state.counters["records/s"] =
      benchmark::Counter(static_cast<double>(n), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_BuildKey)
    ->Arg(1000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

void BM_AddWithFourKeys(benchmark::State& state) {
  const int64_t n = state.range(0);
  for (auto _ : state) {
    state.PauseTiming();
    auto people = std::make_unique<PeopleTable>("maintain.zph", 4);
    state.ResumeTiming();
    for (int64_t i = 0; i < n; ++i) {
      people->Fill(i);
      if (people->table->Add() != 0) state.SkipWithError("add failed");
      if (i % 1000 == 999) people->table->Commit();
    }
    people->table->Commit();
    state.PauseTiming();
    people.reset();
    state.ResumeTiming();
  }
  state.counters["records/s"] =
      benchmark::Counter(static_cast<double>(n), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_AddWithFourKeys)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
