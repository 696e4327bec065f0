#include "store/page_image.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "store/run_length.h"
#include "store/status_numbers.h"
#include "store/store_fault.h"

namespace vaultara::store {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes B(const std::string& s) { return Bytes(s.begin(), s.end()); }

int FaultOf(const std::function<void()>& body) {
  try {
    body();
  } catch (const StoreFault& fault) {
    return fault.number();
  }
  return 0;
}

PageContent Leaf(std::vector<StoreEntry> entries) {
  PageContent content;
  content.entries = std::move(entries);
  return content;
}

TEST(RunLengthTest, KnownPackings) {
  struct Case {
    std::string data;
    Bytes packed;
  };
  const Case cases[] = {
      // The run's first byte closes the literals; 6 more 'd' follow.
      {"abcdddddddxy", {4, 'a', 'b', 'c', 'd', 6, 2, 'x', 'y'}},
      // Data ending with a run still carries a final literal count of 0.
      {"zzzzz", {1, 'z', 4, 0}},
      {"aaaabbbb", {1, 'a', 3, 1, 'b', 3, 0}},
      // Counts of 128 and more take two bytes, low 7 bits first.
      {std::string(301, 'q'), {1, 'q', 0xAC, 0x02, 0}},
  };
  for (const Case& c : cases) {
    auto packed = Pack(reinterpret_cast<const uint8_t*>(c.data.data()), c.data.size());
    ASSERT_TRUE(packed.has_value()) << c.data;
    EXPECT_EQ(*packed, c.packed) << c.data;
    EXPECT_EQ(Unpack(packed->data(), packed->size(), c.data.size()), B(c.data));
  }
  // Runs of three are not worth a group.
  EXPECT_FALSE(Pack(reinterpret_cast<const uint8_t*>("aaabbbccc"), 9).has_value());
}

TEST(RunLengthTest, RandomDataRoundTrips) {
  std::mt19937 random(11);
  for (int round = 0; round < 300; ++round) {
    Bytes data(random() % 2000 + 1);
    for (auto& b : data) b = static_cast<uint8_t>(random() % 3 == 0 ? 0 : random() % 4);
    auto packed = Pack(data.data(), data.size());
    if (!packed) continue;
    EXPECT_EQ(Unpack(packed->data(), packed->size(), data.size()), data);
  }
}

TEST(RunLengthTest, OverrunsAreFaults) {
  const Bytes literal = {5, 'a', 'b', 'c', 'd', 'e'};
  EXPECT_EQ(FaultOf([&] { Unpack(literal.data(), literal.size(), 3); }), status::kLiteralOverrun);
  const Bytes repeat = {1, 'a', 9, 0};
  EXPECT_EQ(FaultOf([&] { Unpack(repeat.data(), repeat.size(), 5); }), status::kRepeatOverrun);
  const Bytes cut = {1, 'a'};
  EXPECT_EQ(FaultOf([&] { Unpack(cut.data(), cut.size(), 5); }), status::kRepeatOverrun);
}

TEST(PageImageTest, PrefixSharingBytes) {
  const PageContent content = Leaf({StoreEntry("ab", "123"), StoreEntry("ac", "123")});
  PageImage image = PageImage::Build(content, BudgetOf(content));
  image.SetHome(512 + 256 * 3);
  const Bytes& b = image.bytes();
  ASSERT_EQ(b.size(), 256u);
  const Bytes head(b.begin(), b.begin() + 28);
  const Bytes expected = {
      0x00, 0x05, 0x00, 0x00,     // home offset 1280
      28,   0,    28,   0,        // stored and unpacked length
      33,   0,    2,    0,    0,  // budget, entry count, level
      0xC0, 5,    0,    2,    0,   'a', 'b', '1',
      '2',  '3',  0x01, 'c',  '1', '2', '3'};  // one byte shared, lengths unchanged
  EXPECT_EQ(head, expected);
  for (size_t i = 28; i < b.size(); ++i) ASSERT_EQ(b[i], 0xB0) << i;
  const PageContent back = PageImage::Read(b.data(), b.size());
  ASSERT_EQ(back.entries.size(), 2u);
  EXPECT_EQ(back.entries[1].bytes, "ac123");
  EXPECT_EQ(back.entries[1].key_length, 2);
}

TEST(PageImageTest, SharingIsCappedAt63AndLengthsFollowWhenTheyChange) {
  const std::string common(80, 'k');
  PageContent content;
  content.level = 1;
  content.entries = {StoreEntry::KeyOnly(common + "a"), StoreEntry::KeyOnly(common + "b"),
                     StoreEntry(common + "c", "xyz")};
  content.children = {7, 9, 11};
  PageImage image = PageImage::Build(content, BudgetOf(content));
  const Bytes& b = image.bytes();
  const size_t second = 13 + 12 + 5 + 81;
  EXPECT_EQ(b[second], 63);                  // shared 63 of 80 equal bytes
  EXPECT_EQ(b[second + 1 + 18], 0x80 | 63);  // total length changes, key length does not
  EXPECT_EQ(b[13], 7);
  const PageContent back = PageImage::Read(b.data(), b.size());
  EXPECT_EQ(back.children, content.children);
  ASSERT_EQ(back.entries.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(back.entries[i].bytes, content.entries[i].bytes);
    EXPECT_EQ(back.entries[i].key_length, content.entries[i].key_length);
  }
}

TEST(PageImageTest, PackedOnlyWhenItSavesAUnit) {
  // No run of four: unpacked.
  const PageContent plain = Leaf({StoreEntry("key", std::string(600, 'x'))});
  PageContent mixed = Leaf({StoreEntry("k1", "abcabcabc")});
  EXPECT_FALSE(PageImage::Build(mixed, BudgetOf(mixed)).packed());
  // A short run packs, but to the same number of units: unpacked.
  PageContent small = Leaf({StoreEntry("k1", "aaaaaaaa")});
  PageImage small_image = PageImage::Build(small, BudgetOf(small));
  EXPECT_FALSE(small_image.packed());
  EXPECT_EQ(small_image.size_class(), 1);
  // A long run saves units: packed, and it reads back.
  PageImage packed = PageImage::Build(plain, BudgetOf(plain));
  EXPECT_TRUE(packed.packed());
  EXPECT_EQ(packed.size_class(), 1);
  EXPECT_LT(packed.stored_length(), packed.unpacked_length());
  const PageContent back = PageImage::Read(packed.bytes().data(), packed.bytes().size());
  EXPECT_EQ(back.entries[0].bytes, plain.entries[0].bytes);
}

TEST(PageImageTest, DamagedImagesAreFaults) {
  const PageContent content = Leaf({StoreEntry("ab", "123"), StoreEntry("ac", "123")});
  const Bytes good = PageImage::Build(content, BudgetOf(content)).bytes();
  Bytes wrong_class = good;
  EXPECT_EQ(FaultOf([&] { PageImage::Read(wrong_class.data(), 512); }), status::kPageSizeMismatch);
  Bytes more_entries = good;
  more_entries[10] = 3;
  EXPECT_EQ(FaultOf([&] { PageImage::Read(more_entries.data(), 256); }), status::kEntriesMisfit);
  Bytes longer = good;
  longer[6] = 40;  // unpacked length past the entries, and above the stored length
  EXPECT_NE(FaultOf([&] { PageImage::Read(longer.data(), 256); }), 0);
  EXPECT_EQ(FaultOf([&] { PageImage::Build(content, 20); }), status::kImageOverBudget);
}

}  // namespace
}  // namespace vaultara::store
