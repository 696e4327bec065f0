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
  OperationCall call = MakeCall(Op::kOpen, file);
  call.access_mode = access_mode;
  return Outcome(std::move(call));
}

int32_t Share(FileControlBlock& file, uint32_t access_mode) {
  OperationCall call = MakeCall(Op::kShare, file);
  call.access_mode = access_mode;
  return Outcome(std::move(call));
}

int32_t Close(FileControlBlock& file) { return Outcome(MakeCall(Op::kClose, file)); }
int32_t Create(FileControlBlock& file) { return Outcome(MakeCall(Op::kCreate, file)); }
int32_t Remove(FileControlBlock& file) { return Outcome(MakeCall(Op::kRemove, file)); }

int32_t Copy(FileControlBlock& file, const std::string& target) {
  OperationCall call = MakeCall(Op::kCopy, file);
  call.texts = {target};
  return Outcome(std::move(call));
}

int32_t Rename(FileControlBlock& file, const std::string& target) {
  OperationCall call = MakeCall(Op::kRename, file);
  call.texts = {target};
  return Outcome(std::move(call));
}

int32_t Empty(FileControlBlock& file) { return Outcome(MakeCall(Op::kEmpty, file)); }
int32_t Flush(FileControlBlock& file) { return Outcome(MakeCall(Op::kFlush, file)); }
int32_t Stream(FileControlBlock& file) { return Outcome(MakeCall(Op::kStream, file)); }

int32_t Destroy(FileControlBlock& file, int32_t flag) {
  OperationCall call = MakeCall(Op::kDestroy, file);
  call.number = flag;
  return Outcome(std::move(call));
}

std::string Name(FileControlBlock& file) { return TextAnswer(MakeCall(Op::kName, file)); }

std::string Send(FileControlBlock& file, const std::string& command) {
  OperationCall call = MakeCall(Op::kSend, file);
  call.texts = {command};
  return TextAnswer(std::move(call));
}

int32_t Add(FileControlBlock& file) { return Outcome(MakeCall(Op::kAdd, file)); }

int32_t AddFileLen(FileControlBlock& file, uint32_t length) {
  OperationCall call = MakeCall(Op::kAddFileLen, file);
  call.length = length;
  return Outcome(std::move(call));
}

int32_t Append(FileControlBlock& file) { return Outcome(MakeCall(Op::kAppend, file)); }

int32_t AppendLen(FileControlBlock& file, uint32_t length) {
  OperationCall call = MakeCall(Op::kAppendLen, file);
  call.length = length;
  return Outcome(std::move(call));
}

int32_t Put(FileControlBlock& file) { return Outcome(MakeCall(Op::kPut, file)); }

int32_t PutFilePtr(FileControlBlock& file, int32_t pointer) {
  OperationCall call = MakeCall(Op::kPutFilePtr, file);
  call.record_pointer = pointer;
  return Outcome(std::move(call));
}

int32_t PutFilePtrLen(FileControlBlock& file, int32_t pointer, uint32_t length) {
  OperationCall call = MakeCall(Op::kPutFilePtrLen, file);
  call.record_pointer = pointer;
  call.length = length;
  return Outcome(std::move(call));
}

int32_t Delete(FileControlBlock& file) { return Outcome(MakeCall(Op::kDelete, file)); }

int32_t Clear(FileControlBlock& file, int32_t how) {
  OperationCall call = MakeCall(Op::kClear, file);
  call.number = how;
  return Outcome(std::move(call));
}

int32_t GetFileKey(FileControlBlock& file, KeyControlBlock& key) {
  OperationCall call = MakeCall(Op::kGetFileKey, file);
  call.key = &key;
  return Outcome(std::move(call));
}

int32_t GetFilePtr(FileControlBlock& file, int32_t pointer) {
  OperationCall call = MakeCall(Op::kGetFilePtr, file);
  call.record_pointer = pointer;
  return Outcome(std::move(call));
}

int32_t GetFilePtrLen(FileControlBlock& file, int32_t pointer, uint32_t length) {
  OperationCall call = MakeCall(Op::kGetFilePtrLen, file);
  call.record_pointer = pointer;
  call.length = length;
  return Outcome(std::move(call));
}

int32_t GetKeyPtr(KeyControlBlock& key, int32_t pointer) {
  OperationCall call = MakeCall(Op::kGetKeyPtr, key);
  call.record_pointer = pointer;
  return Outcome(std::move(call));
}

int32_t RegetFile(FileControlBlock& file, const std::string& position) {
  OperationCall call = MakeCall(Op::kRegetFile, file);
  call.texts = {position};
  return Outcome(std::move(call));
}

int32_t RegetKey(KeyControlBlock& key, const std::string& position) {
  OperationCall call = MakeCall(Op::kRegetKey, key);
  call.texts = {position};
  return Outcome(std::move(call));
}

int32_t SetFile(FileControlBlock& file) { return Outcome(MakeCall(Op::kSetFile, file)); }

int32_t SetFileKey(FileControlBlock& file, KeyControlBlock& key) {
  OperationCall call = MakeCall(Op::kSetFileKey, file);
  call.key = &key;
  return Outcome(std::move(call));
}

int32_t SetFilePtr(FileControlBlock& file, int32_t pointer) {
  OperationCall call = MakeCall(Op::kSetFilePtr, file);
  call.record_pointer = pointer;
  return Outcome(std::move(call));
}

int32_t SetKey(KeyControlBlock& key) { return Outcome(MakeCall(Op::kSetKey, key)); }

int32_t SetKeyKey(KeyControlBlock& key, KeyControlBlock& value_key) {
  OperationCall call = MakeCall(Op::kSetKeyKey, key);
  call.second_key = &value_key;
  return Outcome(std::move(call));
}

int32_t SetKeyPtr(KeyControlBlock& key, int32_t pointer) {
  OperationCall call = MakeCall(Op::kSetKeyPtr, key);
  call.record_pointer = pointer;
  return Outcome(std::move(call));
}

int32_t SetKeyKeyPtr(KeyControlBlock& key, int32_t pointer) {
  OperationCall call = MakeCall(Op::kSetKeyKeyPtr, key);
  call.record_pointer = pointer;
  return Outcome(std::move(call));
}

int32_t ResetFile(FileControlBlock& file, const std::string& position) {
  OperationCall call = MakeCall(Op::kResetFile, file);
  call.texts = {position};
  return Outcome(std::move(call));
}

int32_t ResetKey(KeyControlBlock& key, const std::string& position) {
  OperationCall call = MakeCall(Op::kResetKey, key);
  call.texts = {position};
  return Outcome(std::move(call));
}

int32_t Next(FileControlBlock& file) { return Outcome(MakeCall(Op::kNext, file)); }
int32_t Previous(FileControlBlock& file) { return Outcome(MakeCall(Op::kPrevious, file)); }

int32_t Skip(FileControlBlock& file, int32_t count) {
  OperationCall call = MakeCall(Op::kSkip, file);
  call.count = count;
  return Outcome(std::move(call));
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
  OperationCall call = MakeCall(Op::kCountRecords, file);
  call.count = count;
  return Answer(std::move(call)) != 0;
}

int32_t HoldFile(FileControlBlock& file) { return Outcome(MakeCall(Op::kHoldFile, file)); }

int32_t HoldFileSec(FileControlBlock& file, int32_t seconds) {
  OperationCall call = MakeCall(Op::kHoldFileSec, file);
  call.seconds = seconds;
  return Outcome(std::move(call));
}

int32_t Release(FileControlBlock& file) { return Outcome(MakeCall(Op::kRelease, file)); }
int32_t Watch(FileControlBlock& file) { return Outcome(MakeCall(Op::kWatch, file)); }
int32_t LockFile(FileControlBlock& file) { return Outcome(MakeCall(Op::kLockFile, file)); }

int32_t LockFileSec(FileControlBlock& file, int32_t seconds) {
  OperationCall call = MakeCall(Op::kLockFileSec, file);
  call.seconds = seconds;
  return Outcome(std::move(call));
}

int32_t Unlock(FileControlBlock& file) { return Outcome(MakeCall(Op::kUnlock, file)); }

int32_t BuildFile(FileControlBlock& file) { return Outcome(MakeCall(Op::kBuildFile, file)); }
int32_t BuildKey(KeyControlBlock& key) { return Outcome(MakeCall(Op::kBuildKey, key)); }

int32_t BuildDyn(KeyControlBlock& key, const std::string& components) {
  OperationCall call = MakeCall(Op::kBuildDyn, key);
  call.texts = {components};
  return Outcome(std::move(call));
}

int32_t BuildDynFilter(KeyControlBlock& key, const std::string& components,
                       const std::string& filter) {
  OperationCall call = MakeCall(Op::kBuildDynFilter, key);
  call.texts = {components, filter};
  return Outcome(std::move(call));
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
  OperationCall call = MakeCall(Op::kSetNulls, file);
  call.texts = {nulls};
  return Outcome(std::move(call));
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
  OperationCall call = MakeCall(Op::kBuffer, file);
  call.buffer_values = values;
  return Outcome(std::move(call));
}

int32_t GetState(FileControlBlock& file) { return Answer(MakeCall(Op::kGetState, file)); }

int32_t RestoreState(FileControlBlock& file, int32_t handle) {
  OperationCall call = MakeCall(Op::kRestoreState, file);
  call.state_handle = handle;
  return Outcome(std::move(call));
}

int32_t FreeState(FileControlBlock& file, int32_t handle) {
  OperationCall call = MakeCall(Op::kFreeState, file);
  call.state_handle = handle;
  return Outcome(std::move(call));
}

}  // namespace vaultara::data
