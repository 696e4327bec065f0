#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <string>

#include "data/decimal_stack.h"
#include "data/picture_compiler.h"
#include "data/picture_deformat.h"
#include "data/picture_format.h"

namespace vaultara::data {
namespace {

std::string RandomText(std::mt19937& random, std::string_view alphabet, size_t longest) {
  std::string text(std::uniform_int_distribution<size_t>(0, longest)(random), ' ');
  for (char& c : text)
    c = alphabet[std::uniform_int_distribution<size_t>(0, alphabet.size() - 1)(random)];
  return text;
}

// Random picture texts and inputs never crash (the sanitizers watch) and
// always give texts of the picture's width.
TEST(PictureFuzz, RandomPicturesAndInputs) {
  std::mt19937 random(20240229);
  const std::string_view picture_chars = "@@SDTNEPKsdtnepk0123456789012345.-_`vV$~()<>*#^?|\\ bB,";
  const std::string_view input_chars = "0123456789 -+.,:/()eEaApPmMjanJANdec$*#\xE4\xFF";
  DecimalStack stack;
  DigitString digits;
  for (int round = 0; round < 20000; ++round) {
    std::string picture = RandomText(random, picture_chars, 14);
    if (round % 3 == 0)
      picture = "@" + picture.substr(0, 1) + std::to_string(random() % 300) + picture;
    const PictureTemplate t = CompilePicture(picture);
    ASSERT_GE(t.width, 0);
    ASSERT_LE(t.width, kMaxPictureWidth);
    const size_t width = static_cast<size_t>(t.width);

    const std::string input = RandomText(random, input_chars, 24);
    EXPECT_EQ(FormatValue(std::string_view(input), t).size(), width) << picture;
    EXPECT_EQ(FormatValue(static_cast<int64_t>(random()) - (int64_t{1} << 31), t).size(), width);
    EXPECT_EQ(
        FormatValue(
            std::ldexp(static_cast<double>(random()), static_cast<int>(random() % 2000) - 1000), t)
            .size(),
        width);
    stack.PushText(input);
    stack.PushReal(static_cast<double>(random()) / 7.0);
    stack.Divide();
    stack.PopDigitString(&digits);
    EXPECT_EQ(FormatValue(digits, t).size(), width) << picture;
    (void)DeformatText(input, t, 2026);
    (void)DeformatText(FormatValue(digits, t), t, 2026);
  }
}

// Random texts and operations on the decimal stack stay in bounds.
TEST(DecimalFuzz, RandomTextsAndOperations) {
  std::mt19937 random(1801);
  const std::string_view chars = "0123456789999999999 -+.,eE";
  DecimalStack stack;
  std::string text;
  uint8_t field[32];
  for (int round = 0; round < 5000; ++round) {
    stack.PushText(RandomText(random, chars, 70));
    stack.PushText(RandomText(random, chars, 70));
    switch (random() % 8) {
      case 0:
        stack.Add();
        break;
      case 1:
        stack.Subtract();
        break;
      case 2:
        stack.Multiply();
        break;
      case 3:
        stack.Divide();
        break;
      case 4:
        stack.RaiseToPower(static_cast<int32_t>(random() % 80) - 40);
        break;
      case 5:
        stack.SubtractReversed();
        break;
      case 6:
        (void)stack.Compare();
        stack.PushLong(static_cast<int32_t>(random()));
        break;
      default:
        stack.TruncateFraction();
        break;
    }
    const DecimalAccumulator top = stack.Top();
    ASSERT_LE(top.lowest, top.highest);
    ASSERT_LT(top.highest, kDecimalPlaceCount);
    stack.Push(top);
    stack.PopText(&text);
    EXPECT_LE(text.size(), 66u);
    const size_t size = 1 + random() % 32;
    stack.PopPackedDecimal(field, size, static_cast<int>(random() % 40));
    stack.PushDecimal(field, size, static_cast<int>(random() % 40));
    (void)stack.PopReal();
    while (stack.depth() > 0) (void)stack.PopLong();
  }
}

}  // namespace
}  // namespace vaultara::data
