// Copying and renaming a table: the whole physical file when no name
// addresses a table inside a file, else table by table with every record
// renumbered into the target file.
#include "data/error_texts.h"
#include "store/entry_cursor.h"
#include "store/store_file.h"
#include "store/table_handle.h"
#include "store/table_operation.h"

namespace vaultara::store {

namespace {

namespace err = data::err;

constexpr uint32_t kReadWriteDenyNone = 0x42;
constexpr uint32_t kReadDenyNone = 0x40;

std::array<uint8_t, 4> ToBytes(Identifier n) {
  std::array<uint8_t, 4> bytes{};
  StoreBigU32(bytes.data(), n);
  return bytes;
}

void AddToNumber(std::string& bytes, size_t at, Identifier base, Identifier* highest) {
  const Identifier number = ReadBigEndian(bytes, at) + base;
  StoreBigU32(reinterpret_cast<uint8_t*>(bytes.data() + at), number);
  if (number > *highest) *highest = number;
}

std::string_view FileNameOf(std::string_view path) {
  const size_t slash = path.find_last_of("/\\:");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string_view ExtensionOf(std::string_view path) {
  const std::string_view name = FileNameOf(path);
  const size_t dot = name.rfind('.');
  return dot == std::string_view::npos || dot == 0 ? std::string_view() : name.substr(dot);
}

}  // namespace

int32_t TableHandle::Copy(const std::string& target) { return CopyTable(target, false); }
int32_t TableHandle::Rename(const std::string& target) { return CopyTable(target, true); }

int32_t TableHandle::CopyPhysicalFile(const std::string& target, bool rename, bool* done) {
  *done = false;
  const std::string source = TableName::Split(name_, platform_).path;
  std::string to = target;
  if (to.empty()) return err::kInvalidFilename;
  const char last = to.back();
  if (platform_.IsDirectory(to) || last == ':' || last == '/' || last == '\\') {
    if (last != '/' && last != '\\' && last != ':') to += '/';
    to += FileNameOf(source);
  } else if (!HasExtension(to)) {
    to += ExtensionOf(source);
  }
  if (open_) {
    const int32_t error = Commit();
    if (error != err::kNone) return error;
  }
  const platform::SysError error =
      rename ? platform_.Rename(source, to) : platform_.Copy(source, to, false);
  *done = error == platform::syserr::kOk;
  if (*done && rename) Close();
  return err::kNone;
}

int32_t TableHandle::CopyTable(const std::string& target, bool rename) {
  if (!HasTableSeparator(target) && !HasTableSeparator(name_)) {
    bool done = false;
    const int32_t error = CopyPhysicalFile(target, rename, &done);
    if (error != err::kNone || done) return error;
  }
  const TableName to = TableName::Split(target, platform_);
  if (to.path.empty()) return err::kInvalidFilename;
  const bool opened_here = !open_;
  if (opened_here) {
    // A copy into the source's own file writes through the source's opening
    // (one physical file is opened once per process), so it needs write
    // access too.
    const bool into_own_file = TableName::Split(name_, platform_).path == to.path;
    const int32_t error = Open(rename || into_own_file ? kReadWriteDenyNone : kReadDenyNone);
    if (error != err::kNone) return error;
  }
  RegisteredFile* target_file = nullptr;
  int32_t error = AcquireFile(to, {platform::Access::kReadWrite, platform::Share::kDenyNone},
                              platform::Disposition::kOpenOrCreate, &target_file);
  if (error != err::kNone) {
    if (opened_here) Close();
    return error;
  }
  StoreFile& source = file();
  StoreFile& destination = *target_file->file;
  const bool same_file = target_file == file_;
  const Identifier table = table_;

  auto body = [&]() -> int32_t {
    std::optional<StoreEntry> existing;
    STORE_TRY(destination.Find(TableNameKey(to.table), &existing));
    if (existing && same_file && to.table == table_name_.table) {
      // A table copied onto itself is left as it is.
      return rename ? err::kAccessDenied : err::kNone;
    }
    if (existing && rename) return err::kAccessDenied;
    STORE_TRY(destination.BeginWrite());
    if (existing) {
      if (existing->data().size() >= 4) {
        const int32_t e = DeleteTableEntries(destination, ReadBigEndian(existing->data()));
        if (e != err::kNone) return e;
      }
      STORE_TRY(destination.Delete(existing->key()));
    }
    if (rename) {
      STORE_TRY(source.BeginWrite());
      STORE_TRY(source.Delete(TableNameKey(table_name_.table)));
    }
    if (rename && same_file) {
      STORE_TRY(source.Insert(StoreEntry(TableNameKey(to.table), BigEndian(table))));
      STORE_TRY(source.Commit());
      return err::kNone;
    }

    std::array<uint8_t, 4> number{};
    STORE_TRY(destination.IssueIdentifier(&number));
    const Identifier new_table = LoadBigU32(number.data());
    STORE_TRY(destination.IssueIdentifier(&number));
    const Identifier base = LoadBigU32(number.data());
    Identifier highest = base;
    const std::string prefix = TablePrefix(table);
    const std::string new_prefix = TablePrefix(new_table);
    EntryCursor cursor(source);
    STORE_TRY(cursor.Seek(prefix));
    for (; cursor.valid() && cursor.entry().key().substr(0, prefix.size()) == prefix;) {
      const StoreEntry entry = cursor.entry();
      std::string key(entry.key());
      std::string data(entry.data());
      key.replace(0, prefix.size(), new_prefix);
      const uint8_t kind = key.size() > 4 ? static_cast<uint8_t>(key[4]) : uint8_t{0};
      if ((kind == entry_kind::kDataRecord || kind == entry_kind::kMemoSegment) &&
          key.size() >= 9) {
        AddToNumber(key, 5, base, &highest);
      } else if (kind == entry_kind::kCounter) {
        Counter counter = Counter::Decode(data);
        if (counter.out_of_date_from != 0) {
          counter.out_of_date_from += base;
          highest = std::max(highest, counter.out_of_date_from);
          data = counter.Encode();
        }
      } else if (kind < entry_kind::kMaxKeys) {
        const bool duplicates =
            kind < declaration_.keys.size() && declaration_.keys[kind].duplicates();
        if (duplicates && key.size() >= 9) {
          AddToNumber(key, key.size() - 4, base, &highest);
        } else if (!duplicates && data.size() >= 4) {
          AddToNumber(data, 0, base, &highest);
        }
      }
      STORE_TRY(destination.Insert(StoreEntry(key, data)));
      if (rename) STORE_TRY(source.Delete(entry.key()));
      STORE_TRY(cursor.Next());
    }
    STORE_TRY(destination.RaiseIdentifier(ToBytes(highest)));
    STORE_TRY(destination.Insert(StoreEntry(TableNameKey(to.table), BigEndian(new_table))));
    STORE_TRY(destination.Commit());
    if (rename) STORE_TRY(source.Commit());
    return err::kNone;
  };
  error = body();
  if (error != err::kNone) {
    destination.Discard();
    if (!same_file) source.Discard();
  }
  destination.EndOperation();
  source.EndOperation();
  files().Release(target_file);
  if (opened_here || (rename && error == err::kNone)) Close();
  return error;
}

}  // namespace vaultara::store
