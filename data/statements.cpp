#include "data/statements.h"

#include <vector>

#include "data/error_state.h"
#include "data/error_texts.h"
#include "data/file_callback.h"
#include "data/file_driver.h"

namespace vaultara::data {
namespace {

// Operations that go to the driver without notification objects.
bool BypassesNotification(Op op) {
  switch (op) {
    case Op::kQueryKey:
    case Op::kQueryView:
    case Op::kInternal87:
    case Op::kInternal91:
    case Op::kInternal94:
    case Op::kCountRecords:
    case Op::kSqlCallback:
      return true;
    default:
      return false;
  }
}

void PostVeto(const OperationCall& call, const std::string& file_error,
              const std::string& file_error_code) {
  PostFileError(file_error_code, file_error);
  PostError(err::kFileSystemError, call.file);
}

OperationCall MakeCall(Op op, FileControlBlock& file) {
  OperationCall call;
  call.op = op;
  call.file = &file;
  return call;
}

OperationCall MakeCall(Op op, KeyControlBlock& key) {
  OperationCall call;
  call.op = op;
  call.file = key.file;
  call.key = &key;
  return call;
}

// Sets one argument of a call.
template <auto Member, typename T>
OperationCall With(OperationCall call, T value) {
  call.*Member = value;
  return call;
}

OperationCall WithTexts(OperationCall call, std::vector<std::string> texts) {
  call.texts = std::move(texts);
  return call;
}

int32_t Outcome(OperationCall call) {
  IssueOperation(call);
  return call.error;
}

int32_t Answer(OperationCall call) { return IssueOperation(call); }

std::string TextAnswer(OperationCall call) {
  IssueOperation(call);
  return call.text_result;
}

}  // namespace

int32_t IssueOperation(OperationCall& call) {
  if (call.file == nullptr || call.file->driver == nullptr) {
    // A key without a file, or a file without a driver: nothing can run it.
    call.error = err::kUnsupportedFunction;
    PostError(call.error, call.file);
    return 0;
  }
  FileDriver& driver = *call.file->driver;
  if (call.file->callbacks.empty() || BypassesNotification(call.op)) {
    return driver.Dispatch(call);
  }
  // Objects may detach themselves while being told; tell the ones attached
  // when the statement began.
  std::vector<FileCallbackInterface*> callbacks = call.file->callbacks;
  bool go_on = true;
  for (FileCallbackInterface* cb : callbacks) {
    std::string file_error;
    std::string file_error_code;
    if (!cb->OperationStarting(call.op, call, &file_error, &file_error_code)) {
      PostVeto(call, file_error, file_error_code);
      call.error = err::kFileSystemError;
      call.result = 0;
      go_on = false;
      break;
    }
  }
  if (go_on) driver.Dispatch(call);
  for (FileCallbackInterface* cb : callbacks) {
    std::string file_error;
    std::string file_error_code;
    if (!cb->OperationFinished(call.op, call, &file_error, &file_error_code)) {
      PostVeto(call, file_error, file_error_code);
      call.error = err::kFileSystemError;
    }
  }
  return call.result;
}

int32_t Open(FileControlBlock& file, uint32_t access_mode) {
  return Outcome(With<&OperationCall::access_mode>(MakeCall(Op::kOpen, file), access_mode));
}

int32_t Share(FileControlBlock& file, uint32_t access_mode) {
  return Outcome(With<&OperationCall::access_mode>(MakeCall(Op::kShare, file), access_mode));
}

int32_t Close(FileControlBlock& file) { return Outcome(MakeCall(Op::kClose, file)); }
int32_t Create(FileControlBlock& file) { return Outcome(MakeCall(Op::kCreate, file)); }
int32_t Remove(FileControlBlock& file) { return Outcome(MakeCall(Op::kRemove, file)); }

int32_t Copy(FileControlBlock& file, const std::string& target) {
  return Outcome(WithTexts(MakeCall(Op::kCopy, file), {target}));
}

int32_t Rename(FileControlBlock& file, const std::string& target) {
  return Outcome(WithTexts(MakeCall(Op::kRename, file), {target}));
}

int32_t Empty(FileControlBlock& file) { return Outcome(MakeCall(Op::kEmpty, file)); }
int32_t Flush(FileControlBlock& file) { return Outcome(MakeCall(Op::kFlush, file)); }
int32_t Stream(FileControlBlock& file) { return Outcome(MakeCall(Op::kStream, file)); }

int32_t Destroy(FileControlBlock& file, int32_t flag) {
  return Outcome(With<&OperationCall::number>(MakeCall(Op::kDestroy, file), flag));
}

std::string Name(FileControlBlock& file) { return TextAnswer(MakeCall(Op::kName, file)); }

std::string Send(FileControlBlock& file, const std::string& command) {
  return TextAnswer(WithTexts(MakeCall(Op::kSend, file), {command}));
}

int32_t Add(FileControlBlock& file) { return Outcome(MakeCall(Op::kAdd, file)); }

int32_t AddFileLen(FileControlBlock& file, uint32_t length) {
  return Outcome(With<&OperationCall::length>(MakeCall(Op::kAddFileLen, file), length));
}

int32_t Append(FileControlBlock& file) { return Outcome(MakeCall(Op::kAppend, file)); }

int32_t AppendLen(FileControlBlock& file, uint32_t length) {
  return Outcome(With<&OperationCall::length>(MakeCall(Op::kAppendLen, file), length));
}

int32_t Put(FileControlBlock& file) { return Outcome(MakeCall(Op::kPut, file)); }

int32_t PutFilePtr(FileControlBlock& file, int32_t pointer) {
  return Outcome(With<&OperationCall::record_pointer>(MakeCall(Op::kPutFilePtr, file), pointer));
}

int32_t PutFilePtrLen(FileControlBlock& file, int32_t pointer, uint32_t length) {
  OperationCall call = MakeCall(Op::kPutFilePtrLen, file);
  call.record_pointer = pointer;
  call.length = length;
  return Outcome(std::move(call));
}

int32_t Delete(FileControlBlock& file) { return Outcome(MakeCall(Op::kDelete, file)); }

int32_t Clear(FileControlBlock& file, int32_t how) {
  return Outcome(With<&OperationCall::number>(MakeCall(Op::kClear, file), how));
}

int32_t GetFileKey(FileControlBlock& file, KeyControlBlock& key) {
  return Outcome(With<&OperationCall::key>(MakeCall(Op::kGetFileKey, file), &key));
}

int32_t GetFilePtr(FileControlBlock& file, int32_t pointer) {
  return Outcome(With<&OperationCall::record_pointer>(MakeCall(Op::kGetFilePtr, file), pointer));
}

int32_t GetFilePtrLen(FileControlBlock& file, int32_t pointer, uint32_t length) {
  OperationCall call = MakeCall(Op::kGetFilePtrLen, file);
  call.record_pointer = pointer;
  call.length = length;
  return Outcome(std::move(call));
}

int32_t GetKeyPtr(KeyControlBlock& key, int32_t pointer) {
  return Outcome(With<&OperationCall::record_pointer>(MakeCall(Op::kGetKeyPtr, key), pointer));
}

int32_t RegetFile(FileControlBlock& file, const std::string& position) {
  return Outcome(WithTexts(MakeCall(Op::kRegetFile, file), {position}));
}

int32_t RegetKey(KeyControlBlock& key, const std::string& position) {
  return Outcome(WithTexts(MakeCall(Op::kRegetKey, key), {position}));
}

int32_t SetFile(FileControlBlock& file) { return Outcome(MakeCall(Op::kSetFile, file)); }

int32_t SetFileKey(FileControlBlock& file, KeyControlBlock& key) {
  return Outcome(With<&OperationCall::key>(MakeCall(Op::kSetFileKey, file), &key));
}

int32_t SetFilePtr(FileControlBlock& file, int32_t pointer) {
  return Outcome(With<&OperationCall::record_pointer>(MakeCall(Op::kSetFilePtr, file), pointer));
}

int32_t SetKey(KeyControlBlock& key) { return Outcome(MakeCall(Op::kSetKey, key)); }

int32_t SetKeyKey(KeyControlBlock& key, KeyControlBlock& value_key) {
  return Outcome(With<&OperationCall::second_key>(MakeCall(Op::kSetKeyKey, key), &value_key));
}

int32_t SetKeyPtr(KeyControlBlock& key, int32_t pointer) {
  return Outcome(With<&OperationCall::record_pointer>(MakeCall(Op::kSetKeyPtr, key), pointer));
}

int32_t SetKeyKeyPtr(KeyControlBlock& key, int32_t pointer) {
  return Outcome(With<&OperationCall::record_pointer>(MakeCall(Op::kSetKeyKeyPtr, key), pointer));
}

int32_t ResetFile(FileControlBlock& file, const std::string& position) {
  return Outcome(WithTexts(MakeCall(Op::kResetFile, file), {position}));
}

int32_t ResetKey(KeyControlBlock& key, const std::string& position) {
  return Outcome(WithTexts(MakeCall(Op::kResetKey, key), {position}));
}

int32_t Next(FileControlBlock& file) { return Outcome(MakeCall(Op::kNext, file)); }
int32_t Previous(FileControlBlock& file) { return Outcome(MakeCall(Op::kPrevious, file)); }

int32_t Skip(FileControlBlock& file, int32_t count) {
  return Outcome(With<&OperationCall::count>(MakeCall(Op::kSkip, file), count));
}

bool Bof(FileControlBlock& file) { return Answer(MakeCall(Op::kBof, file)) != 0; }
bool Eof(FileControlBlock& file) { return Answer(MakeCall(Op::kEof, file)) != 0; }

std::string PositionFile(FileControlBlock& file) {
  return TextAnswer(MakeCall(Op::kPositionFile, file));
}

std::string PositionKey(KeyControlBlock& key) {
  return TextAnswer(MakeCall(Op::kPositionKey, key));
}

int32_t NoMemo(FileControlBlock& file) { return Outcome(MakeCall(Op::kNoMemo, file)); }

int32_t RecordsFile(FileControlBlock& file) { return Answer(MakeCall(Op::kRecordsFile, file)); }
int32_t RecordsKey(KeyControlBlock& key) { return Answer(MakeCall(Op::kRecordsKey, key)); }
int32_t PointerFile(FileControlBlock& file) { return Answer(MakeCall(Op::kPointerFile, file)); }
int32_t PointerKey(KeyControlBlock& key) { return Answer(MakeCall(Op::kPointerKey, key)); }
int32_t Bytes(FileControlBlock& file) { return Answer(MakeCall(Op::kBytes, file)); }
bool Duplicate(FileControlBlock& file) { return Answer(MakeCall(Op::kDuplicate, file)) != 0; }
bool DuplicateKey(KeyControlBlock& key) { return Answer(MakeCall(Op::kDuplicateKey, key)) != 0; }
int32_t QueryKey(FileControlBlock& file) { return Answer(MakeCall(Op::kQueryKey, file)); }

bool CountRecords(FileControlBlock& file, int32_t count) {
  return Answer(With<&OperationCall::count>(MakeCall(Op::kCountRecords, file), count)) != 0;
}

int32_t HoldFile(FileControlBlock& file) { return Outcome(MakeCall(Op::kHoldFile, file)); }

int32_t HoldFileSec(FileControlBlock& file, int32_t seconds) {
  return Outcome(With<&OperationCall::seconds>(MakeCall(Op::kHoldFileSec, file), seconds));
}

int32_t Release(FileControlBlock& file) { return Outcome(MakeCall(Op::kRelease, file)); }
int32_t Watch(FileControlBlock& file) { return Outcome(MakeCall(Op::kWatch, file)); }
int32_t LockFile(FileControlBlock& file) { return Outcome(MakeCall(Op::kLockFile, file)); }

int32_t LockFileSec(FileControlBlock& file, int32_t seconds) {
  return Outcome(With<&OperationCall::seconds>(MakeCall(Op::kLockFileSec, file), seconds));
}

int32_t Unlock(FileControlBlock& file) { return Outcome(MakeCall(Op::kUnlock, file)); }

int32_t BuildFile(FileControlBlock& file) { return Outcome(MakeCall(Op::kBuildFile, file)); }
int32_t BuildKey(KeyControlBlock& key) { return Outcome(MakeCall(Op::kBuildKey, key)); }

int32_t BuildDyn(KeyControlBlock& key, const std::string& components) {
  return Outcome(WithTexts(MakeCall(Op::kBuildDyn, key), {components}));
}

int32_t BuildDynFilter(KeyControlBlock& key, const std::string& components,
                       const std::string& filter) {
  return Outcome(WithTexts(MakeCall(Op::kBuildDynFilter, key), {components, filter}));
}

int32_t BuildEvent(FileControlBlock& file) { return Outcome(MakeCall(Op::kBuildEvent, file)); }
int32_t Pack(FileControlBlock& file) { return Outcome(MakeCall(Op::kPack, file)); }

namespace {

// Properties travel as their value text then their name (the property
// number in decimal), with the index as the number argument.
OperationCall PropertyCall(OperationCall call, int32_t property, int32_t index) {
  call.property = property;
  call.number = index;
  call.texts.push_back(std::to_string(property));
  return call;
}

}  // namespace

int32_t SetProperty(FileControlBlock& file, int32_t property, const std::string& value,
                    int32_t index) {
  OperationCall call = MakeCall(Op::kSetProperty, file);
  call.texts = {value};
  return Outcome(PropertyCall(std::move(call), property, index));
}

std::string GetProperty(FileControlBlock& file, int32_t property, int32_t index) {
  return TextAnswer(PropertyCall(MakeCall(Op::kGetProperty, file), property, index));
}

int32_t SetPropertyKey(KeyControlBlock& key, int32_t property, const std::string& value,
                       int32_t index) {
  OperationCall call = MakeCall(Op::kSetPropertyKey, key);
  call.texts = {value};
  return Outcome(PropertyCall(std::move(call), property, index));
}

std::string GetPropertyKey(KeyControlBlock& key, int32_t property, int32_t index) {
  return TextAnswer(PropertyCall(MakeCall(Op::kGetPropertyKey, key), property, index));
}

namespace {

OperationCall FieldCall(Op op, FileControlBlock& file, int32_t field) {
  OperationCall call = MakeCall(op, file);
  call.number = field;
  return call;
}

}  // namespace

bool Null(FileControlBlock& file, int32_t field) {
  return Answer(FieldCall(Op::kNull, file, field)) != 0;
}
int32_t SetNull(FileControlBlock& file, int32_t field) {
  return Outcome(FieldCall(Op::kSetNull, file, field));
}
int32_t SetNoNull(FileControlBlock& file, int32_t field) {
  return Outcome(FieldCall(Op::kSetNoNull, file, field));
}
std::string GetNulls(FileControlBlock& file) { return TextAnswer(MakeCall(Op::kGetNulls, file)); }

int32_t SetNulls(FileControlBlock& file, const std::string& nulls) {
  return Outcome(WithTexts(MakeCall(Op::kSetNulls, file), {nulls}));
}

std::string BlobYield(FileControlBlock& file, int32_t blob, int32_t start, int32_t end) {
  OperationCall call = FieldCall(Op::kBlobYield, file, blob);
  call.blob_start = start;
  call.blob_end = end;
  IssueOperation(call);
  return call.bytes;
}

int32_t BlobTake(FileControlBlock& file, int32_t blob, int32_t start, const std::string& bytes) {
  OperationCall call = FieldCall(Op::kBlobTake, file, blob);
  call.blob_start = start;
  call.blob_end = start + static_cast<int32_t>(bytes.size()) - 1;
  call.bytes = bytes;
  return Outcome(std::move(call));
}

int32_t BlobSize(FileControlBlock& file, int32_t blob) {
  return Answer(FieldCall(Op::kBlobSize, file, blob));
}

int32_t BlobSetProp(FileControlBlock& file, int32_t blob, int32_t property,
                    const std::string& value) {
  OperationCall call = FieldCall(Op::kBlobSetProp, file, blob);
  call.property = property;
  call.texts = {value, std::to_string(property)};
  return Outcome(std::move(call));
}

std::string BlobGetProp(FileControlBlock& file, int32_t blob, int32_t property) {
  OperationCall call = FieldCall(Op::kBlobGetProp, file, blob);
  call.property = property;
  call.texts = {std::to_string(property)};
  return TextAnswer(std::move(call));
}

int32_t SetView(FileControlBlock& file) { return Outcome(MakeCall(Op::kSetView, file)); }
int32_t ResetViewFile(FileControlBlock& file) {
  return Outcome(MakeCall(Op::kResetViewFile, file));
}
int32_t InView(FileControlBlock& file) { return Outcome(MakeCall(Op::kInView, file)); }
int32_t EndView(FileControlBlock& file) { return Outcome(MakeCall(Op::kEndView, file)); }

int32_t Buffer(FileControlBlock& file, const std::array<int32_t, 4>& values) {
  return Outcome(With<&OperationCall::buffer_values>(MakeCall(Op::kBuffer, file), values));
}

int32_t GetState(FileControlBlock& file) { return Answer(MakeCall(Op::kGetState, file)); }

int32_t RestoreState(FileControlBlock& file, int32_t handle) {
  return Outcome(With<&OperationCall::state_handle>(MakeCall(Op::kRestoreState, file), handle));
}

int32_t FreeState(FileControlBlock& file, int32_t handle) {
  return Outcome(With<&OperationCall::state_handle>(MakeCall(Op::kFreeState, file), handle));
}

}  // namespace vaultara::data
