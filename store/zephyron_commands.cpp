// Driver commands (SEND) and properties.
#include <algorithm>
#include <cstring>

#include "data/character_tables.h"
#include "data/error_texts.h"
#include "data/open_file_registry.h"
#include "data/state_bits.h"
#include "store/table_name.h"
#include "store/transaction.h"
#include "store/zephyron_driver.h"

namespace vaultara::store {

namespace {

namespace err = data::err;
namespace bit = data::state;

std::string Upper(std::string_view text) { return data::ToUpper(text); }

// The text after `word=` when text starts with it (case ignored).
std::optional<std::string> AfterAssignment(const std::string& text, std::string_view word) {
  const std::string upper = Upper(text);
  if (upper.size() <= word.size() || upper.compare(0, word.size(), word) != 0 ||
      upper[word.size()] != '=') {
    return std::nullopt;
  }
  return text.substr(word.size() + 1);
}

std::string Truth(bool on) { return on ? "1" : ""; }

int32_t Number(const std::string& text) {
  int64_t n = 0;
  bool negative = false;
  size_t i = text.find_first_not_of(' ');
  if (i == std::string::npos) return 0;
  if (text[i] == '-' || text[i] == '+') negative = text[i++] == '-';
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    n = std::min<int64_t>(n * 10 + (text[i] - '0'), INT32_MAX);
  }
  return static_cast<int32_t>(negative ? -n : n);
}

}  // namespace

// ---- SEND -------------------------------------------------------------------

int32_t ZephyronDriver::TableNames(ZephyronState& state, std::vector<std::string>* names) {
  TableHandle& table = *state.table;
  names->clear();
  RegisteredFile* registered = table.is_open() ? table.registered_file() : nullptr;
  const bool borrowed = registered == nullptr;
  if (borrowed) {
    const TableName name = TableName::Split(table.name(), platform_);
    if (name.path.empty()) return err::kInvalidFilename;
    const Status status =
        files_->Acquire(name.path, {platform::Access::kRead, platform::Share::kDenyNone},
                        platform::Disposition::kOpenExisting, table.owner(), &registered);
    if (!status.ok()) return table.ErrorOf(status);
  }
  StoreFile& file = *registered->file;
  std::string at(1, static_cast<char>(entry_kind::kTableName));
  Status status = Status::Ok();
  for (;;) {
    std::optional<StoreEntry> entry;
    status = file.Successor(at, &entry);
    if (!status.ok() || !entry || entry->key().empty() ||
        static_cast<uint8_t>(entry->key()[0]) != entry_kind::kTableName) {
      break;
    }
    at = std::string(entry->key());
    names->push_back(at.substr(1));
  }
  file.EndOperation();
  if (borrowed) files_->Release(registered);
  return table.ErrorOf(status);
}

void ZephyronDriver::Send(data::OperationCall& call, ZephyronState& state) {
  TableHandle& table = *state.table;
  const std::string text(data::TrimRight(call.text(0)));
  const std::string upper = Upper(text);
  if (text == "REGISTER") {
    call.result = kRegistrationReference;
    call.text_result = std::to_string(kRegistrationReference);
    if (!table.is_open()) state.free_after_operation = true;
    return;
  }
  if (const size_t tcf = text.find("TCF"); tcf != std::string::npos) {
    if (tcf + 3 < text.size() && text[tcf + 3] == '=') {
      ProcessTransaction().SetControlFile(text.substr(tcf + 4));
    }
    call.text_result = ProcessTransaction().control_file();
    return;
  }
  if (upper == "FULLBUILD" || AfterAssignment(text, "FULLBUILD")) {
    if (auto value = AfterAssignment(text, "FULLBUILD")) {
      table.set_full_build(Upper(*value) == "ON");
    }
    call.text_result = table.full_build() ? "ON" : "OFF";
    return;
  }
  if (upper == "FLAGS" || AfterAssignment(text, "FLAGS")) {
    if (!table.is_open()) return;
    const Status begun = table.file().BeginWrite();
    if (!begun.ok()) {
      call.error = table.ErrorOf(begun);
      return;
    }
    Counter counter;
    call.error = table.ReadCounter(entry_kind::kDataCounter, &counter);
    if (call.error != err::kNone) return;
    if (auto value = AfterAssignment(text, "FLAGS")) {
      counter.out_of_date_from = static_cast<uint32_t>(Number(*value));
      call.error = table.WriteCounter(entry_kind::kDataCounter, counter);
    }
    call.text_result = std::to_string(counter.out_of_date_from);
    return;
  }
  if (const size_t q = text.find("PNMQ="); q != std::string::npos) {
    auto it = queues_.find(Number(text.substr(q + 5)));
    if (it == queues_.end()) return;
    std::vector<std::string> names;
    call.error = TableNames(state, &names);
    data::RecordQueue& queue = *it->second;
    if (call.error != err::kNone || queue.Layout() == nullptr || queue.Layout()->fields.empty()) {
      return;
    }
    const data::FieldDescriptor& field = queue.Layout()->fields[0];
    for (const std::string& name : names) {
      char* at = queue.Buffer() + field.offset;
      std::memset(at, ' ', field.size);
      std::memcpy(at, name.data(), std::min<size_t>(name.size(), field.size));
      queue.Append();
    }
    return;
  }
  if (const size_t p = text.find("PNM="); p != std::string::npos) {
    if (!table.is_open()) return;
    const std::string after = Upper(text.substr(p + 4));
    std::vector<std::string> names;
    call.error = TableNames(state, &names);
    for (const std::string& name : names) {
      if (name > after) {
        call.text_result = name;
        break;
      }
    }
    return;
  }
}

// ---- Properties -------------------------------------------------------------

namespace property {
inline constexpr int32_t kFullBuild = 29232;
inline constexpr int32_t kLogout = 29441;
inline constexpr int32_t kWatched = 29444;
inline constexpr int32_t kHeld = 29445;
inline constexpr int32_t kProgress = 29446;  // set: progress events; get: Building
inline constexpr int32_t kDriver = 29453;
inline constexpr int32_t kKeys = 29455;
inline constexpr int32_t kFields = 29458;
inline constexpr int32_t kEncrypt = 29459;
inline constexpr int32_t kOptions = 29460;
inline constexpr int32_t kOwner = 29461;
inline constexpr int32_t kName = 29462;
inline constexpr int32_t kOem = 29464;
// Keys.
inline constexpr int32_t kKeyName = 29462;
inline constexpr int32_t kKeyLabel = 29463;
inline constexpr int32_t kComponents = 29466;
inline constexpr int32_t kDuplicates = 29467;
inline constexpr int32_t kOptional = 29468;
inline constexpr int32_t kNoCase = 29469;
inline constexpr int32_t kPrimary = 29470;
inline constexpr int32_t kComponentField = 29471;
inline constexpr int32_t kComponentAscending = 29472;
inline constexpr int32_t kKind = 31745;
}  // namespace property

void ZephyronDriver::SetProperty(data::OperationCall& call, ZephyronState& state) {
  TableHandle& table = *state.table;
  const std::string value(data::TrimRight(call.text(0)));
  switch (call.property) {
    case property::kFullBuild:
      table.set_full_build(!value.empty());
      return;
    case property::kOem:
      table.set_oem(!value.empty() && Number(value) != 0);
      return;
    case property::kOptions:
      table.set_options(value);
      return;
    case property::kOwner:
      table.set_owner(value);
      return;
    case property::kName:
      table.set_name(value);
      return;
    case property::kProgress: {
      const int32_t n = Number(value);
      if (n == 0) {
        state.bits &= ~bit::kBuildRequested;
        state.progress_setting = 0;
      } else {
        state.bits |= bit::kBuildRequested;
        state.progress_setting = std::clamp(n, 1, 100);
      }
      return;
    }
    case property::kLogout:
      data::OpenFiles().SetLogoutCandidate(*call.file, Number(value) >= 0);
      return;
    default:
      // ENCRYPT restricts tracing only, and there is no tracing; other
      // properties are accepted and ignored.
      return;
  }
}

void ZephyronDriver::GetProperty(data::OperationCall& call, ZephyronState& state) {
  TableHandle& table = *state.table;
  const data::FileControlBlock& file = *call.file;
  std::string& answer = call.text_result;
  switch (call.property) {
    case property::kFullBuild:
      answer = Truth(table.full_build());
      return;
    case property::kDriver:
      answer = registration_.name;
      return;
    case property::kKeys:
      answer = std::to_string(file.keys.size());
      return;
    case property::kFields:
      answer = std::to_string(file.declaration ? file.declaration->fields.size() : 0);
      return;
    case property::kEncrypt:
      answer = Truth(file.HasAttribute(data::attribute::kEncrypt));
      return;
    case property::kOptions:
      answer = table.options();
      return;
    case property::kOwner:
      answer = table.owner();
      return;
    case property::kName:
      answer = table.name();
      return;
    case property::kOem:
      answer = Truth(table.oem());
      return;
    case property::kWatched:
      answer = Truth(state.bits & bit::kWatched);
      return;
    case property::kHeld:
      answer = Truth(state.bits & bit::kHeld);
      return;
    case property::kProgress:
      answer = Truth(state.bits & bit::kBuilding);
      return;
    default:
      return;
  }
}

void ZephyronDriver::GetKeyProperty(data::OperationCall& call, ZephyronState& state) {
  (void)state;
  const data::KeyControlBlock& key = *call.key;
  std::string& answer = call.text_result;
  const auto component = [&]() -> std::optional<int32_t> {
    const int32_t i = call.number;
    if (i < 1 || static_cast<size_t>(i) > key.components.size()) return std::nullopt;
    return key.components[static_cast<size_t>(i - 1)];
  };
  switch (call.property) {
    case property::kKeyName:
      answer = key.external_name;
      return;
    case property::kKeyLabel:
      answer = key.label;
      return;
    case property::kComponents:
      answer = std::to_string(key.components.size());
      return;
    case property::kDuplicates:
      answer = Truth(key.flags & (data::key_flag::kDup | data::key_flag::kIndex));
      return;
    case property::kOptional:
      answer = Truth(key.flags & data::key_flag::kOpt);
      return;
    case property::kNoCase:
      answer = Truth(key.flags & data::key_flag::kNoCase);
      return;
    case property::kPrimary:
      answer = Truth(key.flags & data::key_flag::kPrimary);
      return;
    case property::kComponentField:
      if (auto c = component()) answer = std::to_string(*c < 0 ? -*c : *c);
      return;
    case property::kComponentAscending:
      if (auto c = component()) answer = Truth(*c > 0);
      return;
    case property::kKind:
      answer = (key.flags & data::key_flag::kIndex) ? "INDEX" : "KEY";
      return;
    default:
      return;
  }
}

}  // namespace vaultara::store
