#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "store/status.h"
#include "store/store_file.h"

namespace vaultara::store {

// The store files logged out in this process's current transaction, and the
// transaction control files that make a commit over several of them atomic.
//
// A logged-out file stays in write mode: its operations keep their changes
// and locks, it is not committed at operation ends nor cut at close. Commit
// writes a file with changes alone like any commit; several files go through
// a control file (see transaction_mark.h): the transaction number is entered
// in every control file, each file's changes (with a mark naming the number
// and the control file) are written to its journal, the number is deleted
// from the control files, which makes the transaction durable, and only then
// are the journals copied home. A crash before the deletion leaves every file
// as it was, after it every file with its changes.
//
// The list holds StoreFiles without owning them; a file must be committed or
// rolled back before it is destroyed.
class Transaction {
 public:
  static constexpr size_t kMaxFolders = 100;

  // LOGOUT of one file: adds it to the list (once, most recent first),
  // records its folder's default control file unless an explicit one is set
  // (a 101st folder is internal fault 2183), and switches it to write mode.
  Status Logout(StoreFile& file);
  // COMMIT: commits and takes every file out of the transaction. On failure
  // every file is left as before the transaction and its changes discarded.
  Status Commit(platform::Platform& platform);
  // ROLLBACK: discards every file's changes and takes it out.
  void Rollback();

  bool active() const { return !files_.empty(); }
  bool Contains(const StoreFile& file) const;
  // Takes file out without committing or discarding (the file goes away).
  void Forget(const StoreFile& file);

  // The explicit control file ("TCF=name"); empty for the defaults. The
  // name is used as given; an empty name clears it.
  void SetControlFile(std::string name);
  const std::string& control_file() const { return control_file_; }
  const std::string& previous_control_file() const { return previous_control_file_; }
  const std::vector<std::string>& default_control_files() const { return default_paths_; }

 private:
  struct ControlFiles;
  Status CommitSeveral(platform::Platform& platform, const std::vector<StoreFile*>& files);
  void End();

  std::vector<StoreFile*> files_;  // most recently logged out first
  std::string control_file_;
  std::string previous_control_file_;
  std::vector<std::string> default_paths_;
};

// The transaction of this process.
Transaction& ProcessTransaction();

}  // namespace vaultara::store
