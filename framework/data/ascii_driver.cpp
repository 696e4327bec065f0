#include "framework/data/ascii_driver.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <string_view>
#include <thread>
#include <vector>

#include "data/character_tables.h"
#include "data/error_state.h"
#include "data/error_texts.h"
#include "data/file_control_block.h"
#include "data/file_driver.h"
#include "data/state_bits.h"

namespace vaultara::framework {

using data::DriverState;
using data::FileControlBlock;
using data::Op;
using data::OperationCall;
namespace err = data::err;

namespace {

constexpr unsigned char kCtrlZ = 26;
constexpr uint32_t kBlock = 512;
constexpr int32_t kKeepTabs = -100;

struct Settings {
  bool clip = true;
  bool ctrl_z_is_eof = true;
  std::string terminator = "\r\n";
  uint32_t buffer_size = kBlock;
  bool quick_scan = false;
  int32_t tab = 8;
};

class AsciiState : public DriverState {
 public:
  std::string path;
  std::unique_ptr<platform::File> file;
  Settings settings;
  bool read_only = false;
  bool shared = false;
  bool appended = false;  // an append happened since opening
  uint64_t known_length = 0;
  uint64_t current = 0;         // start of the current line
  uint64_t current_length = 0;  // bytes of the current line, terminator excluded
  uint64_t next = 0;            // where the next read starts
};

AsciiState& Of(DriverState& state) { return static_cast<AsciiState&>(state); }

bool DeniesOthers(uint32_t mode) {
  uint32_t share = mode & 0x70;
  return share == 0x10 || share == 0x20 || share == 0x30;
}

std::string Normalised(std::string_view item) {
  std::string out;
  for (char c : item) {
    if (c == ' ' || c == '\t') continue;
    out.push_back(data::AsciiUpper(c));
  }
  if (!out.empty() && out[0] == '/') out.erase(0, 1);
  return out;
}

bool ParseInt(const std::string& text, int64_t* value) {
  if (text.empty()) return false;
  size_t i = text[0] == '-' ? 1 : 0;
  if (i == text.size() || text.size() > 10) return false;
  for (size_t j = i; j < text.size(); ++j) {
    if (!std::isdigit(static_cast<unsigned char>(text[j]))) return false;
  }
  *value = std::stoll(text);
  return true;
}

bool ParseOnOff(const std::string& value, bool* out) {
  if (value == "ON")
    *out = true;
  else if (value == "OFF")
    *out = false;
  else
    return false;
  return true;
}

// "2,13,10": a count, then that many byte values.
bool ParseTerminator(const std::string& value, std::string* out) {
  std::vector<int64_t> numbers;
  size_t start = 0;
  while (start <= value.size()) {
    size_t comma = value.find(',', start);
    if (comma == std::string::npos) comma = value.size();
    int64_t n = 0;
    if (!ParseInt(value.substr(start, comma - start), &n)) return false;
    numbers.push_back(n);
    start = comma + 1;
  }
  if (numbers.size() < 2 || numbers[0] != static_cast<int64_t>(numbers.size() - 1)) return false;
  std::string t;
  for (size_t i = 1; i < numbers.size(); ++i) {
    if (numbers[i] < 0 || numbers[i] > 255) return false;
    t.push_back(static_cast<char>(numbers[i]));
  }
  *out = t;
  return true;
}

std::string OnOff(bool on) { return on ? "ON" : "OFF"; }

// Applies one normalised "NAME=VALUE" item (or reads "NAME") and answers the
// setting's value afterwards; empty for an unknown name. A value that does
// not parse leaves the setting as it was.
std::string ApplySetting(Settings& s, const std::string& item, uint32_t record_length) {
  size_t eq = item.find('=');
  std::string name = item.substr(0, eq);
  bool set = eq != std::string::npos;
  std::string value = set ? item.substr(eq + 1) : std::string();
  int64_t n = 0;
  if (name == "CLIP") {
    if (set) ParseOnOff(value, &s.clip);
    return OnOff(s.clip);
  }
  if (name == "CTRLZISEOF") {
    if (set) ParseOnOff(value, &s.ctrl_z_is_eof);
    return OnOff(s.ctrl_z_is_eof);
  }
  if (name == "QUICKSCAN") {
    if (set) ParseOnOff(value, &s.quick_scan);
    return OnOff(s.quick_scan);
  }
  if (name == "ENDOFRECORD") {
    if (set) ParseTerminator(value, &s.terminator);
    std::string answer = std::to_string(s.terminator.size());
    for (char c : s.terminator) answer += "," + std::to_string(static_cast<unsigned char>(c));
    return answer;
  }
  if (name == "FILEBUFFERS") {
    if (set && ParseInt(value, &n) && n > 0 && n <= 4096) {
      s.buffer_size = std::max(static_cast<uint32_t>(n) * kBlock, record_length);
    }
    return std::to_string((s.buffer_size + kBlock - 1) / kBlock);
  }
  if (name == "TAB") {
    if (set && ParseInt(value, &n) && n >= -1000 && n <= 1000) s.tab = static_cast<int32_t>(n);
    return std::to_string(s.tab);
  }
  return {};
}

void ApplyOptions(Settings& s, const std::string& options, uint32_t record_length) {
  size_t start = options.find('/');
  while (start != std::string::npos) {
    size_t end = options.find('/', start + 1);
    std::string item = Normalised(options.substr(start, end - start));
    if (!item.empty()) ApplySetting(s, item, record_length);
    start = end;
  }
}

int32_t OpenErrorCode(platform::SysError e) {
  data::NoteSystemError(e);
  switch (e) {
    case platform::syserr::kSharingViolation:
    case platform::syserr::kLockViolation:
    case platform::syserr::kAccessDenied:
      return err::kAccessDenied;
    case platform::syserr::kInvalidName:
      return err::kInvalidFilename;
    case platform::syserr::kPathNotFound:
      return err::kPathNotFound;
    default:
      return e;  // posted as the raw system number
  }
}

// Reads a file through a buffer of a fixed size.
class BufferedReader {
 public:
  BufferedReader(platform::File& file, uint64_t length, uint32_t buffer_size)
      : file_(file), length_(length), buffer_size_(std::max<uint32_t>(buffer_size, kBlock)) {}

  uint64_t length() const { return length_; }

  // The byte at pos, or -1 at or after the end (or on a read error).
  int At(uint64_t pos) {
    if (pos >= length_) return -1;
    if (pos < start_ || pos >= start_ + data_.size()) {
      data_.resize(buffer_size_);
      size_t got = 0;
      if (file_.ReadAt(pos, data_.data(), data_.size(), &got) != platform::syserr::kOk) got = 0;
      data_.resize(got);
      start_ = pos;
      if (got == 0) return -1;
    }
    return static_cast<unsigned char>(data_[pos - start_]);
  }

  bool Matches(uint64_t pos, const std::string& bytes) {
    if (bytes.empty()) return false;
    for (size_t i = 0; i < bytes.size(); ++i) {
      if (At(pos + i) != static_cast<unsigned char>(bytes[i])) return false;
    }
    return true;
  }

 private:
  platform::File& file_;
  uint64_t length_;
  uint32_t buffer_size_;
  uint64_t start_ = 0;
  std::string data_;
};

uint64_t LengthOf(platform::File& file) {
  uint64_t length = 0;
  if (file.Size(&length) != platform::syserr::kOk) return 0;
  return length;
}

bool AtEnd(AsciiState& s, BufferedReader& reader, uint64_t pos) {
  int c = reader.At(pos);
  return c < 0 || (s.settings.ctrl_z_is_eof && c == kCtrlZ);
}

void PutChar(char* record, uint32_t length, uint32_t& out, char c) {
  if (out < length) record[out++] = c;
}

// Reads the line at pos into the record; answers 33 at the end of the file.
int32_t ReadLine(AsciiState& s, FileControlBlock& file, uint64_t pos) {
  BufferedReader reader(*s.file, LengthOf(*s.file), s.settings.buffer_size);
  if (AtEnd(s, reader, pos)) return err::kRecordNotAvailable;
  uint32_t length = file.record == nullptr ? 0 : file.record_length;
  if (length > 0) std::memset(file.record, ' ', length);
  uint32_t out = 0;
  uint64_t i = pos;
  uint64_t next = pos;
  while (true) {
    if (reader.Matches(i, s.settings.terminator)) {
      next = i + s.settings.terminator.size();
      break;
    }
    if (AtEnd(s, reader, i)) {
      next = i;  // a Ctrl-Z stays to end the next read
      break;
    }
    char c = static_cast<char>(reader.At(i));
    ++i;
    if (out >= length) continue;  // the rest of an over-long line is skipped
    if (c != '\t' || s.settings.tab == kKeepTabs) {
      PutChar(file.record, length, out, c);
    } else if (s.settings.tab > 0) {
      do {
        PutChar(file.record, length, out, ' ');
      } while (out < length && out % static_cast<uint32_t>(s.settings.tab) != 0);
    } else {
      for (int32_t k = 0; k < -s.settings.tab; ++k) PutChar(file.record, length, out, ' ');
    }
  }
  s.current = pos;
  s.current_length = (next >= pos + s.settings.terminator.size() &&
                      reader.Matches(next - s.settings.terminator.size(), s.settings.terminator))
                         ? next - pos - s.settings.terminator.size()
                         : next - pos;
  s.next = next;
  return 0;
}

// Appenders hold the first byte only for one write, so a busy lock frees up
// at once; it is retried for up to about two seconds before the append is
// refused, so that processes sharing a log do not lose lines to each other.
bool LockFirstByte(platform::File& file) {
  constexpr int kAttempts = 2000;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    platform::SysError e = file.Lock(0, 1);
    if (e == platform::syserr::kOk) return true;
    if (e != platform::syserr::kLockViolation) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}

int32_t AppendLine(AsciiState& s, const FileControlBlock& file, uint32_t length) {
  if (s.read_only) return err::kAccessDenied;
  if (s.shared && !LockFirstByte(*s.file)) return err::kAccessDenied;
  uint64_t pos = (s.shared && !s.settings.quick_scan) ? LengthOf(*s.file) : s.known_length;
  if (!s.appended && s.settings.ctrl_z_is_eof && pos > 0) {
    unsigned char last = 0;
    size_t got = 0;
    if (s.file->ReadAt(pos - 1, &last, 1, &got) == platform::syserr::kOk && got == 1 &&
        last == kCtrlZ) {
      --pos;
    }
  }
  s.appended = true;
  std::string_view bytes(file.record == nullptr ? "" : file.record,
                         file.record == nullptr ? 0 : length);
  if (s.settings.clip) {
    size_t end = bytes.find_last_not_of(' ');
    bytes = end == std::string_view::npos ? std::string_view() : bytes.substr(0, end + 1);
  }
  std::string line(bytes);
  line += s.settings.terminator;
  size_t written = 0;
  platform::SysError e = s.file->WriteAt(pos, line.data(), line.size(), &written);
  s.known_length = pos + written;
  if (s.shared) s.file->Unlock(0, 1);
  if (e != platform::syserr::kOk || written != line.size()) {
    data::NoteSystemError(e);
    return err::kAccessDenied;
  }
  return 0;
}

std::string FullPath(platform::Platform& platform, const std::string& name) {
  if (!name.empty() && name[0] == '/') return name;
  std::string folder;
  if (platform.CurrentDirectory(&folder) != platform::syserr::kOk) return name;
  return folder + "/" + name;
}

}  // namespace

AsciiDriver::AsciiDriver(platform::Platform& platform) : platform_(platform) {
  registration_.name = "ASCII";
  registration_.description = "Text files, one record a line";
  for (Op op :
       {Op::kAdd, Op::kAppend, Op::kAddFileLen, Op::kAppendLen, Op::kBytes, Op::kClose, Op::kCreate,
        Op::kDestroy, Op::kEof, Op::kFlush, Op::kGetFilePtr, Op::kName, Op::kNext, Op::kOpen,
        Op::kPointerFile, Op::kSend, Op::kSetFile, Op::kSetFilePtr, Op::kShare}) {
    registration_.operations.push_back(static_cast<uint8_t>(op));
  }
  registration_.field_types = {data::FieldType::kString, data::FieldType::kGroup};
  registration_.default_extension = ".TXT";
}

AsciiDriver::~AsciiDriver() = default;

std::unique_ptr<DriverState> AsciiDriver::CreateState(FileControlBlock&, int32_t*) {
  return std::make_unique<AsciiState>();
}

void AsciiDriver::Perform(OperationCall& call, DriverState& base) {
  AsciiState& s = Of(base);
  FileControlBlock& file = *call.file;
  switch (call.op) {
    case Op::kName:
      call.text_result = s.file ? s.path : file.name.Read();
      return;

    case Op::kCreate: {
      if (!file.HasAttribute(data::attribute::kCreate)) {
        call.error = err::kNoCreateAttribute;
        return;
      }
      std::string name = file.name.Read();
      if (name.empty()) {
        call.error = err::kInvalidFilename;
        return;
      }
      std::unique_ptr<platform::File> created;
      platform::SysError e =
          platform_.Open(FullPath(platform_, name), {platform::Access::kReadWrite},
                         platform::Disposition::kCreateAlways, &created);
      if (e != platform::syserr::kOk) call.error = OpenErrorCode(e);
      return;
    }

    case Op::kOpen:
    case Op::kShare: {
      std::string name = file.name.Read();
      if (name.empty()) {
        call.error = err::kInvalidFilename;
        return;
      }
      std::string path = FullPath(platform_, name);
      std::unique_ptr<platform::File> opened;
      platform::SysError e =
          platform_.Open(path, platform::OpenMode::FromAccessMode(call.access_mode),
                         platform::Disposition::kOpenExisting, &opened);
      if (e != platform::syserr::kOk) {
        call.error = OpenErrorCode(e);
        return;
      }
      s.file = std::move(opened);
      s.path = path;
      s.read_only = (call.access_mode & 3) == 0;
      s.shared = (call.access_mode & 0x70) == 0x40;
      s.appended = false;
      s.known_length = LengthOf(*s.file);
      s.current = s.current_length = s.next = 0;
      bool denies = DeniesOthers(call.access_mode);
      s.settings = Settings();
      s.settings.buffer_size = std::max(denies ? 2 * kBlock : kBlock, 2 * file.record_length);
      s.settings.quick_scan = denies;
      ApplyOptions(s.settings, file.options.Read(), file.record_length);
      if (!s.read_only) s.bits |= data::state::kWriteAccess;
      if (denies) s.bits |= data::state::kExclusiveAccess;
      return;
    }

    case Op::kAdd:
    case Op::kAppend:
      call.error = AppendLine(s, file, file.record_length);
      return;
    case Op::kAddFileLen:
    case Op::kAppendLen:
      call.error = AppendLine(s, file, std::min(call.length, file.record_length));
      return;

    case Op::kSetFile:
      s.next = 0;
      return;
    case Op::kSetFilePtr:
      s.next = call.record_pointer <= 0 ? 0 : static_cast<uint64_t>(call.record_pointer) - 1;
      return;
    case Op::kNext:
      call.error = ReadLine(s, file, s.next);
      return;
    case Op::kGetFilePtr:
      call.error = call.record_pointer <= 0
                       ? err::kRecordNotFound
                       : ReadLine(s, file, static_cast<uint64_t>(call.record_pointer) - 1);
      if (call.error == err::kRecordNotAvailable) call.error = err::kRecordNotFound;
      return;
    case Op::kEof: {
      BufferedReader reader(*s.file, LengthOf(*s.file), kBlock);
      call.result = AtEnd(s, reader, s.next) ? 1 : 0;
      return;
    }
    case Op::kPointerFile:
      call.result = static_cast<int32_t>(s.current + 1);
      return;
    case Op::kBytes:
      call.result = static_cast<int32_t>((s.bits & data::state::kHasRecord) ? s.current_length
                                                                            : LengthOf(*s.file));
      return;
    case Op::kFlush:
      if (s.file) s.file->Flush();
      return;
    case Op::kSend:
      call.text_result = ApplySetting(s.settings, Normalised(call.text(0)), file.record_length);
      return;

    case Op::kClose:
    case Op::kDestroy:
      s.file.reset();
      s.path.clear();
      return;

    default:
      call.error = err::kUnsupportedFunction;
      return;
  }
}

AsciiDriver& TheAsciiDriver() {
  static AsciiDriver* driver = [] {
    auto* d = new AsciiDriver(platform::RealPlatform());
    data::RegisterDriver(*d);
    return d;
  }();
  return *driver;
}

}  // namespace vaultara::framework
