#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/platform.h"
#include "store/ciphered_file.h"
#include "store/entry_tree.h"
#include "store/lock_protocol.h"
#include "store/page_cache.h"
#include "store/status.h"
#include "store/store_header.h"

namespace vaultara::store {

// One open physical store file: its header, its tree of entries, the page
// cache, and the journal through which changes reach the disk.
//
// Operations validate the header first (once per operation: EndOperation
// ends one). Changes stay in memory until Commit, which writes them through
// the journal so that a crash at any point leaves either the old or the new
// committed state on disk. Nothing throws: faults come back as a Status with
// their status number. Single-threaded.
class StoreFile : private PageSource {
 public:
  // Opens (or, with a creating disposition, creates) the file at path. An
  // empty password means the file is not enciphered. A file of length 0 is a
  // new empty store; a header that is short or lacks the signature (which is
  // also what a wrong password gives) is Status::NotStoreFile().
  static Status Open(platform::Platform& platform, const std::string& path, platform::OpenMode mode,
                     platform::Disposition disposition, std::string_view password,
                     std::unique_ptr<StoreFile>* file, LockProtocol& locks = NoLocks());
  ~StoreFile() override;

  // Re-establishes the header for an operation: re-reads it (dropping the
  // cache, replaying or discarding a pending journal) when the file on disk
  // changed since it was cached. Operations call it themselves when needed.
  Status Validate();
  // Ends an operation: the next one validates again. In read mode the
  // reader slot taken at validation is given back.
  void EndOperation();
  // Switches to write mode; changes are refused in read mode (1194, 1203).
  Status BeginWrite();
  // Returns from write mode to read mode when nothing is pending (a commit
  // does it otherwise), giving back the writer lock.
  void ReturnToReadMode();

  Status Find(std::string_view key, std::optional<StoreEntry>* entry);
  // The first entry whose key is not less than key.
  Status Ceiling(std::string_view key, std::optional<StoreEntry>* entry);
  Status Successor(std::string_view key, std::optional<StoreEntry>* entry);
  Status Predecessor(std::string_view key, std::optional<StoreEntry>* entry);
  Status First(std::optional<StoreEntry>* entry);
  Status Last(std::optional<StoreEntry>* entry);
  Status Insert(StoreEntry entry);
  // Inserts entry unless one with its key is present: then *existing gets
  // that one and nothing changes (*existing is empty after an insert).
  Status InsertIfAbsent(StoreEntry entry, std::optional<StoreEntry>* existing);
  // Inserts entry or puts it in the place of the entry with its key.
  Status Replace(StoreEntry entry);
  Status Delete(std::string_view key, bool* deleted = nullptr);

  // Issues the next identifier, in its stored big-endian byte order.
  Status IssueIdentifier(std::array<uint8_t, 4>* identifier);

  // Raises the identifier counter to at least identifier (big-endian), so that
  // the next one issued lies beyond it. Write mode only.
  Status RaiseIdentifier(const std::array<uint8_t, 4>& identifier);

  // Both commit phases back to back. Fails only when phase 1 fails (the file
  // is then as it was); once the commit is durable it reports success even
  // if phase 2 fails, since the journal left pending is replayed.
  Status Commit();
  // Phase 1: places and writes every changed page and the new header into the
  // journal (or at home beyond the old end of the page area), then points the
  // on-disk header at the journal. Durable when it returns Ok. On failure the
  // file is left as it was and the pending changes are discarded.
  Status CommitJournal();
  // Phase 2: writes the changed pages home and resets the journal.
  Status CommitHome();
  // Undoes a phase 1 whose phase 2 has not run: the header at offset 0 is
  // written back as it was before the commit (no journal pending) and the
  // pending changes are discarded. Anything else pending is just discarded.
  Status CancelJournal();
  // Drops every pending change and cached page; the header is read again at
  // the next operation. Gives back every lock the file holds for reading or
  // writing.
  void Discard();
  // Cuts the file at the end of the page area (not while a journal is
  // pending or a transaction runs).
  Status Truncate();

  bool read_mode() const { return read_mode_; }
  bool changes_pending() const { return changes_pending_; }
  // Pages changed since the last commit.
  size_t changed_pages() const { return cache_.changed().size(); }
  // Phase 1 has run and phase 2 has not.
  bool journal_written() const { return journal_written_; }
  void set_in_transaction(bool on) { in_transaction_ = on; }
  bool in_transaction() const { return in_transaction_; }
  platform::Platform& platform() { return platform_; }
  LockProtocol& locks() { return locks_; }
  // The header as this file currently sees it.
  const StoreHeader& header() const { return header_; }
  const std::string& path() const { return path_; }
  // Counts changes to the tree and cache drops (for cursors).
  uint64_t version() const { return tree_.version(); }
  EntryTree& tree() { return tree_; }
  // Sets how many bytes of clean pages the cache keeps.
  void SetCacheLimit(size_t bytes) { cache_.set_clean_limit(bytes); }
  PageSource& pages() { return *this; }

 private:
  StoreFile(platform::Platform& platform, std::string path, std::unique_ptr<platform::File> file,
            std::optional<CipherKey> key, LockProtocol& locks);

  // PageSource.
  PageNode* Load(int32_t number) override;
  PageNode* Root() override;
  PageNode* Create(uint8_t level) override;
  void Changed(PageNode* page) override;
  void Free(PageNode* page) override;
  PageNode* Cached(int32_t number) override { return cache_.Find(number); }
  void Use(PageNode* page) override { cache_.Use(page); }
  uint64_t Removals() const override { return cache_.removals(); }

  // Runs a guarded operation body after validation.
  template <typename Body>
  Status Run(Body&& body);
  void EnsureValidated();
  void RequireWriteMode(int fault) const;
  void LoadHeader();
  void ReadJournal(bool* damaged);
  void ReplayJournal();
  void ResetJournal(StoreHeader header);
  void WriteHeaderAt(uint64_t offset, const StoreHeader& header);
  void ReadBlock(uint64_t offset, uint8_t* buffer, size_t n);
  void Write(uint64_t offset, uint8_t* buffer, size_t n);
  void FlushOrRecord();
  void ReleaseFreedSlots();
  void MovePage(int32_t from, int32_t to);
  void RenumberPage(PageNode* page, int32_t number);
  void PlaceChangedPages();
  void DropCache();

  platform::Platform& platform_;
  std::string path_;
  CipheredFile file_;
  LockProtocol& locks_;
  EntryTree tree_;
  PageCache cache_;

  StoreHeader header_;       // the header in force (from the journal while one is read)
  StoreHeader disk_header_;  // the header as it stands at offset 0
  bool header_valid_ = false;
  bool validated_ = false;
  bool read_mode_ = true;
  bool changes_pending_ = false;
  bool in_transaction_ = false;
  bool journal_written_ = false;
  StoreHeader header_before_commit_;    // the header at offset 0 before phase 1
  platform::SysError write_error_ = 0;  // sticky within a commit
  int32_t next_temporary_ = 0;
  uint32_t old_end_ = 0;                                // page area end when the commit began
  std::unordered_map<uint32_t, uint32_t> journal_map_;  // home offset -> journal offset
  std::set<int32_t> freed_slots_;                       // pages freed by the current operation
  std::vector<uint8_t> load_buffer_;                    // a page image as read, deciphered
};

}  // namespace vaultara::store
