#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/forwarding.h"
#include "platform/platform.h"

namespace vaultara::platform {

// A Platform for tests that passes every call to another one and can make
// chosen calls fail, as a failing disk or a crash would:
//
//   FaultInjection faults(RealPlatform());
//   faults.FailWrite(3);            // the 3rd write from now fails
//   faults.ShortWritesFrom(5);      // writes from the 5th on write half
//   faults.CrashAtWrite(7);         // the process ends at the 7th write
//   faults.CrashAtCheckpoint("commit.journal-written");
//
// Writes and flushes are counted over every file opened through this object,
// from 1; a fault armed with n strikes at the n-th call after arming, once.
// A failed write writes nothing; a short write writes the first half and
// returns kDiskFull. A crash ends the process at once with
// _exit(kCrashExitCode), without writing the data of that call, so tests run
// the work in a forked child. Copy and the folder calls pass through
// uncounted.
class FaultInjection : public ForwardingPlatform {
 public:
  static constexpr int kCrashExitCode = 86;

  explicit FaultInjection(Platform& base);
  ~FaultInjection() override;

  // n counts from 1; 0 disarms.
  void FailWrite(uint64_t n, SysError error = syserr::kDiskFull);
  void FailFlush(uint64_t n, SysError error = syserr::kWriteFault);
  void ShortWritesFrom(uint64_t n);
  void CrashAtWrite(uint64_t n);
  void CrashAtFlush(uint64_t n);
  // Ends the process at the occurrence-th Checkpoint(name) from now.
  void CrashAtCheckpoint(const std::string& name, uint64_t occurrence = 1);
  // Disarms every fault and sets the counters back to 0.
  void Reset();

  uint64_t writes() const;
  uint64_t flushes() const;

  SysError Open(const std::string& path, OpenMode mode, Disposition disposition,
                std::unique_ptr<File>* file) override;
  SysError OpenTemporary(std::unique_ptr<File>* file) override;
  void Checkpoint(const char* name) override;

  struct State;  // shared with the files it opens

 private:
  std::shared_ptr<State> state_;
};

}  // namespace vaultara::platform
