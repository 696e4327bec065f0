#pragma once

#include <cstdint>

namespace vaultara::store {

class TableHandle;

// How a record change reaches the table's keys. The table calls it inside
// write mode, with record images in the program's character set (never the
// OEM form stored on disk).
//
// The default keeps no keys at all: it accepts every change and writes
// nothing, which is right for a table declared without keys.
class KeyMaintenance {
 public:
  virtual ~KeyMaintenance() = default;

  // Called once the table is open (or created and opened): prepares what the
  // keys of table need (cursors, private stores of indexes without
  // components).
  virtual void Opened(TableHandle& table) { (void)table; }
  // Called before the table closes.
  virtual void Closing(TableHandle& table) { (void)table; }

  // Brings every key of table up to date for one change of record `record`:
  // old_image is the record as stored before (nullptr when it is added),
  // new_image the record after (nullptr when it is deleted). With `append`
  // no entry is written: each key is marked out of date from the record
  // instead. Returns 0, or 40 (Creates Duplicate Key) after every key has
  // been put back as it was before the call.
  virtual int32_t Maintain(TableHandle& table, const char* old_image, const char* new_image,
                           uint32_t record, bool append) {
    (void)table;
    (void)old_image;
    (void)new_image;
    (void)record;
    (void)append;
    return 0;
  }
};

// The default: no keys.
KeyMaintenance& NoKeys();

}  // namespace vaultara::store
