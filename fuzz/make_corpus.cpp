// Writes the seed corpus of store_file_fuzzer into the folder given: store
// files of the tests' workload after a few steps, plain and enciphered, and
// one with a journal left pending by a commit stopped half-way. Each file is
// prefixed with the fuzzer's selector byte.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/fault_injection.h"
#include "store/zephyron_driver.h"
#include "tests/store/statement_workload.h"

namespace {

using vaultara::store::Workload;
using vaultara::store::WorkloadTables;
namespace fs = std::filesystem;

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Save(const fs::path& to, char selector, const std::string& bytes) {
  std::ofstream out(to, std::ios::binary | std::ios::trunc);
  out.put(selector);
  out << bytes;
}

// Runs steps steps of the workload through platform in folder.
int Run(vaultara::platform::Platform& platform, const std::string& folder, int steps) {
  vaultara::store::ZephyronDriver driver(platform);
  WorkloadTables tables(driver, folder);
  if (tables.Create() != 0 || tables.Open() != 0) return 1;
  const Workload workload(steps);
  for (const auto& step : workload.steps()) {
    if (tables.Apply(step) != 0) return 2;
  }
  tables.Close();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_corpus <folder>\n");
    return 2;
  }
  const fs::path corpus = argv[1];
  fs::create_directories(corpus);
  auto& real = vaultara::platform::RealPlatform();
  for (int steps : {0, 4, 12, 30}) {
    const fs::path folder = fs::temp_directory_path() / ("vaultara-seed-" + std::to_string(steps));
    fs::remove_all(folder);
    fs::create_directories(folder);
    if (Run(real, folder.string(), steps) != 0) return 1;
    Save(corpus / ("plain-" + std::to_string(steps)), 0, Read(folder / "journal.zph"));
    Save(corpus / ("vault-" + std::to_string(steps)), 1, Read(folder / "vault.zph"));
    fs::remove_all(folder);
  }
  // A commit of the plain file stopped once its journal is durable.
  const fs::path folder = fs::temp_directory_path() / "vaultara-seed-journal";
  fs::remove_all(folder);
  fs::create_directories(folder);
  const pid_t child = fork();
  if (child == 0) {
    vaultara::platform::FaultInjection faults(real);
    faults.CrashAtCheckpoint("commit.journal-committed", 9);
    _exit(Run(faults, folder.string(), 30));
  }
  int status = 0;
  waitpid(child, &status, 0);
  Save(corpus / "plain-pending-journal", 0, Read(folder / "journal.zph"));
  fs::remove_all(folder);
  return 0;
}
