// vaultara-textfile: reads and appends lines of a text file through the file
// statements and the "ASCII" driver, the way the program's error log does.
//
//   vaultara-textfile append FILE LINE...   appends each LINE (creating FILE)
//   vaultara-textfile read FILE             prints every line
//
// Texts are UTF-8 outside and Windows-1252 inside; a line Windows-1252 cannot
// hold is refused.

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "data/error_state.h"
#include "data/statements.h"
#include "framework/data/ascii_driver.h"
#include "platform/code_page.h"
#include "platform/platform.h"

namespace {

using namespace vaultara;

constexpr uint32_t kRecordLength = 1024;
constexpr uint32_t kReadWriteShared = 0x42;
constexpr uint32_t kReadShared = 0x40;

int Usage() {
  std::fprintf(stderr,
               "usage: vaultara-textfile append FILE LINE...\n"
               "       vaultara-textfile read FILE\n");
  return 2;
}

int Fail(const char* what) {
  std::fprintf(stderr, "vaultara-textfile: %s: %d %s\n", what, data::ErrorCode(),
               platform::Utf8FromWindows1252(data::ErrorMessage()).c_str());
  return 1;
}

struct TextFile {
  std::string name;
  std::vector<char> record = std::vector<char>(kRecordLength, ' ');
  data::FileControlBlock file;

  explicit TextFile(std::string path) : name(std::move(path)) {
    file.driver = &framework::TheAsciiDriver();
    file.name = {name.data(), static_cast<int32_t>(name.size())};
    file.attributes = data::attribute::kCreate;
    file.record = record.data();
    file.record_length = kRecordLength;
  }
  ~TextFile() { data::Destroy(file); }
};

int Append(TextFile& text, int argc, char** argv) {
  if (!platform::RealPlatform().Exists(text.name) && data::Create(text.file) != 0) {
    return Fail("create");
  }
  if (data::Open(text.file, kReadWriteShared) != 0) return Fail("open");
  for (int i = 0; i < argc; ++i) {
    std::optional<std::string> line = platform::Windows1252FromUtf8(argv[i]);
    if (!line) {
      std::fprintf(stderr, "vaultara-textfile: line %d holds a character that cannot be stored\n",
                   i + 1);
      return 1;
    }
    if (line->size() > kRecordLength) line->resize(kRecordLength);
    std::fill(text.record.begin(), text.record.end(), ' ');
    std::memcpy(text.record.data(), line->data(), line->size());
    if (data::Add(text.file) != 0) return Fail("append");
  }
  return data::Close(text.file) == 0 ? 0 : Fail("close");
}

int Read(TextFile& text) {
  if (data::Open(text.file, kReadShared) != 0) return Fail("open");
  if (data::SetFile(text.file) != 0) return Fail("set");
  while (data::Next(text.file) == 0) {
    std::string line(text.record.begin(), text.record.end());
    line.erase(line.find_last_not_of(' ') + 1);
    std::printf("%s\n", platform::Utf8FromWindows1252(line).c_str());
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  std::optional<std::string> path = platform::Windows1252FromUtf8(argv[2]);
  if (!path) {
    std::fprintf(stderr, "vaultara-textfile: the file name cannot be stored\n");
    return 1;
  }
  TextFile text(*path);
  std::string command = argv[1];
  if (command == "append") return Append(text, argc - 3, argv + 3);
  if (command == "read" && argc == 3) return Read(text);
  return Usage();
}
