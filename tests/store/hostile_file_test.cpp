#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/fault_injection.h"
#include "store/byte_order.h"
#include "tests/platform/child_process.h"
#include "tests/store/child_runner.h"
#include "tests/store/workload_fixture.h"

namespace vaultara::store {
namespace {

// Errors a damaged or foreign file may give on opening or reading: not a
// store file or a bad declaration, a structural fault, a missing table.
const std::set<int32_t> kDamageErrors = {data::err::kFileNotFound,
                                         data::err::kInvalidDataFile,
                                         data::err::kInvalidKeyFile,
                                         data::err::kFileSystemError,
                                         data::err::kInvalidRecordDeclaration,
                                         data::err::kKeyFileMustBeRebuilt,
                                         data::err::kRecordNotFound,
                                         data::err::kAccessDenied};

// Damaged, hostile and foreign files: opening any table of them and reading
// it in every order gives records or an error of the store, never a crash
// (the child would die), a hang (it would not end in time) or a great deal
// of memory.
class HostileFileTest : public WorkloadFixture {
 protected:
  static constexpr int kLimitMs = 20000;
  static constexpr long kMemoryLimitKb = 256 * 1024;

  void SetUp() override {
    WorkloadFixture::SetUp();
    RestoreFiles();
    ZephyronDriver driver(platform_);
    WorkloadTables tables(driver, folder_);
    ASSERT_EQ(tables.Open(), 0);
    for (int s = 0; s < 20; ++s) ASSERT_EQ(tables.Apply(workload_.steps()[s]), 0);
    tables.Close();
    good_vault_ = Raw("vault.zph");
    good_journal_ = Raw("journal.zph");
  }

  // Writes bytes as file name, opens its tables and reads them in a child;
  // fails the test when the child dies, hangs, grows too much or sees an
  // error outside kDamageErrors. password overrides the tables' own.
  void Probe(const std::string& what, const std::string& name, const std::string& bytes,
             const char* password = nullptr) {
    SCOPED_TRACE(what);
    {
      auto raw = ScratchFolder::OpenOrFail(name, kReadWrite, platform::Disposition::kCreateAlways);
      if (!bytes.empty()) Write(raw.get(), 0, bytes);
    }
    const bool vault = name == "vault.zph";
    ChildRunner child([&] {
      rusage before{};
      getrusage(RUSAGE_SELF, &before);
      ZephyronDriver driver(platform_);
      WorkloadTables tables(driver, folder_);
      for (int t = vault ? 0 : 3; t < (vault ? 3 : 4); ++t) {
        if (password != nullptr) {
          tables.table(t).password = password;
          tables.table(t).fcb.owner.data = tables.table(t).password.data();
          tables.table(t).fcb.owner.length = static_cast<int32_t>(std::strlen(password));
        }
        int32_t error = tables.OpenTable(t, false);
        if (error == 0) {
          WorkloadTableState rows;
          error = tables.ReadTable(t, &rows);
          if (error == 0 || kDamageErrors.count(error)) error = tables.ReadByKeys(t);
          data::Close(tables.table(t).fcb);
        }
        if (error != 0 && !kDamageErrors.count(error)) return 100 + (error & 0x7F);
      }
      rusage after{};
      getrusage(RUSAGE_SELF, &after);
      return after.ru_maxrss - before.ru_maxrss > kMemoryLimitKb ? 99 : 0;
    });
    const std::optional<int> status = child.WaitFor(kLimitMs);
    ASSERT_TRUE(status.has_value()) << "still running after " << kLimitMs << " ms";
    EXPECT_EQ(*status, 0) << "-1: died; 99: memory; 100+: error (low 7 bits)";
    ++probes_;
  }

  void TearDown() override {
    std::printf("[ hostile files ] %d files probed\n", probes_);
    WorkloadFixture::TearDown();
  }

  // The plain file with its header field at offset set to value (u32 LE).
  std::string WithHeaderField(size_t offset, uint32_t value) {
    std::string bytes = good_journal_;
    StoreU32(reinterpret_cast<uint8_t*>(bytes.data() + offset), value);
    return bytes;
  }

  std::string good_vault_;
  std::string good_journal_;
  int probes_ = 0;
};

TEST_F(HostileFileTest, TruncatedFilesGiveErrors) {
  for (const std::string* good : {&good_vault_, &good_journal_}) {
    const std::string name = good == &good_vault_ ? "vault.zph" : "journal.zph";
    for (size_t length :
         {size_t{1}, size_t{13}, size_t{64}, size_t{511}, size_t{512}, size_t{700}, size_t{768},
          good->size() / 3, good->size() / 2, good->size() - 256, good->size() - 1}) {
      Probe(name + " cut to " + std::to_string(length), name, good->substr(0, length));
    }
  }
}

TEST_F(HostileFileTest, BitFlipsInHeaderAndPagesGiveErrors) {
  // Every byte of the header once, a bit chosen by its offset; pages at a
  // stride that meets every part of a page over the file.
  for (const std::string* good : {&good_vault_, &good_journal_}) {
    const std::string name = good == &good_vault_ ? "vault.zph" : "journal.zph";
    std::vector<size_t> offsets;
    for (size_t at = 0; at < 512; at += good == &good_vault_ ? 11 : 7) offsets.push_back(at);
    for (size_t at = 512; at < good->size(); at += 131) offsets.push_back(at);
    for (size_t at : offsets) {
      std::string bytes = *good;
      bytes[at] = static_cast<char>(bytes[at] ^ (1 << (at % 8)));
      Probe(name + " bit flipped at " + std::to_string(at), name, bytes);
    }
  }
}

TEST_F(HostileFileTest, AbsurdHeaderAndPageFieldsGiveErrors) {
  const uint32_t size = static_cast<uint32_t>(good_journal_.size());
  struct Case {
    const char* what;
    size_t offset;
    uint32_t value;
  };
  const Case cases[] = {
      {"journal start beyond the end", 6, 0xFFFFFF00u},
      {"journal end beyond the end", 10, 0xFFFFFF00u},
      {"journal inside the header", 6, 16},
      {"journal end before start", 10, 600},
      {"journal over the page area", 6, 512},
      {"root page far away", 28, 0x00FFFFFFu},
      {"root page negative", 28, 0xFFFFFFFFu},
      {"region start beyond its end", 32 + 4 * 1, 0x7FFFFFFFu},
      {"region end huge", 272 + 4 * 1, 0x7FFFFFFFu},
      {"region end of the largest class huge", 272 + 4 * 59, 0x10000000u},
      {"length field wrong", 4, 0xFFFF0000u | 512u},
  };
  for (const Case& c : cases) Probe(c.what, "journal.zph", WithHeaderField(c.offset, c.value));
  // The page fields of every page of the plain file: stored and unpacked
  // lengths, budget and entry count at their maximum, level absurd, and a
  // child of an index page pointing anywhere.
  for (uint32_t page = 512; page + 256 <= size; page += 256) {
    for (size_t field : {size_t{4}, size_t{6}, size_t{8}, size_t{10}}) {
      std::string bytes = good_journal_;
      StoreU16(reinterpret_cast<uint8_t*>(bytes.data() + page + field), 0xFFFF);
      Probe("page at " + std::to_string(page) + " field " + std::to_string(field) + " at max",
            "journal.zph", bytes);
    }
    std::string bytes = good_journal_;
    bytes[page + 12] = static_cast<char>(200);
    Probe("page at " + std::to_string(page) + " level 200", "journal.zph", bytes);
    bytes = good_journal_;
    StoreU32(reinterpret_cast<uint8_t*>(bytes.data() + page + 13), 0x7FFFFFF0u);
    Probe("page at " + std::to_string(page) + " first child far away", "journal.zph", bytes);
  }
}

TEST_F(HostileFileTest, DamagedJournalIsDiscardedOrGivesErrors) {
  // Stop one commit of the plain file once its journal is durable, then
  // damage that journal in various ways.
  RestoreFiles();
  {
    auto raw =
        ScratchFolder::OpenOrFail("journal.zph", kReadWrite, platform::Disposition::kCreateAlways);
    Write(raw.get(), 0, good_journal_);
  }
  const int exit_status = platform::ExitStatusOf([&] {
    platform::FaultInjection faults(platform_);
    faults.CrashAtCheckpoint("commit.journal-committed");
    ZephyronDriver driver(faults);
    WorkloadTables tables(driver, folder_);
    if (tables.OpenTable(3, false) != 0) return 1;
    WorkloadOp add{WorkloadOp::kAdd, 3, 500, {"late", "g500", std::string(350, 'j')}};
    tables.Apply(add);
    return 2;
  });
  ASSERT_EQ(exit_status, platform::FaultInjection::kCrashExitCode);
  const std::string pending = Raw("journal.zph");
  uint32_t start = 0;
  uint32_t end = 0;
  std::memcpy(&start, pending.data() + 6, 4);
  std::memcpy(&end, pending.data() + 10, 4);
  ASSERT_LT(start, end);
  ASSERT_LE(end, pending.size());
  Probe("the journal intact", "journal.zph", pending);
  for (uint32_t at = start; at < end; at += 41) {
    std::string bytes = pending;
    bytes[at] = static_cast<char>(bytes[at] ^ (1 << (at % 8)));
    Probe("journal bit flipped at " + std::to_string(at), "journal.zph", bytes);
  }
  for (uint32_t cut : {start + 1, start + 256, (start + end) / 2, end - 1}) {
    Probe("journal cut at " + std::to_string(cut), "journal.zph", pending.substr(0, cut));
  }
  for (uint32_t at = start; at + 6 <= end; at += 256) {
    std::string bytes = pending;
    StoreU16(reinterpret_cast<uint8_t*>(bytes.data() + at + 4), 0xFFFF);
    Probe("journal block length at max at " + std::to_string(at), "journal.zph", bytes);
    bytes = pending;
    StoreU32(reinterpret_cast<uint8_t*>(bytes.data() + at), 0xFFFFFF00u);
    Probe("journal block home far away at " + std::to_string(at), "journal.zph", bytes);
  }
}

TEST_F(HostileFileTest, WrongPasswordsAndForeignFilesGiveErrors) {
  for (const char* password : {"wrong", "vault secreT", "", "vault secret and more"}) {
    Probe(std::string("password '") + password + "'", "vault.zph", good_vault_, password);
  }
  Probe("the plain file read with a password", "journal.zph", good_journal_, "vault secret");
  std::string random(8192, '\0');
  uint32_t seed = 7;
  for (char& c : random) {
    seed = seed * 1103515245u + 12345u;
    c = static_cast<char>(seed >> 16);
  }
  const std::string foreign[] = {std::string(4096, '\0'),
                                 std::string(4096, '\xFF'),
                                 random,
                                 "[section]\nkey=value\n",
                                 std::string("zEpH", 4) + std::string(1020, '\0'),
                                 good_journal_.substr(0, 512) + random};
  for (const std::string& bytes : foreign) {
    Probe("foreign file of " + std::to_string(bytes.size()) + " bytes", "journal.zph", bytes);
    Probe("foreign file of " + std::to_string(bytes.size()) + " bytes", "vault.zph", bytes);
  }
}

}  // namespace
}  // namespace vaultara::store
