#include "store/file_info.h"

#include <algorithm>
#include <cstring>
#include <sstream>

#include "data/error_texts.h"
#include "store/byte_order.h"
#include "store/cipher.h"
#include "store/ciphered_file.h"
#include "store/declaration_stream.h"
#include "store/key_entry.h"

namespace vaultara::store {

namespace {

constexpr platform::OpenMode kReadOnly{platform::Access::kRead, platform::Share::kDenyNone};

// Reads the plain or deciphered header bytes at offset 0; false when the file
// is shorter than a header or cannot be read.
bool ReadHeaderBytes(platform::Platform& platform, const std::string& path,
                     std::string_view password, uint8_t* bytes, uint64_t* size) {
  std::unique_ptr<platform::File> os_file;
  if (platform.Open(path, kReadOnly, platform::Disposition::kOpenExisting, &os_file) !=
      platform::syserr::kOk) {
    return false;
  }
  if (size != nullptr && os_file->Size(size) != platform::syserr::kOk) return false;
  while (!password.empty() && password.back() == ' ') password.remove_suffix(1);
  std::optional<CipherKey> key;
  if (!password.empty()) key.emplace(CipherKey::FromPassword(password));
  CipheredFile file(std::move(os_file), std::move(key));
  size_t got = 0;
  return file.Read(0, bytes, format::kHeaderSize, &got) == platform::syserr::kOk &&
         got == format::kHeaderSize;
}

}  // namespace

Status OpenForInspection(platform::Platform& platform, const std::string& path,
                         std::string_view password, std::unique_ptr<StoreFile>* file) {
  return StoreFile::Open(platform, path, kReadOnly, platform::Disposition::kOpenExisting, password,
                         file);
}

bool LooksEnciphered(platform::Platform& platform, const std::string& path) {
  uint8_t bytes[format::kHeaderSize];
  if (!ReadHeaderBytes(platform, path, {}, bytes, nullptr)) return false;
  return !StoreHeader::Decode(bytes).HasSignature();
}

Status ListTables(StoreFile& file, std::vector<StoredTable>* tables) {
  tables->clear();
  const std::string first = TableNameKey({});
  std::optional<StoreEntry> entry;
  Status status = file.Successor(first, &entry);
  while (status.ok() && entry && !entry->key().empty() &&
         static_cast<uint8_t>(entry->key()[0]) == entry_kind::kTableName) {
    StoredTable table;
    table.name = std::string(entry->key().substr(1));
    if (entry->data().size() >= 4) table.number = ReadBigEndian(entry->data());
    tables->push_back(std::move(table));
    const std::string key(entry->key());
    status = file.Successor(key, &entry);
  }
  file.EndOperation();
  return status;
}

Status ReadStoredDeclaration(StoreFile& file, std::string_view table, TableDeclaration* declaration,
                             bool* found) {
  *found = false;
  std::optional<StoreEntry> entry;
  Status status = file.Find(TableNameKey(table), &entry);
  if (status.ok() && entry && entry->data().size() >= 4) {
    std::string stream;
    status = ReadDeclarationBlocks(file, ReadBigEndian(entry->data()), &stream);
    if (status.ok()) {
      *declaration = DeclarationReader::Read(stream);
      *found = true;
    }
  }
  file.EndOperation();
  return status;
}

Status ReadFileInfo(platform::Platform& platform, const std::string& path,
                    std::string_view password, FileInfo* info) {
  *info = FileInfo();
  std::unique_ptr<StoreFile> file;
  Status status = OpenForInspection(platform, path, password, &file);
  if (!status.ok()) return status;
  uint8_t bytes[format::kHeaderSize];
  if (!ReadHeaderBytes(platform, path, password, bytes, &info->file_size)) {
    // A file of length 0 is a new empty store: it has no header yet.
    info->header = StoreHeader::NewFile();
  } else {
    info->header = StoreHeader::Decode(bytes);
  }
  info->enciphered = LooksEnciphered(platform, path);
  for (int c = format::kMinClass; c <= format::kMaxClass; ++c) {
    const uint32_t start = info->header.region_start[c];
    const uint32_t end = info->header.region_end[c];
    if (end > start) {
      info->regions.push_back(FileInfo::Region{c, start, end, info->header.PagesIn(c)});
    }
  }
  info->end_of_page_area = info->header.EndOfPageArea();
  std::vector<StoredTable> tables;
  status = ListTables(*file, &tables);
  for (StoredTable& table : tables) {
    if (!status.ok()) break;
    Counter counter;
    status = LoadCounter(*file, table.number, entry_kind::kDataCounter, &counter);
    file->EndOperation();
    info->tables.push_back(FileInfo::Table{std::move(table), counter.count});
  }
  return status;
}

std::string FormatFileInfo(const FileInfo& info) {
  const StoreHeader& h = info.header;
  std::ostringstream out;
  out << "file size: " << info.file_size << "\n";
  out << "enciphered: " << (info.enciphered ? "yes" : "no") << "\n";
  out << "signature: " << std::string(h.signature.begin(), h.signature.end()) << "\n";
  out << "last identifier: " << LoadBigU32(h.identifier.data()) << "\n";
  out << "change counter: " << h.change_counter << "\n";
  out << "root page: " << h.root_page << "\n";
  out << "end of page area: " << info.end_of_page_area << "\n";
  if (h.JournalPending()) {
    out << "journal: pending, bytes " << h.journal_start << " to " << h.journal_end << "\n";
  } else {
    out << "journal: none pending (start = end = " << h.journal_start << ")\n";
  }
  out << "regions: " << info.regions.size() << "\n";
  for (const FileInfo::Region& r : info.regions) {
    out << "  class " << r.size_class << " (" << r.size_class * format::kUnitSize
        << " bytes): units " << r.start << " to " << r.end << ", " << r.pages
        << (r.pages == 1 ? " page" : " pages") << "\n";
  }
  out << "tables: " << info.tables.size() << "\n";
  for (const FileInfo::Table& t : info.tables) {
    out << "  " << t.table.name << ": table number " << t.table.number << ", " << t.records
        << (t.records == 1 ? " record" : " records") << "\n";
  }
  return out.str();
}

}  // namespace vaultara::store
