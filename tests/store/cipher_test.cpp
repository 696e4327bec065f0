#include "store/cipher.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <random>

namespace vaultara::store {
namespace {

using Words = std::array<uint32_t, 16>;

Words Encipher(const Words& key, Words block) {
  EncipherBlock(key.data(), block.data());
  return block;
}

TEST(CipherTest, EncipherAndDecipherUndoEachOther) {
  std::mt19937 random(7);
  for (int round = 0; round < 2000; ++round) {
    Words key;
    Words block;
    for (auto& w : key) w = random();
    for (auto& w : block) w = random();
    if (round % 5 == 0) key[round % 16] = static_cast<uint32_t>(round % 16);  // j == i
    Words there = block;
    EncipherBlock(key.data(), there.data());
    DecipherBlock(key.data(), there.data());
    EXPECT_EQ(there, block);
    Words back = block;
    DecipherBlock(key.data(), back.data());
    EncipherBlock(key.data(), back.data());
    EXPECT_EQ(back, block);
  }
}

// Values worked out by hand from the steps of the block encipherment.
TEST(CipherTest, KnownBlocks) {
  Words counting;
  for (uint32_t i = 0; i < 16; ++i) counting[i] = 0x100 + i;

  // k = 0 everywhere: every step swaps word 0 with word i, a rotation by one.
  Words rotated;
  rotated[0] = 0x10F;
  for (uint32_t i = 1; i < 16; ++i) rotated[i] = 0x100 + i - 1;
  EXPECT_EQ(Encipher(Words{}, counting), rotated);

  // k = ~0 everywhere: j = 15, no bits exchanged, each step subtracts 1 from
  // word i and word 15.
  Words ones;
  ones.fill(0xFFFFFFFF);
  Words minus = {};
  minus.fill(0xFFFFFFFF);
  minus[15] = 0xFFFFFFF0;
  EXPECT_EQ(Encipher(ones, Words{}), minus);

  // One real exchange: K[0] = 0x0000FF01 pairs words 0 and 1; K[i] = i adds i
  // to word i alone.
  Words key;
  for (uint32_t i = 0; i < 16; ++i) key[i] = i;
  key[0] = 0x0000FF01;
  Words block{};
  block[0] = 0x12345678;
  block[1] = 0x9ABCDEF0;
  Words expected;
  for (uint32_t i = 0; i < 16; ++i) expected[i] = i;
  expected[0] = 0x9ABD55F1;  // 0xFF01 + ((a & k) | (b & ~k)) = 0xFF01 + 0x9ABC56F0
  expected[1] = 0x1235DD7A;  // 0xFF01 + 0x1234DE78, then + 1 at step 1
  EXPECT_EQ(Encipher(key, block), expected);
}

TEST(CipherTest, OneCharacterPasswordAlternatesZeroAndCharacter) {
  const auto bytes = CipherKey::SpreadPassword("A");
  for (int i = 0; i < 64; ++i) {
    const int expected = (i % 2 == 0 ? 0 : 'A') + i;
    EXPECT_EQ(bytes[(i * 17) % 64], expected) << i;
  }
}

// The key words after both self-encipherments, and a zero block enciphered
// with them, as a separate implementation of the same steps computes them.
TEST(CipherTest, KeysFromPasswords) {
  struct Case {
    const char* password;
    Words key;
    Words zero_block;
  };
  const Case cases[] = {
      {"A",
       {0x9048E480, 0xA8D9D890, 0xD1ABE8A0, 0xA8DAF8A0, 0x10EE3CA0, 0xC1EB7860, 0x51F8F4A0,
        0x50FC7AF0, 0x20756240, 0xEA2AE930, 0xF2ACA920, 0xC0FCB8D0, 0xA06DAC98, 0x4132D150,
        0xC171D1E0, 0xD13D5AB0},
       {0x125D9CB0, 0xB8D9FC90, 0xF9ABF9B0, 0xFADEF8A0, 0x39EF7DE0, 0xD1FB7CE0, 0xD3FDFCA0,
        0xD3FDFFF0, 0xC0DB54A8, 0xEAEBED70, 0xFABFE930, 0xD4FCFAD0, 0xE17DFFD8, 0xC1FBD950,
        0xC373D3E0, 0xD1BFFAF0}},
      {"secret",
       {0x29212960, 0x48886A11, 0x8DCA4624, 0x64B6F5B6, 0x486702D4, 0x8260D5A5, 0x6AAC3460,
        0xB2D2524A, 0xCA04C4A0, 0xD2B6D224, 0xBDADA2A0, 0xD0ACD3D2, 0x92D892CC, 0xE4F9C44C,
        0xB83A9350, 0xE95DC7A8},
       {0x4042A650, 0x48886A11, 0x513515D2, 0x64B6F5B6, 0xA4E71244, 0x8260D5A5, 0xCC517180,
        0xB2D2524A, 0xB1BB8E48, 0xD6B7DAFC, 0xAE2DECA0, 0xDDEED7F6, 0x65D24498, 0xF6F9D6CC,
        0xFC3AF3DA, 0xFFDFD7FE}},
  };
  for (const Case& c : cases) {
    const CipherKey key = CipherKey::FromPassword(c.password);
    Words words;
    std::memcpy(words.data(), key.words(), sizeof words);
    EXPECT_EQ(words, c.key) << c.password;
    std::array<uint8_t, 64> block{};
    Encipher(key, block.data(), block.size());
    Words enciphered;
    for (int i = 0; i < 16; ++i) {
      enciphered[i] = block[4 * i] | (block[4 * i + 1] << 8) | (block[4 * i + 2] << 16) |
                      (static_cast<uint32_t>(block[4 * i + 3]) << 24);
    }
    EXPECT_EQ(enciphered, c.zero_block) << c.password;
  }
}

TEST(CipherTest, BuffersAreCipheredBlockByBlock) {
  const CipherKey key = CipherKey::FromPassword("Letter");
  std::array<uint8_t, 256> data;
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i % 64);
  auto copy = data;
  Encipher(key, copy.data(), copy.size());
  // Equal plaintext blocks give equal ciphertext blocks, wherever they lie.
  EXPECT_EQ(std::memcmp(copy.data(), copy.data() + 64, 64), 0);
  EXPECT_NE(std::memcmp(copy.data(), data.data(), 64), 0);
  Decipher(key, copy.data(), copy.size());
  EXPECT_EQ(copy, data);
}

}  // namespace
}  // namespace vaultara::store
