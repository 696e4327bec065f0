#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "data/statements.h"
#include "platform/platform.h"
#include "store/zephyron_driver.h"
#include "tests/store/statement_workload.h"

namespace vaultara::fuzz {

// Treats input as a store file and reads it as a program would: writes it
// into folder, opens each of its tables and reads them in record order and
// in the order of every key, forwards and backwards. What the statements
// answer does not matter; what must not happen is a crash, a hang or
// unbounded memory.
//
// The first byte chooses the file: even, the plain "journal.zph" with its
// table ENTRIES; odd, the enciphered "vault.zph" with PRODUCTS, TYPES and
// VENDORS (password "vault secret"). The tables are declared as the store
// tests' workload declares them, so a seed made from a workload file reads
// back whole. The rest of input is the file's bytes.
inline void ReadStoreFileInput(const uint8_t* input, size_t size, const std::string& folder) {
  if (size == 0) return;
  const bool vault = (input[0] & 1) != 0;
  const std::string path = folder + (vault ? "/vault.zph" : "/journal.zph");
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(input + 1), static_cast<std::streamsize>(size - 1));
  }
  {
    store::ZephyronDriver driver(platform::RealPlatform());
    store::WorkloadTables tables(driver, folder);
    for (int t = vault ? 0 : 3; t < (vault ? 3 : 4); ++t) {
      if (tables.OpenTable(t, false) != 0) continue;
      store::WorkloadTableState rows;
      tables.ReadTable(t, &rows);
      tables.ReadByKeys(t);
      data::Close(tables.table(t).fcb);
    }
  }
  std::filesystem::remove(path);
}

}  // namespace vaultara::fuzz
