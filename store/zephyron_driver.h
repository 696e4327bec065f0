#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "data/file_driver.h"
#include "data/operation_call.h"
#include "data/record_queue.h"
#include "platform/platform.h"
#include "store/file_registry.h"
#include "store/store_keys.h"
#include "store/zephyron_state.h"

namespace vaultara::store {

// The window message a build with progress events is announced with.
inline constexpr int32_t kBuildRequestMessage = 9248;

// The record store as a file driver: every file statement on a table
// declared for "ZEPHYRON" comes here as one operation and is carried out on
// the table's TableHandle, its keys (StoreKeys) and its file's locks and
// transaction.
//
// Dispatch never throws. It creates the table's driver state on first use,
// refuses work on a table with a latched internal fault (except CLOSE and
// NAME), applies the common state rules of the statements, runs the
// operation, commits (or defers, or leaves to the transaction) its changes,
// and posts any error. Unknown operations give 80.
//
// One operation runs at a time; an operation may issue statements of its
// own (RESTORESTATE does), which run through Dispatch again.
class ZephyronDriver : public data::FileDriver {
 public:
  // A driver over platform with a registry of its own; with files given,
  // over that registry (which must outlive the driver).
  explicit ZephyronDriver(platform::Platform& platform, FileRegistry* files = nullptr);
  ~ZephyronDriver() override;
  ZephyronDriver(const ZephyronDriver&) = delete;
  ZephyronDriver& operator=(const ZephyronDriver&) = delete;

  const data::DriverRegistration& Registration() const override { return registration_; }
  int32_t Dispatch(data::OperationCall& call) override;

  // What stands in for the window message 9248: called with the file when a
  // build with progress events has been requested and remembered; the
  // window side answers later with BUILDevent on that file. Without a
  // handler the request is only remembered.
  using BuildRequestHandler = std::function<void(data::FileControlBlock& file, int32_t message)>;
  void SetBuildRequestHandler(BuildRequestHandler handler) { build_request_ = std::move(handler); }
  // Progress of a build started by BUILDevent: called with the file and the
  // records read so far; returning true cancels the build (93).
  using BuildProgressHandler = std::function<bool(data::FileControlBlock& file, uint64_t records)>;
  void SetBuildProgressHandler(BuildProgressHandler handler) { progress_ = std::move(handler); }

  // A text naming queue for the SEND command "PNMQ=", which adds the table
  // names to it (its first field receives each name). The queue must stay
  // alive until ForgetQueue.
  std::string ReferToQueue(data::RecordQueue& queue);
  void ForgetQueue(const data::RecordQueue& queue);

  // The text "REGISTER" answers: a reference to this driver's registration.
  static constexpr int32_t kRegistrationReference = 1;

  StoreKeys& keys() { return keys_; }
  FileRegistry& files() { return *files_; }
  platform::Platform& platform() { return platform_; }

 private:
  void Perform(data::OperationCall& call, ZephyronState& state);
  void PerformTable(data::OperationCall& call, ZephyronState& state);
  void PerformKeys(data::OperationCall& call, ZephyronState& state);
  void PerformLocks(data::OperationCall& call, ZephyronState& state);
  void PerformBlobs(data::OperationCall& call, ZephyronState& state);
  int32_t OpenTable(data::OperationCall& call, ZephyronState& state);
  int32_t CloseTable(ZephyronState& state);
  void EndOperation(data::OperationCall& call, ZephyronState& state);

  // Sequencing (zephyron_sequence.cpp).
  void PerformSequence(data::OperationCall& call, ZephyronState& state);
  int32_t SetSequence(data::OperationCall& call, ZephyronState& state);
  int32_t ReadInSequence(ZephyronState& state, bool forward);
  int32_t SkipInSequence(ZephyronState& state, int32_t count);
  int32_t FindCandidate(ZephyronState& state, bool forward, Candidate* candidate);
  int32_t ReestablishSaved(ZephyronState& state);
  int32_t ReadRecord(ZephyronState& state, const std::function<int32_t()>& read);

  // Builds (zephyron_builds.cpp).
  int32_t Build(data::OperationCall& call, ZephyronState& state);
  int32_t RunBuild(const PendingBuild& build, ZephyronState& state, bool with_progress);

  // Commands and properties (zephyron_commands.cpp).
  void Send(data::OperationCall& call, ZephyronState& state);
  void SetProperty(data::OperationCall& call, ZephyronState& state);
  void GetProperty(data::OperationCall& call, ZephyronState& state);
  void GetKeyProperty(data::OperationCall& call, ZephyronState& state);
  int32_t TableNames(ZephyronState& state, std::vector<std::string>* names);

  // Saved state (zephyron_saved_state.cpp).
  void GetState(data::OperationCall& call, ZephyronState& state);
  void RestoreState(data::OperationCall& call, ZephyronState& state);

  platform::Platform& platform_;
  std::unique_ptr<FileRegistry> own_files_;
  FileRegistry* files_;
  StoreKeys keys_;
  data::DriverRegistration registration_;
  BuildRequestHandler build_request_;
  BuildProgressHandler progress_;
  std::map<int32_t, data::RecordQueue*> queues_;
  int32_t next_queue_ = 1;
  std::map<int32_t, std::unique_ptr<SavedState>> snapshots_;
  int32_t next_snapshot_ = 1;
};

// The process's driver over the real platform and the process's registry,
// registered with the statements (data::RegisterDriver) on first use.
ZephyronDriver& TheZephyronDriver();

// The registration record of the driver "ZEPHYRON": its 73 operation codes
// in order, its field types and the default extension ".ZPH".
data::DriverRegistration ZephyronRegistration();

}  // namespace vaultara::store
