#include "data/error_state.h"

#include <vector>

#include "data/error_texts.h"

namespace vaultara::data {
namespace {

constexpr size_t kMessageLength = 79;
constexpr size_t kFileErrorCodeLength = 80;
constexpr size_t kFileErrorLength = 254;

ErrorStateValues& State() {
  static ErrorStateValues state;
  return state;
}

std::vector<ErrorStateValues>& Stack() {
  static std::vector<ErrorStateValues> stack;
  return stack;
}

int32_t& PendingSystemError() {
  static int32_t error = 0;
  return error;
}

std::string Cut(std::string text, size_t length) {
  if (text.size() > length) text.resize(length);
  return text;
}

}  // namespace

int32_t ErrorCode() { return State().code; }
const std::string& ErrorMessage() { return State().message; }
const std::string& FileErrorCode() { return State().file_error_code; }
const std::string& FileError() { return State().file_error; }
const FileControlBlock* ErrorFile() { return State().file; }

void PostError(int32_t code) {
  ErrorStateValues& s = State();
  if (code == 0) {
    s.system_error = PendingSystemError();
    code = err::kSystemErrorBase + s.system_error;
  }
  std::string text = ErrorText(code);
  size_t first = text.find_first_not_of(' ');
  text = first == std::string::npos ? std::string() : text.substr(first);
  s.code = code;
  s.message = Cut(std::move(text), kMessageLength);
}

void PostError(int32_t code, const FileControlBlock* file) {
  PostError(code);
  State().file = file;
}

void PostFileError(const std::string& code, const std::string& message) {
  ErrorStateValues& s = State();
  s.file_error_code = Cut(code, kFileErrorCodeLength);
  if (message.empty()) {
    s.file_error = Cut(ErrorText(err::kFileSystemError) + " : " + code, kFileErrorLength);
  } else {
    s.file_error = Cut(message, kFileErrorLength);
  }
}

void ClearErrors() { State() = ErrorStateValues(); }

void PushErrors() { Stack().push_back(State()); }

void PopErrors() {
  if (Stack().empty()) {
    ClearErrors();
    return;
  }
  State() = Stack().back();
  Stack().pop_back();
}

void NoteSystemError(int32_t system_error) { PendingSystemError() = system_error; }

const ErrorStateValues& CurrentErrorState() { return State(); }

void RestoreErrorState(const ErrorStateValues& values) { State() = values; }

}  // namespace vaultara::data
