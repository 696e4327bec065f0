#pragma once

#include <cstdint>
#include <string>

namespace vaultara::data {

struct FileControlBlock;

// The process-wide error state that every statement leaves behind. Statements
// are issued from one thread at a time; the state is not locked.
//
// The code is 0 when there is no error. Texts are kept without their
// padding, at most as long as the fields they stand for: the error text 79
// characters, the file error code 80, the file error text 254.
struct ErrorStateValues {
  int32_t code = 0;
  std::string message;
  std::string file_error_code;
  std::string file_error;
  const FileControlBlock* file = nullptr;
  int32_t system_error = 0;  // the operating-system error of the last posting
};

int32_t ErrorCode();
const std::string& ErrorMessage();
const std::string& FileErrorCode();
const std::string& FileError();
const FileControlBlock* ErrorFile();

// Posts code with its text (see ErrorText). Code 0 stands for the
// operating-system error noted with NoteSystemError: it posts 300 + that
// error. The file error code and text are left as they are.
void PostError(int32_t code);
// Posts code and records the file involved.
void PostError(int32_t code, const FileControlBlock* file);
// Sets the file error code and text. Without a message the text becomes the
// text of error 90, " : " and the code.
void PostFileError(const std::string& code, const std::string& message);
// Code 0, all texts blank, no file.
void ClearErrors();
// Saves the whole state on a stack / restores the last saved one (PopErrors
// on an empty stack clears the state).
void PushErrors();
void PopErrors();

// Remembers the operating-system error of a failed platform call for a
// following PostError(0).
void NoteSystemError(int32_t system_error);

// The whole state, for saving into a snapshot and restoring it.
const ErrorStateValues& CurrentErrorState();
void RestoreErrorState(const ErrorStateValues& values);

}  // namespace vaultara::data
