#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "data/file_control_block.h"
#include "data/operation_call.h"

namespace vaultara::data {

// The file statements: one function per statement form, each one operation
// on its file's driver. Nothing is thrown; each statement leaves the error
// state (error_state.h) for the caller to examine.
//
// Statements that answer nothing return the operation's outcome: 0, the
// error code posted, or kSilentFailure (failed, nothing posted). Statements
// that answer a number, a truth value or a text return that answer.

// Issues one operation with its arguments already in call: notification
// objects are told before and after, the driver does the work. Returns the
// driver's 32-bit result.
int32_t IssueOperation(OperationCall& call);

// Opening and closing.
int32_t Open(FileControlBlock& file, uint32_t access_mode);
int32_t Share(FileControlBlock& file, uint32_t access_mode);
int32_t Close(FileControlBlock& file);
int32_t Create(FileControlBlock& file);
int32_t Remove(FileControlBlock& file);
int32_t Copy(FileControlBlock& file, const std::string& target);
int32_t Rename(FileControlBlock& file, const std::string& target);
int32_t Empty(FileControlBlock& file);
int32_t Flush(FileControlBlock& file);
int32_t Stream(FileControlBlock& file);
// Frees the driver state (sent for every open file at program end, flag 0).
int32_t Destroy(FileControlBlock& file, int32_t flag = 0);
std::string Name(FileControlBlock& file);
// The driver command statement; answers the driver's text.
std::string Send(FileControlBlock& file, const std::string& command);

// Writing records.
int32_t Add(FileControlBlock& file);
int32_t AddFileLen(FileControlBlock& file, uint32_t length);
int32_t Append(FileControlBlock& file);
int32_t AppendLen(FileControlBlock& file, uint32_t length);
int32_t Put(FileControlBlock& file);
int32_t PutFilePtr(FileControlBlock& file, int32_t pointer);
int32_t PutFilePtrLen(FileControlBlock& file, int32_t pointer, uint32_t length);
int32_t Delete(FileControlBlock& file);
int32_t Clear(FileControlBlock& file, int32_t how = 0);

// Reading directly.
int32_t GetFileKey(FileControlBlock& file, KeyControlBlock& key);
int32_t GetFilePtr(FileControlBlock& file, int32_t pointer);
int32_t GetFilePtrLen(FileControlBlock& file, int32_t pointer, uint32_t length);
int32_t GetKeyPtr(KeyControlBlock& key, int32_t pointer);
int32_t RegetFile(FileControlBlock& file, const std::string& position);
int32_t RegetKey(KeyControlBlock& key, const std::string& position);

// Sequences.
int32_t SetFile(FileControlBlock& file);
int32_t SetFileKey(FileControlBlock& file, KeyControlBlock& key);
int32_t SetFilePtr(FileControlBlock& file, int32_t pointer);
int32_t SetKey(KeyControlBlock& key);
int32_t SetKeyKey(KeyControlBlock& key, KeyControlBlock& value_key);
int32_t SetKeyPtr(KeyControlBlock& key, int32_t pointer);
int32_t SetKeyKeyPtr(KeyControlBlock& key, int32_t pointer);
int32_t ResetFile(FileControlBlock& file, const std::string& position);
int32_t ResetKey(KeyControlBlock& key, const std::string& position);
int32_t Next(FileControlBlock& file);
int32_t Previous(FileControlBlock& file);
int32_t Skip(FileControlBlock& file, int32_t count);
bool Bof(FileControlBlock& file);
bool Eof(FileControlBlock& file);
std::string PositionFile(FileControlBlock& file);
std::string PositionKey(KeyControlBlock& key);
int32_t NoMemo(FileControlBlock& file);

// Answers about the file.
int32_t RecordsFile(FileControlBlock& file);
int32_t RecordsKey(KeyControlBlock& key);
int32_t PointerFile(FileControlBlock& file);
int32_t PointerKey(KeyControlBlock& key);
int32_t Bytes(FileControlBlock& file);
bool Duplicate(FileControlBlock& file);
bool DuplicateKey(KeyControlBlock& key);
int32_t QueryKey(FileControlBlock& file);
// Whether the file holds more than count records.
bool CountRecords(FileControlBlock& file, int32_t count);

// Holds, watches and locks.
int32_t HoldFile(FileControlBlock& file);
int32_t HoldFileSec(FileControlBlock& file, int32_t seconds);
int32_t Release(FileControlBlock& file);
int32_t Watch(FileControlBlock& file);
int32_t LockFile(FileControlBlock& file);
int32_t LockFileSec(FileControlBlock& file, int32_t seconds);
int32_t Unlock(FileControlBlock& file);

// Keys and indexes.
int32_t BuildFile(FileControlBlock& file);
int32_t BuildKey(KeyControlBlock& key);
int32_t BuildDyn(KeyControlBlock& key, const std::string& components);
int32_t BuildDynFilter(KeyControlBlock& key, const std::string& components,
                       const std::string& filter);
int32_t BuildEvent(FileControlBlock& file);
int32_t Pack(FileControlBlock& file);

// Properties.
int32_t SetProperty(FileControlBlock& file, int32_t property, const std::string& value,
                    int32_t index = 0);
std::string GetProperty(FileControlBlock& file, int32_t property, int32_t index = 0);
int32_t SetPropertyKey(KeyControlBlock& key, int32_t property, const std::string& value,
                       int32_t index = 0);
std::string GetPropertyKey(KeyControlBlock& key, int32_t property, int32_t index = 0);

// Nulls.
bool Null(FileControlBlock& file, int32_t field);
int32_t SetNull(FileControlBlock& file, int32_t field);
int32_t SetNoNull(FileControlBlock& file, int32_t field);
std::string GetNulls(FileControlBlock& file);
int32_t SetNulls(FileControlBlock& file, const std::string& nulls);

// Blobs (numbered from 1 in declaration order among the memos).
std::string BlobYield(FileControlBlock& file, int32_t blob, int32_t start, int32_t end);
int32_t BlobTake(FileControlBlock& file, int32_t blob, int32_t start, const std::string& bytes);
int32_t BlobSize(FileControlBlock& file, int32_t blob);
int32_t BlobSetProp(FileControlBlock& file, int32_t blob, int32_t property,
                    const std::string& value);
std::string BlobGetProp(FileControlBlock& file, int32_t blob, int32_t property);

// Views and buffering.
int32_t SetView(FileControlBlock& file);
int32_t ResetViewFile(FileControlBlock& file);
int32_t InView(FileControlBlock& file);
int32_t EndView(FileControlBlock& file);
int32_t Buffer(FileControlBlock& file, const std::array<int32_t, 4>& values);

// Saved state.
int32_t GetState(FileControlBlock& file);
int32_t RestoreState(FileControlBlock& file, int32_t handle);
int32_t FreeState(FileControlBlock& file, int32_t handle);

}  // namespace vaultara::data
