// Cipher throughput and the entry tree's insert and exact-lookup rates in one
// store file of 10^4, 10^5 and 10^6 entries.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "store/cipher.h"
#include "store/store_file.h"

namespace vaultara::store {
namespace {

void BM_Encipher(benchmark::State& state) {
  const CipherKey key = CipherKey::FromPassword("benchmark password");
  std::vector<uint8_t> buffer(64 * 1024, 0x5A);
  for (auto _ : state) {
    Encipher(key, buffer.data(), buffer.size());
    benchmark::DoNotOptimize(buffer.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * buffer.size()));
}
BENCHMARK(BM_Encipher);

void BM_Decipher(benchmark::State& state) {
  const CipherKey key = CipherKey::FromPassword("benchmark password");
  std::vector<uint8_t> buffer(64 * 1024, 0x5A);
  for (auto _ : state) {
    Decipher(key, buffer.data(), buffer.size());
    benchmark::DoNotOptimize(buffer.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * buffer.size()));
}
BENCHMARK(BM_Decipher);

// Keys shaped like record keys: a table number, a kind byte, a record number.
std::string RecordKey(uint32_t n) {
  std::string key = std::string("\x00\x00\x00\x01\xF3", 5);
  for (int shift = 24; shift >= 0; shift -= 8) key += static_cast<char>(n >> shift);
  return key;
}

std::string BenchPath(int64_t n) {
  return (std::filesystem::temp_directory_path() / ("vaultara-bench-" + std::to_string(n) + ".zph"))
      .string();
}

std::unique_ptr<StoreFile> OpenBenchFile(const std::string& path) {
  std::unique_ptr<StoreFile> file;
  StoreFile::Open(platform::RealPlatform(), path, {}, platform::Disposition::kOpenOrCreate, "bench",
                  &file);
  return file;
}

// Inserts n entries in random order, committing every 1000, into a new file.
void FillFile(const std::string& path, int64_t n) {
  platform::RealPlatform().Delete(path);
  auto file = OpenBenchFile(path);
  std::vector<uint32_t> order(static_cast<size_t>(n));
  for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<uint32_t>(i);
  std::shuffle(order.begin(), order.end(), std::mt19937(1));
  const std::string data(40, 'd');
  file->BeginWrite();
  for (size_t i = 0; i < order.size(); ++i) {
    file->Insert(StoreEntry(RecordKey(order[i]), data));
    if (i % 1000 == 999) {
      file->Commit();
      file->BeginWrite();
    }
  }
  file->Commit();
}

void BM_TreeInsert(benchmark::State& state) {
  const int64_t n = state.range(0);
  const std::string path = BenchPath(n);
  for (auto _ : state) FillFile(path, n);
  state.SetItemsProcessed(state.iterations() * n);
  platform::RealPlatform().Delete(path);
}
BENCHMARK(BM_TreeInsert)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

void BM_TreeExactLookup(benchmark::State& state) {
  const int64_t n = state.range(0);
  const std::string path = BenchPath(n);
  FillFile(path, n);
  auto file = OpenBenchFile(path);
  std::mt19937 random(2);
  std::optional<StoreEntry> entry;
  int64_t found = 0;
  for (auto _ : state) {
    file->Find(RecordKey(static_cast<uint32_t>(random() % n)), &entry);
    found += entry.has_value();
    file->EndOperation();  // every statement validates the header again
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["found"] = static_cast<double>(found) / static_cast<double>(state.iterations());
  file.reset();
  platform::RealPlatform().Delete(path);
}
BENCHMARK(BM_TreeExactLookup)->Arg(10000)->Arg(100000)->Arg(1000000);

}  // namespace
}  // namespace vaultara::store
