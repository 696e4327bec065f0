#include "store/store_file.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "store/byte_order.h"
#include "store/format.h"
#include "store/page_allocator.h"
#include "store/status_numbers.h"

namespace vaultara::store {

namespace {

uint32_t RoundUpToUnit(uint32_t n) {
  return (n + format::kUnitSize - 1) / format::kUnitSize * format::kUnitSize;
}

// A system error met while writing or flushing; it leaves the store's
// boundary as Status::SystemError.
struct WriteFailed {
  platform::SysError error;
};

}  // namespace

StoreFile::StoreFile(platform::Platform& platform, std::string path,
                     std::unique_ptr<platform::File> file, std::optional<CipherKey> key,
                     LockProtocol& locks)
    : platform_(platform),
      path_(std::move(path)),
      file_(std::move(file), std::move(key)),
      locks_(locks),
      tree_(*this) {
  locks_.Attach(file_.file());
}

StoreFile::~StoreFile() = default;

Status StoreFile::Open(platform::Platform& platform, const std::string& path,
                       platform::OpenMode mode, platform::Disposition disposition,
                       std::string_view password, std::unique_ptr<StoreFile>* out,
                       LockProtocol& locks) {
  while (!password.empty() && password.back() == ' ') password.remove_suffix(1);
  std::unique_ptr<platform::File> os_file;
  const platform::SysError error = platform.Open(path, mode, disposition, &os_file);
  if (error != platform::syserr::kOk) return Status::SystemError(error);
  std::optional<CipherKey> key;
  if (!password.empty()) key.emplace(CipherKey::FromPassword(password));
  std::unique_ptr<StoreFile> file(
      new StoreFile(platform, path, std::move(os_file), std::move(key), locks));
  Status status = file->Validate();
  file->EndOperation();
  if (!status.ok()) return status;
  *out = std::move(file);
  return Status::Ok();
}

// ---- Operations --------------------------------------------------------

template <typename Body>
Status StoreFile::Run(Body&& body) {
  try {
    return Guarded([&] {
      EnsureValidated();
      body();
    });
  } catch (const WriteFailed& failed) {
    return Status::SystemError(failed.error);
  } catch (const Status& status) {
    return status;
  }
}

Status StoreFile::Validate() {
  validated_ = false;
  return Run([] {});
}

void StoreFile::EnsureValidated() {
  if (validated_) return;
  if (read_mode_) {
    locks_.TakeReaderSlot();
  } else {
    locks_.TakeWriterLock();
  }
  // Only a change on disk (a commit, or a journal left behind) makes the
  // cached header and pages stale. While changes are pending in write mode
  // the writer lock has been held since they began, so no one else can have
  // committed: the header need not be read again. Nor when no other process
  // may write the file at all.
  if (header_valid_ && (read_mode_ || !changes_pending_) && locks_.OthersMayWrite()) {
    // The fields that tell a commit apart all lie in the header's first
    // cipher block; everything else in it changes only with a commit, which
    // moves the counter.
    uint8_t bytes[format::kCipherBlockSize];
    size_t got = 0;
    const platform::SysError error = file_.Read(0, bytes, sizeof bytes, &got);
    if (error != platform::syserr::kOk) throw WriteFailed{error};
    const bool same =
        got == sizeof bytes &&
        LoadU32(bytes + format::kHeaderChangeCounter) == disk_header_.change_counter &&
        LoadU32(bytes + format::kHeaderJournalStart) == disk_header_.journal_start &&
        LoadU32(bytes + format::kHeaderJournalEnd) == disk_header_.journal_end &&
        std::memcmp(bytes + format::kHeaderSignature, format::kSignature, 4) == 0;
    if (!same) header_valid_ = false;
  }
  if (!header_valid_) LoadHeader();
  validated_ = true;
}

void StoreFile::EndOperation() {
  if (read_mode_) locks_.ReleaseReaderSlot();
  validated_ = false;
}

void StoreFile::ReturnToReadMode() {
  if (read_mode_ || changes_pending_) return;
  locks_.ReleaseWriterLock();
  read_mode_ = true;
  validated_ = false;
}

Status StoreFile::BeginWrite() {
  if (!read_mode_) return Status::Ok();
  locks_.ReleaseReaderSlot();
  read_mode_ = false;
  validated_ = false;
  // A journal met in read mode is still pending on disk; writing starts by
  // replaying or discarding it for good.
  if (disk_header_.JournalPending()) header_valid_ = false;
  return Status::Ok();
}

void StoreFile::RequireWriteMode(int fault) const {
  if (read_mode_) Fault(fault);
}

Status StoreFile::Find(std::string_view key, std::optional<StoreEntry>* entry) {
  return Run([&] { *entry = tree_.Find(key); });
}
// A successor at or below its key (a predecessor at or above it) can only
// come from a damaged tree; answering it would let every walk over the
// entries go round for ever.
Status StoreFile::Successor(std::string_view key, std::optional<StoreEntry>* entry) {
  return Run([&] {
    *entry = tree_.Successor(key);
    if (*entry && CompareKeys((*entry)->key(), key) <= 0) Fault(status::kEntriesOutOfOrder);
  });
}
Status StoreFile::Ceiling(std::string_view key, std::optional<StoreEntry>* entry) {
  return Run([&] {
    *entry = tree_.Ceiling(key);
    if (*entry && CompareKeys((*entry)->key(), key) < 0) Fault(status::kEntriesOutOfOrder);
  });
}
Status StoreFile::Predecessor(std::string_view key, std::optional<StoreEntry>* entry) {
  return Run([&] {
    *entry = tree_.Predecessor(key);
    if (*entry && CompareKeys((*entry)->key(), key) >= 0) Fault(status::kEntriesOutOfOrder);
  });
}
Status StoreFile::First(std::optional<StoreEntry>* entry) {
  return Run([&] { *entry = tree_.First(); });
}
Status StoreFile::Last(std::optional<StoreEntry>* entry) {
  return Run([&] { *entry = tree_.Last(); });
}

Status StoreFile::Insert(StoreEntry entry) {
  return Run([&] {
    RequireWriteMode(status::kTreeChangeInReadMode);
    tree_.Insert(std::move(entry));
  });
}

Status StoreFile::InsertIfAbsent(StoreEntry entry, std::optional<StoreEntry>* existing) {
  return Run([&] {
    RequireWriteMode(status::kTreeChangeInReadMode);
    tree_.InsertIfAbsent(std::move(entry), existing);
  });
}

Status StoreFile::Replace(StoreEntry entry) {
  return Run([&] {
    RequireWriteMode(status::kTreeChangeInReadMode);
    tree_.Replace(std::move(entry));
  });
}

Status StoreFile::Delete(std::string_view key, bool* deleted) {
  return Run([&] {
    RequireWriteMode(status::kTreeChangeInReadMode);
    const bool found = tree_.Delete(key);
    if (deleted) *deleted = found;
    ReleaseFreedSlots();
  });
}

Status StoreFile::IssueIdentifier(std::array<uint8_t, 4>* identifier) {
  return Run([&] {
    RequireWriteMode(status::kHeaderChangeInReadMode);
    std::array<uint8_t, 4> next = header_.identifier;
    for (int i = 3; i >= 0 && ++next[i] == 0; --i) {
    }
    if (next[0] >= format::kIdentifierLimit) Fault(status::kIdentifiersExhausted);
    header_.identifier = next;
    changes_pending_ = true;
    *identifier = next;
  });
}

Status StoreFile::RaiseIdentifier(const std::array<uint8_t, 4>& identifier) {
  return Run([&] {
    RequireWriteMode(status::kHeaderChangeInReadMode);
    if (identifier[0] >= format::kIdentifierLimit) Fault(status::kIdentifiersExhausted);
    if (identifier <= header_.identifier) return;
    header_.identifier = identifier;
    changes_pending_ = true;
  });
}

// ---- Pages -------------------------------------------------------------

PageNode* StoreFile::Load(int32_t number) {
  if (PageNode* cached = cache_.Find(number)) {
    cache_.Use(cached);
    return cached;
  }
  cache_.Trim();
  const int c = header_.ClassOf(number);
  if (c == 0) Fault(status::kPageInNoRegion);
  const auto home = static_cast<uint32_t>(PageOffset(number));
  auto journal = journal_map_.find(home);
  const uint64_t offset = journal == journal_map_.end() ? home : journal->second;
  // One buffer of the largest page size serves every load.
  if (load_buffer_.empty()) load_buffer_.resize(format::kMaxPageSize);
  const size_t size = static_cast<size_t>(c) * format::kUnitSize;
  ReadBlock(offset, load_buffer_.data(), size);
  auto node = std::make_unique<PageNode>();
  node->number = number;
  node->content = PageImage::Read(load_buffer_.data(), size);
  node->budget = BudgetOf(node->content);
  return cache_.Add(std::move(node));
}

PageNode* StoreFile::Root() {
  if (!header_valid_) Fault(status::kHeaderNotValid);
  if (header_.change_counter == 0) {
    // A reader only looks: its empty root is no change to commit.
    const bool pending = changes_pending_;
    PageNode* root = Create(0);
    header_.root_page = root->number;
    header_.change_counter = 1;
    if (read_mode_) changes_pending_ = pending;
    return root;
  }
  return Load(header_.root_page);
}

PageNode* StoreFile::Create(uint8_t level) {
  auto node = std::make_unique<PageNode>();
  node->number = --next_temporary_;
  node->content.level = level;
  node->budget = BudgetOf(node->content);
  PageNode* page = cache_.Add(std::move(node));
  Changed(page);
  return page;
}

void StoreFile::Changed(PageNode* page) {
  cache_.MarkChanged(page);
  page->image.reset();
  page->separators.Clear();
  changes_pending_ = true;
}

void StoreFile::Free(PageNode* page) {
  // A placed page's slot is given up once the tree is whole again, since
  // filling it moves another page and updates that page's parent.
  if (page->number >= 0) freed_slots_.insert(page->number);
  cache_.Remove(page);
  tree_.Touch();
}

void StoreFile::ReleaseFreedSlots() {
  if (freed_slots_.empty()) return;
  std::set<int32_t> slots;
  slots.swap(freed_slots_);
  PageAllocator allocator(header_, [this](int32_t from, int32_t to) { MovePage(from, to); });
  allocator.FreeSlots(std::move(slots));
}

void StoreFile::MovePage(int32_t from, int32_t to) {
  PagePin page(Load(from));
  Changed(page.get());
  RenumberPage(page.get(), to);
}

void StoreFile::RenumberPage(PageNode* page, int32_t number) {
  const int32_t old_number = page->number;
  tree_.Renumber(*page, number, old_number == header_.root_page,
                 [this](int32_t root) { header_.root_page = root; });
  cache_.Rekey(page, old_number);
}

void StoreFile::DropCache() {
  cache_.Clear();
  journal_map_.clear();
  freed_slots_.clear();
  next_temporary_ = 0;
  tree_.Touch();
}

// ---- Reading and writing blocks ---------------------------------------------

void StoreFile::ReadBlock(uint64_t offset, uint8_t* buffer, size_t n) {
  size_t got = 0;
  if (file_.Read(offset, buffer, n, &got) != platform::syserr::kOk) Fault(status::kReadFailed);
  if (got != n) Fault(status::kShortPageRead);
}

void StoreFile::Write(uint64_t offset, uint8_t* buffer, size_t n) {
  if (write_error_ != 0) return;  // the rest of a failed commit is skipped
  write_error_ = file_.Write(offset, buffer, n);
}

void StoreFile::FlushOrRecord() {
  if (write_error_ == 0) write_error_ = file_.Flush();
}

void StoreFile::WriteHeaderAt(uint64_t offset, const StoreHeader& header) {
  uint8_t bytes[format::kHeaderSize];
  header.Encode(bytes);
  Write(offset, bytes, sizeof bytes);
}

// ---- Header and journal at validation ---------------------------------

void StoreFile::LoadHeader() {
  DropCache();
  changes_pending_ = false;
  uint64_t size = 0;
  platform::SysError error = file_.Size(&size);
  if (error != platform::syserr::kOk) throw WriteFailed{error};
  if (size == 0) {
    header_ = disk_header_ = StoreHeader::NewFile();
    header_valid_ = true;
    return;
  }
  uint8_t bytes[format::kHeaderSize];
  size_t got = 0;
  error = file_.Read(0, bytes, sizeof bytes, &got);
  if (error != platform::syserr::kOk) throw WriteFailed{error};
  if (got != sizeof bytes) throw Status::NotStoreFile();
  disk_header_ = StoreHeader::Decode(bytes);
  if (!disk_header_.HasSignature()) throw Status::NotStoreFile();
  header_ = disk_header_;
  header_valid_ = true;
  if (!disk_header_.JournalPending()) return;

  bool damaged = false;
  ReadJournal(&damaged);
  const bool replay = !damaged && locks_.JournalCompleted(*this);
  if (read_mode_) {
    // In read mode a completed journal stays in force (pages are read from
    // their journal copies) and the file is not written.
    if (replay) return;
    DropCache();
    header_ = disk_header_;
    return;
  }
  struct RecoveryLock {
    explicit RecoveryLock(LockProtocol& locks) : locks(locks) { locks.TakeRecoveryLock(); }
    ~RecoveryLock() { locks.ReleaseRecoveryLock(); }
    LockProtocol& locks;
  } recovery(locks_);
  if (replay) {
    ReplayJournal();
    return;
  }
  DropCache();
  header_ = disk_header_;
  ResetJournal(disk_header_);
}

void StoreFile::ReadJournal(bool* damaged) {
  journal_map_.clear();
  uint32_t position = disk_header_.journal_start;
  uint8_t block[format::kHeaderSize];
  while (position < disk_header_.journal_end) {
    size_t got = 0;
    if (file_.Read(position, block, sizeof block, &got) != platform::syserr::kOk ||
        got != sizeof block) {
      *damaged = true;
      return;
    }
    const uint32_t length = RoundUpToUnit(LoadU16(block + format::kPageStoredLength));
    if (length == 0) {
      *damaged = true;
      return;
    }
    journal_map_[LoadU32(block + format::kPageOwnOffset)] = position;
    position += length;
  }
  auto header = journal_map_.find(0);
  if (header == journal_map_.end()) return;
  size_t got = 0;
  if (file_.Read(header->second, block, sizeof block, &got) != platform::syserr::kOk ||
      got != sizeof block) {
    *damaged = true;
    return;
  }
  const StoreHeader image = StoreHeader::Decode(block);
  if (!image.HasSignature()) {
    *damaged = true;
    return;
  }
  header_ = image;
}

void StoreFile::ReplayJournal() {
  std::vector<uint8_t> block;
  for (const auto& [home, position] : journal_map_) {
    if (home == 0) continue;
    block.resize(format::kUnitSize);
    ReadBlock(position, block.data(), block.size());
    const uint32_t length = RoundUpToUnit(LoadU16(block.data() + format::kPageStoredLength));
    block.resize(length);
    if (length > format::kUnitSize) {
      ReadBlock(position + format::kUnitSize, block.data() + format::kUnitSize,
                length - format::kUnitSize);
    }
    Write(home, block.data(), block.size());
  }
  FlushOrRecord();
  if (write_error_ != 0) {
    // Some pages may not have reached home: the journal must stay pending,
    // so that the next validation copies it again (replaying is repeatable,
    // since the journal lies beyond every page it copies).
    const platform::SysError error = write_error_;
    write_error_ = 0;
    header_valid_ = false;
    throw WriteFailed{error};
  }
  const StoreHeader image = header_;
  journal_map_.clear();
  ResetJournal(image);
}

// Writes header at offset 0 with no journal pending and its change counter
// advanced, and takes it as the header in force.
void StoreFile::ResetJournal(StoreHeader header) {
  write_error_ = 0;
  header.journal_start = header.journal_end = header.EndOfPageArea();
  header.change_counter += 1;
  WriteHeaderAt(0, header);
  FlushOrRecord();
  const platform::SysError error = write_error_;
  write_error_ = 0;
  if (error != 0) {
    header_valid_ = false;
    throw WriteFailed{error};
  }
  header_ = disk_header_ = header;
}

// ---- Commit ------------------------------------------------------------

Status StoreFile::Commit() {
  Status status = CommitJournal();
  if (!status.ok()) return status;
  // The commit is durable now. Should copying the journal home fail, the
  // journal stays pending and the next validation replays it (a reader reads
  // through it meanwhile), so the changes are committed all the same: a
  // failure reported here would make a caller repeat what is already done.
  CommitHome();
  return Status::Ok();
}

void StoreFile::PlaceChangedPages() {
  PageAllocator allocator(header_, [this](int32_t from, int32_t to) { MovePage(from, to); });
  for (bool compacted = false;;) {
    bool moved = false;
    // The list grows while pages are placed (moved pages join it).
    for (size_t i = 0; i < cache_.changed().size(); ++i) {
      PagePin page(cache_.changed()[i]);
      if (!page->image) page->image = PageImage::Build(page->content, page->budget);
      const int needed = page->image->size_class();
      if (header_.ClassOf(page->number) == needed) continue;
      if (page->number >= 0) {
        const int32_t old_slot = page->number;
        RenumberPage(page.get(), --next_temporary_);
        allocator.FreeSlots({old_slot});
      }
      RenumberPage(page.get(), allocator.Allocate(needed));
      moved = true;
    }
    if (!moved && compacted) return;
    allocator.Compact();
    compacted = true;
  }
}

Status StoreFile::CommitJournal() {
  if (!changes_pending_) return Status::Ok();
  uint64_t original_size = 0;
  bool size_known = false;
  bool header_written = false;
  Status status;
  try {
    status = Guarded([&] {
      locks_.TakeAllReaderSlots();
      EnsureValidated();
      RequireWriteMode(status::kHeaderChangeInReadMode);
      size_known = file_.Size(&original_size) == platform::syserr::kOk;
      Root();  // a commit always leaves a root page behind
      old_end_ = header_.EndOfPageArea();
      PlaceChangedPages();

      write_error_ = 0;
      header_.journal_start = header_.journal_end = std::max(header_.EndOfPageArea(), old_end_);
      header_.change_counter += 1;
      for (PageNode* page : cache_.changed()) {
        if (!page->image) page->image = PageImage::Build(page->content, page->budget);
        PageImage& image = *page->image;
        const auto home = static_cast<uint32_t>(PageOffset(page->number));
        image.SetHome(home);
        image.SetChildren(page->content.children);
        if (home < old_end_) {
          Write(header_.journal_end, image.bytes().data(), image.bytes().size());
          header_.journal_end += static_cast<uint32_t>(image.bytes().size());
        } else {
          Write(home, image.bytes().data(), image.bytes().size());
        }
      }
      const uint32_t header_position = header_.journal_end;
      WriteHeaderAt(header_position, header_);
      header_.journal_end += format::kHeaderSize;
      FlushOrRecord();
      if (write_error_ != 0) throw WriteFailed{write_error_};
      platform_.Checkpoint("commit.journal-written");

      StoreHeader pointer = disk_header_;
      pointer.journal_start = header_.journal_start;
      pointer.journal_end = header_.journal_end;
      header_written = true;
      WriteHeaderAt(0, pointer);
      FlushOrRecord();
      if (write_error_ != 0) throw WriteFailed{write_error_};
      header_before_commit_ = disk_header_;
      disk_header_ = pointer;
      journal_written_ = true;
      platform_.Checkpoint("commit.journal-committed");
    });
  } catch (const WriteFailed& failed) {
    status = Status::SystemError(failed.error);
  } catch (const Status& thrown) {
    status = thrown;
  }
  if (!status.ok()) {
    // Put the file back as it was: the old header (if it may have been
    // touched) and the old length, then forget the changes.
    write_error_ = 0;
    if (header_written) {
      WriteHeaderAt(0, disk_header_);
      FlushOrRecord();
    }
    // A new file goes back to length 0 too (an empty store): what a failed
    // first commit left in it would make it no store file at all.
    if (size_known) file_.SetEnd(original_size);
    write_error_ = 0;
    Discard();
  }
  return status;
}

Status StoreFile::CommitHome() {
  if (!changes_pending_) return Status::Ok();
  Status status;
  try {
    status = Guarded([&] {
      write_error_ = 0;
      for (PageNode* page : cache_.changed()) {
        const uint64_t home = PageOffset(page->number);
        if (home < old_end_) Write(home, page->image->bytes().data(), page->image->bytes().size());
      }
      WriteHeaderAt(0, header_);
      FlushOrRecord();
      if (write_error_ != 0) throw WriteFailed{write_error_};
      platform_.Checkpoint("commit.home-written");

      uint8_t bytes[format::kHeaderSize];
      ReadBlock(0, bytes, sizeof bytes);
      StoreHeader disk = StoreHeader::Decode(bytes);
      disk.journal_start = disk.journal_end = disk.EndOfPageArea();
      disk.change_counter += 1;
      WriteHeaderAt(0, disk);
      FlushOrRecord();
      if (write_error_ != 0) throw WriteFailed{write_error_};
      // The pages still cached are clean and the header on disk is known
      // exactly, so the cache stays valid across this process's own commit.
      header_ = disk_header_ = disk;
      platform_.Checkpoint("commit.journal-reset");
    });
  } catch (const WriteFailed& failed) {
    status = Status::SystemError(failed.error);
  }
  write_error_ = 0;
  journal_written_ = false;
  // After a commit the changed pages stand at home exactly as they are in
  // memory: they stay cached, clean.
  if (status.ok()) {
    cache_.KeepChanged();
  } else {
    cache_.DropChanged();
  }
  changes_pending_ = false;
  next_temporary_ = 0;
  tree_.Touch();
  if (!status.ok()) {
    // The journal is durable; the next validation replays it.
    header_valid_ = false;
    DropCache();
  }
  locks_.ReleaseAllReaderSlots();
  if (!read_mode_) locks_.ReleaseWriterLock();
  read_mode_ = true;
  validated_ = false;
  return status;
}

Status StoreFile::CancelJournal() {
  platform::SysError error = 0;
  if (journal_written_) {
    // Phase 1 wrote pages only into the journal or beyond the old end of the
    // page area, so the old header describes the old state exactly.
    StoreHeader header = header_before_commit_;
    header.change_counter += 1;
    write_error_ = 0;
    WriteHeaderAt(0, header);
    FlushOrRecord();
    error = write_error_;
    write_error_ = 0;
  }
  Discard();
  return error == 0 ? Status::Ok() : Status::SystemError(error);
}

void StoreFile::Discard() {
  changes_pending_ = false;
  journal_written_ = false;
  header_valid_ = false;
  header_.signature = {};
  DropCache();
  locks_.ReleaseWriterLock();
  locks_.ReleaseAllReaderSlots();
  locks_.ReleaseReaderSlot();
  read_mode_ = true;
  validated_ = false;
}

Status StoreFile::Truncate() {
  if (in_transaction_ || changes_pending_) return Status::Ok();
  return Run([&] {
    uint64_t size = 0;
    if (disk_header_.JournalPending() || file_.Size(&size) != platform::syserr::kOk) return;
    if (size <= disk_header_.EndOfPageArea()) return;
    const platform::SysError error = file_.SetEnd(disk_header_.EndOfPageArea());
    if (error != platform::syserr::kOk) throw WriteFailed{error};
  });
}

}  // namespace vaultara::store
