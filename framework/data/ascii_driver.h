#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "data/common_frame.h"
#include "platform/platform.h"

namespace vaultara::framework {

// The text file driver "ASCII": a declared file is a plain text file and
// every record one line of it. Files are reached only through the file
// statements.
//
// Supported: NAME, CREATE (needs the CREATE attribute, else 54; replaces an
// existing file), OPEN and SHARE (an empty name gives 45), ADD and APPEND
// (append a line at the end; the ...len forms write that many bytes of the
// record), SETfile and SETfileptr, NEXT (read the next line), GETfileptr,
// POINTERfile, EOF, BYTES, FLUSH, SEND (the settings below), CLOSE and
// DESTROY. Every other operation gives 80.
//
// Settings come from the driver option string ("/CLIP=OFF/TAB=4"; each item
// upper-cased and stripped of blanks, unknown names ignored) and may be read
// or changed with SEND ("CLIP" answers the value, "CLIP=OFF" sets it):
//   CLIP=ON|OFF         trailing blanks of a record are not written (ON)
//   CTRLZISEOF=ON|OFF   a Ctrl-Z ends the file when reading, and a Ctrl-Z
//                       that ends the file is overwritten by the next line (ON)
//   ENDOFRECORD=n,b1..  the line terminator (2,13,10)
//   FILEBUFFERS=n       read buffer of n 512-byte blocks
//   QUICKSCAN=ON|OFF    trust the known file length when appending
//   TAB=n               tabs read: n>0 pad to a multiple of n, n<0 insert -n
//                       blanks, 0 drop, -100 keep (8)
//
// Record pointers are 1-based byte offsets of a line's start.
//
// Several processes may append to one shared file (access mode with sharing
// bits 0x40): each append locks the file's first byte (waiting up to about
// two seconds for another appender), re-reads its length and writes at the
// end.
class AsciiDriver : public data::FramedDriver {
 public:
  explicit AsciiDriver(platform::Platform& platform);
  ~AsciiDriver() override;

  const data::DriverRegistration& Registration() const override { return registration_; }

 protected:
  std::unique_ptr<data::DriverState> CreateState(data::FileControlBlock& file,
                                                 int32_t* error) override;
  void Perform(data::OperationCall& call, data::DriverState& state) override;

 private:
  platform::Platform& platform_;
  data::DriverRegistration registration_;
};

// The process's text driver over the real platform, registered as "ASCII".
AsciiDriver& TheAsciiDriver();

}  // namespace vaultara::framework
