#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "data/record_declaration.h"
#include "data/text_variable.h"

namespace vaultara::data {

class FileDriver;
class FileCallbackInterface;
struct FileControlBlock;

// Declaration attributes of a file, as the program declares them. Drivers
// receive them shifted right by one (see DriverAttributes).
namespace attribute {
inline constexpr uint8_t kEncrypt = 0x02;
inline constexpr uint8_t kCreate = 0x04;
inline constexpr uint8_t kReclaim = 0x08;
inline constexpr uint8_t kThread = 0x10;  // one driver state per thread
inline constexpr uint8_t kOem = 0x20;
}  // namespace attribute

namespace key_flag {
inline constexpr uint32_t kDup = 0x01;
inline constexpr uint32_t kOpt = 0x02;
inline constexpr uint32_t kNoCase = 0x04;
inline constexpr uint32_t kCarried = 0x08;
inline constexpr uint32_t kPrimary = 0x10;
inline constexpr uint32_t kIndex = 0x4000;
}  // namespace key_flag

namespace memo_flag {
inline constexpr uint8_t kBinary = 0x02;
inline constexpr uint8_t kBlob = 0x04;
}  // namespace memo_flag

// What a driver keeps for one key. Drivers derive from it.
class KeyDriverState {
 public:
  virtual ~KeyDriverState() = default;
};

// One declared key or index of a file.
struct KeyControlBlock {
  std::string external_name;
  std::string label;
  uint32_t flags = 0;
  // 1-based field numbers in declaration order; negative for descending.
  std::vector<int32_t> components;
  FileControlBlock* file = nullptr;
  std::unique_ptr<KeyDriverState> driver_state;
  // For an index declared without components: it has been built.
  bool index_built = false;

  // An index declared without components, built at run time (BUILDdyn).
  bool IsDynamicIndex() const { return (flags & key_flag::kIndex) != 0 && components.empty(); }
};

// What a driver keeps for one memo. Drivers derive from it.
class MemoDriverState {
 public:
  virtual ~MemoDriverState() = default;
};

// One declared memo or blob of a file.
struct MemoControlBlock {
  static constexpr uint32_t kMaxSize = 64000;

  std::string external_name;
  std::string label;
  uint8_t flags = 0;
  uint32_t size = 0;  // at most kMaxSize
  // Allocated by the driver (filled with spaces) when it creates its state.
  std::vector<char> buffer;
  std::unique_ptr<MemoDriverState> driver_state;
};

// What a driver keeps for one file (one per thread for THREAD files). The
// common state bits live here so that the common frame can work on them.
class DriverState {
 public:
  virtual ~DriverState() = default;

  uint32_t bits = 0;                 // state_bits.h
  int32_t last_error = 0;            // the last operation's error (0 for a silent failure)
  uint8_t remembered_operation = 0;  // the last operation with a "remember" action
  int32_t remembered_result = 0;
};

// The static description of one declared table or alias: the driver, the
// program's variables for its name, options and owner, its attributes, keys,
// memos, record declaration and record buffer, and the driver's state.
//
// A control block is declared once and lives as long as the program uses the
// file. It is not copyable: keys and memos point back to it.
struct FileControlBlock {
  FileControlBlock() = default;
  FileControlBlock(const FileControlBlock&) = delete;
  FileControlBlock& operator=(const FileControlBlock&) = delete;
  ~FileControlBlock();

  FileDriver* driver = nullptr;
  TextVariable name;
  TextVariable options;
  TextVariable owner;
  uint8_t attributes = 0;
  uint32_t record_length = 0;
  const RecordDeclaration* declaration = nullptr;
  char* record = nullptr;
  uint8_t remote = 0;  // never set in this system
  std::vector<std::unique_ptr<KeyControlBlock>> keys;
  std::vector<std::unique_ptr<MemoControlBlock>> memos;
  // Notification objects, in attachment order (not owned).
  std::vector<FileCallbackInterface*> callbacks;

  // Adds a key or memo that belongs to this file and returns it.
  KeyControlBlock& AddKey(std::string label, uint32_t flags, std::vector<int32_t> components,
                          std::string external_name = {});
  MemoControlBlock& AddMemo(std::string label, uint32_t size, uint8_t flags = 0,
                            std::string external_name = {});

  // The attributes as drivers receive them: bit 0 ENCRYPT, 1 CREATE,
  // 2 RECLAIM, 3 THREAD, 4 OEM.
  uint8_t DriverAttributes() const { return static_cast<uint8_t>(attributes >> 1); }
  bool HasAttribute(uint8_t a) const { return (attributes & a) != 0; }

  // The driver state of the calling thread (or the only one), or nullptr.
  DriverState* state() const;
  void set_state(std::unique_ptr<DriverState> state);
  void reset_state() { set_state(nullptr); }

  // True when key belongs to this file.
  bool Owns(const KeyControlBlock* key) const { return key != nullptr && key->file == this; }
  // The 1-based number of key in this file, or 0.
  int32_t KeyNumber(const KeyControlBlock* key) const;

 private:
  std::thread::id StateSlot() const;
  std::map<std::thread::id, std::unique_ptr<DriverState>> states_;
};

}  // namespace vaultara::data
