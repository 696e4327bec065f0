// libFuzzer target over opening and reading store files; the input format is
// that of ReadStoreFileInput.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "fuzz/store_file_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string folder = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "vaultara-fuzz-XXXXXX");
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    return pattern;
  }();
  vaultara::fuzz::ReadStoreFileInput(data, size, folder);
  return 0;
}
