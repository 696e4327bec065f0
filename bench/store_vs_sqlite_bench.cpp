// The record store against SQLite: the same work on the same records, in the
// same process. The store is reached only through the file statements, as the
// program reaches it; SQLite through its C API. Each benchmark runs both and
// prints, as counters, the store's rate, SQLite's rate and their ratio
// (store / SQLite; above 1 the store is faster), for tables of 10^3 to 10^6
// records.
//
// The records are password entries: a LONG id, two LONG foreign ids, a
// STRING(60) name, STRING(255) user id and password, a date and a text memo,
// with four keys (id; vendor + name; category + name; name). The store file
// is enciphered with an owner password, as every password file is. In SQLite
// the id is the INTEGER PRIMARY KEY and the three other keys are indexes; the
// texts are stored without their padding.
//
//   BM_DurableAdd/n       200 adds to a table of n records, each its own
//                         commit (SQLite: synchronous=FULL, rollback journal)
//   BM_TransactionAdd/n   n adds to a new table in one transaction: LOGOUT and
//                         COMMIT, and STREAM and FLUSH; the files' sizes after
//   BM_KeyOrderRead/n     every record of n, in the order of the name key
//   BM_RandomRead/n       reads by id value, in random order
//   BM_DurableChange/n    200 changes by id (name and password), each committed
//   BM_DurableDelete/n    200 deletes by id, each committed
//   BM_PeakMemory/n       peak resident memory of a fresh process that opens
//                         the table of n records and reads it all in name order
//
// Rates are records per second, the best of two alternating rounds of each
// engine (one round of a million records). The machine's disk decides
// the durable figures: each store commit flushes four times.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "data/error_state.h"
#include "data/file_control_block.h"
#include "data/record_declaration.h"
#include "data/statements.h"
#include "data/transaction.h"
#include "store/zephyron_driver.h"

namespace {

using namespace vaultara;

constexpr int kDurableOperations = 200;
constexpr int kRandomReads = 20000;
constexpr double kMinimumRoundSeconds = 0.25;
constexpr uint32_t kReadWriteDenyNone = 0x42;
constexpr uint32_t kReadOnlyDenyNone = 0x40;
constexpr uint32_t kReadWriteDenyAll = 0x12;
const char kOwner[] = "correct horse battery staple";

// ---------------------------------------------------------------------------
// The records.

uint64_t Mix(uint64_t x) {
  x += 0x9e3779b97f4a7c15ULL;
  x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
  x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
  return x ^ (x >> 31);
}

// Password entry number i (ids count from 1); version changes the name and
// password, as an edit does.
struct Entry {
  int32_t id = 0;
  int32_t vendor = 0;
  int32_t category = 0;
  std::string name;
  std::string user;
  std::string password;
  int32_t expires = 0;
  std::string notes;
};

Entry EntryOf(int64_t i, uint32_t version = 0) {
  static const char* const kWords[] = {"mail",  "bank", "shop",   "forum", "cloud",  "work",
                                       "games", "news", "travel", "music", "photos", "home"};
  const uint64_t h = Mix(static_cast<uint64_t>(i) * 31 + version);
  Entry e;
  e.id = static_cast<int32_t>(i + 1);
  e.vendor = static_cast<int32_t>(h % 97);
  e.category = static_cast<int32_t>((h >> 8) % 23);
  char text[128];
  std::snprintf(text, sizeof text, "%s %08llx %s", kWords[(h >> 16) % 12],
                static_cast<unsigned long long>(h >> 32), kWords[(h >> 20) % 12]);
  e.name = text;
  std::snprintf(text, sizeof text, "user%lld@%s.example.com", static_cast<long long>(i),
                kWords[(h >> 24) % 12]);
  e.user = text;
  std::snprintf(text, sizeof text, "%016llx!%u", static_cast<unsigned long long>(Mix(h)), version);
  e.password = text;
  e.expires = 80000 + static_cast<int32_t>(h % 4000);
  e.notes = "Account opened for " + e.name + ". Security questions: first pet, street.";
  for (uint64_t k = 0; k < 1 + (h >> 40) % 3; ++k) {
    e.notes += " Recovery code " + std::to_string(Mix(h + k) % 1000000) + " kept offline.";
  }
  return e;
}

// A shuffled selection of count ids out of 1..n (distinct while count <= n).
std::vector<int32_t> RandomIds(int64_t n, int count, uint64_t seed) {
  std::vector<int32_t> ids;
  std::mt19937_64 random(seed);
  if (count <= n) {
    std::vector<int32_t> all(static_cast<size_t>(n));
    for (int64_t i = 0; i < n; ++i) all[static_cast<size_t>(i)] = static_cast<int32_t>(i + 1);
    for (int k = 0; k < count; ++k) {
      std::uniform_int_distribution<size_t> pick(static_cast<size_t>(k), all.size() - 1);
      std::swap(all[static_cast<size_t>(k)], all[pick(random)]);
    }
    all.resize(static_cast<size_t>(count));
    return all;
  }
  std::uniform_int_distribution<int32_t> pick(1, static_cast<int32_t>(n));
  for (int k = 0; k < count; ++k) ids.push_back(pick(random));
  return ids;
}

// What a reader does with a record: enough to make every field count.
struct Sink {
  uint64_t sum = 0;
  void Take(int32_t id, const char* name, size_t notes_length) {
    sum += static_cast<uint64_t>(id) + static_cast<uint8_t>(name[0]) + notes_length;
  }
};

// ---------------------------------------------------------------------------
// Files.

std::string ScratchFolder() {
  static const std::string folder = [] {
    const char* tmp = std::getenv("TMPDIR");
    std::string path = std::string(tmp != nullptr ? tmp : "/tmp") + "/store_vs_sqlite_bench." +
                       std::to_string(getpid());
    std::filesystem::create_directories(path);
    return path;
  }();
  return folder;
}

std::string ScratchPath(const std::string& name) { return ScratchFolder() + "/" + name; }

int64_t FileBytes(const std::string& path) {
  struct stat s {};
  return stat(path.c_str(), &s) == 0 ? static_cast<int64_t>(s.st_size) : 0;
}

void RemoveFile(const std::string& path) {
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
  std::filesystem::remove(path + "-journal", ignored);
}

void CopyFile(const std::string& from, const std::string& to) {
  RemoveFile(to);
  std::filesystem::copy_file(from, to);
}

[[noreturn]] void Fail(const std::string& what) { throw std::runtime_error(what); }

// ---------------------------------------------------------------------------
// The store's table, through the statements.

class StoreTable {
 public:
  explicit StoreTable(const std::string& path)
      : path_(path), name_(path + "\\!Products"), owner_(kOwner) {
    data::RecordDeclarationBuilder b;
    b.Long("PRO:SYSID").Long("PRO:VENSYSID").Long("PRO:TYPSYSID");
    b.String("PRO:NAME", 60).String("PRO:USERID", 255).String("PRO:PASSWORD", 255);
    b.Date("PRO:EXPIREDATE");
    declaration_ = b.Build();
    record_.assign(declaration_.record_length, ' ');
    fcb_.driver = &store::TheZephyronDriver();
    fcb_.name.data = name_.data();
    fcb_.name.length = static_cast<int32_t>(name_.size());
    fcb_.owner.data = owner_.data();
    fcb_.owner.length = static_cast<int32_t>(owner_.size());
    fcb_.attributes = data::attribute::kCreate | data::attribute::kEncrypt;
    fcb_.declaration = &declaration_;
    fcb_.record = record_.data();
    fcb_.record_length = declaration_.record_length;
    using data::key_flag::kDup, data::key_flag::kNoCase, data::key_flag::kOpt;
    by_id_ = &fcb_.AddKey("PRO:K__", data::key_flag::kPrimary | kNoCase | kOpt, {1});
    fcb_.AddKey("PRO:K_VENNAME", kDup | kNoCase | kOpt, {2, 4});
    fcb_.AddKey("PRO:K_TYPNAME", kDup | kNoCase | kOpt, {3, 4});
    by_name_ = &fcb_.AddKey("PRO:K_NAME", kDup | kNoCase | kOpt, {4});
    fcb_.AddMemo("PRO:NOTES", 8000);
  }
  ~StoreTable() {
    if (fcb_.state() != nullptr) data::Destroy(fcb_);
  }
  StoreTable(const StoreTable&) = delete;
  StoreTable& operator=(const StoreTable&) = delete;

  void Create() {
    RemoveFile(path_);
    Check(data::Create(fcb_), "CREATE");
  }
  void Open(uint32_t mode = kReadWriteDenyNone) { Check(data::Open(fcb_, mode), "OPEN"); }
  void Close() { data::Close(fcb_); }

  void Add(const Entry& e) {
    Fill(e);
    Check(data::Add(fcb_), "ADD");
  }
  // Reads the record with this id into the buffer.
  void GetById(int32_t id) {
    std::memcpy(record_.data(), &id, 4);
    Check(data::GetFileKey(fcb_, *by_id_), "GET");
  }
  void ChangeById(int32_t id, uint32_t version) {
    GetById(id);
    const Entry e = EntryOf(id - 1, version);
    Text(12, 60, e.name);
    Text(327, 255, e.password);
    Check(data::Put(fcb_), "PUT");
  }
  void DeleteById(int32_t id) {
    GetById(id);
    Check(data::Delete(fcb_), "DELETE");
  }
  void BeginTransaction() { Check(data::Logout(0, {&fcb_}), "LOGOUT"); }
  void CommitTransaction() { Check(data::Commit(), "COMMIT"); }
  void BeginStream() { Check(data::Stream(fcb_), "STREAM"); }
  void EndStream() { Check(data::Flush(fcb_), "FLUSH"); }

  // Reads every record in name order; answers how many.
  int64_t ReadInNameOrder(Sink* sink) {
    Check(data::SetKey(*by_name_), "SET");
    int64_t count = 0;
    while (data::Next(fcb_) == 0) {
      int32_t id;
      std::memcpy(&id, record_.data(), 4);
      const std::vector<char>& notes = fcb_.memos[0]->buffer;
      sink->Take(id, record_.data() + 12, notes.size());
      ++count;
    }
    if (data::ErrorCode() != 33) Fail("NEXT: " + data::ErrorMessage());
    return count;
  }
  void Take(Sink* sink) const {
    int32_t id;
    std::memcpy(&id, record_.data(), 4);
    sink->Take(id, record_.data() + 12, fcb_.memos[0]->buffer.size());
  }

 private:
  void Fill(const Entry& e) {
    std::memcpy(record_.data(), &e.id, 4);
    std::memcpy(record_.data() + 4, &e.vendor, 4);
    std::memcpy(record_.data() + 8, &e.category, 4);
    Text(12, 60, e.name);
    Text(72, 255, e.user);
    Text(327, 255, e.password);
    std::memcpy(record_.data() + 582, &e.expires, 4);
    std::vector<char>& notes = fcb_.memos[0]->buffer;
    std::fill(notes.begin(), notes.end(), ' ');
    std::memcpy(notes.data(), e.notes.data(), std::min(e.notes.size(), notes.size()));
  }
  void Text(size_t offset, size_t length, const std::string& text) {
    std::memset(record_.data() + offset, ' ', length);
    std::memcpy(record_.data() + offset, text.data(), std::min(length, text.size()));
  }
  void Check(int32_t outcome, const char* statement) {
    if (outcome != 0) {
      Fail(std::string(statement) + " on the store: " + std::to_string(data::ErrorCode()) + " " +
           data::ErrorMessage() + " (" + data::FileErrorCode() + ")");
    }
  }

  std::string path_;
  std::string name_;
  std::string owner_;
  data::RecordDeclaration declaration_;
  std::vector<char> record_;
  data::FileControlBlock fcb_;
  data::KeyControlBlock* by_id_ = nullptr;
  data::KeyControlBlock* by_name_ = nullptr;
};

// ---------------------------------------------------------------------------
// The same table in SQLite.

class SqliteTable {
 public:
  explicit SqliteTable(const std::string& path) : path_(path) {}
  ~SqliteTable() { Close(); }
  SqliteTable(const SqliteTable&) = delete;
  SqliteTable& operator=(const SqliteTable&) = delete;

  void Create() {
    RemoveFile(path_);
    Open();
    Exec(
        "CREATE TABLE pro(sysid INTEGER PRIMARY KEY, vensysid INTEGER NOT NULL,"
        " typsysid INTEGER NOT NULL, name TEXT NOT NULL COLLATE NOCASE, userid TEXT,"
        " password TEXT, expiredate INTEGER, notes TEXT);"
        "CREATE INDEX pro_venname ON pro(vensysid, name);"
        "CREATE INDEX pro_typname ON pro(typsysid, name);"
        "CREATE INDEX pro_name ON pro(name);");
    Prepare();
  }
  void Open() {
    if (sqlite3_open(path_.c_str(), &db_) != SQLITE_OK) Fail("sqlite3_open " + path_);
    Exec("PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL;");
    if (Has("pro")) Prepare();
  }
  void Close() {
    for (sqlite3_stmt* s : {insert_, select_, update_, delete_, scan_}) sqlite3_finalize(s);
    insert_ = select_ = update_ = delete_ = scan_ = nullptr;
    if (db_ != nullptr) sqlite3_close(db_);
    db_ = nullptr;
  }

  void Add(const Entry& e) {
    sqlite3_bind_int(insert_, 1, e.id);
    sqlite3_bind_int(insert_, 2, e.vendor);
    sqlite3_bind_int(insert_, 3, e.category);
    sqlite3_bind_text(insert_, 4, e.name.data(), static_cast<int>(e.name.size()), SQLITE_STATIC);
    sqlite3_bind_text(insert_, 5, e.user.data(), static_cast<int>(e.user.size()), SQLITE_STATIC);
    sqlite3_bind_text(insert_, 6, e.password.data(), static_cast<int>(e.password.size()),
                      SQLITE_STATIC);
    sqlite3_bind_int(insert_, 7, e.expires);
    sqlite3_bind_text(insert_, 8, e.notes.data(), static_cast<int>(e.notes.size()), SQLITE_STATIC);
    Step(insert_, SQLITE_DONE);
  }
  void GetById(int32_t id, Sink* sink) {
    sqlite3_bind_int(select_, 1, id);
    if (sqlite3_step(select_) != SQLITE_ROW) Fail("no row for id " + std::to_string(id));
    TakeRow(select_, sink);
    sqlite3_reset(select_);
  }
  void ChangeById(int32_t id, uint32_t version) {
    const Entry e = EntryOf(id - 1, version);
    sqlite3_bind_text(update_, 1, e.name.data(), static_cast<int>(e.name.size()), SQLITE_STATIC);
    sqlite3_bind_text(update_, 2, e.password.data(), static_cast<int>(e.password.size()),
                      SQLITE_STATIC);
    sqlite3_bind_int(update_, 3, id);
    Step(update_, SQLITE_DONE);
  }
  void DeleteById(int32_t id) {
    sqlite3_bind_int(delete_, 1, id);
    Step(delete_, SQLITE_DONE);
  }
  void BeginTransaction() { Exec("BEGIN"); }
  void CommitTransaction() { Exec("COMMIT"); }

  int64_t ReadInNameOrder(Sink* sink) {
    int64_t count = 0;
    int rc;
    while ((rc = sqlite3_step(scan_)) == SQLITE_ROW) {
      TakeRow(scan_, sink);
      ++count;
    }
    if (rc != SQLITE_DONE) Fail(std::string("scan: ") + sqlite3_errmsg(db_));
    sqlite3_reset(scan_);
    return count;
  }

 private:
  // Reads every column, as a program filling its record buffer does.
  static void TakeRow(sqlite3_stmt* s, Sink* sink) {
    const int32_t id = sqlite3_column_int(s, 0);
    sqlite3_column_int(s, 1);
    sqlite3_column_int(s, 2);
    const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(s, 3));
    sqlite3_column_text(s, 4);
    sqlite3_column_text(s, 5);
    sqlite3_column_int(s, 6);
    sqlite3_column_text(s, 7);
    sink->Take(id, name, static_cast<size_t>(sqlite3_column_bytes(s, 7)));
  }
  bool Has(const char* table) {
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db_, "SELECT 1 FROM sqlite_master WHERE name = ?", -1, &s, nullptr);
    sqlite3_bind_text(s, 1, table, -1, SQLITE_STATIC);
    const bool found = sqlite3_step(s) == SQLITE_ROW;
    sqlite3_finalize(s);
    return found;
  }
  void Prepare() {
    insert_ = Statement("INSERT INTO pro VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
    select_ = Statement("SELECT * FROM pro WHERE sysid = ?");
    update_ = Statement("UPDATE pro SET name = ?, password = ? WHERE sysid = ?");
    delete_ = Statement("DELETE FROM pro WHERE sysid = ?");
    scan_ = Statement("SELECT * FROM pro INDEXED BY pro_name ORDER BY name");
  }
  sqlite3_stmt* Statement(const char* sql) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db_, sql, -1, &s, nullptr) != SQLITE_OK) {
      Fail(std::string(sql) + ": " + sqlite3_errmsg(db_));
    }
    return s;
  }
  void Step(sqlite3_stmt* s, int expected) {
    if (sqlite3_step(s) != expected) Fail(std::string("sqlite3_step: ") + sqlite3_errmsg(db_));
    sqlite3_reset(s);
  }
  void Exec(const char* sql) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) != SQLITE_OK) {
      const std::string text = message != nullptr ? message : "?";
      sqlite3_free(message);
      Fail(std::string(sql) + ": " + text);
    }
  }

  std::string path_;
  sqlite3* db_ = nullptr;
  sqlite3_stmt* insert_ = nullptr;
  sqlite3_stmt* select_ = nullptr;
  sqlite3_stmt* update_ = nullptr;
  sqlite3_stmt* delete_ = nullptr;
  sqlite3_stmt* scan_ = nullptr;
};

// ---------------------------------------------------------------------------
// Tables of n records, built once per run and copied for the benchmarks that
// change them.

std::string StorePathFor(int64_t n) { return ScratchPath("base" + std::to_string(n) + ".zph"); }
std::string SqlitePathFor(int64_t n) { return ScratchPath("base" + std::to_string(n) + ".sqlite"); }

// Adds records [from, to) in transactions of 10000.
template <typename Table>
void AddInTransactions(Table& table, int64_t from, int64_t to) {
  for (int64_t i = from; i < to;) {
    table.BeginTransaction();
    const int64_t end = std::min(to, i + 10000);
    for (; i < end; ++i) table.Add(EntryOf(i));
    table.CommitTransaction();
  }
}

void EnsureBaseTables(int64_t n) {
  static std::map<int64_t, bool> built;
  if (built[n]) return;
  {
    StoreTable store(StorePathFor(n));
    store.Create();
    store.Open();
    AddInTransactions(store, 0, n);
    store.Close();
  }
  {
    SqliteTable sqlite(SqlitePathFor(n));
    sqlite.Create();
    AddInTransactions(sqlite, 0, n);
    sqlite.Close();
  }
  built[n] = true;
}

// Rounds of a million records are measured once, to keep the run short.
int TurnsFor(int64_t records) { return records >= 1000000 ? 1 : 2; }

double Seconds(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Records per second of a round of `records` records, repeated until it has
// run for a while; the best of two such measurements of each engine, taken
// in turn. prepare runs untimed before each round.
struct Rates {
  double store = 0;
  double sqlite = 0;
};
double Rate(int64_t records, const std::function<void()>& round,
            const std::function<void()>& prepare) {
  double elapsed = 0;
  int64_t done = 0;
  do {
    if (prepare) prepare();
    elapsed += Seconds(round);
    done += records;
  } while (elapsed < kMinimumRoundSeconds);
  return static_cast<double>(done) / elapsed;
}

Rates AlternatingRates(int64_t records, const std::function<void()>& store_round,
                       const std::function<void()>& sqlite_round,
                       const std::function<void()>& prepare_store = {},
                       const std::function<void()>& prepare_sqlite = {}) {
  Rates best;
  for (int turn = 0; turn < TurnsFor(records); ++turn) {
    best.store = std::max(best.store, Rate(records, store_round, prepare_store));
    best.sqlite = std::max(best.sqlite, Rate(records, sqlite_round, prepare_sqlite));
  }
  return best;
}

// The best of TurnsFor(records) rounds of one engine alone.
double BestRate(int64_t records, const std::function<void()>& round,
                const std::function<void()>& prepare = {}) {
  double best = 0;
  for (int turn = 0; turn < TurnsFor(records); ++turn) {
    best = std::max(best, Rate(records, round, prepare));
  }
  return best;
}

void Report(benchmark::State& state, const std::string& what, double store, double sqlite) {
  state.counters["store_" + what + "/s"] = store;
  state.counters["sqlite_" + what + "/s"] = sqlite;
  state.counters["ratio_" + what] = sqlite > 0 ? store / sqlite : 0;
}

// Runs body, turning a failure into a skipped benchmark with its message.
void Guarded(benchmark::State& state, const std::function<void()>& body) {
  try {
    body();
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
  }
}

// ---------------------------------------------------------------------------
// Benchmarks.

// One committed operation at a time on copies of the tables of n records.
void DurableOperations(benchmark::State& state, const std::string& what,
                       const std::function<void(StoreTable&, int32_t)>& on_store,
                       const std::function<void(SqliteTable&, int32_t)>& on_sqlite, bool new_ids) {
  const int64_t n = state.range(0);
  Guarded(state, [&] {
    EnsureBaseTables(n);
    std::vector<int32_t> ids;
    if (new_ids) {
      for (int k = 0; k < kDurableOperations; ++k) ids.push_back(static_cast<int32_t>(n + k + 1));
    } else {
      ids = RandomIds(n, kDurableOperations, 17);
    }
    const std::string store_path = ScratchPath("work.zph");
    const std::string sqlite_path = ScratchPath("work.sqlite");
    for (auto _ : state) {
      CopyFile(StorePathFor(n), store_path);
      CopyFile(SqlitePathFor(n), sqlite_path);
      StoreTable store(store_path);
      store.Open();
      SqliteTable sqlite(sqlite_path);
      sqlite.Open();
      const double store_seconds = Seconds([&] {
        for (int32_t id : ids) on_store(store, id);
      });
      const double sqlite_seconds = Seconds([&] {
        for (int32_t id : ids) on_sqlite(sqlite, id);
      });
      Report(state, what, kDurableOperations / store_seconds, kDurableOperations / sqlite_seconds);
    }
    RemoveFile(store_path);
    RemoveFile(sqlite_path);
  });
}

void BM_DurableAdd(benchmark::State& state) {
  DurableOperations(
      state, "add", [](StoreTable& t, int32_t id) { t.Add(EntryOf(id - 1)); },
      [](SqliteTable& t, int32_t id) { t.Add(EntryOf(id - 1)); }, true);
}

void BM_DurableChange(benchmark::State& state) {
  DurableOperations(
      state, "change", [](StoreTable& t, int32_t id) { t.ChangeById(id, 1); },
      [](SqliteTable& t, int32_t id) { t.ChangeById(id, 1); }, false);
}

void BM_DurableDelete(benchmark::State& state) {
  DurableOperations(
      state, "delete", [](StoreTable& t, int32_t id) { t.DeleteById(id); },
      [](SqliteTable& t, int32_t id) { t.DeleteById(id); }, false);
}

void BM_TransactionAdd(benchmark::State& state) {
  const int64_t n = state.range(0);
  Guarded(state, [&] {
    const std::string store_path = ScratchPath("bulk.zph");
    const std::string sqlite_path = ScratchPath("bulk.sqlite");
    std::unique_ptr<StoreTable> store;
    std::unique_ptr<SqliteTable> sqlite;
    auto new_store = [&] {
      store.reset();
      store = std::make_unique<StoreTable>(store_path);
      store->Create();
      store->Open();
    };
    auto new_sqlite = [&] {
      sqlite.reset();
      sqlite = std::make_unique<SqliteTable>(sqlite_path);
      sqlite->Create();
    };
    auto add_all = [&](auto& table) {
      for (int64_t i = 0; i < n; ++i) table.Add(EntryOf(i));
    };
    for (auto _ : state) {
      const Rates logout = AlternatingRates(
          n,
          [&] {
            store->BeginTransaction();
            add_all(*store);
            store->CommitTransaction();
          },
          [&] {
            sqlite->BeginTransaction();
            add_all(*sqlite);
            sqlite->CommitTransaction();
          },
          new_store, new_sqlite);
      store->Close();
      state.counters["store_bytes"] = static_cast<double>(FileBytes(store_path));
      sqlite->Close();
      state.counters["sqlite_bytes"] = static_cast<double>(FileBytes(sqlite_path));
      // STREAM and FLUSH, against the same SQLite figure.
      const double stream = BestRate(
          n,
          [&] {
            store->BeginStream();
            add_all(*store);
            store->EndStream();
          },
          new_store);
      Report(state, "logout", logout.store, logout.sqlite);
      state.counters["store_stream/s"] = stream;
      state.counters["ratio_stream"] = stream / logout.sqlite;
    }
    store.reset();
    sqlite.reset();
    RemoveFile(store_path);
    RemoveFile(sqlite_path);
  });
}

void BM_KeyOrderRead(benchmark::State& state) {
  const int64_t n = state.range(0);
  Guarded(state, [&] {
    EnsureBaseTables(n);
    StoreTable store(StorePathFor(n));
    store.Open();
    SqliteTable sqlite(SqlitePathFor(n));
    sqlite.Open();
    Sink sink;
    for (auto _ : state) {
      const Rates rates = AlternatingRates(
          n,
          [&] {
            if (store.ReadInNameOrder(&sink) != n) Fail("the store read a wrong count");
          },
          [&] {
            if (sqlite.ReadInNameOrder(&sink) != n) Fail("SQLite read a wrong count");
          });
      Report(state, "read", rates.store, rates.sqlite);
      // The same reads on the file opened deny-all: no other process can
      // change it, so no operation takes a lock or reads the header. What
      // remains is the store's own work.
      store.Close();
      store.Open(kReadWriteDenyAll);
      const double alone = BestRate(n, [&] {
        if (store.ReadInNameOrder(&sink) != n) Fail("the store read a wrong count");
      });
      store.Close();
      store.Open();
      state.counters["store_alone_read/s"] = alone;
      state.counters["ratio_alone_read"] = alone / rates.sqlite;
    }
    benchmark::DoNotOptimize(sink.sum);
  });
}

void BM_RandomRead(benchmark::State& state) {
  const int64_t n = state.range(0);
  Guarded(state, [&] {
    EnsureBaseTables(n);
    StoreTable store(StorePathFor(n));
    store.Open();
    SqliteTable sqlite(SqlitePathFor(n));
    sqlite.Open();
    const std::vector<int32_t> ids = RandomIds(n, kRandomReads, 29);
    Sink sink;
    for (auto _ : state) {
      const Rates rates = AlternatingRates(
          kRandomReads,
          [&] {
            for (int32_t id : ids) {
              store.GetById(id);
              store.Take(&sink);
            }
          },
          [&] {
            for (int32_t id : ids) sqlite.GetById(id, &sink);
          });
      Report(state, "get", rates.store, rates.sqlite);
      store.Close();
      store.Open(kReadWriteDenyAll);
      const double alone = BestRate(kRandomReads, [&] {
        for (int32_t id : ids) {
          store.GetById(id);
          store.Take(&sink);
        }
      });
      store.Close();
      store.Open();
      state.counters["store_alone_get/s"] = alone;
      state.counters["ratio_alone_get"] = alone / rates.sqlite;
    }
    benchmark::DoNotOptimize(sink.sum);
  });
}

// Peak memory: a fresh process (this program, started again with
// --peak-read) opens a table and reads it all in name order, then prints its
// peak resident size (VmHWM, which starts afresh with the new program image).
constexpr char kPeakReadOption[] = "--peak-read";

double PeakMebibytes(const std::string& engine, const std::string& path) {
  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  const std::string command =
      "'" + self + "' " + kPeakReadOption + " " + engine + " '" + (path.empty() ? "-" : path) + "'";
  FILE* child = popen(command.c_str(), "r");
  if (child == nullptr) Fail("popen");
  double kibibytes = -1;
  if (std::fscanf(child, "%lf", &kibibytes) != 1) kibibytes = -1;
  if (pclose(child) != 0 || kibibytes < 0) Fail("the reading process for " + engine + " failed");
  return kibibytes / 1024.0;
}

// The peak resident size of this process in KiB, or -1.
long PeakKibibytes() {
  FILE* status = std::fopen("/proc/self/status", "r");
  if (status == nullptr) return -1;
  char line[256];
  long kibibytes = -1;
  while (std::fgets(line, sizeof line, status) != nullptr) {
    if (std::sscanf(line, "VmHWM: %ld kB", &kibibytes) == 1) break;
  }
  std::fclose(status);
  return kibibytes;
}

int PeakRead(const std::string& engine, const std::string& path) {
  try {
    Sink sink;
    if (engine == "store") {
      StoreTable store(path);
      store.Open(kReadOnlyDenyNone);
      store.ReadInNameOrder(&sink);
    } else if (engine == "sqlite") {
      SqliteTable sqlite(path);
      sqlite.Open();
      sqlite.ReadInNameOrder(&sink);
    }
    benchmark::DoNotOptimize(sink.sum);
    std::printf("%ld\n", PeakKibibytes());
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
}

void BM_PeakMemory(benchmark::State& state) {
  const int64_t n = state.range(0);
  Guarded(state, [&] {
    EnsureBaseTables(n);
    for (auto _ : state) {
      state.counters["idle_MiB"] = PeakMebibytes("none", "");
      state.counters["store_MiB"] = PeakMebibytes("store", StorePathFor(n));
      state.counters["sqlite_MiB"] = PeakMebibytes("sqlite", SqlitePathFor(n));
      state.counters["store_file_MiB"] = static_cast<double>(FileBytes(StorePathFor(n))) / 1048576;
    }
  });
}

void Sizes(benchmark::internal::Benchmark* b) {
  b->Arg(1000)->Arg(10000)->Arg(100000)->Arg(1000000);
  b->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK(BM_TransactionAdd)->Apply(Sizes);
BENCHMARK(BM_KeyOrderRead)->Apply(Sizes);
BENCHMARK(BM_RandomRead)->Apply(Sizes);
BENCHMARK(BM_DurableAdd)->Apply(Sizes);
BENCHMARK(BM_DurableChange)->Apply(Sizes);
BENCHMARK(BM_DurableDelete)->Apply(Sizes);
BENCHMARK(BM_PeakMemory)->Apply(Sizes);

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], kPeakReadOption) == 0) return PeakRead(argv[2], argv[3]);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ignored;
  std::filesystem::remove_all(ScratchFolder(), ignored);
  return 0;
}
