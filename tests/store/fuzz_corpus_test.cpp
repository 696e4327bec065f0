#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "fuzz/store_file_input.h"
#include "tests/platform/scratch_folder.h"

namespace vaultara::store {
namespace {

// Every saved input of the store file fuzzer, read once as the fuzzer reads
// it, so that the ordinary sanitizer build replays the corpus too (the
// clang build with VAULTARA_FUZZ runs it through the fuzzer itself).
class FuzzCorpusTest : public platform::ScratchFolder {};

TEST_F(FuzzCorpusTest, EverySavedInputReadsWithoutFault) {
  const std::filesystem::path corpus =
      std::filesystem::path(__FILE__).parent_path() / "../../fuzz/corpus";
  ASSERT_TRUE(std::filesystem::is_directory(corpus)) << corpus;
  int inputs = 0;
  for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
    SCOPED_TRACE(entry.path().filename().string());
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    fuzz::ReadStoreFileInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), folder_);
    ++inputs;
  }
  EXPECT_GT(inputs, 5);
  std::printf("[ fuzz corpus ] %d inputs\n", inputs);
}

}  // namespace
}  // namespace vaultara::store
