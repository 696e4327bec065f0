#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "platform/platform.h"
#include "store/locked_store_file.h"
#include "store/store_file.h"
#include "store/zephyron_driver.h"
#include "tests/store/statement_workload.h"
#include "tests/store/store_fixture.h"
#include "tests/store/store_integrity.h"
#include "tests/store/unflushed_platform.h"

namespace vaultara::store {

// The workload's files, created empty once per test and put back before
// each run, and the checks that follow a run: what the statements read,
// and the integrity of both files.
class WorkloadFixture : public StoreFixture {
 protected:
  static constexpr int kSteps = 36;

  void SetUp() override {
    StoreFixture::SetUp();
    ZephyronDriver driver(unflushed_);
    WorkloadTables tables(driver, folder_);
    ASSERT_EQ(tables.Create(), 0);
    tables.Close();
    vault_ = Raw("vault.zph");
    journal_ = Raw("journal.zph");
  }

  // Puts both files back as created and removes any control file.
  void RestoreFiles() {
    for (const auto& [name, bytes] :
         {std::pair{"vault.zph", &vault_}, {"journal.zph", &journal_}}) {
      auto raw = ScratchFolder::OpenOrFail(name, kReadWrite, platform::Disposition::kCreateAlways);
      Write(raw.get(), 0, *bytes);
    }
    platform_.Delete(PathOf("zephyron.tcf"));
  }

  // Reads every table through the statements of a fresh driver.
  WorkloadState ReadThroughStatements() {
    ZephyronDriver driver(unflushed_);
    WorkloadTables tables(driver, folder_);
    EXPECT_EQ(tables.Open(), 0) << data::ErrorCode();
    int32_t error = 0;
    WorkloadState state = tables.ReadAll(&error);
    EXPECT_EQ(error, 0);
    tables.Close();
    return state;
  }

  // Opens both files as a writer with the locks and recovery decision of a
  // program (which settles a pending journal on disk) and checks them;
  // returns the number of records.
  size_t CheckFiles() {
    size_t records = 0;
    for (const auto& [name, password] :
         {std::pair{"journal.zph", ""}, {"vault.zph", "vault secret"}}) {
      std::unique_ptr<LockedStoreFile> locked;
      const Status status =
          LockedStoreFile::Open(unflushed_, PathOf(name), kReadWrite,
                                platform::Disposition::kOpenExisting, password, &locked);
      EXPECT_TRUE(status.ok()) << name << " " << status.number();
      if (!status.ok()) continue;
      StoreFile* file = &locked->file();
      EXPECT_TRUE(file->BeginWrite().ok());
      EXPECT_TRUE(file->Validate().ok());
      EXPECT_FALSE(file->header().JournalPending());
      records += CheckStoreIntegrity(*file, WorkloadTables::kKeys);
      file->EndOperation();
      file->ReturnToReadMode();
    }
    return records;
  }

  static size_t Records(const WorkloadState& state) {
    size_t n = 0;
    for (const auto& table : state) n += table.size();
    return n;
  }

  // Every k-th point of a sweep, k chosen so that about budget points run,
  // or every point when VAULTARA_FULL_SWEEPS is set.
  static uint64_t SweepStep(uint64_t points, uint64_t budget) {
    if (std::getenv("VAULTARA_FULL_SWEEPS") != nullptr) return 1;
    return std::max<uint64_t>(1, (points + budget - 1) / budget);
  }

  // The platform the workload's writers use (flushes skipped: see
  // UnflushedPlatform).
  UnflushedPlatform unflushed_;
  Workload workload_{kSteps};
  std::string vault_;
  std::string journal_;
};

}  // namespace vaultara::store
