#include "platform/fault_injection.h"

#include <unistd.h>

#include <map>

namespace vaultara::platform {

// The counters and the armed faults. Shared by the FaultInjection and every
// file it opened, so a file may outlive the object that opened it.
struct FaultInjection::State {
  uint64_t writes = 0;
  uint64_t flushes = 0;
  // Absolute call numbers at which a fault strikes; 0 = disarmed.
  uint64_t fail_write_at = 0;
  SysError fail_write_error = syserr::kOk;
  uint64_t fail_flush_at = 0;
  SysError fail_flush_error = syserr::kOk;
  uint64_t short_writes_from = 0;
  uint64_t crash_write_at = 0;
  uint64_t crash_flush_at = 0;
  std::string crash_checkpoint;
  uint64_t checkpoint_occurrence = 0;
  std::map<std::string, uint64_t, std::less<>> checkpoints_seen;
};

namespace {

[[noreturn]] void Crash() { _exit(FaultInjection::kCrashExitCode); }

// n calls from now, counted from 1, given the calls so far; 0 stays 0.
uint64_t FromNow(uint64_t so_far, uint64_t n) { return n == 0 ? 0 : so_far + n; }

class FaultyFile : public ForwardingFile {
 public:
  FaultyFile(std::unique_ptr<File> base, std::shared_ptr<FaultInjection::State> state)
      : ForwardingFile(std::move(base)), state_(std::move(state)) {}

  SysError WriteAt(uint64_t offset, const void* buffer, size_t n, size_t* written) override {
    *written = 0;
    FaultInjection::State& s = *state_;
    const uint64_t call = ++s.writes;
    if (call == s.crash_write_at) Crash();
    if (call == s.fail_write_at) return s.fail_write_error;
    if (s.short_writes_from != 0 && call >= s.short_writes_from) {
      // Half the data reaches the disk, as when the disk fills up mid-write.
      const SysError error = base().WriteAt(offset, buffer, n / 2, written);
      return error != syserr::kOk ? error : syserr::kDiskFull;
    }
    return base().WriteAt(offset, buffer, n, written);
  }

  SysError Flush() override {
    FaultInjection::State& s = *state_;
    const uint64_t call = ++s.flushes;
    if (call == s.crash_flush_at) Crash();
    if (call == s.fail_flush_at) return s.fail_flush_error;
    return base().Flush();
  }

 private:
  std::shared_ptr<FaultInjection::State> state_;
};

}  // namespace

FaultInjection::FaultInjection(Platform& base)
    : ForwardingPlatform(base), state_(std::make_shared<State>()) {}

FaultInjection::~FaultInjection() = default;

void FaultInjection::FailWrite(uint64_t n, SysError error) {
  state_->fail_write_at = FromNow(state_->writes, n);
  state_->fail_write_error = error;
}

void FaultInjection::FailFlush(uint64_t n, SysError error) {
  state_->fail_flush_at = FromNow(state_->flushes, n);
  state_->fail_flush_error = error;
}

void FaultInjection::ShortWritesFrom(uint64_t n) {
  state_->short_writes_from = FromNow(state_->writes, n);
}

void FaultInjection::CrashAtWrite(uint64_t n) {
  state_->crash_write_at = FromNow(state_->writes, n);
}

void FaultInjection::CrashAtFlush(uint64_t n) {
  state_->crash_flush_at = FromNow(state_->flushes, n);
}

void FaultInjection::CrashAtCheckpoint(const std::string& name, uint64_t occurrence) {
  state_->crash_checkpoint = name;
  state_->checkpoint_occurrence = occurrence;
  state_->checkpoints_seen.erase(name);
}

void FaultInjection::Reset() {
  // Files opened earlier keep their link to the shared state, so it is
  // cleared in place rather than replaced.
  *state_ = State();
}

uint64_t FaultInjection::writes() const { return state_->writes; }

uint64_t FaultInjection::flushes() const { return state_->flushes; }

SysError FaultInjection::Open(const std::string& path, OpenMode mode, Disposition disposition,
                              std::unique_ptr<File>* file) {
  std::unique_ptr<File> opened;
  const SysError error = base().Open(path, mode, disposition, &opened);
  *file = opened ? std::make_unique<FaultyFile>(std::move(opened), state_) : nullptr;
  return error;
}

SysError FaultInjection::OpenTemporary(std::unique_ptr<File>* file) {
  std::unique_ptr<File> opened;
  const SysError error = base().OpenTemporary(&opened);
  *file = opened ? std::make_unique<FaultyFile>(std::move(opened), state_) : nullptr;
  return error;
}

void FaultInjection::Checkpoint(const char* name) {
  State& s = *state_;
  const uint64_t seen = ++s.checkpoints_seen[name];
  if (!s.crash_checkpoint.empty() && s.crash_checkpoint == name &&
      seen == s.checkpoint_occurrence) {
    Crash();
  }
  ForwardingPlatform::Checkpoint(name);
}

}  // namespace vaultara::platform
